#pragma once
// Result blocks made in memory for tests: typed columns and rows whose values keep every byte,
// NUL included; an empty optional is SQL NULL.

#include "server/ResultBlock.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

using TTestValue = std::optional<std::string>;
using TTestRow = std::vector<TTestValue>;

inline TColumnInfo TestColumn(std::string name, TColumnKind kind = TColumnKind::Text, std::string table = {},
                              unsigned flags = 0) {
    TColumnInfo c(std::move(name));
    c.Kind = kind;
    c.Table = std::move(table);
    c.Flags = flags;
    return c;
}

inline std::shared_ptr<const TResultBlock> TypedBlock(std::span<const TColumnInfo> columns,
                                                      const std::vector<TTestRow>& rows) {
    TResultBlock::Builder b(columns);
    for (const TTestRow& row : rows) {
        std::vector<const char*> values;
        std::vector<unsigned long> lengths;
        for (const TTestValue& v : row) {
            values.push_back(v ? v->data() : nullptr);
            lengths.push_back(v ? static_cast<unsigned long>(v->size()) : 0);
        }
        b.AddRow(values.data(), lengths.data());
    }
    return b.Finish();
}
