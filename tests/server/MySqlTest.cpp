// The server access layer against the real sandbox server.

#include "server/MySql.h"
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> DatabaseNames(const TMySql& m) {
    std::vector<std::string> names;
    for (int i = 0; i < m.Databases()->Count(); ++i)
        names.push_back(m.Databases()->Items(i)->Name);
    return names;
}

TDatabase* FindDatabase(const TMySql& m, const std::string& name) {
    for (int i = 0; i < m.Databases()->Count(); ++i)
        if (m.Databases()->Items(i)->Name == name) return m.Databases()->Items(i);
    return nullptr;
}

TTable* FindTable(TDatabase* d, const std::string& name) {
    for (int i = 0; d && i < d->Tables.Count(); ++i)
        if (d->Tables.Items(i)->Name == name) return d->Tables.Items(i);
    return nullptr;
}

std::vector<std::string> FieldNames(const TFields& f) {
    std::vector<std::string> names;
    for (int i = 0; i < f.Count(); ++i)
        names.push_back(f.Items(i).Name);
    return names;
}

} // namespace

// ---- Connecting ---------------------------------------------------------------------------------

TEST(Connecting, ReachesTheSandboxAndReportsItsState) {
    auto m = SandboxHost();
    EXPECT_FALSE(m->IsAlive());
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    EXPECT_TRUE(m->IsAlive());
    EXPECT_EQ(m->ErrorText(), "");
    EXPECT_NE(m->ServerInfo().find("MariaDB"), std::string::npos);
    EXPECT_NE(m->HostInfo().find("127.0.0.1"), std::string::npos);
    EXPECT_GT(m->ThreadId(), 0u);
    EXPECT_NE(m->Statistics().find("Uptime"), std::string::npos);
    EXPECT_FALSE(TMySql::ClientInfo().empty());
}

TEST(Connecting, PortZeroUsesTheLibraryDefaultPort) {
    // The test environment points the library's default port at the sandbox.
    auto m = SandboxHost();
    m->Port = 0;
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    EXPECT_TRUE(m->IsAlive());
}

TEST(Connecting, WrongPasswordFailsWithTheServersMessage) {
    auto m = SandboxHost();
    m->Password = "not-the-password";
    EXPECT_FALSE(m->Connect());
    EXPECT_FALSE(m->IsAlive());
    EXPECT_NE(m->ErrorText().find("Access denied"), std::string::npos) << m->ErrorText();
    EXPECT_EQ(m->Databases(), nullptr);
}

TEST(Connecting, UnreachablePortFailsWithTheLibrarysMessage) {
    auto m = SandboxHost();
    m->Port = 1; // nothing listens there
    EXPECT_FALSE(m->Connect());
    EXPECT_FALSE(m->IsAlive());
    EXPECT_NE(m->ErrorText().find("Can't connect"), std::string::npos) << m->ErrorText();
    EXPECT_LE(m->ErrorText().size(), 200u);
}

TEST(Connecting, EmptyPasswordAndUserArePassedAsEmptyTexts) {
    // An empty password is a login without password, which the server refuses for this user.
    auto m = SandboxHost();
    m->Password = "";
    EXPECT_FALSE(m->Connect());
    EXPECT_NE(m->ErrorText().find("(using password: NO)"), std::string::npos) << m->ErrorText();
    // An empty user lets the library fall back to the login name of the process; still refused.
    m->User = "";
    EXPECT_FALSE(m->Connect());
    EXPECT_NE(m->ErrorText().find("Access denied for user"), std::string::npos) << m->ErrorText();
}

TEST(Connecting, EmptyHostMeansTheLocalServerThroughItsSocket) {
    // The test environment points the library's default socket at the sandbox; an empty host is
    // passed as an empty text, which the library takes as the local server on that socket.
    auto m = SandboxHost();
    m->Host = "";
    m->Port = 1; // not used for a socket connection
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    EXPECT_NE(m->HostInfo().find("socket"), std::string::npos) << m->HostInfo();
}

