// The tree's filter line over a generated catalogue of several hundred tables on the sandbox,
// shown by two connected hosts: typing narrows every host to the matching tables, Esc brings all
// back, and the filter holds for what a refresh brings.

#include "WindowTestSupport.h"

#include "Sandbox.h"
#include "server/MySql.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <string>

namespace {

constexpr int TablesEach = 300;

class TreeFilter : public WindowTest {
protected:
    static void SetUpTestSuite() {
        // Made once for the suite: several hundred tables take a while.
        First = new TempDatabase("flt_a");
        Second = new TempDatabase("flt_b");
        for (int i = 0; i < TablesEach; ++i) {
            First->Run("CREATE TABLE Orders_" + std::to_string(i) + " (id INT) ENGINE=MEMORY");
            Second->Run("CREATE TABLE items_" + std::to_string(i) + " (id INT) ENGINE=MEMORY");
        }
        Second->Run("CREATE TABLE ORDERS_ARCHIVE (id INT) ENGINE=MEMORY");
    }
    static void TearDownTestSuite() {
        delete First;
        delete Second;
    }

    void SetUp() override {
        WindowTest::SetUp();
        Open();
        for (const char* name : {"one", "two"}) {
            TTreeNode* node = Ui(*Window).Tree->AddHostNode(SandboxHost(name));
            ASSERT_TRUE(node->Host()->Connect()) << node->Host()->ErrorText();
            TNavigationTree::SetHostConnectedLook(node, true);
            Ui(*Window).Tree->PopulateHost(node);
            Hosts.push_back(node);
        }
        ShowActive();
        Ui(*Window).Tree->setCurrentItem(Hosts.front());
        Ui(*Window).Tree->setFocus();
    }

    QLineEdit* Filter() const { return Ui(*Window).txtTreeFilter; }
    TTreeNode* DbNode(TTreeNode* host, const TempDatabase& db) const {
        for (int i = 0; i < host->childCount(); ++i)
            if (host->child(i)->text(0).toStdString() == db.Name()) return AsNode(host->child(i));
        return nullptr;
    }
    // Every table node shows exactly when its name holds `text` in any case, every database node
    // exactly when one of its tables shows (or the text is empty); the number of tables shown in
    // this suite's two databases (other tests make databases of their own meanwhile).
    int ExpectShownExactlyMatching(const QString& text) const {
        int shown = 0;
        for (TTreeNode* host : Hosts) {
            EXPECT_FALSE(host->isHidden());
            for (int d = 0; d < host->childCount(); ++d) {
                QTreeWidgetItem* db = host->child(d);
                // A table is looked at as a user sees it: with its database in sight and open.
                const bool closed = !db->isHidden() && !db->isExpanded();
                if (closed) db->setExpanded(true);
                int here = 0;
                for (int t = 0; t < db->childCount(); ++t) {
                    const bool match = db->child(t)->text(0).contains(text, Qt::CaseInsensitive);
                    if (!db->isHidden()) {
                        EXPECT_EQ(db->child(t)->isHidden(), !match) << db->child(t)->text(0).toStdString();
                    }
                    here += match;
                }
                EXPECT_EQ(db->isHidden(), !text.isEmpty() && here == 0) << db->text(0).toStdString();
                const std::string name = db->text(0).toStdString();
                if (name == First->Name() || name == Second->Name()) shown += here;
                if (closed) db->setExpanded(false);
            }
        }
        return shown;
    }

