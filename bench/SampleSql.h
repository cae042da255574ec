#pragma once
// A few lines of everyday SQL with comments, strings, numbers and tabs, repeated by the
// benchmarks that need a document of some size.

inline constexpr const char* SampleSqlLines[] = {
    "SELECT c.id, c.name, COUNT(o.id) AS orders, SUM(o.total) AS spent",
    "FROM customers c LEFT JOIN orders o ON o.customer_id = c.id",
    "WHERE c.created_at >= '2020-01-01' AND c.status IN (1, 2, 3)",
    "GROUP BY c.id, c.name HAVING COUNT(o.id) > 5 # only the busy ones",
    "/* monthly report, kept for the auditors",
    "\tlimited to accounts that are still active */",
    "ORDER BY spent DESC, c.name ASC LIMIT 100;",
    "INSERT INTO audit (user_id, action, at) VALUES (42, 'login', NOW());",
    "UPDATE accounts SET balance = balance - 10.50 WHERE id = 7 AND locked = 0;",
    "",
    "CREATE TABLE t_log (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY, msg TEXT);",
    "DELETE FROM sessions WHERE expires < NOW() - INTERVAL 1 DAY;",
};
