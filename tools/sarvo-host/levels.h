#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

// Peak and RMS per channel of interleaved audio.
class Levels {
public:
    explicit Levels(int channels) : peak_(channels, 0.0), sumSquares_(channels, 0.0) {}
    void add(const double* interleaved, std::int64_t frames)
    {
        const int channels = static_cast<int>(peak_.size());
        for (std::int64_t i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c) {
                const double x = interleaved[i * channels + c];
                peak_[c] = std::fmax(peak_[c], std::fabs(x));
                sumSquares_[c] += x * x;
            }
        frames_ += frames;
    }
    int channels() const { return static_cast<int>(peak_.size()); }
    double peak(int c) const { return peak_[c]; }
    double rms(int c) const { return frames_ ? std::sqrt(sumSquares_[c] / frames_) : 0.0; }

private:
    std::vector<double> peak_, sumSquares_;
    std::int64_t frames_ = 0;
};

inline double toDb(double x) { return x > 0 ? 20.0 * std::log10(x) : -INFINITY; }

// One line per channel; a mono input shown against every output channel.
inline void printLevels(FILE* out, const Levels& in, const Levels& outLevels)
{
    static const char* const kNames[] = {"left", "right"};
    const int channels = std::max(in.channels(), outLevels.channels());
    std::fprintf(out, "  channel      peak in   peak out     rms in    rms out\n");
    for (int c = 0; c < channels; ++c) {
        char name[16];
        if (channels == 1)
            std::snprintf(name, sizeof name, "mono");
        else if (channels == 2)
            std::snprintf(name, sizeof name, "%s", kNames[c]);
        else
            std::snprintf(name, sizeof name, "ch%d", c + 1);
        const int i = std::min(c, in.channels() - 1), o = std::min(c, outLevels.channels() - 1);
        std::fprintf(out, "  %-7s  %7.2f dB %7.2f dB %7.2f dB %7.2f dB\n", name, toDb(in.peak(i)),
                     toDb(outLevels.peak(o)), toDb(in.rms(i)), toDb(outLevels.rms(o)));
    }
}