TEST(Connecting, ReconnectingAfterAFailureOrALostConnectionWorks) {
    auto m = SandboxHost();
    m->Port = 1;
    EXPECT_FALSE(m->Connect());
    m->Port = Sandbox().Port;
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    const unsigned long first = m->ThreadId();

    auto killer = ConnectedSandbox();
    killer->Execute("KILL " + std::to_string(first));
    m->Execute("SELECT 1");
    EXPECT_FALSE(m->IsAlive());

    // The old handle and catalogue are released (AddressSanitizer checks that nothing leaks).
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    EXPECT_TRUE(m->IsAlive());
    EXPECT_NE(m->ThreadId(), first);
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    EXPECT_TRUE(m->IsAlive());
}

// ---- Disconnect and liveness --------------------------------------------------------------------

TEST(Liveness, DisconnectAlwaysReturnsFalseAndClearsTheInfoCalls) {
    auto never = SandboxHost();
    EXPECT_FALSE(never->Disconnect());
    EXPECT_FALSE(never->IsAlive());
    EXPECT_EQ(never->Handle(), nullptr);

    auto m = ConnectedSandbox();
    EXPECT_FALSE(m->Disconnect());
    EXPECT_FALSE(m->IsAlive());
    EXPECT_EQ(m->ServerInfo(), "");
    EXPECT_EQ(m->HostInfo(), "");
    EXPECT_EQ(m->Statistics(), "");
    EXPECT_EQ(m->ThreadId(), 0u);
    EXPECT_EQ(m->ErrorText(), "");
    // The catalogue stays after a disconnect.
    EXPECT_NE(m->Databases(), nullptr);
    // Statements without a handle come back empty instead of crashing.
    TResult* r = m->Execute("SELECT 1");
    EXPECT_EQ(r->Rows.Count(), 0);
    EXPECT_EQ(r->Fields.Count(), 0);
    EXPECT_FALSE(m->CreateDatabase("x"));
    EXPECT_FALSE(m->DropDatabase("x"));
    EXPECT_FALSE(m->RefreshGrants());
    EXPECT_EQ(m->ProcessList()->Fields.Count(), 0);
}

TEST(Liveness, AConnectionKilledByTheServerIsNotAliveOnceTheLibraryNotices) {
    auto m = ConnectedSandbox();
    auto killer = ConnectedSandbox();
    killer->Execute("KILL " + std::to_string(m->ThreadId()));
    // IsAlive makes no round trip, so it can only know once a call has failed.
    TResult* r = m->Execute("SELECT 1");
    EXPECT_EQ(r->AffectedRows, -1);
    EXPECT_FALSE(r->ErrorText().empty());
    EXPECT_FALSE(m->IsAlive());
}

// ---- Results ------------------------------------------------------------------------------------

TEST(Results, StatementWithoutResultSetGivesNoFieldsOrRows) {
    TempDatabase db;
    auto m = ConnectedSandbox();
    m->Execute("USE " + QuoteIdentifier(db.Name()));
    TResult* r = m->Execute("CREATE TABLE t (a INT, b VARCHAR(10))");
    EXPECT_EQ(r->Fields.Count(), 0);
    EXPECT_EQ(r->Rows.Count(), 0);
    EXPECT_EQ(r->AffectedRows, 0);
    EXPECT_GE(r->Duration, 0);

    r = m->Execute("INSERT INTO t VALUES (1,'x'),(2,'y'),(3,'z')");
    EXPECT_EQ(r->AffectedRows, 3);
    EXPECT_EQ(r->Fields.Count(), 0);
}

TEST(Results, EmptySelectKeepsItsFields) {
    TempDatabase db;
    db.Run("CREATE TABLE t (id INT, name TEXT)");
    auto m = ConnectedSandbox();
    m->Execute("USE " + QuoteIdentifier(db.Name()));
    TResult* r = m->Execute("SELECT id, name AS label FROM t");
    EXPECT_EQ(FieldNames(r->Fields), (std::vector<std::string>{"id", "label"}));
    EXPECT_EQ(r->Rows.Count(), 0);
    EXPECT_EQ(r->AffectedRows, 0);
}

