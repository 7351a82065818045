#include "ledger/sql_ledger.hpp"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace capcode {

namespace {

constexpr int kSchemaVersion = 4;
constexpr int kRetries = 50;
// Held: the pager may carry its capcodes. The other results gave them back.
const char* const kHolding = "('started', 'verified', 'verify failed', 'interrupted')";
// A pager returned and wiped gave its capcodes back, whatever its result was.
std::string notReturned(const std::string& table = "") {
  return "(" + table + "settlement IS NULL OR " + table + "settlement <> 'returned')";
}

std::int64_t integer(const std::optional<std::string>& text) {
  return text ? std::strtoll(text->c_str(), nullptr, 10) : 0;
}

SqlValue orNull(const std::string& text) {
  return text.empty() ? SqlValue(nullptr) : SqlValue(text);
}

// Gives a lock back however the step ends.
struct Release {
  explicit Release(std::function<void()> then) : unlock(std::move(then)) {}
  std::function<void()> unlock;
  Release(const Release&) = delete;
  Release& operator=(const Release&) = delete;
  ~Release() { unlock(); }
};

class SqlLedger final : public Ledger {
 public:
  explicit SqlLedger(std::unique_ptr<SqlConnection> db) : db_(std::move(db)) { migrate(); }

  void finishAttempt(std::int64_t id, PagerResult result) override {
    exclusive([&] {
      const auto rows =
          db_->run("UPDATE pagers SET result = $1, finished = $2 WHERE id = $3 RETURNING id",
                   {std::string(resultName(result)), ledgerTimeNow(), id});
      if (rows.empty()) throw LedgerError(db_->name() + ": no record " + std::to_string(id));
      if (!holdsCapcodes(result)) db_->run("DELETE FROM held_capcodes WHERE pager_id = $1", {id});
    });
  }

  void recordImage(std::int64_t id, const std::string& imageSha256) override {
    again([&] {
      db_->run("UPDATE pagers SET image_sha256 = $1 WHERE id = $2", {imageSha256, id});
    });
  }

  std::optional<PagerRecord> lastVerified(std::string_view configSha256) override {
    std::optional<PagerRecord> last;
    again([&] {
      const auto rows = db_->run(
          "SELECT id FROM pagers WHERE config_sha256 = $1 AND result = 'verified' "
          "ORDER BY id DESC LIMIT 1",
          {std::string(configSha256)});
      last = rows.empty() ? std::nullopt : std::optional(recordOf(integer(rows[0][0])));
    });
    return last;
  }

  std::vector<int> verifiedListLines(std::string_view listSha256) override {
    std::vector<int> lines;
    again([&] {
      lines.clear();
      for (const SqlRow& row :
           db_->run(std::string("SELECT DISTINCT list_line FROM pagers WHERE list_sha256 = $1 "
                                "AND result = 'verified' AND list_line IS NOT NULL AND ") +
                        notReturned() + " ORDER BY list_line",
                    {std::string(listSha256)}))
        lines.push_back(static_cast<int>(integer(row[0])));
    });
    return lines;
  }

  std::vector<PagerRecord> list(std::string_view since) override {
    std::vector<PagerRecord> records;
    again([&] {
      records.clear();
      for (const SqlRow& row : db_->run("SELECT id FROM pagers WHERE started >= $1 ORDER BY id",
                                        {std::string(since)})) {
        records.push_back(recordOf(integer(row[0])));
      }
    });
    return records;
  }

  std::vector<PagerRecord> recordsWith(const std::vector<std::int32_t>& capcodes,
                                       const std::string& imageSha256) override {
    std::string sql =
        "SELECT DISTINCT p.id, p.started FROM pagers p LEFT JOIN addresses a ON a.pager_id = p.id "
        "AND a.enabled = 1 WHERE (p.image_sha256 = $1 AND p.image_sha256 <> '')";
    std::vector<SqlValue> parameters{imageSha256};
    for (const std::int32_t capcode : capcodes) {
      parameters.emplace_back(std::int64_t{capcode});
      sql += " OR a.capcode = $" + std::to_string(parameters.size());
    }
    sql += " ORDER BY p.started DESC, p.id DESC";
    std::vector<PagerRecord> records;
    again([&] {
      records.clear();
      for (const SqlRow& row : db_->run(sql, parameters))
        records.push_back(recordOf(integer(row[0])));
    });
    return records;
  }

