#include "catalogue/vision_catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <unordered_set>

#include "catalogue/big5_words.h"
#include "catalogue/catalogue_settings.h"
#include "catalogue/consultation_fees.h"
#include "catalogue/default_frequency.h"
#include "catalogue/diagnosis_rows.h"
#include "catalogue/dose_unit.h"
#include "catalogue/mx_status.h"
#include "catalogue/new_catalogue.h"
#include "catalogue/package_unit.h"
#include "catalogue/reference_order.h"
#include "catalogue/reference_values.h"
#include "catalogue/source_pass.h"
#include "catalogue/surgery_pcs.h"
#include "catalogue/trade_name.h"
#include "catalogue/vision_order_kind.h"
#include "core/number_text.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "platform/test_point.h"
#include "workspace/clinic_settings.h"
#include "workspace/folder_layout.h"
#include "workspace/section_map.h"
#include "workspace/source_table.h"

namespace zuvo {
namespace fs = std::filesystem;

namespace {

std::string Upper(std::string_view text) { return big5::UpperAscii(text); }
std::string Utf8(std::string_view big5_text) { return big5::ToUtf8Escaped(big5_text); }

// A price of the reference catalogue, made positive.
int64_t AbsoluteReferencePrice(std::string_view text) { return std::llabs(ReferencePrice(text)); }

// One record of CO09D.DBF, trimmed.
struct SourceOrder {
  std::string code, source_code, kind, unit_text, name, name2, note, frequency, route;
  std::string begin_date, end_date, row_date;
  int64_t cost = 0, self_price = 0, nhi_price = 0;
};

SourceOrder ReadSourceOrder(const SourceTable& source, StepContext& context) {
  auto text = [&](std::string_view field) { return source.StorableText(field, context); };
  const DbfTable& table = source.table();
  SourceOrder order;
  order.code = text("DNO");
  order.source_code = text("KDRUG");
  order.kind = text("DTYPE");
  order.unit_text = text("DUM1");
  order.name = text("DDESC");
  order.name2 = text("DDESC2");
  order.note = text("DNOTE");
  order.frequency = text("DFREQ");
  order.route = text("DPATH");
  order.begin_date = text("DBEGDT");
  order.end_date = text("DENDDT");
  order.row_date = text("DLDPDT");
  if (order.row_date.empty()) order.row_date = order.begin_date;
  order.cost = table.Currency("DLPRI");
  order.self_price = std::llabs(table.Currency("DP1"));
  order.nhi_price = std::llabs(table.Currency("DP2"));
  return order;
}

class CatalogueBuilder {
 public:
  CatalogueBuilder(const VisionCatalogueInput& input, StepContext& context)
      : input_(input),
        context_(context),
        rates_(RateTable::Read(input.program_folder / "CORVIX.INI")),
        no_points_(
            CodeSet::ReadSectionKeys(input.program_folder / "MXsetup.ini", kNoPointsSection)),
        route_keys_(CodeSet::ReadSectionKeys(input.program_folder / "MXsetup.ini", kRouteSection)) {
  }

  void Run();

 private:
  void PrepareDatabases();
  void ConvertOrders();
  void ConvertOrder(const SourceOrder& order);
  bool SettleDuplicate(const SourceOrder& order, bool& replaces);
  void BuildFromReference(const SourceOrder& order, const ReferenceOrder& reference,
                          const std::string& order_class, const std::string& unit_name,
                          bool with_surgery_codes);
  void BuildFromSource(const SourceOrder& order, const std::string& order_class,
                       const std::string& unit_name);
  void SetFrequencyAndRoute(const SourceOrder& order);
  std::string UniqueShortName(const std::string& name, const std::string& code);
  void SetShortName(const std::string& sname, const std::string& code);
  void AddMissingOrders();
  void AddConsultationFees();
  void ConvertDiagnoses();
  void Line(const std::string& utf8) { context_.AddLine(utf8); }

  const VisionCatalogueInput& input_;
  StepContext& context_;
  RateTable rates_;
  CodeSet no_points_;
  CodeSet route_keys_;
  Database& opd() { return catalogue_->opd; }
  Database& mx_reference() { return catalogue_->mx_reference; }
  RecordSet& mx() { return catalogue_->mx; }

