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

// A statement failed. `retry` when another writer got in the way (a serialization failure or a
// unique key taken meanwhile): the whole transaction may be run again.
class SqlError : public LedgerError {
 public:
  SqlError(const std::string& what, bool retry) : LedgerError(what), retry(retry) {}
  bool retry;
};

class SqlConnection {
 public:
  virtual ~SqlConnection() = default;
  // Runs one statement; its rows, each column as text (nothing for NULL). Throws SqlError.
  virtual std::vector<SqlRow> run(const std::string& sql,
                                  const std::vector<SqlValue>& parameters = {}) = 0;
  // A transaction no other writer interleaves with (SQLite: BEGIN IMMEDIATE; PostgreSQL:
  // SERIALIZABLE, so that a conflicting one fails and is retried).
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
  // How messages name the ledger: "ledger /path" or "ledger postgresql://...".
  virtual std::string name() const = 0;
};

}  // namespace capcode
