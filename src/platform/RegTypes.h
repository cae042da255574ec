#pragma once
// What the registry's access object and its file form share: the one failure it raises, the value
// kinds, and how key names compare and which names a key may have.

#include <stdexcept>
#include <string>

// The one failure the registry raises; what() is the message box text.
class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TRegDataType { rdString, rdInteger };

// Registry key names compare the way the registry compares them: upper-cased, then ordinal.
int CompareKeyNames(const std::string& a, const std::string& b);
inline bool SameKeyName(const std::string& a, const std::string& b) {
    return CompareKeyNames(a, b) == 0;
}

// A key name the file format and the registry can hold: not empty, no backslash, no control
// character (a line break would end the section header).
bool IsValidKeyName(const std::string& name);
