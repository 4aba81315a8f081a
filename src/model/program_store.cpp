#include "model/program_store.h"

#include <cstring>

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

// Writes a text made elsewhere into a cache cell in one copy, so the cell always holds a
// terminated text of at most size - 1 characters.
void putCell(char* cell, const char* text, int size)
{
    std::size_t len = std::strlen(text);
    if (len > static_cast<std::size_t>(size - 1)) len = static_cast<std::size_t>(size - 1);
    std::memcpy(cell, text, len);
    cell[len] = '\0';
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
    valueTexts_.reset(new char[cellCount_][kValueTextSize]());
    displayTexts_.reset(new char[cellCount_][kDisplayTextSize]());
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
    refreshTexts(index, program);
    return true;
}

bool ZProgramStore::setValueText(int program, int index, const char* text)
{
    ZValueSlot* ref = valueRef(program, index);
    ZParameter* param = parameter(index);
    if (!ref || !param || !text) return false;
    param->parseText(*ref, text);
    refreshTexts(index, program);
    return true;
}

const char* ZProgramStore::valueText(int program, int index) const
{
    return validProgram(program) && validParameter(index) ? valueTexts_[cell(program, index)] : "";
}

const char* ZProgramStore::displayText(int program, int index) const
{
    return validProgram(program) && validParameter(index) ? displayTexts_[cell(program, index)] : "";
}

void ZProgramStore::refreshTexts(int index, int program)
{
    const ZValueSlot* ref = valueRef(program, index);
    const ZParameter* param = parameter(index);
    if (!ref || !param) return;
    char text[kTextSize];
    param->valueText(text, kTextSize, *ref);
    putCell(valueTexts_[cell(program, index)], text, kValueTextSize);
    param->displayText(text, kTextSize, *ref);
    putCell(displayTexts_[cell(program, index)], text, kDisplayTextSize);
}

void ZProgramStore::refreshAllTexts()
{
    for (int p = 0; p < programCount_; ++p)
        for (int i = 0; i < parameterCount_; ++i) refreshTexts(i, p);
}

void ZProgramStore::copyParamDisplay(int program, int index, char* text) const
{
    if (!text) return;
    const char* src = valueText(program, index);
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

void ZProgramStore::readValueBytes(int program)
{
    const unsigned char* rec = record(program);
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
    std::memcpy(record(first), data, static_cast<std::size_t>(expected));
    const int last = isPreset ? program + 1 : programCount_;
    for (int p = first; p < last; ++p) readValueBytes(p);
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
        refreshTexts(i, destination);
    }
    return true;
}
