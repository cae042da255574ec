#pragma once
// Names put into generated statements (the tree menu's SELECT items).

#include <QString>

// `name` bare when the server reads it unquoted as that same identifier (ASCII letters, digits,
// '_' and '$', not a number, not a reserved word); otherwise in backticks, inner ones doubled.
QString SqlName(const QString& name);
