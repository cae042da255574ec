#pragma once
// The copied outcome of one statement: its column names and rows, read from an immutable block that
// a view may share after the result itself is gone.

#include "server/ResultBlock.h"

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
    // Every byte of the value; NULL reads as the empty string, IsNull tells it apart.
    std::string_view Values(int i) const { return FBlock->Cell(FRow, static_cast<std::size_t>(i)); }
    bool IsNull(int i) const { return FBlock->IsNull(FRow, static_cast<std::size_t>(i)); }

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

// Told of a statement's rows while they arrive, so they can be shown before the last one is in.
class TRowsArrival {
public:
    virtual ~TRowsArrival() = default;
    // `block` is the result being read, its RowCount() rows complete; more are appended after the
    // call returns. Called once the first row is in, then now and then as more come (at the latest
    // before each wait for the server), never after the last. A transfer that then fails is a
    // failed statement all the same: its result has no rows.
    virtual void RowsArrived(const std::shared_ptr<const TResultBlock>& block) = 0;
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
    friend class TCatalogueRead;
    std::shared_ptr<const TResultBlock> FBlock;

public:
    st_mysql* Handle;
    TRows Rows;
    TFields Fields;
    int AffectedRows = 0;
    int Duration = 0;
    // The user stopped the transfer: the rows are those that had arrived, and the error the stop
    // caused on the server is not the result's.
    bool Stopped = false;
    // Why the program stopped it itself (no room for the rows); empty when the user did.
    std::string StopReason;

private:
    std::string FErrorText;
};
