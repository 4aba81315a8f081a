// The module's own declarations of the Xlib records against the system's headers: a wrong field
// would make the module read events and images at the wrong places.
#include <gtest/gtest.h>

#include "platform/posix/x11_abi.h"

// Taken before the system headers, whose macros have the same names.
namespace ours {
constexpr int kKeyPress = x11abi::KeyPress, kFocusOut = x11abi::FocusOut, kExpose = x11abi::Expose;
constexpr int kDestroyNotify = x11abi::DestroyNotify, kLeaveNotify = x11abi::LeaveNotify;
constexpr long kExposureMask = x11abi::ExposureMask, kFocusChangeMask = x11abi::FocusChangeMask;
constexpr long kStructureMask = x11abi::StructureNotifyMask, kMotionMask = x11abi::PointerMotionMask;
constexpr unsigned long kCWColormap = x11abi::CWColormap, kCWEventMask = x11abi::CWEventMask;
constexpr unsigned kControlMask = x11abi::ControlMask, kButton3Mask = x11abi::Button3Mask;
constexpr unsigned long kReturn = x11abi::XK_Return, kKpDelete = x11abi::XK_KP_Delete;
}  // namespace ours

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>

#include <cstddef>

#define SAME_RECORD(name) static_assert(sizeof(x11abi::name) == sizeof(::name), #name " size")
#define SAME_FIELD(name, field)                                                                                        \
    static_assert(offsetof(x11abi::name, field) == offsetof(::name, field), #name "." #field)

SAME_RECORD(XAnyEvent);
SAME_RECORD(XKeyEvent);
SAME_FIELD(XKeyEvent, state);
SAME_FIELD(XKeyEvent, keycode);
SAME_RECORD(XButtonEvent);
SAME_FIELD(XButtonEvent, x);
SAME_FIELD(XButtonEvent, button);
SAME_RECORD(XMotionEvent);
SAME_FIELD(XMotionEvent, state);
SAME_RECORD(XCrossingEvent);
SAME_FIELD(XCrossingEvent, mode);
SAME_RECORD(XFocusChangeEvent);
SAME_FIELD(XFocusChangeEvent, detail);
SAME_RECORD(XExposeEvent);
SAME_FIELD(XExposeEvent, count);
SAME_RECORD(XDestroyWindowEvent);
SAME_FIELD(XDestroyWindowEvent, window);
SAME_RECORD(XErrorEvent);
SAME_FIELD(XErrorEvent, error_code);
SAME_RECORD(XSetWindowAttributes);
SAME_FIELD(XSetWindowAttributes, event_mask);
SAME_FIELD(XSetWindowAttributes, colormap);
SAME_RECORD(XVisualInfo);
SAME_FIELD(XVisualInfo, red_mask);
SAME_RECORD(XImage);
SAME_FIELD(XImage, data);
SAME_FIELD(XImage, byte_order);
SAME_FIELD(XImage, bytes_per_line);
SAME_FIELD(XImage, f.destroy_image);
SAME_RECORD(XShmSegmentInfo);
SAME_FIELD(XShmSegmentInfo, shmaddr);
static_assert(sizeof(x11abi::XEvent) == sizeof(::XEvent), "XEvent size");

static_assert(ours::kKeyPress == KeyPress && ours::kFocusOut == FocusOut && ours::kExpose == Expose, "event types");
static_assert(ours::kDestroyNotify == DestroyNotify && ours::kLeaveNotify == LeaveNotify, "event types");
static_assert(ours::kExposureMask == ExposureMask && ours::kFocusChangeMask == FocusChangeMask, "event masks");
static_assert(ours::kStructureMask == StructureNotifyMask && ours::kMotionMask == PointerMotionMask, "event masks");
static_assert(ours::kCWColormap == CWColormap && ours::kCWEventMask == CWEventMask, "window attribute bits");
static_assert(ours::kControlMask == ControlMask && ours::kButton3Mask == Button3Mask, "state bits");
static_assert(ours::kReturn == XK_Return && ours::kKpDelete == XK_KP_Delete, "key symbols");

TEST(X11Abi, RecordsMatchTheSystemHeaders) { SUCCEED() << "checked when this file compiled"; }
