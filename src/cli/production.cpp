#include "cli/production.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>

#include "core/file_io.hpp"
#include "core/startup.hpp"
#include "link/hardware_setup.hpp"
#include "link/programmer_links.hpp"
#include "link/transfer_engine.hpp"

namespace capcode {

namespace {

const char* const kReadHelp =
    "Usage: capcode read FILE [OPTIONS]\n"
    "\n"
    "Reads the pager in the programmer and saves its 2048-byte image to FILE (replacing it only\n"
    "when the read is complete). The status log goes to standard output.\n";

const char* const kWriteHelp =
    "Usage: capcode write FILE [--count N] [OPTIONS]\n"
    "\n"
    "Opens the configuration FILE and programs N pagers in a row (default 1): each is written,\n"
    "verified, and the capcodes advance by their auto-increment steps for the next one. Before\n"
    "each pager after the first it asks for the next pager on standard error and waits for\n"
    "Enter (q and Enter, or the end of input, stops). The status log goes to standard output.\n"
    "Exit status 0 when every pager verified.\n";

const char* const kCommonOptions =
    "\n"
    "Options:\n"
    "  --data-dir DIR      where the language libraries are, if not in the working directory\n"
    "  --sim-usb IMAGE     use a simulated USB programmer holding IMAGE (saved back at the end)\n"
    "  --sim-lpt IMAGE     use a simulated 24C16 holding IMAGE behind the parallel port\n"
    "  --sim-product TEXT  the simulated box's product string\n"
    "  --sim-fault SPEC    inject a fault into the simulated hardware (repeatable):\n";

// The status log on standard output, messages on standard error, progress on a terminal.
class ConsoleFeedback final : public Feedback {
 public:
  void log(std::string_view line) override {
    clearProgress();
    std::cout << line << std::endl;
  }
  void beep() override {}
  void focus(std::string_view) override {}
  void message(std::string_view text) override {
    clearProgress();
    std::cerr << "capcode: " << text << std::endl;
  }
  void errorNotice(std::string_view text) override {
    clearProgress();
    std::cerr << "capcode: error: " << text << std::endl;
  }
  void progressShown(std::string_view caption) override { caption_ = caption; }
  void progressCaption(std::string_view caption) override { caption_ = caption; }
  void progressMoved(int position, int maximum) override {
    if (!terminal_ || maximum <= 0) return;
    std::fprintf(stderr, "\r%s %3d%%", caption_.c_str(), position * 100 / maximum);
    std::fflush(stderr);
    drawn_ = true;
  }
  void progressHidden() override { clearProgress(); }
  // File > Open is answered with the production file.
  std::optional<std::string> chooseFile(const FileDialogRequest&) override {
    std::optional<std::string> given;
    given.swap(answer);
    return given;
  }

  std::optional<std::string> answer;

