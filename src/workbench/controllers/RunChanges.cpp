#include "workbench/controllers/RunChanges.h"

#include "server/MySql.h"

void TRunChanges::Add(std::string_view statement, TMySql& host) {
    const TStatementEffect effect = EffectOf(statement);
    FCurrentDatabase |= effect.CurrentDatabase;
    if (!effect.Catalogue || FEverything) return;
    if (effect.OtherDatabases) {
        FEverything = true;
        return;
    }
    const std::string current = host.CurrentDatabase();
    // With no database current the statement named its own, or failed: read everything.
    if (current.empty())
        FEverything = true;
    else
        FDatabases.insert(current);
}
