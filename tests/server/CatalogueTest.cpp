// The catalogue read in a few statements against the one read two statements a table, on the sandbox.

#include "Sandbox.h"
#include "server/MySql.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string Names(const TFields& f) {
    std::string s;
    for (int i = 0; i < f.Count(); ++i)
        s += (i ? "|" : "") + f.Items(i).Name;
    return s;
}

std::string Rows(const TResult& r) {
    std::string s;
    for (int i = 0; i < r.Rows.Count(); ++i) {
        for (int j = 0; j < r.Rows.Items(i).Count(); ++j)
            s += std::string(j ? "|" : "") + std::string(r.Rows.Items(i).Values(j));
        s += "\n";
    }
    return s;
}

void CompareTables(const std::string& where, const TTable& fast, const TTable& slow,
                   std::vector<std::string>& out) {
    const auto differ = [&](const std::string& what, const std::string& a, const std::string& b) {
        if (a != b) out.push_back(where + ": " + what + "\n  fast: " + a + "\n  slow: " + b);
    };
    differ("column names", Names(fast.Fields), Names(slow.Fields));
    const TResult& a = *fast.Description;
    const TResult& b = *slow.Description;
    differ("description fields", Names(a.Fields), Names(b.Fields));
    differ("description rows", Rows(a), Rows(b));
    differ("description error", a.ErrorText(), b.ErrorText());
    differ("affected rows", std::to_string(a.AffectedRows), std::to_string(b.AffectedRows));
    differ("duration", std::to_string(a.Duration), std::to_string(b.Duration));
    if (a.Handle != b.Handle) out.push_back(where + ": description on another handle");
}

// Every difference between the two catalogues within the databases `only`; empty when they agree.
std::vector<std::string> Differences(const TDatabases& fast, const TDatabases& slow,
                                     const std::set<std::string>& only) {
    std::vector<std::string> out;
    std::vector<const TDatabase*> a, b;
    for (int i = 0; i < fast.Count(); ++i)
        if (only.count(fast.Items(i)->Name)) a.push_back(fast.Items(i));
    for (int i = 0; i < slow.Count(); ++i)
        if (only.count(slow.Items(i)->Name)) b.push_back(slow.Items(i));
    if (a.size() != only.size() || b.size() != only.size()) {
        out.push_back("databases missing: fast " + std::to_string(a.size()) + ", slow " +
                      std::to_string(b.size()) + " of " + std::to_string(only.size()));
        return out;
    }
    for (std::size_t d = 0; d < a.size(); ++d) {
        const std::string db = a[d]->Name;
        if (a[d]->Name != b[d]->Name) out.push_back("database order: " + a[d]->Name + " / " + b[d]->Name);
        if (a[d]->Selected != b[d]->Selected) out.push_back(db + ": Selected differs");
        if (a[d]->Handle != b[d]->Handle || a[d]->Tables.Handle != b[d]->Tables.Handle)
            out.push_back(db + ": another handle");
        const TTables& ta = a[d]->Tables;
        const TTables& tb = b[d]->Tables;
        std::string na, nb;
        for (int i = 0; i < ta.Count(); ++i)
            na += ta.Items(i)->Name + "|";
        for (int i = 0; i < tb.Count(); ++i)
            nb += tb.Items(i)->Name + "|";
        if (na != nb) {
            out.push_back(db + ": tables\n  fast: " + na + "\n  slow: " + nb);
            continue;
        }
        for (int i = 0; i < ta.Count(); ++i)
            CompareTables(db + "." + ta.Items(i)->Name, *ta.Items(i), *tb.Items(i), out);
    }
    return out;
}

// Statements the server has counted on this connection so far.
long Questions(TMySql& m) {
    TResult* r = m.Execute("SHOW SESSION STATUS LIKE 'Questions'");
    return r->Rows.Count() == 1 ? std::stol(std::string(r->Rows.Items(0).Values(1))) : -1;
}

const std::set<std::string> SystemDatabases = {"information_schema", "mysql", "performance_schema", "sys"};

