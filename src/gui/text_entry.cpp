#include "gui/text_entry.h"

#include <cstdlib>
#include <cstring>

#include "gui/control_host.h"
#include "model/effect_link.h"

using namespace platform;

ZTextEntry::~ZTextEntry()
{
    if (keyboardHookInstalled()) removeKeyboardHook();
}

const char* ZTextEntry::className() { return "Edit"; }

void ZTextEntry::fillCreateParams(CreateParams& params) { params.style |= static_cast<int32_t>(kWsChild | kEsCenter); }

void ZTextEntry::open(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    if (!exists()) {
        WindowHandle parent = editorWindow ? editorWindow->handle() : nullptr;
        if (!create(parent)) return;
    }
    sendMessage(handle_, kWmSetFont, reinterpret_cast<WParam>(font), 0);
    setWindowPosition(handle_, x0, y0, std::abs(x1 - x0), std::abs(y1 - y0));
    if (parameterIndex >= 0 && effect) {
        const ZCellText value = effect->valueText(parameterIndex);
        setWindowText(handle_, value.text);
    }
    sendMessage(handle_, kEmSetSel, 0, -1);
    if (editorWindow) editorWindow->setPaintSuppressed(true);
    showWindow(handle_);
    setFocus(handle_);
    if (!keyboardHookInstalled()) installKeyboardHook(handle_);
    cancelled = false;
}

void ZTextEntry::close()
{
    if (closing_) return;
    closing_ = true;
    destroy();
    closing_ = false;
}

LResult ZTextEntry::onKeyDown(WParam key, LParam flags)
{
    if (key == kVkReturn) {
        close();
        return 0;
    }
    if (key == kVkEscape) {
        cancelled = true;
        close();
        return 0;
    }
    return defaultProc(kWmKeyDown, key, flags);
}

LResult ZTextEntry::onKillFocus(WParam gaining)
{
    // An editor being destroyed (with its effect) takes the entry along without a commit.
    if (editorWindow && editorWindow->tearingDown()) cancelled = true;
    if (!cancelled) commit();
    // Commit once: a second loss of focus while the field goes away changes nothing more.
    cancelled = true;
    if (exists()) close();
    // Closed from here: the control's own handling has nothing left to act on.
    if (!handle_) return 0;
    return defaultProc(kWmKillFocus, gaining, 0);
}

LResult ZTextEntry::onDestroy()
{
    if (keyboardHookInstalled()) removeKeyboardHook();
    if (editorWindow) editorWindow->setPaintSuppressed(false);
    return defaultProc(kWmDestroy, 0, 0);
}

void ZTextEntry::commit()
{
    text[0] = '\0';
    if (handle_) windowText(handle_, text, sizeof text);
    if (parameterIndex < 0 || !effect || !effect->parameter(parameterIndex)) return;
    effect->reportValue(parameterIndex);
    effect->setParameterText(parameterIndex, text);
    effect->reportValue(parameterIndex);
}