TEST(Results, ColumnsCarryWhatTheServerSaysOfThem) {
    TempDatabase db;
    db.Run("CREATE TABLE t (i INT UNSIGNED, d DECIMAL(30,10), f DOUBLE, dt DATETIME(6), y YEAR, c VARCHAR(5),"
           " b VARBINARY(16), bl BLOB, bits BIT(9))");
    db.Run("INSERT INTO t VALUES (4294967295, -1.5, 2.5, '2026-12-08 10:11:12.000001', 2026, '', "
           "UNHEX('00FF00'), UNHEX('000102'), b'100000001')");
    auto m = ConnectedSandbox();
    m->Execute("USE " + QuoteIdentifier(db.Name()));
    TResult* r = m->Execute("SELECT * FROM t");
    ASSERT_EQ(r->Rows.Count(), 1) << r->ErrorText();
    const TResultBlock& b = *r->Block();
    const std::vector<TColumnKind> kinds{TColumnKind::Integer,  TColumnKind::Decimal, TColumnKind::Float,
                                         TColumnKind::Temporal, TColumnKind::Integer, TColumnKind::Text,
                                         TColumnKind::Binary,   TColumnKind::Binary,  TColumnKind::Bit};
    for (std::size_t c = 0; c < kinds.size(); ++c)
        EXPECT_EQ(b.Column(c).Kind, kinds[c]) << b.Column(c).Name;
    EXPECT_TRUE(b.Column(0).IsUnsigned());
    EXPECT_FALSE(b.Column(1).IsUnsigned());
    EXPECT_EQ(b.Column(1).Decimals, 10u);
    EXPECT_EQ(b.Column(0).Table, "t");
    EXPECT_EQ(b.Column(0).Database, db.Name());
    EXPECT_EQ(b.Cell(0, 6), std::string("\0\xff\0", 3));
    EXPECT_EQ(b.Cell(0, 7), std::string("\0\x01\x02", 3));
    EXPECT_EQ(b.Cell(0, 8), std::string("\x01\x01", 2));
    EXPECT_EQ(b.Cell(0, 3), "2026-12-08 10:11:12.000001");
}

TEST(Results, RowsComeBackInOrderAsTextWithNullAsEmpty) {
    TempDatabase db;
    db.Run("CREATE TABLE t (id INT, v VARCHAR(20), n INT)");
    db.Run("INSERT INTO t VALUES (1,'one',NULL),(2,'',7),(3,NULL,NULL)");
    auto m = ConnectedSandbox();
    m->Execute("USE " + QuoteIdentifier(db.Name()));
    TResult* r = m->Execute("SELECT * FROM t ORDER BY id");
    ASSERT_EQ(r->Rows.Count(), 3);
    ASSERT_EQ(r->Fields.Count(), 3);
    EXPECT_EQ(r->AffectedRows, 3);
    EXPECT_EQ(r->Rows.Items(0).Values(1), "one");
    EXPECT_EQ(r->Rows.Items(0).Values(2), "");
    EXPECT_EQ(r->Rows.Items(1).Values(1), ""); // empty string
    EXPECT_EQ(r->Rows.Items(1).Values(2), "7");
    EXPECT_EQ(r->Rows.Items(2).Values(1), ""); // NULL reads the same
    EXPECT_EQ(r->Rows.Items(2).Values(0), "3");
    // ...and is told apart by its mark.
    EXPECT_FALSE(r->Rows.Items(1).IsNull(1));
    EXPECT_TRUE(r->Rows.Items(2).IsNull(1));
    EXPECT_TRUE(r->Rows.Items(0).IsNull(2));
    EXPECT_FALSE(r->Rows.Items(1).IsNull(2));
}

