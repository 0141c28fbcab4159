#include "qt_step_context.h"

#include <QCoreApplication>
#include <algorithm>
#include <climits>

#include "text_fields.h"

namespace zuvo::gui {

namespace {

int ClampToInt(long value) { return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX)); }

}  // namespace

void QtStepContext::AddLine(std::string_view line) {
  panel_.list()->addItem(FromUtf8(line));
  panel_.list()->scrollToBottom();
  ProcessEvents();
}

void QtStepContext::ClearLines() { panel_.list()->clear(); }

void QtStepContext::SetTotal(long total) {
  panel_.total()->setNum(ClampToInt(total));
  panel_.gauge()->setMaximum(std::max(ClampToInt(total), 0));
}

void QtStepContext::SetDone(long done) { panel_.done()->setNum(ClampToInt(done)); }

void QtStepContext::SetGauge(long position) {
  QProgressBar* gauge = panel_.gauge();
  gauge->setValue(std::clamp(ClampToInt(position), gauge->minimum(), gauge->maximum()));
}

void QtStepContext::SetChartNumber(long chart_number) {
  panel_.chart_number()->setNum(ClampToInt(chart_number));
}

void QtStepContext::SetFileCode(long file_code) {
  panel_.file_code()->setNum(ClampToInt(file_code));
}

void QtStepContext::SetElapsedLabel(std::string_view text) {
  panel_.elapsed()->setText(FromUtf8(text));
}

MessageAnswer PromptingStepContext::ShowMessage(std::string_view text, MessageKind kind,
                                                MessageButtons buttons) {
  return prompts_.ShowMessage(&window_, FromUtf8(text), kind, buttons);
}

std::optional<std::filesystem::path> PromptingStepContext::ChooseFolder(
    std::string_view caption, const std::filesystem::path& start) {
  std::optional<QString> folder =
      prompts_.ChooseFolder(&window_, FromUtf8(caption), FromPath(start));
  if (!folder) return std::nullopt;
  return ToPath(*folder);
}

std::optional<std::filesystem::path> PromptingStepContext::ChooseFile(
    std::string_view caption, const std::filesystem::path& start, std::string_view filter) {
  std::optional<QString> file =
      prompts_.ChooseFile(&window_, FromUtf8(caption), FromPath(start), FromUtf8(filter));
  if (!file) return std::nullopt;
  return ToPath(*file);
}

std::optional<std::string> PromptingStepContext::AskText(std::string_view caption,
                                                         std::string_view prompt,
                                                         std::string_view text) {
  std::optional<QString> answer =
      prompts_.AskText(&window_, FromUtf8(caption), FromUtf8(prompt), FromUtf8(text));
  if (!answer) return std::nullopt;
  return answer->toStdString();
}

void PromptingStepContext::ProcessEvents() { QCoreApplication::processEvents(); }

}  // namespace zuvo::gui
