#include "server/internal/ReservedWords.h"

#include "server/internal/Statements.h"

#include <mysql.h>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

// MariaDB lists every keyword without telling which it reserves, so the server is asked for each
// whether it can prepare a statement that uses the word as a bare column and table name. Only a
// syntax error (1064) marks a reserved word; a missing table or database is expected. Anonymous
// blocks with FOR loops need MariaDB 10.3; older servers fail the question as a whole.
constexpr std::string_view MariaDbQuestion = R"(BEGIN NOT ATOMIC
  DECLARE words LONGTEXT DEFAULT '';
  DECLARE reserved BOOL DEFAULT FALSE;
  DECLARE CONTINUE HANDLER FOR 1064 SET reserved = TRUE;
  DECLARE CONTINUE HANDLER FOR SQLEXCEPTION BEGIN END;
  FOR k IN (SELECT WORD FROM information_schema.KEYWORDS) DO
    SET reserved = FALSE;
    PREPARE korvana_word FROM CONCAT('SELECT ', k.WORD, ' FROM ', k.WORD);
    IF reserved THEN SET words = CONCAT(words, k.WORD, ' '); END IF;
  END FOR;
  DEALLOCATE PREPARE korvana_word;
  SELECT words;
END)";

// MySQL marks them itself.
constexpr std::string_view MySqlQuestion = "SELECT WORD FROM information_schema.KEYWORDS WHERE RESERVED = 1";

// Operators such as "&&" are listed too; only words that could be names matter.
bool CouldBeName(std::string_view word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '_' || c == '$';
    });
}

void AddWords(std::vector<std::string>& words, std::string_view text) {
    while (!text.empty()) {
        const std::size_t blank = text.find(' ');
        const std::string_view word = text.substr(0, blank);
        if (CouldBeName(word)) {
            std::string upper(word);
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            words.push_back(std::move(upper));
        }
        if (blank == std::string_view::npos) break;
        text.remove_prefix(blank + 1);
    }
}

} // namespace

std::vector<std::string> ReadReservedWords(st_mysql* handle) {
    std::vector<std::string> words;
    const char* info = mysql_get_server_info(handle);
    const bool mariaDb = info && std::string_view(info).find("MariaDB") != std::string_view::npos;
    if (Send(handle, mariaDb ? MariaDbQuestion : MySqlQuestion)) {
        if (MYSQL_RES* res = StoreResult(handle)) {
            while (MYSQL_ROW row = mysql_fetch_row(res)) {
                const unsigned long* lengths = mysql_fetch_lengths(res);
                if (row[0]) AddWords(words, std::string_view(row[0], lengths[0]));
            }
            mysql_free_result(res);
        }
    }
    if (!DrainResults(handle)) words.clear();
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    return words;
}
