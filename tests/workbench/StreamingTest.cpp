// A result's rows on screen while they arrive, through the real main window against the sandbox:
// the grid and the status line grow with the transfer, Esc keeps the rows that came (and the
// connection takes the next statement), and a transfer that fails drops what it had shown. A
// result past the memory budget keeps its rows in a file that goes when the result goes.

#include "WindowTestSupport.h"

#include "Sandbox.h"
#include "TestFiles.h"
#include "editor/ColorMemo.h"
#include "platform/Registry.h"
#include "server/MySql.h"
#include "server/ResultBlock.h"
#include "workbench/dialogs/ExportResult.h"
#include "workbench/grid/ResultModel.h"
#include "workbench/waiting/ServerWaitGuard.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// What the window showed while a statement's rows were still coming.
struct TSeenWhileArriving {
    int Rows = 0;            // the grid's rows at the last look
    QString Status;          // the status line then
    QString FirstCell;       // the first row's first cell then
    std::vector<int> Counts; // the grid's rows at each look that found more
    bool Matching = true;    // every look had the status line count the grid's rows
};

class Streaming : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(Dir.isValid());
        Db = std::make_unique<TempDatabase>("stream");
        Db->Run("CREATE TABLE log (n INT)");
        BeforeOpen();
        Open();
        ShowConnectedSandbox();
        // The server's number tables (seq_1_to_N) are read in a database of the test's own.
        Run(QStringLiteral("USE `%1`").arg(QString::fromStdString(Db->Name())));
    }
    void TearDown() override {
        WindowTest::TearDown();
        Db.reset();
    }

    virtual void BeforeOpen() {}
    QString Status() const { return Window->StatusText(); }
    TResultView* Grid() const { return Ui(*Window).lstOut; }
    int GridRows() const { return Grid()->model()->rowCount(); }

    // Runs `text` with F12 as the user does; `look` runs every few milliseconds while it waits.
    void Run(const QString& text, std::function<void()> look = {}) {
        QTimer timer;
        if (look) {
            timer.setInterval(5);
            QObject::connect(&timer, &QTimer::timeout, Window, [&] {
                if (TServerWaitGuard::Active()) look();
            });
            timer.start();
        }
        QApplication::setActiveWindow(Window);
        Ui(*Window).mmoIn->SetText(text);
        Ui(*Window).mmoIn->setFocus();
        QTest::keyClick(Ui(*Window).mmoIn, Qt::Key_F12);
        timer.stop();
    }
    // Notes what the grid and the status line show while rows arrive.
    std::function<void()> Watch(TSeenWhileArriving& seen) {
        return [this, &seen] {
            const int rows = GridRows();
            if (rows == 0) return;
            if (rows > seen.Rows) seen.Counts.push_back(rows);
            seen.Rows = rows;
            seen.Status = Status();
            seen.FirstCell = Grid()->Model()->CellText(0, 0);
            if (Status() != QStringLiteral("Fetching: %1 rows").arg(rows)) seen.Matching = false;
        };
    }
    void PressEscape() {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Window;
        QTest::keyClick(target, Qt::Key_Escape);
    }
    int LogRows() {
        TResult* r = Db->Admin().Execute("SELECT COUNT(*) FROM `" + Db->Name() + "`.log");
        EXPECT_EQ(r->Rows.Count(), 1) << r->ErrorText();
        return r->Rows.Count() == 1 ? std::stoi(std::string(r->Rows.Items(0).Values(0))) : -1;
    }
    // Export of the grid through the real command, with the options as they are.
    void SortDescendingByFirstColumn() {
        const QPoint caption(Grid()->columnViewportPosition(0) + 5, 5);
        QTest::mouseClick(Grid()->horizontalHeader()->viewport(), Qt::LeftButton, {}, caption);
        QTest::mouseClick(Grid()->horizontalHeader()->viewport(), Qt::LeftButton, {}, caption);
    }
    QString CopyAll() {
        Grid()->setFocus();
        Grid()->selectAll();
        Ui(*Window).popmnuCopyRows->trigger();
        return QGuiApplication::clipboard()->text();
    }
    void ExportTo(const QString& path) {
        QTimer::singleShot(0, Window, [this] {
            TfrmExportResult* d = Windows->frmExportResult.get();
            if (d->isVisible()) d->btnOk->click();
        });
        Dialogs.AnswerFile(path);
        Dialogs.Answer(TMsgResult::Yes); // create it
        Ui(*Window).btnExportResult->click();
    }

    QTemporaryDir Dir;
    std::unique_ptr<TempDatabase> Db;
};

