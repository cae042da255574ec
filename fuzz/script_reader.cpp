// Run SQL file's reader: a script read a few bytes at a time (the first input byte says how many)
// must give the very statements, numbers, lines and errors that reading it whole gives; and read
// whole, a UTF-8 script without errors gives the statements of the cut of its whole text.

#include "WholeScriptCut.h"
#include "sql/ScriptReader.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct TOutcome {
    std::vector<std::string> Statements;
    std::vector<std::size_t> Lines;
    int Error = 0;
    std::size_t Number = 0, Line = 0;
    TSqlEncoding Encoding = TSqlEncoding::Utf8;
    bool operator==(const TOutcome&) const = default;
};

TOutcome Read(const QByteArray& bytes, std::size_t piece) {
    QByteArray copy = bytes;
    TScriptReader reader(std::make_unique<QBuffer>(&copy), piece);
    TOutcome o;
    while (reader.Next()) {
        o.Statements.emplace_back(reader.Statement());
        o.Lines.push_back(reader.Line());
    }
    o.Error = reader.Error();
    o.Number = reader.Number();
    o.Line = reader.Line();
    o.Encoding = reader.Encoding();
    return o;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = data[0] % 16 + 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const TOutcome whole = Read(bytes, std::size_t{1} << 20);
    if (!(Read(bytes, piece) == whole)) std::abort();
    if (whole.Error == TScriptReader::None && whole.Encoding == TSqlEncoding::Utf8 &&
        whole.Statements != WholeScriptCut(bytes.toStdString()))
        std::abort();
    return 0;
}
