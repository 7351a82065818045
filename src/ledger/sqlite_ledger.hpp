#pragma once
// The pager ledger in an SQLite file on the station's disk. Every record is committed (WAL,
// synchronous FULL) before the call returns, so a crash or an unplug never hides a pager that
// was programmed. Several processes on one station may share the file: each waits up to five
// seconds for another's write.

#include <memory>
#include <string>

#include "ledger/ledger.hpp"

namespace capcode {

enum class LedgerOpen {
  CreateIfMissing,    // a new file only in a folder that exists
  ExistingOnly,       // the file must be there
  ReadOnly,           // for a listing: nothing is changed or created, a read-only disk will do
  CreateWithFolders,  // as CreateIfMissing, making the folders (the default location only)
};

// Opens (and, as asked, creates) the ledger at `path`; brings an older schema up to date
// (except ReadOnly). The file's identity is checked before anything in it changes. Throws
// LedgerError, naming the path and the system's reason, when the file is not a ledger, has a
// schema newer than this program knows, is a directory or a FIFO, or cannot be written (a
// read-only disk, a folder without write permission): the batch must then not start.
std::unique_ptr<Ledger> openSqliteLedger(const std::string& path,
                                         LedgerOpen mode = LedgerOpen::CreateIfMissing);

// $XDG_DATA_HOME/capcode/ledger.sqlite3, or ~/.local/share/capcode/ledger.sqlite3.
std::string defaultLedgerPath();

// The ledger a --ledger value names: a PostgreSQL connection string or URI, else a file (its
// folders made only when it is defaultLedgerPath()). Throws LedgerError.
std::unique_ptr<Ledger> openLedger(const std::string& ledger);
// The same with the file opened as `mode` says (a server ignores it).
std::unique_ptr<Ledger> openLedger(const std::string& ledger, LedgerOpen mode);

}  // namespace capcode
