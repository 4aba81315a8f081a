// screenshot: opens the loaded module's own editor in a window on an X server, as a Linux host
// shows it, reads the window back and writes a PNG.
//
// With --scale S the editor is shown at the scale S (1 to 3). The VST 2.x module always shows its
// editor at scale 1 (the size it answers is fixed, and VST 2.x hosts scale editors themselves), so
// the picture at a scale comes from Sarvo's own plug-in code linked into this program, through the
// format-neutral interface every other front uses (plugin/plugin.h): the module is loaded and set
// up as usual (presets, settings), its bank and current program are handed over as the plug-in's
// state, and the linked plug-in opens its editor at the scale (and plays the --audio file). At
// --scale 1 this gives the module's own picture, pixel for pixel.
//
// The X server is the one --display names, else $DISPLAY, else an Xvfb started for the picture
// (and stopped afterwards). libX11 is loaded at run time, like the module does.
#include "audio_file.h"
#include "editor_picture.h"
#include "options.h"

#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/x11_abi.h"
#include "plugin/plugin.h"

namespace {

using x11abi::Display;
using x11abi::Window;
using x11abi::XImage;

// The few Xlib calls of the picture taker.
struct Xlib {
    Display* (*openDisplay)(const char*) = nullptr;
    int (*closeDisplay)(Display*) = nullptr;
    Window (*defaultRootWindow)(Display*) = nullptr;
    Window (*createSimpleWindow)(Display*, Window, int, int, unsigned, unsigned, unsigned, unsigned long,
                                 unsigned long) = nullptr;
    int (*mapWindow)(Display*, Window) = nullptr;
    int (*destroyWindow)(Display*, Window) = nullptr;
    int (*sync)(Display*, int) = nullptr;
    XImage* (*getImage)(Display*, Window, int, int, unsigned, unsigned, unsigned long, int) = nullptr;
    int (*destroyImage)(XImage*) = nullptr;
    int (*defaultScreen)(Display*) = nullptr;
    int (*displayWidth)(Display*, int) = nullptr;
    int (*displayHeight)(Display*, int) = nullptr;

    bool load(std::string& message)
    {
        void* lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            message = "libX11.so.6 cannot be loaded";
            return false;
        }
        bool ok = true;
        auto get = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
            ok &= fn != nullptr;
        };
        get(openDisplay, "XOpenDisplay");
        get(closeDisplay, "XCloseDisplay");
        get(defaultRootWindow, "XDefaultRootWindow");
        get(createSimpleWindow, "XCreateSimpleWindow");
        get(mapWindow, "XMapWindow");
        get(destroyWindow, "XDestroyWindow");
        get(sync, "XSync");
        get(getImage, "XGetImage");
        get(destroyImage, "XDestroyImage");
        get(defaultScreen, "XDefaultScreen");
        get(displayWidth, "XDisplayWidth");
        get(displayHeight, "XDisplayHeight");
        if (!ok) message = "libX11.so.6 lacks a function the screenshot needs";
        return ok;
    }
};

// An Xvfb of our own on the first free display number.
class OwnServer {
public:
    ~OwnServer() { stop(); }
    bool start(Xlib& x, std::string& name, std::string& message)
    {
        for (int n = 90; n < 140; ++n) {
            struct stat st;
            if (stat(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), &st) == 0) continue;
            if (stat(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), &st) == 0) continue;
            name = ":" + std::to_string(n);
            pid_ = fork();
            if (pid_ == 0) {
                std::freopen("/dev/null", "w", stderr);
                std::freopen("/dev/null", "w", stdout);
                // Room for the editor at the largest scale (1206 x 999).
                execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1600x1200x24", "-nolisten", "tcp", "-noreset",
                       static_cast<char*>(nullptr));
                _exit(127);
            }
            if (pid_ < 0) break;
            for (int i = 0; i < 100; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                int status = 0;
                if (waitpid(pid_, &status, WNOHANG) == pid_) {
                    pid_ = -1;
                    break;
                }
                if (Display* d = x.openDisplay(name.c_str())) {
                    x.closeDisplay(d);
                    return true;
                }
            }
            stop();
        }
        message = "no X server: --display and DISPLAY are not set and Xvfb could not be started";
        return false;
    }
    void stop()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

// Plays an audio file in blocks of 512 frames through `process(float** io, int frames)`, as a
// host does while the editor is open, so that the wave displays have a history to show. Mono feeds
// both inputs.
template <class Process>
bool feedAudio(AudioReader& reader, std::string& message, Process process)
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
        process(io, static_cast<int>(n));
    }
    return true;
}

