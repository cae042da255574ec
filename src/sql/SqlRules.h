#pragma once
// The query editor's four colour rules: SQL words blue, '#' comments and block comments teal,
// operator characters red. Plain data over the colouring core, so its tests and benchmark use the
// very rules the editor carries.

#include "editor/ColorRules.h"

// Replaces `rules` with the four SQL rules.
void AddSqlRules(TDrawRules& rules);
