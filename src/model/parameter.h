// Parameter descriptions of the plug-in model.
//
// A parameter object holds no value. Values are normalised doubles (the host's 0..1) kept in the
// program store, one slot per program and parameter; every operation that reads or writes a value
// takes that slot (`ZValueSlot`) by reference. The object describes the slot: name, caption, unit,
// decimals, default, and the conversions between the stored value, the display value (in the unit),
// the knob position and text.
//
// Slots are std::atomic<double> used with relaxed ordering: the host's audio thread may read or
// write a value while the user-interface thread writes it, and each access is one whole double
// (a plain 8-byte load or store on x86, no lock, no fence).
#pragma once

#include <atomic>
#include <cstdint>

using ZValueSlot = std::atomic<double>;

static_assert(ZValueSlot::is_always_lock_free, "parameter values must be lock-free");

inline double loadValue(const ZValueSlot& slot) { return slot.load(std::memory_order_relaxed); }

class ZParameter {
public:
    static constexpr int kNameSize = 9;  // 8 characters and a zero
    static constexpr int kCaptionSize = 65;  // 64 characters and a zero
    static constexpr int kLabelSize = 9;  // 8 characters and a zero

    ZParameter();
    virtual ~ZParameter();
    ZParameter(const ZParameter&) = delete;
    ZParameter& operator=(const ZParameter&) = delete;

    // Description (filled once while the effect is defined; texts are cut at their field size,
    // a null text counts as empty).
    void setName(const char* text);
    void setCaption(const char* text);
    void setUnitLabel(const char* text);
    const char* name() const { return name_; }
    const char* caption() const { return caption_; }
    const char* unitLabel() const { return unitLabel_; }
    int decimals() const { return decimals_; }

    virtual void setDefault(double normalised);
    virtual void setDefaultDisplay(double display);
    virtual double defaultValue() const;
    virtual void setDecimals(int decimals);
    virtual bool acceptsTextEntry() const;
    virtual int valueSize() const;  // bytes a value takes in a program record: 8

    virtual double value(const ZValueSlot& ref) const;
    virtual double knobPosition(const ZValueSlot& ref) const;  // quantise(stored)
    virtual double displayValue(const ZValueSlot& ref) const;  // toDisplay(stored)
    // `size` is the full buffer size including the terminator.
    virtual void valueText(char* text, int size, const ZValueSlot& ref) const = 0;
    virtual void displayText(char* text, int size, const ZValueSlot& ref) const;

    // Writes the value unchanged (no clamping). A value that is not finite is replaced by the
    // default, so NaN and infinities never reach the signal path.
    virtual void store(ZValueSlot& ref, double normalised) const;
    virtual void storeDisplay(ZValueSlot& ref, double display) const;
    // Reads at most kMaxTextLength characters of `text`; a null text does nothing.
    virtual void parseText(ZValueSlot& ref, const char* text) const = 0;
    virtual void storeDefault(ZValueSlot& ref) const;

    virtual double toDisplay(double normalised) const = 0;
    virtual double toNormalised(double display) const = 0;
    virtual double quantise(double normalised) const;

    static constexpr int kMaxTextLength = 275;  // longest text entry read

protected:
    // Copies at most kMaxTextLength characters of a possibly unterminated text into out[276].
    static void boundedText(char (&out)[kMaxTextLength + 1], const char* text);

private:
    char name_[kNameSize];
    char caption_[kCaptionSize];
    char unitLabel_[kLabelSize];
    int32_t decimals_ = 0;
    double default_ = 0.0;
};

// Continuous parameter mapped linearly onto [minimum, maximum], optionally snapped to `steps`
// grid steps for display.
class ZRangeParameter : public ZParameter {
public:
    ZRangeParameter() = default;

    void setRange(double minimum, double maximum);
    void setSteps(int steps);
    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    int steps() const { return steps_; }

    void valueText(char* text, int size, const ZValueSlot& ref) const override;
    void parseText(ZValueSlot& ref, const char* text) const override;
    double toDisplay(double normalised) const override;
    double toNormalised(double display) const override;

private:
    double minimum_ = 0.0;
    double maximum_ = 1.0;
    int32_t steps_ = 0;
};

// On/off parameter: "On" for any stored value but exactly 0.0, while its display value (and knob
// position) is on from 0.5.
class ZSwitchParameter : public ZParameter {
public:
    ZSwitchParameter() = default;

    void valueText(char* text, int size, const ZValueSlot& ref) const override;
    void parseText(ZValueSlot& ref, const char* text) const override;
    double toDisplay(double normalised) const override;
    double toNormalised(double display) const override;
};
