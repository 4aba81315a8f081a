// The few Xlib and MIT-SHM types, constants and functions the X11 window system uses, declared
// here so that the module needs no X11 headers to build and no X11 library to load: libX11.so.6
// and libXext.so.6 are opened at run time and every function is looked up by name. The records
// follow the published Xlib layout for LP64 and ILP32 alike (longs and pointers as the C ABI has
// them); tests/x11 compares them with the system headers.
#pragma once

#include <cstdint>

namespace x11abi {

using XID = unsigned long;
using Window = XID;
using Drawable = XID;
using Colormap = XID;
using Pixmap = XID;
using Cursor = XID;
using KeySym = XID;
using VisualID = unsigned long;
using Time = unsigned long;
using ShmSeg = unsigned long;
using Bool = int;
using Status = int;
struct Display;  // opaque
struct Visual;  // opaque
struct XGCValues;
using GC = struct GCRecord*;
using XPointer = char*;

// ------------------------------------------------------------------ events

enum : int {
    KeyPress = 2,
    KeyRelease = 3,
    ButtonPress = 4,
    ButtonRelease = 5,
    MotionNotify = 6,
    EnterNotify = 7,
    LeaveNotify = 8,
    FocusIn = 9,
    FocusOut = 10,
    Expose = 12,
    DestroyNotify = 17,
    UnmapNotify = 18,
    MapNotify = 19,
};

enum : long {
    KeyPressMask = 1L << 0,
    KeyReleaseMask = 1L << 1,
    ButtonPressMask = 1L << 2,
    ButtonReleaseMask = 1L << 3,
    EnterWindowMask = 1L << 4,
    LeaveWindowMask = 1L << 5,
    PointerMotionMask = 1L << 6,
    ExposureMask = 1L << 15,
    StructureNotifyMask = 1L << 17,
    FocusChangeMask = 1L << 21,
};

enum : unsigned int {
    ShiftMask = 1u << 0,
    ControlMask = 1u << 2,
    Button1Mask = 1u << 8,
    Button2Mask = 1u << 9,
    Button3Mask = 1u << 10,
};

// Focus and crossing modes and details.
enum : int {
    NotifyNormal = 0,
    NotifyGrab = 1,
    NotifyUngrab = 2,
    NotifyWhileGrabbed = 3,
    NotifyAncestor = 0,
    NotifyVirtual = 1,
    NotifyInferior = 2,
    NotifyNonlinear = 3,
    NotifyNonlinearVirtual = 4,
    NotifyPointer = 5,
};

struct XAnyEvent {
    int type;
    unsigned long serial;
    Bool send_event;
    Display* display;
    Window window;
};

struct XKeyEvent {
    int type;
    unsigned long serial;
    Bool send_event;
    Display* display;
    Window window;
    Window root;
    Window subwindow;
    Time time;
    int x, y;
    int x_root, y_root;
    unsigned int state;
    unsigned int keycode;
    Bool same_screen;
};

struct XButtonEvent {
    int type;
    unsigned long serial;
    Bool send_event;
    Display* display;
    Window window;
    Window root;
    Window subwindow;
    Time time;
    int x, y;
    int x_root, y_root;
    unsigned int state;
    unsigned int button;
    Bool same_screen;
};

struct XMotionEvent {
    int type;
    unsigned long serial;
    Bool send_event;
    Display* display;
    Window window;
    Window root;
    Window subwindow;
    Time time;
    int x, y;
    int x_root, y_root;
    unsigned int state;
    char is_hint;
    Bool same_screen;
};

struct XCrossingEvent {
    int type;
    unsigned long serial;
    Bool send_event;
    Display* display;
    Window window;
    Window root;
    Window subwindow;
    Time time;
    int x, y;
    int x_root, y_root;
    int mode;
    int detail;
    Bool same_screen;
    Bool focus;
    unsigned int state;
};

struct XFocusChangeEvent {
    int type;
    unsigned long serial;
    Bool send_event;
    Display* display;
    Window window;
    int mode;
    int detail;
};

struct XExposeEvent {
    int type;
    unsigned long serial;
    Bool send_event;
    Display* display;
    Window window;
    int x, y;
    int width, height;
    int count;
};

struct XDestroyWindowEvent {
    int type;
    unsigned long serial;
    Bool send_event;
    Display* display;
    Window event;
    Window window;
};

union XEvent {
    int type;
    XAnyEvent xany;
    XKeyEvent xkey;
    XButtonEvent xbutton;
    XMotionEvent xmotion;
    XCrossingEvent xcrossing;
    XFocusChangeEvent xfocus;
    XExposeEvent xexpose;
    XDestroyWindowEvent xdestroywindow;
    long pad[24];
};

struct XErrorEvent {
    int type;
    Display* display;
    XID resourceid;
    unsigned long serial;
    unsigned char error_code;
    unsigned char request_code;
    unsigned char minor_code;
};

using XErrorHandler = int (*)(Display*, XErrorEvent*);
// A lost connection: the handler of the whole process, then the connection's own exit handler
// (whose default ends the process; newer libX11 only).
using XIOErrorHandler = int (*)(Display*);
using XIOErrorExitHandler = void (*)(Display*, void*);

// ------------------------------------------------------------------ windows, visuals, images

enum : unsigned long {
    CWBackPixmap = 1L << 0,
    CWBorderPixel = 1L << 3,
    CWEventMask = 1L << 11,
    CWColormap = 1L << 13,
};

enum : int {
    InputOutput = 1,
    TrueColor = 4,
    ZPixmap = 2,
    LSBFirst = 0,
    AllocNone = 0,
    RevertToParent = 2,
    VisualIDMask = 0x1,
    QueuedAfterFlush = 2,
};

constexpr Window None = 0;
constexpr Window PointerRoot = 1;
constexpr Time CurrentTime = 0;

struct XSetWindowAttributes {
    Pixmap background_pixmap;
    unsigned long background_pixel;
    Pixmap border_pixmap;
    unsigned long border_pixel;
    int bit_gravity;
    int win_gravity;
    int backing_store;
    unsigned long backing_planes;
    unsigned long backing_pixel;
    Bool save_under;
    long event_mask;
    long do_not_propagate_mask;
    Bool override_redirect;
    Colormap colormap;
    Cursor cursor;
};

struct XVisualInfo {
    Visual* visual;
    VisualID visualid;
    int screen;
    int depth;
    int c_class;
    unsigned long red_mask;
    unsigned long green_mask;
    unsigned long blue_mask;
    int colormap_size;
    int bits_per_rgb;
};

struct XImage;
struct XImageFunctions {
    XImage* (*create_image)(Display*, Visual*, unsigned int, int, int, char*, unsigned int, unsigned int, int, int);
    int (*destroy_image)(XImage*);
    unsigned long (*get_pixel)(XImage*, int, int);
    int (*put_pixel)(XImage*, int, int, unsigned long);
    XImage* (*sub_image)(XImage*, int, int, unsigned int, unsigned int);
    int (*add_pixel)(XImage*, long);
};

struct XImage {
    int width, height;
    int xoffset;
    int format;
    char* data;
    int byte_order;
    int bitmap_unit;
    int bitmap_bit_order;
    int bitmap_pad;
    int depth;
    int bytes_per_line;
    int bits_per_pixel;
    unsigned long red_mask;
    unsigned long green_mask;
    unsigned long blue_mask;
    XPointer obdata;
    XImageFunctions f;
};

struct XShmSegmentInfo {
    ShmSeg shmseg;
    int shmid;
    char* shmaddr;
    Bool readOnly;
};

// ------------------------------------------------------------------ key symbols

enum : KeySym {
    XK_BackSpace = 0xff08,
    XK_Tab = 0xff09,
    XK_Return = 0xff0d,
    XK_Escape = 0xff1b,
    XK_Home = 0xff50,
    XK_Left = 0xff51,
    XK_Up = 0xff52,
    XK_Right = 0xff53,
    XK_Down = 0xff54,
    XK_End = 0xff57,
    XK_KP_Enter = 0xff8d,
    XK_KP_Home = 0xff95,
    XK_KP_Left = 0xff96,
    XK_KP_Up = 0xff97,
    XK_KP_Right = 0xff98,
    XK_KP_Down = 0xff99,
    XK_KP_End = 0xff9c,
    XK_KP_Delete = 0xff9f,
    XK_Delete = 0xffff,
};

// ------------------------------------------------------------------ the functions used

struct Api {
    // libX11
    Display* (*XOpenDisplay)(const char*);
    int (*XCloseDisplay)(Display*);
    XErrorHandler (*XSetErrorHandler)(XErrorHandler);
    XIOErrorHandler (*XSetIOErrorHandler)(XIOErrorHandler);
    void (*XSetIOErrorExitHandler)(Display*, XIOErrorExitHandler, void*);  // may be missing (older libX11)
    int (*XDefaultScreen)(Display*);
    Visual* (*XDefaultVisual)(Display*, int);
    Colormap (*XDefaultColormap)(Display*, int);
    Window (*XDefaultRootWindow)(Display*);
    Status (*XMatchVisualInfo)(Display*, int, int, int, XVisualInfo*);
    Colormap (*XCreateColormap)(Display*, Window, Visual*, int);
    int (*XFreeColormap)(Display*, Colormap);
    Window (*XCreateWindow)(Display*, Window, int, int, unsigned int, unsigned int, unsigned int, int, unsigned int,
                            Visual*, unsigned long, XSetWindowAttributes*);
    int (*XDestroyWindow)(Display*, Window);
    int (*XMapWindow)(Display*, Window);
    int (*XMoveResizeWindow)(Display*, Window, int, int, unsigned int, unsigned int);
    GC (*XCreateGC)(Display*, Drawable, unsigned long, XGCValues*);
    int (*XFreeGC)(Display*, GC);
    XImage* (*XCreateImage)(Display*, Visual*, unsigned int, int, int, char*, unsigned int, unsigned int, int, int);
    int (*XPutImage)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned int, unsigned int);
    int (*XDestroyImage)(XImage*);  // may be missing (a macro in old headers): then f.destroy_image
    int (*XPending)(Display*);
    int (*XConnectionNumber)(Display*);
    int (*XNextEvent)(Display*, XEvent*);
    int (*XFlush)(Display*);
    int (*XSync)(Display*, Bool);
    int (*XSetInputFocus)(Display*, Window, int, Time);
    int (*XGetInputFocus)(Display*, Window*, int*);
    int (*XLookupString)(XKeyEvent*, char*, int, KeySym*, void*);
    // libXext (optional: without it images go through XPutImage)
    Bool (*XShmQueryExtension)(Display*);
    XImage* (*XShmCreateImage)(Display*, Visual*, unsigned int, int, char*, XShmSegmentInfo*, unsigned int,
                               unsigned int);
    Bool (*XShmAttach)(Display*, XShmSegmentInfo*);
    Bool (*XShmDetach)(Display*, XShmSegmentInfo*);
    Bool (*XShmPutImage)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned int, unsigned int, Bool);
};

}  // namespace x11abi
