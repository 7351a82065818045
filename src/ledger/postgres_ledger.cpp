// The ledger on a PostgreSQL server, for several stations on one order of pagers.

#include <libpq-fe.h>
#include <poll.h>

#include <cerrno>
#include <cstring>

#include "ledger/closing_handle.hpp"
#include "ledger/connection_string.hpp"
#include "ledger/postgres_connection.hpp"
#include "ledger/sql_ledger.hpp"

namespace capcode {

namespace {

using Clock = std::chrono::steady_clock;

const std::vector<std::string> kPostgresMigrations =
    ledgerSchemaSteps("BIGSERIAL PRIMARY KEY", "BIGINT");

// The schema version lives in a table of its own; an advisory lock keeps two stations that
// start on an empty database from creating the tables twice.
constexpr const char* kLockKey = "4341504300";
// The stations' writing transactions queue on this advisory lock, taken before the transaction
// begins (its snapshot then comes after the lock) and given back when it ends.
constexpr const char* kWriterLock = "4341504301";

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  for (char& c : text) {
    if (c == '\n') c = ' ';
  }
  return text;
}

class Connection final : public PostgresConnection {
 public:
  Connection(const std::string& connection, ServerTimeLimits limits)
      : shown_(printableConnection(connection)), limits_(limits) {
    const auto given = parseConnection(connection);
    if (!given) throw LedgerError(name() + ": not a connection string or URI that libpq accepts");
    options_ = connectionWithLimits(*given);
    connect();
  }

  std::string setting(const std::string& keyword) const override {
    std::string value;
    PQconninfoOption* options = PQconninfo(pg_);
    for (const PQconninfoOption* o = options; o != nullptr && o->keyword != nullptr; ++o) {
      if (keyword == o->keyword && o->val != nullptr) value = o->val;
    }
    PQconninfoFree(options);
    return value;
  }

  std::vector<SqlRow> run(const std::string& sql,
                          const std::vector<SqlValue>& parameters) override {
    if (pg_ == nullptr)
      throw SqlError(name() + ": the connection to the server was lost", false, true);
    std::vector<std::string> texts;
    std::vector<const char*> values;
    texts.reserve(parameters.size());
    for (const SqlValue& p : parameters) {
      if (const auto* number = std::get_if<std::int64_t>(&p)) {
        texts.push_back(std::to_string(*number));
      } else if (const auto* text = std::get_if<std::string>(&p)) {
        texts.push_back(*text);
      } else {
        texts.emplace_back();
      }
    }
    for (std::size_t i = 0; i < parameters.size(); ++i) {
      values.push_back(std::holds_alternative<std::nullptr_t>(parameters[i]) ? nullptr
                                                                             : texts[i].c_str());
    }
    const int sent = parameters.empty()
                         ? PQsendQuery(pg_, sql.c_str())
                         : PQsendQueryParams(pg_, sql.c_str(), static_cast<int>(values.size()),
                                             nullptr, values.data(), nullptr, nullptr, 0);
    if (sent == 0) lost();
    PGresult* result = answer();
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
      const std::string code = state != nullptr ? state : "";
      // 40001 serialization failure, 40P01 deadlock, 23505 a key another station just took.
      const bool retry = code == "40001" || code == "40P01" || code == "23505";
      const bool gone = PQstatus(pg_) == CONNECTION_BAD;
      const std::string why =
          gone ? "the connection to the server was lost" : reasonOf(result, code);
      PQclear(result);
      if (gone) drop();
      throw SqlError(name() + ": " + why, retry && !gone, gone);
    }
    std::vector<SqlRow> rows;
    for (int r = 0; r < PQntuples(result); ++r) {
      SqlRow row;
      for (int c = 0; c < PQnfields(result); ++c) {
        row.push_back(PQgetisnull(result, r, c)
                          ? std::nullopt
                          : std::optional<std::string>(PQgetvalue(result, r, c)));
      }
      rows.push_back(std::move(row));
    }
    PQclear(result);
    return rows;
  }

  void beginExclusive() override {
    run(std::string("SELECT pg_advisory_lock(") + kWriterLock + ")", {});
    run("BEGIN ISOLATION LEVEL SERIALIZABLE", {});
  }
  void commit() override {
    run("COMMIT", {});
    unlockWriters();
  }
  void rollback() override {
    if (pg_ == nullptr || PQstatus(pg_) != CONNECTION_OK) return;
    try {
      if (PQtransactionStatus(pg_) != PQTRANS_IDLE) run("ROLLBACK", {});
    } catch (const SqlError&) {
      // A connection that cannot roll back is dropped; the server discards the transaction.
    }
    unlockWriters();
  }
  bool reconnect() override {
    drop();
    connect();
    return true;
  }
  void lockSchema() override { run(std::string("SELECT pg_advisory_lock(") + kLockKey + ")", {}); }
  void unlockSchema() override {
    if (pg_ == nullptr || PQstatus(pg_) != CONNECTION_OK) return;
    try {
      run(std::string("SELECT pg_advisory_unlock(") + kLockKey + ")", {});
    } catch (const SqlError&) {
      // The lock ends with the session.
    }
  }
  int schemaVersion() override {
    run("CREATE TABLE IF NOT EXISTS capcode_schema(version INTEGER NOT NULL)", {});
    const auto rows = run("SELECT max(version) FROM capcode_schema", {});
    return rows.empty() || !rows[0][0]
               ? 0
               : static_cast<int>(std::strtol(rows[0][0]->c_str(), nullptr, 10));
  }
  void setSchemaVersion(int version) override {
    run("DELETE FROM capcode_schema", {});
    run("INSERT INTO capcode_schema(version) VALUES($1)", {std::int64_t{version}});
  }
  const std::vector<std::string>& migrations() const override { return kPostgresMigrations; }
  std::string name() const override { return "ledger " + shown_; }

