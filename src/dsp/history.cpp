#include "dsp/history.h"

#include <new>

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr double kLargestDouble = 1.7976931348623157e308;
constexpr double kLargestFloat = 3.4028234663852886e38;

std::atomic<double>* allocateArray() { return new (std::nothrow) std::atomic<double>[ZHistory::kEntries]; }

}  // namespace

int32_t historySamplesPerEntry(double sampleRate)
{
    const double n = (sampleRate * 15.0) * (1.0 / 300.0);
    if (!(n >= 1.0)) return 0;  // also NaN and negative rates
    if (n >= 2147483647.0) return 2147483647;
    return static_cast<int32_t>(n);
}

ZHistory::~ZHistory() { release(); }

void ZHistory::release()
{
    delete[] inputMin;
    delete[] inputMax;
    delete[] outputMin;
    delete[] outputMax;
    inputMin = inputMax = outputMin = outputMax = nullptr;
    length = 0;
}

void ZHistory::configure(double sampleRate)
{
    if (length != kEntries) {
        release();
        inputMin = allocateArray();
        inputMax = allocateArray();
        outputMin = allocateArray();
        outputMax = allocateArray();
        if (inputMin && inputMax && outputMin && outputMax) {
            length = kEntries;
        } else {
            release();
        }
    }
    samplesPerEntry = historySamplesPerEntry(sampleRate);
    clear();
}

void ZHistory::clear()
{
    for (int32_t i = 0; i < length; ++i) {
        inputMin[i].store(0.0, kRelaxed);
        inputMax[i].store(0.0, kRelaxed);
        outputMin[i].store(0.0, kRelaxed);
        outputMax[i].store(0.0, kRelaxed);
    }
    writePosition.store(0, kRelaxed);
    runningInputMin.store(kLargestDouble, kRelaxed);
    runningInputMax.store(-kLargestDouble, kRelaxed);
    runningOutputMin.store(kLargestDouble, kRelaxed);
    runningOutputMax.store(-kLargestDouble, kRelaxed);
    samplesInEntry.store(0, kRelaxed);
    entriesWritten.store(0, std::memory_order_release);
}

void ZHistory::push(double input, double output)
{
    if (input < runningInputMin.load(kRelaxed)) runningInputMin.store(input, kRelaxed);
    if (input > runningInputMax.load(kRelaxed)) runningInputMax.store(input, kRelaxed);
    if (output < runningOutputMin.load(kRelaxed)) runningOutputMin.store(output, kRelaxed);
    if (output > runningOutputMax.load(kRelaxed)) runningOutputMax.store(output, kRelaxed);

    const int32_t count = samplesInEntry.load(kRelaxed) + 1;
    if (count < samplesPerEntry) {
        samplesInEntry.store(count, kRelaxed);
        return;
    }

    if (length > 0) {
        int32_t pos = writePosition.load(kRelaxed);
        if (pos < 0 || pos >= length) pos = 0;
        inputMin[pos].store(runningInputMin.load(kRelaxed), kRelaxed);
        inputMax[pos].store(runningInputMax.load(kRelaxed), kRelaxed);
        outputMin[pos].store(runningOutputMin.load(kRelaxed), kRelaxed);
        outputMax[pos].store(runningOutputMax.load(kRelaxed), kRelaxed);
        ++pos;
        if (pos >= length) pos = 0;
        const uint32_t written = static_cast<uint32_t>(entriesWritten.load(kRelaxed)) + 1u;
        writePosition.store(pos, std::memory_order_release);
        entriesWritten.store(static_cast<int32_t>(written & 0x7fffffffu), std::memory_order_release);
    }

    runningInputMin.store(kLargestFloat, kRelaxed);
    runningInputMax.store(-kLargestFloat, kRelaxed);
    runningOutputMin.store(kLargestFloat, kRelaxed);
    runningOutputMax.store(-kLargestFloat, kRelaxed);
    samplesInEntry.store(0, kRelaxed);
}

int32_t ZHistory::indexBack(int32_t k) const
{
    if (length <= 0) return 0;
    k %= length;
    if (k < 0) k += length;
    int32_t i = writePosition.load(std::memory_order_acquire) - k - 1;
    if (i < 0) i += length;
    return i;
}
