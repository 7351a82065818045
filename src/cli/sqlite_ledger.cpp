#include "cli/sqlite_ledger.hpp"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace capcode {

namespace {

// "CAPC": marks the file as ours, so another program's database is never taken for a ledger.
constexpr int kApplicationId = 0x43415043;
constexpr int kBusyTimeoutMillis = 5000;

// Append-only: the schema version is the number of steps applied.
const char* const kMigrations[] = {
    R"(CREATE TABLE pagers(
         id INTEGER PRIMARY KEY,
         started TEXT NOT NULL,
         finished TEXT,
         host TEXT NOT NULL,
         station TEXT NOT NULL,
         config_path TEXT NOT NULL,
         config_sha256 TEXT NOT NULL,
         image_sha256 TEXT NOT NULL,
         result TEXT NOT NULL CHECK(result IN ('started', 'verified', 'verify failed',
                                               'not written', 'no device', 'interrupted')));
       CREATE TABLE addresses(
         pager_id INTEGER NOT NULL REFERENCES pagers(id),
         row INTEGER NOT NULL CHECK(row BETWEEN 1 AND 8),
         capcode INTEGER NOT NULL,
         enabled INTEGER NOT NULL CHECK(enabled IN (0, 1)),
         role TEXT NOT NULL CHECK(role IN ('individual', 'shared')),
         PRIMARY KEY(pager_id, row));
       CREATE INDEX addresses_by_capcode ON addresses(capcode);
       CREATE INDEX pagers_by_config ON pagers(config_sha256, result);)",
};

class Database {
 public:
  explicit Database(const std::string& path) : path_(path) {}
  ~Database() {
    if (db_ != nullptr) sqlite3_close_v2(db_);
  }
  sqlite3*& handle() { return db_; }
  const std::string& path() const { return path_; }

  [[noreturn]] void fail(const std::string& what) const {
    throw LedgerError("ledger " + path_ + ": " + what + ": " +
                      (db_ != nullptr ? sqlite3_errmsg(db_) : "cannot open"));
  }
  void execute(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) fail("cannot update");
  }

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement(Database& db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK)
      db.fail("cannot read");
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int i, std::int64_t value) {
    sqlite3_bind_int64(stmt_, i, value);
    return *this;
  }
  Statement& bind(int i, std::string_view text) {
    sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  void reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  // True while there is a row to read.
  bool step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) db_.fail("cannot complete a statement");
    return false;
  }
  std::int64_t integer(int column) { return sqlite3_column_int64(stmt_, column); }
  std::string text(int column) {
    const auto* p = sqlite3_column_text(stmt_, column);
    return p == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(p));
  }

 private:
  Database& db_;
  sqlite3_stmt* stmt_ = nullptr;
};

std::int64_t pragmaInteger(Database& db, const char* sql) {
  Statement statement(db, sql);
  return statement.step() ? statement.integer(0) : 0;
}

void makeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
      throw LedgerError("ledger " + path + ": cannot create " + folder + ": " +
                        std::strerror(errno));
  }
}

