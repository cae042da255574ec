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
        const TChunk& c = ChunkOf(row);
        const std::size_t i = (row - c.FirstRow) * FFieldNames.size() + col;
        const std::uint32_t begin = i == 0 ? 0 : c.Ends[i - 1];
        return {c.Bytes + begin, static_cast<std::size_t>(c.Ends[i] - begin)};
    }
    // True for SQL NULL, which Cell reads as the empty string.
    bool IsNull(std::size_t row, std::size_t col) const {
        if (!FHasNulls) return false;
        const TChunk& c = ChunkOf(row);
        const std::size_t i = (row - c.FirstRow) * FFieldNames.size() + col;
        return c.Nulls && (c.Nulls[i / 64] >> (i % 64) & 1u) != 0;
    }
    // Whether any cell of the block is NULL.
    bool HasNulls() const { return FHasNulls; }

    // The longest value of a column in bytes and the first row holding it, found while copying,
    // so a view can size its columns without measuring every cell.
    std::size_t WidestBytes(std::size_t col) const { return FWidest[col].Bytes; }
    std::size_t WidestRow(std::size_t col) const { return FWidest[col].Row; }

    std::size_t CellBytes() const { return FByteCount; }
    // Heap bytes held by the block (cells, offsets, names), for memory accounting; what was moved
    // to the spill file is not counted.
    std::size_t MemoryUsed() const;
    // Bytes of cells and offsets moved to the spill file, and that file (empty: none).
    std::size_t SpilledBytes() const { return FSpilledBytes; }
    const std::string& SpillFile() const { return FSpillPath; }
    // Why the spill file could not be made or written ("no room for more rows in <folder>: <the
    // system's reason>"); empty while it could. The rows past the budget are then in memory.
    const std::string& SpillError() const { return FSpillError; }

    // Blocks built from now on keep at most `budgetBytes` of filled chunks in memory (0: no
    // limit) and move the others to a file of their own in `folder`, owner-only, read back
    // through memory mapping and deleted with the block. Spill files are named SpillPrefix and
    // six characters.
    static void SetSpill(std::string folder, std::uint64_t budgetBytes);
    static std::uint64_t SpillBudget();
    static constexpr const char* SpillPrefix = "korvana-result-";

    // Builds a block cell by cell, in row order, in chunks of about ChunkBytes: the chunk being
    // filled grows through realloc; a filled one is given back its slack and, past the budget,
    // moved to the spill file.
    class Builder;
    static constexpr std::size_t ChunkBytes = std::size_t(4) << 20;

private:
    TResultBlock() = default;

    // A run of whole rows: their bytes, one end per cell relative to the chunk (a chunk stays
    // far below 4 GiB), NULL marks (null while none is NULL). In memory or mapped from the file.
    struct TChunk {
        std::size_t FirstRow = 0;
        std::size_t Rows = 0;
        std::size_t ByteCount = 0; // of its cells
        const char* Bytes = nullptr;
        const std::uint32_t* Ends = nullptr;
        const std::uint64_t* Nulls = nullptr;
        void* Mapping = nullptr; // set once spilled: Bytes, Ends and Nulls point into it
        std::size_t MappingLength = 0;
    };
    const TChunk& ChunkOf(std::size_t row) const {
        const TChunk* c = &FChunks[FLastChunk];
        if (row - c->FirstRow < c->Rows) return *c;
        return FindChunk(row);
    }
    const TChunk& FindChunk(std::size_t row) const;
    // A spilled chunk was looked at: the pages of the one looked at longest ago are given back, so
    // reading a spilled result through keeps only a few chunks resident.
    void KeepMapped(std::size_t chunk) const;
    static constexpr std::size_t MappedChunksKept = 16;
    void FreeChunk(TChunk& c);
    bool Spill(TChunk& c);

    struct Widest {
        std::size_t Bytes = 0;
        std::size_t Row = 0;
    };

    std::vector<std::string> FFieldNames;
    std::vector<TColumnInfo> FColumns;
    std::vector<Widest> FWidest;
    std::size_t FRowCount = 0;
    std::size_t FByteCount = 0;
    bool FHasNulls = false;
    // Never empty: a block without rows has one empty chunk. The last is the one being filled.
    std::vector<TChunk> FChunks = std::vector<TChunk>(1);
    mutable std::size_t FLastChunk = 0;             // where the last look found its row: reads go in runs
    mutable std::vector<std::size_t> FRecentMapped; // spilled chunks looked at lately, oldest first
    std::size_t FSpilledBytes = 0;
    std::string FSpillPath;
    int FSpillFd = -1;
    std::uint64_t FSpillEnd = 0;
    bool FSpillFailed = false; // the file could not be made or written: the rest stays in memory
    std::string FSpillError;
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
    // The block passed its budget and its rows could not go to the file (SpillError says why).
    bool SpillFailed() const { return FBlock->FSpillFailed; }
    // The block being built, to be shown while rows are still appended; Finish hands over the same.
    std::shared_ptr<const TResultBlock> Growing() const { return FBlock; }
    // Hands over the finished block; the builder is empty afterwards.
    std::shared_ptr<const TResultBlock> Finish();

private:
    void AppendCell(const char* value, std::size_t length, std::size_t col);
    void Reserve(std::size_t extraBytes, std::size_t extraCells);
    void MarkNull(std::size_t cell);
    // The chunk being filled is complete: its slack goes, the budget is kept, a new one begins.
    void SealChunk();
    void KeepBudget();

    std::shared_ptr<TResultBlock> FBlock;
    // The chunk being filled, owned here until sealed.
    char* FBytes = nullptr;
    std::uint32_t* FEnds = nullptr;
    std::uint64_t* FNulls = nullptr;
    std::size_t FChunkBytes = 0;
    std::size_t FByteCapacity = 0;
    std::size_t FCellCount = 0;
    std::size_t FCellCapacity = 0;
    std::size_t FNullWords = 0;
    std::uint64_t FBudget = 0;
    std::size_t FInMemory = 0;      // bytes of sealed chunks still in memory
    std::size_t FFirstInMemory = 0; // the sealed chunks before it are spilled (or could not be)
};