TEST(Results, EmbeddedNulIsKeptInTheValueAndInTheStatement) {
    auto m = ConnectedSandbox();
    TResult* r = m->Execute("SELECT CONCAT('ab', CHAR(0), 'cd') AS v, 'next' AS w");
    ASSERT_EQ(r->Rows.Count(), 1);
    EXPECT_EQ(r->Rows.Items(0).Values(0), std::string("ab\0cd", 5));
    EXPECT_EQ(r->Rows.Items(0).Values(1), "next");

    // The whole statement reaches the server: a NUL inside a quoted text is valid SQL...
    r = m->Execute(std::string("SELECT LENGTH('a") + '\0' + "b') AS n");
    ASSERT_EQ(r->Rows.Count(), 1) << r->ErrorText();
    EXPECT_EQ(r->Rows.Items(0).Values(0), "3");
    // ...and one outside makes the server refuse the statement instead of running its first half.
    TempDatabase db("nul");
    db.Run("CREATE TABLE t (id INT)");
    db.Run("INSERT INTO t VALUES (1), (2), (3)");
    m->Execute("USE " + QuoteIdentifier(db.Name()));
    r = m->Execute(std::string("DELETE FROM t") + '\0' + " WHERE id = 1");
    EXPECT_EQ(r->AffectedRows, -1);
    EXPECT_NE(r->ErrorText().find("SQL syntax"), std::string::npos) << r->ErrorText();
    EXPECT_EQ(m->Execute("SELECT COUNT(*) FROM t")->Rows.Items(0).Values(0), "3");
}

TEST(Results, FailedStatementGivesMinusOneAndTheServersMessage) {
    auto m = ConnectedSandbox();
    TResult* r = m->Execute("SELEC nonsense");
    EXPECT_EQ(r->Fields.Count(), 0);
    EXPECT_EQ(r->Rows.Count(), 0);
    EXPECT_EQ(r->AffectedRows, -1);
    EXPECT_NE(r->ErrorText().find("SQL syntax"), std::string::npos) << r->ErrorText();
    EXPECT_LE(r->ErrorText().size(), 200u);
    EXPECT_EQ(r->ErrorText(), m->ErrorText());
    // A long message is cut at 200 characters.
    r = m->Execute("SELECT FROM WHERE " + std::string(300, 'z'));
    EXPECT_EQ(r->ErrorText().size(), 200u) << r->ErrorText();
}

TEST(Results, EachExecuteReplacesTheLastResultButASharedBlockLivesOn) {
    auto m = ConnectedSandbox();
    TResult* first = m->Execute("SELECT 'a' AS x UNION ALL SELECT 'bb'");
    std::shared_ptr<const TResultBlock> kept = first->Block();
    EXPECT_EQ(m->LastResult(), first);
    TResult* second = m->Execute("SELECT 1");
    EXPECT_EQ(m->LastResult(), second);
    ASSERT_EQ(second->Rows.Count(), 1);
    EXPECT_EQ(second->Rows.Items(0).Values(0), "1");
    // The grid's share of the first result is untouched by the second statement.
    ASSERT_EQ(kept->RowCount(), 2u);
    EXPECT_EQ(kept->Cell(1, 0), "bb");
    EXPECT_EQ(kept->FieldName(0), "x");
    EXPECT_EQ(kept->WidestBytes(0), 2u);
    EXPECT_EQ(kept->WidestRow(0), 1u);
}

// ---- Procedures --------------------------------------------------------------------------------

