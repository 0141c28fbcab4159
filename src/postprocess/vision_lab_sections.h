#pragma once

// The working form of a visit's exam text while lab values are filled in: a list of sections
// (one per PE form the visit's order lines call for, and stand-alone ones for values that found
// no form), each a run of "name=value" lines, built from the visit entry, filled by the lab rows
// of one patient and date, and turned back into PE markup.
//
// A section is "ITEM=SectionBegin", its field lines "_ITEM_FIELD=value" (one level deeper
// "_ITEM_GROUP_FIELD=value"), and "SectionEnd=" + the order code of the line that called for it
// ("1" for a stand-alone section). A visit has one section per form: further order lines that
// call for the same form (09015C and 09002C both for the kidney form) only add their codes to
// its closing line. All texts are Big5.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/pe_definitions.h"
#include "core/visit_replacement.h"

namespace zuvo {

struct SectionLine {
  std::string name;
  std::string value;
  // On a section's closing line: made for an order line, and the report time stamp of the last
  // value stored into the section (empty: none stored).
  bool order_section = false;
  std::string stamp;
  // On an order section's closing line: the codes of the visit's further order lines that call
  // for the same form; they are stamped with the section's order code.
  std::vector<std::string> further_codes = {};
};

struct VisitSections {
  std::string visit_stamp;  // the visit's date-time as a ROC time stamp: names the entry
  std::vector<SectionLine> lines;
  // Exam items carried over verbatim, in front of the rebuilt ones: those whose definition has
  // input "petext", then "OpRecord", then items that no section of the visit takes up.
  std::string petext;
  std::string op_record;
  std::string kept_items;
  std::string no_insu_items;  // the stand-alone sections' names joined by "_"
  bool has_no_insu_items = false;
};

// Hears of an old exam value that no line of the rebuilt sections takes: its flattened name.
using UnplacedOldValue = std::function<void(const std::string& name)>;

// The section list of one visit: the visit's order lines whose kind flags have 0x10 or 0x20
// and whose code the order map names give their item's template section (once per item, the
// first such order line's code closing it, the others' codes noted beside); the old exam values
// are then carried into the lines of the same name (a blank old value leaves the line empty).
// An old value without a line of its name goes into its item's section when the visit has
// one; an item without a section is kept verbatim. Each such value is reported.
VisitSections BuildVisitSections(const RecentVisit& visit, const PEDefinitions& definitions,
                                 const UnplacedOldValue& unplaced);

// The exam items of a visit's exam text flattened to "_NAME_NAME=value" (plain top-level data)
// and "_NAME_CHILD=value", "_NAME_CHILD_GRANDCHILD=value", ... for groups.
std::vector<std::pair<std::string, std::string>> FlattenPEItem(std::string_view name,
                                                               std::string_view data);

// The visit's new exam text: the verbatim items, then one PE item per section (and per nested
// group) that holds a value; empty fields and groups are left out. The order codes of the
// sections that received a value (each with its further codes), with their report time stamps,
// go to `stamps`.
std::string RebuildPEText(const VisitSections& visit, std::vector<OrderStamp>& stamps);

// Adds a stand-alone section's name to the visit's list unless the list already names it
// (holds "_NAME_", or starts or ends with NAME, without regard to ASCII case).
void AddNoInsuItem(VisitSections& visit, const std::string& name);

}  // namespace zuvo
