// sarvo-gallery: renders each page of the gallery skin off-screen, as a host would show it, and
// writes one PNG per page.
//
//   sarvo-gallery [--skin FILE] OUTDIR
//
// The gallery effect's data items are set to their demonstration state and a few parameters are
// moved off their defaults, so switches, radios and meters show both of their looks.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "editor_picture.h"
#include "gallery/gallery_effect.h"
#include "editor/editor.h"
#include "editor/editor_window.h"
#include "gui/window.h"
#include "platform/window_system.h"
#include "skin/skin.h"
#include "skin/skin_parser.h"

namespace {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string skinPath = gallerySkinPath(std::string(SARVO_SOURCE_DIR) + "/");
    std::string outDir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--skin") == 0 && i + 1 < argc)
            skinPath = argv[++i];
        else if (outDir.empty())
            outDir = argv[i];
        else
            outDir.clear(), i = argc;
    }
    if (outDir.empty()) {
        std::fprintf(stderr, "usage: sarvo-gallery [--skin FILE] OUTDIR\n");
        return 2;
    }
    if (outDir.back() != '/') outDir += '/';

    std::unique_ptr<GalleryEffect> effect(new GalleryEffect(&quietHost));
    effect->showDemoState();
    effect->setParameterValue(GalleryEffect::kBypass, 1.0);
    effect->setParameterValue(GalleryEffect::kMode, 0.5);
    effect->setParameterValue(GalleryEffect::kDrive, 0.7);
    effect->setParameterValue(GalleryEffect::kWidth, 0.35);
    ZSkinError error;
    ZSkin* skin = loadGallerySkin(effect.get(), skinPath, &error);
    if (!error.reason.empty()) {
        std::fprintf(stderr, "sarvo-gallery: %s:%d: %s\n", skinPath.c_str(), static_cast<int>(error.line),
                     error.reason.c_str());
        delete skin;
        return 1;
    }
    const int32_t pages = skin->pageCount;
    ZEditor* editor = new ZEditor(effect.get());
    editor->setSkin(skin);
    effect->setEditor(editor);

    FrameWindow frame;
    if (!frame.create(nullptr)) {
        std::fprintf(stderr, "sarvo-gallery: cannot make the host window\n");
        return 1;
    }
    effect->dispatcher(effEditOpen, 0, 0, frame.handle(), 0.0f);
    ZEditorWindow* window = editor->window();
    if (!window || !window->handle()) {
        std::fprintf(stderr, "sarvo-gallery: the editor window could not be made\n");
        return 1;
    }
    int failures = 0;
    for (int32_t page = 1; page <= pages; ++page) {
        window->setPage(page);
        window->invalidate();
        platform::updateWindow(window->handle());
        int32_t width = 0, height = 0;
        const uint32_t* pixels = platform::headless::windowPixels(window->handle(), width, height);
        const std::string path = outDir + "gallery-page" + std::to_string(page) + ".png";
        std::string message = "cannot write " + path;
        if (!pixels || !writePng(path, pixels, width, height, message)) {
            std::fprintf(stderr, "sarvo-gallery: %s\n", message.c_str());
            ++failures;
            continue;
        }
        std::printf("%s: page %d, %d x %d\n", path.c_str(), page, width, height);
    }
    effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
    return failures ? 1 : 0;
}