// Rows of 2 KB, so that they leave the server's buffer as they are made; the server pauses for
// `seconds` before row `pauseAt` (and, when given, before row `pauseAgainAt`).
QString SlowSelect(int rows, int pauseAt, double seconds, int pauseAgainAt = 0) {
    return QStringLiteral("SELECT seq, REPEAT('x', 2000) AS pad, SLEEP(IF(seq IN (%1, %2), %3, 0)) AS pause "
                          "FROM seq_1_to_%4")
        .arg(pauseAt)
        .arg(pauseAgainAt)
        .arg(seconds)
        .arg(rows);
}

const QRegularExpression StoppedSummary(
    QStringLiteral("^(\\d+) rows - 3 fields in \\d+ milliseconds\\. \\(stopped by the user\\)$"));

TEST_F(Streaming, TheFirstRowsAreShownWhileTheRestArrive) {
    TSeenWhileArriving seen;
    Run(SlowSelect(400, 150, 1, 300), Watch(seen));
    // The rows before each pause were on screen, counted on the status line, while it lasted (the
    // server holds back at most one buffer of 16 KB).
    auto shownDuring = [&](int from, int to) {
        return std::any_of(seen.Counts.begin(), seen.Counts.end(),
                           [&](int n) { return n >= from && n < to; });
    };
    EXPECT_TRUE(shownDuring(140, 150)) << "rows seen: " << ::testing::PrintToString(seen.Counts);
    EXPECT_TRUE(shownDuring(290, 300)) << "rows seen: " << ::testing::PrintToString(seen.Counts);
    EXPECT_TRUE(seen.Matching) << "last seen: " << seen.Status.toStdString();
    EXPECT_EQ(seen.FirstCell, QStringLiteral("1"));
    // Then the designed summary for the whole result.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^400 rows - 3 fields in \\d+ milliseconds\\.$"))
                    .match(Status())
                    .hasMatch())
        << Status().toStdString();
    ASSERT_EQ(GridRows(), 400);
    EXPECT_EQ(Grid()->Model()->CellText(399, 0), QStringLiteral("400"));
    EXPECT_TRUE(Ui(*Window).btnExportResult->isEnabled());
}

TEST_F(Streaming, EscapeKeepsTheRowsThatArrivedForSortCopyAndExport) {
    TSeenWhileArriving seen;
    bool pressed = false;
    auto watch = Watch(seen);
    // Stopped during the pause; the INSERT after it is not sent.
    Run(SlowSelect(400, 200, 20) + QStringLiteral("; INSERT INTO log VALUES (1)"), [&] {
        watch();
        if (!pressed && seen.Rows > 0 && GridRows() >= 150) {
            pressed = true;
            PressEscape();
        }
    });
    ASSERT_TRUE(pressed) << "the rows before the pause were never shown";
    const QRegularExpressionMatch summary = StoppedSummary.match(Status());
    ASSERT_TRUE(summary.hasMatch()) << Status().toStdString();
    const int kept = summary.captured(1).toInt();
    EXPECT_GE(kept, 150);
    EXPECT_LT(kept, 200);
    ASSERT_EQ(GridRows(), kept);
    for (int row = 0; row < kept; ++row)
        ASSERT_EQ(Grid()->Model()->CellText(row, 0), QString::number(row + 1));
    EXPECT_EQ(LogRows(), 0) << "the statement after the stopped one was run";
    EXPECT_TRUE(Ui(*Window).btnExportResult->isEnabled());

    // Sorting: a click on the caption orders ascending, the next descending.
    SortDescendingByFirstColumn();
    ASSERT_EQ(Grid()->Model()->SortColumn(), 0);
    // The server sends seq as a number: descending, the last row kept comes first.
    EXPECT_EQ(Grid()->Model()->CellText(0, 0), QString::number(kept));
    EXPECT_EQ(Grid()->Model()->CellText(kept - 1, 0), QStringLiteral("1"));

    // Copy every row as shown.
    const QStringList copied = CopyAll().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(copied.size(), kept);
    EXPECT_EQ(copied.front(), QString::number(kept) + QLatin1Char('\t') + QString(2000, QLatin1Char('x')) +
                                  QStringLiteral("\t0"));

    // Export every row as shown, header first.
    const QString file = Dir.filePath(QStringLiteral("stopped.csv"));
    ExportTo(file);
    std::string expected = "seq;pad;pause\r\n";
    for (int n = kept; n >= 1; --n)
        expected += std::to_string(n) + ";" + std::string(2000, 'x') + ";0\r\n";
    EXPECT_EQ(ReadFile(file), expected);

    // The connection takes the next statement at once.
    Run(QStringLiteral("SELECT 41 + 1"));
    EXPECT_TRUE(Status().startsWith(QLatin1String("1 rows - 1 fields"))) << Status().toStdString();
    EXPECT_EQ(Grid()->Model()->CellText(0, 0), QStringLiteral("42"));
}

