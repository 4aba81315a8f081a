// sarvo-host render: runs an audio file through the plug-in in host-sized blocks.
#include "audio_file.h"
#include "levels.h"
#include "options.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

class Progress {
public:
    Progress(std::int64_t total, bool enabled) : total_(total), enabled_(enabled && total > 0) {}
    void update(std::int64_t done)
    {
        if (!enabled_) return;
        const int percent = static_cast<int>(100 * done / total_);
        if (percent == last_) return;
        last_ = percent;
        const int width = 40;
        const int filled = percent * width / 100;
        std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################", width - filled,
                     "", percent);
        std::fflush(stderr);
    }
    void done()
    {
        if (enabled_) std::fprintf(stderr, "\n");
    }

private:
    std::int64_t total_;
    bool enabled_;
    int last_ = -1;
};

bool parsePositive(const std::string& text, const char* what, long maxValue, long& out)
{
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v <= 0 || v > maxValue) {
        std::fprintf(stderr, "sarvo-host: %s needs a number from 1 to %ld, got '%s'\n", what, maxValue, text.c_str());
        return false;
    }
    out = v;
    return true;
}

}  // namespace

int commandRender(const std::vector<std::string>& args)
{
    CommonOptions options;
    std::string message;
    if (!parseOptions(args, {"--block", "--rate"}, {"--bypass", "--double", "--quiet"}, options, message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return 2;
    }
    if (options.positional.size() != 2) {
        std::fprintf(stderr, "sarvo-host: render needs an input and an output file (try --help)\n");
        return 2;
    }
    const std::string inPath = options.positional[0];
    const std::string outPath = options.positional[1];
    long block = 512;
    if (options.has("--block") && !parsePositive(options.value("--block"), "--block", 1 << 20, block)) return 2;

    AudioReader reader;
    if (!reader.open(inPath, message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return 1;
    }
    const AudioInfo& info = reader.info();
    if (info.channels < 1 || info.channels > 2) {
        std::fprintf(stderr, "sarvo-host: '%s' has %d channels; the plug-in takes mono or stereo\n", inPath.c_str(),
                     info.channels);
        return 1;
    }
    long rate = info.sampleRate;
    if (options.has("--rate") && !parsePositive(options.value("--rate"), "--rate", 10000000, rate)) return 2;

    LoadedPlugin plugin;
    if (!preparePlugin(options, plugin)) return 1;
    AEffect* e = plugin.effect();
    const bool useDouble = options.has("--double");
    if (useDouble && !(e->flags & effFlagsCanDoubleReplacing)) {
        std::fprintf(stderr, "sarvo-host: the plug-in does not process doubles\n");
        return 1;
    }
    if (options.has("--bypass")) plugin.dispatch(effSetBypass, 0, 1);
    if (!saveChunks(options, plugin)) return 1;

    AudioWriter writer;
    if (!writer.open(outPath, info.channels, info.sampleRate, info.format, message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return 1;
    }

    plugin.start(static_cast<float>(rate), static_cast<int>(block));
    const int channels = info.channels;
    std::vector<double> inBuf(static_cast<std::size_t>(block) * channels), outBuf(inBuf.size());
    std::vector<float> fIn[2], fOut[2];
    std::vector<double> dIn[2], dOut[2];
    for (int c = 0; c < 2; ++c) {
        fIn[c].resize(block);
        fOut[c].resize(block);
        dIn[c].resize(block);
        dOut[c].resize(block);
    }
    Levels inLevels(channels), outLevels(channels);
    Progress progress(info.frames, isatty(2) && !options.has("--quiet") && info.frames > 10 * info.sampleRate);
    std::int64_t done = 0;
    bool ok = true;
    for (;;) {
        const std::int64_t n = reader.read(inBuf.data(), block);
        if (n <= 0) break;
        const VstInt32 frames = static_cast<VstInt32>(n);
        for (VstInt32 i = 0; i < frames; ++i) {
            for (int c = 0; c < 2; ++c) {
                const double x = inBuf[i * channels + (c < channels ? c : 0)];
                dIn[c][i] = x;
                fIn[c][i] = static_cast<float>(x);
            }
        }
        if (useDouble) {
            double* ins[2] = {dIn[0].data(), dIn[1].data()};
            double* outs[2] = {dOut[0].data(), dOut[1].data()};
            e->processDoubleReplacing(e, ins, outs, frames);
        } else {
            float* ins[2] = {fIn[0].data(), fIn[1].data()};
            float* outs[2] = {fOut[0].data(), fOut[1].data()};
            e->processReplacing(e, ins, outs, frames);
        }
        for (VstInt32 i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c)
                outBuf[i * channels + c] = useDouble ? dOut[c][i] : static_cast<double>(fOut[c][i]);
        inLevels.add(inBuf.data(), frames);
        outLevels.add(outBuf.data(), frames);
        if (!writer.write(outBuf.data(), n, message)) {
            ok = false;
            break;
        }
        done += n;
        progress.update(done);
    }
    progress.done();
    plugin.stop();
    if (!ok || !writer.finish(message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return 1;
    }
    if (!options.has("--quiet")) {
        std::printf("%s -> %s: %lld frames, %d channel%s, %ld Hz, %s, block %ld\n", inPath.c_str(), outPath.c_str(),
                    static_cast<long long>(done), channels, channels == 1 ? "" : "s", rate,
                    useDouble ? "double" : "float", block);
        printLevels(inLevels, outLevels);
    }
    return 0;
}
