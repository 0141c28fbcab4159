#pragma once

// Order lines for exam items that a lab import stored in stand-alone sections of a visit's exam
// text: one order line per section, made from the item's PE.ini definition and the work tree's
// catalogue (Corvix/OPD.mdb, table MX); an item code missing from the catalogue is added to it
// first (a clinic-defined virtual code "V…V" as a bare row, an NHI code from the program
// folder's MX.mdb).

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/chart_records.h"
#include "core/pe_definitions.h"
#include "core/roc_date.h"
#include "core/step_context.h"
#include "platform/table_store.h"

namespace zuvo {

// The order code of an item without INSUcode.
inline constexpr std::string_view kNoCodeOrderCode = "nocode";

// What one name made: the messages it showed (in order) and its order line, if any.
struct MadePEOrderLine {
  std::vector<std::pair<std::string, MessageKind>> messages;  // UTF-8
  std::optional<OrderRecord> line;
};

// What the order lines of one step are made from. The catalogue stays open for the step; the
// reference catalogue is opened (read only) when a code needs it. The catalogue is looked up
// once per name while the sources live: a name asked again shows the same messages and gives
// the same line from memory, until AddPECatalogueItem adds a row (the catalogue must not be
// changed otherwise meanwhile).
struct PEOrderLineSources {
  const PEDefinitions& definitions;
  Database& catalogue;                   // the work tree's Corvix/OPD.mdb
  std::filesystem::path reference_file;  // the program folder's MX.mdb
  DateTime today = 0;                    // dates a virtual code's new catalogue row
  std::map<std::string, MadePEOrderLine, std::less<>> made = {};
};

// One OrderRecord per name of `names` (section names joined by "_"; blanks stay part of a
// name), in their order. Message boxes (OK), each naming the item:
// - "找不到理學設定:" + name: no definition in PE.ini, no order line for it;
// - "理學: " + name + " 沒有設定健保碼或虛擬碼,用虛擬碼nocode儲存": no INSUcode, the code "nocode";
// - "理學: " + name + "的健保碼或虛擬代碼不在處方集(OPD.mdb)內,仍會寫入": a code in neither
// catalogue;
// - old name + " 本項目自動替代為 " + new name (information): an item replaced by another;
// - name + " 本藥品或處置停止使用" (error): a replaced item without usable replacement.
// Database errors throw Error.
std::vector<OrderRecord> MakePEOrderLines(std::string_view names, PEOrderLineSources& sources,
                                          StepContext& context);

// Adds the missing order code `code` to the catalogue, named after the PE item the order map
// gives it: a virtual code (first and last character "V") as a bare row, an NHI code from the
// OPD table of the reference catalogue. True when the code is in the catalogue afterwards
// through this call (a virtual code already there counts); false when the order map names no
// item or the reference catalogue lacks the code.
bool AddPECatalogueItem(std::string_view code, PEOrderLineSources& sources);

}  // namespace zuvo
