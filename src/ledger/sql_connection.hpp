#pragma once
// One database connection under the ledger, whatever the server: statements with numbered
// parameters ($1, $2, ...), an exclusive transaction, the schema version, and the schema steps
// in the connection's own dialect. SQLite on the station's disk and PostgreSQL for several
// stations implement it.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ledger/ledger.hpp"

namespace capcode {

using SqlValue = std::variant<std::nullptr_t, std::int64_t, std::string>;
using SqlRow = std::vector<std::optional<std::string>>;

// A statement failed; its message is one line. `retry` when another writer got in the way (a
// serialization failure or a unique key taken meanwhile): the whole transaction may be run
// again. `lost` when the connection to the server is gone (a restart, a silent server): what
// was not committed is gone with it, and a fresh connection may run it again.
class SqlError : public LedgerError {
 public:
  SqlError(const std::string& what, bool retry, bool lost = false)
      : LedgerError(oneLine(what)), retry(retry), lost(lost) {}
  bool retry;
  bool lost;

 private:
  static std::string oneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
      text.pop_back();
    for (char& c : text) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
  }
};

class SqlConnection {
 public:
  virtual ~SqlConnection() = default;
  // Runs one statement; its rows, each column as text (nothing for NULL). Throws SqlError.
  virtual std::vector<SqlRow> run(const std::string& sql,
                                  const std::vector<SqlValue>& parameters = {}) = 0;
  // A transaction no other writer interleaves with (SQLite: BEGIN IMMEDIATE; PostgreSQL:
  // SERIALIZABLE behind a lock the stations queue on, so that they wait a moment for each
  // other instead of failing each other's transactions; one that still conflicts fails and is
  // retried). After beginExclusive, either commit succeeds or rollback is called.
  virtual void beginExclusive() = 0;
  virtual void commit() = 0;
  virtual void rollback() = 0;
  // Held around the schema's check and creation, so that stations starting together on an
  // empty database create it once (outside the transaction: its snapshot comes after the lock).
  virtual void lockSchema() {}
  virtual void unlockSchema() {}
  virtual int schemaVersion() = 0;
  virtual void setSchemaVersion(int version) = 0;
  // The schema steps in this dialect; the version is the number applied.
  virtual const std::vector<std::string>& migrations() const = 0;
  // A listing's connection: no schema change, no transaction that writes.
  virtual bool readOnly() const { return false; }
  // Replaces a lost connection with a fresh one; false where there is no server to reconnect
  // to. Throws LedgerError when the server cannot be reached.
  virtual bool reconnect() { return false; }
  // How messages name the ledger: "ledger /path" or "ledger postgresql://...".
  virtual std::string name() const = 0;
};

}  // namespace capcode