    static TempDatabase* First;
    static TempDatabase* Second;
    std::vector<TTreeNode*> Hosts;
};
TempDatabase* TreeFilter::First = nullptr;
TempDatabase* TreeFilter::Second = nullptr;

TEST_F(TreeFilter, TypingNarrowsEveryHostToMatchingTablesAndEscBringsAllBack) {
    const int everything = ExpectShownExactlyMatching(QString());
    ASSERT_EQ(everything, 2 * (2 * TablesEach + 1));
    EXPECT_EQ(Filter()->placeholderText(), QStringLiteral("Filter tables"));

    QTest::keyClick(Window, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(Filter()->hasFocus()) << "Ctrl+Shift+F goes to the filter";
    QTest::keyClicks(Filter(), QStringLiteral("orders_1"));
    // Orders_1, Orders_10..19, Orders_100..199 in the first database, nothing in the second but
    // ORDERS_ARCHIVE does not hold the text either: 111 a host.
    EXPECT_EQ(ExpectShownExactlyMatching(QStringLiteral("orders_1")), 2 * 111);
    for (TTreeNode* host : Hosts) {
        EXPECT_TRUE(DbNode(host, *Second)->isHidden());
        // Few enough matches: their databases open so the tables are in sight.
        EXPECT_TRUE(host->isExpanded());
        EXPECT_TRUE(DbNode(host, *First)->isExpanded());
    }

    // Back to a shorter text: what matches it shows again, in every host.
    QTest::keyClick(Filter(), Qt::Key_Backspace);
    QTest::keyClick(Filter(), Qt::Key_Backspace);
    EXPECT_EQ(ExpectShownExactlyMatching(QStringLiteral("orders")), 2 * (TablesEach + 1));
    for (TTreeNode* host : Hosts)
        EXPECT_FALSE(DbNode(host, *Second)->isHidden()) << "ORDERS_ARCHIVE matches in any case";

    // Too many matches to open them all: databases stay closed, the matches are still the ones shown.
    Filter()->setText(QStringLiteral("_"));
    EXPECT_EQ(ExpectShownExactlyMatching(QStringLiteral("_")), everything);
    for (TTreeNode* host : Hosts)
        EXPECT_FALSE(DbNode(host, *First)->isExpanded());

    Filter()->setText(QStringLiteral("archive"));
    EXPECT_EQ(ExpectShownExactlyMatching(QStringLiteral("archive")), 2);
    QTest::keyClick(Filter(), Qt::Key_Escape);
    EXPECT_TRUE(Filter()->text().isEmpty());
    EXPECT_EQ(ExpectShownExactlyMatching(QString()), everything);
    for (TTreeNode* host : Hosts) {
        EXPECT_FALSE(DbNode(host, *Second)->isExpanded()) << "what the filter opened it closes again";
        EXPECT_FALSE(host->isExpanded());
    }
}

TEST_F(TreeFilter, NothingMatchingHidesEveryDatabaseButKeepsTheHosts) {
    Filter()->setText(QStringLiteral("no table is called this"));
    EXPECT_EQ(ExpectShownExactlyMatching(QStringLiteral("no table is called this")), 0);
    // A host that is not connected has nothing to filter and stays in the list.
    TTreeNode* idle = Ui(*Window).Tree->AddHostNode(SandboxHost("idle"));
    EXPECT_FALSE(idle->isHidden());
    Filter()->clear();
    EXPECT_FALSE(idle->isHidden());
}

TEST_F(TreeFilter, TheFilterHoldsForWhatARefreshBrings) {
    Filter()->setText(QStringLiteral("fresh"));
    First->Run("CREATE TABLE fresh_one (id INT)");
    First->Run("CREATE TABLE stale_one (id INT)");
    // The database holds no match yet, so it is hidden: Refresh from its host.
    ASSERT_TRUE(DbNode(Hosts.front(), *First)->isHidden());
    Ui(*Window).Tree->setCurrentItem(Hosts.front());
    Ui(*Window).popmnuRefresh->trigger();
    TTreeNode* db = DbNode(Hosts.front(), *First);
    ASSERT_NE(db, nullptr);
    int freshShown = 0, staleShown = 0;
    for (int t = 0; t < db->childCount(); ++t) {
        freshShown += db->child(t)->text(0) == QStringLiteral("fresh_one") && !db->child(t)->isHidden();
        staleShown += db->child(t)->text(0) == QStringLiteral("stale_one") && !db->child(t)->isHidden();
    }
    EXPECT_EQ(freshShown, 1);
    EXPECT_EQ(staleShown, 0);
    EXPECT_FALSE(db->isHidden());
    EXPECT_TRUE(db->isExpanded());
    First->Run("DROP TABLE fresh_one");
    First->Run("DROP TABLE stale_one");
}

} // namespace
