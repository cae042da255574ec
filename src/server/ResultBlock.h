#pragma once
// The compact, immutable copy of one result set: every cell's bytes in one buffer plus one end
// offset per cell, a NULL mark per cell (one bit) and what the server said of each column. No
// per-cell or per-row heap objects, so a million-row result costs little more than its raw bytes,
// and a grid can share the block long after the TResult that built it is gone.
//
// While its rows arrive a block may be shown already (Builder::Growing): rows are only ever
// appended, so the rows a viewer has counted stay as they are. Everything runs on one thread, and
// a viewer reads between appends; it must count the rows it shows itself, as RowCount grows.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// How a column's values are read: for display, sorting, copy and export.
enum class TColumnKind {
    Text,     // character data, shown and exported as it is
    Integer,  // whole numbers, YEAR included
    Decimal,  // exact decimals, compared exactly
    Float,    // FLOAT and DOUBLE
    Temporal, // DATE, TIME, DATETIME, TIMESTAMP: their text sorts in time order
    Binary,   // bytes of the binary character set (BINARY, VARBINARY, BLOB, spatial values)
    Bit,      // BIT(n): n bits as bytes
};

// What the server says of a column (mysql_fetch_field).
struct TColumnInfo {
    TColumnInfo() = default;
    explicit TColumnInfo(std::string name) : Name(std::move(name)) {}

    std::string Name;
    std::string Table;      // the table it comes from, as the server names it (empty: none)
    std::string Database;   // that table's database
    int Type = 0;           // the client library's field type number
    unsigned Flags = 0;     // the client library's field flags
    unsigned CharsetNr = 0; // 63 is the binary character set
    unsigned Decimals = 0;
    TColumnKind Kind = TColumnKind::Text;

    bool IsNumber() const {
        return Kind == TColumnKind::Integer || Kind == TColumnKind::Decimal || Kind == TColumnKind::Float;
    }
    bool IsBinary() const { return Kind == TColumnKind::Binary || Kind == TColumnKind::Bit; }
    bool IsUnsigned() const;
};

// The kind of a column from its type number, flags and character set.
TColumnKind ColumnKindOf(int type, unsigned charsetNr);

class TResultBlock {
public:
    ~TResultBlock();
    TResultBlock(const TResultBlock&) = delete;
    TResultBlock& operator=(const TResultBlock&) = delete;

    std::size_t RowCount() const { return FRowCount; }
    std::size_t FieldCount() const { return FFieldNames.size(); }
    const std::string& FieldName(std::size_t col) const { return FFieldNames[col]; }
    const std::vector<std::string>& FieldNames() const { return FFieldNames; }
    const TColumnInfo& Column(std::size_t col) const { return FColumns[col]; }

    // A cell's value: every byte the server sent, NUL bytes included; SQL NULL reads as empty.
    std::string_view Cell(std::size_t row, std::size_t col) const {
        const std::size_t i = row * FFieldNames.size() + col;
        const std::uint64_t begin = i == 0 ? 0 : End(i - 1);
        return {FBytes + begin, static_cast<std::size_t>(End(i) - begin)};
    }
    // True for SQL NULL, which Cell reads as the empty string.
    bool IsNull(std::size_t row, std::size_t col) const {
        const std::size_t i = row * FFieldNames.size() + col;
        return FNulls && (FNulls[i / 64] >> (i % 64) & 1u) != 0;
    }
    // Whether any cell of the block is NULL.
    bool HasNulls() const { return FNulls != nullptr; }

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
    std::vector<TColumnInfo> FColumns;
    std::vector<Widest> FWidest;
    std::size_t FRowCount = 0;
    char* FBytes = nullptr;
    std::size_t FByteCount = 0;
    // 32-bit ends while the bytes fit in 4 GiB, 64-bit beyond: the common case stays small.
    std::uint32_t* FEnds32 = nullptr;
    std::uint64_t* FEnds64 = nullptr;
    // One bit per cell in cell order; null while no cell is NULL.
    std::uint64_t* FNulls = nullptr;
};

class TResultBlock::Builder {
public:
    // Columns known by name only read as text.
    explicit Builder(const std::vector<std::string>& fieldNames);
    explicit Builder(std::span<const TColumnInfo> columns);
    ~Builder();
    Builder(const Builder&) = delete;
    Builder& operator=(const Builder&) = delete;

    // Appends one row; `values[i]` may be null (SQL NULL). `lengths` null: the values end at
    // their first NUL byte.
    void AddRow(const char* const* values, const unsigned long* lengths);
    std::size_t RowCount() const;
    // The block being built, to be shown while rows are still appended; Finish hands over the same.
    std::shared_ptr<const TResultBlock> Growing() const { return FBlock; }
    // Hands over the finished block; the builder is empty afterwards.
    std::shared_ptr<const TResultBlock> Finish();

private:
    void AppendCell(const char* value, std::size_t length, std::size_t col);
    void Reserve(std::size_t extraBytes, std::size_t extraCells);
    void MarkNull(std::size_t cell);

    std::shared_ptr<TResultBlock> FBlock;
    std::size_t FByteCapacity = 0;
    std::size_t FCellCount = 0;
    std::size_t FCellCapacity = 0;
    std::size_t FNullWords = 0;
};
