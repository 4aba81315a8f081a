#include "gui/message_handler.h"

using platform::LParam;
using platform::LResult;
using platform::WParam;
using namespace platform;

namespace {

uint32_t low16(std::uintptr_t v) { return static_cast<uint32_t>(v & 0xFFFFu); }
uint32_t high16(std::uintptr_t v) { return static_cast<uint32_t>((v >> 16) & 0xFFFFu); }
// Mouse coordinates are signed 16-bit values.
int32_t signedLow(LParam v) { return static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFF)); }
int32_t signedHigh(LParam v) { return static_cast<int16_t>(static_cast<uint16_t>((v >> 16) & 0xFFFF)); }

LParam pointParam(int32_t x, int32_t y)
{
    return static_cast<LParam>(makeLong(static_cast<uint32_t>(x), static_cast<uint32_t>(y)));
}

}  // namespace

ZMessageHandler::~ZMessageHandler() = default;

LResult ZMessageHandler::onActivate(WParam state, uint32_t minimized, LParam other)
{
    return defaultProc(kWmActivate, makeLong(static_cast<uint32_t>(state), minimized), other);
}
LResult ZMessageHandler::onAppMessage(uint32_t message, WParam wParam, LParam lParam)
{
    return defaultProc(message, wParam, lParam);
}
LResult ZMessageHandler::onCaptureChanged(LParam newCapture) { return defaultProc(kWmCaptureChanged, 0, newCapture); }
LResult ZMessageHandler::onClose() { return defaultProc(kWmClose, 0, 0); }
LResult ZMessageHandler::onCommand(WParam id, uint32_t code, LParam control)
{
    return defaultProc(kWmCommand, makeLong(static_cast<uint32_t>(id), code), control);
}
LResult ZMessageHandler::onCreate(LParam createParams) { return defaultProc(kWmCreate, 0, createParams); }
LResult ZMessageHandler::onCtlColorEdit(WParam dc, LParam control) { return defaultProc(kWmCtlColorEdit, dc, control); }
LResult ZMessageHandler::onCtlColorStatic(WParam dc, LParam control)
{
    return defaultProc(kWmCtlColorStatic, dc, control);
}
LResult ZMessageHandler::onDeviceChange(WParam event, LParam data) { return defaultProc(kWmDeviceChange, event, data); }
LResult ZMessageHandler::onDestroy() { return defaultProc(kWmDestroy, 0, 0); }
LResult ZMessageHandler::onEnable(WParam enabled) { return defaultProc(kWmEnable, enabled, 0); }
LResult ZMessageHandler::onEraseBackground(WParam dc) { return defaultProc(kWmEraseBackground, dc, 0); }
LResult ZMessageHandler::onGetDlgCode(LParam message) { return defaultProc(kWmGetDlgCode, 0, message); }
LResult ZMessageHandler::onGetMinMaxInfo(LParam info) { return defaultProc(kWmGetMinMaxInfo, 0, info); }
LResult ZMessageHandler::onInitDialog(WParam focus, LParam data) { return defaultProc(kWmInitDialog, focus, data); }
LResult ZMessageHandler::onKeyDown(WParam key, LParam flags) { return defaultProc(kWmKeyDown, key, flags); }
LResult ZMessageHandler::onKeyUp(WParam key, LParam flags) { return defaultProc(kWmKeyUp, key, flags); }
LResult ZMessageHandler::onKillFocus(WParam gaining) { return defaultProc(kWmKillFocus, gaining, 0); }
LResult ZMessageHandler::onLeftButtonDown(WParam keys, int32_t x, int32_t y)
{
    return defaultProc(kWmLeftButtonDown, low16(keys), pointParam(x, y));
}
LResult ZMessageHandler::onLeftButtonUp(WParam keys, int32_t x, int32_t y)
{
    return defaultProc(kWmLeftButtonUp, low16(keys), pointParam(x, y));
}
LResult ZMessageHandler::onMouseMove(WParam keys, int32_t x, int32_t y)
{
    return defaultProc(kWmMouseMove, low16(keys), pointParam(x, y));
}
LResult ZMessageHandler::onNcCreate(LParam createParams) { return defaultProc(kWmNcCreate, 0, createParams); }
LResult ZMessageHandler::onNotify(WParam id, LParam header) { return defaultProc(kWmNotify, id, header); }
LResult ZMessageHandler::onPaint() { return defaultProc(kWmPaint, 0, 0); }
LResult ZMessageHandler::onRightButtonDown(WParam keys, int32_t x, int32_t y)
{
    return defaultProc(kWmRightButtonDown, low16(keys), pointParam(x, y));
}
LResult ZMessageHandler::onRightButtonUp(WParam keys, int32_t x, int32_t y)
{
    return defaultProc(kWmRightButtonUp, low16(keys), pointParam(x, y));
}
LResult ZMessageHandler::onSetFocus(WParam losing) { return defaultProc(kWmSetFocus, losing, 0); }
LResult ZMessageHandler::onShowWindow(WParam shown, LParam status) { return defaultProc(kWmShowWindow, shown, status); }
LResult ZMessageHandler::onSize(WParam type, uint32_t width, uint32_t height)
{
    return defaultProc(kWmSize, low16(type), static_cast<LParam>(makeLong(width, height)));
}
LResult ZMessageHandler::onSysCommand(WParam command, uint32_t x, uint32_t y)
{
    return defaultProc(kWmSysCommand, command, static_cast<LParam>(makeLong(x, y)));
}
LResult ZMessageHandler::onTimer(WParam id, LParam callback) { return defaultProc(kWmTimer, id, callback); }
LResult ZMessageHandler::onUserMessage(uint32_t message, WParam wParam, LParam lParam)
{
    return defaultProc(message, wParam, lParam);
}