TEST_F(Streaming, ATransferThatFailsDropsTheRowsItHadShown) {
    TSeenWhileArriving seen;
    // Row 300's subquery has two rows: the server fails there, after the rows before it.
    Run(QStringLiteral("SELECT seq, REPEAT('x', 2000), SLEEP(IF(seq = 299, 1, 0)), "
                       "(SELECT seq FROM seq_1_to_2 WHERE seq <= IF(s.seq = 300, 2, 1)) FROM seq_1_to_400 s"),
        Watch(seen));
    EXPECT_GT(seen.Rows, 0) << "no rows were shown before the failure";
    EXPECT_EQ(Status(), QStringLiteral("Error: Subquery returns more than 1 row"));
    EXPECT_EQ(GridRows(), 0);
    EXPECT_EQ(Grid()->model()->columnCount(), 0);
    EXPECT_FALSE(Ui(*Window).btnExportResult->isEnabled());
    Run(QStringLiteral("SELECT 1"));
    EXPECT_TRUE(Status().startsWith(QLatin1String("1 rows - 1 fields"))) << Status().toStdString();
}

// With a budget of 1 MB ("result memory") and the cache folder in the test's own folder.
class SpilledResult : public Streaming {
protected:
    void BeforeOpen() override {
        qputenv("XDG_CACHE_HOME", Dir.filePath(QStringLiteral("cache")).toUtf8());
        TRegistry reg(Store());
        ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana", true));
        // The placement a run before would have saved, beside it.
        for (const char* name : {"width", "height", "left", "top"})
            reg.WriteInteger(name, 600);
        reg.WriteInteger("state", 0);
        reg.WriteInteger("result memory", 1);
    }
    void TearDown() override {
        Streaming::TearDown();
        qunsetenv("XDG_CACHE_HOME");
    }
    QStringList SpillFiles() const {
        return QDir(TfrmMain::ResultSpillFolder())
            .entryList({QStringLiteral("korvana-result-*")}, QDir::Files);
    }
    const TResultBlock* Shown() const { return Grid()->Model()->Block().get(); }

    // 20,000 rows of about 1 KB, a NULL in every seventh.
    static QString LargeSelect() {
        return QStringLiteral("SELECT seq, REPEAT(CHAR(65 + seq % 26), 1000) AS text, IF(seq % 7 = 0, NULL, "
                              "seq * 3) AS n FROM seq_1_to_20000");
    }
};

