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

} // namespace