LResult dispatchMessage(ZMessageHandler& h, uint32_t message, WParam wParam, LParam lParam)
{
    const std::uintptr_t lp = static_cast<std::uintptr_t>(lParam);
    switch (message) {
        case kWmCreate: return h.onCreate(lParam);
        case kWmDestroy: return h.onDestroy();
        case kWmSize: return h.onSize(wParam, low16(lp), high16(lp));
        case kWmActivate: return h.onActivate(wParam, high16(wParam), lParam);
        case kWmSetFocus: return h.onSetFocus(wParam);
        case kWmKillFocus: return h.onKillFocus(wParam);
        case kWmEnable: return h.onEnable(wParam);
        case kWmPaint: return h.onPaint();
        case kWmClose: return h.onClose();
        case kWmEraseBackground: return h.onEraseBackground(wParam);
        case kWmShowWindow: return h.onShowWindow(wParam, lParam);
        case kWmGetMinMaxInfo: return h.onGetMinMaxInfo(lParam);
        case kWmNotify: return h.onNotify(wParam, lParam);
        case kWmNcCreate: return h.onNcCreate(lParam);
        case kWmGetDlgCode: return h.onGetDlgCode(lParam);
        case kWmKeyDown: return h.onKeyDown(wParam, lParam);
        case kWmKeyUp: return h.onKeyUp(wParam, lParam);
        case kWmInitDialog: return h.onInitDialog(wParam, lParam);
        case kWmCommand: return h.onCommand(wParam, high16(wParam), lParam);
        case kWmSysCommand: return h.onSysCommand(wParam, low16(lp), high16(lp));
        case kWmTimer: return h.onTimer(wParam, lParam);
        case kWmCtlColorEdit: return h.onCtlColorEdit(wParam, lParam);
        case kWmCtlColorStatic: return h.onCtlColorStatic(wParam, lParam);
        case kWmMouseMove: return h.onMouseMove(wParam, signedLow(lParam), signedHigh(lParam));
        case kWmLeftButtonDown: return h.onLeftButtonDown(wParam, signedLow(lParam), signedHigh(lParam));
        case kWmLeftButtonUp: return h.onLeftButtonUp(wParam, signedLow(lParam), signedHigh(lParam));
        case kWmRightButtonDown: return h.onRightButtonDown(wParam, signedLow(lParam), signedHigh(lParam));
        case kWmRightButtonUp: return h.onRightButtonUp(wParam, signedLow(lParam), signedHigh(lParam));
        case kWmCaptureChanged: return h.onCaptureChanged(lParam);
        case kWmDeviceChange: return h.onDeviceChange(wParam, lParam);
        default: break;
    }
    if (message >= kWmUser && message < kWmApp) return h.onUserMessage(message, wParam, lParam);
    if (message >= kWmApp && message < kWmRegisteredFirst) return h.onAppMessage(message, wParam, lParam);
    return h.defaultProc(message, wParam, lParam);
}
