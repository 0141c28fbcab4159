#pragma once

// The command line's options for the run fields a step reads: one parser per option, so that
// every command that takes an option refuses a bad value the same way (exit 64).

#include <string>
#include <vector>

#include "app/pipeline.h"
#include "command.h"

namespace zuvo::cli {

// --replace of the commands that choose a source folder: a work tree of the day that holds a
// conversion is replaced; without it the choice takes the day's next free name.
inline constexpr char kReplaceUsage[] = "[--replace]";
inline constexpr char kReplaceSummary[] =
    "a converted work tree of today is kept and the next free name taken, unless --replace";
SameDayWorkTree SameDayTreeOption(Args& args);

// "[--split-date D] [--mode after|before] ..." for the options given, in the order of RunOption.
std::string OptionsUsage(const std::vector<RunOption>& options);
// The options given, one entry each with what it sets and its default, for --help; `split_date`
// is the pipeline's default split date.
std::string OptionsHelp(const std::vector<RunOption>& options, std::string_view split_date);
// Every option of every step of `pipeline`, once each, in the order of RunOption.
std::vector<RunOption> AllOptions(const Pipeline& pipeline);
// Reads the given options from the arguments into `fields`; an option not given leaves its field
// as it is. Throws UsageError naming the option for a bad value: a date that is neither a ROC
// date yyymmdd nor yyyy-mm-dd, a file size outside 1-12, a word not among the choices.
void ReadRunOptions(Args& args, const std::vector<RunOption>& options, RunFields& fields);

}  // namespace zuvo::cli
