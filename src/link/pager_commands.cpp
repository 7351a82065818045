#include "link/pager_commands.hpp"

#include <exception>
#include <string>
#include <vector>

#include "core/codec.hpp"
#include "core/config_file.hpp"
#include "core/conversions.hpp"
#include "core/field_names.hpp"
#include "core/file_io.hpp"
#include "core/image_map.hpp"
#include "link/box_list.hpp"
#include "link/programmer_links.hpp"

namespace capcode {

namespace {

constexpr int kBeeper = 2;
const char* const kNoDevice = "Device not exist, please check the connection.";
const char* const kReadError = "Pager Read error, please check the connection.";

void dialogStart(ProgramState& state, const char* caption) {
  ProgressDialog& dialog = state.State_Form;
  dialog.setCaption(caption);
  dialog.show();
  dialog.setMaximum(static_cast<int>(kImageSize));
  dialog.setPosition(0);
  dialog.step();
}

std::uint8_t readPager(ProgrammerLinks& links) {
  ProgramState& state = links.state;
  state.TransferResult = links.engine.transferEeprom(pagerEeprom(), 0, TransferDirection::Read,
                                                     state.PagerReadBuffer.data());
  return state.TransferResult;
}

// Offers the raw read image to a file when the debug mark is on. False when the person
// cancelled the dialog: the read ends there.
bool debugSave(ProgramState& state) {
  if (!state.form.checked("Debug1")) return true;
  const auto path = state.feedback().chooseFile(
      {true, state.CurrentFilePath, kConfigFileFilter, kConfigFileExtension});
  if (!path) return false;
  state.log("Save data to " + *path);
  const std::vector<std::uint8_t> bytes(state.PagerReadBuffer.begin(), state.PagerReadBuffer.end());
  if (writeFileAtomically(*path, bytes).empty()) {
    state.log("ok!");
  } else {
    state.log("write error!");
    state.beep();
  }
  return true;
}

// An HW-A pager's hardware area holds values only a good factory setting has.
bool hardwareAreaValid(const Image& image) {
  auto within = [&](std::size_t at, int lo, int hi) { return image[at] >= lo && image[at] <= hi; };
  bool valid = within(0x18B, 102, 182) && within(0x18C, 76, 104) && within(0x18D, 76, 104) &&
               within(0x18E, 65, 76) && image[0x184] == 2 && image[0x014] == 6 &&
               (image[0x016] & 0x68) == 0x68;
  for (std::size_t i = 0x017; i <= 0x01D; ++i)
    valid = valid && image[i] == 0;
  return valid;
}

void takeHardwareSettings(ProgramState& state) {
  FormModel& form = state.form;
  Image& image = state.ConfigImage;
  if (state.HardwareRevision == kHwB) {
    form.setText("bs3_8212", "31");
    form.setText("bs1_8212", "30");
    form.setIndex("pll", pllIndexFromImage(image));
    form.setIndex("backlight", (image[0x17E] >> 2) & 1);
    if (!form.checked("contrast_enable")) form.setText("contrast", std::to_string(image[0x046]));
    form.setIndex("lcddrv_opa", image[0x269] & 7);
    return;
  }
  if (hardwareAreaValid(image)) {
    form.setIndex("BS2", image[0x015] & 0x0F);
    form.setIndex("BS3", image[0x015] >> 4);
    form.setIndex("errcorrect", (image[0x016] >> 2) & 3);
    form.setIndex("data_format", (image[0x016] >> 5) & 1);
    form.setChecked("pll_enable", (image[0x016] & 0x40) != 0);
    form.setIndex("pager_model", image[0x184]);
    form.setIndex("pll", pllIndexFromImage(image));
    form.setIndex("backlight", (image[0x17E] >> 2) & 1);
    for (std::size_t i = 0; i < kBatteryFields.size(); ++i) {
      setBatteryField(state, kBatteryFields[i], image[0x18B + i]);
    }
    return;
  }
  image[0x014] = 6;
  form.setIndex("BS2", 15);
  form.setIndex("BS3", 0);
  image[0x016] = 0x68;
  for (std::size_t i = 0x017; i <= 0x01D; ++i)
    image[i] = 0;
  form.setIndex("pager_model", 2);
  form.setIndex("backlight", 1);
  form.setText("fullbat", "1.50");
  form.setText("halfbat", "0.95");
  form.setText("lowbat", "0.95");
  form.setText("gonebat", "0.77");
}

// An error that ends a pager command (an unreadable field while encoding, say) ends the transfer
// too: the progress dialog must not stay up over a command that is over.
class DialogCloser {
 public:
  explicit DialogCloser(ProgressDialog& dialog) : dialog_(dialog) {}
  ~DialogCloser() {
    if (std::uncaught_exceptions() > 0) dialog_.close();
  }
  DialogCloser(const DialogCloser&) = delete;
  DialogCloser& operator=(const DialogCloser&) = delete;

 private:
  ProgressDialog& dialog_;
};

// Keeps a command's outcome true however the command ends: it reads Interrupted until the
// command says otherwise (so an error thrown out of it leaves that), and on the way out takes
// the result byte and, once the write transfer has started, how far it got with the pager.
class OutcomeKeeper {
 public:
  OutcomeKeeper(ProgrammerLinks& links, PagerCommandOutcome& outcome)
      : links_(links), outcome_(outcome) {
    outcome_ = {};
    outcome_.what = PagerOutcome::Interrupted;
  }
  ~OutcomeKeeper() {
    outcome_.transferResult = links_.state.TransferResult;
    if (!writeStarted_) return;
    const TransferProgress progress = links_.engine.progress();
    outcome_.writeReachedPager = progress.writeReachedPager;
    outcome_.verifyRan = progress.verifyRan;
  }
  OutcomeKeeper(const OutcomeKeeper&) = delete;
  OutcomeKeeper& operator=(const OutcomeKeeper&) = delete;

