#include "terminal_step_context.h"

#include <algorithm>
#include <istream>
#include <ostream>

namespace zuvo {

namespace {

constexpr int kBarWidth = 40;

const char* AnswerWord(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::kOk:
      return "ok";
    case MessageAnswer::kCancel:
      return "cancel";
    case MessageAnswer::kYes:
      return "yes";
    case MessageAnswer::kNo:
      return "no";
  }
  return "";
}

}  // namespace

TerminalStepContext::TerminalStepContext(RunFlags& flags, TerminalStreams streams)
    : StepContext(flags), streams_(streams) {}

TerminalStepContext::~TerminalStepContext() { ClearBar(); }

void TerminalStepContext::AddLine(std::string_view line) {
  if (line_filter_ && !line_filter_(line)) return;
  ClearBar();
  streams_.out << line << '\n';
  streams_.out.flush();
}

void TerminalStepContext::SetTotal(long total) {
  total_ = total;
  drawn_permille_ = -1;
  DrawBar();
}

void TerminalStepContext::SetDone(long /*done*/) {}

void TerminalStepContext::SetGauge(long position) {
  gauge_ = position;
  DrawBar();
}

void TerminalStepContext::SetElapsedLabel(std::string_view text) { AddLine(text); }

void TerminalStepContext::DrawBar() {
  if (!streams_.err_is_terminal || total_ <= 0) return;
  long clamped = std::clamp(gauge_, 0L, total_);
  int permille = static_cast<int>(clamped * 1000 / total_);
  if (permille == drawn_permille_) return;
  drawn_permille_ = permille;
  bar_shown_ = true;
  int filled = permille * kBarWidth / 1000;
  streams_.err << '\r' << '[' << std::string(static_cast<size_t>(filled), '#')
               << std::string(static_cast<size_t>(kBarWidth - filled), ' ') << "] " << clamped
               << '/' << total_;
  streams_.err.flush();
}

void TerminalStepContext::ClearBar() {
  if (!bar_shown_) return;
  streams_.err << "\r\033[K";
  streams_.err.flush();
  bar_shown_ = false;
  drawn_permille_ = -1;
}

MessageAnswer TerminalStepContext::ShowMessage(std::string_view text, MessageKind /*kind*/,
                                               MessageButtons buttons) {
  if (buttons == MessageButtons::kOk && notice_filter_ && !notice_filter_(text)) {
    return MessageAnswer::kOk;
  }
  ClearBar();
  streams_.out << "message: " << text << '\n';
  streams_.out.flush();
  if (buttons == MessageButtons::kOk) return MessageAnswer::kOk;
  MessageAnswer answer = Ask(buttons);
  streams_.out << "answer: " << AnswerWord(answer) << '\n';
  streams_.out.flush();
  return answer;
}

MessageAnswer TerminalStepContext::Ask(MessageButtons buttons) {
  bool yes_no = buttons == MessageButtons::kYesNo;
  MessageAnswer go_on = yes_no ? MessageAnswer::kYes : MessageAnswer::kOk;
  MessageAnswer hold = yes_no ? MessageAnswer::kNo : MessageAnswer::kCancel;
  if (!streams_.interactive) return go_on;
  for (;;) {
    streams_.err << (yes_no ? "[y/n] " : "[ok/cancel] ");
    streams_.err.flush();
    std::string reply;
    if (!std::getline(streams_.in, reply)) return hold;
    if (reply == "y" || reply == "yes" || reply == "ok") return go_on;
    if (reply == "n" || reply == "no" || reply == "cancel") return hold;
  }
}

std::optional<std::filesystem::path> TerminalStepContext::ChooseFolder(
    std::string_view /*caption*/, const std::filesystem::path& /*start*/) {
  return folder_answer_;
}

std::optional<std::filesystem::path> TerminalStepContext::ChooseFile(
    std::string_view /*caption*/, const std::filesystem::path& /*start*/,
    std::string_view /*filter*/) {
  return file_answer_;
}

std::optional<std::string> TerminalStepContext::AskText(std::string_view /*caption*/,
                                                        std::string_view /*prompt*/,
                                                        std::string_view text) {
  return std::string(text);
}

}  // namespace zuvo
