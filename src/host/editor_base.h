#pragma once
#include "host/vst_abi.h"

class EffectBase;

// What the host's editor requests reach. The base answers as an editor without a window.
class EditorBase {
public:
    explicit EditorBase(EffectBase* effect) : effect_(effect) {}
    virtual ~EditorBase() = default;
    EditorBase(const EditorBase&) = delete;
    EditorBase& operator=(const EditorBase&) = delete;

    virtual EffectBase* effect() { return effect_; }
    virtual bool getRect(ERect** rect)
    {
        if (rect) *rect = nullptr;
        return false;
    }
    virtual bool open(void* parent)
    {
        parent_ = parent;
        return false;
    }
    virtual void close() { parent_ = nullptr; }
    virtual bool isOpen() { return parent_ != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode& /*key*/) { return false; }
    virtual bool onKeyUp(VstKeyCode& /*key*/) { return false; }
    virtual bool onWheel(float /*distance*/) { return false; }
    virtual bool setKnobMode(VstInt32 /*mode*/) { return false; }

    // Called by the effect: at once after every parameter, program or chunk change, and
    // (only marking) at the end of every processing call.
    virtual void redrawNow() {}
    virtual void requestRedraw() {}

protected:
    EffectBase* effect_;
    void* parent_ = nullptr;
};
