// sarvo-host generate: the built-in demo signal, a few seconds of material that clips.
#include "audio_file.h"
#include "options.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
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
    if (!parseOptions(args, {"--seconds", "--rate", "--channels"}, {}, options, message) ||
        options.positional.size() != 1) {
        std::fprintf(stderr, "sarvo-host: generate needs one output file%s%s\n", message.empty() ? "" : ": ",
                     message.c_str());
        return 2;
    }
    const double seconds = std::atof(options.value("--seconds", "6").c_str());
    const int rate = std::atoi(options.value("--rate", "44100").c_str());
    if (!(seconds > 0 && seconds <= 600) || rate < 8000 || rate > 384000) {
        std::fprintf(stderr, "sarvo-host: --seconds must be 0..600 and --rate 8000..384000\n");
        return 2;
    }
    const int channels = std::atoi(options.value("--channels", "2").c_str());
    if (channels < 1 || channels > 8) {
        std::fprintf(stderr, "sarvo-host: --channels must be 1..8\n");
        return 2;
    }
    const std::vector<double> stereo = demoSignal(rate, seconds);
    std::vector<double> signal;
    if (channels == 2) {
        signal = stereo;
    } else {
        // Mono is the average of both sides; further channels repeat the stereo pair.
        const std::size_t frames = stereo.size() / 2;
        signal.resize(frames * channels);
        for (std::size_t i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c)
                signal[i * channels + c] =
                    channels == 1 ? 0.5 * (stereo[2 * i] + stereo[2 * i + 1]) : stereo[2 * i + (c % 2)];
    }
    if (!writeWav(options.positional[0], signal, channels, rate, message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return 1;
    }
    return 0;
}
