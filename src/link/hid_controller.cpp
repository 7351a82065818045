#include "link/hid_controller.hpp"

#include <algorithm>

namespace capcode {

bool HidController::rescan() {
  const std::vector<HidDeviceInfo> present = backend_.enumerate();
  bool changed = false;
  for (auto& entry : entries_) {
    const bool stillThere =
        std::any_of(present.begin(), present.end(),
                    [&](const HidDeviceInfo& p) { return p.path == entry->info.path; });
    if (!stillThere && entry->pluggedIn) {
      entry->pluggedIn = false;
      entry->device.reset();
      changed = true;
    }
  }
  const auto before = entries_.size();
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [](const auto& e) { return !e->pluggedIn && !e->checkedOut; }),
                 entries_.end());
  changed |= entries_.size() != before;
  for (const HidDeviceInfo& info : present) {
    const bool known = std::any_of(entries_.begin(), entries_.end(), [&](const auto& e) {
      return e->pluggedIn && e->info.path == info.path;
    });
    if (known) continue;
    auto entry = std::make_unique<HidEntry>();
    entry->info = info;
    entries_.push_back(std::move(entry));
    changed = true;
  }
  return changed;
}

HidEntry* HidController::checkOutByCallback(
    const std::function<bool(const HidDeviceInfo&)>& accept) {
  for (auto& entry : entries_) {
    if (entry->checkedOut || !entry->pluggedIn || !accept(entry->info)) continue;
    entry->device = backend_.open(entry->info);
    if (!entry->device) continue;
    entry->checkedOut = true;
    return entry.get();
  }
  return nullptr;
}

HidEntry* HidController::checkOutByIndex(std::size_t index) {
  if (index >= entries_.size()) return nullptr;
  HidEntry* entry = entries_[index].get();
  if (entry->checkedOut || !entry->pluggedIn) return nullptr;
  entry->device = backend_.open(entry->info);
  if (!entry->device) return nullptr;
  entry->checkedOut = true;
  return entry;
}

void HidController::release(HidEntry* entry) {
  if (entry == nullptr) return;
  entry->checkedOut = false;
  entry->device.reset();
  if (!entry->pluggedIn) {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [entry](const auto& e) { return e.get() == entry; }),
                   entries_.end());
  }
}

}  // namespace capcode
