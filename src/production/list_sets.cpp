#include "production/list_sets.hpp"

#include "core/visible_text.hpp"
#include "production/batch_plan.hpp"

namespace capcode {

ListSets::ListSets(std::vector<RecordedAddress> rows, std::shared_ptr<const CapcodeList> list)
    : rows_(std::move(rows)), list_(std::move(list)) {
  applyListRoles(*list_, rows_);
}

std::vector<RecordedAddress> ListSets::set(int k) {
  if (k < 0 || k >= size()) {
    const std::string why = "every line of " + list_->path + " is taken (" +
                            counted(static_cast<std::size_t>(size()), "pager") + ")";
    throw BatchSetRefused(why, {k + 1, 0, why});
  }
  const CapcodeListLine& line = list_->lines[static_cast<std::size_t>(k)];
  std::vector<RecordedAddress> set = rows_;
  for (RecordedAddress& a : set) {
    if (list_->named[static_cast<std::size_t>(a.row)])
      a.capcode = line.capcodes[static_cast<std::size_t>(a.row)];
  }
  return set;
}

SetOrigin ListSets::origin(int k) const {
  if (k < 0 || k >= size()) return {};
  const CapcodeListLine& line = list_->lines[static_cast<std::size_t>(k)];
  return {list_->sha256, line.line, line.reference};
}

void applyListRoles(const CapcodeList& list, std::vector<RecordedAddress>& rows) {
  for (RecordedAddress& a : rows) {
    a.role =
        list.named[static_cast<std::size_t>(a.row)] ? AddressRole::Individual : AddressRole::Shared;
  }
}

}  // namespace capcode
