#include "server/ResultBlock.h"

#include <mysql.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// realloc keeps large buffers in place or remaps them, so growing never needs old + new at once.
template <typename T> T* Grow(T* p, std::size_t count) {
    if (count == 0) count = 1;
    void* q = std::realloc(p, count * sizeof(T));
    if (!q) throw std::bad_alloc();
    return static_cast<T*>(q);
}

std::size_t NextCapacity(std::size_t have, std::size_t need) {
    std::size_t cap = have < 4096 ? 4096 : have;
    while (cap < need)
        cap += cap / 2;
    return cap;
}

} // namespace

bool TColumnInfo::IsUnsigned() const {
    return (Flags & UNSIGNED_FLAG) != 0;
}

TColumnKind ColumnKindOf(int type, unsigned charsetNr) {
    constexpr unsigned BinaryCharset = 63;
    switch (type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_YEAR:
        return TColumnKind::Integer;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
        return TColumnKind::Decimal;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
        return TColumnKind::Float;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
    case MYSQL_TYPE_TIME:
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
        return TColumnKind::Temporal;
    case MYSQL_TYPE_BIT:
        return TColumnKind::Bit;
    case MYSQL_TYPE_GEOMETRY:
        return TColumnKind::Binary;
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
        // Numbers and times also report the binary character set; for strings it means bytes.
        return charsetNr == BinaryCharset ? TColumnKind::Binary : TColumnKind::Text;
    default:
        return TColumnKind::Text;
    }
}