  LedgerTally tally(std::string_view since) override {
    LedgerTally tally;
    again([&] {
      tally = {};
      for (const SqlRow& row :
           db_->run("SELECT result, COUNT(*) FROM pagers WHERE started >= $1 GROUP BY result",
                    {std::string(since)})) {
        const auto result = row[0] ? resultNamed(*row[0]) : std::nullopt;
        if (result) tally.byResult[static_cast<std::size_t>(*result)] = int(integer(row[1]));
      }
      const auto last = db_->run(
          "SELECT id FROM pagers WHERE started >= $1 AND result = 'verified' "
          "ORDER BY id DESC LIMIT 1",
          {std::string(since)});
      if (!last.empty()) tally.lastVerified = recordOf(integer(last[0][0]));
    });
    return tally;
  }

  std::optional<Conflict> reserve(
      const SharedBatch& batch, PagerRecord& record,
      const std::function<std::vector<RecordedAddress>(int)>& setOf) override {
    std::optional<Conflict> conflict;
    if (record.started.empty()) record.started = ledgerTimeNow();
    exclusive([&] {
      conflict.reset();
      checkBatch(batch);
      // The lowest set no pager holds: a set given back is handed out again; a set that may
      // have reached a pager (started, verify failed, interrupted) never is.
      int next = 0;
      for (const SqlRow& row :
           db_->run(std::string("SELECT DISTINCT set_index FROM pagers WHERE batch = $1 AND "
                                "result IN ") +
                        kHolding + " AND " + notReturned() + " ORDER BY set_index",
                    {batch.name})) {
        if (integer(row[0]) != next) break;
        ++next;
      }
      record.batch = batch.name;
      record.setIndex = next;
      record.addresses = setOf(next);
      record.result = PagerResult::Started;
      record.finished.clear();
      conflict = conflictWith(record.addresses);
      if (!conflict) insert(record, true);
    });
    return conflict;
  }

 private:
  void migrate() {
    const int known = kSchemaVersion;
    if (db_->readOnly()) {
      // A listing changes nothing: the schema must already be this program's.
      const int version = guarded([&] { return db_->schemaVersion(); });
      if (version != known) {
        throw LedgerError(db_->name() + ": schema version " + std::to_string(version) +
                          (version > known
                               ? " is newer than this program knows; use a newer capcode"
                               : " is older than this program's; let capcode write "
                                 "bring it up to date first"));
      }
      return;
    }
    guarded([&] { db_->lockSchema(); });
    const Release release{[&] { db_->unlockSchema(); }};
    exclusive([&] {
      const int version = db_->schemaVersion();
      if (version > known) {
        throw LedgerError(db_->name() + ": schema version " + std::to_string(version) +
                          " is newer than this program knows (" + std::to_string(known) +
                          "); use a newer capcode");
      }
      const auto& steps = db_->migrations();
      for (int step = version; step < known; ++step)
        db_->run(steps[static_cast<std::size_t>(step)], {});
      if (version < known) db_->setSchemaVersion(known);
    });
  }

