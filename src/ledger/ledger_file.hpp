#pragma once
// What the station's file system says about a ledger file before SQLite opens it, so that a
// mistyped or unmounted path, a directory, a FIFO or a folder without write permission is
// refused with the system's reason and the path, and nothing is created by mistake. A FIFO is
// never opened (an open for reading would wait for a writer forever).

#include <string>

namespace capcode {

enum class LedgerFileUse {
  Read,          // listing: the file must exist and be readable
  Write,         // the file must exist, and it and its folder be writable (the journal)
  Create,        // as Write, or a new file in a folder that exists and is writable
  CreateFolders  // as Create, making the missing folders first (the default location only)
};

// Throws LedgerError "ledger PATH: REASON" when the path cannot serve `use`.
void checkLedgerFile(const std::string& path, LedgerFileUse use);

// The folder holding `path` ("." for a bare name).
std::string folderOf(const std::string& path);

}  // namespace capcode
