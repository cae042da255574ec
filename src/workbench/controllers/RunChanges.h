#pragma once
// What a run's statements changed in what the tree shows, gathered statement by statement, so
// that the tree reads each changed database again once, when the run ends.

#include "sql/StatementEffect.h"

#include <set>
#include <string>

class TMySql;

class TRunChanges {
public:
    // After `statement` ran on `host`. A change within the current database is put down under that
    // database's name, asked of the server while it is still current.
    void Add(std::string_view statement, TMySql& host);

    // Every database may have changed: the whole catalogue is read again.
    bool Everything() const { return FEverything; }
    // The databases changed otherwise, by name.
    const std::set<std::string>& Databases() const { return FDatabases; }
    // A statement may have changed the connection's current database.
    bool CurrentDatabase() const { return FCurrentDatabase; }

private:
    bool FEverything = false;
    bool FCurrentDatabase = false;
    std::set<std::string> FDatabases;
};
