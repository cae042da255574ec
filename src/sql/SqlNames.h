#pragma once
// Names put into generated statements (the tree menu's SELECT items, completion in the editor).

#include <QString>

#include <span>

class TMySql;

// `name` bare when the server reads it unquoted as that same identifier (ASCII letters, digits,
// '_' and '$', not a number, not a reserved word); otherwise in backticks, inner ones doubled.
// Reserved are the words of a built-in list and those `host` read from its server, if given.
QString SqlName(const QString& name, const TMySql* host = nullptr);

// Whether the server reads `name` (any letter case) as a reserved word, never as a bare name.
bool IsReservedWord(const QString& name, const TMySql* host = nullptr);

// The reserved words the program knows without asking a server, upper case and sorted.
std::span<const char* const> BuiltInReservedWords();