  std::optional<NewCatalogue> catalogue_;
  std::optional<Database> icd10cm_;
  std::unordered_set<std::string> known_codes_;  // upper-cased INSUcode
  SectionMap renames_at_start_;  // the order code renames the clinic held before this build
  // upper-cased Sname → upper-cased INSUcodes of the rows bearing it
  std::unordered_map<std::string, std::unordered_set<std::string>> short_names_;
  std::optional<ClinicSettings> settings_;
  std::optional<FrequencyFixes> fixes_;
  int made_up_codes_ = 0;
};

void CatalogueBuilder::Run() {
  Line("製作新的診斷處置資料庫");
  context_.SetDone(0);
  settings_.emplace(input_.clinic_folder);
  fixes_.emplace(FrequencyFixes::Read(*settings_));
  // [DUPMX] notes reach the file once, at the end (or when an error ends the build).
  ClinicSettings::Batch batch(*settings_);
  PrepareDatabases();
  ConvertOrders();
  AddMissingOrders();
  AddConsultationFees();
  ConvertDiagnoses();
  Line("診斷處置資料庫OPD.mdb製作完成");
}

void CatalogueBuilder::PrepareDatabases() {
  catalogue_.emplace(NewCatalogue::Make(input_.program_folder, input_.work_tree));
  icd10cm_.emplace(Database::OpenReadOnly(input_.program_folder / "ICD10CM.MDB"));
  renames_at_start_ = SectionMap(settings_->OrderCodeRenames());
  for (mx().First(); !mx().Eof(); mx().Next()) {
    std::string code = Upper(big5::Trim(mx().Text("INSUcode")));
    known_codes_.insert(code);
    short_names_[Upper(mx().Text("Sname"))].insert(code);
  }
}

void CatalogueBuilder::ConvertOrders() {
  Transaction transaction(opd());
  PassOverSourceTable(
      input_.source_folder, "CO09D.DBF", input_.work_tree, context_, 0,
      [&](const SourceTable& source) { ConvertOrder(ReadSourceOrder(source, context_)); });
  transaction.Commit();
  TestPoint("catalogue:orders-converted");
}

bool CatalogueBuilder::SettleDuplicate(const SourceOrder& order, bool& replaces) {
  std::string code_key = Upper(order.code);
  if (known_codes_.insert(code_key).second) return true;
  bool converts_as_new = false;
  if (mx().Locate({"INSUcode"}, {order.code})) {
    if (order.row_date > big5::Trim(mx().Text("ChangetoMXcode"))) {
      std::string old_source = big5::Trim(mx().Text("Tname"));
      Line("健保碼重複無覆寫:" + Utf8(old_source) + "," + Utf8(order.code));
      settings_->NoteOrderCodeRename(old_source, order.code);
      replaces = true;
      return true;
    }
  } else if (ContainsWord(order.name, "疫苗") || ContainsWord(order.name, "(衛)")) {
    converts_as_new = true;
  } else {
    Line("找不到健保碼:" + Utf8(order.source_code) + "," + Utf8(order.code));
  }
  if (converts_as_new) return true;
  Line("健保碼重複無覆寫:" + Utf8(order.source_code) + "," + Utf8(order.code));
  settings_->NoteOrderCodeRename(order.source_code, order.code);
  return false;
}

void CatalogueBuilder::ConvertOrder(const SourceOrder& order) {
  if (order.source_code.empty() || order.source_code == "****") return;
  if (renames_at_start_.Contains(order.source_code) && mx().Locate({"INSUcode"}, {order.code})) {
    return;
  }
  bool replaces = false;
  if (!order.code.empty() && !SettleDuplicate(order, replaces)) return;
  ReferenceOrder reference = LookupReferenceOrder(mx_reference(), order.code);
  VisionOrderKind kind =
      ClassifyVisionOrder(order.kind, order.unit_text, order.code, order.source_code);
  if (kind.skip) return;
  if (!kind.problem.empty()) Line(kind.problem);
  std::string order_class =
      ClassByReferenceTable(reference.table, ApplySurgeryRange(order.code, kind.order_class));
  if (replaces) {
    mx().Locate({"INSUcode"}, {order.code});
    mx().Edit();
  } else {
    mx().Append();
  }
  if (!order.code.empty() && order.kind != "12" && !reference.table.empty()) {
    BuildFromReference(order, reference, order_class, kind.unit_name, true);
    context_.ProcessEvents();
  } else {
    BuildFromSource(order, order_class, kind.unit_name);
  }
}

std::string CatalogueBuilder::UniqueShortName(const std::string& name, const std::string& code) {
  auto taken_by_other = [&](const std::string& candidate) {
    auto found = short_names_.find(Upper(candidate));
    if (found == short_names_.end()) return false;
    return found->second.size() > 1 || !found->second.contains(Upper(code));
  };
  if (!taken_by_other(name)) return name;
  for (int number = 1;; ++number) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%02d", number);
    std::string candidate = name + suffix;
    if (!short_names_.contains(Upper(candidate))) return candidate;
  }
}

void CatalogueBuilder::SetShortName(const std::string& sname, const std::string& code) {
  std::string old = Upper(mx().Text("Sname"));
  if (auto found = short_names_.find(old); found != short_names_.end()) {
    found->second.erase(Upper(code));
  }
  mx().SetText("Sname", sname);
  short_names_[Upper(sname)].insert(Upper(code));
}

void CatalogueBuilder::BuildFromReference(const SourceOrder& order, const ReferenceOrder& reference,
                                          const std::string& order_class,
                                          const std::string& unit_name, bool with_surgery_codes) {
  const std::string& code = order.code;
  if (with_surgery_codes && order_class == "operate" && !EnsureSurgeryPcs(code, opd(), *icd10cm_)) {
    Line("健保手術碼" + Utf8(code) + " 沒有相對應ICD10碼");
  }
  RecordSet row =
      mx_reference().Query("select * from " + reference.table + " where INSUcode=?", {code});
  const std::string& table = reference.table;
  auto ref = [&](std::string_view field) { return ReferenceText(row, field); };
  bool material = Upper(table) == "MATERIAL";
  bool vaccine = Upper(table) == "VACCINE";
  mx().SetText("class", order_class);
  SetShortName(input_.short_names == ShortNameSource::kOriginalName
                   ? UniqueShortName(reference.english_name, code)
                   : order.source_code,
               code);
  mx().SetText("Cname", material || vaccine ? order.name : ref("Cname"));
  mx().SetText("Aname", big5::Trim(material ? ref("OBJECTNAME") : ref("ENAME")));
  ReplaceTradeName(mx(), order.source_code, *settings_);
  int64_t price = AbsoluteReferencePrice(ref("price"));
  mx().SetCurrency("cost", order.cost);
  mx().SetCurrency("selfprice", order.self_price == 0 ? price : order.self_price);
  mx().SetCurrency("INSUprice", price);
  mx().SetText("INSUcode", code);
  mx().SetInteger("common", 0);
  int unit = UnitCode(unit_name).code;
  int perunit = PerUnitFromUnit(unit, order_class);
  int status = 0;
  if (price == 0 && !no_points_.Contains(code)) {
    status = order.self_price != 0 ? mx_status::kChargedSelfPay : mx_status::kNoCharge;
  }
  mx().SetText("Ocode", "");
  mx().SetText("Scode", "");
  mx().SetText("indication", order.note);
  mx().SetText("warning", "");
  mx().SetText("document", "");
  if (Upper(table) == "MEDICINE") {
    if (WriteMedicineColumns(mx(), row)) {
      status |= mx_status::kOralLiquidByBottle;
      perunit = 4;
      unit = 2;
    }
  } else {
    ClearMedicineColumns(mx());
    std::string start, end, mark;
    if (vaccine || Upper(table) == "QUITSMOKE") {
      start = "20180101";
      end = "29101231";
      if (vaccine) mx().SetText("DXtype", big5::Trim(ref("DXtype")));
    } else if (material) {
      start = MaterialReferenceDate(ref("StartDate"));
      end = MaterialReferenceDate(ref("EndDate"));
      mark = ref("INSUMARK");
    } else {
      start = OpdReferenceDate(ref("StartDate"));
      end = OpdReferenceDate(ref("EndDate"));
      mark = ref("INSUMARK");
    }
    mx().SetText("StartDate", start);
    mx().SetText("EndDate", end);
    mx().SetText("INSUmark", mark);
  }
  mx().SetInteger("unit", unit);
  mx().SetInteger("perunit", perunit);
  mx().SetInteger("status", status);
  SetFrequencyAndRoute(order);
}

void CatalogueBuilder::BuildFromSource(const SourceOrder& order, const std::string& order_class,
                                       const std::string& unit_name) {
  std::string name = !order.name.empty()    ? order.name
                     : !order.name2.empty() ? order.name2
                                            : order.source_code;
  if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 32);
  std::string code = order.code;
  if (code.size() < 6) {
    char made_up[16];
    std::snprintf(made_up, sizeof made_up, "SE%08d", ++made_up_codes_);
    code = made_up;
  }
  mx().SetText("class", order_class);
  SetShortName(input_.short_names == ShortNameSource::kOriginalName ? name : order.source_code,
               code);
  mx().SetText("Cname", order.name2);
  mx().SetText("Aname", order.name);
  ReplaceTradeName(mx(), order.source_code, *settings_);
  mx().SetCurrency("cost", order.cost);
  bool no_points = no_points_.Contains(code);
  int64_t nhi_price = no_points ? order.nhi_price : 0;
  mx().SetCurrency("selfprice", order.self_price == 0 ? order.nhi_price : order.self_price);
  mx().SetCurrency("INSUprice", nhi_price);
  mx().SetText("INSUcode", code);
  mx().SetInteger("common", 0);
  int unit = UnitCode(unit_name).code;
  mx().SetInteger("unit", unit);
  mx().SetInteger("perunit", PerUnitFromUnit(unit, order_class));
  mx().SetText("Ocode", "");
  mx().SetInteger("status", no_points ? 0 : mx_status::kChargedSelfPay);
  for (std::string_view empty :
       {"Scode", "warning", "document", "content", "OralTablet", "DXtype", "ATCcode", "INSUmark"}) {
    mx().SetText(empty, "");
  }
  mx().SetText("indication", order.note);
  mx().SetBoolean("IsComPlex", false);
  mx().SetText("StartDate", order.begin_date);
  mx().SetText("EndDate", order.end_date);
  SetFrequencyAndRoute(order);
}

