#pragma once

// The frequency of an order line as the chart conversions resolve it: the clinic's fixes of
// data.ini [UseMethodFix] first, then the rate table of CORVIX.INI [MXuseMethod], then the
// frequency interpreter; a text the interpreter cannot read is recorded in [UseMethodFix] with
// the value "X" for the operator to fill in.

#include <functional>
#include <string>
#include <unordered_map>

namespace zuvo {

class ProfileFile;
class RateTable;
class StepContext;

// The clinic's [UseMethodFix] section of data.ini: frequency texts the operator has mapped to
// codes. A text the interpreter cannot read is added with the value "X", the mark of an entry
// the operator still has to fill in; such an entry replaces nothing.
class UseMethodFixes {
 public:
  // `record` is called once per new unreadable text (Big5), to store "text=X" and report it.
  UseMethodFixes(std::unordered_map<std::string, std::string> fixes,
                 std::function<void(const std::string&)> record);
  // The replacement of `code`, or `code` itself.
  std::string Apply(const std::string& code) const;
  void NoteUnreadable(const std::string& text);

 private:
  std::unordered_map<std::string, std::string> fixes_;  // upper-cased key → value
  std::function<void(const std::string&)> record_;
};

// The fixes of `data_ini`; a new unreadable text is written there ("text=X") and listed on
// `context` as "不明使用頻率語法:[" + text + "]". Both must outlive the result.
UseMethodFixes ClinicUseMethodFixes(ProfileFile& data_ini, StepContext& context);

struct ResolvedFrequency {
  std::string code;  // OrderRecord offset 86
  int rate_index = 0;
};

// Resolves `text` (Big5, trimmed): the fix of [UseMethodFix] when there is one, then the rate
// table's entry (the text kept as the code), else FrequencyInterpret, noting an unreadable text
// in `fixes`. Null tables are skipped.
ResolvedFrequency ResolveFrequency(std::string text, const RateTable* rates, UseMethodFixes* fixes);

}  // namespace zuvo
