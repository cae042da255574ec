#pragma once
// The compact, immutable copy of one result set: every cell's bytes in one buffer plus one end
// offset per cell. No per-cell or per-row heap objects, so a million-row result costs little more
// than its raw bytes, and a grid can share the block long after the TResult that built it is gone.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TResultBlock {
public:
    ~TResultBlock();
    TResultBlock(const TResultBlock&) = delete;
    TResultBlock& operator=(const TResultBlock&) = delete;

    std::size_t RowCount() const { return FRowCount; }
    std::size_t FieldCount() const { return FFieldNames.size(); }
    const std::string& FieldName(std::size_t col) const { return FFieldNames[col]; }
    const std::vector<std::string>& FieldNames() const { return FFieldNames; }

    // A cell's text: the server's value up to its first NUL; SQL NULL reads as empty.
    std::string_view Cell(std::size_t row, std::size_t col) const {
        const std::size_t i = row * FFieldNames.size() + col;
        const std::uint64_t begin = i == 0 ? 0 : End(i - 1);
        return {FBytes + begin, static_cast<std::size_t>(End(i) - begin)};
    }

    // The longest value of a column in bytes and the first row holding it, found while copying,
    // so a view can size its columns without measuring every cell.
    std::size_t WidestBytes(std::size_t col) const { return FWidest[col].Bytes; }
    std::size_t WidestRow(std::size_t col) const { return FWidest[col].Row; }

    std::size_t CellBytes() const { return FByteCount; }
    // Heap bytes held by the block (cells, offsets, names), for memory accounting.
    std::size_t MemoryUsed() const;

    // Builds a block cell by cell, in row order. Growth goes through realloc so that large
    // buffers are remapped rather than copied: the peak stays close to the final size.
    class Builder;

private:
    TResultBlock() = default;
    std::uint64_t End(std::size_t i) const { return FEnds64 ? FEnds64[i] : FEnds32[i]; }

    struct Widest {
        std::size_t Bytes = 0;
        std::size_t Row = 0;
    };

    std::vector<std::string> FFieldNames;
    std::vector<Widest> FWidest;
    std::size_t FRowCount = 0;
    char* FBytes = nullptr;
    std::size_t FByteCount = 0;
    // 32-bit ends while the bytes fit in 4 GiB, 64-bit beyond: the common case stays small.
    std::uint32_t* FEnds32 = nullptr;
    std::uint64_t* FEnds64 = nullptr;
};

class TResultBlock::Builder {
public:
    explicit Builder(std::vector<std::string> fieldNames);
    ~Builder();
    Builder(const Builder&) = delete;
    Builder& operator=(const Builder&) = delete;

    // Appends one row; `values[i]` may be null (SQL NULL). Values are cut at their first NUL.
    void AddRow(const char* const* values, const unsigned long* lengths);
    std::size_t RowCount() const;
    // Hands over the finished block; the builder is empty afterwards.
    std::shared_ptr<const TResultBlock> Finish();

private:
    void AppendCell(const char* value, std::size_t length, std::size_t col);
    void Reserve(std::size_t extraBytes, std::size_t extraCells);

    std::unique_ptr<TResultBlock> FBlock;
    std::size_t FByteCapacity = 0;
    std::size_t FCellCount = 0;
    std::size_t FCellCapacity = 0;
};
