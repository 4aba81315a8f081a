// Min/max envelope history of one channel: 300 entries of input and output
// bounds spanning 15 seconds at any sample rate.
//
// The audio thread pushes, the editor's wave display reads, and closing the
// editor clears, all without a lock. Every field that more than one thread
// touches while audio runs is therefore a lock-free atomic used with relaxed
// ordering (plain loads and stores on x86); the write position and the entry
// counter are published with release ordering after the entry's four values,
// so a reader that loads `entriesWritten` with acquire ordering sees them.
// `length`, the array pointers and `samplesPerEntry` change only in
// `configure`, which the host does not run while processing.
#pragma once

#include <atomic>
#include <cstdint>

struct ZHistory {
    static constexpr int32_t kEntries = 300;

    int32_t length = 0;  // 0 until the first successful configure, then 300
    std::atomic<double>* inputMin = nullptr;
    std::atomic<double>* inputMax = nullptr;
    std::atomic<double>* outputMin = nullptr;
    std::atomic<double>* outputMax = nullptr;
    std::atomic<int32_t> writePosition{0};
    std::atomic<double> runningInputMin{0.0};
    std::atomic<double> runningInputMax{0.0};
    std::atomic<double> runningOutputMin{0.0};
    std::atomic<double> runningOutputMax{0.0};
    int32_t samplesPerEntry = 0;
    std::atomic<int32_t> samplesInEntry{0};
    std::atomic<int32_t> entriesWritten{0};

    ZHistory() = default;
    ~ZHistory();
    ZHistory(const ZHistory&) = delete;
    ZHistory& operator=(const ZHistory&) = delete;

    // Allocates the arrays on first use (keeps them afterwards), sets the
    // entry length for the rate and clears. If allocation fails the record
    // stays empty (length 0) and pushes store nothing.
    void configure(double sampleRate);
    // Empties the record without freeing anything.
    void clear();
    // Adds one frame's pair; completes an entry every samplesPerEntry pushes.
    void push(double input, double output);
    // Frees the arrays; length and pointers back to 0.
    void release();

    // Readers: index of the entry k places back from the newest (k = 0 the
    // newest), and the four values of an entry.
    int32_t indexBack(int32_t k) const;
    double inputMinAt(int32_t index) const { return inputMin[index].load(std::memory_order_relaxed); }
    double inputMaxAt(int32_t index) const { return inputMax[index].load(std::memory_order_relaxed); }
    double outputMinAt(int32_t index) const { return outputMin[index].load(std::memory_order_relaxed); }
    double outputMaxAt(int32_t index) const { return outputMax[index].load(std::memory_order_relaxed); }
};

// Entry length for a rate: (rate * 15) * (1 / 300) truncated toward zero;
// rates that are not positive numbers give 0, huge rates saturate.
int32_t historySamplesPerEntry(double sampleRate);
