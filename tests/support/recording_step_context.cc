#include "support/recording_step_context.h"

namespace zuvo {

namespace {

MessageAnswer FirstButton(MessageButtons buttons) {
  return buttons == MessageButtons::kYesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
}

template <typename T>
T TakeFront(std::deque<T>& queue, T fallback) {
  if (queue.empty()) return fallback;
  T front = std::move(queue.front());
  queue.pop_front();
  return front;
}

}  // namespace

std::vector<std::string> RecordingStepContext::MessageTexts() const {
  std::vector<std::string> texts;
  for (const RecordedMessage& message : messages_) texts.push_back(message.text);
  return texts;
}

MessageAnswer RecordingStepContext::ShowMessage(std::string_view text, MessageKind kind,
                                                MessageButtons buttons) {
  messages_.push_back({std::string(text), kind, buttons});
  if (buttons == MessageButtons::kOk) return MessageAnswer::kOk;
  return TakeFront(message_answers_, FirstButton(buttons));
}

std::optional<std::filesystem::path> RecordingStepContext::ChooseFolder(
    std::string_view caption, const std::filesystem::path& start) {
  folder_requests_.push_back({std::string(caption), start});
  return TakeFront(folder_answers_, std::optional<std::filesystem::path>());
}

std::optional<std::filesystem::path> RecordingStepContext::ChooseFile(
    std::string_view /*caption*/, const std::filesystem::path& /*start*/,
    std::string_view /*filter*/) {
  return TakeFront(file_answers_, std::optional<std::filesystem::path>());
}

std::optional<std::string> RecordingStepContext::AskText(std::string_view /*caption*/,
                                                         std::string_view /*prompt*/,
                                                         std::string_view text) {
  return std::string(text);
}

void RecordingStepContext::ProcessEvents() {
  ++events_processed_;
  if (events_processed_ == stop_after_events_) Flags().SetStopRequested(true);
}

}  // namespace zuvo
