#include "run_options.h"

#include <algorithm>
#include <optional>

#include "core/number_text.h"
#include "core/roc_date.h"
#include "platform/big5.h"

namespace zuvo::cli {
namespace {

struct OptionSpec {
  RunOption option;
  const char* usage;
  const char* help;  // what it sets and its default; "%s" stands for the pipeline's split date
  void (*read)(Args& args, RunFields& fields);
};

// A date option as the ROC text yyymmdd the fields hold: a valid ROC date as it is, or an ISO
// date yyyy-mm-dd converted. An empty value stays empty (the step's own rules for a blank box).
std::optional<std::string> DateOption(Args& args, const std::string& name) {
  std::optional<std::string> value = args.Option(name);
  if (!value || value->empty()) return value;
  if (TypedRocDate(*value)) return value;
  int year = 0, month = 0, day = 0;
  char dash1 = 0, dash2 = 0;
  if (value->size() == 10 &&
      std::sscanf(value->c_str(), "%4d%c%2d%c%2d", &year, &dash1, &month, &dash2, &day) == 5 &&
      dash1 == '-' && dash2 == '-') {
    if (std::optional<DateTime> date = EncodeDate(year, month, day); date && year > 1911) {
      return RocDate(*date);
    }
  }
  throw UsageError("--" + name + " must be a ROC date yyymmdd or a date yyyy-mm-dd, not " + *value);
}

template <typename Enum>
std::optional<Enum> ChoiceOption(Args& args, const std::string& name,
                                 std::initializer_list<std::pair<const char*, Enum>> choices) {
  std::optional<std::string> value = args.Option(name);
  if (!value) return std::nullopt;
  std::string words;
  for (const auto& [word, choice] : choices) {
    if (*value == word) return choice;
    words += words.empty() ? word : std::string(" or ") + word;
  }
  throw UsageError("--" + name + " must be " + words + ", not " + *value);
}

const OptionSpec kOptionSpecs[] = {
    {RunOption::kSplitDate, "[--split-date D]",
     "--split-date D      split date, ROC yyymmdd or yyyy-mm-dd (default: %s)",
     [](Args& args, RunFields& fields) {
       if (auto date = DateOption(args, "split-date")) fields.chart.split_date = *date;
     }},
    {RunOption::kMode, "[--mode after|before]",
     "--mode after|before  visits on and after the split date, or before it (default: after)",
     [](Args& args, RunFields& fields) {
       if (auto mode = ChoiceOption<MakeDateMode>(
               args, "mode",
               {{"after", MakeDateMode::kOnAndAfter}, {"before", MakeDateMode::kBefore}})) {
         fields.chart.mode = *mode;
       }
     }},
    {RunOption::kStartDate, "[--start-date D]",
     "--start-date D      opening date of the clinic (default: from the clinic's data.ini)",
     [](Args& args, RunFields& fields) {
       if (auto date = DateOption(args, "start-date")) fields.folder.start_date = *date;
     }},
    {RunOption::kFileSize, "[--file-size N]",
     "--file-size N       size limit of one chart file, 1-12 million bytes (default: 6)",
     [](Args& args, RunFields& fields) {
       std::optional<std::string> value = args.Option("file-size");
       if (!value) return;
       std::optional<int64_t> size = ParseInteger(*value);
       if (!size || *size < kSmallestChartFileSize || *size > kLargestChartFileSize) {
         throw UsageError("--file-size must be a whole number from " +
                          std::to_string(kSmallestChartFileSize) + " to " +
                          std::to_string(kLargestChartFileSize) + ", not " + *value);
       }
       fields.chart.file_size = static_cast<int>(*size);
     }},
    {RunOption::kPharmacist, "[--pharmacist NAME --pharmacist-id ID]",
     "--pharmacist NAME --pharmacist-id ID\n                      the clinic's pharmacist "
     "(default: from the clinic's data.ini)",
     [](Args& args, RunFields& fields) {
       if (auto name = args.Option("pharmacist"))
         fields.folder.pharmacist_name = big5::FromUtf8(*name);
       if (auto id = args.Option("pharmacist-id"))
         fields.folder.pharmacist_id = big5::FromUtf8(*id);
     }},
    {RunOption::kNameType, "[--name-type source|original]",
     "--name-type source|original\n                      order short names from the source system "
     "or the orders' names "
     "(default: source)",
     [](Args& args, RunFields& fields) {
       if (auto names =
               ChoiceOption<ShortNameSource>(args, "name-type",
                                             {{"source", ShortNameSource::kSourceCode},
                                              {"original", ShortNameSource::kOriginalName}})) {
         fields.short_names = *names;
       }
     }},
    {RunOption::kRemarkMode, "[--remark-mode full|note]",
     "--remark-mode full|note\n                      patient remarks by full phrase analysis or "
     "all as a note "
     "(default: full)",
     [](Args& args, RunFields& fields) {
       if (auto mode = ChoiceOption<RemarkMode>(
               args, "remark-mode",
               {{"full", RemarkMode::kFullPhraseAnalysis}, {"note", RemarkMode::kNotesOnly}})) {
         fields.remark_mode = *mode;
       }
     }},
};

bool Contains(const std::vector<RunOption>& options, RunOption option) {
  return std::find(options.begin(), options.end(), option) != options.end();
}

}  // namespace

SameDayWorkTree SameDayTreeOption(Args& args) {
  return args.Flag("replace") ? SameDayWorkTree::kReplace : SameDayWorkTree::kNewName;
}

std::string OptionsUsage(const std::vector<RunOption>& options) {
  std::string usage;
  for (const OptionSpec& spec : kOptionSpecs) {
    if (!Contains(options, spec.option)) continue;
    if (!usage.empty()) usage += ' ';
    usage += spec.usage;
  }
  return usage;
}

std::vector<RunOption> AllOptions(const Pipeline& pipeline) {
  std::vector<RunOption> all;
  for (const OptionSpec& spec : kOptionSpecs) {
    for (const PipelineStep& step : pipeline.steps) {
      if (Contains(step.options, spec.option) && !Contains(all, spec.option)) {
        all.push_back(spec.option);
      }
    }
  }
  return all;
}

std::string OptionsHelp(const std::vector<RunOption>& options, std::string_view split_date) {
  std::string help;
  for (const OptionSpec& spec : kOptionSpecs) {
    if (!Contains(options, spec.option)) continue;
    std::string line = spec.help;
    if (size_t at = line.find("%s"); at != std::string::npos) {
      line.replace(
          at, 2,
          split_date.empty() ? "blank, the run then takes --mode before" : std::string(split_date));
    }
    help += "  " + line + "\n";
  }
  return help;
}

void ReadRunOptions(Args& args, const std::vector<RunOption>& options, RunFields& fields) {
  for (const OptionSpec& spec : kOptionSpecs) {
    if (Contains(options, spec.option)) spec.read(args, fields);
  }
}

}  // namespace zuvo::cli
