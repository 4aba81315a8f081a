#include "model/program_store.h"

#include <cstring>
#include <thread>

namespace {

const int kFirstValueOffset = ZProgramStore::kNameSize;

void putDouble(unsigned char* at, double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(bits >> (8 * i));
}

double getDouble(const unsigned char* at)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint64_t bitsOf(double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Writes a text made elsewhere into the words of a cache cell, cut to size - 1 characters and
// terminated, the rest of the cell zero.
template <int Words>
void putWords(std::atomic<std::uint64_t> (&words)[Words], const char* text, int size)
{
    char bytes[Words * 8] = {};
    std::size_t len = std::strlen(text);
    if (len > static_cast<std::size_t>(size - 1)) len = static_cast<std::size_t>(size - 1);
    std::memcpy(bytes, text, len);
    for (int w = 0; w < Words; ++w) {
        std::uint64_t word;
        std::memcpy(&word, bytes + 8 * w, 8);
        words[w].store(word, std::memory_order_relaxed);
    }
}

}  // namespace

ZProgramStore::ZProgramStore() = default;
ZProgramStore::~ZProgramStore() = default;

void ZProgramStore::build(int programCount, const std::vector<ZParameter*>& parameters)
{
    programCount_ = programCount > 0 ? programCount : 0;
    parameters_ = parameters;
    parameterCount_ = static_cast<int>(parameters_.size());
    cellCount_ = programCount_ * parameterCount_;

    offsets_.assign(static_cast<std::size_t>(parameterCount_), 0);
    texts_.reset(new TextCell[cellCount_]());
    values_.reset(new ZValueSlot[cellCount_]());

    int offset = kFirstValueOffset;
    for (int i = 0; i < parameterCount_; ++i) {
        offsets_[i] = offset;
        const int size = parameters_[i] ? parameters_[i]->valueSize() : 8;
        offset += size < 8 ? 8 : size;  // a slot always holds a whole double
    }
    recordSize_ = offset;
    totalSize_ = programCount_ * recordSize_;
    records_.reset(new unsigned char[totalSize_]());

    for (int p = 0; p < programCount_; ++p) {
        setProgramName(p, kDefaultProgramName);
        for (int i = 0; i < parameterCount_; ++i) {
            if (parameters_[i]) parameters_[i]->storeDefault(values_[cell(p, i)]);
            refreshTexts(i, p);
        }
        writeValueBytes(p);
    }
    raiseVersion();
}

int ZProgramStore::valueOffset(int index) const { return validParameter(index) ? offsets_[index] : -1; }

ZParameter* ZProgramStore::parameter(int index) const { return validParameter(index) ? parameters_[index] : nullptr; }

ZValueSlot* ZProgramStore::valueRef(int program, int index)
{
    return validProgram(program) && validParameter(index) ? &values_[cell(program, index)] : nullptr;
}

const ZValueSlot* ZProgramStore::valueRef(int program, int index) const
{
    return validProgram(program) && validParameter(index) ? &values_[cell(program, index)] : nullptr;
}

double ZProgramStore::value(int program, int index) const
{
    const ZValueSlot* ref = valueRef(program, index);
    return ref ? loadValue(*ref) : 0.0;
}

bool ZProgramStore::setValue(int program, int index, double normalised)
{
    ZValueSlot* ref = valueRef(program, index);
    ZParameter* param = parameter(index);
    if (!ref || !param) return false;
    param->store(*ref, normalised);
    raiseVersion();
    refreshTexts(index, program);
    return true;
}

bool ZProgramStore::setValueText(int program, int index, const char* text)
{
    ZValueSlot* ref = valueRef(program, index);
    ZParameter* param = parameter(index);
    if (!ref || !param || !text) return false;
    param->parseText(*ref, text);
    raiseVersion();
    refreshTexts(index, program);
    return true;
}

void ZProgramStore::readCell(int program, int index, bool display, char* out) const
{
    if (!validProgram(program) || !validParameter(index)) {
        out[0] = '\0';
        return;
    }
    const TextCell& c = texts_[cell(program, index)];
    std::uint64_t words[kDisplayWords];
    const int n = display ? kDisplayWords : kValueWords;
    for (int attempt = 0;; ++attempt) {
        const std::uint32_t q = c.sequence.load(std::memory_order_acquire);
        if ((q & 1u) == 0) {
            for (int w = 0; w < n; ++w)
                words[w] = (display ? c.display[w] : c.value[w]).load(std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_acquire);
            if (c.sequence.load(std::memory_order_relaxed) == q) break;
        }
        if (attempt > 64) std::this_thread::yield();  // a writer was interrupted inside this cell
    }
    const int size = display ? kDisplayTextSize : kValueTextSize;
    std::memcpy(out, words, static_cast<std::size_t>(size));
    out[size - 1] = '\0';
}

ZCellText ZProgramStore::valueText(int program, int index) const
{
    ZCellText t;
    readCell(program, index, false, t.text);
    return t;
}

ZCellText ZProgramStore::displayText(int program, int index) const
{
    ZCellText t;
    readCell(program, index, true, t.text);
    return t;
}

// Writers never wait for each other. One that finds the cell taken leaves it: the writer inside
// looks at the value again when it is done and writes the cell once more if the value moved. The
// last writer out thus always leaves the texts of the value stored last.
void ZProgramStore::refreshTexts(int index, int program)
{
    const ZValueSlot* ref = valueRef(program, index);
    const ZParameter* param = parameter(index);
    if (!ref || !param) return;
    TextCell& c = texts_[cell(program, index)];
    constexpr auto kSeqCst = std::memory_order_seq_cst;
    // Orders this caller's store of the value before its look at the cell, so that a writer
    // inside the cell sees the value when it looks again.
    std::atomic_thread_fence(kSeqCst);
    for (;;) {
        std::uint32_t q = c.sequence.load(kSeqCst);
        if ((q & 1u) != 0 || !c.sequence.compare_exchange_strong(q, q + 1, kSeqCst)) return;
        const double value = ref->load(kSeqCst);
        ZValueSlot snapshot(value);
        char text[kTextSize];
        param->valueText(text, kTextSize, snapshot);
        putWords(c.value, text, kValueTextSize);
        param->displayText(text, kTextSize, snapshot);
        putWords(c.display, text, kDisplayTextSize);
        c.sequence.store(q + 2, kSeqCst);
        if (bitsOf(ref->load(kSeqCst)) == bitsOf(value)) return;
    }
}

void ZProgramStore::refreshAllTexts()
{
    for (int p = 0; p < programCount_; ++p)
        for (int i = 0; i < parameterCount_; ++i) refreshTexts(i, p);
}

void ZProgramStore::copyParamDisplay(int program, int index, char* text) const
{
    if (!text) return;
    const ZCellText cellText = valueText(program, index);
    const char* src = cellText.text;
    const std::size_t len = std::strlen(src);
    if (len < static_cast<std::size_t>(kHostDisplaySize)) {
        std::memcpy(text, src, len + 1);
        return;
    }
    const std::size_t keep = kHostDisplaySize - 4;  // three dots and the terminator follow
    std::memcpy(text, src, keep);
    std::memcpy(text + keep, "...", 4);
}

bool ZProgramStore::setProgramName(int program, const char* name)
{
    if (!validProgram(program) || !name) return false;
    unsigned char* field = record(program);
    int n = 0;
    while (n < kMaxNameLength && name[n] != '\0') {
        field[n] = static_cast<unsigned char>(name[n]);
        ++n;
    }
    field[n] = '\0';  // the bytes after it are left alone
    return true;
}

bool ZProgramStore::copyProgramName(int program, char* text) const
{
    if (!text) return false;
    if (!validProgram(program)) {
        text[0] = '\0';
        return false;
    }
    const unsigned char* field = record(program);
    int n = 0;
    while (n < kMaxNameLength && field[n] != '\0') {  // a loaded name may lack its terminator
        text[n] = static_cast<char>(field[n]);
        ++n;
    }
    text[n] = '\0';
    return true;
}

void ZProgramStore::writeValueBytes(int program)
{
    unsigned char* rec = record(program);
    for (int i = 0; i < parameterCount_; ++i) putDouble(rec + offsets_[i], loadValue(values_[cell(program, i)]));
}

void ZProgramStore::readValueBytes(int program, const unsigned char* rec)
{
    for (int i = 0; i < parameterCount_; ++i) {
        const double v = getDouble(rec + offsets_[i]);
        ZValueSlot& ref = values_[cell(program, i)];
        if (parameters_[i])
            parameters_[i]->store(ref, v);  // replaces NaN and infinities by the default
        else
            ref.store(v, std::memory_order_relaxed);
    }
}

int ZProgramStore::getChunk(int program, void** data, bool isPreset)
{
    if (!data || programCount_ == 0 || (isPreset && !validProgram(program))) return 0;
    for (int p = 0; p < programCount_; ++p) writeValueBytes(p);
    *data = isPreset ? record(program) : records_.get();
    return isPreset ? recordSize_ : totalSize_;
}

int ZProgramStore::setChunk(int program, const void* data, int byteSize, bool isPreset)
{
    if (!data || programCount_ == 0 || (isPreset && !validProgram(program))) return 0;
    const int expected = isPreset ? recordSize_ : totalSize_;
    if (byteSize < expected) return 0;
    const int first = isPreset ? program : 0;
    const int last = isPreset ? program + 1 : programCount_;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (int p = first; p < last; ++p) {
        const unsigned char* rec = bytes + (p - first) * recordSize_;
        std::memcpy(record(p), rec, kNameSize);
        readValueBytes(p, rec);
    }
    raiseVersion();
    refreshAllTexts();
    return expected;
}

bool ZProgramStore::copyProgram(int source, int destination)
{
    if (!validProgram(source) || !validProgram(destination)) return false;
    if (source == destination) return true;
    std::memcpy(record(destination), record(source), kNameSize);
    for (int i = 0; i < parameterCount_; ++i) {
        values_[cell(destination, i)].store(loadValue(values_[cell(source, i)]), std::memory_order_relaxed);
    }
    raiseVersion();
    for (int i = 0; i < parameterCount_; ++i) refreshTexts(i, destination);
    return true;
}
