#pragma once
// A database library's handle, closed when its owner goes, even when the owner's constructor
// gives up half-way. `Close` is the library's close call; what it returns is of no use then.

namespace capcode {

template <typename Raw, auto Close>
struct ClosingHandle {
  Raw* raw = nullptr;  // owned; null until opened
  ClosingHandle() = default;
  ClosingHandle(const ClosingHandle&) = delete;
  ClosingHandle& operator=(const ClosingHandle&) = delete;
  ~ClosingHandle() { close(); }
  void close() {
    if (raw != nullptr) Close(raw);
    raw = nullptr;
  }
};

}  // namespace capcode
