#pragma once
// Whole-file reads that never block and whole-file writes that never lose the old file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace capcode {

// Reads at most `limit` bytes of a regular file. Anything else (a folder, a FIFO, a device) is
// refused without waiting on it: the file is opened without blocking and checked before a byte
// is read. Nothing when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> readFilePrefix(const std::string& path, std::size_t limit);

// Replaces the file at `path` with `bytes` so that it is the old file or the complete new one:
//  - A symbolic link (followed up to 40 links, a dangling one included) stays a link; its final
//    target receives the bytes.
//  - A target that exists but is not a regular file, or that the user may not write, is refused
//    and left as it was.
//  - Normally the bytes go to a short-named temporary file in the same folder (mode and owner
//    of the old file), flushed to the disk and renamed over the target; then the folder is
//    flushed.
//  - A file with several hard links, a file in a folder where the user may not create files,
//    and a file whose owner could not be kept are written in place instead: the space is
//    reserved first, and a write that fails part-way is undone from a copy of the old bytes.
//    A crash of the machine during an in-place write can leave a mixture; nothing else can.
//  - A file-size limit (ulimit -f) makes the save fail with an error instead of killing the
//    program, and leaves nothing behind.
// Returns an empty string on success, otherwise why it failed.
std::string writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

// For a program that writes files as long as it runs (the window and its ledger): from now on a
// file-size limit (ulimit -f) makes each write beyond it fail with EFBIG, which the file's owner
// reports like a full disk, instead of killing the program with SIGXFSZ. Process-wide.
void survivesFileSizeLimit();

}  // namespace capcode