 private:
  void unlockWriters() {
    if (pg_ == nullptr || PQstatus(pg_) != CONNECTION_OK) return;
    try {
      run(std::string("SELECT pg_advisory_unlock(") + kWriterLock + ")", {});
    } catch (const SqlError&) {
      // The lock ends with the session.
    }
  }

  // 57014: the statement was cancelled, here by the server's statement_timeout.
  std::string reasonOf(const PGresult* result, const std::string& code) const {
    if (code == "57014")
      return "the server took longer than " + seconds(limits_.statement) + " s over a statement";
    return trimmed(PQresultErrorMessage(result));
  }

  static std::string seconds(std::chrono::milliseconds limit) {
    const auto tenths = limit.count() / 100;
    return std::to_string(tenths / 10) +
           (tenths % 10 != 0 ? "." + std::to_string(tenths % 10) : "");
  }

  void connect() {
    std::vector<const char*> keywords;
    std::vector<const char*> values;
    for (const auto& [keyword, value] : options_) {
      keywords.push_back(keyword.c_str());
      values.push_back(value.c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    // The PG* environment variables fill in what the options leave out.
    handle_.raw = PQconnectdbParams(keywords.data(), values.data(), 0);
    pg_ = handle_.raw;
    if (pg_ == nullptr) throw LedgerError(name() + ": cannot connect: out of memory");
    if (PQstatus(pg_) != CONNECTION_OK) {
      const std::string why = trimmed(PQerrorMessage(pg_));
      drop();
      throw LedgerError(name() + ": cannot connect: " + why);
    }
    PQsetNoticeProcessor(
        pg_, [](void*, const char*) {}, nullptr);
    run("SET client_min_messages = warning", {});
    run("SET statement_timeout = " + std::to_string(limits_.statement.count()), {});
    // A station stopped inside a transaction gives its locks back after as long.
    run("SET idle_in_transaction_session_timeout = " + std::to_string(limits_.statement.count()),
        {});
  }

  // The result of the statement just sent, waiting no longer than the answer limit; a server
  // that stays silent loses its connection.
  PGresult* answer() {
    const auto deadline = Clock::now() + limits_.answer();
    PGresult* kept = nullptr;
    for (;;) {
      while (PQisBusy(pg_) != 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd socket{PQsocket(pg_), POLLIN, 0};
        const int ready =
            left.count() <= 0 ? 0 : ::poll(&socket, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
          PQclear(kept);
          drop();
          throw SqlError(
              name() + ": the server did not answer within " + seconds(limits_.answer()) + " s",
              false, true);
        }
        if (ready < 0 || PQconsumeInput(pg_) == 0) {
          PQclear(kept);
          lost();
        }
      }
      PGresult* next = PQgetResult(pg_);
      if (next == nullptr) break;
      // An error wins over what came before it; otherwise the last result counts.
      if (kept != nullptr && PQresultStatus(kept) == PGRES_FATAL_ERROR) {
        PQclear(next);
      } else {
        PQclear(kept);
        kept = next;
      }
      if (PQstatus(pg_) == CONNECTION_BAD) break;
    }
    if (kept == nullptr) lost();
    return kept;
  }

  [[noreturn]] void lost() {
    drop();
    throw SqlError(name() + ": the connection to the server was lost", false, true);
  }
  void drop() {
    handle_.close();
    pg_ = nullptr;
  }

  std::string shown_;
  ServerTimeLimits limits_;
  ConnectionOptions options_;
  ClosingHandle<PGconn, PQfinish> handle_;
  PGconn* pg_ = nullptr;  // the handle's, for short; nothing once the connection is lost
};

}  // namespace

std::unique_ptr<PostgresConnection> connectPostgres(const std::string& connection,
                                                    ServerTimeLimits limits) {
  return std::make_unique<Connection>(connection, limits);
}

std::unique_ptr<Ledger> openPostgresLedger(std::unique_ptr<PostgresConnection> connection) {
  return openSqlLedger(std::move(connection));
}

std::unique_ptr<Ledger> openPostgresLedger(const std::string& connection) {
  return openPostgresLedger(connectPostgres(connection));
}

bool isPostgresConnection(const std::string& ledger) {
  if (looksLikePostgresUri(ledger)) return true;
  // key=value as libpq reads it; anything else (a relative path holding "=") is a file.
  if (ledger.find('=') == std::string::npos) return false;
  const auto options = parseConnection(ledger);
  return options && !options->empty();
}

}  // namespace capcode
