#include "ledger/sqlite_ledger.hpp"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "ledger/closing_handle.hpp"
#include "ledger/ledger_file.hpp"
#include "ledger/sql_ledger.hpp"

namespace capcode {

namespace {

// "CAPC": marks the file as ours, so another program's database is never taken for a ledger.
constexpr int kApplicationId = 0x43415043;
constexpr int kBusyTimeoutMillis = 5000;

const std::vector<std::string> kSqliteMigrations =
    ledgerSchemaSteps("INTEGER PRIMARY KEY", "INTEGER");

// $1, $2 ... as SQLite's ?1, ?2 ...
std::string numbered(const std::string& sql) {
  std::string out = sql;
  for (std::size_t at = out.find('$'); at != std::string::npos; at = out.find('$', at + 1)) {
    if (at + 1 < out.size() && out[at + 1] >= '0' && out[at + 1] <= '9') out[at] = '?';
  }
  return out;
}

class SqliteConnection final : public SqlConnection {
 public:
  SqliteConnection(const std::string& path, LedgerOpen mode)
      : path_(path), readOnly_(mode == LedgerOpen::ReadOnly) {
    checkLedgerFile(path, useOf(mode));
    if (readOnly_) {
      openReadOnly();
      return;
    }
    const bool create =
        mode == LedgerOpen::CreateIfMissing || mode == LedgerOpen::CreateWithFolders;
    open(path, SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0));
    if (sqlite3_db_readonly(db_, "main") == 1)
      throw LedgerError("ledger " + path + ": cannot be written (read-only)");
    // Another application's database is refused before anything in it changes (its journal
    // mode included): a file that is no database at all fails here already.
    identity();
    // WAL lets a listing read while a batch writes; FULL makes every commit reach the disk.
    // A file system that refuses WAL keeps the rollback journal, still durable with FULL.
    useWriteAheadLog();
    run("PRAGMA synchronous=FULL", {});
    run("PRAGMA foreign_keys=ON", {});
  }

