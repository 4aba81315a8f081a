// The parsed skin: the editor's size and page model, its resources and its controls.
#pragma once

#include <cstdint>
#include <vector>

class ZEffectLink;
class ZControlHost;
class ZControl;
class ZResource;
class ZImageResource;

// Made by parseSkin (skin/skin_parser.h), handed to the editor and owned by the editor window it is
// bound to. Owns its resources and its controls; everything else is borrowed.
class ZSkin {
public:
    explicit ZSkin(ZEffectLink* owner = nullptr);
    // Destroys every resource first, then every control.
    ~ZSkin();
    ZSkin(const ZSkin&) = delete;
    ZSkin& operator=(const ZSkin&) = delete;

    ZEffectLink* owner;  // the effect the skin's factory served (not owned)
    ZControlHost* window;  // the window the skin is bound to; null until bound (not owned)
    int32_t width;  // skin area in pixels; 0 until set
    int32_t height;  // 0 until set (the editor window adds the credit strip below)
    int32_t pageCount;  // 0 until set
    int32_t startPage;  // 1 until set
    std::vector<ZResource*> resources;  // owned, in declaration order
    std::vector<ZControl*> controls;  // owned, in declaration order (also drawing and hit-test order)
    ZImageResource* background;  // the page background image, or null (one of `resources`)
    std::vector<int32_t> pageFrames;  // entry p - 1: 0-based background frame of page p

    // The background frame of a 1-based page; 0 for a page without an entry.
    int32_t pageFrame(int32_t page) const;
};
