#include "workbench/grid/RunResults.h"

#include "sql/QtText.h"

#include <algorithm>

namespace {
// Enough of a statement to tell the tabs apart without making the bar a second editor.
constexpr qsizetype TitleLength = 32;
} // namespace

void TRunResults::Clear() {
    FItems.clear();
    FBytes = 0;
    FFirstKept = 0;
    FAdded = 0;
}

std::uint64_t TRunResults::BlockBytes(const TResultBlock& block) {
    return block.CellBytes() + std::uint64_t(block.RowCount()) * block.FieldCount() * sizeof(std::uint64_t);
}

void TRunResults::Add(std::shared_ptr<const TResultBlock> block, std::string_view statement,
                      const QString& status, bool exportEnabled) {
    if (block) FBytes += BlockBytes(*block);
    ++FAdded;
    FItems.push_back({std::move(block), Title(FAdded, statement), QtText(statement.substr(0, 1000)).trimmed(),
                      status, exportEnabled});
    if (FItems.size() > MaxResults) Remove(0);
    // Those let go before are passed over at once: a run of many results stays linear.
    for (; FBytes > FCap && FFirstKept + 1 < FItems.size(); ++FFirstKept) {
        if (!FItems[FFirstKept].Block) continue;
        FBytes -= BlockBytes(*FItems[FFirstKept].Block);
        FItems[FFirstKept].Block.reset();
    }
}

void TRunResults::Remove(std::size_t index) {
    if (index >= FItems.size()) return;
    if (FItems[index].Block) FBytes -= BlockBytes(*FItems[index].Block);
    FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(index));
    if (index < FFirstKept) --FFirstKept;
}

QString TRunResults::Title(std::size_t number, std::string_view statement) {
    // Only the start is read (a statement may be 100 MB of INSERT), cut between characters.
    std::size_t cut = std::min<std::size_t>(statement.size(), 4 * TitleLength);
    while (cut > 0 && cut < statement.size() && (static_cast<unsigned char>(statement[cut]) & 0xC0) == 0x80)
        --cut;
    const QString start = QtText(statement.substr(0, cut)).simplified();
    QString title = QString::number(number) + QStringLiteral(": ");
    if (start.size() > TitleLength)
        title += start.left(TitleLength - 1) + QChar(0x2026);
    else
        title += start;
    return title;
}
