#include "server/ResultBlock.h"

#include <mysql.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

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

TResultBlock::~TResultBlock() {
    std::free(FBytes);
    std::free(FEnds32);
    std::free(FEnds64);
    std::free(FNulls);
}

std::size_t TResultBlock::MemoryUsed() const {
    std::size_t n = FByteCount;
    const std::size_t cells = FRowCount * FFieldNames.size();
    n += cells * (FEnds64 ? sizeof(std::uint64_t) : sizeof(std::uint32_t));
    for (const auto& f : FFieldNames)
        n += sizeof(std::string) + f.capacity();
    n += FWidest.size() * sizeof(Widest);
    if (FNulls) n += (cells + 63) / 64 * sizeof(std::uint64_t);
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

TResultBlock::Builder::Builder(std::span<const TColumnInfo> columns) : FBlock(new TResultBlock) {
    FBlock->FWidest.resize(columns.size());
    FBlock->FFieldNames.reserve(columns.size());
    for (const TColumnInfo& c : columns)
        FBlock->FFieldNames.push_back(c.Name);
    FBlock->FColumns.assign(columns.begin(), columns.end());
}

TResultBlock::Builder::~Builder() = default;

std::size_t TResultBlock::Builder::RowCount() const {
    return FBlock ? FBlock->FRowCount : 0;
}

void TResultBlock::Builder::Reserve(std::size_t extraBytes, std::size_t extraCells) {
    TResultBlock& b = *FBlock;
    const std::size_t needBytes = b.FByteCount + extraBytes;
    if (needBytes > FByteCapacity) {
        FByteCapacity = NextCapacity(FByteCapacity, needBytes);
        b.FBytes = Grow(b.FBytes, FByteCapacity);
    }
    // Past 4 GiB of cell bytes the 32-bit ends no longer reach: widen them once.
    if (!b.FEnds64 && needBytes > std::numeric_limits<std::uint32_t>::max()) {
        b.FEnds64 = Grow<std::uint64_t>(nullptr, FCellCapacity);
        for (std::size_t i = 0; i < FCellCount; ++i)
            b.FEnds64[i] = b.FEnds32[i];
        std::free(b.FEnds32);
        b.FEnds32 = nullptr;
    }
    const std::size_t needCells = FCellCount + extraCells;
    if (needCells > FCellCapacity) {
        FCellCapacity = NextCapacity(FCellCapacity, needCells);
        if (b.FEnds64)
            b.FEnds64 = Grow(b.FEnds64, FCellCapacity);
        else
            b.FEnds32 = Grow(b.FEnds32, FCellCapacity);
    }
}

void TResultBlock::Builder::MarkNull(std::size_t cell) {
    TResultBlock& b = *FBlock;
    const std::size_t word = cell / 64;
    if (word >= FNullWords) {
        // Sized for the cells reserved so far; the mark stays one bit a cell.
        const std::size_t words = std::max(word + 1, (FCellCapacity + 63) / 64);
        b.FNulls = Grow(b.FNulls, words);
        std::memset(b.FNulls + FNullWords, 0, (words - FNullWords) * sizeof(std::uint64_t));
        FNullWords = words;
    }
    b.FNulls[word] |= std::uint64_t{1} << (cell % 64);
}

void TResultBlock::Builder::AppendCell(const char* value, std::size_t length, std::size_t col) {
    TResultBlock& b = *FBlock;
    if (!value) MarkNull(FCellCount);
    if (value && length) {
        std::memcpy(b.FBytes + b.FByteCount, value, length);
        b.FByteCount += length;
    } else {
        length = 0;
    }
    if (b.FEnds64)
        b.FEnds64[FCellCount] = b.FByteCount;
    else
        b.FEnds32[FCellCount] = static_cast<std::uint32_t>(b.FByteCount);
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
    Reserve(bytes, n);
    for (std::size_t c = 0; c < n; ++c) {
        const char* v = values[c];
        AppendCell(v, v ? (lengths ? lengths[c] : std::strlen(v)) : 0, c);
    }
    ++FBlock->FRowCount;
}

std::shared_ptr<const TResultBlock> TResultBlock::Builder::Finish() {
    TResultBlock& b = *FBlock;
    // Give back the growth slack: the block is immutable from here on.
    if (FByteCapacity > b.FByteCount) b.FBytes = Grow(b.FBytes, b.FByteCount);
    if (FCellCapacity > FCellCount) {
        if (b.FEnds64)
            b.FEnds64 = Grow(b.FEnds64, FCellCount);
        else if (b.FEnds32)
            b.FEnds32 = Grow(b.FEnds32, FCellCount);
    }
    const std::size_t nullWords = (FCellCount + 63) / 64;
    if (b.FNulls && FNullWords > nullWords) b.FNulls = Grow(b.FNulls, nullWords);
    FByteCapacity = FCellCapacity = FCellCount = FNullWords = 0;
    return std::move(FBlock);
}
