#include "catalogue/vision_catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <unordered_set>

#include "catalogue/big5_words.h"
#include "catalogue/catalogue_settings.h"
#include "catalogue/consultation_fees.h"
#include "catalogue/default_frequency.h"
#include "catalogue/dose_unit.h"
#include "catalogue/mx_status.h"
#include "catalogue/package_unit.h"
#include "catalogue/reference_order.h"
#include "catalogue/reference_values.h"
#include "catalogue/surgery_pcs.h"
#include "catalogue/vision_order_kind.h"
#include "catalogue/work_tree_copy.h"
#include "core/number_text.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "platform/test_point.h"
#include "workspace/data_ini.h"
#include "workspace/folder_layout.h"
#include "workspace/source_table.h"

namespace zuvo {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMissingOrdersSection = "安裝遺漏醫令";

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
        corvix_(input.work_tree / kFrontEndFolderName),
        data_ini_(DataIniFile(input.clinic_folder)),
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
  fs::path corvix_;
  fs::path data_ini_;
  RateTable rates_;
  CodeSet no_points_;
  CodeSet route_keys_;
  std::optional<Database> opd_;
  std::optional<Database> mx_reference_;
  std::optional<Database> icd10cm_;
  std::optional<RecordSet> mx_;
  std::unordered_set<std::string> known_codes_;     // upper-cased INSUcode
  std::unordered_set<std::string> duplicate_keys_;  // upper-cased [DUPMX] keys
  // upper-cased Sname → upper-cased INSUcodes of the rows bearing it
  std::unordered_map<std::string, std::unordered_set<std::string>> short_names_;
  std::optional<ProfileFile> settings_;
  std::optional<FrequencyFixes> fixes_;
  int made_up_codes_ = 0;
};

void CatalogueBuilder::Run() {
  Line("製作新的診斷處置資料庫");
  context_.SetDone(0);
  settings_.emplace(data_ini_);
  fixes_.emplace(FrequencyFixes::Read(*settings_));
  // [DUPMX] notes reach the file once, at the end (or when an error ends the build).
  ProfileFile::Batch batch(*settings_);
  PrepareDatabases();
  ConvertOrders();
  AddMissingOrders();
  AddConsultationFees();
  ConvertDiagnoses();
  Line("診斷處置資料庫OPD.mdb製作完成");
}

void CatalogueBuilder::PrepareDatabases() {
  ReplaceWithCopy(input_.program_folder / "OPDbak.mdb", corvix_ / kCatalogueFileName);
  ReplaceWithCopy(input_.program_folder / "PERSONALbak.mdb", corvix_ / "PERSONAL.mdb");
  opd_.emplace(Database::Open(corvix_ / kCatalogueFileName));
  opd_->Execute("delete from DX");
  mx_reference_.emplace(Database::OpenReadOnly(input_.program_folder / "MX.MDB"));
  icd10cm_.emplace(Database::OpenReadOnly(input_.program_folder / "ICD10CM.MDB"));
  for (const std::string& key : settings_->KeyNames(kDupMxSection)) {
    duplicate_keys_.insert(Upper(big5::Trim(key)));
  }
  mx_.emplace(opd_->OpenTable("MX"));
  for (mx_->First(); !mx_->Eof(); mx_->Next()) {
    std::string code = Upper(big5::Trim(mx_->Text("INSUcode")));
    known_codes_.insert(code);
    short_names_[Upper(mx_->Text("Sname"))].insert(code);
  }
}

void CatalogueBuilder::ConvertOrders() {
  SourceTable source =
      SourceTable::Open(input_.source_folder, "CO09D.DBF", input_.work_tree, context_);
  DbfTable& table = source.table();
  context_.SetTotal(table.RecordCount());
  Transaction transaction(*opd_);
  long done = 0;
  for (table.First(); !table.Eof(); table.Next()) {
    ConvertOrder(ReadSourceOrder(source, context_));
    context_.SetGauge(++done);
    context_.SetDone(done);
  }
  transaction.Commit();
  TestPoint("catalogue:orders-converted");
}

