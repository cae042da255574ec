// Hostile input through the window: a statement of ten megabytes on one line, a hundred thousand
// statements in one run, text that is not valid Unicode, and names of the full 64 characters made
// of backticks, quotes, blanks and non-ASCII letters in every command of the tree.

#include "WindowTestSupport.h"

#include "HeapInUse.h"
#include "Sandbox.h"
#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "sql/QtText.h"
#include "sql/SqlFile.h"
#include "workbench/grid/ResultModel.h"

#include <QApplication>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>
#include <string>

namespace {

// `stem` filled up to 64 characters (not bytes), the longest name the server takes.
QString Name64(const QString& stem) {
    return stem + QString(64 - stem.size(), QLatin1Char('x'));
}

std::string Hex(const std::string& bytes) {
    return QByteArray::fromStdString(bytes).toHex().toUpper().toStdString();
}

class BadInputTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Admin = ConnectedSandbox();
        Open();
        HostNode = Ui(*Window).Tree->AddHostNode(SandboxHost());
        Host = HostNode->Host();
        Window->show();
        QApplication::setActiveWindow(Window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window));
        Connect();
    }
    void Connect() {
        Ui(*Window).Tree->setCurrentItem(HostNode);
        Ui(*Window).btnConnect->click();
        ASSERT_EQ(HostNode->StateIndex(), 1) << Status().toStdString();
    }

    QString Status() const { return Window->StatusText(); }
    TResultModel& Grid() const { return *Ui(*Window).lstOut->Model(); }
    QString Cell(int row, int col) const { return Grid().data(Grid().index(row, col)).toString(); }
    void Run(const QString& text) {
        Ui(*Window).Tree->setCurrentItem(HostNode);
        Ui(*Window).mmoIn->SetText(text);
        Ui(*Window).btnQuery->click();
    }
    // Whether the server has a database of that name, asked without quoting it.
    bool ServerHasDatabase(const QString& name) {
        TResult* r = Admin->Execute("SELECT 1 FROM information_schema.SCHEMATA WHERE HEX(SCHEMA_NAME) = '" +
                                    Hex(ServerText(name)) + "'");
        return r->Rows.Count() == 1;
    }
    TTreeNode* Child(QTreeWidgetItem* parent, const QString& caption) const {
        // A table's field nodes are made when it opens; made here without opening it.
        TNavigationTree::MakeFieldNodes(AsNode(parent));
        for (int i = 0; parent && i < parent->childCount(); ++i)
            if (parent->child(i)->text(0) == caption) return AsNode(parent->child(i));
        return nullptr;
    }

    std::unique_ptr<TMySql> Admin;
    TTreeNode* HostNode = nullptr;
    TMySql* Host = nullptr;
};

} // namespace

TEST_F(BadInputTest, TenMegabyteStatementOnOneLine) {
    const int length = 10 * 1024 * 1024;
    Run(QStringLiteral("SELECT LENGTH('%1')").arg(QString(length, QLatin1Char('x'))));
    ASSERT_EQ(Grid().rowCount(), 1) << Status().toStdString();
    EXPECT_EQ(Cell(0, 0), QString::number(length));
    EXPECT_TRUE(Host->IsAlive());
}

TEST_F(BadInputTest, HundredThousandStatementsInOneRunWithFlatMemory) {
    QString batch = QStringLiteral("SET @n = 0;\r\n");
    for (int i = 0; i < 100000; ++i)
        batch += QStringLiteral("SET @n = @n + 1;\r\n");
    batch += QStringLiteral("SELECT @n");
    Run(QStringLiteral("SELECT 1"));
    Ui(*Window).mmoIn->SetText(batch);
    // The editor lays out the script's lines once the window next handles its events; that memory
    // belongs to showing the script, not to running it, so it is counted before the run.
    QCoreApplication::processEvents();
    const std::size_t before = HeapInUse();
    Ui(*Window).btnQuery->click();
    ASSERT_EQ(Grid().rowCount(), 1) << Status().toStdString();
    EXPECT_EQ(Cell(0, 0), QStringLiteral("100000"));
    // The run keeps a history entry of the text; nothing grows with each statement run.
    EXPECT_LT(HeapInUse(), before + 8 * std::size_t(batch.size()) + 4 * 1024 * 1024)
        << "grew by " << HeapInUse() - before << " bytes";
}

