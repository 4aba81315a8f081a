// Typed handlers for window messages.
//
// dispatchMessage turns a message into a call of one handler; the default of every handler
// rebuilds the message and hands it to defaultProc, so a window that overrides nothing behaves
// exactly like one without the framework.
#pragma once

#include <cstdint>

#include "platform/window_system.h"

class ZMessageHandler {
public:
    using WParam = platform::WParam;
    using LParam = platform::LParam;
    using LResult = platform::LResult;

    ZMessageHandler() = default;
    virtual ~ZMessageHandler();
    ZMessageHandler(const ZMessageHandler&) = delete;
    ZMessageHandler& operator=(const ZMessageHandler&) = delete;

    virtual LResult onActivate(WParam state, uint32_t minimized, LParam other);
    virtual LResult onAppMessage(uint32_t message, WParam wParam, LParam lParam);
    virtual LResult onCaptureChanged(LParam newCapture);
    virtual LResult onClose();
    virtual LResult onCommand(WParam id, uint32_t code, LParam control);
    virtual LResult onCreate(LParam createParams);
    virtual LResult onCtlColorEdit(WParam dc, LParam control);
    virtual LResult onCtlColorStatic(WParam dc, LParam control);
    virtual LResult onDeviceChange(WParam event, LParam data);
    virtual LResult onDestroy();
    virtual LResult onEnable(WParam enabled);
    virtual LResult onEraseBackground(WParam dc);
    virtual LResult onGetDlgCode(LParam message);
    virtual LResult onGetMinMaxInfo(LParam info);
    virtual LResult onInitDialog(WParam focus, LParam data);
    virtual LResult onKeyDown(WParam key, LParam flags);
    virtual LResult onKeyUp(WParam key, LParam flags);
    virtual LResult onKillFocus(WParam gaining);
    virtual LResult onLeftButtonDown(WParam keys, int32_t x, int32_t y);
    virtual LResult onLeftButtonUp(WParam keys, int32_t x, int32_t y);
    virtual LResult onMouseMove(WParam keys, int32_t x, int32_t y);
    virtual LResult onNcCreate(LParam createParams);
    virtual LResult onNotify(WParam id, LParam header);
    virtual LResult onPaint();
    virtual LResult onRightButtonDown(WParam keys, int32_t x, int32_t y);
    virtual LResult onRightButtonUp(WParam keys, int32_t x, int32_t y);
    virtual LResult onSetFocus(WParam losing);
    virtual LResult onShowWindow(WParam shown, LParam status);
    virtual LResult onSize(WParam type, uint32_t width, uint32_t height);
    virtual LResult onSysCommand(WParam command, uint32_t x, uint32_t y);
    virtual LResult onTimer(WParam id, LParam callback);
    virtual LResult onUserMessage(uint32_t message, WParam wParam, LParam lParam);
    virtual LResult defaultProc(uint32_t message, WParam wParam, LParam lParam) = 0;
};

// Calls the handler the message belongs to:
//   the messages named by the handlers go to them;
//   0x0400..0x7FFF to onUserMessage, 0x8000..0xBFFF to onAppMessage;
//   everything else (registered messages from 0xC000 on included) to defaultProc.
platform::LResult dispatchMessage(ZMessageHandler& handler, uint32_t message, platform::WParam wParam,
                                  platform::LParam lParam);

// MAKELONG: the low 16 bits of lo and hi side by side.
inline uint32_t makeLong(uint32_t lo, uint32_t hi) { return (lo & 0xFFFFu) | ((hi & 0xFFFFu) << 16); }
