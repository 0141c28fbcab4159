#include "support/recording_step_context.h"

#include <gtest/gtest.h>

namespace zuvo {
namespace {

TEST(RecordingStepContext, AnswersFromItsScriptsAndStopsOnCue) {
  RunFlags flags;
  RecordingStepContext context(flags);
  context.AnswerNextMessage(MessageAnswer::kNo);
  EXPECT_EQ(context.ShowMessage("a", MessageKind::kInformation, MessageButtons::kYesNo),
            MessageAnswer::kNo);
  EXPECT_EQ(context.ShowMessage("b", MessageKind::kInformation, MessageButtons::kYesNo),
            MessageAnswer::kYes);
  EXPECT_EQ(context.MessageTexts(), (std::vector<std::string>{"a", "b"}));

  context.AnswerNextFolder(std::filesystem::path("/x"));
  EXPECT_EQ(context.ChooseFolder("c", "/start"), std::filesystem::path("/x"));
  EXPECT_FALSE(context.ChooseFolder("c", "/start").has_value());
  ASSERT_EQ(context.folder_requests().size(), 2u);
  EXPECT_EQ(context.folder_requests()[0].start, std::filesystem::path("/start"));

  context.RequestStopAfterEvents(2);
  context.ProcessEvents();
  EXPECT_FALSE(context.StopRequested());
  context.ProcessEvents();
  EXPECT_TRUE(context.StopRequested());
}

}  // namespace
}  // namespace zuvo