TEST(Procedures, ACallReturningRowsLeavesTheConnectionReady) {
    TempDatabase db("proc");
    db.Run("CREATE TABLE t (id INT)");
    db.Run("CREATE PROCEDURE two_sets() BEGIN SELECT 1 AS a, 'x' AS b; SELECT 2 AS c; END");
    db.Run("CREATE PROCEDURE adds() BEGIN INSERT INTO t VALUES (1), (2); END");
    db.Run("CREATE PROCEDURE shows_then_fails() BEGIN SELECT 1 AS a; "
           "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'the second step broke'; END");
    auto m = ConnectedSandbox();
    m->Execute("USE " + QuoteIdentifier(db.Name()));

    // The statement's result is its first result set; the rest is read and released.
    TResult* r = m->Execute("CALL two_sets()");
    EXPECT_EQ(FieldNames(r->Fields), (std::vector<std::string>{"a", "b"}));
    ASSERT_EQ(r->Rows.Count(), 1);
    EXPECT_EQ(r->Rows.Items(0).Values(1), "x");
    EXPECT_EQ(r->ErrorText(), "");
    r = m->Execute("SELECT 42");
    ASSERT_EQ(r->Rows.Count(), 1) << r->ErrorText();
    EXPECT_EQ(r->Rows.Items(0).Values(0), "42");

    // A procedure without result sets gives its affected rows, as before.
    r = m->Execute("CALL adds()");
    EXPECT_EQ(r->Fields.Count(), 0);
    EXPECT_EQ(r->AffectedRows, 2);
    EXPECT_EQ(m->Execute("SELECT COUNT(*) FROM t")->Rows.Items(0).Values(0), "2");

    // A procedure that fails after sending rows failed: its error is the outcome, not its rows.
    r = m->Execute("CALL shows_then_fails()");
    EXPECT_EQ(r->Rows.Count(), 0);
    EXPECT_EQ(r->Fields.Count(), 0);
    EXPECT_EQ(r->AffectedRows, -1);
    EXPECT_EQ(r->ErrorText(), "the second step broke");
    EXPECT_TRUE(m->IsAlive());
    EXPECT_EQ(m->Execute("SELECT 7")->Rows.Items(0).Values(0), "7");
}

// ---- Error texts --------------------------------------------------------------------------------

TEST(ErrorTexts, AResultKeepsTheErrorItWasMadeWith) {
    TempDatabase db("broken");
    db.Run("CREATE TABLE base (a INT)");
    db.Run("CREATE VIEW v AS SELECT a FROM base");
    db.Run("CREATE TABLE fine (b INT)");
    db.Run("DROP TABLE base");
    auto m = ConnectedSandbox();
    TDatabase* d = FindDatabase(*m, db.Name());
    ASSERT_NE(d, nullptr);
    TTable* view = FindTable(d, "v");
    TTable* fine = FindTable(d, "fine");
    ASSERT_TRUE(view && fine);
    const std::string viewError = view->Description->ErrorText();
    EXPECT_NE(viewError.find("invalid table"), std::string::npos) << viewError;
    EXPECT_EQ(view->Description->Rows.Count(), 0);
    EXPECT_EQ(fine->Description->ErrorText(), "");

    // Later statements, failing or not, change neither.
    TResult* r = m->Execute("SELEC nonsense");
    EXPECT_NE(r->ErrorText().find("SQL syntax"), std::string::npos);
    EXPECT_EQ(view->Description->ErrorText(), viewError);
    EXPECT_EQ(fine->Description->ErrorText(), "");
    m->Execute("SELECT 1");
    EXPECT_EQ(view->Description->ErrorText(), viewError);
}

// ---- Ports --------------------------------------------------------------------------------------

TEST(Connecting, APortOutsideTheTcpRangeIsRefusedNotWrapped) {
    auto m = SandboxHost();
    // 65536 more than the sandbox's port would wrap round to it.
    for (int port : {Sandbox().Port + 65536, 98656, 65536, -1, Sandbox().Port - 65536}) {
        m->Port = port;
        EXPECT_FALSE(m->Connect()) << port;
        EXPECT_FALSE(m->IsAlive());
        EXPECT_EQ(m->Databases(), nullptr);
        EXPECT_NE(m->ErrorText().find(std::to_string(port)), std::string::npos) << m->ErrorText();
        EXPECT_NE(m->ErrorText().find("65535"), std::string::npos) << m->ErrorText();
    }
    // The highest port is a port (nothing listens there); the refusal does not outlive the next try.
    m->Port = 65535;
    EXPECT_FALSE(m->Connect());
    EXPECT_NE(m->ErrorText().find("Can't connect"), std::string::npos) << m->ErrorText();
    m->Port = Sandbox().Port;
    ASSERT_TRUE(m->Connect()) << m->ErrorText();
    EXPECT_EQ(m->ErrorText(), "");
    m->Port = 70000;
    EXPECT_FALSE(m->Connect());
    m->Disconnect();
    EXPECT_EQ(m->ErrorText(), "");
}