namespace {

std::string SpillFolder;
std::uint64_t SpillBudgetBytes = 0;

std::size_t PageSize() {
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t RoundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

// Writes all of `data` at `offset`; false on any failure (a full disk among them), errno saying why.
bool WriteAll(int fd, const void* data, std::size_t length, std::uint64_t offset) {
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t n = pwrite(fd, p, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;
        if (n <= 0) return false;
        p += n;
        length -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

} // namespace

void TResultBlock::SetSpill(std::string folder, std::uint64_t budgetBytes) {
    SpillFolder = std::move(folder);
    SpillBudgetBytes = budgetBytes;
}

std::uint64_t TResultBlock::SpillBudget() {
    return SpillBudgetBytes;
}

TResultBlock::~TResultBlock() {
    for (TChunk& c : FChunks)
        FreeChunk(c);
    if (FSpillFd >= 0) close(FSpillFd);
    if (!FSpillPath.empty()) unlink(FSpillPath.c_str());
}

void TResultBlock::FreeChunk(TChunk& c) {
    if (c.Mapping) {
        munmap(c.Mapping, c.MappingLength);
    } else {
        std::free(const_cast<char*>(c.Bytes));
        std::free(const_cast<std::uint32_t*>(c.Ends));
        std::free(const_cast<std::uint64_t*>(c.Nulls));
    }
    c = TChunk{c.FirstRow, c.Rows, c.ByteCount};
}

const TResultBlock::TChunk& TResultBlock::FindChunk(std::size_t row) const {
    auto it = std::upper_bound(FChunks.begin(), FChunks.end(), row,
                               [](std::size_t r, const TChunk& c) { return r < c.FirstRow; });
    FLastChunk = it == FChunks.begin() ? 0 : static_cast<std::size_t>(it - FChunks.begin()) - 1;
    if (FChunks[FLastChunk].Mapping) KeepMapped(FLastChunk);
    return FChunks[FLastChunk];
}

void TResultBlock::KeepMapped(std::size_t chunk) const {
    if (std::find(FRecentMapped.begin(), FRecentMapped.end(), chunk) != FRecentMapped.end()) return;
    FRecentMapped.push_back(chunk);
    if (FRecentMapped.size() <= MappedChunksKept) return;
    // The mapping stays (views into it stay valid); its pages are read from the file again when
    // looked at.
    const TChunk& old = FChunks[FRecentMapped.front()];
    madvise(old.Mapping, old.MappingLength, MADV_DONTNEED);
    FRecentMapped.erase(FRecentMapped.begin());
}

// The chunk's ends, NULL marks and bytes, each on a page of its own start, at the end of the file,
// then mapped back in their place. Any failure leaves the chunk in memory as it was.
bool TResultBlock::Spill(TChunk& c) {
    if (FSpillFailed) return false;
    const std::string folder = SpillFolder.empty() ? std::string("/tmp") : SpillFolder;
    const auto fail = [&] {
        FSpillFailed = true;
        FSpillError = "no room for more rows in " + folder + ": " + std::strerror(errno);
        return false;
    };
    if (FSpillFd < 0) {
        std::string path = folder + "/" + SpillPrefix + "XXXXXX";
        // mkstemp makes the file owner-only.
        const int fd = mkstemp(path.data());
        if (fd < 0) return fail();
        FSpillFd = fd;
        FSpillPath = std::move(path);
    }
    const std::size_t cells = c.Rows * FFieldNames.size();
    const std::size_t endsLength = cells * sizeof(std::uint32_t);
    const std::size_t nullsLength = c.Nulls ? (cells + 63) / 64 * sizeof(std::uint64_t) : 0;
    const std::size_t nullsAt = RoundUp(endsLength, sizeof(std::uint64_t));
    const std::size_t bytesAt = nullsAt + nullsLength;
    const std::size_t length = bytesAt + c.ByteCount;
    if (length == 0) return true;
    const std::uint64_t at = FSpillEnd;
    if (!WriteAll(FSpillFd, c.Ends, endsLength, at) ||
        (nullsLength && !WriteAll(FSpillFd, c.Nulls, nullsLength, at + nullsAt)) ||
        !WriteAll(FSpillFd, c.Bytes, c.ByteCount, at + bytesAt))
        return fail();
    void* map = mmap(nullptr, length, PROT_READ, MAP_SHARED, FSpillFd, static_cast<off_t>(at));
    if (map == MAP_FAILED) return fail();
    FSpillEnd = at + RoundUp(length, PageSize());
    FreeChunk(c);
    const char* base = static_cast<const char*>(map);
    c.Mapping = map;
    c.MappingLength = length;
    c.Ends = reinterpret_cast<const std::uint32_t*>(base);
    c.Nulls = nullsLength ? reinterpret_cast<const std::uint64_t*>(base + nullsAt) : nullptr;
    c.Bytes = base + bytesAt;
    FSpilledBytes += length;
    return true;
}

std::size_t TResultBlock::MemoryUsed() const {
    std::size_t n = 0;
    const std::size_t fields = FFieldNames.size();
    for (const TChunk& c : FChunks) {
        if (c.Mapping) continue;
        const std::size_t cells = c.Rows * fields;
        n += c.ByteCount + cells * sizeof(std::uint32_t);
        if (c.Nulls) n += (cells + 63) / 64 * sizeof(std::uint64_t);
    }
    n += FChunks.capacity() * sizeof(TChunk);
    for (const auto& f : FFieldNames)
        n += sizeof(std::string) + f.capacity();
    n += FWidest.size() * sizeof(Widest);
    for (const auto& c : FColumns)
        n += sizeof(c) + c.Name.capacity() + c.Table.capacity() + c.Database.capacity();
    return n + sizeof(*this);
}

namespace {
std::vector<TColumnInfo> TextColumns(const std::vector<std::string>& names) {
    std::vector<TColumnInfo> columns(names.size());
    for (std::size_t c = 0; c < names.size(); ++c)
        columns[c].Name = names[c];
    return columns;
}
} // namespace

TResultBlock::Builder::Builder(const std::vector<std::string>& fieldNames)
    : Builder(std::span<const TColumnInfo>(TextColumns(fieldNames))) {}

TResultBlock::Builder::Builder(std::span<const TColumnInfo> columns)
    : FBlock(new TResultBlock), FBudget(SpillBudgetBytes) {
    FBlock->FWidest.resize(columns.size());
    FBlock->FFieldNames.reserve(columns.size());
    for (const TColumnInfo& c : columns)
        FBlock->FFieldNames.push_back(c.Name);
    FBlock->FColumns.assign(columns.begin(), columns.end());
}

// Not finished (a copy that failed on the way): the chunk being filled points at the builder's
// buffers, so the block, which may still be shown, frees them with its other chunks.
TResultBlock::Builder::~Builder() = default;

std::size_t TResultBlock::Builder::RowCount() const {
    return FBlock ? FBlock->FRowCount : 0;
}

void TResultBlock::Builder::Reserve(std::size_t extraBytes, std::size_t extraCells) {
    TChunk& open = FBlock->FChunks.back();
    const std::size_t needBytes = FChunkBytes + extraBytes;
    if (needBytes > FByteCapacity) {
        FByteCapacity = NextCapacity(FByteCapacity, needBytes);
        FBytes = Grow(FBytes, FByteCapacity);
        open.Bytes = FBytes;
    }
    const std::size_t needCells = FCellCount + extraCells;
    if (needCells > FCellCapacity) {
        FCellCapacity = NextCapacity(FCellCapacity, needCells);
        FEnds = Grow(FEnds, FCellCapacity);
        open.Ends = FEnds;
    }
}

void TResultBlock::Builder::MarkNull(std::size_t cell) {
    const std::size_t word = cell / 64;
    if (word >= FNullWords) {
        // Sized for the cells reserved so far; the mark stays one bit a cell.
        const std::size_t words = std::max(word + 1, (FCellCapacity + 63) / 64);
        FNulls = Grow(FNulls, words);
        std::memset(FNulls + FNullWords, 0, (words - FNullWords) * sizeof(std::uint64_t));
        FNullWords = words;
        FBlock->FChunks.back().Nulls = FNulls;
    }
    FNulls[word] |= std::uint64_t{1} << (cell % 64);
    FBlock->FHasNulls = true;
}

void TResultBlock::Builder::AppendCell(const char* value, std::size_t length, std::size_t col) {
    TResultBlock& b = *FBlock;
    if (!value) MarkNull(FCellCount);
    if (value && length) {
        std::memcpy(FBytes + FChunkBytes, value, length);
        FChunkBytes += length;
    } else {
        length = 0;
    }
    FEnds[FCellCount] = static_cast<std::uint32_t>(FChunkBytes);
    ++FCellCount;
    Widest& w = b.FWidest[col];
    if (length > w.Bytes) {
        w.Bytes = length;
        w.Row = b.FRowCount;
    }
}

void TResultBlock::Builder::AddRow(const char* const* values, const unsigned long* lengths) {
    const std::size_t n = FBlock->FFieldNames.size();
    std::size_t bytes = 0;
    for (std::size_t c = 0; c < n; ++c)
        if (values[c]) bytes += lengths ? lengths[c] : std::strlen(values[c]);
    // A chunk's ends are 32-bit: a row that would take it past them begins the next one.
    constexpr std::size_t ChunkLimit = std::numeric_limits<std::uint32_t>::max();
    if (bytes > ChunkLimit) throw std::length_error("a row of more than 4 GiB");
    if (FCellCount > 0 && FChunkBytes + bytes > ChunkLimit) SealChunk();
    Reserve(bytes, n);
    for (std::size_t c = 0; c < n; ++c) {
        const char* v = values[c];
        AppendCell(v, v ? (lengths ? lengths[c] : std::strlen(v)) : 0, c);
    }
    TResultBlock& b = *FBlock;
    b.FByteCount += bytes;
    ++b.FChunks.back().Rows;
    b.FChunks.back().ByteCount = FChunkBytes;
    ++b.FRowCount;
    if (FChunkBytes + FCellCount * sizeof(std::uint32_t) >= ChunkBytes) SealChunk();
}

void TResultBlock::Builder::SealChunk() {
    TResultBlock& b = *FBlock;
    TChunk& open = b.FChunks.back();
    if (open.Rows == 0) return;
    // Give back the growth slack: the chunk is immutable from here on.
    open.Bytes = FChunkBytes ? Grow(FBytes, FChunkBytes) : (std::free(FBytes), nullptr);
    open.Ends = Grow(FEnds, FCellCount);
    const std::size_t nullWords = (FCellCount + 63) / 64;
    open.Nulls = FNulls ? Grow(FNulls, nullWords) : nullptr;
    FInMemory += FChunkBytes + FCellCount * sizeof(std::uint32_t) + (FNulls ? nullWords * 8 : 0);
    FBytes = nullptr;
    FEnds = nullptr;
    FNulls = nullptr;
    FChunkBytes = FByteCapacity = FCellCount = FCellCapacity = FNullWords = 0;
    TChunk next;
    next.FirstRow = b.FRowCount;
    b.FChunks.push_back(next);
    KeepBudget();
}

void TResultBlock::Builder::KeepBudget() {
    if (FBudget == 0) return;
    TResultBlock& b = *FBlock;
    // The oldest go first: a view reads near where it is, and a new result is read from its top.
    while (FInMemory > FBudget && FFirstInMemory + 1 < b.FChunks.size()) {
        TChunk& c = b.FChunks[FFirstInMemory++];
        const std::size_t cells = c.Rows * b.FFieldNames.size();
        const std::size_t held =
            c.ByteCount + cells * sizeof(std::uint32_t) + (c.Nulls ? (cells + 63) / 64 * 8 : 0);
        if (!b.Spill(c)) return;
        FInMemory -= held;
    }
}

std::shared_ptr<const TResultBlock> TResultBlock::Builder::Finish() {
    TResultBlock& b = *FBlock;
    SealChunk();
    // Sealing begins an empty chunk, and a full chunk was sealed already: a finished block ends
    // with its last rows (or is one empty chunk).
    if (b.FChunks.size() > 1 && b.FChunks.back().Rows == 0) {
        b.FreeChunk(b.FChunks.back());
        b.FChunks.pop_back();
    }
    FBytes = nullptr;
    FEnds = nullptr;
    FNulls = nullptr;
    b.FChunks.shrink_to_fit();
    b.FLastChunk = 0;
    FByteCapacity = FCellCapacity = FCellCount = FNullWords = FChunkBytes = 0;
    return std::move(FBlock);
}
