// zuvoconv dx …: the diagnosis editor's save, the chronic ranges and the preview list on the
// program folder's diagnosis database.
#include <algorithm>
#include <iostream>

#include "app/workplace_setup.h"
#include "command.h"
#include "diagnosis/diagnosis_table.h"
#include "diagnosis/dx_group.h"
#include "diagnosis/icd10_tools.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "step_output.h"
#include "terminal_session.h"

namespace zuvo::cli {
namespace {

std::vector<std::string> CommaParts(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    parts.push_back(
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

DepartmentTicks DepartmentArgument(const std::optional<std::string>& codes) {
  DepartmentTicks ticks{};
  if (!codes) return ticks;
  for (const std::string& code : CommaParts(*codes)) {
    auto known = std::find(DepartmentCodes.begin(), DepartmentCodes.end(), code);
    if (known == DepartmentCodes.end()) {
      throw UsageError("--departments: " + code + " is no department code");
    }
    ticks[static_cast<size_t>(known - DepartmentCodes.begin())] = true;
  }
  return ticks;
}

int Refused(std::string_view message) {
  std::cout << "message: " << message << "\n";
  return kExitStopped;
}

int RunGroup(Invocation& invocation) {
  Args& args = invocation.args;
  // Each --listed ticks its line; the group's check refuses more than one.
  std::vector<std::string> listed = args.OptionValues("listed");
  std::optional<std::string> short_name = args.Option("sname");
  std::optional<std::string> departments = args.Option("departments");
  std::optional<std::string> keywords = args.Option("keywords");
  std::optional<std::string> chronic = args.Option("chronic");
  bool common = args.Flag("common");
  std::vector<std::string> codes;
  while (std::optional<std::string> code = args.Positional(codes.size())) codes.push_back(*code);
  args.Finish(codes.size());
  if (codes.empty()) throw UsageError("missing CODE");
  for (const std::string& code : listed) {
    if (std::find(codes.begin(), codes.end(), code) == codes.end()) {
      throw UsageError("--listed " + code + " is none of the codes");
    }
  }

  DxEditorFields fields;
  fields.departments = DepartmentArgument(departments);
  Database database = OpenDiagnosisDatabase(invocation.home);
  for (const std::string& code : codes) {
    std::optional<DxRow> row = FindDxRow(database, code);
    if (!row) throw Error(code + " is not in DX of " + database.display_name());
    AddToSelection(fields, *row, DxAddSource::kBringIn);
  }
  // The group as the arguments give it, whatever the rows held.
  for (DxSelectionLine& line : fields.lines) {
    line.listed = std::find(listed.begin(), listed.end(), line.code) != listed.end();
  }
  fields.common = common;
  if (short_name) fields.short_name = big5::FromUtf8(*short_name);
  fields.chronic = chronic.has_value();
  fields.chronic_code = chronic ? big5::FromUtf8(*chronic) : "";
  if (keywords) {
    for (const std::string& keyword : CommaParts(*keywords)) {
      if (auto refusal = AddKeyword(fields, big5::FromUtf8(keyword))) return Refused(*refusal);
    }
  }
  size_t length = ShortNameLength(fields.short_name);
  PrintBig5Field(std::cout, "short name", big5::Trim(fields.short_name));
  std::cout << ShortNameLengthText(length) << (length > kShortNameLimit ? " (too long)" : "")
            << "\n";
  DxGroupSaved saved = SaveDxGroup(database, fields, Now());
  if (saved.refusal) return Refused(*saved.refusal);
  std::cout << "saved " << saved.rows << " rows of DX\n";
  return kExitOk;
}

int RunChronicRanges(Invocation& invocation) {
  invocation.args.Finish(0);
  TerminalSession session;
  DiagnosisToolRun run;
  return ExitStatusOf(
      ApplyChronicDiagnosisRanges(run, CurrentWorkplace(invocation.home), session.context()));
}

int RunPreview(Invocation& invocation) {
  std::optional<std::string> departments = invocation.args.Option("department");
  invocation.args.Finish(0);
  if (!departments) throw UsageError("missing --department");
  PreviewDepartment choice = ChoosePreviewDepartment(DepartmentArgument(departments));
  if (!choice.message.empty()) std::cout << "message: " << choice.message << "\n";
  if (!choice.department) return kExitStopped;
  Database database = OpenDiagnosisDatabase(invocation.home);
  std::vector<std::string> names;
  for (const std::string& name : ReadPreviewNames(database, DepartmentCodes[*choice.department])) {
    names.push_back(big5::ToUtf8Escaped(name));
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) std::cout << name << "\n";
  return kExitOk;
}

ZUVO_COMMAND("dx group",
             "CODE... [--listed CODE] [--sname TEXT] [--departments 01,05] [--keywords 胃,胃痛] "
             "[--chronic NN] [--common]",
             "save the codes as one group of the diagnosis editor (its checks and messages; exit 2 "
             "on a refused group); the short name defaults to the first code's",
             RunGroup);
ZUVO_COMMAND("dx chronic-ranges", "",
             "mark the chronic codes of DX from the ranges of DXlong (exit 2 on a bad range)",
             RunChronicRanges);
ZUVO_COMMAND("dx preview", "--department NN",
             "list the pick list of a department as the clinic front end shows it, one name a line",
             RunPreview);

}  // namespace
}  // namespace zuvo::cli
