#pragma once
// The pager ledger in an SQLite file on the station's disk. Every record is committed (WAL,
// synchronous FULL) before the call returns, so a crash or an unplug never hides a pager that
// was programmed. Several processes on one station may share the file: each waits up to five
// seconds for another's write.

#include <memory>
#include <string>

#include "ledger/ledger.hpp"

namespace capcode {

enum class LedgerOpen { CreateIfMissing, ExistingOnly };

// Opens (and, as asked, creates) the ledger at `path`, creating its folder; brings an older
// schema up to date. Throws LedgerError when the file is not a ledger, has a schema newer than
// this program knows, or cannot be written (a read-only disk): the batch must then not start.
std::unique_ptr<Ledger> openSqliteLedger(const std::string& path,
                                         LedgerOpen mode = LedgerOpen::CreateIfMissing);

// $XDG_DATA_HOME/capcode/ledger.sqlite3, or ~/.local/share/capcode/ledger.sqlite3.
std::string defaultLedgerPath();

// The ledger a --ledger value names: a PostgreSQL connection string or URI, else a file.
// Throws LedgerError.
std::unique_ptr<Ledger> openLedger(const std::string& ledger);

}  // namespace capcode
