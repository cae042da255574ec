#pragma once
// Rows of a shown result as the clipboard takes them: tab-separated text and an HTML table of
// the same cells, so that a spreadsheet pastes them into cells and a mail or a ticket reads them
// as text. Like the export formats, it works on bytes and copies values whole, never the display
// form cut for the screen.
//
// Tab-separated text: one row a line with LF after each (what spreadsheets and editors on this
// platform take); a value holding a tab, a double quote, CR or LF is enclosed in double quotes
// with inner quotes doubled; NULL is an empty field; binary and BIT values are written as
// hexadecimal "0x..." (an empty one as an empty field), as text cannot carry their bytes; every
// other value's bytes go unchanged, NUL bytes included.
//
// HTML: one table row per line, the same cells escaped, NULL an empty cell, line breaks inside a
// value as <br>, and a NUL byte, which HTML cannot carry, as U+FFFD.

#include "sql/ExportWriter.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct TCopiedRows {
    std::string Text; // tab-separated, UTF-8 as the values are
    std::string Html; // a UTF-8 HTML fragment holding one table
};

// `grid` narrowed to the rows shown at `places` (shown positions, in the order given), keeping
// its columns; the export writer and the copy formats read it as any other grid.
TExportGrid SelectedRows(const TExportGrid& grid, std::span<const std::size_t> places);

// The size of the tab-separated text of `grid` as CopyRows would make it, leaving out the
// quotes of enclosed values and the header line: what a copy is about to put on the clipboard,
// found from the cells' lengths alone, so a huge copy can be asked about before it is built.
std::uint64_t CopyTextBytes(const TExportGrid& grid);

// The clipboard forms of every row of `grid`; `withNames`: the column names as a first line
// (text) or a header row (HTML).
TCopiedRows CopyRows(const TExportGrid& grid, bool withNames);

// The table that INSERT statements copied from `block` go into: `typed` (the export dialog's
// table name) when it holds more than spaces, as typed; else the one table every column comes
// from, quoted where the server needs it; else empty.
std::string CopyInsertTable(const TResultBlock& block, std::string_view typed);
