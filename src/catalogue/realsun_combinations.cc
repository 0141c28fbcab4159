#include "catalogue/realsun_combinations.h"

#include <array>
#include <optional>
#include <unordered_map>
#include <vector>

#include "catalogue/catalogue_settings.h"
#include "catalogue/default_frequency.h"
#include "catalogue/dosing_frequency.h"
#include "catalogue/mx_status.h"
#include "catalogue/realsun_fixed_drug.h"
#include "core/chart_store.h"
#include "core/number_text.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/table_store.h"
#include "workspace/clinic_settings.h"
#include "workspace/folder_layout.h"
#include "workspace/section_map.h"
#include "workspace/source_table.h"

namespace zuvo {
namespace fs = std::filesystem;

namespace {

constexpr size_t kSetNameBytes = 24;
constexpr size_t kFrequencyBytes = 18;
constexpr size_t kNoteBytes = 42;
constexpr int kTabletUnit = 1;

std::string Utf8(std::string_view big5_text) { return big5::ToUtf8Escaped(big5_text); }
std::string Cut(std::string_view text, size_t bytes) { return big5::CutBytes(text, bytes); }

// The catalogue order (or fixed drug) a combination order stands for.
struct CatalogueOrder {
  std::string insu_code, s_code, o_code, s_name;
  std::string order_class;
  std::string dx_type;
  // Counted in tablets (catalogue unit 1; for a fixed drug, an oral one): the quantity is per
  // day. A fixed drug is never a topical tablet.
  bool tablets = false;
  int status = 0;  // the combination's status: 0, 2 (self-pay) or 8 (no charge)
  double price = 0;
  bool bottle = false;  // an oral liquid sold by the bottle
};

// One order of a group, as ANTCHECK.MDB's MXquick and then PERSONAL.mdb's MXquick hold it.
struct WorkRow {
  std::string insu_code, s_code, o_code, s_name;
  int dose = 100;
  std::string unit;
  std::string rate;
  std::string route = "PO";
  int days = 0;
  double total = 0;
  std::string total_unit;
  int addition = 100;
  double price = 0;
  int mode = 0;
  int status = 0;
  std::string note;
  double rate_index = 0;
  int group = 0;
};

// A diagnosis with the orders of its groups, in the order TREAT.DBF gives them.
struct Combination {
  std::string name;  // the DX row's Sname
  std::array<std::vector<WorkRow>, kCombinationGroups> groups;
};

// The dose per use × 100 that spreads `total` over `days` at `rate_index` doses a day (× 1000);
// 100 when either is 0.
int DoseSpread(double total, int days, double rate_index) {
  if (days == 0 || rate_index == 0) return 100;
  return RoundHalfUp(total * 100000 / days / rate_index);
}

// What the class of an order makes of its combination row.
struct ClassShape {
  std::string_view order_class;
  int mode;
  std::string_view unit;        // the dose unit
  std::string_view total_unit;  // UTF-8
  std::string_view route;
  int addition;
  bool dose_spread;
};

constexpr ClassShape kClassShapes[] = {
    {"drop", 1, "gtt", "drop", "OU", 100, false},
    {"oral", 2, "tab", "tab", "PO", 100, true},
    {"inj", 4, "ml", "amp", "IM", 100, false},
    {"topical", 8, "gtt", "tube", "SKIN", 100, false},
    {"OPD", 16, "", "次(個)", "XX", 100, false},
    {"special", 32, "", "次(個)", "XX", 100, false},
    {"operate", 64, "", "次(個)", "XX", 100, false},
    {"material", 128, "", "次(個)", "XX", 105, false},
};
constexpr ClassShape kOtherClassShape = {"", 16, "", "次(個)", "XX", 100, false};
// Vaginal tablets and suppositories of the catalogue (a fixed drug is never one).
constexpr ClassShape kTopicalTabletShape = {"topical", 8, "tab", "tab", "XX", 100, true};

// Writes the columns that the work table and PERSONAL.mdb's MXquick share (their names differ
// only in letter case); the sets' texts other than the code and the name end in `pad`, the note
// in `note_pad`.
void WriteOrderColumns(RecordSet& set, const WorkRow& row, std::string_view pad,
                       std::string_view note_pad) {
  auto padded = [&](const std::string& text) { return text + std::string(pad); };
  set.SetText("INSUcode", row.insu_code);
  set.SetText("Scode", padded(row.s_code));
  set.SetText("Ocode", padded(row.o_code));
  set.SetText("Sname", row.s_name);
  set.SetInteger("defDose", 0);
  set.SetText("defUnit", padded(""));
  set.SetInteger("dose", row.dose);
  set.SetText("Unit", padded(row.unit));
  set.SetText("rate", padded(row.rate));
  set.SetNumber("RateIndex", row.rate_index);
  set.SetText("route", padded(row.route));
  set.SetInteger("days", row.days);
  set.SetNumber("total", row.total);
  set.SetText("totalUnit", padded(row.total_unit));
  set.SetInteger("addition", row.addition);
  set.SetNumber("cost", 0);
  set.SetNumber("price", RoundHalfAway(2, row.price));
  set.SetInteger("pertimeN", 0);
  set.SetText("pertimeU", padded(""));
  set.SetInteger("mode", row.mode);
  set.SetInteger("status", row.status);
  set.SetText("note", row.note + std::string(note_pad));
}

class CombinationBuilder {
 public:
  CombinationBuilder(const RealSunCatalogueFiles& files, StepContext& context)
      : files_(files),
        context_(context),
        corvix_(files.work_tree / kFrontEndFolderName),
        rates_(RateTable::Read(files.program_folder / "CORVIX.INI")) {
    const ClinicSettings settings(files.clinic_folder);
    dupmx_ = SectionMap(settings.OrderCodeRenames());
    dx_code_fixes_ = SectionMap(settings.DiagnosisCodeFixes());
    fixes_ = FrequencyFixes::Read(settings);
  }