TEST_F(BadInputTest, TextIsSentAsTheEditorHoldsItOrRefusedWhenItCannotBe) {
    // A script of bytes that are not UTF-8 loads as Windows-1252; what the editor then shows is
    // what the server receives, as is a character beyond the Basic Multilingual Plane.
    const QString held = DecodeSqlText(QByteArrayView("caf\xe9 \x80\x81\x9d \xff")).Text +
                         QString::fromUtf8("\xf0\x9f\x98\x80 \xe2\x82\xac");
    Run(QStringLiteral("SELECT HEX('%1')").arg(held));
    ASSERT_EQ(Grid().rowCount(), 1) << Status().toStdString();
    EXPECT_EQ(Cell(0, 0).toStdString(), Hex(ServerText(held)));

    // A lone surrogate has no UTF-8 form: nothing is sent, and the status says why.
    for (const QString& bad : {QStringLiteral("SELECT 'a") + QChar(0xD800) + QStringLiteral("b'"),
                               QStringLiteral("SELECT 'a") + QChar(0xDC00) + QStringLiteral("'"),
                               QStringLiteral("SELECT 1; SELECT '") + QChar(0xDBFF)}) {
        Run(QStringLiteral("SET @seen = 0"));
        Run(QStringLiteral("SET @seen = 1; ") + bad);
        EXPECT_TRUE(Status().startsWith(QStringLiteral("Error: "))) << Status().toStdString();
        EXPECT_EQ(Ui(*Window).mmoIn->Text(), QStringLiteral("SET @seen = 1; ") + bad)
            << "the editor's text changed";
        TResult* r = Host->Execute("SELECT @seen");
        ASSERT_EQ(r->Rows.Count(), 1);
        EXPECT_EQ(std::string(r->Rows.Items(0).Values(0)), "0") << "a statement was sent";
    }
}

TEST_F(BadInputTest, NamesOfSixtyFourCharactersInEveryTreeCommand) {
    const QString db = Name64(QString::fromUtf8("B\xc3\xa4"
                                                "d `db` 'q' \"dq\" \xe6\x97\xa5 ") +
                              QString::number(QCoreApplication::applicationPid()) + ' ');
    const QString table = Name64(QString::fromUtf8("t`a'b\"l e \xc3\xb8 "));
    const QString column = Name64(QString::fromUtf8("c``o''l\"\" \xd0\xb6 "));
    const std::string qdb = QuoteIdentifier(ServerText(db));
    ASSERT_EQ(Admin->Execute("DROP DATABASE IF EXISTS " + qdb)->ErrorText(), "");
    ASSERT_EQ(Admin->Execute("CREATE DATABASE " + qdb)->ErrorText(), "");
    const std::string qtable = qdb + '.' + QuoteIdentifier(ServerText(table));
    ASSERT_EQ(Admin->Execute("CREATE TABLE " + qtable + " (" + QuoteIdentifier(ServerText(column)) + " INT)")
                  ->ErrorText(),
              "");
    ASSERT_EQ(Admin->Execute("INSERT INTO " + qtable + " VALUES (64)")->ErrorText(), "");
    Ui(*Window).btnDisconnect->click();
    Connect();

    // Select database.
    TTreeNode* dbNode = Child(HostNode, db);
    ASSERT_NE(dbNode, nullptr);
    Ui(*Window).Tree->setCurrentItem(dbNode);
    Ui(*Window).btnSelectDb->click();
    TResult* current = Host->Execute("SELECT HEX(DATABASE())");
    ASSERT_EQ(current->Rows.Count(), 1);
    EXPECT_EQ(std::string(current->Rows.Items(0).Values(0)), Hex(ServerText(db))) << Status().toStdString();

    // The table's and the field's SELECT items, and Describe table.
    TTreeNode* tableNode = Child(dbNode, table);
    ASSERT_NE(tableNode, nullptr);
    Ui(*Window).Tree->setCurrentItem(tableNode);
    Ui(*Window).popmnuTableSelect->trigger();
    ASSERT_EQ(Grid().rowCount(), 1) << Status().toStdString();
    EXPECT_EQ(Cell(0, 0), QStringLiteral("64"));
    Ui(*Window).popmnuDescribeTable->trigger();
    ASSERT_EQ(Grid().rowCount(), 1) << Status().toStdString();
    EXPECT_EQ(Cell(0, 0), column);
    TTreeNode* fieldNode = Child(tableNode, column); // makes the field nodes
    if (!fieldNode) {                                // field nodes may show the type beside the name
        for (int i = 0; i < tableNode->childCount(); ++i)
            if (tableNode->child(i)->text(0).startsWith(column)) fieldNode = AsNode(tableNode->child(i));
    }
    ASSERT_NE(fieldNode, nullptr);
    Ui(*Window).Tree->setCurrentItem(fieldNode);
    Ui(*Window).popmnuFieldSelect->trigger();
    ASSERT_EQ(Grid().rowCount(), 1) << Status().toStdString();
    EXPECT_EQ(Cell(0, 0), QStringLiteral("64"));

    // Create and Drop database, with another such name typed into the input box.
    const QString other = Name64(QString::fromUtf8("n\xc3\xa9w `x` 'y' \"z\" ") +
                                 QString::number(QCoreApplication::applicationPid()) + ' ');
    Ui(*Window).Tree->setCurrentItem(HostNode);
    Dialogs.AnswerInput(other);
    Ui(*Window).btnCreateDb->click();
    EXPECT_TRUE(ServerHasDatabase(other)) << Status().toStdString();
    TTreeNode* otherNode = Child(HostNode, other);
    ASSERT_NE(otherNode, nullptr);
    Ui(*Window).Tree->setCurrentItem(otherNode);
    Dialogs.Answer(TMsgResult::Yes);
    Ui(*Window).btnDeleteDb->click();
    EXPECT_FALSE(ServerHasDatabase(other)) << Status().toStdString();

    EXPECT_TRUE(Dialogs.AllAnswersUsed());
    // The first name is in use, which leaves Drop database disabled on it.
    Admin->Execute("DROP DATABASE IF EXISTS " + qdb);
}
