// The controls of the built-in skin: image pot, value text, image switch, wave displays and the
// transfer-curve graph.
#include <atomic>
#include <new>

#include "controls/img_pot.h"
#include "controls/img_switch.h"
#include "controls/value.h"
#include "controls/wave.h"
#include "dsp/history.h"
#include "skin/control_makers.h"
#include "skin_resources/resources.h"

// Arguments, in order, are noted above each function; the accessors of ZControlArgs read them.

namespace {

// "double" data items are lock-free atomic doubles (the layout of a double), read with relaxed loads.
const std::atomic<double>* level(const ZControlArgs& a, int32_t i)
{
    return static_cast<const std::atomic<double>*>(a.data(i));
}

}  // namespace

// a.param(0), a.font(1)
ZControl* makeZValue(const ZControlArgs& a)
{
    ZValue* value = new (std::nothrow) ZValue(a.effect, a.param(0), a.font(1));
    if (value && !value->textEntry()) {
        delete value;
        return nullptr;
    }
    return value;
}

// a.param(0), a.image(1)
ZControl* makeZImgPot(const ZControlArgs& a) { return new (std::nothrow) ZImgPot(a.effect, a.param(0), a.image(1)); }

// a.param(0), a.image(1)
ZControl* makeZImgSwitch(const ZControlArgs& a)
{
    return new (std::nothrow) ZImgSwitch(a.effect, a.param(0), a.image(1));
}

// a.data(0) (item "ZHistory"), a.data(1) (optional "double", may be null), a.data(2) (optional "double", may be null), a.colour(3), a.colour(4), a.colour(5)
ZControl* makeZWave(const ZControlArgs& a)
{
    const ZHistory* history = static_cast<const ZHistory*>(a.data(0));
    if (!history) return nullptr;
    return new (std::nothrow) ZWave(a.effect, history, level(a, 1), level(a, 2), a.colour(3), a.colour(4), a.colour(5));
}

// a.data(0) (item "ZHistory"), a.data(1) (optional "double", may be null), a.data(2) (optional "double", may be null), a.colour(3), a.colour(4), a.colour(5), a.font(6), a.colour(7), a.colour(8)
ZControl* makeZZoomWave(const ZControlArgs& a)
{
    const ZHistory* history = static_cast<const ZHistory*>(a.data(0));
    if (!history) return nullptr;
    return new (std::nothrow) ZZoomWave(a.effect, history, level(a, 1), level(a, 2), a.colour(3), a.colour(4),
                                        a.colour(5), a.font(6), a.colour(7), a.colour(8));
}