  void checkBatch(const SharedBatch& batch) {
    const auto rows = db_->run(
        "SELECT config_sha256, steps, list_sha256 FROM batches WHERE name = $1", {batch.name});
    if (rows.empty()) {
      db_->run(
          "INSERT INTO batches(name, config_sha256, steps, created, list_sha256) "
          "VALUES($1, $2, $3, $4, $5)",
          {batch.name, batch.configSha256, batch.steps, ledgerTimeNow(),
           batch.listSha256.empty() ? SqlValue(nullptr) : SqlValue(batch.listSha256)});
      return;
    }
    const std::string list = rows[0][2].value_or("");
    if (list != batch.listSha256) {
      throw LedgerError("batch " + batch.name + " was started " +
                        (list.empty() ? std::string("without a capcode list")
                                      : "from the capcode list with SHA-256 " + list) +
                        (batch.listSha256.empty()
                             ? std::string(", not without one")
                             : ", not from the list with SHA-256 " + batch.listSha256));
    }
    if (rows[0][0].value_or("") != batch.configSha256) {
      throw LedgerError("batch " + batch.name +
                        " was started from another configuration file (SHA-256 " +
                        rows[0][0].value_or("?") + ")");
    }
    if (rows[0][1].value_or("") != batch.steps) {
      throw LedgerError("batch " + batch.name + " was started with the steps " +
                        rows[0][1].value_or("?") + ", not " + batch.steps);
    }
  }

  std::vector<Holding> holdings(std::int32_t capcode) override {
    std::vector<Holding> found;
    read([&] {
      found.clear();
      for (const SqlRow& row :
           db_->run(std::string("SELECT a.pager_id, a.row, a.role FROM addresses a JOIN pagers p "
                                "ON p.id = a.pager_id WHERE a.capcode = $1 AND a.enabled = 1 "
                                "AND p.result IN ") +
                        kHolding + " AND " + notReturned("p.") + " ORDER BY a.pager_id, a.row",
                    {std::int64_t{capcode}})) {
        found.push_back(
            {integer(row[0]), static_cast<int>(integer(row[1])),
             row[2].value_or("") == "individual" ? AddressRole::Individual : AddressRole::Shared});
      }
    });
    return found;
  }

  PagerRecord recordOf(std::int64_t id) override {
    PagerRecord record;
    read([&] { record = recordRead(id); });
    return record;
  }

  PagerRecord recordRead(std::int64_t id) {
    const auto rows = db_->run(
        "SELECT started, finished, host, station, config_path, config_sha256, image_sha256, "
        "result, batch, set_index, list_sha256, list_line, reference, settlement, settled_at, "
        "settled_by FROM pagers WHERE id = $1",
        {id});
    if (rows.empty()) throw LedgerError(db_->name() + ": no record " + std::to_string(id));
    const SqlRow& r = rows[0];
    PagerRecord record;
    record.id = id;
    record.started = r[0].value_or("");
    record.finished = r[1].value_or("");
    record.host = r[2].value_or("");
    record.station = r[3].value_or("");
    record.configPath = r[4].value_or("");
    record.configSha256 = r[5].value_or("");
    record.imageSha256 = r[6].value_or("");
    record.result = resultNamed(r[7].value_or("")).value_or(PagerResult::Started);
    record.batch = r[8].value_or("");
    record.setIndex = r[9] ? static_cast<int>(integer(r[9])) : -1;
    record.listSha256 = r[10].value_or("");
    record.listLine = static_cast<int>(integer(r[11]));
    record.reference = r[12].value_or("");
    record.settlement = settlementNamed(r[13].value_or("")).value_or(Settlement::None);
    record.settledAt = r[14].value_or("");
    record.settledBy = r[15].value_or("");
    for (const SqlRow& a : db_->run(
             "SELECT row, capcode, enabled, role FROM addresses WHERE pager_id = $1 ORDER BY row",
             {id})) {
      record.addresses.push_back(
          {static_cast<int>(integer(a[0])), static_cast<std::int32_t>(integer(a[1])),
           integer(a[2]) != 0,
           a[3].value_or("") == "individual" ? AddressRole::Individual : AddressRole::Shared});
    }
    return record;
  }

