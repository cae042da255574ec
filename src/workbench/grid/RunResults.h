#pragma once
// The results of one run of statements, kept for the tabs above the grid: each result that has
// rows or fields, with the summary it was shown with. An entry shares the block the grid shows, so
// keeping it costs no copy. When the blocks of one run together pass the memory cap, the oldest
// are let go (their entries stay, to say so); the newest is always kept. A run keeps its last
// MaxResults entries only: a tab bar of thousands of tabs is slow to build and of no use.

#include "server/ResultBlock.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

struct TRunResult {
    std::shared_ptr<const TResultBlock> Block; // null once let go
    QString Title;                             // the tab's text: the result's number and first words
    QString Statement;                         // the statement that gave it, for the tab's tip
    QString StatusText;                        // the summary the status line showed for it
    bool ExportEnabled = false;
};

class TRunResults {
public:
    static constexpr std::uint64_t DefaultMemoryCap = std::uint64_t(1) << 30;
    static constexpr std::size_t MaxResults = 200;

    void Clear();
    // Adds the next result of the run, titled with its number in the run and `statement`; the
    // oldest are let go while the run is over the memory cap, and dropped beyond MaxResults.
    void Add(std::shared_ptr<const TResultBlock> block, std::string_view statement, const QString& status,
             bool exportEnabled);
    void Remove(std::size_t index);

    std::size_t Count() const { return FItems.size(); }
    const TRunResult& At(std::size_t index) const { return FItems[index]; }
    std::uint64_t Bytes() const { return FBytes; }

    std::uint64_t MemoryCap() const { return FCap; }
    void SetMemoryCap(std::uint64_t bytes) { FCap = bytes; }

    // About what a block holds in memory: its bytes and the offsets of its cells.
    static std::uint64_t BlockBytes(const TResultBlock& block);
    // "3: SELECT name FROM customers…": the number, then the statement's first words on one line.
    static QString Title(std::size_t number, std::string_view statement);

private:
    std::vector<TRunResult> FItems;
    std::uint64_t FBytes = 0;
    std::size_t FFirstKept = 0; // the entries before it are all let go
    std::size_t FAdded = 0;     // results of the run so far, dropped ones included
    std::uint64_t FCap = DefaultMemoryCap;
};
