#pragma once
// The colouring of the query editor: SQL words blue, '#' and block comments teal, operator
// characters red, with the editor settings that go with it (tabs as text, every change repaints).

class TColorMemo;

// Replaces the editor's rules with the four SQL rules and sets its colouring options.
void LoadSqlRuleSet(TColorMemo& memo);