  void set(PagerOutcome what) { outcome_.what = what; }
  void writeStarts() {
    outcome_.what = PagerOutcome::Interrupted;
    writeStarted_ = true;
  }

 private:
  ProgrammerLinks& links_;
  PagerCommandOutcome& outcome_;
  bool writeStarted_ = false;
};

// The pager's bytes did not come in usable (no answer, a bad checksum, another edition's
// pager): the command ends with `line` in the log, the progress dialog closed, then a beep.
void endUnread(ProgramState& state, OutcomeKeeper& outcome, PagerOutcome what, const char* line) {
  outcome.set(what);
  state.log(line);
  state.State_Form.close();
  state.beep();
}

PagerOutcome writeOutcome(std::uint8_t transferResult) {
  switch (transferResult) {
    case kWriteNotAcknowledged:
      return PagerOutcome::WriteNotAcknowledged;
    case kVerifyMismatch:
      return PagerOutcome::VerifyMismatch;
    case kVerifyOk:
      return PagerOutcome::Verified;
    case kReadOk:
      return PagerOutcome::ReadCompleted;
    default:
      return PagerOutcome::TransferFailed;
  }
}

}  // namespace

void readFromPager(ProgrammerLinks& links) {
  ProgramState& state = links.state;
  FormModel& form = state.form;
  ProgressDialog& dialog = state.State_Form;
  const DialogCloser closer(dialog);
  OutcomeKeeper outcome(links, links.lastRead);
  dialogStart(state, "Reading data from Pager, please wait...");
  state.log("Read data from pager");
  logBoxInUse(links);
  if (readPager(links) == kTransferFailed) {
    endUnread(state, outcome, PagerOutcome::NoDevice, kNoDevice);
    return;
  }
  if (!debugSave(state)) {
    outcome.set(PagerOutcome::Cancelled);
    dialog.close();
    return;
  }
  if (!checksumValid(state.PagerReadBuffer)) {
    endUnread(state, outcome, PagerOutcome::ReadChecksumBad, kReadError);
    return;
  }
  if (state.build.factoryEdition == 0 && state.build.buildCustomer != 0) {
    if (form.index("customer") != state.PagerReadBuffer[kEditionTagOffset]) {
      endUnread(state, outcome, PagerOutcome::ModelMismatch,
                "Model not match, please use the correct CCP!");
      return;
    }
    state.PagerReadBuffer[kEditionTagOffset] = static_cast<std::uint8_t>(form.index("customer"));
  }
  state.ConfigImage = state.PagerReadBuffer;
  dialog.close();
  // The pager's bytes are in: an error in the rules that follow does not undo the read.
  outcome.set(PagerOutcome::ReadCompleted);
  state.log("Read completed");
  decodeImage(state);
  form.runHandler("frequencyExit");
  const int rows = state.HardwareRevision == kHwB ? 8 : 6;
  for (int row = 1; row <= rows; ++row)
    form.runHandler(rowControlName("address", row, "Exit"));
  form.runHandler("customerChange");
}

void writeToPager(ProgrammerLinks& links) {
  ProgramState& state = links.state;
  FormModel& form = state.form;
  ProgressDialog& dialog = state.State_Form;
  const DialogCloser closer(dialog);
  OutcomeKeeper outcome(links, links.lastWrite);
  dialogStart(state, "Writing data to Pager, please wait...");

  if (form.index("customer") != kBeeper && state.build.factoryEdition == 0 &&
      !form.checked("Recover1")) {
    dialog.setCaption("Read back hardware setting, please wait...");
    dialog.setPosition(0);
    if (readPager(links) == kTransferFailed) {
      endUnread(state, outcome, PagerOutcome::NoDevice, kNoDevice);
      return;
    }
    if (!checksumValid(state.PagerReadBuffer)) {
      endUnread(state, outcome, PagerOutcome::ReadChecksumBad, kReadError);
      return;
    }
    // Only the settings half: the prompt block stays the window's language.
    std::copy_n(state.PagerReadBuffer.begin(), kSettingsSize, state.ConfigImage.begin());
    takeHardwareSettings(state);
  }

  dialog.setCaption("Writing data to Pager, please wait...");
  dialog.setPosition(0);
  form.runHandler("hellomsg1Exit");
  form.runHandler("hellomsg2Exit");
  encodeImage(state);
  setChecksum(state.ConfigImage);
  if (links.beforePagerWrite) {
    outcome.set(PagerOutcome::RefusedBeforeWrite);  // what its exception leaves
    links.beforePagerWrite(state.ConfigImage);
  }
  // Said once the pager's record is made: a write the ledger stops never reads as begun.
  state.log("Write to Pager...");
  logBoxInUse(links);

  outcome.writeStarts();
  state.TransferResult = links.engine.transferEeprom(pagerEeprom(), 0, TransferDirection::Write,
                                                     state.ConfigImage.data());
  outcome.set(writeOutcome(state.TransferResult));
  switch (state.TransferResult) {
    case kWriteNotAcknowledged:
    case kVerifyMismatch:
      state.beep();
      state.log(state.TransferResult == kVerifyMismatch ? "Verify fail !"
                                                        : "Pager can't be written");
      links.clock.sleepMillis(200);
      state.beep();
      dialog.close();
      break;
    case kVerifyOk:
      state.log("Verify OK !");
      state.beep();
      dialog.close();
      form.runHandler("advanceAddresses");
      break;
    case kReadOk:
      state.log("Read success");
      state.beep();
      dialog.close();
      break;
    default:
      state.log(kNoDevice);
      dialog.close();
      state.beep();
      break;
  }
}

}  // namespace capcode
