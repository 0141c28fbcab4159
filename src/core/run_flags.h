#pragma once

namespace zuvo {

// The two flags every step shares with both windows. One object, owned by the application
// (the GUI's main, the CLI's command), reaches the steps through their StepContext.
//
// StopRequested: set by the stop buttons; a step that honours it ends its loop at the next
// record. Cleared at the start of most steps and of each one-shot run.
// StepMessages: when set, a finished step shows its completion message box; a one-shot run
// clears it so that its steps stay silent. The program sets it at start-up.
class RunFlags {
 public:
  bool StopRequested() const { return stop_requested_; }
  bool StepMessages() const { return step_messages_; }
  void SetStopRequested(bool value) { stop_requested_ = value; }
  void SetStepMessages(bool value) { step_messages_ = value; }

 private:
  bool stop_requested_ = false;
  bool step_messages_ = false;
};

}  // namespace zuvo