class SqliteLedger final : public Ledger {
 public:
  SqliteLedger(const std::string& path, LedgerOpen mode) : db_(path) {
    if (mode == LedgerOpen::CreateIfMissing) makeFolders(path);
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX |
                      (mode == LedgerOpen::CreateIfMissing ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db_.handle(), flags, nullptr) != SQLITE_OK)
      db_.fail("cannot open");
    sqlite3_extended_result_codes(db_.handle(), 1);
    sqlite3_busy_timeout(db_.handle(), kBusyTimeoutMillis);
    if (sqlite3_db_readonly(db_.handle(), "main") == 1)
      throw LedgerError("ledger " + path + ": cannot be written (read-only)");
    checkOwnership();
    // WAL lets a listing read while a batch writes; FULL makes every commit reach the disk.
    // A file system that refuses WAL keeps the rollback journal, still durable with FULL.
    {
      Statement wal(db_, "PRAGMA journal_mode=WAL");
      wal.step();
    }
    db_.execute("PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON");
    migrate();
  }

  void finishAttempt(std::int64_t id, PagerResult result) override {
    Statement update(db_, "UPDATE pagers SET result = ?1, finished = ?2 WHERE id = ?3");
    update.bind(1, resultName(result)).bind(2, ledgerTimeNow()).bind(3, id).step();
    if (sqlite3_changes(db_.handle()) != 1)
      throw LedgerError("ledger " + db_.path() + ": no record " + std::to_string(id));
  }

  std::optional<PagerRecord> lastVerified(std::string_view configSha256) override {
    Statement query(db_,
                    "SELECT id FROM pagers WHERE config_sha256 = ?1 AND result = 'verified' "
                    "ORDER BY id DESC LIMIT 1");
    query.bind(1, configSha256);
    if (!query.step()) return std::nullopt;
    return recordOf(query.integer(0));
  }

  std::vector<PagerRecord> list(std::string_view since) override {
    std::vector<std::int64_t> ids;
    {
      Statement query(db_, "SELECT id FROM pagers WHERE started >= ?1 ORDER BY id");
      query.bind(1, since);
      while (query.step()) ids.push_back(query.integer(0));
    }
    std::vector<PagerRecord> records;
    records.reserve(ids.size());
    for (const std::int64_t id : ids) records.push_back(recordOf(id));
    return records;
  }

 private:
  void checkOwnership() {
    const std::int64_t application = pragmaInteger(db_, "PRAGMA application_id");
    const std::int64_t tables = pragmaInteger(db_, "SELECT count(*) FROM sqlite_schema");
    if (application != kApplicationId && (application != 0 || tables != 0))
      throw LedgerError("ledger " + db_.path() + ": not a pager ledger");
  }

  void migrate() {
    const int known = ledgerSchemaVersion();
    db_.execute("BEGIN IMMEDIATE");
    try {
      const std::int64_t version = pragmaInteger(db_, "PRAGMA user_version");
      if (version > known) {
        throw LedgerError("ledger " + db_.path() + ": schema version " + std::to_string(version) +
                          " is newer than this program knows (" + std::to_string(known) +
                          "); use a newer capcode");
      }
      for (std::int64_t step = version; step < known; ++step) db_.execute(kMigrations[step]);
      if (version < known) {
        db_.execute(("PRAGMA user_version=" + std::to_string(known)).c_str());
        db_.execute(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
      }
      db_.execute("COMMIT");
    } catch (...) {
      sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
  }

  std::vector<Holding> verifiedHoldings(std::int32_t capcode) override {
    Statement query(db_,
                    "SELECT a.pager_id, a.row, a.role FROM addresses a JOIN pagers p "
                    "ON p.id = a.pager_id WHERE a.capcode = ?1 AND a.enabled = 1 "
                    "AND p.result = 'verified' ORDER BY a.pager_id, a.row");
    query.bind(1, capcode);
    std::vector<Holding> holdings;
    while (query.step()) {
      holdings.push_back({query.integer(0), static_cast<int>(query.integer(1)),
                          query.text(2) == "individual" ? AddressRole::Individual
                                                        : AddressRole::Shared});
    }
    return holdings;
  }

  PagerRecord recordOf(std::int64_t id) override {
    PagerRecord record;
    {
      Statement query(db_,
                      "SELECT started, finished, host, station, config_path, config_sha256, "
                      "image_sha256, result FROM pagers WHERE id = ?1");
      query.bind(1, id);
      if (!query.step()) throw LedgerError("ledger " + db_.path() + ": no record " +
                                           std::to_string(id));
      record.id = id;
      record.started = query.text(0);
      record.finished = query.text(1);
      record.host = query.text(2);
      record.station = query.text(3);
      record.configPath = query.text(4);
      record.configSha256 = query.text(5);
      record.imageSha256 = query.text(6);
      record.result = resultNamed(query.text(7)).value_or(PagerResult::Started);
    }
    Statement rows(db_,
                   "SELECT row, capcode, enabled, role FROM addresses WHERE pager_id = ?1 "
                   "ORDER BY row");
    rows.bind(1, id);
    while (rows.step()) {
      record.addresses.push_back(
          {static_cast<int>(rows.integer(0)), static_cast<std::int32_t>(rows.integer(1)),
           rows.integer(2) != 0,
           rows.text(3) == "individual" ? AddressRole::Individual : AddressRole::Shared});
    }
    return record;
  }

  void insert(PagerRecord& record) override {
    Statement pager(db_,
                    "INSERT INTO pagers(started, host, station, config_path, config_sha256, "
                    "image_sha256, result) VALUES(?1, ?2, ?3, ?4, ?5, ?6, 'started')");
    pager.bind(1, record.started)
        .bind(2, record.host)
        .bind(3, record.station)
        .bind(4, record.configPath)
        .bind(5, record.configSha256)
        .bind(6, record.imageSha256)
        .step();
    record.id = sqlite3_last_insert_rowid(db_.handle());
    Statement address(db_,
                      "INSERT INTO addresses(pager_id, row, capcode, enabled, role) "
                      "VALUES(?1, ?2, ?3, ?4, ?5)");
    for (const RecordedAddress& a : record.addresses) {
      address.reset();
      address.bind(1, record.id)
          .bind(2, a.row)
          .bind(3, a.capcode)
          .bind(4, a.enabled ? 1 : 0)
          .bind(5, roleName(a.role))
          .step();
    }
  }

  void exclusive(const std::function<void()>& work) override {
    db_.execute("BEGIN IMMEDIATE");
    try {
      work();
      db_.execute("COMMIT");
    } catch (...) {
      sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
  }

  Database db_;
};

}  // namespace

std::unique_ptr<Ledger> openSqliteLedger(const std::string& path, LedgerOpen mode) {
  return std::make_unique<SqliteLedger>(path, mode);
}

std::string defaultLedgerPath() {
  std::string base;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') {
    base = data;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    base = std::string(home) + "/.local/share";
  } else {
    throw LedgerError("no ledger folder: neither XDG_DATA_HOME nor HOME is set; give --ledger");
  }
  return base + "/capcode/ledger.sqlite3";
}

int ledgerSchemaVersion() {
  return static_cast<int>(std::size(kMigrations));
}

}  // namespace capcode