// Idle calls (`idle()`) as a host's user-interface loop makes them, long enough for the repaint
// throttle.
template <class Idle>
void idleFor(int milliseconds, Idle idle)
{
    for (int t = 0; t < milliseconds; t += 10) {
        idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    idle();
}

// The linked plug-in with the module's state: its bank chunk and current program in the layout of
// plugin.h. Null with a message when the module's state does not fit (another plug-in).
std::unique_ptr<sarvo::Plugin> linkedPlugin(LoadedPlugin& module, std::string& message)
{
    std::unique_ptr<sarvo::Plugin> plugin(sarvo::createPlugin());
    if (!plugin || !plugin->hasEditor()) {
        message = "Sarvo's editor could not be made in this program";
        return nullptr;
    }
    const std::vector<unsigned char> bank = module.chunk(false);
    const VstIntPtr program = module.dispatch(effGetProgram);
    std::vector<unsigned char> state = {'S', 'r', 'v', 'S'};
    for (int i = 0; i < 4; ++i) state.push_back(static_cast<unsigned char>(sarvo::Plugin::kStateVersion >> (8 * i)));
    state.insert(state.end(), bank.begin(), bank.end());
    for (int i = 0; i < 4; ++i) state.push_back(static_cast<unsigned char>(static_cast<uint32_t>(program) >> (8 * i)));
    if (bank.empty() || !plugin->loadState(state.data(), state.size())) {
        message = "--scale shows Sarvo's own editor, and the module's state is not Sarvo's";
        return nullptr;
    }
    return plugin;
}

// The window's pixels as 0x00RRGGBB; empty when the window cannot be read back.
std::vector<uint32_t> readBack(Xlib& x, Display* d, Window w, int width, int height)
{
    std::vector<uint32_t> pixels;
    x.sync(d, 0);
    XImage* image =
        x.getImage(d, w, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), ~0ul, x11abi::ZPixmap);
    if (image && image->bits_per_pixel == 32) {
        pixels.resize(static_cast<std::size_t>(width) * height);
        for (int row = 0; row < height; ++row) {
            const uint32_t* src =
                reinterpret_cast<const uint32_t*>(image->data + static_cast<std::size_t>(row) * image->bytes_per_line);
            for (int col = 0; col < width; ++col)
                pixels[static_cast<std::size_t>(row) * width + col] = src[col] & 0xFFFFFFu;
        }
    }
    if (image) x.destroyImage(image);
    return pixels;
}

// The picture at a scale, from the linked plug-in (see the top of this file).
int scaledPicture(const CommonOptions& options, LoadedPlugin& module, double scale, AudioReader& audio, Xlib& x,
                  Display* d, const std::string& display, const std::string& out)
{
    std::string message;
    std::unique_ptr<sarvo::Plugin> plugin = linkedPlugin(module, message);
    uint32_t width = 0, height = 0;
    if (plugin && !(plugin->setEditorScale(scale) && plugin->editorSize(width, height))) {
        message = "the editor cannot be shown at that scale";
        plugin.reset();
    }
    // A window is read back only where it lies on the screen.
    const int screenWidth = x.displayWidth(d, x.defaultScreen(d));
    const int screenHeight = x.displayHeight(d, x.defaultScreen(d));
    if (plugin && (static_cast<int>(width) > screenWidth || static_cast<int>(height) > screenHeight)) {
        char text[160];
        std::snprintf(text, sizeof text, "the editor at scale %g (%u x %u) does not fit on the screen of ", scale, width,
                      height);
        message = text + display + " (" + std::to_string(screenWidth) + " x " + std::to_string(screenHeight) + ")";
        plugin.reset();
    }
    if (!plugin) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return 1;
    }
    const Window frame = x.createSimpleWindow(d, x.defaultRootWindow(d), 0, 0, width, height, 0, 0, 0);
    x.mapWindow(d, frame);
    x.sync(d, 0);
    int result = 1;
    if (!plugin->openEditor(reinterpret_cast<void*>(frame))) {
        std::fprintf(stderr, "sarvo-host: the editor did not open on %s\n", display.c_str());
    } else {
        idleFor(20, [&] { plugin->editorIdle(); });
        bool fed = true;
        if (options.has("--audio")) {
            plugin->setSampleRate(audio.info().sampleRate);
            plugin->setMaxBlockSize(512);
            plugin->activate();
            fed = feedAudio(audio, message, [&](float** io, int n) { plugin->process(io, io, static_cast<uint32_t>(n)); });
            idleFor(60, [&] { plugin->editorIdle(); });
            plugin->deactivate();
        }
        const std::vector<uint32_t> pixels =
            fed ? readBack(x, d, frame, static_cast<int>(width), static_cast<int>(height)) : std::vector<uint32_t>();
        if (!fed) {
            std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        } else if (pixels.empty()) {
            std::fprintf(stderr, "sarvo-host: the window could not be read back\n");
        } else if (writePng(out, pixels.data(), static_cast<int32_t>(width), static_cast<int32_t>(height), message)) {
            std::printf("%s: editor %u x %u at scale %g\n", out.c_str(), width, height, scale);
            result = 0;
        } else {
            std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        }
        plugin->closeEditor();
    }
    x.destroyWindow(d, frame);
    x.sync(d, 0);
    return result;
}

}  // namespace