void CatalogueBuilder::SetFrequencyAndRoute(const SourceOrder& order) {
  DefaultFrequency frequency = ResolveDefaultFrequency(order.frequency, rates_, *fixes_,
                                                       FrequencyReadingOrder::kInterpretThenFix);
  if (frequency.unknown) Line("不明使用頻率:" + Utf8(order.frequency));
  mx().SetText("UseMethod", frequency.use_method);
  mx().SetInteger("RateIndex", frequency.rate_index);
  mx().SetText("ChangetoMXname", route_keys_.Contains(order.route) ? order.route : "");
  mx().SetText("ChangetoMXcode", order.row_date);
  mx().Post();
}

void CatalogueBuilder::AddMissingOrders() {
  Transaction transaction(opd());
  for (const ProfileEntry& missing : settings_->MissingOrders()) {
    const std::string& code = missing.key;
    const std::string& order_class = missing.value;
    if (mx().Locate({"INSUcode"}, {code})) continue;
    ReferenceOrder reference = LookupReferenceOrder(mx_reference(), code);
    if (reference.table.empty()) {
      Line("安裝遺漏醫令找不到健保碼:" + Utf8(code));
      continue;
    }
    known_codes_.insert(Upper(code));
    SourceOrder order;
    order.code = code;
    mx().Append();
    BuildFromReference(order, reference, order_class, big5::Literal("次(個)"), false);
  }
  transaction.Commit();
}

