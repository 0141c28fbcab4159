#include "catalogue/realsun_catalogue.h"

#include <cstdio>
#include <optional>
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
#include "catalogue/realsun_reference_tables.h"
#include "catalogue/reference_values.h"
#include "catalogue/source_pass.h"
#include "catalogue/surgery_range.h"
#include "catalogue/trade_name.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/table_store.h"
#include "workspace/clinic_settings.h"
#include "workspace/folder_layout.h"
#include "workspace/source_table.h"

namespace zuvo {
namespace fs = std::filesystem;

namespace {

constexpr int kEachUnitCode = 8;

std::string Upper(std::string_view text) { return big5::UpperAscii(text); }
std::string Utf8(std::string_view big5_text) { return big5::ToUtf8Escaped(big5_text); }

// The reference table and class of a kind letter (the first character of DRUG_TYPE).
struct KindRule {
  std::string_view letters;
  std::string_view table;
  std::string_view order_class;
};

constexpr KindRule kKindRules[] = {
    {"4STDEF", "OPD", "OPD"}, {"ACP", "OPD", "operate"},    {"HOW", "medicine", "oral"},
    {"I", "medicine", "inj"}, {"L", "medicine", "topical"}, {"M", "material", "material"},
    {"V", "material", "OPD"},
};

// Where a code is looked for when the table of its kind does not hold it, in this order, and the
// class it then gets.
constexpr KindRule kFallbackTables[] = {
    {"", "medicine", "oral"},
    {"", "OPD", "OPD"},
    {"", "material", "material"},
    {"", "Vaccine", "inj"},
};

// Package and dose unit of a drug whose unit text says nothing more than 次(個).
struct RouteUnits {
  std::string_view order_class;
  int unit;
  int perunit;
};

constexpr RouteUnits kRouteUnits[] = {
    {"oral", 1, 2}, {"drop", 2, 1}, {"inj", 5, 4}, {"topical", 3, 1}};

struct OrderKind {
  std::string table;
  std::string order_class;
  bool listed = true;
};

OrderKind KindOf(std::string_view kind) {
  for (const KindRule& rule : kKindRules) {
    if (!kind.empty() && rule.letters.find(kind.front()) != std::string_view::npos) {
      return {std::string(rule.table), std::string(rule.order_class), true};
    }
  }
  return {"material", "OPD", false};
}

// The class a row built from the reference catalogue gets when its kind letter is not listed:
// drugs by their dosage form, materials as material, anything else "operate" for a six-character
// code starting with 6 to 9 and "OPD" otherwise.
std::string UnlistedKindClass(std::string_view table, const RecordSet& reference,
                              std::string_view code) {
  if (table == "medicine") {
    std::string form = big5::Trim(ReferenceText(reference, "DXTYPE"));
    if (ContainsWord(form, "眼")) return "drop";
    for (std::string_view topical : {"鼻用噴液劑", "外用液劑", "口內膏", "栓劑"}) {
      if (form == big5::Literal(topical)) return "topical";
    }
    if (form == big5::Literal("注射劑")) return "inj";
    return "oral";
  }
  if (table == "material") return "material";
  return code.size() == 6 && code.front() >= '6' && code.front() <= '9' ? "operate" : "OPD";
}

std::string WithoutApostrophes(std::string text) {
  // An apostrophe (0x27) is never the second byte of a Big5 character.
  std::erase(text, '\'');
  return text;
}

// One record of DRUG.DBF, trimmed, except the kind: DRUG_TYPE as the table holds it, followed by
// one blank.
struct RealSunDrug {
  std::string code, name, source_code, name2, kind, unit, warning, atc_code, frequency, date;
  int64_t cost = 0, self_price = 0, nhi_price = 0;
};

RealSunDrug ReadDrug(const SourceTable& source, StepContext& context) {
  auto text = [&](std::string_view field) { return source.StorableText(field, context); };
  const DbfTable& table = source.table();
  return {.code = text("DRUG_1AME"),
          .name = text("DRUG_NAME"),
          .source_code = text("DRUG_NO"),
          .name2 = text("DRUG_NO1"),
          .kind = table.Text("DRUG_TYPE") + " ",
          .unit = text("UNIT"),
          .warning = text("WARN"),
          .atc_code = text("ATC_CODE"),
          .frequency = text("NO"),
          .date = text("DATE3"),
          .cost = table.Currency("COST"),
          .self_price = table.Currency("SALE"),
          .nhi_price = table.Currency("C_PRICE")};
}

class CatalogueBuilder {
 public:
  CatalogueBuilder(const RealSunCatalogueFiles& files, StepContext& context)
      : files_(files),
        context_(context),
        settings_(files.clinic_folder),
        fixes_(FrequencyFixes::Read(settings_)),
        report_([this](const std::string& line) { Line(line); }) {}

