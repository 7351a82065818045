#pragma once
// The small progress dialog shown beside the window while a pager is read or written. It takes
// no input; closing it only hides it.

#include <string>
#include <string_view>

#include "core/feedback.hpp"

namespace capcode {

class ProgressDialog {
 public:
  explicit ProgressDialog(Feedback& feedback) : feedback_(feedback) {}

  void setCaption(std::string_view caption);
  void show();   // without blocking the window or the caller
  void close();  // hides it
  void setMaximum(int maximum);
  void setPosition(int position);
  void step() { stepBy(step_); }  // the plain step, 10
  void stepBy(int n);

  const std::string& caption() const { return caption_; }
  bool shown() const { return shown_; }
  int minimum() const { return 0; }
  int maximum() const { return maximum_; }
  int position() const { return position_; }
  int plainStep() const { return step_; }

 private:
  Feedback& feedback_;
  std::string caption_ = "Writing to eeprom.Please waiting...";
  bool shown_ = false;
  int maximum_ = 64;
  int position_ = 0;
  int step_ = 10;
};

}  // namespace capcode
