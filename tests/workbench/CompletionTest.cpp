// Completion in the query editor, by real key presses on the real window over a real catalogue:
// the list opens on a dot, on the third letter of a name and on Ctrl+Space; it offers tables,
// columns of tables and aliases, databases and keywords by the place of the caret; Enter inserts,
// quoted where the server needs it; Esc closes; strings and comments get no list.

#include "WindowTestSupport.h"

#include "editor/ColorMemo.h"
#include "workbench/controllers/CompletionController.h"
#include "workbench/window/CompletionList.h"

#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class CompletionTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Open();
    }
    TColorMemo* Memo() const { return Ui(*Window).mmoIn; }
    TCompletionList* List() const { return Window->Completion().List(); }
    bool Shown() const { return List()->isVisible(); }
    QStringList Names() const {
        QStringList names;
        for (const TCandidate& c : List()->Candidates())
            names << c.Name;
        return names;
    }
    // Typed key by key; a letter beyond ASCII as a keyboard sends it, a key with its text.
    void Type(const QString& text) {
        Memo()->setFocus();
        for (QChar c : text)
            if (c.unicode() < 0x80)
                QTest::keyClick(Memo(), c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, Memo(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    void Restart(const QString& text) {
        QTest::keyClick(Memo(), Qt::Key_Escape);
        Memo()->SetText(QString());
        Type(text);
    }
    // Makes the test's database the one in use, as Select database does.
    void UseDatabase(const std::string& name) {
        for (int i = 0; i < HostNode->childCount(); ++i)
            if (HostNode->child(i)->text(0) == QString::fromStdString(name))
                Ui(*Window).Tree->setCurrentItem(HostNode->child(i));
        Ui(*Window).btnSelectDb->click();
        Ui(*Window).Tree->setCurrentItem(HostNode);
    }
};

TEST_F(CompletionTest, OffersWhatThePlaceWantsAndInsertsItQuoted) {
    TempDatabase db("cpl");
    db.Run("CREATE TABLE customers (id INT, name VARCHAR(40), `order` INT)");
    db.Run("CREATE TABLE orders (id INT, customer INT, amount DECIMAL(10,2))");
    db.Run("CREATE TABLE `f\xc3\xbcr` (x INT)");
    db.Run("CREATE TABLE `my items` (x INT)");
    ShowConnectedSandbox();
    UseDatabase(db.Name());

    // The third letter of a table's name after FROM: its tables first, by prefix; Enter inserts.
    Type(QStringLiteral("SELECT * FROM cus"));
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Names().front(), QStringLiteral("customers"));
    EXPECT_EQ(List()->Candidates().front().Kind, TCandidateKind::Table);
    QTest::keyClick(Memo(), Qt::Key_Return);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(Memo()->Text(), QStringLiteral("SELECT * FROM customers"));

    // A dot after an alias: that table's columns with their types; typing refines, a reserved
    // word goes in backticks.
    Type(QStringLiteral(" c WHERE c."));
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("order")}));
    EXPECT_EQ(List()->Candidates()[1].Detail, QStringLiteral("varchar(40)"));
    Type(QStringLiteral("or"));
    EXPECT_EQ(Names(), QStringList{QStringLiteral("order")});
    QTest::keyClick(Memo(), Qt::Key_Tab);
    EXPECT_EQ(Memo()->Text(), QStringLiteral("SELECT * FROM customers c WHERE c.`order`"));

    // Columns of every table of the statement where an expression goes, the prefix matches first,
    // then those that hold the letters further on; Down chooses.
    Restart(QStringLiteral("SELECT or FROM customers, orders o"));
    QTest::keyClick(Memo(), Qt::Key_Escape);
    Memo()->SetSelStart(9);
    QTest::keyClick(Memo(), Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(Shown());
    const QStringList names = Names();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.front(), QStringLiteral("order"));
    EXPECT_EQ(List()->Candidates().front().Detail, QStringLiteral("int(11), customers"));
    EXPECT_GT(names.indexOf(QStringLiteral("FOR")), names.indexOf(QStringLiteral("ORDER")));
    QTest::keyClick(Memo(), Qt::Key_Down);
    QTest::keyClick(Memo(), Qt::Key_Escape);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(Memo()->Text(), QStringLiteral("SELECT or FROM customers, orders o")) << "Esc inserts nothing";
    QTest::keyClick(Memo(), Qt::Key_Space, Qt::ControlModifier);
    QTest::keyClick(Memo(), Qt::Key_Down);
    QTest::keyClick(Memo(), Qt::Key_Return);
    EXPECT_EQ(Memo()->Text(),
              QStringLiteral("SELECT ") + names[1] + QStringLiteral(" FROM customers, orders o"));

    // A database then a dot: its tables; names with a blank or a non-ASCII letter are quoted.
    Restart(QStringLiteral("SELECT * FROM ") + QString::fromStdString(db.Name()) + QStringLiteral(".my"));
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Names(), QStringList{QStringLiteral("my items")});
    QTest::keyClick(Memo(), Qt::Key_Return);
    EXPECT_TRUE(Memo()->Text().endsWith(QStringLiteral(".`my items`")));
    Restart(QString::fromUtf8("DESCRIBE f\xc3\xbcr"));
    ASSERT_TRUE(Shown());
    QTest::keyClick(Memo(), Qt::Key_Return);
    EXPECT_EQ(Memo()->Text(), QString::fromUtf8("DESCRIBE `f\xc3\xbcr`"));

    // After USE: databases.
    Restart(QStringLiteral("USE "));
    QTest::keyClick(Memo(), Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(Shown());
    EXPECT_TRUE(Names().contains(QString::fromStdString(db.Name())));
    for (const TCandidate& c : List()->Candidates())
        EXPECT_EQ(c.Kind, TCandidateKind::Database);

    // Inside a string or a comment, and where no name goes, three letters open nothing.
    for (const char* quiet :
         {"SELECT 'cus", "SELECT 1 -- cus", "SELECT 1 /* FROM cus", "SELECT * FROM t WHE"}) {
        Restart(QString::fromLatin1(quiet));
        EXPECT_FALSE(Shown()) << quiet;
    }
    // Typing past the name closes the list and keeps the character.
    Restart(QStringLiteral("SELECT * FROM ord"));
    ASSERT_TRUE(Shown());
    Type(QStringLiteral(" "));
    EXPECT_FALSE(Shown());
    EXPECT_EQ(Memo()->Text(), QStringLiteral("SELECT * FROM ord "));

    // In a script too large to read whole, the lines around the caret are read, from a line's
    // start, so a quote cut in half does not turn the rest into a string.
    QString script;
    while (script.size() < 600'000)
        script += QStringLiteral("INSERT INTO orders VALUES (42, 'a note');\n");
    Memo()->SetText(script);
    Memo()->SetSelStart(static_cast<int>(Memo()->Text().size()));
    Type(QStringLiteral("SELECT * FROM cus"));
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Names().front(), QStringLiteral("customers"));
    QTest::keyClick(Memo(), Qt::Key_Return);
    EXPECT_TRUE(Memo()->Text().endsWith(QStringLiteral("\r\nSELECT * FROM customers")));
}

TEST_F(CompletionTest, WithoutAConnectedHostKeywordsAndFunctionsOnly) {
    Window->show();
    QApplication::setActiveWindow(Window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window));
    Type(QStringLiteral("sel"));
    EXPECT_FALSE(Shown()) << "no name is expected at a statement's start";
    QTest::keyClick(Memo(), Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Names().front(), QStringLiteral("SELECT"));
    QTest::keyClick(Memo(), Qt::Key_Return);
    EXPECT_EQ(Memo()->Text(), QStringLiteral("SELECT"));
    Type(QStringLiteral(" * FROM cus"));
    EXPECT_FALSE(Shown()) << "no catalogue, no table names";
    Type(QStringLiteral(" WHERE conc"));
    QTest::keyClick(Memo(), Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Names().front(), QStringLiteral("CONCAT"));
    EXPECT_EQ(List()->Candidates().front().Kind, TCandidateKind::Function);
    QTest::keyClick(Memo(), Qt::Key_Return);
    EXPECT_EQ(Memo()->Text(), QStringLiteral("SELECT * FROM cus WHERE CONCAT("));
}

} // namespace
