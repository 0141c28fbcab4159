#pragma once

// The frequency of an order line as the chart conversions resolve it: the clinic's frequency
// fixes first, then the rate table of CORVIX.INI [MXuseMethod], then the frequency interpreter;
// a text the interpreter cannot read is noted in the clinic's settings with the value "X" for
// the operator to fill in.

#include <functional>
#include <string>
#include <unordered_set>

#include "catalogue/default_frequency.h"

namespace zuvo {

class ClinicSettings;
class RateTable;
class StepContext;

// The clinic's frequency fixes as a chart conversion uses them: a text the interpreter cannot
// read and the clinic does not list yet is noted once, with the value "X" that marks an entry
// the operator still has to fill in (and that replaces nothing).
class UseMethodFixes {
 public:
  // `record` is called once per new unreadable text (Big5), to note "text=X" and report it.
  UseMethodFixes(FrequencyFixes fixes, std::function<void(const std::string&)> record);
  // The replacement of `code`, or `code` itself.
  std::string Apply(const std::string& code) const;
  void NoteUnreadable(const std::string& text);

 private:
  FrequencyFixes fixes_;
  std::unordered_set<std::string> noted_;  // upper-cased texts noted by this run
  std::function<void(const std::string&)> record_;
};

// The fixes of `settings`; a new unreadable text is noted there ("text=X") and listed on
// `context` as "不明使用頻率語法:[" + text + "]". Both must outlive the result.
UseMethodFixes ClinicUseMethodFixes(ClinicSettings& settings, StepContext& context);

struct ResolvedFrequency {
  std::string code;  // OrderRecord offset 86
  int rate_index = 0;
};

// Resolves `text` (Big5, trimmed): the fix of [UseMethodFix] when there is one, then the rate
// table's entry (the text kept as the code), else FrequencyInterpret, noting an unreadable text
// in `fixes`. Null tables are skipped.
ResolvedFrequency ResolveFrequency(std::string text, const RateTable* rates, UseMethodFixes* fixes);

}  // namespace zuvo
