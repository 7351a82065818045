#pragma once
// Everything one run of the programmer holds: the window model, the two 2048-byte images and
// the small shared values that the rules, the codec and the links read. Tests make as many of
// these as they like; nothing here is process-wide.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/command_outcomes.hpp"
#include "core/feedback.hpp"
#include "core/form_model.hpp"
#include "core/image.hpp"
#include "core/progress_dialog.hpp"
#include "core/version_info.hpp"

namespace capcode {

enum HardwareRevisionCode : std::uint8_t { kHwA2 = 0, kHwA3 = 1, kHwB = 2 };

// The address rows a pager of this revision keeps: an HW-A board's image has rows 1-6 only.
constexpr int pagerAddressRows(std::uint8_t revision) { return revision == kHwB ? 8 : 6; }

// The built-in image for a hardware revision: image B at HW-B, image A at HW-A2 and HW-A3.
const Image& defaultImageFor(std::uint8_t revision);
// The parallel-port bus timing set, read by every bus primitive when it runs.
struct LinkTimings {
  std::uint8_t busFreeMillis = 6;   // after each STOP that ends a page write or a read
  std::uint8_t sclHighMicros = 1;   // after every SCL rise
  std::uint8_t sclLowMicros = 1;    // after every SCL fall
  std::uint8_t sdaHoldMicros = 30;  // after every SDA change
  std::uint8_t powerSettle = 1;     // units of 500 ms after the supply is switched on
};

// Fixed per build (CMake cache options); a test may construct a state with others.
struct BuildConstants {
  std::uint8_t factoryEdition = 0;
  std::uint8_t buildCustomer = 0;
  std::uint8_t buildLanguageLock = 2;
  static BuildConstants ofThisBuild();
};

// A shared value readable (and, unless constant, writable) by name from the automation.
struct GlobalValue {
  std::function<std::string()> json;               // its value as a JSON literal
  std::function<void(const std::string&)> assign;  // empty for constants; throws on bad input
};

class ProgramState {
 public:
  explicit ProgramState(Feedback& feedback, BuildConstants build = BuildConstants::ofThisBuild());
  ProgramState(const ProgramState&) = delete;
  ProgramState& operator=(const ProgramState&) = delete;

  FormModel form;
  Image ConfigImage{};
  Image PagerReadBuffer{};

  std::uint8_t HardwareRevision = kHwA2;
  std::uint16_t ChannelStep = 0;  // Hz; 0 until the frequency is first normalised
  char DecimalMark = '.';
  float VoltageRoundUp = 0.01f;  // added to a decoded voltage whose third decimal is 5 or more
  const BuildConstants build;
  std::string LanguageLibraryPath = "EnglishStr.lib";
  std::string CurrentFilePath = "M61.EEP";
  bool UsbMode = false;
  std::uint16_t LptPortBase = 0x378;
  std::uint8_t TransferResult = 0;
  LinkTimings linkTimings;

  ProgressDialog State_Form;
  ProgramVersionInfo versionInfo = readVersionInfo();
  // Set by the Exit command: the window has closed and the program ends.
  bool windowClosed = false;
  // Releases the parallel-port access; set by the link when it holds the port.
  std::function<void()> releasePortAccess;
  // What the last File > Open and File > Save did (set however they end).
  FileOpenOutcome lastOpen;
  FileSaveOutcome lastSave;

  // --- what rules do to the person ---
  void log(std::string_view line);
  void beep() { feedback_.beep(); }
  void focus(std::string_view control) { feedback_.focus(control); }
  void message(std::string_view text) { feedback_.message(text); }
  Feedback& feedback() { return feedback_; }
  // Lines of the status log, oldest first.
  const std::vector<std::string>& statusLog() const { return statusLog_; }

  // --- what the rules refused, as values ---
  // Called by a rule that refuses, beside its beep, log line and focus.
  void recordRuleRefusal(RuleRefusal refusal);
  // A caller clears the refusals before an event and reads them after it.
  void clearRuleRefusals() { ruleRefusals_ = {}; }
  const RuleRefusals& ruleRefusals() const { return ruleRefusals_; }

  // Runs one window event: an error that escapes it becomes the general error notice and the
  // program goes on. Returns false when that happened.
  bool event(const std::function<void()>& action);

  // --- shared values by name ---
  const std::map<std::string, GlobalValue, std::less<>>& globals() const { return globals_; }

  // The pager model code at image bytes 0x066..0x068.
  std::string modelCode() const;

  // Keeps a rule set alive as long as this state (its handlers refer to it).
  void keepAlive(std::shared_ptr<void> owned) { owned_.push_back(std::move(owned)); }

 private:
  void defineGlobals();

  Feedback& feedback_;
  std::vector<std::string> statusLog_;
  RuleRefusals ruleRefusals_;
  std::map<std::string, GlobalValue, std::less<>> globals_;
  std::vector<std::shared_ptr<void>> owned_;
};

// Brings the window controls to their design values (every control of the window).
void buildDesignControls(FormModel& form);

}  // namespace capcode
