// Scripts as they come: a dump with routines, triggers, a view and an event, made by the server's
// own dump tool, run through Query into a second database must give back the same data and the
// same bodies; hand-written scripts with other delimiters; line ends as the server gets them.

#include "Sandbox.h"
#include "WindowTestSupport.h"

#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "workbench/tree/NavigationTree.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class ScriptTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Source = std::make_unique<TempDatabase>("dumped");
        Target = std::make_unique<TempDatabase>("loaded");
        Open();
        ShowConnectedSandbox();
        ASSERT_FALSE(HasFailure());
    }
    void TearDown() override {
        WindowTest::TearDown();
        Source.reset();
        Target.reset();
    }

    // Types the text into the editor and presses F12.
    void Run(const QString& text) {
        QApplication::setActiveWindow(Window);
        Ui(*Window).mmoIn->SetText(text);
        Ui(*Window).mmoIn->setFocus();
        QTest::keyClick(Ui(*Window).mmoIn, Qt::Key_F12);
    }

    // The dump tool's output for the source database, as a user would make it.
    QString Dump() {
        const SandboxLogin login = Sandbox();
        QProcess dump;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MYSQL_PWD"), QString::fromStdString(login.Password));
        dump.setProcessEnvironment(env);
        dump.start(QStringLiteral("mariadb-dump"),
                   {QStringLiteral("--routines"), QStringLiteral("--triggers"), QStringLiteral("--events"),
                    QStringLiteral("--protocol=tcp"),
                    QStringLiteral("--host=") + QString::fromStdString(login.Host),
                    QStringLiteral("--port=") + QString::number(login.Port),
                    QStringLiteral("--user=") + QString::fromStdString(login.User),
                    QString::fromStdString(Source->Name())});
        EXPECT_TRUE(dump.waitForFinished(60000));
        EXPECT_EQ(dump.exitCode(), 0) << dump.readAllStandardError().toStdString();
        return QString::fromUtf8(dump.readAllStandardOutput());
    }

    // One column of every row of a query, as text; NULL as "NULL".
    std::vector<std::string> Column(const std::string& sql) {
        TResult* r = Source->Admin().Execute(sql);
        EXPECT_TRUE(r->ErrorText().empty()) << r->ErrorText();
        std::vector<std::string> values;
        for (int i = 0; i < r->Rows.Count(); ++i)
            values.emplace_back(r->Rows.Items(i).IsNull(0) ? "NULL"
                                                           : std::string(r->Rows.Items(i).Values(0)));
        return values;
    }
    // What defines the database's objects, with the database's own name taken out.
    std::vector<std::string> Bodies(const std::string& db) {
        const std::string in = "'" + db + "'";
        std::vector<std::string> all;
        for (const std::string& sql :
             {"SELECT CONCAT(ROUTINE_NAME, ':', ROUTINE_DEFINITION) FROM information_schema.ROUTINES "
              "WHERE ROUTINE_SCHEMA = " +
                  in + " ORDER BY ROUTINE_NAME",
              "SELECT CONCAT(TRIGGER_NAME, ':', ACTION_STATEMENT) FROM information_schema.TRIGGERS "
              "WHERE TRIGGER_SCHEMA = " +
                  in + " ORDER BY TRIGGER_NAME",
              "SELECT CONCAT(TABLE_NAME, ':', VIEW_DEFINITION) FROM information_schema.VIEWS "
              "WHERE TABLE_SCHEMA = " +
                  in + " ORDER BY TABLE_NAME",
              "SELECT CONCAT(EVENT_NAME, ':', EVENT_DEFINITION) FROM information_schema.EVENTS "
              "WHERE EVENT_SCHEMA = " +
                  in + " ORDER BY EVENT_NAME"}) {
            for (std::string body : Column(sql)) {
                for (std::size_t at; (at = body.find(db)) != std::string::npos;)
                    body.replace(at, db.size(), "DB");
                all.push_back(body);
            }
        }
        return all;
    }
    std::string Checksum(const std::string& db, const char* table) {
        TResult* r = Source->Admin().Execute("CHECKSUM TABLE `" + db + "`.`" + table + "`");
        EXPECT_EQ(r->Rows.Count(), 1) << r->ErrorText();
        return r->Rows.Count() == 1 ? std::string(r->Rows.Items(0).Values(1)) : std::string();
    }
    QString UseTarget() const {
        return QStringLiteral("USE `%1`;\n").arg(QString::fromStdString(Target->Name()));
    }

    std::unique_ptr<TempDatabase> Source, Target;
};

} // namespace

