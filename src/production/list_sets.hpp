#pragma once
// The capcode sets of a list: set k is line k after the header (line k + 2 of the file). The
// rows the list names get the line's capcodes and are individual; every other row keeps the
// configuration's capcode on every pager and is shared.

#include <memory>
#include <vector>

#include "production/capcode_list.hpp"
#include "production/capcode_source.hpp"

namespace capcode {

class ListSets final : public CapcodeSource {
 public:
  // `rows`: the configuration's rows 1-8 (capcodes and enable boxes) as opened. `list` is
  // shared with whoever else reads it.
  ListSets(std::vector<RecordedAddress> rows, std::shared_ptr<const CapcodeList> list);
  // Throws BatchSetRefused when the list has no line k ("every line of the list is taken").
  std::vector<RecordedAddress> set(int k) override;
  SetOrigin origin(int k) const override;
  int size() const { return static_cast<int>(list_->lines.size()); }

 private:
  std::vector<RecordedAddress> rows_;
  std::shared_ptr<const CapcodeList> list_;
};

// Row roles as a list batch records them: the rows the list names are individual, all others
// shared.
void applyListRoles(const CapcodeList& list, std::vector<RecordedAddress>& rows);

}  // namespace capcode