  std::vector<SqlRow> run(const std::string& sql,
                          const std::vector<SqlValue>& parameters) override {
    std::vector<SqlRow> rows;
    if (parameters.empty() && sql.find(';') != std::string::npos) {
      // Several statements (a schema step): run as a script.
      char* message = nullptr;
      if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string why = message != nullptr ? message : "unknown error";
        sqlite3_free(message);
        throw SqlError("ledger " + path_ + ": " + why, false);
      }
      return rows;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, numbered(sql).c_str(), -1, &statement, nullptr) != SQLITE_OK)
      fail("cannot read");
    for (std::size_t i = 0; i < parameters.size(); ++i) {
      const int at = static_cast<int>(i) + 1;
      if (const auto* number = std::get_if<std::int64_t>(&parameters[i])) {
        sqlite3_bind_int64(statement, at, *number);
      } else if (const auto* text = std::get_if<std::string>(&parameters[i])) {
        sqlite3_bind_text(statement, at, text->data(), static_cast<int>(text->size()),
                          SQLITE_TRANSIENT);
      } else {
        sqlite3_bind_null(statement, at);
      }
    }
    for (;;) {
      const int rc = sqlite3_step(statement);
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) {
        const int code = sqlite3_extended_errcode(db_);
        const bool taken = code == SQLITE_CONSTRAINT_UNIQUE || code == SQLITE_CONSTRAINT_PRIMARYKEY;
        const std::string why = sqlite3_errmsg(db_);
        sqlite3_finalize(statement);
        throw SqlError("ledger " + path_ + ": " + why, taken);
      }
      SqlRow row;
      for (int c = 0; c < sqlite3_column_count(statement); ++c) {
        const auto* text = sqlite3_column_text(statement, c);
        row.push_back(text == nullptr
                          ? std::nullopt
                          : std::optional<std::string>(reinterpret_cast<const char*>(text)));
      }
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    return rows;
  }

  void beginExclusive() override { run("BEGIN IMMEDIATE", {}); }
  void commit() override { run("COMMIT", {}); }
  void rollback() override { sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr); }
  // Read inside the migration's exclusive transaction, so that two stations creating the
  // ledger at once see it whole: a file with tables but without our mark is another's.
  int schemaVersion() override { return identity(); }
  void setSchemaVersion(int version) override {
    run("PRAGMA user_version=" + std::to_string(version), {});
    run("PRAGMA application_id=" + std::to_string(kApplicationId), {});
  }
  const std::vector<std::string>& migrations() const override { return kSqliteMigrations; }
  std::string name() const override { return "ledger " + path_; }
  bool readOnly() const override { return readOnly_; }

 private:
  static LedgerFileUse useOf(LedgerOpen mode) {
    switch (mode) {
      case LedgerOpen::CreateIfMissing:
        return LedgerFileUse::Create;
      case LedgerOpen::ExistingOnly:
        return LedgerFileUse::Write;
      case LedgerOpen::ReadOnly:
        return LedgerFileUse::Read;
      case LedgerOpen::CreateWithFolders:
        return LedgerFileUse::CreateFolders;
    }
    return LedgerFileUse::Write;
  }

  void open(const std::string& name, int flags) {
    handle_.close();
    const int rc =
        sqlite3_open_v2(name.c_str(), &handle_.raw, flags | SQLITE_OPEN_FULLMUTEX, nullptr);
    db_ = handle_.raw;
    if (rc != SQLITE_OK) fail("cannot open");
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMillis);
  }

  // A listing on a read-only disk or file. A WAL ledger needs its shared-memory file beside
  // it; where that cannot be made and no log or journal is waiting to be read, the file is
  // read as it stands (nobody can change it there).
  void openReadOnly() {
    open(path_, SQLITE_OPEN_READONLY);
    try {
      identity();
      return;
    } catch (const LedgerError&) {
      const int code = sqlite3_extended_errcode(db_) & 0xff;
      if (code != SQLITE_READONLY && code != SQLITE_CANTOPEN) throw;
    }
    // A log or journal with something in it must be read (or rolled back) first: reading the
    // file as it stands would miss records or show half a transaction.
    for (const char* beside : {"-wal", "-journal"}) {
      struct stat log {};
      if (::stat((path_ + beside).c_str(), &log) == 0 && log.st_size > 0) {
        throw LedgerError("ledger " + path_ + ": " + path_ + beside +
                          " holds changes that cannot be read without write access to " +
                          folderOf(path_));
      }
    }
    open("file:" + uriEscaped(path_) + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
    identity();
  }

  static std::string uriEscaped(const std::string& path) {
    std::string out;
    for (const char c : path) {
      if (c == '%' || c == '?' || c == '#') {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
        out += hex;
      } else {
        out += c;
      }
    }
    return out;
  }

  // The first station to open a new ledger switches it to WAL (the file keeps the mode). The
  // switch needs the file to itself and SQLite answers "locked" at once, without waiting,
  // while another station is opening it too: try again until the busy time limit.
  void useWriteAheadLog() {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMillis);
    for (;;) {
      try {
        run("PRAGMA journal_mode=WAL", {});
        return;
      } catch (const LedgerError&) {
        if ((sqlite3_extended_errcode(db_) & 0xff) != SQLITE_BUSY ||
            std::chrono::steady_clock::now() >= deadline)
          throw;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  // Ours, or an empty database about to become ours; the schema version. Reads only, in one
  // statement: three separate reads could straddle another station's commit of a new ledger
  // (no mark yet, then tables) and take our own ledger for another program's file.
  int identity() {
    const auto rows =
        run("SELECT (SELECT application_id FROM pragma_application_id),"
            " (SELECT count(*) FROM sqlite_schema), (SELECT user_version FROM pragma_user_version)",
            {});
    const auto number = [&](std::size_t column) -> std::int64_t {
      return rows.empty() || !rows[0][column] ? 0
                                              : std::strtoll(rows[0][column]->c_str(), nullptr, 10);
    };
    const std::int64_t application = number(0);
    const std::int64_t tables = number(1);
    const std::int64_t version = number(2);
    if (application != kApplicationId && (application != 0 || tables != 0 || version != 0))
      throw LedgerError("ledger " + path_ + ": not a pager ledger");
    return static_cast<int>(version);
  }

  [[noreturn]] void fail(const std::string& what) const {
    std::string why = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
    if (db_ != nullptr && sqlite3_system_errno(db_) != 0)
      why += " (" + std::string(std::strerror(sqlite3_system_errno(db_))) + ")";
    throw LedgerError("ledger " + path_ + ": " + what + ": " + why);
  }

  std::string path_;
  bool readOnly_ = false;
  ClosingHandle<sqlite3, sqlite3_close_v2> handle_;
  sqlite3* db_ = nullptr;  // the handle's, for short
};

}  // namespace

std::unique_ptr<Ledger> openSqliteLedger(const std::string& path, LedgerOpen mode) {
  return openSqlLedger(std::make_unique<SqliteConnection>(path, mode));
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

std::unique_ptr<Ledger> openLedger(const std::string& ledger, LedgerOpen mode) {
  return isPostgresConnection(ledger) ? openPostgresLedger(ledger) : openSqliteLedger(ledger, mode);
}

std::unique_ptr<Ledger> openLedger(const std::string& ledger) {
  // Folders are made for the default location only: a --ledger path whose folder is missing
  // is a typing error or a disk that is not mounted.
  bool standard = false;
  try {
    standard = ledger == defaultLedgerPath();
  } catch (const LedgerError&) {
    // No default location: the path was given.
  }
  return openLedger(ledger, standard ? LedgerOpen::CreateWithFolders : LedgerOpen::CreateIfMissing);
}

}  // namespace capcode
