// The export writer's quoting: a delimiter-separated export reads back, field by field, to the very
// cells it came from, NULL as the bare word NULL (for any separator without quotes and line breaks;
// one that would cut the word gives NULL as an empty field), and every value of an INSERT export
// parses back to its cell: NULL, a string literal, a hexadecimal literal for binary columns, or a
// bare number for number columns that hold one.

#include "sql/ExportWriter.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using TField = std::optional<std::string>; // nullopt: SQL NULL
using TRows = std::vector<std::vector<TField>>;

// Reads the delimited text: quoted fields with doubled quotes, the bare word NULL, the separator
// between fields, CR LF after every record.
TRows ReadDelimited(std::string_view t, std::string_view sep) {
    TRows rows;
    std::vector<TField> row;
    std::size_t p = 0;
    while (p < t.size()) {
        TField field = std::string();
        if (t[p] == '"') {
            for (++p;; ++p) {
                if (p >= t.size()) std::abort(); // unclosed quote
                if (t[p] == '"') {
                    if (p + 1 < t.size() && t[p + 1] == '"') {
                        field->push_back('"');
                        ++p;
                    } else {
                        ++p;
                        break;
                    }
                } else {
                    field->push_back(t[p]);
                }
            }
        } else {
            const std::size_t s = t.find(sep, p);
            const std::size_t e = std::min(s, t.find("\r\n", p));
            if (e == std::string_view::npos) std::abort(); // a record without its line end
            field->assign(t.substr(p, e - p));
            if (*field == "NULL") field.reset();
            p = e;
        }
        row.push_back(std::move(field));
        if (t.substr(p, 2) == "\r\n") {
            rows.push_back(std::move(row));
            row.clear();
            p += 2;
        } else if (t.substr(p, sep.size()) == sep) {
            p += sep.size();
        } else {
            std::abort(); // something after a closing quote
        }
    }
    if (!row.empty()) std::abort();
    return rows;
}

std::string ReadSqlString(std::string_view t, std::size_t& p) {
    std::string value;
    for (++p; p < t.size() && t[p] != '\''; ++p) {
        if (t[p] != '\\') {
            value.push_back(t[p]);
            continue;
        }
        if (++p >= t.size()) std::abort();
        switch (t[p]) {
        case '0':
            value.push_back('\0');
            break;
        case 'n':
            value.push_back('\n');
            break;
        case 'r':
            value.push_back('\r');
            break;
        case 'Z':
            value.push_back('\x1a');
            break;
        case '\\':
        case '\'':
            value.push_back(t[p]);
            break;
        default:
            std::abort();
        }
    }
    if (p >= t.size()) std::abort();
    ++p;
    return value;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    std::abort(); // the writer uses upper-case digits only
}

// The SQL value at `p` for a column of `kind`; p moves past it. Each form is allowed only where
// the server reads it back as the same value: hexadecimal for binary columns, bare numbers for
// number columns, strings for the rest (and for what a number column holds that is no number).
TField ReadSqlValue(std::string_view t, std::size_t& p, const TColumnInfo& column) {
    if (t.substr(p, 4) == "NULL") {
        p += 4;
        return std::nullopt;
    }
    if (p >= t.size()) std::abort();
    if (column.IsBinary()) {
        if (t.substr(p, 3) == "X''") {
            p += 3;
            return std::string();
        }
        if (t.substr(p, 2) != "0x") std::abort();
        p += 2;
        std::string value;
        while (p + 1 < t.size() && t[p] != ',' && t[p] != ')') {
            value.push_back(static_cast<char>(HexDigit(t[p]) * 16 + HexDigit(t[p + 1])));
            p += 2;
        }
        if (value.empty()) std::abort(); // an empty value is X''
        return value;
    }
    if (t[p] == '\'') return ReadSqlString(t, p);
    if (!column.IsNumber()) std::abort();
    // A bare number: sign, digits, point, exponent, nothing else.
    const std::size_t from = p;
    while (p < t.size() && std::string_view("+-.0123456789eE").find(t[p]) != std::string_view::npos)
        ++p;
    if (p == from) std::abort();
    return std::string(t.substr(from, p - from));
}

