#include "skin/skin.h"

#include "controls/control.h"
#include "skin_resources/resources.h"

ZSkin::ZSkin(ZEffectLink* owner)
    : owner(owner), window(nullptr), width(0), height(0), pageCount(0), startPage(1), background(nullptr)
{
    resources.reserve(32);
    controls.reserve(32);
    pageFrames.reserve(32);
}

ZSkin::~ZSkin()
{
    background = nullptr;
    for (ZResource* r : resources) delete r;
    resources.clear();
    for (ZControl* c : controls) delete c;
    controls.clear();
}

int32_t ZSkin::pageFrame(int32_t page) const
{
    if (page < 1 || static_cast<std::size_t>(page) > pageFrames.size()) return 0;
    return pageFrames[static_cast<std::size_t>(page) - 1];
}