void CatalogueBuilder::AddConsultationFees() {
  Line("處理OPD.MDB診察費藥事服務費設定");
  Transaction transaction(opd());
  for (const ConsultationFee& fee : ReadConsultationFees(mx_reference())) {
    if (fee.code == "01036C" || fee.code == "01037C" || fee.code == "01038C") continue;
    if (mx().Locate({"INSUcode"}, {fee.code})) {
      mx().Edit();
    } else {
      mx().Append();
    }
    SetShortName(fee.name, fee.code);
    WriteConsultationFee(mx(), fee, *settings_);
    known_codes_.insert(Upper(fee.code));
  }
  transaction.Commit();
}

void CatalogueBuilder::ConvertDiagnoses() {
  Line("轉換診斷OPD.mdb資料庫中");
  RecordSet reference = icd10cm_->Query("select * from DX");
  RecordSet dx = opd().OpenTable("DX");
  std::unordered_set<std::string> converted;
  std::unordered_set<std::string> used_names;
  Transaction transaction(opd());
  PassOverSourceTable(input_.source_folder, "CO07A.DBF", input_.work_tree, context_, 1000,
                      [&](const SourceTable& source) {
                        std::string code = source.StorableText("NO", context_);
                        if (code.empty() || converted.contains(Upper(code))) return;
                        if (!reference.Locate({"ICD10"}, {code})) return;
                        converted.insert(Upper(code));
                        std::string name = source.StorableText("NAME", context_);
                        if (name.empty()) name = source.StorableText("BMEMO", context_);
                        if (!used_names.insert(Upper(name)).second) {
                          name = code + name;
                          used_names.insert(Upper(name));
                        }
                        AppendDiagnosisRow(dx, reference,
                                           {.icd10 = code,
                                            .ref_text = "",
                                            .related = source.StorableText("BREL2", context_),
                                            .short_name = name,
                                            .common = false,
                                            .keywords = {}});
                      });
  transaction.Commit();
}

}  // namespace

void BuildVisionCatalogue(const VisionCatalogueInput& input, StepContext& context) {
  CatalogueBuilder(input, context).Run();
}

}  // namespace zuvo