// ---- Reserved words -----------------------------------------------------------------------------

TEST(ReservedWords, AreTheServersOwnAndLeaveTheSessionAsItWas) {
    auto m = ConnectedSandbox();
    const std::vector<std::string>& words = m->ReservedWords();
    EXPECT_TRUE(std::is_sorted(words.begin(), words.end()));
    auto has = [&](const char* w) { return std::binary_search(words.begin(), words.end(), std::string(w)); };
    // PORTION is reserved by the server though missing from many lists; NAME and ID are keywords
    // the server still reads as names.
    EXPECT_TRUE(has("PORTION"));
    EXPECT_TRUE(has("SELECT"));
    EXPECT_TRUE(has("ORDER"));
    EXPECT_FALSE(has("NAME"));
    EXPECT_FALSE(has("ID"));
    EXPECT_FALSE(has("&&"));
    // Every word it gives is one the server refuses as a bare name where the tree menu puts names;
    // others it reads as names (the table is missing, the statement is sound).
    for (const std::string& w : words) {
        TResult* r = m->Execute("SELECT " + w + " FROM " + w);
        EXPECT_NE(r->ErrorText().find("SQL syntax"), std::string::npos) << w;
    }
    for (const char* w : {"NAME", "ID", "DATE", "STATUS"})
        EXPECT_EQ(m->Execute(std::string("SELECT ") + w + " FROM " + w)->ErrorText().find("SQL syntax"),
                  std::string::npos);

    // The catalogue's current database is as without the question, nothing is left pending.
    TResult* r = m->Execute("SELECT DATABASE()");
    ASSERT_EQ(r->Rows.Count(), 1) << r->ErrorText();
    EXPECT_EQ(r->Rows.Items(0).Values(0), m->Databases()->Items(0)->Name);

    // A failed connection has none.
    m->Port = 1;
    EXPECT_FALSE(m->Connect());
    EXPECT_TRUE(m->ReservedWords().empty());
}

TEST(Results, ProcessListHasNoDurationAndListsThisConnection) {
    auto m = ConnectedSandbox();
    TResult* r = m->ProcessList();
    EXPECT_EQ(r->Duration, 0);
    ASSERT_GE(r->Fields.Count(), 5);
    EXPECT_EQ(r->Fields.Items(0).Name, "Id");
    bool found = false;
    for (int i = 0; i < r->Rows.Count(); ++i)
        found |= r->Rows.Items(i).Values(0) == std::to_string(m->ThreadId());
    EXPECT_TRUE(found);
    EXPECT_EQ(m->LastResult(), r);
}

TEST(Results, NonAsciiTextRoundTrips) {
    TempDatabase db("utf");
    db.Run("CREATE TABLE `Grüße` (`näme` VARCHAR(40)) DEFAULT CHARSET=utf8mb4");
    db.Run("INSERT INTO `Grüße` VALUES ('Ærøskøbing — 東京')");
    auto m = ConnectedSandbox();
    m->Execute("SET NAMES utf8mb4");
    m->Execute("USE " + QuoteIdentifier(db.Name()));
    TResult* r = m->Execute("SELECT `näme` FROM `Grüße`");
    ASSERT_EQ(r->Rows.Count(), 1) << r->ErrorText();
    EXPECT_EQ(r->Fields.Items(0).Name, "näme");
    EXPECT_EQ(r->Rows.Items(0).Values(0), "Ærøskøbing — 東京");
}

// ---- Catalogue ----------------------------------------------------------------------------------

