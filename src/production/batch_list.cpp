// A batch whose capcodes come from a capcode list: the list read once (or taken as read for all
// the boxes of a round) and checked against the configuration's rows; each line is a set of the
// order, checked with the others before the first pager.

#include "app/clean_decode.hpp"
#include "production/batch_run.hpp"
#include "production/list_sets.hpp"

namespace capcode {

std::vector<RecordedAddress> BatchRun::pagerAddresses() {
  std::vector<RecordedAddress> rows = currentAddresses(state());
  if (list_) applyListRoles(*list_, rows);
  return rows;
}

BatchEnd BatchRun::readList() {
  if (options_.readList) {
    list_ = options_.readList;
  } else {
    ListRead read = readCapcodeList(options_.capcodeList);
    if (!read.list) {
      return fail(describeListProblem(options_.capcodeList, read.problem) +
                  "; nothing was written");
    }
    list_ = std::make_shared<const CapcodeList>(std::move(*read.list));
  }
  return listUsage();
}

// The list gives the capcodes of the rows it names; the others keep the configuration's, so no
// row has a step to give. A row the pager of this revision does not have cannot be given.
BatchEnd BatchRun::listUsage() {
  for (int row = 1; row <= kAddressRows; ++row) {
    if (!options_.steps[static_cast<std::size_t>(row)]) continue;
    const std::string given = "--autoinc " + std::to_string(row) + "=" +
                              std::to_string(*options_.steps[static_cast<std::size_t>(row)]);
    if (list_->named[static_cast<std::size_t>(row)]) {
      return usage(given + ": " + list_->path + " gives row " + std::to_string(row) +
                   "'s capcodes; --autoinc and --capcodes cannot both set them");
    }
    return usage(given +
                 ": with --capcodes, a row the list does not name keeps the "
                 "configuration's capcode on every pager");
  }
  const int rows = pagerAddressRows(state().HardwareRevision);
  for (int row = rows + 1; row <= kAddressRows; ++row) {
    if (!list_->named[static_cast<std::size_t>(row)]) continue;
    return fail(list_->path + ": gives capcodes for row " + std::to_string(row) + ", but an " +
                revisionCaption(state().HardwareRevision) + " pager has address rows 1-" +
                std::to_string(rows) + " only; nothing was written");
  }
  for (const RecordedAddress& a : currentAddresses(state())) {
    if (!list_->named[static_cast<std::size_t>(a.row)] || a.enabled) continue;
    return fail(list_->path + ": gives capcodes for row " + std::to_string(a.row) +
                ", which is not enabled in " + options_.file + "; nothing was written");
  }
  return BatchEnd::Done;
}

}  // namespace capcode
