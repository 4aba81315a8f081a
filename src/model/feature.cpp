#include "model/feature.h"

#include "model/text.h"

ZFeature::ZFeature(const char* name, const char* typeName, void* data) : data_(data)
{
    copyText(name_, name, sizeof name_);
    copyText(typeName_, typeName, sizeof typeName_);
}

bool ZFeature::hasType(const char* expected) const { return sameTextIgnoringCase(typeName_, expected); }

ZFeature* findFeatureIn(const std::vector<ZFeature*>& features, const char* name)
{
    for (ZFeature* f : features)
        if (f && sameTextIgnoringCase(f->name(), name)) return f;
    return nullptr;
}
