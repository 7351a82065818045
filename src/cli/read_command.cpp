// capcode read: the pager in the programmer saved to a file, byte for byte.

#include <memory>

#include "cli/commands.hpp"
#include "cli/console_feedback.hpp"
#include "cli/device_report.hpp"
#include "core/file_io.hpp"
#include "core/image.hpp"

namespace capcode {

namespace {

struct ReadOptions {
  std::string file;
  bool raw = false;
  SessionOptions session;
};

int runRead(const ReadOptions& o, CommandIo& io) {
  const bool toStdout = o.file == "-";
  // With the image on standard output, the status log moves to standard error.
  ConsoleFeedback feedback(toStdout ? io.err : io.out, io.err, io.errIsTerminal);
  // With several boxes present the one to read is named, as for a write.
  std::vector<GangBox> boxes;
  if (const int status =
          choosePresentBoxes(o.session.hardware, o.session.devices, boxes, "capcode read", io.err);
      status != kExitOk) {
    return status;
  }
  if (boxes.size() > 1) {
    io.err << "capcode read: --device: one box is read at a time; give one --device\n";
    return kExitUsage;
  }
  SessionOptions options = o.session;
  if (boxes.size() == 1) options.hardware = boxes.front().hardware;
  int started = kExitOk;
  const std::unique_ptr<Program> session = startPagerProgram(io, "read", feedback, options, started);
  if (!session) return started;
  clickOn(*session, "ReadFromPager");
  const PagerOutcome read = session->links().lastRead.what;
  const bool complete = read == PagerOutcome::ReadCompleted;
  const bool damaged = read == PagerOutcome::ReadChecksumBad;
  int status = complete ? kExitOk : kExitFailed;
  if (complete || (o.raw && damaged)) {
    // The bytes as the pager holds them, not the image the window made of them.
    const Image& bytes = session->state().PagerReadBuffer;
    bool saved = true;
    if (toStdout) {
      io.out.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
      io.out.flush();
      saved = static_cast<bool>(io.out);
      if (!saved) io.err << "capcode read: cannot write the image to standard output\n";
    } else if (const std::string error = writeFileAtomically(o.file, {bytes.begin(), bytes.end()});
               !error.empty()) {
      io.err << "capcode read: cannot write " << o.file << ": " << error << "\n";
      saved = false;
    }
    if (!saved) {
      status = kExitFailed;
    } else if (complete) {
      (toStdout ? io.err : io.out) << "Saved to " << o.file << std::endl;
    } else {
      io.err << "capcode read: saved the damaged image to " << o.file
             << " as it was read; its checksum is wrong\n";
    }
  } else if (damaged) {
    io.err << "capcode read: nothing saved; --raw saves a damaged image for rescue\n";
  }
  if (const std::string error = session->finish(); !error.empty()) {
    complain(io, "read") << error << "\n";
    status = kExitFailed;
  }
  return status;
}

}  // namespace

CommandRun setupReadCommand(CLI::App& app, CommandIo& io) {
  auto options = std::make_shared<ReadOptions>();
  CLI::App* command = app.add_subcommand("read", "read the pager in the programmer into a file");
  command
      ->add_option("FILE", options->file,
                   "where the 2048 bytes go (- for standard output, the log then goes to "
                   "standard error)")
      ->required();
  command->add_flag("--raw", options->raw,
                    "also save a read whose checksum is wrong (a rescue dump of a damaged "
                    "pager); the exit status stays 1");
  addSharedOptions(*command, static_cast<OptionUsers>(kPagerCommands | kReadCommand),
                   options->session);
  command->footer(
      "The file is written only after a complete read whose checksum is right, with a safe\n"
      "save (the old file stays whole until the new one is on the disk). The status log goes\n"
      "to standard output. With more than one programmer box present, --device names the one\n"
      "to read; without it, read refuses with the list of boxes (capcode devices lists them).\n"
      "Exit status: 0 the pager was read and saved, 1 it could not be read or saved, 2 a\n"
      "usage error (more than one box present and none named, a --device that names no box).\n\n" +
      simulatedFaultFooter());
  return [options, &io] { return runRead(*options, io); };
}

}  // namespace capcode
