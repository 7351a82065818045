#pragma once
// The ledger's logic in SQL, once for every database: SQLite and PostgreSQL run the same
// statements. What the database itself guarantees, whatever the program does: a set of a batch
// is held by one pager at a time (a unique index over the pagers holding their capcodes), and an
// individual capcode by one pager (the held_capcodes table's key).

#include <memory>
#include <string>
#include <vector>

#include "ledger/sql_connection.hpp"

namespace capcode {

// Brings the schema up to date (or refuses a newer one) and serves the ledger over `db`.
std::unique_ptr<Ledger> openSqlLedger(std::unique_ptr<SqlConnection> db);

// The schema version this program writes.
int ledgerSchemaVersion();

// The schema's steps, the same for every database but for how a pager's key is made
// (`serialKey`, "INTEGER PRIMARY KEY" or "BIGSERIAL PRIMARY KEY") and referred to.
std::vector<std::string> ledgerSchemaSteps(const std::string& serialKey,
                                           const std::string& reference);

// A PostgreSQL ledger: any libpq connection string ("postgresql://host/db", "host=/run dbname=x");
// the PG* environment variables fill in what it leaves out. Throws LedgerError.
std::unique_ptr<Ledger> openPostgresLedger(const std::string& connection);

// True for what names a PostgreSQL server rather than a file: a postgresql:// or postgres://
// URI, or a key=value connection string.
bool isPostgresConnection(const std::string& ledger);

}  // namespace capcode
