// The clipper's control factory: the standard factory plus the transfer-curve graph keyword.
#pragma once

#include "skin/skin_factory.h"

class SarvoEffect;

class SarvoSkinFactory : public ZSkinFactory {
public:
    explicit SarvoSkinFactory(SarvoEffect* effect);

    // "SarvoGraph" first (ignoring case), every other keyword from the standard table.
    ZControl* createControl(ZSkin* skin, const char* keyword, int32_t argc, const char* const* argv) override;

    // The graph's row: plot left, top, width, height (integers, each at least 0) and a colour.
    static const ZControlKeyword& graphKeyword();
};