// One of each kind of column and object whose description the two reads must agree on.
void MakeEveryKind(TempDatabase& db) {
    db.Run("CREATE TABLE kinds ("
           " id INT AUTO_INCREMENT PRIMARY KEY COMMENT 'the key',"
           " s VARCHAR(20) DEFAULT 'abc', q VARCHAR(30) DEFAULT 'it''s \\\\ a \\n line',"
           " word VARCHAR(10) DEFAULT 'NULL', blank VARCHAR(10) DEFAULT '', maybe VARCHAR(10) NULL,"
           " needed INT NOT NULL, lat VARCHAR(5) CHARACTER SET latin1 DEFAULT 'é',"
           " txt TEXT DEFAULT 'tx', txt_word TEXT DEFAULT 'NULL', txt_q TEXT DEFAULT '''q''', bl BLOB,"
           " js JSON DEFAULT '{}', bin BINARY(3) DEFAULT 'ab',"
           " ts TIMESTAMP DEFAULT CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP,"
           " dt DATETIME(3) DEFAULT current_timestamp(3), d DATE DEFAULT '2020-01-02',"
           " g INT AS (id * 2) VIRTUAL, gs VARCHAR(30) AS (concat(s, 'x')) STORED,"
           " en ENUM('a', 'b''c') DEFAULT 'b''c', st SET('x', 'y') DEFAULT 'x,y', bt BIT(3) DEFAULT b'101',"
           " dc DECIMAL(8,2) DEFAULT 1.50, fl DOUBLE DEFAULT 1e3, ex INT DEFAULT (1 + 1),"
           " ex_lit VARCHAR(10) DEFAULT ('lit'), ex_cmp VARCHAR(10) DEFAULT ('a' = 'b'),"
           " hidden INT INVISIBLE DEFAULT 3, hidden_g INT AS (id + 1) VIRTUAL INVISIBLE,"
           " u INT UNIQUE, m INT, `ünï côl` INT, KEY (m))");
    db.Run("INSERT INTO kinds (needed) VALUES (1)");
    db.Run("CREATE TABLE `my table` (a INT, `b c` INT)");
    db.Run("CREATE TABLE `back``tick` (d INT)");
    db.Run("CREATE TABLE `order` (e INT)");
    db.Run("CREATE TABLE `Ünïcödé` (f INT)");
    db.Run("CREATE TABLE B (g INT)");
    db.Run("CREATE TABLE empty_one (x INT, y DATE)");
    db.Run("CREATE TABLE versioned (a INT) WITH SYSTEM VERSIONING");
    db.Run("CREATE SEQUENCE seq");
    db.Run("CREATE VIEW v AS SELECT id, s AS `a b`, needed FROM kinds");
    db.Run("CREATE VIEW vt AS SELECT txt, txt_q, js, ifnull(txt, '') AS it, concat(s, '') AS cc FROM kinds");
    db.Run("CREATE TABLE gone (a INT)");
    db.Run("CREATE VIEW broken AS SELECT a FROM gone");
    db.Run("DROP TABLE gone");
}

} // namespace

TEST(CatalogueRead, EqualsTheTableByTableReadObjectForObject) {
    TempDatabase kinds("every kind"), plain("plain"), odd("blank ä");
    MakeEveryKind(kinds);
    plain.Run("CREATE TABLE t1 (a INT PRIMARY KEY, b VARCHAR(5) DEFAULT 'x')");
    plain.Run("CREATE TABLE t2 (c INT)");
    odd.Run("CREATE TABLE `x y` (z INT DEFAULT 4)");
    auto m = ConnectedSandbox();
    auto slow = ReadCatalogueTableByTable(m->Handle());
    TDatabases fast(m->Handle());

    std::set<std::string> only = SystemDatabases;
    only.insert({kinds.Name(), plain.Name(), odd.Name()});
    EXPECT_EQ(Differences(fast, *slow, only), std::vector<std::string>{});

    // The comparison itself sees what matters: the kinds are there, with what the statements gave.
    const TDatabase* d = nullptr;
    for (int i = 0; i < fast.Count(); ++i)
        if (fast.Items(i)->Name == kinds.Name()) d = fast.Items(i);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->Tables.Count(), 12);
    EXPECT_EQ(d->Tables.Items(0)->Name, "B"); // byte order: capitals first, non-ASCII last
    EXPECT_EQ(d->Tables.Items(11)->Name, "Ünïcödé");
    EXPECT_TRUE(fast.Items(0)->Selected);
}

TEST(CatalogueRead, StatementsDoNotGrowWithTheTables) {
    TempDatabase db("count");
    db.Run("CREATE TABLE first (a INT)");
    auto m = ConnectedSandbox();
    long before = Questions(*m);
    { TDatabases few(m->Handle()); }
    const long small = Questions(*m) - before;
    for (int i = 0; i < 30; ++i)
        db.Run("CREATE TABLE more" + std::to_string(i) + " (a INT, b TEXT)");
    before = Questions(*m);
    { TDatabases many(m->Handle()); }
    const long large = Questions(*m) - before;
    EXPECT_GT(small, 0);
    // Thirty more tables: two statements each the slow way. Other tests may add an object or two
    // meanwhile, so allow for a few.
    EXPECT_LT(large - small, 10) << small << " then " << large;
}

