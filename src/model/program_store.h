// The program store: the values of every parameter in every program, the program names, and the
// two text caches (value text and display text) of every program and parameter.
//
// Saved-state layout (one program record, little-endian, no padding):
//     offset 0            25 bytes  program name, up to 24 characters and a zero
//     offset 25 + 8 x i    8 bytes  IEEE-754 double, normalised value of parameter i
// A bank is all records back to back. With four parameters a record is 57 bytes, ten make 570.
//
// The live values are lock-free atomic doubles (see ZValueSlot in parameter.h), so the audio thread can
// read them while another thread writes them. The byte image of the records holds the names at all
// times; its value bytes are written from the live values when a chunk is requested and read back
// into them when a chunk is loaded.
//
// Every operation checks its program and parameter indices and pointers: a bad request changes
// nothing and answers false, 0, an empty text or a null pointer.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/parameter.h"

class ZProgramStore {
public:
    static constexpr int kNameSize = 25;  // name field in a record
    static constexpr int kMaxNameLength = 24;  // characters of a program name
    static constexpr int kValueTextSize = 276;  // value-text cell
    static constexpr int kDisplayTextSize = 285;  // display-text cell
    static constexpr int kTextSize = 276;  // buffer size handed to the text conversions
    static constexpr int kHostDisplaySize = 32;  // bytes getParamDisplay writes at most
    static constexpr const char* kDefaultProgramName = "Defaults";

    ZProgramStore();
    ~ZProgramStore();
    ZProgramStore(const ZProgramStore&) = delete;
    ZProgramStore& operator=(const ZProgramStore&) = delete;

    // Builds (or rebuilds) the store for `programCount` programs over the given parameters, which
    // must outlive the store (the store keeps the pointers, not the objects). Every program is
    // named "Defaults", holds every parameter's default and has its texts computed.
    void build(int programCount, const std::vector<ZParameter*>& parameters);

    int programCount() const { return programCount_; }
    int parameterCount() const { return parameterCount_; }
    int cellCount() const { return cellCount_; }
    int recordSize() const { return recordSize_; }
    int totalSize() const { return totalSize_; }
    int valueOffset(int index) const;  // byte offset inside a record, -1 for a bad index
    bool validProgram(int program) const { return program >= 0 && program < programCount_; }
    bool validParameter(int index) const { return index >= 0 && index < parameterCount_; }
    ZParameter* parameter(int index) const;  // null for a bad index

    // The value slot of (program, index), or null for bad indices.
    ZValueSlot* valueRef(int program, int index);
    const ZValueSlot* valueRef(int program, int index) const;
    double value(int program, int index) const;  // 0.0 for bad indices

    // Value changes. Each refreshes the texts of the cell and answers false for bad indices.
    bool setValue(int program, int index, double normalised);  // ZParameter::store
    bool setValueText(int program, int index, const char* text);  // ZParameter::parseText; null: false

    // Cached texts; "" for bad indices. Never longer than 275 characters.
    const char* valueText(int program, int index) const;
    const char* displayText(int program, int index) const;
    void refreshTexts(int index, int program);
    void refreshAllTexts();
    // Copies the value text of (program, index) into a host buffer of 32 bytes; a text of 32
    // characters or more is cut to 28 and ended with "...". Bad indices give an empty text.
    void copyParamDisplay(int program, int index, char* text) const;

    // Names. The name is cut at 24 characters (and read no further); bytes of the name field after
    // the terminator keep what they held.
    bool setProgramName(int program, const char* name);
    // Copies at most 24 characters and a zero. A bad program gives an empty text and false.
    bool copyProgramName(int program, char* text) const;

    // Chunks. getChunk points data at the record of `program` (isPreset) or at the first record
    // and answers recordSize() or totalSize(); the bytes stay owned by the store and stay valid
    // until the store is rebuilt or destroyed. Answers 0 (data untouched) for a null data or a
    // bad program.
    int getChunk(int program, void** data, bool isPreset);
    // Loads recordSize() bytes into `program` (isPreset) or totalSize() bytes into all records,
    // then refreshes every text. A null data, a bad program or a byteSize below the expected size
    // loads nothing and answers 0; a larger byteSize loads the expected bytes only. Values that
    // are not finite are replaced by the parameter's default.
    int setChunk(int program, const void* data, int byteSize, bool isPreset);

    // Copies the record of `source` (name and values) over `destination` and refreshes the texts
    // of the destination.
    bool copyProgram(int source, int destination);

private:
    unsigned char* record(int program) { return records_.get() + program * recordSize_; }
    const unsigned char* record(int program) const { return records_.get() + program * recordSize_; }
    int cell(int program, int index) const { return program * parameterCount_ + index; }
    void writeValueBytes(int program);
    void readValueBytes(int program);

    int programCount_ = 0;
    std::vector<ZParameter*> parameters_;
    int parameterCount_ = 0;
    int cellCount_ = 0;
    std::unique_ptr<unsigned char[]> records_;
    int recordSize_ = 0;
    int totalSize_ = 0;
    std::vector<int> offsets_;
    std::unique_ptr<ZValueSlot[]> values_;
    std::unique_ptr<char[][kValueTextSize]> valueTexts_;
    std::unique_ptr<char[][kDisplayTextSize]> displayTexts_;
};
