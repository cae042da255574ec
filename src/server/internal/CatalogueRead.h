#pragma once
// Reading the catalogue from the server's information schema in a fixed number of statements,
// instead of two statements a table. Objects whose answer there cannot be trusted to match what
// the per-table statements give (no right to read the whole table, a view that cannot be opened,
// a default the schema writes ambiguously) are read the per-table way after all.

#include "server/Catalogue.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct st_mysql;

class TCatalogueRead {
public:
    explicit TCatalogueRead(st_mysql* handle) : FHandle(handle) {}
    // The databases of the server's listing, in its order, each with its tables; with `only`, just
    // that one (none when the server no longer lists it).
    std::vector<std::unique_ptr<TDatabase>> Databases(std::optional<std::string_view> only = std::nullopt);

private:
    std::unique_ptr<TTable> Made(std::string name, const std::vector<std::string>& columns,
                                 std::shared_ptr<const TResultBlock> description) const;
    std::vector<std::unique_ptr<TDatabase>> TableByTable(std::vector<std::string>& names) const;

    st_mysql* FHandle;
};
