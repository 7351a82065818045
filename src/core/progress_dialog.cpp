#include "core/progress_dialog.hpp"

#include <algorithm>

namespace capcode {

void ProgressDialog::setCaption(std::string_view caption) {
  if (caption == caption_) return;
  caption_.assign(caption);
  if (shown_) feedback_.progressCaption(caption_);
}

void ProgressDialog::show() {
  if (shown_) return;
  shown_ = true;
  feedback_.progressShown(caption_);
}

void ProgressDialog::close() {
  if (!shown_) return;
  shown_ = false;
  feedback_.progressHidden();
}

void ProgressDialog::setMaximum(int maximum) {
  maximum_ = std::max(0, maximum);
  position_ = std::min(position_, maximum_);
  feedback_.progressMoved(position_, maximum_);
}

void ProgressDialog::setPosition(int position) {
  // A progress bar keeps its position inside its range.
  position_ = std::clamp(position, 0, maximum_);
  feedback_.progressMoved(position_, maximum_);
}

void ProgressDialog::stepBy(int n) {
  setPosition(position_ + n);
}

}  // namespace capcode
