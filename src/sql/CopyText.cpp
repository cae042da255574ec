#include "sql/CopyText.h"

#include "sql/QtText.h"
#include "sql/SqlNames.h"

#include <array>

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

// A value of a binary column as text: "0x" and two upper-case digits a byte, as the server's
// HEX() writes them; nothing for an empty value.
void PutHex(std::string& out, std::string_view value) {
    if (value.empty()) return;
    out += "0x";
    const std::size_t start = out.size();
    out.resize(start + 2 * value.size());
    char* p = out.data() + start;
    for (unsigned char c : value) {
        *p++ = HexDigits[c >> 4];
        *p++ = HexDigits[c & 15];
    }
}

std::uint64_t HexBytes(std::size_t bytes) {
    return bytes == 0 ? 0 : 2 + 2 * std::uint64_t(bytes);
}

bool EnclosesInText(std::string_view value) {
    for (char c : value)
        if (c == '\t' || c == '"' || c == '\n' || c == '\r') return true;
    return false;
}

void PutTextValue(std::string& out, std::string_view value) {
    if (!EnclosesInText(value)) {
        out += value;
        return;
    }
    out += '"';
    for (char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

// What HTML needs in place of a byte; empty for a byte that stays as it is.
const std::array<std::string_view, 256>& HtmlEscapes() {
    static const std::array<std::string_view, 256> table = [] {
        std::array<std::string_view, 256> t{};
        t['&'] = "&amp;";
        t['<'] = "&lt;";
        t['>'] = "&gt;";
        t['"'] = "&quot;";
        t['\0'] = "\xEF\xBF\xBD"; // U+FFFD, what an HTML reader makes of a NUL anyway
        t['\n'] = "<br>";
        t['\r'] = "<br>";
        return t;
    }();
    return table;
}

void PutHtmlValue(std::string& out, std::string_view value) {
    const auto& escapes = HtmlEscapes();
    std::size_t start = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const std::string_view escape = escapes[static_cast<unsigned char>(value[i])];
        if (escape.empty()) continue;
        out.append(value.substr(start, i - start));
        // CR LF is one line break.
        if (!(value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n')) out.append(escape);
        start = i + 1;
    }
    out.append(value.substr(start));
}

// The header of the HTML form: the character set named, so a reader does not guess it.
constexpr std::string_view HtmlStart =
    "<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\"><table>\n";
constexpr std::string_view HtmlEnd = "</table>\n";

} // namespace

TExportGrid SelectedRows(const TExportGrid& grid, std::span<const std::size_t> places) {
    TExportGrid selected;
    selected.Block = grid.Block;
    selected.Columns = grid.Columns;
    if (!grid.Block) return selected;
    auto order = std::make_shared<std::vector<std::size_t>>();
    order->reserve(places.size());
    for (std::size_t place : places)
        if (place < grid.Rows) order->push_back(grid.BlockRow(place));
    selected.Rows = order->size();
    selected.Order = std::move(order);
    return selected;
}

std::uint64_t CopyTextBytes(const TExportGrid& grid) {
    if (!grid.Block) return 0;
    const TResultBlock& block = *grid.Block;
    std::uint64_t bytes = 0;
    for (std::size_t row = 0; row < grid.Rows; ++row) {
        const std::size_t r = grid.BlockRow(row);
        for (std::size_t col : grid.Columns) {
            const std::size_t size = block.Cell(r, col).size();
            bytes += (block.Column(col).IsBinary() ? HexBytes(size) : size) + 1; // and a tab or line end
        }
    }
    return bytes;
}

TCopiedRows CopyRows(const TExportGrid& grid, bool withNames) {
    TCopiedRows out;
    if (!grid.Block || grid.Columns.empty()) return out;
    const TResultBlock& block = *grid.Block;
    std::vector<bool> binary;
    for (std::size_t col : grid.Columns)
        binary.push_back(block.Column(col).IsBinary());
    // The HTML form carries the same bytes and about 9 more a cell.
    const std::uint64_t textBytes = CopyTextBytes(grid);
    out.Text.reserve(static_cast<std::size_t>(textBytes + textBytes / 16 + 64));
    out.Html.reserve(static_cast<std::size_t>(textBytes + textBytes / 8 +
                                              10 * grid.Rows * (grid.Columns.size() + 1) + 256));

    out.Html += HtmlStart;
    if (withNames) {
        out.Html += "<tr>";
        for (std::size_t i = 0; i < grid.Columns.size(); ++i) {
            const std::string& name = block.FieldName(grid.Columns[i]);
            if (i > 0) out.Text += '\t';
            PutTextValue(out.Text, name);
            out.Html += "<th>";
            PutHtmlValue(out.Html, name);
            out.Html += "</th>";
        }
        out.Text += '\n';
        out.Html += "</tr>\n";
    }
    std::string hex;
    for (std::size_t row = 0; row < grid.Rows; ++row) {
        const std::size_t r = grid.BlockRow(row);
        out.Html += "<tr>";
        for (std::size_t i = 0; i < grid.Columns.size(); ++i) {
            const std::size_t col = grid.Columns[i];
            if (i > 0) out.Text += '\t';
            out.Html += "<td>";
            // NULL stays an empty field and an empty cell; a NULL's bytes are empty anyway.
            std::string_view value = block.Cell(r, col);
            if (binary[i]) {
                hex.clear();
                PutHex(hex, value);
                value = hex;
            }
            PutTextValue(out.Text, value);
            PutHtmlValue(out.Html, value);
            out.Html += "</td>";
        }
        out.Text += '\n';
        out.Html += "</tr>\n";
    }
    out.Html += HtmlEnd;
    return out;
}

std::string CopyInsertTable(const TResultBlock& block, std::string_view typed) {
    if (typed.find_first_not_of(' ') != std::string_view::npos) return std::string(typed);
    if (block.FieldCount() == 0) return {};
    const std::string& table = block.Column(0).Table;
    for (std::size_t col = 1; col < block.FieldCount(); ++col)
        if (block.Column(col).Table != table) return {};
    if (table.empty()) return {};
    return ServerText(SqlName(QtText(table)));
}
