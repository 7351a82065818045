// The ledger on a PostgreSQL server, for several stations on one order of pagers.

#include <libpq-fe.h>

#include <cstring>

#include "ledger/sql_ledger.hpp"

namespace capcode {

namespace {

const std::vector<std::string> kMigrations = ledgerSchemaSteps("BIGSERIAL PRIMARY KEY", "BIGINT");

// The schema version lives in a table of its own; an advisory lock keeps two stations that
// start on an empty database from creating the tables twice.
constexpr const char* kLockKey = "4341504300";

// Closes the connection even when the constructor gives up half-way.
struct PostgresHandle {
  PGconn* pg = nullptr;
  PostgresHandle() = default;
  PostgresHandle(const PostgresHandle&) = delete;
  PostgresHandle& operator=(const PostgresHandle&) = delete;
  ~PostgresHandle() {
    if (pg != nullptr) PQfinish(pg);
  }
};

class PostgresConnection final : public SqlConnection {
 public:
  explicit PostgresConnection(const std::string& connection) : connection_(connection) {
    handle_.pg = PQconnectdb(connection.c_str());
    pg_ = handle_.pg;
    if (PQstatus(pg_) != CONNECTION_OK)
      throw LedgerError(name() + ": cannot connect: " + trimmed(PQerrorMessage(pg_)));
    PQsetNoticeProcessor(
        pg_, [](void*, const char*) {}, nullptr);
    run("SET client_min_messages = warning", {});
  }

  std::vector<SqlRow> run(const std::string& sql,
                          const std::vector<SqlValue>& parameters) override {
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
    PGresult* result = parameters.empty()
                           ? PQexec(pg_, sql.c_str())
                           : PQexecParams(pg_, sql.c_str(), static_cast<int>(values.size()),
                                          nullptr, values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
      const std::string code = state != nullptr ? state : "";
      // 40001 serialization failure, 40P01 deadlock, 23505 a key another station just took.
      const bool retry = code == "40001" || code == "40P01" || code == "23505";
      const std::string why = PQstatus(pg_) == CONNECTION_BAD
                                  ? "the connection to the server was lost"
                                  : trimmed(PQresultErrorMessage(result));
      PQclear(result);
      throw SqlError(name() + ": " + why, retry && PQstatus(pg_) != CONNECTION_BAD);
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

  void beginExclusive() override { run("BEGIN ISOLATION LEVEL SERIALIZABLE", {}); }
  void commit() override { run("COMMIT", {}); }
  void rollback() override {
    if (PQstatus(pg_) == CONNECTION_OK) PQclear(PQexec(pg_, "ROLLBACK"));
  }
  void lockSchema() override { run(std::string("SELECT pg_advisory_lock(") + kLockKey + ")", {}); }
  void unlockSchema() override {
    if (PQstatus(pg_) == CONNECTION_OK)
      PQclear(PQexec(pg_, (std::string("SELECT pg_advisory_unlock(") + kLockKey + ")").c_str()));
  }
  int schemaVersion() override {
    run("CREATE TABLE IF NOT EXISTS capcode_schema(version INTEGER NOT NULL)", {});
    const auto rows = run("SELECT max(version) FROM capcode_schema", {});
    return rows.empty() || !rows[0][0] ? 0 : std::stoi(*rows[0][0]);
  }
  void setSchemaVersion(int version) override {
    run("DELETE FROM capcode_schema", {});
    run("INSERT INTO capcode_schema(version) VALUES($1)", {std::int64_t{version}});
  }
  const std::vector<std::string>& migrations() const override { return kMigrations; }
  std::string name() const override { return "ledger " + printable(connection_); }

 private:
  static std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
      text.pop_back();
    for (char& c : text) {
      if (c == '\n') c = ' ';
    }
    return text;
  }
  // A connection string without its password, for messages.
  static std::string printable(const std::string& connection) {
    std::string shown = connection;
    const std::size_t at = shown.find("password=");
    if (at != std::string::npos) {
      const std::size_t end = shown.find(' ', at);
      shown.replace(at, end == std::string::npos ? std::string::npos : end - at, "password=***");
    }
    const std::size_t scheme = shown.find("://");
    const std::size_t host = shown.find('@');
    const std::size_t colon = shown.find(':', scheme == std::string::npos ? 0 : scheme + 3);
    if (scheme != std::string::npos && host != std::string::npos && colon < host)
      shown.replace(colon + 1, host - colon - 1, "***");
    return shown;
  }

  std::string connection_;
  PostgresHandle handle_;
  PGconn* pg_ = nullptr;  // the handle's, for short
};

}  // namespace

std::unique_ptr<Ledger> openPostgresLedger(const std::string& connection) {
  return openSqlLedger(std::make_unique<PostgresConnection>(connection));
}

}  // namespace capcode