TEST(CatalogueRead, ANarrowerLoginGetsWhatItsOwnStatementsGive) {
    TempDatabase open("open"), partial("partial");
    open.Run("CREATE TABLE t (a INT DEFAULT 1, b VARCHAR(3) DEFAULT 'b')");
    open.Run("CREATE VIEW v AS SELECT a FROM t");
    partial.Run("CREATE TABLE cols (a INT, b INT, c INT)");
    partial.Run("CREATE TABLE ins (a INT)");
    partial.Run("CREATE TABLE whole (a INT, b ENUM('x','y') DEFAULT 'y')");
    partial.Run("CREATE TABLE unseen (a INT)");
    partial.Run("CREATE VIEW pv AS SELECT a FROM whole");
    const std::string user = "korvana_narrow_" + std::to_string(::getpid());
    const std::string who = "'" + user + "'@'%'";
    open.Run("CREATE USER " + who + " IDENTIFIED BY 'narrow'");
    const std::string p = QuoteIdentifier(partial.Name());
    open.Run("GRANT SELECT ON " + QuoteIdentifier(open.Name()) + ".* TO " + who);
    open.Run("GRANT SELECT (a, b) ON " + p + ".cols TO " + who);
    open.Run("GRANT INSERT ON " + p + ".ins TO " + who);
    open.Run("GRANT SELECT ON " + p + ".whole TO " + who);
    open.Run("GRANT SELECT ON " + p + ".pv TO " + who);

    auto m = SandboxHost();
    m->User = user;
    m->Password = "narrow";
    const bool connected = m->Connect();
    std::vector<std::string> differences;
    std::string colsFields = "?", colsDescribed = "?", tables = "?";
    if (connected) {
        auto slow = ReadCatalogueTableByTable(m->Handle());
        TDatabases fast(m->Handle());
        differences = Differences(fast, *slow, {"information_schema", open.Name(), partial.Name()});
        for (int i = 0; i < fast.Count(); ++i) {
            if (fast.Items(i)->Name != partial.Name()) continue;
            tables.clear();
            const TTables& t = fast.Items(i)->Tables;
            for (int j = 0; j < t.Count(); ++j) {
                tables += t.Items(j)->Name + " ";
                if (t.Items(j)->Name != "cols") continue;
                colsFields = Names(t.Items(j)->Fields);
                colsDescribed = Rows(*t.Items(j)->Description);
            }
        }
    }
    const std::string error = m->ErrorText();
    m.reset();
    open.Run("DROP USER " + who);

    ASSERT_TRUE(connected) << error;
    EXPECT_EQ(differences, std::vector<std::string>{});
    EXPECT_EQ(tables, "cols ins pv whole ");
    // Column grants: "SELECT *" is refused, the description lists the granted columns only.
    EXPECT_EQ(colsFields, "");
    EXPECT_EQ(colsDescribed, "a|int(11)|YES|||\nb|int(11)|YES|||\n");
}

TEST(CatalogueRead, OneDatabaseReadAgainEqualsTheWholeReadAndLeavesTheOthersAlone) {
    TempDatabase kinds("every kind"), quoted("it's \\ odd"), other("other");
    MakeEveryKind(kinds);
    quoted.Run("CREATE TABLE first (a INT)");
    auto m = ConnectedSandbox();
    m->Execute("USE " + QuoteIdentifier(other.Name()));
    const TDatabases* dbs = m->Databases();
    const auto find = [](const TDatabases* in, const std::string& name) -> TDatabase* {
        for (int i = 0; in && i < in->Count(); ++i)
            if (in->Items(i)->Name == name) return in->Items(i);
        return nullptr;
    };
    ASSERT_NE(find(dbs, kinds.Name()), nullptr);
    TDatabase* otherBefore = find(dbs, other.Name());
    ASSERT_NE(otherBefore, nullptr);

    // Changed by another connection, then read again one database at a time.
    kinds.Run("CREATE TABLE added (x INT DEFAULT 7)");
    kinds.Run("DROP TABLE `order`");
    quoted.Run("CREATE TABLE second (b INT)");
    other.Run("CREATE TABLE unseen (c INT)");
    ASSERT_TRUE(m->RefreshDatabase(kinds.Name()));
    ASSERT_TRUE(m->RefreshDatabase(quoted.Name())); // a name no literal reads the same in every mode
    EXPECT_EQ(find(m->Databases(), other.Name()), otherBefore) << "another database is left as it was";
    EXPECT_EQ(otherBefore->Tables.Count(), 0);
    EXPECT_TRUE(otherBefore->Selected) << "the current database stays current";

    TDatabases whole(m->Handle());
    EXPECT_EQ(Differences(*m->Databases(), whole, {kinds.Name(), quoted.Name()}), std::vector<std::string>{});
    ASSERT_EQ(find(m->Databases(), quoted.Name())->Tables.Count(), 2);

    // A database dropped meanwhile leaves the catalogue; the order of the rest stays.
    const int count = m->Databases()->Count();
    quoted.Admin().Execute("DROP DATABASE " + QuoteIdentifier(quoted.Name()));
    ASSERT_TRUE(m->RefreshDatabase(quoted.Name()));
    EXPECT_EQ(find(m->Databases(), quoted.Name()), nullptr);
    EXPECT_EQ(m->Databases()->Count(), count - 1);
}
