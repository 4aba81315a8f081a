// The part of the FreeType 2 binary interface (libfreetype.so.6) that the surface text uses.
// The library is loaded at run time, so the module neither links it nor needs its headers at
// build time. Only the leading members of each record are declared, in FreeType's own order and
// types; the records are always made by the library and only read through pointers here.
// tests/unit/surface_text_test.cpp checks them against the library found at run time.
#pragma once

namespace ftabi {

typedef long Pos;  // FT_Pos: 26.6 fixed point or font units
typedef long Fixed;  // FT_Fixed: 16.16
typedef int Error;  // FT_Error

struct Generic {
    void* data;
    void (*finalizer)(void*);
};

struct BBox {
    Pos xMin, yMin, xMax, yMax;
};

struct Vector {
    Pos x, y;
};

struct GlyphMetrics {
    Pos width, height;
    Pos horiBearingX, horiBearingY, horiAdvance;
    Pos vertBearingX, vertBearingY, vertAdvance;
};

struct Bitmap {
    unsigned int rows;
    unsigned int width;
    int pitch;
    unsigned char* buffer;
    unsigned short num_grays;
    unsigned char pixel_mode;
    unsigned char palette_mode;
    void* palette;
};

enum PixelMode { kPixelModeNone = 0, kPixelModeMono = 1, kPixelModeGray = 2 };

struct SizeMetrics {
    unsigned short x_ppem, y_ppem;
    Fixed x_scale, y_scale;
    Pos ascender, descender, height, max_advance;
};

struct FaceRec;

struct SizeRec {
    FaceRec* face;
    Generic generic;
    SizeMetrics metrics;
    // more members follow in the library
};

struct GlyphSlotRec {
    void* library;
    FaceRec* face;
    GlyphSlotRec* next;
    unsigned int glyph_index;
    Generic generic;
    GlyphMetrics metrics;
    Fixed linearHoriAdvance;
    Fixed linearVertAdvance;
    Vector advance;
    int format;
    Bitmap bitmap;
    int bitmap_left;
    int bitmap_top;
    // more members follow in the library
};

struct FaceRec {
    long num_faces;
    long face_index;
    long face_flags;
    long style_flags;
    long num_glyphs;
    char* family_name;
    char* style_name;
    int num_fixed_sizes;
    void* available_sizes;
    int num_charmaps;
    void* charmaps;
    Generic generic;
    BBox bbox;
    unsigned short units_per_EM;
    short ascender;
    short descender;
    short height;
    short max_advance_width;
    short max_advance_height;
    short underline_position;
    short underline_thickness;
    GlyphSlotRec* glyph;
    SizeRec* size;
    void* charmap;
    // more members follow in the library
};

enum SizeRequestType { kSizeRequestNominal = 0, kSizeRequestRealDim = 1 };

struct SizeRequestRec {
    int type;  // SizeRequestType
    long width;
    long height;
    unsigned int horiResolution;
    unsigned int vertResolution;
};

constexpr long kLoadDefault = 0;
constexpr long kLoadRender = 1L << 2;

typedef void* Library;
typedef FaceRec* Face;

typedef Error (*InitFreeTypeFn)(Library*);
typedef Error (*DoneFreeTypeFn)(Library);
typedef Error (*NewFaceFn)(Library, const char*, long, Face*);
typedef Error (*DoneFaceFn)(Face);
typedef Error (*RequestSizeFn)(Face, SizeRequestRec*);
typedef Error (*LoadCharFn)(Face, unsigned long, int);

}  // namespace ftabi
