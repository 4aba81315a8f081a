// screenshot: renders the editor off-screen, as a host would show it, and writes a PNG.
//
// The Linux plug-in module has no editor window of its own, so the editor is built here from the
// same code the Windows module uses, on the headless window system. The parameter values come from
// the loaded module (program, chunk and NAME=TEXT settings are applied there) and are handed over
// as a bank chunk with the current program.
#include "audio_file.h"
#include "editor_picture.h"
#include "options.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gui/editor.h"
#include "gui/editor_window.h"
#include "gui/window.h"
#include "model/sarvo_effect.h"
#include "platform/window_system.h"
#include "skin/sarvo_skin_factory.h"
#include "skin/skin_parser.h"

namespace {

// Runs an audio file through the effect in blocks of 512 frames with the editor open, as a host
// plays it, so that the wave displays have a history to show. Mono feeds both inputs.
bool feedAudio(AudioReader& reader, SarvoEffect& effect, std::string& message)
{
    const int channels = reader.info().channels;
    if (channels < 1) {
        message = "the audio file has no channels";
        return false;
    }
    constexpr int kBlock = 512;
    std::vector<double> interleaved(static_cast<std::size_t>(kBlock) * channels);
    std::vector<float> left(kBlock), right(kBlock);
    float* io[2] = {left.data(), right.data()};
    for (;;) {
        const std::int64_t n = reader.read(interleaved.data(), kBlock);
        if (n <= 0) break;
        for (std::int64_t i = 0; i < n; ++i) {
            left[i] = static_cast<float>(interleaved[i * channels]);
            right[i] = static_cast<float>(interleaved[i * channels + (channels > 1 ? 1 : 0)]);
        }
        effect.processReplacing(io, io, static_cast<VstInt32>(n));
    }
    return true;
}

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

int commandScreenshot(const std::vector<std::string>& args)
{
    CommonOptions options;
    std::string message;
    if (!parseOptions(args, {"--audio"}, {}, options, message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return 2;
    }
    if (options.positional.size() != 1) {
        std::fprintf(stderr, "usage: sarvo-host screenshot OUT.png [--plugin PATH] [NAME=VALUE ...] [--audio FILE]\n");
        return 2;
    }
    const std::string out = options.positional[0];

    // The state, from the loaded module.
    LoadedPlugin plugin;
    if (!preparePlugin(options, plugin)) return 1;
    void* bank = nullptr;
    const VstIntPtr bankSize = plugin.dispatch(effGetChunk, 0, 0, &bank);
    const VstIntPtr program = plugin.dispatch(effGetProgram);

    // The editor, from this program's own copy of the code.
    AudioReader audio;
    if (options.has("--audio") && !audio.open(options.value("--audio"), message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return 1;
    }
    std::unique_ptr<SarvoEffect> effect(new SarvoEffect(&quietHost));
    effect->setSampleRate(options.has("--audio") ? static_cast<float>(audio.info().sampleRate) : 44100.0f);
    if (bank && bankSize > 0) {
        std::vector<unsigned char> copy(static_cast<const unsigned char*>(bank),
                                        static_cast<const unsigned char*>(bank) + bankSize);
        effect->dispatcher(effSetChunk, 0, bankSize, copy.data(), 0.0f);
    }
    effect->dispatcher(effSetProgram, 0, program, nullptr, 0.0f);
    ZSkin* skin = nullptr;
    {
        SarvoSkinFactory factory(effect.get());
        skin = parseModuleSkin(&factory);
    }
    if (!skin) {
        std::fprintf(stderr, "sarvo-host: the built-in skin does not parse: the effect has no editor\n");
        return 1;
    }
    ZEditor* editor = new ZEditor(effect.get());
    editor->setSkin(skin);
    effect->setEditor(editor);

    FrameWindow frame;
    if (!frame.create(nullptr)) {
        std::fprintf(stderr, "sarvo-host: cannot make the host window\n");
        return 1;
    }
    ERect* rect = nullptr;
    effect->dispatcher(effEditGetRect, 0, 0, &rect, 0.0f);
    effect->dispatcher(effEditOpen, 0, 0, frame.handle(), 0.0f);
    const platform::WindowHandle window = editor->window() ? editor->window()->handle() : nullptr;
    if (!window) {
        std::fprintf(stderr, "sarvo-host: the editor window could not be made\n");
        return 1;
    }
    if (options.has("--audio")) {
        if (!feedAudio(audio, *effect, message)) {
            std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
            return 1;
        }
        platform::invalidateWindow(window);
    }
    platform::updateWindow(window);
    int32_t width = 0, height = 0;
    const uint32_t* pixels = platform::headless::windowPixels(window, width, height);
    if (!pixels) {
        std::fprintf(stderr, "sarvo-host: the editor painted nothing\n");
        return 1;
    }
    const bool ok = writePng(out, pixels, width, height, message);
    effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
    if (!ok) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return 1;
    }
    std::printf("%s: editor %d x %d (skin %d x %d and the credit strip)\n", out.c_str(), width, height,
                rect ? rect->right : 0, rect ? rect->bottom - 12 : 0);
    return 0;
}
