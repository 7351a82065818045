#pragma once
// Which pager is this? A pager read back from the box, found in the ledger by the capcodes its
// rows hold and by the SHA-256 of its 2048 bytes: the record that wrote it, whether its bytes
// are still exactly what that record wrote, and which of its capcodes a pager recorded later
// also holds. Nothing here writes the pager or changes a record.
//
// The pager changes none of its own bytes: an image read back is compared whole, byte for byte
// through its digest, with the image its record wrote.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ledger/ledger.hpp"

namespace capcode {

class Program;

// A capcode of this pager that a pager recorded after it holds now.
struct LaterHolder {
  RecordedAddress mine;  // this pager's row, with the role its record wrote it as
  PagerRecord holder;    // the later pager's record
  int holderRow = 0;
};

struct PagerIdentity {
  std::vector<RecordedAddress> addresses;  // the pager's rows as read (enabled or not)
  std::string imageSha256;                 // of its 2048 bytes; empty for a damaged read
  // The records of this pager: those that wrote its image, or one of its capcodes as an
  // individual capcode; newest first.
  std::vector<PagerRecord> records;
  // The record that wrote this pager (an index into `records`): the newest that wrote these
  // very bytes, else the newest that wrote these capcodes to these rows, else the newest that
  // wrote one of them; only records whose pager may hold their capcodes count.
  std::optional<std::size_t> written;
  bool unchanged = false;          // its bytes are exactly what `written` wrote
  std::vector<LaterHolder> later;  // its capcodes on pagers recorded after `written`, held now

  bool identified() const { return written.has_value(); }
  const PagerRecord& writtenRecord() const { return records.at(*written); }
  // Identified, unchanged, no capcode on a later pager, and not returned since: nothing to do.
  bool clean() const;
};

// Finds the pager with these rows and this image digest (empty when the image is damaged) in
// `ledger`. Throws LedgerError when the ledger cannot be read.
PagerIdentity identifyPager(Ledger& ledger, const std::vector<RecordedAddress>& addresses,
                            const std::string& imageSha256);

// Where a record's capcodes came from: "order-17 line 4 (ref subscriber=Ann)", "order-17 set 3",
// or the configuration file's name.
std::string recordOrigin(const PagerRecord& record);

// The one log line the window writes after RD_From_Pager with a ledger: "Ledger: written
// 2026-12-09 14:02:07 +01:00 on station bench-2, order-17 line 4 (ref 1234); unchanged since", or that
// the pager is not in the ledger.
std::string identityLogLine(const PagerIdentity& identity);

// What a person does next, one sentence a line, with the commands to run.
std::vector<std::string> identityAdvice(const PagerIdentity& identity);

// Installs on `program`'s RD_From_Pager: after a read that completed, one log line says what
// `ledger()` knows of the pager (nothing when it gives no ledger). The previous handler comes
// back when this object goes. `program` must outlive it.
class ReadIdentityLine {
 public:
  ReadIdentityLine(Program& program, std::function<Ledger*()> ledger);
  ~ReadIdentityLine();
  ReadIdentityLine(const ReadIdentityLine&) = delete;
  ReadIdentityLine& operator=(const ReadIdentityLine&) = delete;

 private:
  Program& program_;
  std::function<void()> read_;
};

}  // namespace capcode
