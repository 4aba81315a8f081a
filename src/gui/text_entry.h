// A one-line text field over a value control, for typing a parameter value.
//
// The field is the system's "Edit" control subclassed into the window framework. While it is
// open, a thread keyboard hook hands every keystroke straight to the focus window, so the host's
// message loop (and its shortcuts) never see them. Enter commits, Esc cancels, losing the focus
// commits; each of them closes the field.
#pragma once

#include <cstdint>

#include "gui/window.h"
#include "platform/surface_device.h"

class ZEffectLink;
class ZControlHost;

class ZTextEntry : public ZSubclassWindow {
public:
    ZTextEntry() = default;
    // Removes the keyboard hook; gives a window that still exists its own procedure back.
    ~ZTextEntry() override;

    const char* className() override;  // "Edit"
    // WS_CHILD | ES_CENTER, hidden until opened.
    void fillCreateParams(platform::CreateParams& params) override;

    LResult onKeyDown(WParam key, LParam flags) override;
    LResult onKillFocus(WParam gaining) override;
    LResult onDestroy() override;

    // Opens the field over the rectangle (editor-window coordinates): made if needed, the font set,
    // the parameter's value text without its unit, all selected, the editor's painting suppressed,
    // shown with the focus, the hook installed. Nothing happens if the field cannot be made.
    void open(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    // Reads the text and sets the parameter from it, with an automation report of the value
    // before and after.
    void commit();

    // Set by the owning control before open.
    ZEffectLink* effect = nullptr;
    ZControlHost* editorWindow = nullptr;
    int32_t parameterIndex = -1;
    platform::FontHandle font = nullptr;

    char text[256] = {};
    bool cancelled = false;

private:
    // Destroys the field's window once (a loss of focus during the destruction does not start a
    // second one).
    void close();
    bool closing_ = false;
};