bool CatalogueBuilder::SettleDuplicate(const SourceOrder& order, bool& replaces) {
  std::string code_key = Upper(order.code);
  if (known_codes_.insert(code_key).second) return true;
  bool converts_as_new = false;
  if (mx_->Locate({"INSUcode"}, {order.code})) {
    if (order.row_date > big5::Trim(mx_->Text("ChangetoMXcode"))) {
      std::string old_source = big5::Trim(mx_->Text("Tname"));
      Line("健保碼重複無覆寫:" + Utf8(old_source) + "," + Utf8(order.code));
      settings_->WriteString(kDupMxSection, old_source, order.code);
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
  settings_->WriteString(kDupMxSection, order.source_code, order.code);
  return false;
}

void CatalogueBuilder::ConvertOrder(const SourceOrder& order) {
  if (order.source_code.empty() || order.source_code == "****") return;
  if (duplicate_keys_.contains(Upper(order.source_code)) &&
      mx_->Locate({"INSUcode"}, {order.code})) {
    return;
  }
  bool replaces = false;
  if (!order.code.empty() && !SettleDuplicate(order, replaces)) return;
  ReferenceOrder reference = LookupReferenceOrder(*mx_reference_, order.code);
  VisionOrderKind kind =
      ClassifyVisionOrder(order.kind, order.unit_text, order.code, order.source_code);
  if (kind.skip) return;
  if (!kind.problem.empty()) Line(kind.problem);
  std::string order_class =
      ClassByReferenceTable(reference.table, ApplySurgeryRange(order.code, kind.order_class));
  if (replaces) {
    mx_->Locate({"INSUcode"}, {order.code});
    mx_->Edit();
  } else {
    mx_->Append();
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
  std::string old = Upper(mx_->Text("Sname"));
  if (auto found = short_names_.find(old); found != short_names_.end()) {
    found->second.erase(Upper(code));
  }
  mx_->SetText("Sname", sname);
  short_names_[Upper(sname)].insert(Upper(code));
}

void CatalogueBuilder::BuildFromReference(const SourceOrder& order, const ReferenceOrder& reference,
                                          const std::string& order_class,
                                          const std::string& unit_name, bool with_surgery_codes) {
  const std::string& code = order.code;
  if (with_surgery_codes && order_class == "operate" && !EnsureSurgeryPcs(code, *opd_, *icd10cm_)) {
    Line("健保手術碼" + Utf8(code) + " 沒有相對應ICD10碼");
  }
  RecordSet row =
      mx_reference_->Query("select * from " + reference.table + " where INSUcode=?", {code});
  const std::string& table = reference.table;
  auto ref = [&](std::string_view field) { return ReferenceText(row, field); };
  bool material = Upper(table) == "MATERIAL";
  bool vaccine = Upper(table) == "VACCINE";
  mx_->SetText("class", order_class);
  SetShortName(input_.short_names == ShortNameSource::kOriginalName
                   ? UniqueShortName(reference.english_name, code)
                   : order.source_code,
               code);
  mx_->SetText("Cname", material || vaccine ? order.name : ref("Cname"));
  mx_->SetText("Aname", big5::Trim(material ? ref("OBJECTNAME") : ref("ENAME")));
  mx_->SetText("Tname", order.source_code);
  int64_t price = AbsoluteReferencePrice(ref("price"));
  mx_->SetCurrency("cost", order.cost);
  mx_->SetCurrency("selfprice", order.self_price == 0 ? price : order.self_price);
  mx_->SetCurrency("INSUprice", price);
  mx_->SetText("INSUcode", code);
  mx_->SetInteger("common", 0);
  int unit = UnitCode(unit_name).code;
  int perunit = PerUnitFromUnit(unit, order_class);
  int status = 0;
  if (price == 0 && !no_points_.Contains(code)) {
    status = order.self_price != 0 ? mx_status::kChargedSelfPay : mx_status::kNoCharge;
  }
  mx_->SetText("Ocode", "");
  mx_->SetText("Scode", "");
  mx_->SetText("indication", order.note);
  mx_->SetText("warning", "");
  mx_->SetText("document", "");
  if (Upper(table) == "MEDICINE") {
    if (WriteMedicineColumns(*mx_, row)) {
      status |= mx_status::kOralLiquidByBottle;
      perunit = 4;
      unit = 2;
    }
  } else {
    mx_->SetText("content", "");
    mx_->SetBoolean("IsComPlex", false);
    mx_->SetText("OralTablet", "");
    mx_->SetText("DXtype", "");
    mx_->SetText("ATCcode", "");
    std::string start, end, mark;
    if (vaccine || Upper(table) == "QUITSMOKE") {
      start = "20180101";
      end = "29101231";
      if (vaccine) mx_->SetText("DXtype", big5::Trim(ref("DXtype")));
    } else if (material) {
      start = MaterialReferenceDate(ref("StartDate"));
      end = MaterialReferenceDate(ref("EndDate"));
      mark = ref("INSUMARK");
    } else {
      start = OpdReferenceDate(ref("StartDate"));
      end = OpdReferenceDate(ref("EndDate"));
      mark = ref("INSUMARK");
    }
    mx_->SetText("StartDate", start);
    mx_->SetText("EndDate", end);
    mx_->SetText("INSUmark", mark);
  }
  mx_->SetInteger("unit", unit);
  mx_->SetInteger("perunit", perunit);
  mx_->SetInteger("status", status);
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
  mx_->SetText("class", order_class);
  SetShortName(input_.short_names == ShortNameSource::kOriginalName ? name : order.source_code,
               code);
  mx_->SetText("Cname", order.name2);
  mx_->SetText("Aname", order.name);
  mx_->SetText("Tname", order.source_code);
  mx_->SetCurrency("cost", order.cost);
  bool no_points = no_points_.Contains(code);
  int64_t nhi_price = no_points ? order.nhi_price : 0;
  mx_->SetCurrency("selfprice", order.self_price == 0 ? order.nhi_price : order.self_price);
  mx_->SetCurrency("INSUprice", nhi_price);
  mx_->SetText("INSUcode", code);
  mx_->SetInteger("common", 0);
  int unit = UnitCode(unit_name).code;
  mx_->SetInteger("unit", unit);
  mx_->SetInteger("perunit", PerUnitFromUnit(unit, order_class));
  mx_->SetText("Ocode", "");
  mx_->SetInteger("status", no_points ? 0 : mx_status::kChargedSelfPay);
  for (std::string_view empty :
       {"Scode", "warning", "document", "content", "OralTablet", "DXtype", "ATCcode", "INSUmark"}) {
    mx_->SetText(empty, "");
  }
  mx_->SetText("indication", order.note);
  mx_->SetBoolean("IsComPlex", false);
  mx_->SetText("StartDate", order.begin_date);
  mx_->SetText("EndDate", order.end_date);
  SetFrequencyAndRoute(order);
}

void CatalogueBuilder::SetFrequencyAndRoute(const SourceOrder& order) {
  DefaultFrequency frequency = ResolveDefaultFrequency(order.frequency, rates_, *fixes_,
                                                       FrequencyReadingOrder::kInterpretThenFix);
  if (frequency.unknown) Line("不明使用頻率:" + Utf8(order.frequency));
  mx_->SetText("UseMethod", frequency.use_method);
  mx_->SetInteger("RateIndex", frequency.rate_index);
  mx_->SetText("ChangetoMXname", route_keys_.Contains(order.route) ? order.route : "");
  mx_->SetText("ChangetoMXcode", order.row_date);
  mx_->Post();
}

void CatalogueBuilder::AddMissingOrders() {
  Transaction transaction(*opd_);
  for (const std::string& line : settings_->SectionLines(big5::Literal(kMissingOrdersSection))) {
    size_t equals = line.find('=');
    std::string code = big5::Trim(line.substr(0, equals));
    std::string order_class =
        equals == std::string::npos ? std::string() : big5::Trim(line.substr(equals + 1));
    if (code.empty() || mx_->Locate({"INSUcode"}, {code})) continue;
    ReferenceOrder reference = LookupReferenceOrder(*mx_reference_, code);
    if (reference.table.empty()) {
      Line("安裝遺漏醫令找不到健保碼:" + Utf8(code));
      continue;
    }
    known_codes_.insert(Upper(code));
    SourceOrder order;
    order.code = code;
    mx_->Append();
    BuildFromReference(order, reference, order_class, big5::Literal("次(個)"), false);
  }
  transaction.Commit();
}

void CatalogueBuilder::AddConsultationFees() {
  Line("處理OPD.MDB診察費藥事服務費設定");
  Transaction transaction(*opd_);
  for (const ConsultationFee& fee : ReadConsultationFees(*mx_reference_)) {
    if (fee.code == "01036C" || fee.code == "01037C" || fee.code == "01038C") continue;
    if (mx_->Locate({"INSUcode"}, {fee.code})) {
      mx_->Edit();
    } else {
      mx_->Append();
    }
    SetShortName(fee.name, fee.code);
    WriteConsultationFee(*mx_, fee);
    known_codes_.insert(Upper(fee.code));
  }
  transaction.Commit();
}

void CatalogueBuilder::ConvertDiagnoses() {
  Line("轉換診斷OPD.mdb資料庫中");
  RecordSet reference = icd10cm_->Query("select * from DX");
  RecordSet dx = opd_->OpenTable("DX");
  SourceTable source =
      SourceTable::Open(input_.source_folder, "CO07A.DBF", input_.work_tree, context_);
  DbfTable& table = source.table();
  context_.SetTotal(table.RecordCount());
  std::unordered_set<std::string> converted;
  std::unordered_set<std::string> used_names;
  Transaction transaction(*opd_);
  long read = 0;
  for (table.First(); !table.Eof(); table.Next()) {
    ++read;
    context_.SetGauge(read);
    context_.SetDone(read);
    if (read % 1000 == 0) context_.ProcessEvents();
    std::string code = source.StorableText("NO", context_);
    if (code.empty() || converted.contains(Upper(code))) continue;
    if (!reference.Locate({"ICD10"}, {code})) continue;
    converted.insert(Upper(code));
    std::string name = source.StorableText("NAME", context_);
    if (name.empty()) name = source.StorableText("BMEMO", context_);
    if (!used_names.insert(Upper(name)).second) {
      name = code + name;
      used_names.insert(Upper(name));
    }
    std::string related = source.StorableText("BREL2", context_);
    dx.Append();
    dx.SetBoolean("bList", true);
    dx.SetText("ICD10", code);
    dx.SetText("refText", "");
    dx.SetBoolean("common", false);
    dx.SetInteger("status", related.empty() ? 0 : 1);
    dx.SetText("Scode", related);
    dx.SetText("Sname", name);
    // The store keeps the reference names as they are, whatever Big5 can hold.
    dx.SetTextUtf8("Ename", reference.TextUtf8("Ename"));
    dx.SetTextUtf8("Cname", reference.TextUtf8("Cname"));
    dx.SetTextUtf8("department", reference.TextUtf8("department"));
    for (std::string_view key : {"keyword1", "keyword2", "keyword3", "keyword4"}) {
      dx.SetText(key, "");
    }
    for (std::string_view sort : {"SORTNUM", "SORTSCORE", "SORTPOWER"}) {
      dx.SetInteger(sort, reference.IsNull(sort) ? 0 : reference.Integer(sort));
    }
    dx.Post();
  }
  transaction.Commit();
}

}  // namespace

void BuildVisionCatalogue(const VisionCatalogueInput& input, StepContext& context) {
  CatalogueBuilder(input, context).Run();
}

}  // namespace zuvo
