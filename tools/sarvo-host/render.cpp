// sarvo-host render: runs an audio file through the plug-in in host-sized blocks.
#include "audio_file.h"
#include "levels.h"
#include "options.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr VstInt32 kPrecision64 = 1;

class Progress {
public:
    Progress(std::int64_t total, bool enabled) : total_(total), enabled_(enabled && total > 0) {}
    void update(std::int64_t done)
    {
        if (!enabled_) return;
        const int percent = static_cast<int>(100 * std::min(done, total_) / total_);
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

}  // namespace

int commandRender(const std::vector<std::string>& args)
{
    CommonOptions options;
    std::string message;
    if (!parseOptions(args, {"--block", "--format", "--bits"}, {"--bypass", "--double", "--quiet"}, options, message)) {
        printError(message);
        return kExitUsage;
    }
    if (options.positional.size() != 2) {
        printError("render needs an input and an output file (try render --help)");
        return kExitUsage;
    }
    const std::string inPath = options.positional[0];
    const std::string outPath = options.positional[1];
    long block = 512;
    if (options.has("--block") && !parseInteger(options.value("--block"), 1, 1 << 16, block)) {
        printError("--block needs a whole number of frames from 1 to 65536, got '" + options.value("--block") + "'");
        return kExitUsage;
    }

    AudioReader reader;
    if (!reader.open(inPath, message)) {
        printError(message);
        return kExitFailed;
    }
    const AudioInfo& info = reader.info();
    int format = 0;
    if (!chooseOutputFormat(outPath, options.value("--format"), options.value("--bits"), info.format, format,
                            message)) {
        printError(message);
        return kExitUsage;
    }
    SaveOutputs saves;
    if (const int rc = openSaveOutputs(options, saves)) return rc;

    LoadedPlugin plugin;
    if (const int rc = preparePluginState(options, plugin)) return rc;
    AEffect* e = plugin.effect();
    const int inputs = e->numInputs, outputs = e->numOutputs;
    const int channels = info.channels;
    // A file with as many channels as the plug-in has inputs, or a mono file copied to every input.
    if (!(channels == inputs || (channels == 1 && inputs >= 1))) {
        printError("'" + inPath + "' has " + std::to_string(channels) + " channel" + (channels == 1 ? "" : "s") +
                   "; the plug-in takes " + std::to_string(inputs) + (inputs == 1 ? "" : " (or mono)"));
        return kExitFailed;
    }
    const int outChannels = channels == inputs ? outputs : 1;
    if (outChannels < 1) {
        printError("the plug-in has no outputs");
        return kExitFailed;
    }
    const bool useDouble = options.has("--double");
    if (useDouble && !(e->flags & effFlagsCanDoubleReplacing)) {
        printError("the plug-in does not process doubles (no --double)");
        return kExitFailed;
    }
    if (!useDouble && !(e->flags & effFlagsCanReplacing) && !e->process) {
        printError("the plug-in has no processing entry");
        return kExitFailed;
    }
    if (options.has("--bypass") && plugin.dispatch(effCanDo, 0, 0, const_cast<char*>("bypass")) <= 0) {
        printError("the plug-in does not offer bypass (no --bypass)");
        return kExitFailed;
    }
    if (!saveChunks(options, plugin, saves)) return kExitFailed;

    AudioWriter writer;
    if (!writer.open(outPath, outChannels, info.sampleRate, format, message)) {
        printError(message);
        return kExitFailed;
    }
    if (options.has("--bypass")) plugin.dispatch(effSetBypass, 0, 1);
    plugin.dispatch(effSetProcessPrecision, 0, useDouble ? kPrecision64 : 0);
    plugin.start(static_cast<float>(info.sampleRate), static_cast<int>(block));

    const std::size_t frames = static_cast<std::size_t>(block);
    const int lanes = std::max(inputs, outputs);
    std::vector<double> inBuf(frames * channels), outBuf(frames * outChannels);
    std::vector<std::vector<float>> fIn(lanes, std::vector<float>(frames)), fOut(lanes, std::vector<float>(frames));
    std::vector<std::vector<double>> dIn(lanes, std::vector<double>(frames)), dOut(lanes, std::vector<double>(frames));
    std::vector<float*> fInPtr(lanes), fOutPtr(lanes);
    std::vector<double*> dInPtr(lanes), dOutPtr(lanes);
    for (int c = 0; c < lanes; ++c) {
        fInPtr[c] = fIn[c].data();
        fOutPtr[c] = fOut[c].data();
        dInPtr[c] = dIn[c].data();
        dOutPtr[c] = dOut[c].data();
    }
    Levels inLevels(channels), outLevels(outChannels);
    Progress progress(info.frames, isatty(2) && !options.has("--quiet") && info.frames > 10 * info.sampleRate);
    std::int64_t done = 0;
    bool ok = true;
    for (;;) {
        const std::int64_t n = reader.read(inBuf.data(), block);
        if (n <= 0) break;
        const VstInt32 count = static_cast<VstInt32>(n);
        for (int c = 0; c < inputs; ++c)
            for (VstInt32 i = 0; i < count; ++i) {
                const double x = inBuf[static_cast<std::size_t>(i) * channels + (channels == 1 ? 0 : c)];
                dIn[c][i] = x;
                fIn[c][i] = static_cast<float>(x);
            }
        if (useDouble) {
            e->processDoubleReplacing(e, dInPtr.data(), dOutPtr.data(), count);
        } else if (e->flags & effFlagsCanReplacing) {
            e->processReplacing(e, fInPtr.data(), fOutPtr.data(), count);
        } else {
            for (int c = 0; c < outputs; ++c) std::fill(fOut[c].begin(), fOut[c].end(), 0.0f);
            e->process(e, fInPtr.data(), fOutPtr.data(), count);
        }
        for (VstInt32 i = 0; i < count; ++i)
            for (int c = 0; c < outChannels; ++c)
                outBuf[static_cast<std::size_t>(i) * outChannels + c] =
                    useDouble ? dOut[c][i] : static_cast<double>(fOut[c][i]);
        inLevels.add(inBuf.data(), count);
        outLevels.add(outBuf.data(), count);
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
        printError(message);
        return kExitFailed;
    }
    if (!options.has("--quiet")) {
        FILE* out = options.writesStdout() ? stderr : stdout;
        std::fprintf(out, "%s -> %s: %lld frames, %d channel%s, %d Hz, %s, %s, block %ld\n", inPath.c_str(),
                     outPath.c_str(), static_cast<long long>(done), outChannels, outChannels == 1 ? "" : "s",
                     info.sampleRate, describeFormat(format).c_str(), useDouble ? "double" : "float", block);
        printLevels(out, inLevels, outLevels);
    }
    return kExitDone;
}
