#pragma once
// What a statement that ran does to what the tree shows, told by its first words outside comments:
// the catalogue (CREATE, DROP, ALTER, RENAME, TRUNCATE of a table, view or database) and the
// connection's current database (USE, DROP DATABASE). Only whether to look again is told here;
// what is there is read from the server.

#include <string_view>

struct TStatementEffect {
    bool Catalogue = false;
    bool CurrentDatabase = false;
    TStatementEffect& operator|=(const TStatementEffect& other) {
        Catalogue |= other.Catalogue;
        CurrentDatabase |= other.CurrentDatabase;
        return *this;
    }
};

TStatementEffect EffectOf(std::string_view statement);
