// The export writer's quoting: a delimiter-separated export reads back, field by field, to the very
// cells it came from (for any separator without quotes and line breaks), and every SQL string
// literal of an INSERT export unescapes to its cell.

#include "sql/ExportWriter.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using TRows = std::vector<std::vector<std::string>>;

// Reads the delimited text: quoted fields with doubled quotes, the separator between fields,
// CR LF after every record.
TRows ReadDelimited(std::string_view t, std::string_view sep) {
    TRows rows;
    std::vector<std::string> row;
    std::size_t p = 0;
    while (p < t.size()) {
        std::string field;
        if (t[p] == '"') {
            for (++p;; ++p) {
                if (p >= t.size()) std::abort(); // unclosed quote
                if (t[p] == '"') {
                    if (p + 1 < t.size() && t[p + 1] == '"') {
                        field.push_back('"');
                        ++p;
                    } else {
                        ++p;
                        break;
                    }
                } else {
                    field.push_back(t[p]);
                }
            }
        } else {
            const std::size_t s = t.find(sep, p);
            const std::size_t e = std::min(s, t.find("\r\n", p));
            if (e == std::string_view::npos) std::abort(); // a record without its line end
            field.assign(t.substr(p, e - p));
            p = e;
        }
        row.push_back(field);
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

// The SQL literal at `p` ('...' with the client library's escapes), or "null"; p moves past it.
std::string ReadSqlValue(std::string_view t, std::size_t& p) {
    if (t.substr(p, 4) == "null") {
        p += 4;
        return {};
    }
    if (p >= t.size() || t[p] != '\'') std::abort();
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

void Expect(std::string_view t, std::size_t& p, std::string_view what) {
    if (t.substr(p, what.size()) != what) std::abort();
    p += what.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::size_t columns = in.ConsumeIntegralInRange<std::size_t>(1, 5);
    const std::size_t rows = in.ConsumeIntegralInRange<std::size_t>(0, 6);
    std::string sep = in.ConsumeRandomLengthString(4);
    std::erase_if(sep, [](char c) { return c == '"' || c == '\r' || c == '\n'; });
    if (sep.empty()) sep = ";";
    const bool header = in.ConsumeBool();

    std::vector<std::string> names;
    for (std::size_t c = 0; c < columns; ++c)
        names.push_back(in.ConsumeRandomLengthString(8));
    TResultBlock::Builder builder(names);
    for (std::size_t r = 0; r < rows; ++r) {
        std::vector<std::string> cells;
        for (std::size_t c = 0; c < columns; ++c)
            cells.push_back(in.ConsumeRandomLengthString(12));
        std::vector<const char*> values;
        std::vector<unsigned long> lengths;
        for (const auto& cell : cells) {
            values.push_back(cell.data());
            lengths.push_back(cell.size());
        }
        builder.AddRow(values.data(), lengths.data());
    }
    const TExportGrid grid = WholeBlock(builder.Finish());
    const TResultBlock& block = *grid.Block;

    TExportOptions delimited;
    delimited.Separator = sep;
    delimited.Header = header;
    const TRows read = ReadDelimited(ExportText(grid, delimited), sep);
    if (read.size() != rows + (header ? 1 : 0)) std::abort();
    for (std::size_t r = 0; r < read.size(); ++r) {
        if (read[r].size() != columns) std::abort();
        for (std::size_t c = 0; c < columns; ++c) {
            const bool isHeader = header && r == 0;
            const std::string_view cell = isHeader ? block.FieldName(c) : block.Cell(r - (header ? 1 : 0), c);
            if (read[r][c] != cell) std::abort();
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
            if (ReadSqlValue(text, p) != block.Cell(r, c)) std::abort();
        }
        Expect(text, p, ");\r\n");
    }
    if (p != text.size()) std::abort();
    return 0;
}