TEST(Catalogue, ListsDatabasesInServerOrderWithTheFirstSelectableCurrent) {
    TempDatabase a("cat_a"), b("cat_b");
    auto m = ConnectedSandbox();
    const auto names = DatabaseNames(*m);
    ASSERT_FALSE(names.empty());
    auto ia = std::find(names.begin(), names.end(), a.Name());
    auto ib = std::find(names.begin(), names.end(), b.Name());
    ASSERT_NE(ia, names.end());
    ASSERT_NE(ib, names.end());
    EXPECT_LT(ia, ib); // the server lists them in name order
    // Every database the server shows to this login, its own schema included.
    EXPECT_NE(std::find(names.begin(), names.end(), "information_schema"), names.end());

    // Exactly one database is current: the first one (this login may select every database).
    int selected = 0;
    for (int i = 0; i < m->Databases()->Count(); ++i)
        selected += m->Databases()->Items(i)->Selected;
    EXPECT_EQ(selected, 1);
    EXPECT_TRUE(m->Databases()->Items(0)->Selected);
    TResult* r = m->Execute("SELECT DATABASE()");
    EXPECT_EQ(r->Rows.Items(0).Values(0), m->Databases()->Items(0)->Name);
}

TEST(Catalogue, TablesAndFieldsWithDescriptions) {
    TempDatabase db("cat");
    db.Run("CREATE TABLE orders (id INT PRIMARY KEY, amount DECIMAL(8,2), note TEXT)");
    db.Run("CREATE TABLE empty_one (x INT, y DATE)");
    db.Run("INSERT INTO orders VALUES (1, 9.5, 'a')");
    auto m = ConnectedSandbox();
    TDatabase* d = FindDatabase(*m, db.Name());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->Tables.Count(), 2);
    EXPECT_EQ(d->Tables.Items(0)->Name, "empty_one");
    EXPECT_EQ(d->Tables.Items(1)->Name, "orders");

    TTable* orders = FindTable(d, "orders");
    EXPECT_EQ(FieldNames(orders->Fields), (std::vector<std::string>{"id", "amount", "note"}));
    ASSERT_NE(orders->Description, nullptr);
    EXPECT_EQ(orders->Description->Rows.Count(), 3);
    EXPECT_EQ(orders->Description->Fields.Items(0).Name, "Field");
    EXPECT_EQ(orders->Description->Rows.Items(1).Values(0), "amount");
    EXPECT_EQ(orders->Description->Rows.Items(1).Values(1), "decimal(8,2)");
    EXPECT_EQ(orders->Description->Duration, 0);

    // An empty table still has its column names.
    EXPECT_EQ(FieldNames(FindTable(d, "empty_one")->Fields), (std::vector<std::string>{"x", "y"}));
}

TEST(Catalogue, TableNamesThatNeedQuotingGetColumnsAndDescriptions) {
    TempDatabase db("quote");
    db.Run("CREATE TABLE `order` (a INT)");
    db.Run("CREATE TABLE `my table` (b INT, c INT)");
    db.Run("CREATE TABLE `back``tick` (d INT)");
    auto m = ConnectedSandbox();
    TDatabase* d = FindDatabase(*m, db.Name());
    ASSERT_NE(d, nullptr);
    TTable* order = FindTable(d, "order");
    TTable* spaced = FindTable(d, "my table");
    TTable* tick = FindTable(d, "back`tick");
    ASSERT_TRUE(order && spaced && tick);
    EXPECT_EQ(FieldNames(order->Fields), (std::vector<std::string>{"a"}));
    EXPECT_EQ(FieldNames(spaced->Fields), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(FieldNames(tick->Fields), (std::vector<std::string>{"d"}));
    EXPECT_EQ(spaced->Description->Rows.Count(), 2);
    EXPECT_EQ(tick->Description->Rows.Items(0).Values(0), "d");
}

TEST(Catalogue, IsNotRefreshedAfterConnecting) {
    TempDatabase db("frozen");
    auto m = ConnectedSandbox();
    const int before = m->Databases()->Count();
    const std::string created = db.Name() + "_new";
    ASSERT_TRUE(m->CreateDatabase(created)) << m->ErrorText();
    EXPECT_EQ(m->Databases()->Count(), before);
    EXPECT_EQ(FindDatabase(*m, created), nullptr);
    ASSERT_TRUE(m->DropDatabase(created)) << m->ErrorText();
    EXPECT_FALSE(m->DropDatabase(created));
    EXPECT_NE(m->ErrorText().find("database doesn't exist"), std::string::npos) << m->ErrorText();
}

TEST(Catalogue, SelectSetsTheFlagFromTheOutcome) {
    TempDatabase db("sel");
    auto m = ConnectedSandbox();
    TDatabase* d = FindDatabase(*m, db.Name());
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->Select());
    EXPECT_TRUE(d->Selected);
    db.Admin().Execute("DROP DATABASE " + QuoteIdentifier(db.Name()));
    EXPECT_FALSE(d->Select());
    EXPECT_FALSE(d->Selected);
    EXPECT_NE(m->ErrorText().find("Unknown database"), std::string::npos) << m->ErrorText();
}

