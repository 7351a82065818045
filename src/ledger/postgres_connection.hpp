#pragma once
// One connection to a PostgreSQL server under the ledger, with time limits on everything that
// waits for the server: the connection (libpq's connect_timeout, 10 s unless the connection
// string names one), every statement on the server (statement_timeout) and every answer on the
// station's side (the statement limit plus 2 s, for a server that stops answering altogether).
// A lost connection is reported as such, and the ledger may connect once more.

#include <chrono>
#include <memory>
#include <string>

#include "ledger/sql_connection.hpp"

namespace capcode {

struct ServerTimeLimits {
  // The longest a statement may run on the server, lock waits included.
  std::chrono::milliseconds statement{10000};
  // The longest the station waits for any answer once connected.
  std::chrono::milliseconds answer() const { return statement + std::chrono::seconds(2); }
};

class PostgresConnection : public SqlConnection {
 public:
  // The value libpq connected with for `keyword` ("connect_timeout", "keepalives", ...), empty
  // when unset.
  virtual std::string setting(const std::string& keyword) const = 0;
};

// Connects (throws LedgerError with the server's reason, password masked, when it cannot).
std::unique_ptr<PostgresConnection> connectPostgres(const std::string& connection,
                                                    ServerTimeLimits limits = {});

// The ledger over an open connection: the schema brought up to date.
std::unique_ptr<Ledger> openPostgresLedger(std::unique_ptr<PostgresConnection> connection);

}  // namespace capcode
