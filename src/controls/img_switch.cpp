#include "controls/img_switch.h"

ZImgSwitch::ZImgSwitch(ZEffectLink* effect, int32_t index, ZImageResource* image) : ZStripSelector(image, effect, index) {}
