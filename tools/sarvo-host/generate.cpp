// sarvo-host generate: the built-in demo signal, a few seconds of material that clips.
#include "audio_file.h"
#include "options.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sndfile.h>
#include <vector>

namespace {

// A kick-like thump, a snare-like noise burst and hats over a bass line, peaking above full scale.
std::vector<double> demoSignal(int sampleRate, double seconds)
{
    const double pi = 3.14159265358979323846;
    const std::size_t frames = static_cast<std::size_t>(seconds * sampleRate);
    std::vector<double> out(frames * 2, 0.0);
    const double beat = 60.0 / 120.0;  // 120 bpm
    std::uint32_t noise = 0x12345678u;
    auto white = [&noise]() {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        return static_cast<double>(noise) / 2147483648.0 - 1.0;
    };
    static const double kBassNotes[] = {41.2, 41.2, 49.0, 36.7};  // E1 E1 G1 D1
    double bassPhase = 0.0, kickPhase = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double inBeat = std::fmod(t, beat);
        const int beatIndex = static_cast<int>(t / beat);
        // Bass: a saw-ish tone following the bar.
        const double f = kBassNotes[(beatIndex / 2) % 4];
        bassPhase += f / sampleRate;
        bassPhase -= std::floor(bassPhase);
        const double bass = 0.45 * (std::sin(2 * pi * bassPhase) + 0.3 * std::sin(4 * pi * bassPhase));
        // Kick on every beat: a falling sine with a fast decay.
        const double kf = 50.0 + 120.0 * std::exp(-inBeat * 30.0);
        kickPhase += kf / sampleRate;
        const double kick = 1.1 * std::sin(2 * pi * kickPhase) * std::exp(-inBeat * 7.0);
        // Snare on beats 2 and 4.
        const double snare = (beatIndex % 2 == 1) ? 0.7 * white() * std::exp(-inBeat * 18.0) : 0.0;
        // Hats on the off-beats.
        const double offBeat = std::fmod(t + beat / 2, beat);
        const double hat = 0.15 * white() * std::exp(-offBeat * 60.0);
        const double mono = bass + kick + snare;
        out[2 * i] = mono + hat * 0.8;
        out[2 * i + 1] = mono * 0.92 + hat;
    }
    return out;
}

}  // namespace

int commandGenerate(const std::vector<std::string>& args)
{
    CommonOptions options;
    std::string message;
    if (!parseCommandLine(args, {"--seconds", "--rate", "--channels", "--format", "--bits"}, {}, false, options,
                          message)) {
        printError(message);
        return kExitUsage;
    }
    if (options.positional.size() != 1) {
        printError("generate needs one output file (try generate --help)");
        return kExitUsage;
    }
    double seconds = 6.0;
    long rate = 44100, channels = 2;
    if (options.has("--seconds") && !parseNumber(options.value("--seconds"), 0.001, 600.0, seconds)) {
        printError("--seconds needs a number from 0.001 to 600, got '" + options.value("--seconds") + "'");
        return kExitUsage;
    }
    if (options.has("--rate") && !parseInteger(options.value("--rate"), 8000, 384000, rate)) {
        printError("--rate needs a whole number of Hz from 8000 to 384000, got '" + options.value("--rate") + "'");
        return kExitUsage;
    }
    if (options.has("--channels") && !parseInteger(options.value("--channels"), 1, 8, channels)) {
        printError("--channels needs a whole number from 1 to 8, got '" + options.value("--channels") + "'");
        return kExitUsage;
    }
    const std::string& path = options.positional[0];
    int format = 0;
    if (!chooseOutputFormat(path, options.value("--format"), options.value("--bits"), SF_FORMAT_WAV | SF_FORMAT_FLOAT,
                            format, message)) {
        printError(message);
        return kExitUsage;
    }
    AudioWriter writer;
    if (!writer.open(path, static_cast<int>(channels), static_cast<int>(rate), format, message)) {
        printError(message);
        return kExitFailed;
    }
    const std::vector<double> stereo = demoSignal(static_cast<int>(rate), seconds);
    const std::size_t frames = stereo.size() / 2;
    std::vector<double> signal(frames * channels);
    // Mono is the average of both sides; further channels repeat the stereo pair.
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            signal[i * channels + c] =
                channels == 1 ? 0.5 * (stereo[2 * i] + stereo[2 * i + 1]) : stereo[2 * i + (c % 2)];
    if (!writer.write(signal.data(), static_cast<std::int64_t>(frames), message) || !writer.finish(message)) {
        printError(message);
        return kExitFailed;
    }
    return kExitDone;
}