void Expect(std::string_view t, std::size_t& p, std::string_view what) {
    if (t.substr(p, what.size()) != what) std::abort();
    p += what.size();
}

constexpr TColumnKind Kinds[] = {TColumnKind::Text,  TColumnKind::Integer,  TColumnKind::Decimal,
                                 TColumnKind::Float, TColumnKind::Temporal, TColumnKind::Binary,
                                 TColumnKind::Bit};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::size_t columns = in.ConsumeIntegralInRange<std::size_t>(1, 5);
    const std::size_t rows = in.ConsumeIntegralInRange<std::size_t>(0, 6);
    std::string sep = in.ConsumeRandomLengthString(4);
    std::erase_if(sep, [](char c) { return c == '"' || c == '\r' || c == '\n'; });
    if (sep.empty()) sep = ";";
    const bool header = in.ConsumeBool();

    std::vector<TColumnInfo> infos;
    for (std::size_t c = 0; c < columns; ++c) {
        TColumnInfo info(in.ConsumeRandomLengthString(8));
        info.Kind = in.PickValueInArray(Kinds);
        infos.push_back(std::move(info));
    }
    TResultBlock::Builder builder(infos);
    std::vector<std::vector<TField>> cells(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < columns; ++c) {
            // NULL and the text NULL often, so the two are tried side by side.
            switch (in.ConsumeIntegralInRange(0, 5)) {
            case 0:
                cells[r].push_back(std::nullopt);
                break;
            case 1:
                cells[r].push_back("NULL");
                break;
            case 2:
                cells[r].push_back(std::to_string(in.ConsumeIntegral<long long>()) +
                                   (in.ConsumeBool() ? ".5e-3" : ""));
                break;
            default:
                cells[r].push_back(in.ConsumeRandomLengthString(12));
            }
        }
        std::vector<const char*> values;
        std::vector<unsigned long> lengths;
        for (const auto& cell : cells[r]) {
            values.push_back(cell ? cell->data() : nullptr);
            lengths.push_back(cell ? cell->size() : 0);
        }
        builder.AddRow(values.data(), lengths.data());
    }
    const TExportGrid grid = WholeBlock(builder.Finish());
    const TResultBlock& block = *grid.Block;

    // NULL is the bare word unless the separator would cut it; then it is an empty field.
    const std::string nullThenSep = "NULL" + sep;
    const TField nullReads = nullThenSep.find(sep) == 4 ? TField() : TField(std::string());

    TExportOptions delimited;
    delimited.Separator = sep;
    delimited.Header = header;
    const TRows read = ReadDelimited(ExportText(grid, delimited), sep);
    if (read.size() != rows + (header ? 1 : 0)) std::abort();
    for (std::size_t r = 0; r < read.size(); ++r) {
        if (read[r].size() != columns) std::abort();
        for (std::size_t c = 0; c < columns; ++c) {
            const bool isHeader = header && r == 0;
            const TField& cell = isHeader ? TField(block.FieldName(c)) : cells[r - (header ? 1 : 0)][c];
            if (read[r][c] != (cell ? cell : nullReads)) std::abort();
        }
    }

    TExportOptions sql;
    sql.Format = TExportOptions::SqlInsert;
    sql.TableName = "t";
    const std::string text = ExportText(grid, sql);
    std::size_t p = 0;
    for (std::size_t r = 0; r < rows; ++r) {
        Expect(text, p, "INSERT INTO t VALUES(");
        for (std::size_t c = 0; c < columns; ++c) {
            if (c > 0) Expect(text, p, ",");
            if (ReadSqlValue(text, p, block.Column(c)) != cells[r][c]) std::abort();
            if (block.IsNull(r, c) != !cells[r][c]) std::abort();
        }
        Expect(text, p, ");\r\n");
    }
    if (p != text.size()) std::abort();
    return 0;
}
