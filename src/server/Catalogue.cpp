#include "server/Catalogue.h"

#include "server/MySql.h"
#include "server/internal/CatalogueRead.h"
#include "server/internal/ResultCopy.h"
#include "server/internal/Statements.h"

#include <mysql.h>

#include <algorithm>

TTable::TTable(st_mysql* handle, std::string name) : Name(std::move(name)) {
    // Quoted, so names with blanks, reserved words or backticks get their columns too.
    const std::string quoted = QuoteIdentifier(Name);
    Send(handle, "SELECT * FROM " + quoted + " LIMIT 1");
    if (MYSQL_RES* res = StoreResult(handle)) {
        Fields = TFields(FieldNamesOf(res));
        mysql_free_result(res);
    }
    DrainResults(handle);
    Send(handle, "SHOW FIELDS FROM " + quoted);
    MYSQL_RES* res = StoreResult(handle);
    Description = std::make_unique<TResult>(res, handle);
    mysql_free_result(res);
    DrainResults(handle);
}

TTable::TTable(std::string name, TFields fields, std::unique_ptr<TResult> description)
    : Name(std::move(name)), Fields(std::move(fields)), Description(std::move(description)) {}

TTable::~TTable() = default;

TTables::TTables(st_mysql* handle, bool list) : Handle(handle) {
    if (!list) return;
    std::vector<std::string> names = FirstColumnOf(ListTables(handle));
    FItems.reserve(names.size());
    for (auto& n : names)
        FItems.push_back(std::make_unique<TTable>(handle, std::move(n)));
}

// The database is made current before its tables are listed. One that cannot be selected shows no
// tables: listing would give those of whichever database happened to be current.
TDatabase::TDatabase(st_mysql* handle, std::string name)
    : Handle(handle), Name(std::move(name)), Tables(handle, SelectDatabase(handle, Name)) {}

TDatabase::TDatabase(st_mysql* handle, std::string name, TTables tables)
    : Handle(handle), Name(std::move(name)), Tables(std::move(tables)) {}

bool TDatabase::Select() {
    Selected = SelectDatabase(Handle, Name);
    return Selected;
}

TDatabases::TDatabases(st_mysql* handle) : TDatabases(handle, TCatalogueRead(handle).Databases()) {}

TDatabases::TDatabases(st_mysql* handle, std::vector<std::unique_ptr<TDatabase>> items)
    : Handle(handle), FItems(std::move(items)) {
    SelectFirst();
}

void TDatabases::Replace(const std::string& name, std::unique_ptr<TDatabase> database) {
    const auto at = std::find_if(FItems.begin(), FItems.end(),
                                 [&](const std::unique_ptr<TDatabase>& d) { return d->Name == name; });
    if (at == FItems.end()) {
        if (database) FItems.push_back(std::move(database));
    } else if (database) {
        *at = std::move(database);
    } else {
        FItems.erase(at);
    }
}

void TDatabases::SelectFirst() {
    for (auto& d : FItems)
        if (d->Select()) break;
}

std::unique_ptr<TDatabases> ReadCatalogueTableByTable(st_mysql* handle) {
    std::vector<std::unique_ptr<TDatabase>> items;
    for (auto& n : FirstColumnOf(ListDatabases(handle)))
        items.push_back(std::make_unique<TDatabase>(handle, std::move(n)));
    return std::unique_ptr<TDatabases>(new TDatabases(handle, std::move(items)));
}
