#pragma once
// The order of a result's rows by one column, as block row numbers: the cells are never copied.
//
// Values compare as their column's kind reads: integers and decimals exactly as numbers, floating
// point numbers numerically, times in time order, text and binary values byte-wise. NULL comes
// first when ascending and last when descending; equal values keep the server's order.

#include "server/ResultBlock.h"

#include <cstddef>
#include <vector>

// The block rows 0 .. rows-1 ordered by column `col`; `rows` must not exceed the block's rows, nor
// UINT32_MAX.
std::vector<std::size_t> SortedRows(const TResultBlock& block, std::size_t col, std::size_t rows,
                                    bool descending);
