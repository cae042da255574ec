#include "sql/ExportWriter.h"

#include <QSaveFile>

#include <algorithm>
#include <array>

namespace {

// Big enough that the file sees few large writes, small enough to stay in the caches.
constexpr std::size_t ChunkBytes = 1 << 20;
constexpr std::string_view LineEnd = "\r\n";

// Gathers small pieces into chunks for the sink; once the sink refuses, everything is dropped.
class TChunkedOut {
public:
    // The buffer grows to a chunk only when the output is that large: a small export stays small.
    explicit TChunkedOut(const TExportSink& sink) : FSink(sink) {}

    void Put(std::string_view s) {
        if (FBuf.size() + s.size() > ChunkBytes) {
            Flush();
            if (s.size() >= ChunkBytes) { // a huge value goes out as it is, without a copy
                if (FOk) FOk = FSink(s);
                return;
            }
        }
        FBuf.append(s);
    }
    void Put(char c) {
        if (FBuf.size() >= ChunkBytes) Flush();
        FBuf.push_back(c);
    }
    bool Ok() const { return FOk; }
    bool Finish() {
        Flush();
        return FOk;
    }

private:
    void Flush() {
        if (FOk && !FBuf.empty()) FOk = FSink(FBuf);
        FBuf.clear();
    }

    const TExportSink& FSink;
    std::string FBuf;
    bool FOk = true;
};

constexpr std::string_view NullWord = "NULL";

// A delimited value is enclosed when it holds the separator, a double quote, CR or LF, or is the
// text NULL, which bare stands for SQL NULL; a one-byte separator is found through the same byte
// table as the others.
class TDelimitedValues {
public:
    explicit TDelimitedValues(std::string_view separator) : FSeparator(separator) {
        FEncloses.fill(false);
        for (unsigned char c : {'"', '\r', '\n'})
            FEncloses[c] = true;
        if (separator.size() == 1) FEncloses[static_cast<unsigned char>(separator[0])] = true;
        // A separator such as "L" would cut the bare word: NULL is then written as nothing, as
        // close as such a file can come.
        FNullWord = NeedsEnclosing(NullWord) ? std::string_view() : NullWord;
    }

    void PutNull(TChunkedOut& out) const { out.Put(FNullWord); }

    void Put(TChunkedOut& out, std::string_view value) const {
        if (!NeedsEnclosing(value) && value != NullWord) { // the text NULL is enclosed
            out.Put(value);
            return;
        }
        out.Put('"');
        std::size_t start = 0;
        for (std::size_t quote = value.find('"'); quote != std::string_view::npos;
             quote = value.find('"', start)) {
            out.Put(value.substr(start, quote + 1 - start));
            out.Put('"');
            start = quote + 1;
        }
        out.Put(value.substr(start));
        out.Put('"');
    }

private:
    bool NeedsEnclosing(std::string_view value) const {
        for (char c : value)
            if (FEncloses[static_cast<unsigned char>(c)]) return true;
        return FSeparator.size() > 1 &&
               (value.find(FSeparator) != std::string_view::npos || RunsIntoSeparator(value));
    }

    // Whether the value's last bytes and the separator written after them hold a separator that
    // starts inside the value ("a;" before ";;"): a reader would cut the value there.
    bool RunsIntoSeparator(std::string_view value) const {
        const std::size_t sep = FSeparator.size();
        for (std::size_t tail = std::min(value.size(), sep - 1); tail > 0; --tail) {
            const std::size_t rest = sep - tail;
            if (value.substr(value.size() - tail) == FSeparator.substr(0, tail) &&
                FSeparator.substr(tail) == FSeparator.substr(0, rest))
                return true;
        }
        return false;
    }

    std::string_view FSeparator;
    std::string_view FNullWord;
    std::array<bool, 256> FEncloses;
};

// The escapes of the client library's string escaping; empty for a byte that stays as it is.
const std::array<std::string_view, 256>& SqlEscapes() {
    static const std::array<std::string_view, 256> table = [] {
        std::array<std::string_view, 256> t{};
        t['\0'] = "\\0";
        t['\n'] = "\\n";
        t['\r'] = "\\r";
        t['\\'] = "\\\\";
        t['\''] = "\\'";
        t['\x1a'] = "\\Z";
        return t;
    }();
    return table;
}

void PutSqlString(TChunkedOut& out, std::string_view value) {
    const auto& escapes = SqlEscapes();
    out.Put('\'');
    std::size_t start = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const std::string_view escape = escapes[static_cast<unsigned char>(value[i])];
        if (escape.empty()) continue;
        out.Put(value.substr(start, i - start));
        out.Put(escape);
        start = i + 1;
    }
    out.Put(value.substr(start));
    out.Put('\'');
}

