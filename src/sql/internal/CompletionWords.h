#pragma once
// The words completion offers besides the catalogue's names: SQL keywords and the functions the
// MariaDB and MySQL servers have built in, upper case and sorted.

#include <span>

std::span<const char* const> CompletionKeywords();
std::span<const char* const> CompletionFunctions();
