#pragma once
// What a statement that ran does to what the tree shows, told by its first words outside comments:
// the catalogue (CREATE, DROP, ALTER, RENAME, TRUNCATE of a table, view or database) and the
// connection's current database (USE, DROP DATABASE). Only whether to look again is told here;
// what is there is read from the server.

#include <string_view>

struct TStatementEffect {
    bool Catalogue = false;
    bool CurrentDatabase = false;
    // A catalogue change that may reach beyond the current database: a database made or dropped,
    // or an object named with its database ("shop.orders"). Without it, the change is in the
    // database current when the statement ran.
    bool OtherDatabases = false;
    TStatementEffect& operator|=(const TStatementEffect& other) {
        Catalogue |= other.Catalogue;
        CurrentDatabase |= other.CurrentDatabase;
        OtherDatabases |= other.OtherDatabases;
        return *this;
    }
};

TStatementEffect EffectOf(std::string_view statement);
