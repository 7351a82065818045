#pragma once
// SQL run straight on an SQLite file, beside the ledger: to make a file the ledger must refuse
// (another program's database, a newer schema) or to age one.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

namespace capcode::test {

// Runs `sql` on the database at `path`; a test failure when it cannot.
inline void executeSql(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

}  // namespace capcode::test
