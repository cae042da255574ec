#pragma once
// The catalogue: the databases a connection shows, the tables of each, and every table's column
// names and description ("SHOW FIELDS"), read once when connecting. Every object keeps the handle it
// was read on and owns what lies below it.

#include "server/Result.h"

#include <memory>
#include <string>
#include <vector>

struct st_mysql;
class TCatalogueRead;

class TTable {
public:
    // Reads the columns and the description with two statements of their own, on the connection's
    // current database.
    TTable(st_mysql* handle, std::string name);
    ~TTable();
    TTable(const TTable&) = delete;
    TTable& operator=(const TTable&) = delete;

    std::string Name;
    TFields Fields;
    std::unique_ptr<TResult> Description;
    // A view, where the catalogue read was told (the listing of the information schema).
    bool View = false;

private:
    friend class TCatalogueRead;
    TTable(std::string name, TFields fields, std::unique_ptr<TResult> description);
};

class TTables {
public:
    // Lists the tables of the connection's current database; `list` false gives an empty list.
    TTables(st_mysql* handle, bool list);
    int Count() const { return static_cast<int>(FItems.size()); }
    TTable* Items(int i) const { return FItems[static_cast<std::size_t>(i)].get(); }
    st_mysql* Handle;

private:
    friend class TCatalogueRead;
    std::vector<std::unique_ptr<TTable>> FItems;
};

class TDatabase {
public:
    // Makes the database current and reads its tables one by one.
    TDatabase(st_mysql* handle, std::string name);
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

    // Makes this the connection's current database; Selected follows the outcome.
    bool Select();

    st_mysql* Handle;
    std::string Name;
    bool Selected = false;
    TTables Tables;

private:
    friend class TCatalogueRead;
    TDatabase(st_mysql* handle, std::string name, TTables tables);
};

class TDatabases {
public:
    // Builds the whole catalogue on a connected handle, in a number of statements that does not grow
    // with the number of databases and tables; the first selectable database is current.
    explicit TDatabases(st_mysql* handle);
    int Count() const { return static_cast<int>(FItems.size()); }
    TDatabase* Items(int i) const { return FItems[static_cast<std::size_t>(i)].get(); }
    // Puts `database`, read again, in the place of the one of its name (appended when there is
    // none), or drops that one when `database` is null. The one replaced is released.
    void Replace(const std::string& name, std::unique_ptr<TDatabase> database);
    st_mysql* Handle;

private:
    friend std::unique_ptr<TDatabases> ReadCatalogueTableByTable(st_mysql* handle);
    TDatabases(st_mysql* handle, std::vector<std::unique_ptr<TDatabase>> items);
    void SelectFirst();

    std::vector<std::unique_ptr<TDatabase>> FItems;
};

// The same catalogue read the slow way, database by database and two statements a table: the
// yardstick the fast read is checked against.
std::unique_ptr<TDatabases> ReadCatalogueTableByTable(st_mysql* handle);
