#include "app/conversion_report.h"

#include <algorithm>
#include <cctype>

#include "core/day_number.h"
#include "platform/file_ops.h"

namespace zuvo {

namespace {
constexpr std::string_view kMessageBoxPrefix = "message box: ";
}  // namespace

void ReportingStepContext::AddLine(std::string_view line) {
  entries_.emplace_back(line);
  inner_.AddLine(line);
}

MessageAnswer ReportingStepContext::ShowMessage(std::string_view text, MessageKind kind,
                                                MessageButtons buttons) {
  entries_.push_back(std::string(kMessageBoxPrefix) + std::string(text));
  return inner_.ShowMessage(text, kind, buttons);
}

std::string MessageKindOf(std::string_view line) {
  size_t colon = std::min(line.find(':'), line.find("："));
  std::string kind(line.substr(0, colon));
  if (colon == std::string_view::npos) return kind;
  while (!kind.empty() &&
         (std::isdigit(static_cast<unsigned char>(kind.back())) || kind.back() == ' ')) {
    kind.pop_back();
  }
  return kind;
}

std::vector<std::pair<std::string, long>> CountMessageKinds(const std::vector<std::string>& lines) {
  std::vector<std::pair<std::string, long>> counts;
  for (const std::string& line : lines) {
    std::string kind = MessageKindOf(line);
    auto found = std::find_if(counts.begin(), counts.end(),
                              [&](const auto& entry) { return entry.first == kind; });
    if (found == counts.end()) {
      counts.emplace_back(kind, 1);
    } else {
      ++found->second;
    }
  }
  return counts;
}

bool IsMessageBoxEntry(std::string_view entry) { return entry.starts_with(kMessageBoxPrefix); }

std::string LastMessageBox(const std::vector<std::string>& entries) {
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    if (IsMessageBoxEntry(*entry)) return entry->substr(kMessageBoxPrefix.size());
  }
  return {};
}

std::vector<std::pair<std::string, long>> CountWarningKinds(const std::vector<std::string>& lines) {
  std::vector<std::string> warnings;
  for (const std::string& line : lines) {
    if (IsMessageBoxEntry(line)) continue;
    std::string kind = MessageKindOf(line);
    if (kind == "begin time" || kind == "end time") continue;
    warnings.push_back(line);
  }
  return CountMessageKinds(warnings);
}

std::filesystem::path WriteConversionReport(const std::filesystem::path& work_tree,
                                            std::string_view title,
                                            const std::vector<std::string>& lines, DateTime started,
                                            std::string_view elapsed) {
  constexpr std::string_view kEnd = "\r\n";
  std::string text = "\xEF\xBB\xBF";
  text.append(title).append(kEnd);
  text.append("work tree: ").append(PathToUtf8(work_tree)).append(kEnd);
  text.append("started: ").append(FormatDateTime(started)).append(kEnd);
  text.append("elapsed: ").append(elapsed).append(kEnd);
  text.append("lines: ").append(std::to_string(lines.size())).append(kEnd).append(kEnd);
  text.append("message kinds:").append(kEnd);
  for (const auto& [kind, count] : CountMessageKinds(lines)) {
    text.append(std::to_string(count)).append("\t").append(kind).append(kEnd);
  }
  text.append(kEnd).append("message list:").append(kEnd);
  for (const std::string& line : lines) text.append(line).append(kEnd);
  std::filesystem::path file = work_tree / ("ConversionReport_" + RocStamp(started) + ".txt");
  WriteFileAtomically(file, text);
  return file;
}

}  // namespace zuvo