int commandScreenshot(const std::vector<std::string>& args)
{
    CommonOptions options;
    std::string message;
    if (!parseOptions(args, {"--audio", "--display", "--scale"}, {}, options, message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return 2;
    }
    if (options.positional.size() != 1) {
        std::fprintf(stderr,
                     "usage: sarvo-host screenshot OUT.png [--plugin PATH] [NAME=VALUE ...] [--audio FILE] "
                     "[--display NAME] [--scale S]\n");
        return 2;
    }
    double scale = 1.0;
    if (options.has("--scale") && !parseNumber(options.value("--scale"), 1.0, 3.0, scale)) {
        std::fprintf(stderr, "sarvo-host: --scale takes a number from 1 to 3, not '%s'\n",
                     options.value("--scale").c_str());
        return 2;
    }
    const std::string out = options.positional[0];
    AudioReader audio;
    if (options.has("--audio") && !audio.open(options.value("--audio"), message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return 1;
    }

    Xlib x;
    if (!x.load(message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return 1;
    }
    OwnServer server;
    std::string display;
    const char* env = std::getenv("DISPLAY");
    if (options.has("--display")) {
        display = options.value("--display");
        std::printf("X server: %s (--display)\n", display.c_str());
    } else if (env && *env) {
        display = env;
        std::printf("X server: %s (DISPLAY)\n", display.c_str());
    } else {
        if (!server.start(x, display, message)) {
            std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
            return 1;
        }
        std::printf("X server: %s (an Xvfb of its own)\n", display.c_str());
    }
    // The module opens its own connection to the same server.
    setenv("DISPLAY", display.c_str(), 1);
    Display* d = x.openDisplay(display.c_str());
    if (!d) {
        std::fprintf(stderr, "sarvo-host: cannot open the X display %s\n", display.c_str());
        return 1;
    }

    int result = 1;
    {
        LoadedPlugin plugin;
        if (options.has("--scale")) {
            if (preparePlugin(options, plugin)) result = scaledPicture(options, plugin, scale, audio, x, d, display, out);
        } else if (preparePlugin(options, plugin)) {
            ERect* rect = nullptr;
            plugin.dispatch(effEditGetRect, 0, 0, &rect);
            const int width = rect ? rect->right - rect->left : 0;
            const int height = rect ? rect->bottom - rect->top : 0;
            const Window frame = x.createSimpleWindow(d, x.defaultRootWindow(d), 0, 0, width > 0 ? width : 1,
                                                      height > 0 ? height : 1, 0, 0, 0);
            x.mapWindow(d, frame);
            x.sync(d, 0);
            if (width < 1 || height < 1) {
                std::fprintf(stderr, "sarvo-host: the module has no editor\n");
            } else if (plugin.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(frame)) != 1) {
                std::fprintf(stderr, "sarvo-host: the module's editor did not open on %s\n", display.c_str());
            } else {
                idleFor(20, [&] { plugin.dispatch(effEditIdle); });
                bool fed = true;
                if (options.has("--audio")) {
                    plugin.start(static_cast<float>(audio.info().sampleRate), 512);
                    fed = feedAudio(audio, message, [&](float** io, int n) {
                        AEffect* e = plugin.effect();
                        e->processReplacing(e, io, io, static_cast<VstInt32>(n));
                    });
                    idleFor(60, [&] { plugin.dispatch(effEditIdle); });
                }
                const std::vector<uint32_t> pixels = fed ? readBack(x, d, frame, width, height) : std::vector<uint32_t>();
                if (!fed) {
                    std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
                } else if (pixels.empty()) {
                    std::fprintf(stderr, "sarvo-host: the window could not be read back\n");
                } else if (writePng(out, pixels.data(), width, height, message)) {
                    std::printf("%s: editor %d x %d (skin %d x %d and the credit strip)\n", out.c_str(), width, height,
                                width, height - 12);
                    result = 0;
                } else {
                    std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
                }
                if (options.has("--audio")) plugin.stop();
                plugin.dispatch(effEditClose);
            }
            x.destroyWindow(d, frame);
            x.sync(d, 0);
        }
    }
    x.closeDisplay(d);
    return result;
}
