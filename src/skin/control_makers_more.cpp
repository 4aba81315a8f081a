// The rest of the skin language: buttons, switches, radios, page selectors, meters, peak readouts,
// feature text, drawn pots and composite knobs.
#include <atomic>
#include <new>

#include "controls/buttons.h"
#include "controls/composites.h"
#include "controls/def_pot.h"
#include "controls/feature_text.h"
#include "controls/meters.h"
#include "controls/page_selectors.h"
#include "controls/peaks.h"
#include "controls/radios.h"
#include "skin/control_makers.h"

// Arguments, in order, are noted above each function; the accessors of ZControlArgs read them.
// Every resource argument has been resolved by the factory before a creation function runs; the
// checks below only keep a bad call from reaching a constructor.

namespace {

bool haveColours(const ZControlArgs& a, int32_t first, int32_t count)
{
    for (int32_t i = first; i < first + count; ++i)
        if (!a.colour(i)) return false;
    return true;
}

ZMarkColours markColours(const ZControlArgs& a, int32_t first)
{
    return ZMarkColours{*a.colour(first), *a.colour(first + 1), *a.colour(first + 2), *a.colour(first + 3)};
}

}  // namespace

// a.param(0), a.colour(1), a.colour(2), a.colour(3)
ZControl* makeZDefPot(const ZControlArgs& a)
{
    if (!haveColours(a, 1, 3)) return nullptr;
    return new (std::nothrow) ZDefPot(a.effect, a.param(0), *a.colour(1), *a.colour(2), *a.colour(3));
}

// a.param(0), a.font(1), a.colour(2), a.colour(3), a.colour(4)
ZControl* makeZKnob(const ZControlArgs& a)
{
    if (!a.font(1) || !haveColours(a, 2, 3)) return nullptr;
    return new (std::nothrow) ZKnob(a.effect, a.param(0), a.font(1), *a.colour(2), *a.colour(3), *a.colour(4));
}

// a.param(0), a.integer(1) (label width), a.font(2), a.colour(3), a.colour(4), a.colour(5)
ZControl* makeZField(const ZControlArgs& a)
{
    if (a.integer(1) < 1 || !a.font(2) || !haveColours(a, 3, 3)) return nullptr;
    return new (std::nothrow)
        ZField(a.effect, a.param(0), a.integer(1), a.font(2), *a.colour(3), *a.colour(4), *a.colour(5));
}

// a.param(0), a.integer(1) (label width), a.font(2), a.colour(3), a.colour(4), a.colour(5)
ZControl* makeZDialField(const ZControlArgs& a)
{
    if (a.integer(1) < 1 || !a.font(2) || !haveColours(a, 3, 3)) return nullptr;
    return new (std::nothrow)
        ZDialField(a.effect, a.param(0), a.integer(1), a.font(2), *a.colour(3), *a.colour(4), *a.colour(5));
}

// a.param(0), a.font(1), a.colour(2), a.colour(3), a.colour(4), a.colour(5)
ZControl* makeZDefSwitch(const ZControlArgs& a)
{
    if (!a.font(1) || !haveColours(a, 2, 4)) return nullptr;
    return new (std::nothrow) ZDefSwitch(a.effect, a.param(0), a.font(1), markColours(a, 2));
}

// a.param(0), a.text(1) (label), a.font(2), a.colour(3), a.colour(4), a.colour(5)
ZControl* makeZKnobButton(const ZControlArgs& a)
{
    if (!a.font(2) || !haveColours(a, 3, 3)) return nullptr;
    return new (std::nothrow)
        ZKnobButton(a.effect, a.param(0), a.text(1), a.font(2), *a.colour(3), *a.colour(4), *a.colour(5));
}

// a.param(0), a.text(1) (label), a.font(2), a.colour(3), a.colour(4), a.colour(5)
ZControl* makeZTextButton(const ZControlArgs& a)
{
    if (!a.font(2) || !haveColours(a, 3, 3)) return nullptr;
    return new (std::nothrow)
        ZTextButton(a.effect, a.param(0), a.text(1), a.font(2), *a.colour(3), *a.colour(4), *a.colour(5));
}

// a.command(0), a.text(1) (label), a.font(2), a.colour(3), a.colour(4), a.colour(5)
ZControl* makeZTextCommand(const ZControlArgs& a)
{
    if (!a.font(2) || !haveColours(a, 3, 3)) return nullptr;
    return new (std::nothrow)
        ZTextCommand(a.effect, a.command(0), a.text(1), a.font(2), *a.colour(3), *a.colour(4), *a.colour(5));
}

// a.integer(0) (page), a.text(1) (label), a.font(2), a.colour(3), a.colour(4), a.colour(5), a.colour(6)
ZControl* makeZTextPageSel(const ZControlArgs& a)
{
    if (!a.font(2) || !haveColours(a, 3, 4)) return nullptr;
    return new (std::nothrow) ZTextPageSel(a.effect, a.integer(0), a.text(1), a.font(2), *a.colour(3), *a.colour(4),
                                           *a.colour(5), *a.colour(6));
}

// a.param(0), a.text(1) (label), a.font(2), a.colour(3), a.colour(4), a.colour(5), a.colour(6)
ZControl* makeZTextSwitch(const ZControlArgs& a)
{
    if (!a.font(2) || !haveColours(a, 3, 4)) return nullptr;
    return new (std::nothrow)
        ZTextSwitch(a.effect, a.param(0), a.text(1), a.font(2), *a.colour(3), *a.colour(4), *a.colour(5), *a.colour(6));
}