TEST_F(SpilledResult, ScrollsSortsCopiesAndExportsEveryRowAndItsFileGoesWithIt) {
    Run(LargeSelect());
    ASSERT_TRUE(Status().startsWith(QLatin1String("20000 rows - 3 fields"))) << Status().toStdString();
    ASSERT_EQ(GridRows(), 20000);
    ASSERT_NE(Shown(), nullptr);
    EXPECT_GT(Shown()->SpilledBytes(), std::size_t(10) << 20);
    EXPECT_LT(Shown()->MemoryUsed(), 2 * TResultBlock::ChunkBytes);
    ASSERT_EQ(SpillFiles().size(), 1);
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_FALSE(QFile::permissions(QDir(TfrmMain::ResultSpillFolder()).filePath(SpillFiles().front())) &
                 others);
    EXPECT_FALSE(QFile::permissions(TfrmMain::ResultSpillFolder()) & others);

    // The last screen, read back from the file.
    Grid()->scrollToBottom();
    QApplication::processEvents();
    EXPECT_EQ(Grid()->rowAt(Grid()->viewport()->height() - 2), 19999);
    EXPECT_EQ(Grid()->Model()->CellText(19999, 0), QStringLiteral("20000"));
    EXPECT_EQ(Grid()->Model()->CellText(19999, 1), QString(1000, QLatin1Char('G'))); // 65 + 20000 % 26
    EXPECT_EQ(Grid()->Model()->data(Grid()->Model()->index(19999, 2), TResultModel::NullRole),
              QVariant(false));
    EXPECT_EQ(Grid()->Model()->data(Grid()->Model()->index(19998, 2), TResultModel::NullRole),
              QVariant(true));

    SortDescendingByFirstColumn();
    EXPECT_EQ(Grid()->Model()->CellText(0, 0), QStringLiteral("20000"));
    const QString spilledCopy = CopyAll();
    ExportTo(Dir.filePath(QStringLiteral("spilled.csv")));
    const std::string spilledExport = ReadFile(Dir.filePath(QStringLiteral("spilled.csv")));

    // Cleared, the result and its file are gone; a new run lets go of the last one's too.
    Ui(*Window).popmnuClearResult->trigger();
    EXPECT_TRUE(SpillFiles().isEmpty()) << SpillFiles().join(QLatin1Char(' ')).toStdString();
    Run(LargeSelect());
    EXPECT_EQ(SpillFiles().size(), 1);
    Run(QStringLiteral("SELECT 1"));
    EXPECT_TRUE(SpillFiles().isEmpty()) << SpillFiles().join(QLatin1Char(' ')).toStdString();

    // The same rows held in memory give the same copy and export, byte for byte.
    TResultBlock::SetSpill(TfrmMain::ResultSpillFolder().toStdString(), 0);
    Run(LargeSelect());
    ASSERT_EQ(Shown()->SpilledBytes(), 0u);
    SortDescendingByFirstColumn();
    EXPECT_TRUE(CopyAll() == spilledCopy) << "the copies differ";
    ExportTo(Dir.filePath(QStringLiteral("held.csv")));
    const std::string heldExport = ReadFile(Dir.filePath(QStringLiteral("held.csv")));
    EXPECT_EQ(heldExport.size(), spilledExport.size());
    EXPECT_TRUE(heldExport == spilledExport) << "the exports differ";
    EXPECT_EQ(std::count(spilledExport.begin(), spilledExport.end(), '\n'), 20001);
    EXPECT_EQ(spilledExport.substr(0, 19), "seq;text;n\r\n20000;G");

    // At exit the file of the result still shown goes too.
    TResultBlock::SetSpill(TfrmMain::ResultSpillFolder().toStdString(), 1 << 20);
    Run(LargeSelect());
    EXPECT_EQ(SpillFiles().size(), 1);
    Close();
    EXPECT_TRUE(SpillFiles().isEmpty()) << SpillFiles().join(QLatin1Char(' ')).toStdString();
}

// No room for the rows past the budget (a file-size limit here, as a full disk would): the
// transfer stops, the rows that came are kept, and the status line says why.
TEST_F(SpilledResult, NoRoomForTheRowsStopsTheTransferAndSaysWhy) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const rlimit small{rlim_t(6) << 20, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Run(LargeSelect() + QStringLiteral("; INSERT INTO log VALUES (1)"));
    setrlimit(RLIMIT_FSIZE, &old);

    const QRegularExpression stopped(
        QStringLiteral(
            "^(\\d+) rows - 3 fields in \\d+ milliseconds\\. \\(stopped: no room for more rows in ") +
        QRegularExpression::escape(TfrmMain::ResultSpillFolder()) + QStringLiteral(": File too large\\)$"));
    const QRegularExpressionMatch m = stopped.match(Status());
    ASSERT_TRUE(m.hasMatch()) << Status().toStdString();
    const int kept = m.captured(1).toInt();
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 20000);
    ASSERT_EQ(GridRows(), kept);
    EXPECT_EQ(Grid()->Model()->CellText(kept - 1, 0), QString::number(kept));
    EXPECT_TRUE(Ui(*Window).btnExportResult->isEnabled());
    EXPECT_EQ(LogRows(), 0) << "the statement after the stopped one was run";
    Run(QStringLiteral("SELECT 1"));
    EXPECT_TRUE(Status().startsWith(QLatin1String("1 rows - 1 fields"))) << Status().toStdString();
    EXPECT_TRUE(SpillFiles().isEmpty());
}

TEST(ResultMemory, TheDefaultIsAQuarterOfTheMachineAndAtMostFourGiB) {
    const std::uint64_t budget = TfrmMain::DefaultResultMemory();
    EXPECT_LE(budget, std::uint64_t(4) << 30);
    EXPECT_GT(budget, std::uint64_t(16) << 20);
}

} // namespace
