#pragma once
// Server access layer: one connection object per host (TMySql), the copied outcome of a statement
// (TResult) and the catalogue of databases, tables and fields read at connect time.
//
// Nothing here raises on a server or network failure: operations return false or an empty
// TResult, and the caller reads ErrorText at once, since every library call replaces the last error.
//
// Ownership: TMySql owns its handle, its catalogue and its LastResult. Connect on an object that was
// connected before releases the old catalogue and handle first, so whoever shows catalogue objects
// (the navigation tree) must drop its references to them before calling Connect again.

#include "ResultBlock.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct st_mysql;
struct st_mysql_res;

class TField {
public:
    explicit TField(std::string name) : Name(std::move(name)) {}
    std::string Name;
};

class TFields {
public:
    TFields() = default;
    explicit TFields(const std::vector<std::string>& names);
    int Count() const { return static_cast<int>(FItems.size()); }
    const TField& Items(int i) const { return FItems[static_cast<std::size_t>(i)]; }

private:
    std::vector<TField> FItems;
};

// A row of a result: a light view into the result's block, valid while the block lives.
class TRow {
public:
    TRow(const TResultBlock* block, std::size_t row) : FBlock(block), FRow(row) {}
    int Count() const { return static_cast<int>(FBlock->FieldCount()); }
    std::string_view Values(int i) const { return FBlock->Cell(FRow, static_cast<std::size_t>(i)); }

private:
    const TResultBlock* FBlock;
    std::size_t FRow;
};

class TRows {
public:
    explicit TRows(const TResultBlock* block) : FBlock(block) {}
    int Count() const { return static_cast<int>(FBlock->RowCount()); }
    TRow Items(int i) const { return TRow(FBlock, static_cast<std::size_t>(i)); }

private:
    const TResultBlock* FBlock;
};

class TResult {
public:
    // Copies the field names and every row of `res` (may be null) at once; the caller frees `res`.
    TResult(st_mysql_res* res, st_mysql* handle);
    TResult(const TResult&) = delete;
    TResult& operator=(const TResult&) = delete;

    // The library's error on the connection when the result was made (at most 200 characters, empty
    // after a success): later statements do not change it.
    const std::string& ErrorText() const { return FErrorText; }
    // The immutable block behind Rows, to be shared by a view that outlives this result.
    const std::shared_ptr<const TResultBlock>& Block() const { return FBlock; }

private:
    // Connection-lost mid-transfer counts as a failed statement: the partial copy is dropped.
    TResult(std::shared_ptr<const TResultBlock> block, st_mysql* handle, int affectedRows);
    friend class TMySql;
    std::shared_ptr<const TResultBlock> FBlock;

public:
    st_mysql* Handle;
    TRows Rows;
    TFields Fields;
    int AffectedRows = 0;
    int Duration = 0;

private:
    std::string FErrorText;
};

class TTable {
public:
    TTable(st_mysql* handle, std::string name);
    TTable(const TTable&) = delete;
    TTable& operator=(const TTable&) = delete;

    std::string Name;
    TFields Fields;
    std::unique_ptr<TResult> Description;
};

class TTables {
public:
    // Lists the tables of the connection's current database; `list` false gives an empty list.
    TTables(st_mysql* handle, bool list);
    int Count() const { return static_cast<int>(FItems.size()); }
    TTable* Items(int i) const { return FItems[static_cast<std::size_t>(i)].get(); }
    st_mysql* Handle;

private:
    std::vector<std::unique_ptr<TTable>> FItems;
};

class TDatabase {
public:
    TDatabase(st_mysql* handle, std::string name);
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

    // Makes this the connection's current database; Selected follows the outcome.
    bool Select();

    st_mysql* Handle;
    std::string Name;
    bool Selected = false;
    TTables Tables;
};

class TDatabases {
public:
    // Builds the whole catalogue on a connected handle; the first selectable database is current.
    explicit TDatabases(st_mysql* handle);
    int Count() const { return static_cast<int>(FItems.size()); }
    TDatabase* Items(int i) const { return FItems[static_cast<std::size_t>(i)].get(); }
    st_mysql* Handle;

private:
    std::vector<std::unique_ptr<TDatabase>> FItems;
};

class TMySql {
public:
    TMySql();
    ~TMySql();
    TMySql(const TMySql&) = delete;
    TMySql& operator=(const TMySql&) = delete;

    bool Connect();
    bool Disconnect();    // always false: closing has no failure outcome
    bool IsAlive() const; // local test, no round trip
    // The library's last error on the handle, or why Connect refused to try.
    std::string ErrorText() const;

    std::string ServerInfo() const;
    std::string HostInfo() const;
    unsigned long ThreadId() const;
    std::string Statistics() const;
    static std::string ClientInfo();

    // Runs one statement, sent whole with its length (a NUL inside is the server's to judge); the
    // result is this object's LastResult until the next Execute/ProcessList. Further results the
    // statement sends (a procedure's) are read and released; one that fails makes it a failure.
    TResult* Execute(const std::string& sql);
    TResult* ProcessList();
    bool CreateDatabase(const std::string& name);
    bool DropDatabase(const std::string& name);
    bool RefreshGrants();

    // Reads the catalogue again on the open connection (after creating or dropping a database).
    // The old catalogue is released first: drop every reference to it before calling. False, with
    // the catalogue left as it was, when there is no open connection.
    bool ReadDatabases();
    TDatabases* Databases() const { return FDatabases.get(); }
    // The words the connected server reserves, upper case and sorted, as read at Connect; empty when
    // the server does not tell.
    const std::vector<std::string>& ReservedWords() const { return FReservedWords; }
    TResult* LastResult() const { return FLastResult.get(); }
    st_mysql* Handle() const { return FHandle; }

    std::string Name;
    std::string Host;
    std::string User;
    std::string Password;
    int Port = 0; // 0: the client library's default port

private:
    void CloseHandle();
    TResult* Store(st_mysql_res* res, bool streamed);

    st_mysql* FHandle = nullptr;
    std::unique_ptr<TDatabases> FDatabases;
    std::unique_ptr<TResult> FLastResult;
    std::vector<std::string> FReservedWords;
    std::string FRefusal; // why Connect did not even try, reported as its error
    bool FConnected = false;
};

// `name` as a backtick-quoted identifier, any backtick inside doubled.
std::string QuoteIdentifier(std::string_view name);
