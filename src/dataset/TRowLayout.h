#pragma once

#include <QVariant>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "TFbQuery.h"

// How one row of a record set is held in memory: a single block with a null
// bitmap, fixed-size slots (integers, money, dates, ...) and the text bytes
// (UTF-8) after them. One allocation per row, no per-value objects.
//
// Block: [uint32 size][null bitmap][slots][text bytes]
struct TRowFree {
    void operator()(uint8_t* row) const noexcept { std::free(row); }
};
// The owner of one row's block.
using TRowBlock = std::unique_ptr<uint8_t, TRowFree>;

class TRowLayout {
public:
    struct TSlot {
        TFbType Kind;
        uint32_t Offset;  // of the slot within the block
    };

    void Build(const std::vector<TFbType>& kinds);
    int Count() const { return int(FSlots.size()); }
    TFbType Kind(int slot) const { return FSlots[size_t(slot)].Kind; }

    TRowBlock NewEmpty() const;  // every value null
    // Copies the current row of q; columns[i] is the query column of slot i.
    TRowBlock FromQuery(const TFbQuery& q, const std::vector<int>& columns) const;
    static TRowBlock Copy(const uint8_t* row);
    static uint32_t Size(const uint8_t* row);

    bool IsNull(const uint8_t* row, int slot) const;
    QVariant Get(const uint8_t* row, int slot) const;
    // Replaces block by a new one with the slot set; a refused value leaves
    // it as it was.
    void Set(TRowBlock& block, int slot, const QVariant& value) const;

    // Fast access for sorting, filtering and lookups.
    std::string_view Text(const uint8_t* row, int slot) const;
    int64_t Int(const uint8_t* row, int slot) const;  // integer, money (raw), date, time
    double Float(const uint8_t* row, int slot) const;
    // The engine's day number of a date or timestamp.
    int32_t Day(const uint8_t* row, int slot) const;

    // Orders two values of a slot (nulls first; text by letters without
    // regard to ASCII case, then by code point).
    int Compare(const uint8_t* a, const uint8_t* b, int slot) const;
    bool Equal(const uint8_t* a, const uint8_t* b, int slot) const;

private:
    uint32_t FFixedEnd = 0;  // where the text bytes start
    uint32_t FBitmapBytes = 0;
    std::vector<TSlot> FSlots;

    struct TTextRef {
        uint32_t Offset;  // from the block start
        uint32_t Length;
    };
    TRowBlock Assemble(const uint8_t* fixedPart, const std::vector<std::string_view>& texts) const;
};
