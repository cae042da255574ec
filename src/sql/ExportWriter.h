#pragma once
// The two export formats of a shown result, as bytes: delimiter-separated text and SQL INSERT
// statements, CR LF line ends, the cells' bytes unconverted. The output goes out in chunks, so a
// large result is never copied whole; to a file it goes through a temporary file beside the
// target that replaces it only when complete.

#include "server/ResultBlock.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What a grid shows: its block (null after Clear result), how many of the block's rows, the
// order it shows them in, and the block's columns in display order.
struct TExportGrid {
    std::shared_ptr<const TResultBlock> Block;
    std::size_t Rows = 0;
    std::vector<std::size_t> Columns;
    // The block row shown at each place, when the grid is sorted; null: the block's own order.
    std::shared_ptr<const std::vector<std::size_t>> Order;

    std::size_t BlockRow(std::size_t shown) const { return Order ? (*Order)[shown] : shown; }
};

// Every row and column of `block` in block order.
TExportGrid WholeBlock(std::shared_ptr<const TResultBlock> block);

struct TExportOptions {
    enum TFormat { Delimited, SqlInsert };
    TFormat Format = Delimited;
    bool Header = true;          // delimited: the column captions as the first line
    std::string Separator = ";"; // delimited: may be empty
    std::string TableName;       // SQL: written as typed, not quoted
};

// Receives the output a chunk at a time, in order; false stops the export.
using TExportSink = std::function<bool(std::string_view chunk)>;

// Writes the whole output to `sink`; false when the sink refused a chunk.
//
// Delimited: NULL is the bare word NULL; a value that is the text NULL, or holds the separator, a
// double quote, CR or LF, is enclosed in double quotes with inner quotes doubled; every other
// value, binary ones included, is written as its bytes. So LOAD DATA with FIELDS OPTIONALLY
// ENCLOSED BY '"' ESCAPED BY '' reads back every value, NULL as NULL.
// SQL: NULL is NULL; numbers go unquoted, binary and BIT values as hexadecimal literals (X'' when
// empty), everything else as a string escaped as the client library escapes strings (backslash,
// single quote, CR, LF, NUL, Ctrl-Z), so each statement inserts exactly the value it came from.
bool WriteExport(const TExportGrid& grid, const TExportOptions& options, const TExportSink& sink);

// The whole output as one text; for small results and tests.
std::string ExportText(const TExportGrid& grid, const TExportOptions& options);

// Writes the output to `path` through a temporary file beside it, renamed over `path` when
// complete. On failure the old file is as it was and no temporary file is left; false.
bool ExportToFile(const QString& path, const TExportGrid& grid, const TExportOptions& options);