// Whether a number column's value can go into a statement unquoted: an optional sign, digits with
// an optional fraction, an optional exponent. What the server sends always is; anything else is
// quoted, so no value is ever written into the statement as SQL.
bool IsNumberLiteral(std::string_view v) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < v.size() && v[i] >= '0' && v[i] <= '9')
            ++i;
        return i - from;
    };
    if (i < v.size() && (v[i] == '-' || v[i] == '+')) ++i;
    std::size_t mantissa = digits();
    if (i < v.size() && v[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < v.size() && (v[i] == 'e' || v[i] == 'E')) {
        ++i;
        if (i < v.size() && (v[i] == '-' || v[i] == '+')) ++i;
        if (digits() == 0) return false;
    }
    return i == v.size();
}

// Bytes as a hexadecimal literal, converted a slice at a time so a large value needs no copy of
// twice its size.
void PutSqlHex(TChunkedOut& out, std::string_view value) {
    if (value.empty()) {
        out.Put("X''");
        return;
    }
    static constexpr char Digits[] = "0123456789ABCDEF";
    out.Put("0x");
    char slice[8192];
    std::size_t n = 0;
    for (char c : value) {
        const auto b = static_cast<unsigned char>(c);
        slice[n++] = Digits[b >> 4];
        slice[n++] = Digits[b & 15];
        if (n == sizeof slice) {
            out.Put(std::string_view(slice, n));
            n = 0;
        }
    }
    out.Put(std::string_view(slice, n));
}

void PutSqlValue(TChunkedOut& out, const TResultBlock& block, std::size_t row, std::size_t col) {
    if (block.IsNull(row, col)) {
        out.Put("NULL");
        return;
    }
    const std::string_view value = block.Cell(row, col);
    const TColumnInfo& column = block.Column(col);
    if (column.IsBinary())
        PutSqlHex(out, value);
    else if (column.IsNumber() && IsNumberLiteral(value))
        out.Put(value);
    else
        PutSqlString(out, value);
}

void WriteDelimited(TChunkedOut& out, const TExportGrid& grid, const TExportOptions& options) {
    const TDelimitedValues values(options.Separator);
    if (options.Header) {
        for (std::size_t i = 0; i < grid.Columns.size(); ++i) {
            if (i > 0) out.Put(options.Separator);
            values.Put(out, grid.Block->FieldName(grid.Columns[i]));
        }
        out.Put(LineEnd);
    }
    for (std::size_t row = 0; row < grid.Rows && out.Ok(); ++row) {
        for (std::size_t i = 0; i < grid.Columns.size(); ++i) {
            if (i > 0) out.Put(options.Separator);
            const std::size_t blockRow = grid.BlockRow(row), col = grid.Columns[i];
            if (grid.Block->IsNull(blockRow, col))
                values.PutNull(out);
            else
                values.Put(out, grid.Block->Cell(blockRow, col));
        }
        out.Put(LineEnd);
    }
}

void WriteInserts(TChunkedOut& out, const TExportGrid& grid, const TExportOptions& options) {
    for (std::size_t row = 0; row < grid.Rows && out.Ok(); ++row) {
        out.Put("INSERT INTO ");
        out.Put(options.TableName);
        out.Put(" VALUES(");
        const std::size_t blockRow = grid.BlockRow(row);
        for (std::size_t i = 0; i < grid.Columns.size(); ++i) {
            if (i > 0) out.Put(',');
            PutSqlValue(out, *grid.Block, blockRow, grid.Columns[i]);
        }
        out.Put(");");
        out.Put(LineEnd);
    }
}

} // namespace

TExportGrid WholeBlock(std::shared_ptr<const TResultBlock> block) {
    TExportGrid grid;
    grid.Block = std::move(block);
    if (!grid.Block) return grid;
    grid.Rows = grid.Block->RowCount();
    for (std::size_t col = 0; col < grid.Block->FieldCount(); ++col)
        grid.Columns.push_back(col);
    return grid;
}

bool WriteExport(const TExportGrid& grid, const TExportOptions& options, const TExportSink& sink) {
    TChunkedOut out(sink);
    // Without a block the grid is empty: no columns, no rows.
    const TExportGrid empty;
    const TExportGrid& shown = grid.Block ? grid : empty;
    if (options.Format == TExportOptions::Delimited)
        WriteDelimited(out, shown, options);
    else
        WriteInserts(out, shown, options);
    return out.Finish();
}

std::string ExportText(const TExportGrid& grid, const TExportOptions& options) {
    std::string text;
    WriteExport(grid, options, [&text](std::string_view chunk) {
        text.append(chunk);
        return true;
    });
    return text;
}

bool ExportToFile(const QString& path, const TExportGrid& grid, const TExportOptions& options) {
    // QSaveFile writes to a temporary file beside the target and renames it over the target on
    // commit; a destroyed, uncommitted QSaveFile removes its temporary file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const bool written = WriteExport(grid, options, [&file](std::string_view chunk) {
        const qint64 size = static_cast<qint64>(chunk.size());
        return file.write(chunk.data(), size) == size;
    });
    if (!written) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
