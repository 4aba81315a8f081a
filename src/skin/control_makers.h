// One creation function per control keyword: each receives the checked, resolved arguments of its
// skin line (skin/skin_factory.h) and calls the control's constructor. A keyword whose control
// type is not part of the build answers null, so its line makes no control.
#pragma once

#include "skin/skin_factory.h"

ZControl* makeZDefPot(const ZControlArgs& a);
ZControl* makeZKnob(const ZControlArgs& a);
ZControl* makeZField(const ZControlArgs& a);
ZControl* makeZDialField(const ZControlArgs& a);
ZControl* makeZDefSwitch(const ZControlArgs& a);
ZControl* makeZKnobButton(const ZControlArgs& a);
ZControl* makeZTextButton(const ZControlArgs& a);
ZControl* makeZTextCommand(const ZControlArgs& a);
ZControl* makeZValue(const ZControlArgs& a);
ZControl* makeZTextPageSel(const ZControlArgs& a);
ZControl* makeZTextSwitch(const ZControlArgs& a);
ZControl* makeZImgMeter(const ZControlArgs& a);
ZControl* makeZDefPeak(const ZControlArgs& a);
ZControl* makeZImgPot(const ZControlArgs& a);
ZControl* makeZTextPeak(const ZControlArgs& a);
ZControl* makeZImgSwitch(const ZControlArgs& a);
ZControl* makeZDefMeter(const ZControlArgs& a);
ZControl* makeZWave(const ZControlArgs& a);
ZControl* makeZFeatureText(const ZControlArgs& a);
ZControl* makeZDefFracMeter(const ZControlArgs& a);
ZControl* makeZDefPageSel(const ZControlArgs& a);
ZControl* makeZKnobCommand(const ZControlArgs& a);
ZControl* makeZImgFracMeter(const ZControlArgs& a);
ZControl* makeZImgCommand(const ZControlArgs& a);
ZControl* makeZDefRadio(const ZControlArgs& a);
ZControl* makeZZoomWave(const ZControlArgs& a);
ZControl* makeZImgPageSel(const ZControlArgs& a);
ZControl* makeZImgRadio(const ZControlArgs& a);

