// What the editor's controls see of the effect: its parameters in the current program, the user's
// changes with the host told of them, the named data items and commands, and the credit's names.
// The GUI framework's layers know the effect through this and nothing else; the plug-in base
// implements it over its program store and its host.
#pragma once

#include <cstdint>

#include "model/program_store.h"

class ZParameter;
class ZFeature;

class ZEffectLink {
public:
    virtual ~ZEffectLink() = default;

    // Parameters (current program); a bad index gives null, -1, 0 or an empty text.
    virtual ZParameter* parameter(int32_t index) const = 0;
    virtual int32_t findParameter(const char* name) const = 0;  // whole name, ignoring case; -1
    virtual double parameterValue(int32_t index) const = 0;  // normalised
    virtual double knobPosition(int32_t index) const = 0;
    virtual ZCellText valueText(int32_t index) const = 0;
    virtual ZCellText displayText(int32_t index) const = 0;

    // The user's changes. A gesture begins and ends around the changes of one drag; reportValue
    // tells the host the parameter's current value (as automation). The value changes reach the
    // signal path at once.
    virtual void beginGesture(int32_t index) = 0;
    virtual void endGesture(int32_t index) = 0;
    virtual void reportValue(int32_t index) = 0;
    virtual void setParameterValue(int32_t index, double normalised) = 0;
    virtual void setParameterText(int32_t index, const char* text) = 0;

    // Named data items and commands (whole name, ignoring case, first match).
    virtual ZFeature* findFeature(const char* name) const = 0;
    virtual int32_t findCommand(const char* name) const = 0;
    virtual void command(int32_t id, bool shift, bool ctrl) = 0;

    // The names the credit strip shows; null for none.
    virtual const char* vendorName() = 0;
    virtual const char* productName() = 0;
};