 private:
  void clearProgress() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r\033[K");
    drawn_ = false;
  }
  bool terminal_ = ::isatty(2) != 0;
  bool drawn_ = false;
  std::string caption_;
};

struct ProductionOptions {
  std::string file;
  long count = 1;
  std::optional<std::string> dataDirectory;
  HardwareOptions hardware;
};

bool loggedSince(const ProgramState& state, std::size_t from, const char* line) {
  for (std::size_t i = from; i < state.statusLog().size(); ++i) {
    if (state.statusLog()[i] == line) return true;
  }
  return false;
}

int readPager(ProgramState& state, const std::string& file) {
  const std::size_t from = state.statusLog().size();
  state.event([&] { state.form.userClick("ReadFromPager"); });
  if (!loggedSince(state, from, "Read completed")) return 1;
  const std::string error =
      writeFileAtomically(file, {state.ConfigImage.begin(), state.ConfigImage.end()});
  if (!error.empty()) {
    std::cerr << "capcode read: cannot write " << file << ": " << error << "\n";
    return 1;
  }
  std::cout << "Saved to " << file << std::endl;
  return 0;
}

std::string capcodesOf(ProgramState& state) {
  std::string list;
  const int rows = state.HardwareRevision == kHwB ? 8 : 6;
  for (int row = 1; row <= rows; ++row) {
    if (!state.form.checked(rowControlName("addr", row, "en"))) continue;
    list += (list.empty() ? "" : " ") + state.form.text(rowControlName("address", row));
  }
  return list;
}

}  // namespace

namespace {

int writePagers(ProgramState& state, const std::string& file, long count,
                ConsoleFeedback* feedback) {
  feedback->answer = file;
  std::size_t from = state.statusLog().size();
  state.event([&] { state.form.userClick("Open1"); });
  if (!loggedSince(state, from, "File loaded")) return 1;
  for (long pager = 1; pager <= count; ++pager) {
    if (pager > 1) {
      std::cerr << "Insert pager " << pager << " of " << count
                << " and press Enter (q to stop): " << std::flush;
      std::string reply;
      if (!std::getline(std::cin, reply) || reply == "q") {
        std::cerr << "Stopped before pager " << pager << " of " << count << ".\n";
        return 1;
      }
    }
    const std::string capcodes = capcodesOf(state);
    from = state.statusLog().size();
    state.event([&] { state.form.userClick("WriteToPager"); });
    if (state.TransferResult != kVerifyOk || !loggedSince(state, from, "Verify OK !")) {
      std::cout << "Pager " << pager << " of " << count << " failed." << std::endl;
      return 1;
    }
    std::cout << "Pager " << pager << " of " << count << " written: " << capcodes << std::endl;
  }
  return 0;
}

}  // namespace

int runProductionCommand(int argc, char** argv) {
  const std::string command = argv[1];
  const bool write = command == "write";
  ProductionOptions options;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::cout << (write ? kWriteHelp : kReadHelp) << kCommonOptions << kSimulatedFaultHelp;
      return 0;
    } else if (arg == "--count" && write && hasValue) {
      char* end = nullptr;
      options.count = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || options.count < 1) {
        std::cerr << "capcode write: --count needs a number from 1\n";
        return 2;
      }
    } else if (arg == "--data-dir" && hasValue) {
      options.dataDirectory = argv[++i];
    } else if (capcode::takeHardwareOption(argc, argv, i, options.hardware)) {
      continue;
    } else if (!arg.empty() && arg[0] != '-' && options.file.empty()) {
      options.file = arg;
    } else {
      std::cerr << "capcode " << command << ": unexpected argument " << arg << "\n"
                << "Try 'capcode " << command << " --help'.\n";
      return 2;
    }
  }
  if (options.file.empty()) {
    std::cerr << "capcode " << command << ": a FILE is needed\nTry 'capcode " << command
              << " --help'.\n";
    return 2;
  }

  ConsoleFeedback feedback;
  ProgramState state(feedback);
  std::unique_ptr<HardwareSetup> hardware;
  try {
    hardware = std::make_unique<HardwareSetup>(options.hardware);
  } catch (const std::runtime_error& e) {
    std::cerr << "capcode " << command << ": " << e.what() << "\n";
    return 2;
  }
  ProgrammerLinks links(state, hardware->port(), hardware->clock(), hardware->hid());
  installProgrammerLinks(state, links);
  StartupOptions startup;
  startup.systemDecimalMark = systemDecimalMark();
  startup.dataDirectories = options.dataDirectory ? std::vector<std::string>{*options.dataDirectory}
                                                  : defaultDataDirectories();
  if (!state.event([&] { startProgram(state, startup); })) return 1;
  state.event([&] { state.form.runHandler("HidCtlDeviceChange"); });

  const int status = write ? writePagers(state, options.file, options.count, &feedback)
                           : readPager(state, options.file);
  state.event([&] { state.form.userClick("Exit1"); });
  if (const std::string error = hardware->saveSimulatedImages(); !error.empty()) {
    std::cerr << "capcode " << command << ": " << error << "\n";
    return 1;
  }
  return status;
}

}  // namespace capcode
