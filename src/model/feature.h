#pragma once
#include <vector>

#include "model/text.h"

// A named data item the effect shows the editor: a name, the name of the data's type and a pointer to
// the datum inside the effect.
class ZFeature {
public:
    ZFeature(const char* name, const char* typeName, void* data);
    virtual ~ZFeature() = default;

    const char* name() const { return name_; }
    const char* typeName() const { return typeName_; }
    void* data() const { return data_; }
    // True when the type name equals `expected`, ignoring case.
    bool hasType(const char* expected) const;

private:
    char name_[65];
    char typeName_[65];
    void* data_;
};

// First feature whose whole name equals `name` ignoring case, or null.
ZFeature* findFeatureIn(const std::vector<ZFeature*>& features, const char* name);