  void insert(PagerRecord& record, bool holdCapcodes) override {
    const auto rows = db_->run(
        "INSERT INTO pagers(started, finished, host, station, config_path, config_sha256, "
        "image_sha256, result, batch, set_index, list_sha256, list_line, reference) "
        "VALUES($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13) RETURNING id",
        {record.started, orNull(record.finished), record.host, record.station, record.configPath,
         record.configSha256, record.imageSha256, std::string(resultName(record.result)),
         orNull(record.batch),
         record.setIndex < 0 ? SqlValue(nullptr) : SqlValue(std::int64_t{record.setIndex}),
         orNull(record.listSha256),
         record.listLine < 1 ? SqlValue(nullptr) : SqlValue(std::int64_t{record.listLine}),
         orNull(record.reference)});
    record.id = integer(rows.at(0)[0]);
    for (const RecordedAddress& a : record.addresses) {
      db_->run(
          "INSERT INTO addresses(pager_id, row, capcode, enabled, role) "
          "VALUES($1, $2, $3, $4, $5)",
          {record.id, std::int64_t{a.row}, std::int64_t{a.capcode}, std::int64_t{a.enabled ? 1 : 0},
           std::string(roleName(a.role))});
      // The database keeps an individual capcode on one pager, whatever a station believes.
      if (holdCapcodes && a.enabled && a.role == AddressRole::Individual) {
        db_->run("INSERT INTO held_capcodes(capcode, pager_id) VALUES($1, $2)",
                 {std::int64_t{a.capcode}, record.id});
      }
    }
  }

  void storeSettlement(std::int64_t id, Settlement settlement, const std::string& at,
                       const std::string& by) override {
    db_->run("UPDATE pagers SET settlement = $1, settled_at = $2, settled_by = $3 WHERE id = $4",
             {std::string(settlementName(settlement)), at, by, id});
    if (settlement == Settlement::Returned)
      db_->run("DELETE FROM held_capcodes WHERE pager_id = $1", {id});
  }

  void exclusive(const std::function<void()>& work) override {
    struct Inside {
      bool& flag;
      explicit Inside(bool& f) : flag(f) { flag = true; }
      ~Inside() { flag = false; }
      Inside(const Inside&) = delete;
      Inside& operator=(const Inside&) = delete;
    } inside{inTransaction_};
    bool reconnected = false;
    for (int attempt = 1;; ++attempt) {
      bool committing = false;
      try {
        guarded([&] {
          db_->beginExclusive();
          work();
          committing = true;
          db_->commit();
        });
        return;
      } catch (const SqlError& e) {
        db_->rollback();
        // A connection lost before COMMIT took nothing with it: run the step once more on a
        // fresh one. Lost during COMMIT, the step may or may not be recorded: say so.
        if (e.lost && committing) {
          throw LedgerError(std::string(e.what()) +
                            " while committing; the record may or may not have been kept "
                            "(see capcode ledger --unfinished)");
        }
        if (e.lost && !reconnected) {
          reconnected = true;
          if (guarded([&] { return db_->reconnect(); })) continue;
        }
        if (!e.retry || attempt >= kRetries) throw;
        // Another station got in the way: run the whole step again on what it wrote.
        std::this_thread::sleep_for(std::chrono::milliseconds(attempt));
      } catch (...) {
        db_->rollback();
        throw;
      }
    }
  }

  // A read that may run inside a transaction (which retries as a whole on a fresh connection)
  // or on its own, as a station's check before a write does: on its own, a connection the
  // server dropped meanwhile is replaced, so the first write after a server came back works.
  void read(const std::function<void()>& work) {
    if (inTransaction_) {
      work();
    } else {
      again(work);
    }
  }

  // A step outside a transaction (a read, an idempotent update): on a lost connection, once
  // more on a fresh one.
  void again(const std::function<void()>& work) {
    try {
      guarded(work);
    } catch (const SqlError& e) {
      if (!e.lost || !guarded([&] { return db_->reconnect(); })) throw;
      guarded(work);
    }
  }

  // The ledger's promise to its callers: whatever goes wrong underneath, they see a
  // LedgerError with a one-line message and nothing else.
  template <typename Work>
  auto guarded(Work&& work) -> decltype(work()) {
    try {
      return work();
    } catch (const LedgerError&) {
      throw;
    } catch (const std::exception& e) {
      throw LedgerError(db_->name() + ": " + e.what());
    }
  }

  std::unique_ptr<SqlConnection> db_;
  bool inTransaction_ = false;  // inside exclusive(): a lost connection retries the whole step
};

}  // namespace