  void Run();

 private:
  void ReadCombinations();
  std::optional<CatalogueOrder> FindOrder(const std::string& code);
  const std::string* FindDiagnosis(const std::string& clinic_code);
  void ShapeByClass(const CatalogueOrder& order, double quantity, WorkRow& row);
  void AppendWorkRow(const WorkRow& row, const std::string& diagnosis);
  void WriteSets();

  const RealSunCatalogueFiles& files_;
  StepContext& context_;
  fs::path corvix_;
  RateTable rates_;
  SectionMap dupmx_;
  SectionMap dx_code_fixes_;
  FrequencyFixes fixes_;
  std::optional<Database> antcheck_;
  std::optional<RecordSet> work_;
  std::optional<RecordSet> mx_;
  std::optional<RecordSet> dx_;
  std::vector<Combination> combinations_;
  std::unordered_map<std::string, size_t> combination_of_name_;
};

void CombinationBuilder::Run() {
  ReadCombinations();
  WriteSets();
}

std::optional<CatalogueOrder> CombinationBuilder::FindOrder(const std::string& code) {
  bool found = mx_->Locate({"Tname"}, {code});
  if (!found) {
    const std::string* mapped = dupmx_.Find(code);
    if (mapped != nullptr && !big5::Trim(*mapped).empty()) {
      found = mx_->Locate({"INSUcode"}, {big5::Trim(*mapped)});
    }
  }
  if (!found) found = mx_->Locate({"INSUcode"}, {code});
  if (found) {
    CatalogueOrder order;
    order.insu_code = Cut(mx_->Text("INSUcode"), 12);
    order.s_code = Cut(mx_->Text("Scode"), 2);
    order.o_code = Cut(mx_->Text("Ocode"), 9);
    order.s_name = Cut(mx_->Text("Sname"), 26);
    order.order_class = mx_->Text("class");
    order.dx_type = big5::Trim(mx_->Text("DXtype"));
    order.tablets = mx_->Integer("unit") == kTabletUnit;
    const int status = static_cast<int>(mx_->Integer("status"));
    order.bottle = (status & mx_status::kOralLiquidByBottle) != 0;
    if (status & mx_status::kChargedSelfPay) {
      order.status = mx_status::kChargedSelfPay;
      order.price = mx_->Number("selfprice");
    } else if (status & mx_status::kNoCharge) {
      order.status = mx_status::kNoCharge;
    } else {
      order.price = mx_->Number("INSUprice");
    }
    return order;
  }
  std::optional<tnoMXset> fixed = FixedDrug(code);
  if (!fixed) return std::nullopt;
  // A fixed drug brings its own class, which decides its dose and units.
  CatalogueOrder order;
  order.insu_code = fixed->insu_code;
  order.s_name = fixed->name;
  order.order_class = fixed->order_class;
  order.tablets = fixed->order_class == "oral";
  order.price = fixed->price;
  return order;
}

const std::string* CombinationBuilder::FindDiagnosis(const std::string& clinic_code) {
  bool found = false;
  if (const std::string* icd10 = dx_code_fixes_.Find(clinic_code)) {
    found = dx_->Locate({"ICD10"}, {*icd10});
  } else {
    found = dx_->Locate({"refText"}, {clinic_code});
  }
  if (!found) return nullptr;
  auto [at, added] = combination_of_name_.try_emplace(dx_->Text("Sname"), combinations_.size());
  if (added) combinations_.push_back({at->first, {}});
  return &at->first;
}

void CombinationBuilder::ShapeByClass(const CatalogueOrder& order, double quantity, WorkRow& row) {
  const ClassShape* shape = &kOtherClassShape;
  for (const ClassShape& candidate : kClassShapes) {
    if (order.order_class == candidate.order_class) shape = &candidate;
  }
  const bool topical_tablets = order.order_class == "topical" && order.tablets;
  if (topical_tablets) shape = &kTopicalTabletShape;
  row.mode = shape->mode;
  row.unit = shape->unit;
  row.total_unit = big5::Literal(shape->total_unit);
  row.route = shape->route;
  row.addition = shape->addition;
  row.total = quantity;
  if (order.order_class == "oral" && order.bottle) {
    row.unit = "ml";
    row.total_unit = "bot";
    row.total = 1;
  }
  if (topical_tablets) {
    if (order.dx_type == big5::Literal("陰道錠")) {
      row.route = "VAG";
    } else if (order.dx_type == big5::Literal("栓劑")) {
      row.route = "RECT";
    }
  }
  // Tablets taken over days: the dose spreads the total over the days at the frequency.
  if (shape->dose_spread) row.dose = DoseSpread(row.total, row.days, row.rate_index);
}

void CombinationBuilder::ReadCombinations() {
  antcheck_.emplace(Database::Open(files_.work_tree / "ANTCHECK.MDB"));
  Database opd = Database::Open(corvix_ / kCatalogueFileName);
  work_.emplace(antcheck_->Query("select * from MXquick"));
  mx_.emplace(opd.OpenTable("MX"));
  dx_.emplace(opd.OpenTable("DX"));
  SourceTable source =
      SourceTable::Open(files_.source_folder, "Z/TREAT.DBF", files_.work_tree, context_);
  DbfTable& table = source.table();
  context_.SetTotal(table.RecordCount());
  const bool memo_note =
      table.HasField("MEMO") && table.Fields()[table.FieldIndex("MEMO")].type == 'M';
  Transaction transaction(*antcheck_);
  long read = 0;
  for (table.First(); !table.Eof(); table.Next()) {
    context_.SetGauge(++read);
    context_.SetDone(read);
    context_.ProcessEvents();
    std::string code = source.StorableText("DRUG_NO", context_);
    if (code.empty()) continue;
    std::optional<CatalogueOrder> order = FindOrder(code);
    if (!order) {
      context_.AddLine("OPD.mdb找不到組合處置:[" + Utf8(code) + "] ");
      continue;
    }
    WorkRow row;
    row.insu_code = order->insu_code;
    row.s_code = order->s_code;
    row.o_code = order->o_code;
    row.s_name = order->s_name;
    row.status = order->status;
    row.price = order->price;
    row.days = static_cast<int>(table.Integer("PS"));
    row.group = static_cast<int>(table.Integer("SEQ"));
    std::string note =
        memo_note ? big5::Trim(table.Memo("MEMO")) : source.StorableText("MEMO", context_);
    row.note = Cut(note, kNoteBytes);

    std::string frequency = source.StorableText("NO", context_);
    if (const std::string* fix = fixes_.Find(frequency)) frequency = *fix;
    if (std::optional<int> rate = rates_.Find(frequency)) {
      row.rate = frequency;
      row.rate_index = *rate;
    } else {
      FrequencyReading reading = FrequencyInterpret(frequency);
      row.rate = reading.code;
      row.rate_index = reading.rate_index;
      if (!reading.unrecognised.empty()) {
        context_.AddLine("組合使用不明頻率語法:[" + Utf8(frequency) + "]");
      }
    }
    row.rate = Cut(row.rate, kFrequencyBytes);

    const double quantity_per_day = table.Number("QTY");
    double quantity = quantity_per_day;
    if (big5::UpperAscii(frequency) == "STAT") {
      row.dose = RoundHalfUp(quantity_per_day * 100);
    } else if (order->tablets) {
      quantity = quantity_per_day * row.days;
    }
    ShapeByClass(*order, quantity, row);

    std::string sick_code = source.StorableText("SICK_CODE", context_);
    const std::string* diagnosis = FindDiagnosis(sick_code);
    if (diagnosis == nullptr) {
      context_.AddLine("OPD找不到組合診斷:[" + Utf8(sick_code) + "] ");
      continue;
    }
    AppendWorkRow(row, *diagnosis);
  }
  transaction.Commit();
}

void CombinationBuilder::AppendWorkRow(const WorkRow& row, const std::string& diagnosis) {
  RecordSet& work = *work_;
  work.Append();
  work.SetInteger("classID", 0);
  WriteOrderColumns(work, row, "", "");
  work.SetText("DXname", diagnosis);
  work.SetInteger("SubSetNo", row.group);
  work.Post();
  if (row.group >= 1 && row.group <= kCombinationGroups) {
    combinations_[combination_of_name_.at(diagnosis)].groups[row.group - 1].push_back(row);
  }
}

void CombinationBuilder::WriteSets() {
  Database personal = Database::Open(corvix_ / "PERSONAL.mdb");
  RecordSet sets = personal.OpenTable("MXset");
  RecordSet items = personal.OpenTable("MXquick");
  RecordSet diagnoses = personal.OpenTable("DXtoMX");
  Transaction transaction(personal);
  for (const Combination& combination : combinations_) {
    diagnoses.Append();
    int mask = 0;
    for (int n = 1; n <= kCombinationGroups; ++n) {
      const std::vector<WorkRow>& rows = combination.groups[n - 1];
      if (rows.empty()) continue;
      // Two diagnoses whose names share their first 24 bytes get sets of the same name; each
      // keeps its own set, known by the classID of the row just added.
      const std::string set_name = Cut(combination.name, kSetNameBytes) + "_" + std::to_string(n);
      sets.Append();
      sets.SetText("setName", set_name);
      sets.SetText("owner", "NA");
      sets.SetText("classMode", "oral");
      sets.Post();
      const int64_t class_id = sets.Integer("classID");
      mask |= 1 << (n - 1);
      const std::string number = std::to_string(n);
      diagnoses.SetText("name" + number, number);
      diagnoses.SetInteger("classID" + number, class_id);
      diagnoses.SetText("setname" + number, set_name);
      for (const WorkRow& row : rows) {
        items.Append();
        items.SetInteger("classID", class_id);
        WriteOrderColumns(items, row, "  ", " ");
        items.SetNumber("date", files_.now);
        items.SetInteger("dateMode", 0);
        items.Post();
      }
    }
    diagnoses.SetText("DXname", combination.name);
    diagnoses.SetText("owner", "NA");
    diagnoses.SetInteger("checkStatus", mask);
    diagnoses.Post();
  }
  transaction.Commit();
}

}  // namespace

void BuildRealSunCombinations(const RealSunCatalogueFiles& files, StepContext& context) {
  CombinationBuilder(files, context).Run();
}

}  // namespace zuvo