// a.data(0) (item "long"), a.number(1) (scale), a.number(2) (offset), a.image(3)
ZControl* makeZImgMeter(const ZControlArgs& a)
{
    if (!a.image(3) || !(a.number(1) > 0.0)) return nullptr;
    return new (std::nothrow)
        ZImgMeter(a.effect, static_cast<const std::atomic<int32_t>*>(a.data(0)), a.number(1), a.number(2), a.image(3));
}

// a.data(0) (item "double"), a.colour(1), a.colour(2), a.colour(3), a.font(4), a.font(5)
ZControl* makeZDefPeak(const ZControlArgs& a)
{
    if (!a.data(0) || !haveColours(a, 1, 3) || !a.font(4) || !a.font(5)) return nullptr;
    return new (std::nothrow) ZDefPeak(a.effect, static_cast<std::atomic<double>*>(a.data(0)), *a.colour(1),
                                       *a.colour(2), *a.colour(3), a.font(4), a.font(5));
}

// a.data(0) (item "double"), a.font(1), a.font(2)
ZControl* makeZTextPeak(const ZControlArgs& a)
{
    if (!a.data(0) || !a.font(1) || !a.font(2)) return nullptr;
    return new (std::nothrow) ZTextPeak(a.effect, static_cast<std::atomic<double>*>(a.data(0)), a.font(1), a.font(2));
}

// a.data(0) (item "long"), a.orientation(1), a.colour(2), a.colour(3), a.colour(4)
ZControl* makeZDefMeter(const ZControlArgs& a)
{
    if (!a.data(0) || !haveColours(a, 2, 3)) return nullptr;
    return new (std::nothrow) ZDefMeter(a.effect, static_cast<const std::atomic<int32_t>*>(a.data(0)), a.orientation(1),
                                        *a.colour(2), *a.colour(3), *a.colour(4));
}

// a.data(0) (item "char*"), a.font(1)
ZControl* makeZFeatureText(const ZControlArgs& a)
{
    if (!a.data(0) || !a.font(1)) return nullptr;
    return new (std::nothrow) ZFeatureText(a.effect, static_cast<const char* const*>(a.data(0)), a.font(1));
}

// a.data(0) (item "double"), a.orientation(1), a.colour(2), a.colour(3), a.colour(4)
ZControl* makeZDefFracMeter(const ZControlArgs& a)
{
    if (!a.data(0) || !haveColours(a, 2, 3)) return nullptr;
    return new (std::nothrow) ZDefFracMeter(a.effect, static_cast<const std::atomic<double>*>(a.data(0)),
                                            a.orientation(1), *a.colour(2), *a.colour(3), *a.colour(4));
}

// a.text(0) (label), a.integer(1) (page), a.font(2), a.colour(3), a.colour(4), a.colour(5)
ZControl* makeZDefPageSel(const ZControlArgs& a)
{
    if (a.integer(1) < 1 || !a.font(2) || !haveColours(a, 3, 3)) return nullptr;
    return new (std::nothrow)
        ZDefPageSel(a.effect, a.text(0), a.integer(1), a.font(2), *a.colour(3), *a.colour(4), *a.colour(5));
}

// a.command(0), a.text(1) (label), a.font(2), a.colour(3), a.colour(4), a.colour(5)
ZControl* makeZKnobCommand(const ZControlArgs& a)
{
    if (!a.font(2) || !haveColours(a, 3, 3)) return nullptr;
    return new (std::nothrow)
        ZKnobCommand(a.effect, a.command(0), a.text(1), a.font(2), *a.colour(3), *a.colour(4), *a.colour(5));
}

// a.data(0) (item "double"), a.image(1)
ZControl* makeZImgFracMeter(const ZControlArgs& a)
{
    if (!a.image(1)) return nullptr;
    return new (std::nothrow) ZImgFracMeter(a.effect, static_cast<const std::atomic<double>*>(a.data(0)), a.image(1));
}

// a.command(0), a.image(1)
ZControl* makeZImgCommand(const ZControlArgs& a)
{
    if (!a.image(1)) return nullptr;
    return new (std::nothrow) ZImgCommand(a.effect, a.command(0), a.image(1));
}

// a.param(0), a.integer(1) (option a), a.integer(2) (last option b), a.text(3) (label), a.font(4), a.colour(5),
// a.colour(6), a.colour(7), a.colour(8)
ZControl* makeZDefRadio(const ZControlArgs& a)
{
    if (a.integer(1) < 0 || a.integer(2) < a.integer(1) || !a.font(4) || !haveColours(a, 5, 4)) return nullptr;
    return new (std::nothrow)
        ZDefRadio(a.effect, a.param(0), a.integer(1), a.integer(2), a.text(3), a.font(4), markColours(a, 5));
}

// a.image(0), a.integer(1) (page)
ZControl* makeZImgPageSel(const ZControlArgs& a)
{
    if (!a.image(0) || a.integer(1) < 1) return nullptr;
    return new (std::nothrow) ZImgPageSel(a.effect, a.image(0), a.integer(1));
}

// a.param(0), a.integer(1) (option a), a.integer(2) (last option b), a.image(3)
ZControl* makeZImgRadio(const ZControlArgs& a)
{
    if (a.integer(1) < 0 || a.integer(2) < a.integer(1) || !a.image(3)) return nullptr;
    return new (std::nothrow) ZImgRadio(a.effect, a.param(0), a.integer(1), a.integer(2), a.image(3));
}
