#pragma once
// Statements as the server gets them: LF between their lines, as this platform's command-line
// client sends them, not the editor's CR LF (a literal typed across two lines holds one LF). A
// lone CR is data and stays.

#include <cstddef>
#include <string>
#include <string_view>

// Drops the CR of each CR LF of s[0, n) in place; returns the new length.
std::size_t ToServerForm(char* s, std::size_t n);

// The same on a copy.
std::string ServerForm(std::string_view statement);
