#include <gtest/gtest.h>

#include <sstream>

#include "terminal_step_context.h"

namespace zuvo {
namespace {

struct Terminal {
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in;
  RunFlags flags;

  TerminalStepContext Make(bool err_is_terminal, bool interactive) {
    return TerminalStepContext(flags, TerminalStreams{out, err, in, err_is_terminal, interactive});
  }
};

TEST(TerminalStepContext, PrintsLinesAndBoxesOnStdoutAndNoBarWhenRedirected) {
  Terminal terminal;
  {
    TerminalStepContext context = terminal.Make(false, false);
    context.AddLine("begin time 10:00:00");
    context.SetTotal(10);
    context.SetGauge(5);
    EXPECT_EQ(context.ShowMessage("病歷庫製作完成", MessageKind::kInformation, MessageButtons::kOk),
              MessageAnswer::kOk);
  }
  EXPECT_EQ(terminal.out.str(), "begin time 10:00:00\nmessage: 病歷庫製作完成\n");
  EXPECT_EQ(terminal.err.str(), "");
}

TEST(TerminalStepContext, DrawsTheBarOnATerminalAndClearsItBeforeALine) {
  Terminal terminal;
  {
    TerminalStepContext context = terminal.Make(true, false);
    context.SetTotal(4);
    context.SetGauge(2);
    context.SetGauge(2);  // unchanged: not drawn again
    context.AddLine("x");
  }
  std::string err = terminal.err.str();
  EXPECT_NE(err.find("] 2/4"), std::string::npos) << err;
  EXPECT_EQ(err.find("] 2/4"), err.rfind("] 2/4")) << "the same state was drawn twice";
  EXPECT_EQ(err.substr(err.size() - 4), "\r\033[K");
  EXPECT_EQ(terminal.out.str(), "x\n");
}

TEST(TerminalStepContext, QuestionsTakeTheFirstButtonUnlessAskedInteractively) {
  Terminal batch;
  {
    TerminalStepContext context = batch.Make(false, false);
    EXPECT_EQ(context.ShowMessage("q", MessageKind::kWarning, MessageButtons::kYesNo),
              MessageAnswer::kYes);
  }
  EXPECT_EQ(batch.out.str(), "message: q\nanswer: yes\n");

  Terminal interactive;
  interactive.in.str("maybe\nn\n");
  {
    TerminalStepContext context = interactive.Make(true, true);
    EXPECT_EQ(context.ShowMessage("q", MessageKind::kWarning, MessageButtons::kYesNo),
              MessageAnswer::kNo);
    // The input is used up: an unanswerable question holds the step.
    EXPECT_EQ(context.ShowMessage("q", MessageKind::kWarning, MessageButtons::kOkCancel),
              MessageAnswer::kCancel);
  }
}

TEST(TerminalStepContext, FolderRequestsGetTheCommandsArgument) {
  Terminal terminal;
  TerminalStepContext context = terminal.Make(false, false);
  EXPECT_FALSE(context.ChooseFolder("選擇系統檔案夾", "/tmp").has_value());
  context.SetFolderAnswer(std::filesystem::path("/src/VISW"));
  EXPECT_EQ(context.ChooseFolder("選擇系統檔案夾", "/tmp"), std::filesystem::path("/src/VISW"));
}

}  // namespace
}  // namespace zuvo