std::vector<std::string> ledgerSchemaSteps(const std::string& serialKey,
                                           const std::string& reference) {
  return {
      "CREATE TABLE pagers("
      "  id " +
          serialKey +
          ","
          "  started TEXT NOT NULL,"
          "  finished TEXT,"
          "  host TEXT NOT NULL,"
          "  station TEXT NOT NULL,"
          "  config_path TEXT NOT NULL,"
          "  config_sha256 TEXT NOT NULL,"
          "  image_sha256 TEXT NOT NULL,"
          "  result TEXT NOT NULL CHECK(result IN ('started', 'verified', 'verify failed',"
          "                                        'not written', 'no device', 'interrupted')));"
          "CREATE TABLE addresses("
          "  pager_id " +
          reference +
          " NOT NULL REFERENCES pagers(id),"
          "  row INTEGER NOT NULL CHECK(row BETWEEN 1 AND 8),"
          "  capcode INTEGER NOT NULL,"
          "  enabled INTEGER NOT NULL CHECK(enabled IN (0, 1)),"
          "  role TEXT NOT NULL CHECK(role IN ('individual', 'shared')),"
          "  PRIMARY KEY(pager_id, row));"
          "CREATE INDEX addresses_by_capcode ON addresses(capcode);"
          "CREATE INDEX pagers_by_config ON pagers(config_sha256, result);",
      "ALTER TABLE pagers ADD COLUMN batch TEXT;"
      "ALTER TABLE pagers ADD COLUMN set_index INTEGER;"
      "CREATE TABLE batches("
      "  name TEXT PRIMARY KEY,"
      "  config_sha256 TEXT NOT NULL,"
      "  steps TEXT NOT NULL,"
      "  created TEXT NOT NULL);"
      "CREATE TABLE held_capcodes("
      "  capcode INTEGER PRIMARY KEY,"
      "  pager_id " +
          reference +
          " NOT NULL REFERENCES pagers(id));"
          "CREATE UNIQUE INDEX held_sets ON pagers(batch, set_index)"
          "  WHERE batch IS NOT NULL AND result IN " +
          std::string(kHolding) +
          ";"
          // A ledger from before batches: its pagers hold their individual capcodes from now on.
          "INSERT INTO held_capcodes(capcode, pager_id)"
          "  SELECT a.capcode, min(a.pager_id) FROM addresses a JOIN pagers p ON p.id = a.pager_id"
          "  WHERE a.enabled = 1 AND a.role = 'individual' AND p.result IN " +
          std::string(kHolding) + " GROUP BY a.capcode;",
      // Capcode lists: the list and line each pager took, its reference columns, and the list
      // a shared batch hands out.
      "ALTER TABLE pagers ADD COLUMN list_sha256 TEXT;"
      "ALTER TABLE pagers ADD COLUMN list_line INTEGER;"
      "ALTER TABLE pagers ADD COLUMN reference TEXT;"
      "ALTER TABLE batches ADD COLUMN list_sha256 TEXT;"
      "CREATE INDEX pagers_by_list ON pagers(list_sha256, result);",
      // Settlements: a pager put aside or returned, when and by whom. A returned pager's set
      // may be reserved again, so it leaves the index that keeps a set on one pager.
      "ALTER TABLE pagers ADD COLUMN settlement TEXT"
      "  CHECK(settlement IN ('put aside', 'returned'));"
      "ALTER TABLE pagers ADD COLUMN settled_at TEXT;"
      "ALTER TABLE pagers ADD COLUMN settled_by TEXT;"
      "DROP INDEX held_sets;"
      "CREATE UNIQUE INDEX held_sets ON pagers(batch, set_index)"
      "  WHERE batch IS NOT NULL AND result IN " +
          std::string(kHolding) + " AND " + notReturned() + ";",
  };
}

std::unique_ptr<Ledger> openSqlLedger(std::unique_ptr<SqlConnection> db) {
  return std::make_unique<SqlLedger>(std::move(db));
}

int ledgerSchemaVersion() {
  return kSchemaVersion;
}

}  // namespace capcode
