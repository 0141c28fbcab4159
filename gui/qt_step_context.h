#pragma once

// The desktop program's StepContext: a window's progress panel and the dialogs of UserPrompts.

#include <QWidget>

#include "core/step_context.h"
#include "progress_panel.h"
#include "user_prompts.h"

namespace zuvo::gui {

// The dialogs of UserPrompts, parented by `window`, and pending events let through: what every
// window's context shares. The message list and progress are left to the window's own.
class PromptingStepContext : public StepContext {
 public:
  PromptingStepContext(RunFlags& flags, UserPrompts& prompts, QWidget& window)
      : StepContext(flags), prompts_(prompts), window_(window) {}

  MessageAnswer ShowMessage(std::string_view text, MessageKind kind,
                            MessageButtons buttons) override;
  std::optional<std::filesystem::path> ChooseFolder(std::string_view caption,
                                                    const std::filesystem::path& start) override;
  std::optional<std::filesystem::path> ChooseFile(std::string_view caption,
                                                  const std::filesystem::path& start,
                                                  std::string_view filter) override;
  std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                     std::string_view text) override;
  void ProcessEvents() override;

 private:
  UserPrompts& prompts_;
  QWidget& window_;
};

class QtStepContext : public PromptingStepContext {
 public:
  // `window` parents the dialogs; all three must outlive the context.
  QtStepContext(RunFlags& flags, ProgressPanel& panel, UserPrompts& prompts, QWidget& window)
      : PromptingStepContext(flags, prompts, window), panel_(panel) {}

  void AddLine(std::string_view line) override;
  void ClearLines() override;
  void SetTotal(long total) override;
  void SetDone(long done) override;
  void SetGauge(long position) override;
  void SetChartNumber(long chart_number) override;
  void SetFileCode(long file_code) override;
  void SetElapsedLabel(std::string_view text) override;

  ProgressPanel& panel() { return panel_; }

 private:
  ProgressPanel& panel_;
};

}  // namespace zuvo::gui
