#pragma once
// The main window's commands, one object each: its tool button, menu items and shortcuts, and
// the state they share. The window fills them from its command table; the command-state rule and
// the controllers set their states.

#include "workbench/window/Commands.h"

struct TCommandSet {
    TCommand Connect, Disconnect, SelectDb, CreateDb, DeleteDb, NewHost, Properties, DeleteHost, Maximize,
        ExportResult, ClearResult, LoadSql, SaveSql, Previous, Next, Query, DescribeTable, TableSelect,
        FieldSelect, Cut, Copy, Paste, About, Exit, CopyRows, CopyWithNames, CopyAsInsert, QueryCurrent,
        RunSqlFile, ToggleComment, GotoLine, Complete;
    TCommand Find, Replace, FindNext, FindPrevious, LineNumbers;
    TCommand Refresh, FilterTree;
};
