#pragma once
// What the program does to the person at the window: the channel through which every rule
// reports. The Qt window shows these; the automation writes them into its transcript.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace capcode {

// What an open or save dialog is asked to show.
struct FileDialogRequest {
  bool save = false;
  std::string initialPath;       // the path last chosen
  std::string filter;            // ".eep|*.eep|.bin|*.bin|*.*|*.*": caption|pattern pairs
  std::string defaultExtension;  // "eep", added by the dialog to a name typed without one
};

// How a question looks: the icon beside its text.
enum class QuestionTone {
  Question,  // a choice between equals
  Warning,   // something was refused; the safe answer writes nothing
};

// A question with one button per answer.
struct Question {
  std::string text;
  std::vector<std::string> answers;  // in order; the button captions
  // The answer that writes nothing: the default button, and what Enter and Escape choose. A
  // question whose other answer may put a capcode on a second pager always names it, and that
  // other answer then needs a deliberate click (or its own accelerator). Nothing: the first
  // answer is the default and Escape closes the question without an answer.
  std::optional<std::size_t> safeAnswer;
  QuestionTone tone = QuestionTone::Question;
};

class Feedback {
 public:
  virtual ~Feedback() = default;
  // A line appended at the bottom of the status log.
  virtual void log(std::string_view line) = 0;
  // The desktop's default beep.
  virtual void beep() = 0;
  // A rule puts the input focus back on this control.
  virtual void focus(std::string_view control) = 0;
  // A modal message box; it returns once the person acknowledged it.
  virtual void message(std::string_view text) = 0;
  // The general error notice: an error ended the running handler and its callers.
  virtual void errorNotice(std::string_view text) = 0;

  // A modal question with one button per answer. Returns the index of the answer chosen, or
  // nothing when the notice was closed without one (which the caller takes as the safe answer,
  // or "Cancel" when the question names none). Nobody to ask: nothing.
  virtual std::optional<std::size_t> ask(const Question& /*question*/) { return std::nullopt; }
  // The same with the first answer the default and no safe answer.
  std::optional<std::size_t> ask(std::string_view text, const std::vector<std::string>& answers) {
    return ask(Question{std::string(text), answers, std::nullopt, QuestionTone::Question});
  }
  // A modal notice of something refused or gone wrong that the person must heed (a pager not
  // written): shown with the warning icon. Where nobody tells icons apart, a message.
  virtual void warning(std::string_view text) { message(text); }

  // A modal file dialog; nothing when the person cancels it.
  virtual std::optional<std::string> chooseFile(const FileDialogRequest&) { return std::nullopt; }

  // The progress dialog: shown (without blocking), its caption changed while shown, its bar
  // moved, hidden again.
  virtual void progressShown(std::string_view /*caption*/) {}
  virtual void progressCaption(std::string_view /*caption*/) {}
  virtual void progressMoved(int /*position*/, int /*maximum*/) {}
  virtual void progressHidden() {}
};

// Swallows everything; for states nobody watches.
class SilentFeedback final : public Feedback {
 public:
  void log(std::string_view) override {}
  void beep() override {}
  void focus(std::string_view) override {}
  void message(std::string_view) override {}
  void errorNotice(std::string_view) override {}
};

}  // namespace capcode
