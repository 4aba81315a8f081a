#pragma once
// The signal the CLAP and LV2 tests render through the plug-in and through the VST 2.x module:
// bursts above full scale (every other 3000 frames) over noise, worked out in float.
#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

struct Stereo {
    std::vector<float> l, r;
};

inline Stereo burstSignal(std::size_t frames, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> noise(-0.3f, 0.3f);
    Stereo s{std::vector<float>(frames), std::vector<float>(frames)};
    for (std::size_t i = 0; i < frames; ++i) {
        const float burst = static_cast<float>((i / 3000) % 2 ? 1.8 : 0.4);
        s.l[i] = burst * static_cast<float>(std::sin(i * 0.031)) + noise(rng);
        s.r[i] = burst * static_cast<float>(std::cos(i * 0.017)) + noise(rng);
    }
    return s;
}
