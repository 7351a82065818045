#include "cli/console_feedback.hpp"

#include <algorithm>

namespace capcode {

namespace {
constexpr int kBarWidth = 30;
}

void ConsoleFeedback::log(std::string_view line) {
  clearProgress();
  log_ << line << std::endl;
}

void ConsoleFeedback::message(std::string_view text) {
  clearProgress();
  err_ << "capcode: " << text << std::endl;
}

void ConsoleFeedback::errorNotice(std::string_view text) {
  clearProgress();
  notices.emplace_back(text);
  err_ << "capcode: error: " << text << std::endl;
}

void ConsoleFeedback::progressMoved(int position, int maximum) {
  if (!terminal_ || maximum <= 0) return;
  const int clamped = std::clamp(position, 0, maximum);
  const int filled = clamped * kBarWidth / maximum;
  err_ << "\r\033[K" << caption_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
       << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] "
       << clamped * 100 / maximum << "%" << std::flush;
  drawn_ = true;
}

std::optional<std::string> ConsoleFeedback::chooseFile(const FileDialogRequest&) {
  std::optional<std::string> given;
  given.swap(answer);
  return given;
}

void ConsoleFeedback::clearProgress() {
  if (!drawn_) return;
  err_ << "\r\033[K" << std::flush;
  drawn_ = false;
}

}  // namespace capcode
