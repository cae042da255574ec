// Which statements make the tree look again: by their first words outside comments.

#include "sql/StatementEffect.h"

#include <gtest/gtest.h>

namespace {

TEST(StatementEffect, TellsCatalogueChangesAndChangesOfTheCurrentDatabase) {
    struct Case {
        const char* sql;
        bool catalogue, current;
    };
    const Case cases[] = {
        {"SELECT * FROM t", false, false},
        {"use shop", false, true},
        {"  -- why\n/* a note */ CREATE TABLE t (a INT)", true, false},
        {"# note\nDROP TABLE IF EXISTS t", true, false},
        {"create or replace algorithm=merge definer=`a`@`%` sql security definer view v as select 1", true,
         false},
        {"ALTER TABLE t ADD b INT", true, false},
        {"RENAME TABLE a TO b", true, false},
        {"TRUNCATE t", true, false},
        {"CREATE DATABASE d", true, false},
        {"DROP SCHEMA d", true, true},
        {"DROP DATABASE IF EXISTS `d`", true, true},
        {"CREATE INDEX i ON t (a)", false, false},
        {"CREATE USER 'table'@'%'", false, false},
        {"DROP PROCEDURE p", false, false},
        {"INSERT INTO t VALUES ('DROP TABLE x')", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        const TStatementEffect e = EffectOf(c.sql);
        EXPECT_EQ(e.Catalogue, c.catalogue) << c.sql;
        EXPECT_EQ(e.CurrentDatabase, c.current) << c.sql;
    }
}

TEST(StatementEffect, TellsWhenAChangeMayReachBeyondTheCurrentDatabase) {
    struct Case {
        const char* sql;
        bool others;
    };
    const Case cases[] = {
        {"CREATE TABLE t (a DECIMAL(8,2) DEFAULT 1.50, b DOUBLE DEFAULT .5)", false},
        {"CREATE TABLE t (a VARCHAR(9) DEFAULT 'x.y', b INT COMMENT \"shop.t\") -- see shop.t", false},
        {"ALTER TABLE t ADD c INT /* not db.t */", false},
        {"DROP TABLE `it's`", false},
        {"CREATE TABLE shop.t (a INT)", true},
        {"drop table if exists t, `my db`.`t 2`", true},
        {"RENAME TABLE a TO archive.a", true},
        {"TRUNCATE TABLE 1db.t", true},
        {"TRUNCATE shop . t", true},
        {"CREATE VIEW v AS SELECT * FROM shop.orders", true}, // a view reads elsewhere: asked of all
        {"CREATE DATABASE d", true},
        {"DROP SCHEMA d", true},
        {"SELECT * FROM shop.orders", false}, // no catalogue change at all
    };
    for (const Case& c : cases)
        EXPECT_EQ(EffectOf(c.sql).OtherDatabases, c.others) << c.sql;
}

} // namespace