TEST(DatabaseCommands, CreateAndDropQuoteTheName) {
    TempDatabase db("cmd");
    auto m = ConnectedSandbox();
    const std::string odd = db.Name() + " with `tick`";
    ASSERT_TRUE(m->CreateDatabase(odd)) << m->ErrorText();
    TResult* r = m->Execute("SHOW DATABASES LIKE '" + db.Name() + " with %'");
    ASSERT_EQ(r->Rows.Count(), 1);
    EXPECT_EQ(r->Rows.Items(0).Values(0), odd);
    EXPECT_FALSE(m->CreateDatabase(odd));
    EXPECT_NE(m->ErrorText().find("exists"), std::string::npos);
    ASSERT_TRUE(m->DropDatabase(odd)) << m->ErrorText();
    EXPECT_TRUE(m->RefreshGrants()) << m->ErrorText();
}

TEST(Catalogue, ADatabaseThatCannotBeSelectedShowsNoTables) {
    // This login sees every database but may enter only information_schema.
    TempDatabase db("locked");
    db.Run("CREATE TABLE secret (x INT)");
    const std::string user = "korvana_peek_" + std::to_string(::getpid());
    db.Run("CREATE USER '" + user + "'@'%' IDENTIFIED BY 'peek'");
    db.Run("GRANT SHOW DATABASES ON *.* TO '" + user + "'@'%'");
    auto m = SandboxHost();
    m->User = user;
    m->Password = "peek";
    const bool connected = m->Connect();
    const std::string error = m->ErrorText();
    TDatabase* locked = connected ? FindDatabase(*m, db.Name()) : nullptr;
    const int lockedTables = locked ? locked->Tables.Count() : -1;
    const bool lockedSelected = locked && locked->Selected;
    TDatabase* schema = connected ? FindDatabase(*m, "information_schema") : nullptr;
    const bool schemaSelected = schema && schema->Selected;
    m.reset();
    db.Run("DROP USER '" + user + "'@'%'");

    ASSERT_TRUE(connected) << error;
    ASSERT_NE(locked, nullptr);
    EXPECT_EQ(lockedTables, 0); // not the tables of whatever database was current before
    EXPECT_FALSE(lockedSelected);
    EXPECT_TRUE(schemaSelected);
}

TEST(Catalogue, ReadDatabasesPicksUpChangesOnTheOpenConnection) {
    TempDatabase db("reread");
    auto m = ConnectedSandbox();
    const std::string created = db.Name() + "_later";
    ASSERT_TRUE(m->CreateDatabase(created)) << m->ErrorText();
    ASSERT_TRUE(m->ReadDatabases());
    EXPECT_NE(FindDatabase(*m, created), nullptr);
    ASSERT_TRUE(m->DropDatabase(created)) << m->ErrorText();
    ASSERT_TRUE(m->ReadDatabases());
    EXPECT_EQ(FindDatabase(*m, created), nullptr);
    EXPECT_TRUE(m->Databases()->Items(0)->Selected);

    // Without an open connection the catalogue stays as it was.
    TDatabases* before = m->Databases();
    m->Disconnect();
    EXPECT_FALSE(m->ReadDatabases());
    EXPECT_EQ(m->Databases(), before);
}
