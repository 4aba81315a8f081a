// The gallery: a small effect built on ZPlugin that offers something for every argument kind of
// the skin language (parameters of each sort, data items of the types "long", "double", "char*"
// and "ZHistory", commands), a factory that makes the gallery's film strips in memory, and the
// gallery skin (tests/gallery/gallery.skin), which uses all 28 control keywords on four pages.
//
// The unit tests and the sarvo-gallery tool (which renders every page to a PNG) share it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "dsp/history.h"
#include "host/zplugin.h"
#include "skin/skin_factory.h"

class ZSkin;
struct ZSkinError;

class GalleryEffect : public ZPlugin {
public:
    enum Param : VstInt32 { kDrive, kMode, kBypass, kTrigger, kWidth, kMix, kNumParams };
    enum Command : VstInt32 { kRandomise, kResetPeak, kClear, kNumCommands };
    static constexpr VstInt32 kNumPrograms = 2;

    explicit GalleryEffect(audioMasterCallback host);
    ~GalleryEffect() override;

    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    void reset() override {}
    bool acceptsIo(VstInt32 inputs, VstInt32 outputs) override { return inputs == 2 && outputs == 2; }
    void applyProgram(VstInt32 afterReset) override;
    void command(VstInt32 id, bool shift, bool ctrl) override;
    const char* effectName() override { return "Gallery"; }
    const char* vendorName() override { return "ONDX"; }
    const char* productName() override { return "Gallery"; }

    // Sets the data items to a state that shows every display half-way: level 12 of 20, fill 0.5,
    // a peak of +3.5 dB, the status text, and a history of a decaying sine.
    void showDemoState();

    struct CommandRun {
        VstInt32 id;
        bool shift;
        bool ctrl;
    };
    std::vector<CommandRun> commandsRun;

    // Data items.
    std::atomic<int32_t> level{0};  // "Level", type "long"
    std::atomic<double> peak{0.0};  // "Peak", type "double"
    std::atomic<double> fill{0.0};  // "Fill", type "double"
    std::atomic<double> ceiling{0.5};  // "Ceiling", type "double"
    const char* status = "";  // "Status", type "char*"
    ZHistory history;  // "History", type "ZHistory"
    // "Spare" is a "long" item without data; "Nothing" a "char*" item without data.
};

// The gallery's film strips, made in memory: "PngResource GALLERY <name> <frame width> <frame
// height> <frames>" makes the strip <name> with its frames stacked top to bottom. Known names:
// background, pagesel, radio, switch, command, pot, meter. Every other resource line goes to the
// standard factory.
class GalleryFactory : public ZSkinFactory {
public:
    explicit GalleryFactory(GalleryEffect* effect) : ZSkinFactory(effect) {}
    ZResource* createResource(ZSkin* skin, const char* type, int32_t argc, const char* const* argv) override;
};

// The strip of a gallery image, or null for an unknown name or a bad size.
ZBitmap* makeGalleryImage(const char* name, int32_t frameWidth, int32_t frameHeight, int32_t frames);

// The path of the gallery skin in the source tree, given the repository root (ending with '/').
std::string gallerySkinPath(const std::string& sourceDir);

// Parses a skin text file with the gallery factory. Null when it does not parse; `error`, when
// given, says why the parse stopped early.
ZSkin* loadGallerySkin(GalleryEffect* effect, const std::string& path, ZSkinError* error = nullptr);
// Parses a skin text in memory with the gallery factory.
ZSkin* parseGallerySkinText(GalleryEffect* effect, const std::string& text);

// Page titles of the gallery skin, page 1 first.
extern const char* const kGalleryPageNames[4];