TEST_F(ScriptTest, ADumpWithRoutinesTriggersAViewAndAnEventRunsBackExactly) {
    Source->Run("CREATE TABLE t (id INT PRIMARY KEY, note TEXT, total DECIMAL(10,2))");
    Source->Run("INSERT INTO t VALUES (1, 'semi; colon', 1.50), (2, 'two\nlines', NULL), (3, ';;', 0)");
    Source->Run("CREATE TABLE audit (n INT)");
    Source->Run("CREATE VIEW v AS SELECT id, note FROM t WHERE note <> ';'");
    Source->Run("CREATE PROCEDURE p(IN x INT)\nBEGIN\n  -- a comment; with ;; in it\n"
                "  INSERT INTO audit VALUES (x);\n  SELECT ';;' AS s, 'x;y' AS u; /* ; */\nEND");
    Source->Run("CREATE FUNCTION f(x INT) RETURNS INT DETERMINISTIC\nBEGIN\n  DECLARE y INT;\n"
                "  SET y = x + 1;\n  RETURN y;\nEND");
    Source->Run("CREATE TRIGGER tr BEFORE INSERT ON audit FOR EACH ROW\nBEGIN\n  SET NEW.n = NEW.n * 2;\n"
                "  SET @last = 'a;b';\nEND");
    Source->Run("CREATE EVENT e ON SCHEDULE EVERY 1 DAY DISABLE DO\nBEGIN\n  DELETE FROM audit;\n"
                "  INSERT INTO audit VALUES (0);\nEND");

    const QString dump = Dump();
    ASSERT_TRUE(dump.contains(QStringLiteral("DELIMITER ;;"))) << "the dump holds no DELIMITER line";
    Run(UseTarget() + dump);
    ASSERT_FALSE(Window->StatusText().startsWith(QStringLiteral("Error")))
        << Window->StatusText().toStdString();

    EXPECT_EQ(Checksum(Target->Name(), "t"), Checksum(Source->Name(), "t"));
    EXPECT_EQ(Bodies(Target->Name()), Bodies(Source->Name()));
    EXPECT_EQ(Bodies(Source->Name()).size(), 5u);
}

TEST_F(ScriptTest, HandWrittenScriptsWithOtherDelimiters) {
    Run(UseTarget() + QStringLiteral("CREATE TABLE log (s VARCHAR(20));\n"
                                     "DELIMITER $$\n"
                                     "CREATE PROCEDURE a()\nBEGIN\n  INSERT INTO log VALUES ('a;$');\nEND$$\n"
                                     "delimiter //\n"
                                     "CREATE PROCEDURE b()\nBEGIN\n  INSERT INTO log VALUES ('$$');\nEND //\n"
                                     "DELIMITER ;\n"
                                     "CALL a(); CALL b();\n"));
    ASSERT_FALSE(Window->StatusText().startsWith(QStringLiteral("Error")))
        << Window->StatusText().toStdString();
    EXPECT_EQ(Column("SELECT s FROM `" + Target->Name() + "`.log ORDER BY s"),
              (std::vector<std::string>{"$$", "a;$"}));
}

TEST_F(ScriptTest, AMalformedDelimiterLineSendsNothing) {
    Run(UseTarget() +
        QStringLiteral("CREATE TABLE before_it (n INT);\nDELIMITER\nCREATE TABLE after_it (n INT);\n"));
    EXPECT_EQ(Window->StatusText(),
              QStringLiteral("Error: line 3: DELIMITER must be followed by a delimiter; nothing was sent"));
    EXPECT_TRUE(Column("SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" +
                       Target->Name() + "'")
                    .empty());
}

TEST_F(ScriptTest, ALiteralTypedAcrossTwoLinesReachesTheServerWithOneLineFeed) {
    Run(UseTarget() + QStringLiteral("CREATE TABLE s (v TEXT);\nINSERT INTO s VALUES ('a\nb');"));
    ASSERT_FALSE(Window->StatusText().startsWith(QStringLiteral("Error")))
        << Window->StatusText().toStdString();
    EXPECT_EQ(Column("SELECT HEX(v) FROM `" + Target->Name() + "`.s"), std::vector<std::string>{"610A62"});
}
