#include "model/feature.h"

#include "host/effect_base.h"

#include <cctype>

bool sameTextIgnoringCase(const char* a, const char* b) {
    if (!a || !b) return false;
    for (;; ++a, ++b) {
        const int ca = std::tolower(static_cast<unsigned char>(*a));
        const int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

ZFeature::ZFeature(const char* name, const char* typeName, void* data) : data_(data) {
    copyText(name_, name, sizeof name_);
    copyText(typeName_, typeName, sizeof typeName_);
}

bool ZFeature::hasType(const char* expected) const { return sameTextIgnoringCase(typeName_, expected); }

ZFeature* findFeatureIn(const std::vector<ZFeature*>& features, const char* name) {
    for (ZFeature* f : features)
        if (f && sameTextIgnoringCase(f->name(), name)) return f;
    return nullptr;
}
