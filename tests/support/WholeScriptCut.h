#pragma once
// What a script file read whole should give: the statements of the cut of its whole text as Query
// cuts the editor's lines (CR LF line breaks; the text after the last delimiter a statement when it
// holds more than blanks and comments), each as the server gets it, with LF line breaks. The
// reference the piecewise reader is checked against, by its tests and its fuzz target.

#include "ReferenceSplit.h"
#include "sql/SplitStatements.h"

#include <string>
#include <string_view>
#include <vector>

inline std::vector<std::string> WholeScriptCut(std::string_view text) {
    std::string crlf;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) crlf += '\r';
        crlf += text[i];
    }
    const TScriptCut cut = CutScript(crlf);
    std::vector<std::string> out;
    for (const std::string_view s : cut.Statements) {
        const auto at = static_cast<std::size_t>(s.data() - crlf.data());
        if (at >= cut.Rest && !reference_split::HoldsMore(crlf, at, crlf.size())) continue;
        std::string lf;
        for (std::size_t i = 0; i < s.size(); ++i)
            if (s[i] != '\r' || i + 1 == s.size() || s[i + 1] != '\n') lf += s[i];
        out.push_back(lf);
    }
    return out;
}