  void Run();

 private:
  void PrepareDatabases();
  void ConvertDrugs();
  void ConvertDrug(const RealSunDrug& drug);
  // Settles a code met before; false when the record is skipped. `replaces` tells that it
  // replaces the code's row.
  bool SettleDuplicate(const RealSunDrug& drug, bool& replaces);
  void BuildFromReference(const RealSunDrug& drug, const OrderKind& kind, RecordSet& reference);
  void BuildFromSource(const RealSunDrug& drug, const std::string& order_class);
  void SetFrequencyAndPost(const std::string& use_method, int rate_index);
  void AddConsultationFees();
  void ConvertDiagnoses();
  void Line(const std::string& utf8) { context_.AddLine(utf8); }

  const RealSunCatalogueFiles& files_;
  StepContext& context_;
  ClinicSettings settings_;
  FrequencyFixes fixes_;
  MessageSink report_;
  std::optional<RateTable> rates_;
  Database& opd() { return catalogue_->opd; }
  RecordSet& mx() { return catalogue_->mx; }

  std::optional<NewCatalogue> catalogue_;
  std::optional<ReferenceTables> reference_;
  std::unordered_set<std::string> known_codes_;  // upper-cased INSUcode
  int made_up_codes_ = 0;
};

void CatalogueBuilder::Run() {
  Line("製作新的診斷處置資料庫");
  context_.SetDone(0);
  rates_.emplace(RateTable::Read(files_.program_folder / "CORVIX.INI"));
  // The settings notes reach the file once, at the end (or when an error ends the build).
  ClinicSettings::Batch batch(settings_);
  PrepareDatabases();
  ConvertDrugs();
  AddConsultationFees();
  ConvertDiagnoses();
  Line("診斷處置資料庫OPD.mdb製作完成");
}

void CatalogueBuilder::PrepareDatabases() {
  catalogue_.emplace(NewCatalogue::Make(files_.program_folder, files_.work_tree));
  reference_.emplace(catalogue_->mx_reference);
  for (mx().First(); !mx().Eof(); mx().Next()) {
    known_codes_.insert(Upper(big5::Trim(mx().Text("INSUcode"))));
  }
}

void CatalogueBuilder::ConvertDrugs() {
  Transaction transaction(opd());
  PassOverSourceTable(files_.source_folder, "Z/DRUG.DBF", files_.work_tree, context_, 1,
                      [&](const SourceTable& source) { ConvertDrug(ReadDrug(source, context_)); });
  transaction.Commit();
}

bool CatalogueBuilder::SettleDuplicate(const RealSunDrug& drug, bool& replaces) {
  if (known_codes_.insert(Upper(drug.code)).second) return true;
  bool converts_as_new = false;
  if (mx().Locate({"INSUcode"}, {drug.code})) {
    if (drug.date > big5::Trim(mx().Text("ChangetoMXcode"))) {
      // The row's old source code stays findable: ReplaceTradeName notes it when the row is
      // rewritten.
      replaces = true;
      return true;
    }
  } else if (ContainsWord(drug.name, "疫苗")) {
    converts_as_new = true;
  } else {
    Line("找不到健保碼:" + Utf8(drug.name) + "," + Utf8(drug.code));
  }
  if (converts_as_new) return true;
  Line("健保碼重複無覆寫:" + Utf8(drug.name) + "," + Utf8(drug.code));
  if (!drug.source_code.empty()) settings_.NoteOrderCodeRename(drug.source_code, drug.code);
  return false;
}

void CatalogueBuilder::ConvertDrug(const RealSunDrug& drug) {
  if (drug.name.empty()) return;
  const bool nhi_code = !drug.code.empty() && drug.code != "E2";
  bool replaces = false;
  if (nhi_code && !SettleDuplicate(drug, replaces)) return;

  OrderKind kind = KindOf(drug.kind);
  if (!kind.listed) {
    std::string values = Utf8(drug.name) + "," + Utf8(drug.code) + ",[" + Utf8(drug.kind) + "]";
    Line("分類碼錯誤:" + values);
    Line("分類碼錯誤2:" + values);
  }
  kind.order_class =
      ApplySurgeryRange(drug.code, kind.order_class, {kSurgeryCodeHeads, kAnaesthesiaCodeHeads});
  RecordSet* reference = reference_->Find(kind.table, drug.code);
  for (const KindRule& fallback : kFallbackTables) {
    if (reference != nullptr || drug.code.empty()) break;
    if (fallback.table == kind.table) continue;
    reference = reference_->Find(fallback.table, drug.code);
    if (reference != nullptr) {
      kind.table = fallback.table;
      kind.order_class = fallback.order_class;
    }
  }

  if (replaces) {
    mx().Locate({"INSUcode"}, {drug.code});
    mx().Edit();
  } else {
    mx().Append();
  }
  if (nhi_code && reference != nullptr) {
    BuildFromReference(drug, kind, *reference);
  } else {
    BuildFromSource(drug, kind.order_class);
  }
}

void CatalogueBuilder::BuildFromReference(const RealSunDrug& drug, const OrderKind& kind,
                                          RecordSet& reference) {
  auto ref = [&](std::string_view field) { return ReferenceText(reference, field); };
  const std::string& table = kind.table;
  const bool material = table == "material";
  const bool vaccine = table == "Vaccine";
  const std::string order_class =
      kind.listed ? kind.order_class : UnlistedKindClass(table, reference, drug.code);
  mx().SetText("class", order_class);
  mx().SetText("Sname", drug.name);
  mx().SetText("Cname", material || vaccine ? drug.name : ref("Cname"));
  mx().SetText("Aname", big5::Trim(material ? ref("OBJECTNAME") : ref("ENAME")));
  ReplaceTradeName(mx(), drug.source_code, settings_);
  mx().SetCurrency("cost", drug.cost);
  mx().SetCurrency("selfprice", drug.self_price);
  mx().SetCurrency("INSUprice", ReferencePrice(ref("price")));
  mx().SetText("INSUcode", drug.code);
  mx().SetInteger("common", -1);
  int unit = UnitCodeLogged(drug.unit, report_);
  int perunit = PerUnitCodeLogged(drug.unit, report_);
  if (unit == kEachUnitCode && table == "medicine") {
    // A drug counted in a unit that says nothing gets the units of its route.
    for (const RouteUnits& route : kRouteUnits) {
      if (order_class == route.order_class) {
        unit = route.unit;
        perunit = route.perunit;
      }
    }
  }
  int status = 0;
  mx().SetText("Ocode", "");
  mx().SetText("Scode", "");
  mx().SetText("indication", "");
  mx().SetText("warning", drug.warning);
  mx().SetText("document", "");
  if (table == "medicine") {
    if (WriteMedicineColumns(mx(), reference)) {
      status = mx_status::kOralLiquidByBottle;
      perunit = 4;
      unit = 2;
    }
  } else {
    ClearMedicineColumns(mx());
    if (vaccine) {
      perunit = 4;
      unit = 6;
      mx().SetText("StartDate", WesternToRocDate(ref("StartDate")));
      mx().SetText("EndDate", "");
      mx().SetText("DXtype", big5::Trim(ref("DXtype")));
      mx().SetText("INSUmark", "");
    } else {
      auto date = material ? MaterialReferenceDate : OpdReferenceDate;
      mx().SetText("StartDate", date(ref("StartDate")));
      mx().SetText("EndDate", date(ref("EndDate")));
      mx().SetText("INSUmark", ref("INSUMARK"));
    }
  }
  mx().SetInteger("unit", unit);
  mx().SetInteger("perunit", perunit);
  mx().SetInteger("status", status);
  DefaultFrequency frequency =
      ResolveDefaultFrequency(drug.frequency, *rates_, fixes_, FrequencyReadingOrder::kFixOnly);
  if (frequency.unknown) Line("不明使用頻率:" + Utf8(drug.frequency));
  mx().SetText("ChangetoMXcode", drug.date);
  SetFrequencyAndPost(frequency.use_method, frequency.rate_index);
}

void CatalogueBuilder::BuildFromSource(const RealSunDrug& drug, const std::string& order_class) {
  char made_up[16];
  std::snprintf(made_up, sizeof made_up, "SE%08d", ++made_up_codes_);
  mx().SetText("class", order_class);
  mx().SetText("Sname", drug.name);
  mx().SetText("Cname", drug.name);
  mx().SetText("Aname", drug.name2);
  ReplaceTradeName(mx(), drug.source_code, settings_);
  mx().SetCurrency("cost", drug.cost);
  mx().SetCurrency("selfprice", drug.self_price);
  mx().SetCurrency("INSUprice", drug.nhi_price);
  mx().SetText("INSUcode", made_up);
  mx().SetInteger("common", -1);
  mx().SetInteger("perunit", 0);
  mx().SetInteger("unit", UnitCodeLogged(drug.unit, report_));
  mx().SetInteger("status", mx_status::kChargedSelfPay);
  for (std::string_view empty : {"Ocode", "Scode", "indication", "document", "content",
                                 "OralTablet", "DXtype", "INSUmark", "ChangetoMXcode"}) {
    mx().SetText(empty, "");
  }
  mx().SetText("warning", drug.warning);
  mx().SetBoolean("IsComPlex", false);
  std::string today = RocDate(files_.now);
  mx().SetText("StartDate", today);
  mx().SetText("EndDate", today);
  mx().SetText("ATCcode", drug.atc_code);
  DefaultFrequency frequency = ResolveDefaultFrequency(drug.frequency, *rates_, fixes_,
                                                       FrequencyReadingOrder::kInterpretThenFix);
  if (frequency.unknown) Line("不明使用頻率:" + Utf8(drug.frequency));
  SetFrequencyAndPost(frequency.use_method, frequency.rate_index);
}

void CatalogueBuilder::SetFrequencyAndPost(const std::string& use_method, int rate_index) {
  mx().SetText("UseMethod", use_method);
  mx().SetInteger("RateIndex", rate_index);
  mx().SetText("ChangetoMXname", "");
  mx().Post();
}

void CatalogueBuilder::AddConsultationFees() {
  Line("處理OPD.MDB診察費藥事服務費設定");
  Transaction transaction(opd());
  for (const ConsultationFee& fee : ReadConsultationFees(catalogue_->mx_reference)) {
    if (mx().Locate({"INSUcode"}, {fee.code})) {
      mx().Edit();
    } else {
      mx().Append();
    }
    WriteConsultationFee(mx(), fee, settings_);
  }
  transaction.Commit();
}

void CatalogueBuilder::ConvertDiagnoses() {
  Line("轉換診斷OPD.mdb資料庫中");
  Database icd10cm = Database::OpenReadOnly(files_.program_folder / "ICD10CM.MDB");
  RecordSet reference = icd10cm.Query("select * from DX");
  RecordSet dx = opd().OpenTable("DX");
  std::unordered_set<std::string> converted;   // upper-cased ICD10
  std::unordered_set<std::string> used_names;  // upper-cased Sname
  Transaction transaction(opd());
  PassOverSourceTable(files_.source_folder, "Z/SICK.DBF", files_.work_tree, context_, 1000,
                      [&](const SourceTable& source) {
                        std::string code = source.StorableText("ICD10", context_);
                        if (code.empty() || converted.contains(Upper(code))) return;
                        std::string english_name = source.StorableText("ENG_NAME", context_);
                        std::string clinic_code = source.StorableText("CODE", context_);
                        if (!reference.Locate({"ICD10"}, {code})) {
                          // The visit steps find such a diagnosis through these notes.
                          std::string fix_name = WithoutApostrophes(english_name);
                          if (!fix_name.empty()) settings_.NoteDiagnosisNameFix(fix_name, code);
                          if (!clinic_code.empty())
                            settings_.NoteDiagnosisCodeFix(clinic_code, code);
                          return;
                        }
                        std::string name = english_name;
                        bool substituted = false;
                        if (name.empty())
                          name = big5::Trim(reference.TextBig5Substituted("Sname", &substituted));
                        if (name.empty())
                          name = big5::Trim(reference.TextBig5Substituted("Cname", &substituted));
                        name = WithoutApostrophes(name);
                        if (used_names.contains(Upper(name))) {
                          name = WithoutApostrophes(clinic_code + name);
                          if (used_names.contains(Upper(name))) return;
                        }
                        converted.insert(Upper(code));
                        used_names.insert(Upper(name));
                        AppendDiagnosisRow(
                            dx, reference,
                            {.icd10 = code,
                             .ref_text = clinic_code,
                             .related = source.StorableText("S_CODE", context_),
                             .short_name = name,
                             .common = true,
                             .keywords = SplitKeywords(reference.TextUtf8("keyword"))});
                      });
  transaction.Commit();
}

}  // namespace

void BuildRealSunCatalogue(const RealSunCatalogueFiles& files, StepContext& context) {
  CatalogueBuilder(files, context).Run();
}

}  // namespace zuvo
