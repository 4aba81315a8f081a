#pragma once
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

inline void printLevels(const Levels& in, const Levels& out)
{
    static const char* const kNames[] = {"left", "right"};
    std::printf("  channel      peak in   peak out     rms in    rms out\n");
    for (int c = 0; c < in.channels(); ++c) {
        const char* name = in.channels() == 1 ? "mono" : kNames[c];
        std::printf("  %-7s  %7.2f dB %7.2f dB %7.2f dB %7.2f dB\n", name, toDb(in.peak(c)), toDb(out.peak(c)),
                    toDb(in.rms(c)), toDb(out.rms(c)));
    }
}
