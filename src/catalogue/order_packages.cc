#include "catalogue/order_packages.h"

#include <cmath>
#include <optional>

#include "catalogue/big5_words.h"
#include "catalogue/mx_status.h"
#include "catalogue/trade_name.h"
#include "catalogue/western_date.h"
#include "core/code_tables.h"
#include "core/number_text.h"
#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "workspace/clinic_settings.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUnknownName = "不明";
constexpr std::string_view kPackageClass = "套件";
constexpr std::string_view kVaccineClass = "vaccine";
constexpr std::string_view kOrderSetMark = "預防保健處置組合";

const std::string& L(std::string_view utf8) { return big5::Literal(utf8); }

int64_t Money(std::string_view text) { return std::llround(NumberOr(big5::Trim(text), 0) * 10000); }

// An order's values that the installer writes on update and on append alike.
struct PackageOrder {
  std::string code;
  std::string sname, cname, aname, tname;
  int64_t price = 0;
  int status = 0;
  std::string class2;
  std::string start_date, end_date;
  std::optional<int> common;  // written on update too when set
};

class Installer {
 public:
  Installer(const OrderPackageFiles& files, StepContext& context)
      : files_(files),
        context_(context),
        setup_(files.program_folder / "MXsetup.ini"),
        settings_(files.clinic_folder),
        mx_reference_(Database::OpenReadOnly(files.program_folder / "MX.MDB")),
        icd10cm_(Database::OpenReadOnly(files.program_folder / "ICD10CM.MDB")),
        opd_(Database::Open(WorkTreeCatalogue(files.work_tree))),
        mx_(opd_.OpenTable("MX")),
        dx_(opd_.OpenTable("DX")) {}

  void Run();

 private:
  std::string RocOf(std::string_view western) {
    DateTime date = ParseWesternDate(big5::Trim(western), [&](const std::string& text) {
      context_.ShowMessage(text, MessageKind::kWarning);
    });
    return date == 0 ? std::string() : RocDate(date);
  }
  // The reference OPD row of `code`; shows the error box and gives nothing when it is missing.
  std::optional<RecordSet> ReferenceOpd(const std::string& code) {
    RecordSet row = mx_reference_.Query("select * from OPD where INSUcode=?", {code});
    row.First();
    if (row.Eof()) {
      context_.ShowMessage(
          "MX.MDB 資料庫裡找不到健保處置碼:" + big5::ToUtf8Escaped(code) + ",請手動輸入",
          MessageKind::kError);
      return std::nullopt;
    }
    return row;
  }
  // Moves to the code's MX row (editing it, after the rename note) or appends a standard new
  // row; true when it appended.
  bool EditOrAppend(const std::string& code, const std::string& new_sname, bool rename_note) {
    if (mx_.Locate({"INSUcode"}, {code})) {
      std::string old = big5::Trim(mx_.Text("Sname"));
      if (rename_note && old != new_sname) {
        // A row without a short name (an order added for a missing code) has nothing to note.
        if (old.empty()) {
          context_.AddLine("醫令沒有簡名,不記入[DUPMX]:" + big5::ToUtf8Escaped(code));
        } else {
          settings_.NoteOrderCodeRename(old, code);
        }
      }
      mx_.Edit();
      return false;
    }
    mx_.Append();
    mx_.SetInteger("perunit", 0);
    mx_.SetInteger("unit", 8);
    for (std::string_view field : {"Ocode", "Scode", "indication", "warning", "document", "content",
                                   "OralTablet", "UseMethod", "ChangetoMXname", "ChangetoMXcode"}) {
      mx_.SetText(field, "");
    }
    mx_.SetBoolean("IsComPlex", false);
    mx_.SetInteger("RateIndex", 0);
    mx_.SetText("INSUcode", code);
    return true;
  }
  void WriteOrder(const PackageOrder& order, int common_on_append) {
    bool appended = EditOrAppend(order.code, order.sname, true);
    mx_.SetText("Sname", order.sname);
    mx_.SetText("Cname", order.cname);
    mx_.SetText("Aname", order.aname);
    ReplaceTradeName(mx_, order.tname, settings_);
    if (order.common) {
      mx_.SetInteger("common", *order.common);
    } else if (appended) {
      mx_.SetInteger("common", common_on_append);
    }
    for (std::string_view field : {"cost", "selfprice", "INSUprice"}) {
      mx_.SetCurrency(field, order.price);
    }
    mx_.SetInteger("status", order.status);
    mx_.SetText("class", "OPD");
    mx_.SetText("class2", order.class2);
    mx_.SetText("StartDate", order.start_date);
    mx_.SetText("EndDate", order.end_date);
    mx_.Post();
  }
  // The orders of a section, priced from the reference OPD table.
  void InstallOrders(std::string_view section_utf8, const std::string& class2, bool quit_smoking);
  void WriteDiagnosis(const std::string& code, const std::string& sname, const std::string& ename,
                      const std::string& cname);
  void InstallPackage(std::string_view package_utf8);
  void FixedOrder(std::string_view code, std::string_view name_utf8, std::string_view class2,
                  int64_t price, int status);
  void ReferenceFixedOrder();
  void Vaccines(bool first_pass);
  void ImmunisationDiagnosis() {
    WriteDiagnosis("Z23", L("疫苗接種"), "Encounter for immunization", L("來院接受疫苗接種"));
  }
  void QuitSmokeDrugs();
  void OrderSets();
  void OrderSet(const std::string& section);

  const OrderPackageFiles& files_;
  StepContext& context_;
  ProfileFile setup_;
  ClinicSettings settings_;
  Database mx_reference_;
  Database icd10cm_;
  Database opd_;
  RecordSet mx_;
  RecordSet dx_;
};

void Installer::InstallOrders(std::string_view section_utf8, const std::string& class2,
                              bool quit_smoking) {
  const std::string& section = L(section_utf8);
  for (const std::string& key : setup_.KeyNames(section)) {
    std::string code = big5::Trim(key);
    std::optional<RecordSet> reference = ReferenceOpd(code);
    if (!reference) continue;
    PackageOrder order;
    order.code = code;
    order.sname = setup_.ReadString(section, key, L(kUnknownName));
    if (order.sname.empty()) order.sname = L(kUnknownName);
    order.cname = reference->Text("CNAME");
    order.aname = order.tname = reference->Text("ENAME");
    order.price = Money(reference->Text("PRICE"));
    order.class2 = class2;
    order.start_date = RocOf(reference->Text("STARTDATE"));
    order.end_date = RocOf(reference->Text("ENDDATE"));
    order.common = quit_smoking ? (IsUncommonOrderCode(code) ? 0 : -1) : 0;
    WriteOrder(order, 0);
  }
}

void Installer::WriteDiagnosis(const std::string& code, const std::string& sname,
                               const std::string& ename, const std::string& cname) {
  if (dx_.Locate({"ICD10"}, {code})) {
    dx_.Edit();
  } else {
    dx_.Append();
    dx_.SetText("ICD10", code);
    dx_.SetText("refText", "");
    dx_.SetText("department", "");
    for (std::string_view sort : {"SORTNUM", "SORTPOWER", "SORTSCORE"}) dx_.SetInteger(sort, 0);
  }
  dx_.SetBoolean("bList", true);
  dx_.SetBoolean("common", true);
  dx_.SetInteger("status", 0);
  dx_.SetText("Scode", "");
  dx_.SetText("Sname", sname);
  dx_.SetText("Ename", ename);
  dx_.SetText("Cname", cname);
  for (std::string_view key : {"keyword1", "keyword2", "keyword3", "keyword4"}) {
    dx_.SetText(key, "");
  }
  dx_.Post();
}

void Installer::InstallPackage(std::string_view package_utf8) {
  std::string package(package_utf8);
  InstallOrders(package + "套件處置", L(package), false);
  const std::string& section = L(package + "套件診斷");
  for (const std::string& key : setup_.KeyNames(section)) {
    std::string code = big5::Trim(key);
    std::string sname = setup_.ReadString(section, key);
    if (sname.empty()) sname = L(kUnknownName);
    RecordSet reference = icd10cm_.Query("select * from DX where ICD10=?", {code});
    reference.First();
    bool found = !reference.Eof();
    bool substituted = false;
    WriteDiagnosis(code, sname,
                   found ? big5::Trim(reference.TextBig5Substituted("ename", &substituted)) : "",
                   found ? big5::Trim(reference.TextBig5Substituted("Cname", &substituted)) : "");
  }
}

void Installer::FixedOrder(std::string_view code, std::string_view name_utf8,
                           std::string_view class2, int64_t price, int status) {
  PackageOrder order;
  order.code = code;
  order.sname = order.cname = order.aname = order.tname = L(name_utf8);
  order.price = price;
  order.status = status;
  order.class2 = class2.empty() ? std::string() : L(class2);
  order.start_date = "1070101";
  order.end_date = "9990101";
  WriteOrder(order, -1);
}

void Installer::ReferenceFixedOrder() {
  std::optional<RecordSet> reference = ReferenceOpd("A2001C");
  if (!reference) return;
  PackageOrder order;
  order.code = "A2001C";
  order.sname = order.cname = order.aname = order.tname = L("流感疫苗接種處置費");
  order.price = Money(reference->Text("PRICE"));
  order.class2 = L(kPackageClass);
  order.start_date = RocOf(reference->Text("STARTDATE"));
  order.end_date = RocOf(reference->Text("ENDDATE"));
  WriteOrder(order, -1);
}

void Installer::Vaccines(bool first_pass) {
  RecordSet vaccines = mx_reference_.OpenTable("Vaccine");
  for (vaccines.First(); !vaccines.Eof(); vaccines.Next()) {
    std::string memo = vaccines.Text("MEMONOTE");
    bool flu_or_pneumococcal =
        ContainsWord(memo, "流感疫苗") || ContainsWord(memo, "肺炎鏈球菌疫苗");
    if (flu_or_pneumococcal != first_pass) continue;
    std::string code = big5::Trim(vaccines.Text("INSUCODE"));
    std::string sname = vaccines.Text("Sname");
    EditOrAppend(code, big5::Trim(sname), true);
    mx_.SetText("class", "inj");
    mx_.SetText("Sname", sname);
    mx_.SetText("Cname", sname);
    mx_.SetText("Aname", vaccines.Text("ENAME"));
    ReplaceTradeName(mx_, vaccines.Text("ENAME"), settings_);
    mx_.SetCurrency("cost", 0);
    mx_.SetCurrency("selfprice", Money(vaccines.Text("selfprice")));
    mx_.SetCurrency("INSUprice", 0);
    mx_.SetText("INSUcode", code);
    mx_.SetInteger("common", -1);
    mx_.SetInteger("perunit", 4);
    mx_.SetInteger("unit", 6);
    for (std::string_view field : {"Ocode", "Scode", "warning", "OralTablet", "UseMethod",
                                   "ChangetoMXname", "ChangetoMXcode"}) {
      mx_.SetText(field, "");
    }
    mx_.SetInteger("status", 0);
    mx_.SetBoolean("IsComPlex", false);
    mx_.SetInteger("RateIndex", 0);
    mx_.SetText("class2", std::string(kVaccineClass));
    mx_.SetText("StartDate", RocOf(vaccines.Text("STARTDATE")));
    if (first_pass) {
      mx_.SetText("indication", "");
      mx_.SetText("document", memo);
      mx_.SetText("content", "");
      mx_.SetText("EndDate", "");
    } else {
      mx_.SetText("indication", memo);
      mx_.SetText("document", L("疫苗批號[]") + vaccines.Text("DXSALES"));
      mx_.SetText("content", vaccines.Text("SPECIFICATION") + vaccines.Text("SPEUNIT"));
      mx_.SetText("EndDate", "9990101");
    }
    mx_.Post();
  }
}

void Installer::QuitSmokeDrugs() {
  ProfileFile corvix_ini(files_.work_tree / kFrontEndFolderName / "CORVIX.INI");
  ProfileFile::Batch batch(corvix_ini);
  RecordSet drugs = mx_reference_.OpenTable("QuitSmoke");
  for (drugs.First(); !drugs.Eof(); drugs.Next()) {
    std::string code = big5::Trim(drugs.Text("INSUCODE"));
    std::string cname = drugs.Text("CNAME");
    std::string content = drugs.Text("content");
    bool patch = ContainsWord(cname, "貼片");
    EditOrAppend(code, {}, false);
    mx_.SetText("class", patch ? "topical" : "oral");
    const std::string english_name = drugs.Text("ENAME");
    mx_.SetText("Sname", english_name);
    mx_.SetText("Aname", english_name);
    ReplaceTradeName(mx_, english_name, settings_);
    mx_.SetText("Cname", cname);
    mx_.SetCurrency("cost", 0);
    mx_.SetCurrency("selfprice", 0);
    mx_.SetCurrency("INSUprice", Money(drugs.Text("PRICE")));
    mx_.SetText("INSUcode", code);
    mx_.SetInteger("common", -1);
    mx_.SetInteger("perunit", 2);
    mx_.SetInteger("unit", patch ? 8 : 1);
    for (std::string_view field :
         {"Ocode", "Scode", "indication", "warning", "document", "OralTablet", "UseMethod",
          "ChangetoMXname", "ChangetoMXcode", "EndDate"}) {
      mx_.SetText(field, "");
    }
    mx_.SetInteger("status", big5::LowerAscii(content).find("nicotine") != std::string::npos
                                 ? mx_status::kNicotineProduct
                                 : 0);
    mx_.SetText("content", content);
    mx_.SetBoolean("IsComPlex", false);
    mx_.SetText("class2", L("戒菸"));
    mx_.SetText("StartDate", "1030301");
    mx_.SetInteger("RateIndex", 0);
    mx_.Post();
    corvix_ini.WriteString(L("更新檢測除外醫令"), code, "Y");
  }
}

void Installer::OrderSets() {
  for (const std::string& section : setup_.SectionNames()) {
    if (ContainsWord(section, kOrderSetMark)) OrderSet(section);
  }
}

void Installer::OrderSet(const std::string& section) {
  std::string set_name = setup_.ReadString(section, "name");
  if (set_name.empty()) return;
  Database personal = Database::Open(files_.work_tree / kFrontEndFolderName / "PERSONAL.mdb");
  Transaction transaction(personal);
  RecordSet sets = personal.Query("select * from MXset where setName =?", {set_name});
  sets.First();
  int64_t class_id = 0;
  if (!sets.Eof()) {
    if (big5::Trim(sets.Text("owner")) == "public") {
      context_.ShowMessage("這個組合屬於公用組合,不可修改", MessageKind::kWarning);
      return;
    }
    class_id = sets.Integer("classID");
    sets.Edit();
    sets.SetText("owner", "NA");
    sets.SetText("classMode", "NA");
    sets.Post();
    personal.Execute("delete from MXquick where classID =?", {class_id});
  } else {
    sets.Append();
    sets.SetText("setName", set_name);
    sets.SetText("owner", "NA");
    sets.SetText("classMode", "NA");
    sets.Post();
    class_id = sets.Integer("classID");
  }
  RecordSet items = personal.Query("select * from MXquick where classID =?", {class_id});
  const DateTime now = files_.now;
  for (int n = 1;; ++n) {
    std::string item = "item" + std::to_string(n);
    auto text = [&](std::string_view suffix) {
      return setup_.ReadString(section, item + std::string(suffix));
    };
    auto integer = [&](std::string_view suffix) {
      return setup_.ReadInteger(section, item + std::string(suffix), 0);
    };
    std::string code = big5::Trim(text("code"));
    if (code.empty()) break;
    if (!mx_.Locate({"INSUCODE"}, {code})) continue;
    items.Append();
    items.SetInteger("classID", class_id);
    items.SetText("INSUcode", code);
    items.SetText("Scode", mx_.Text("Scode") + "  ");
    items.SetText("Ocode", mx_.Text("Ocode") + "  ");
    items.SetText("Sname", mx_.Text("Sname"));
    items.SetInteger("defDose", integer("defDse"));
    for (std::string_view suffix : {"defUnit", "Unit", "rate", "route", "totalUnit"}) {
      items.SetText(suffix, text(suffix) + "  ");
    }
    for (std::string_view suffix : {"dose", "days", "addition", "mode", "status"}) {
      items.SetInteger(suffix, integer(suffix));
    }
    items.SetNumber("RateIndex", integer("RateIndex"));
    items.SetCurrency("total", int64_t{integer("total")} * 10000);
    items.SetCurrency("cost", mx_.Currency("cost"));
    items.SetCurrency("price", mx_.Currency("INSUprice"));
    items.SetInteger("pertimeN", 0);
    items.SetText("pertimeU", " ");
    items.SetText("note", " ");
    items.SetNumber("date", now);
    items.SetInteger("dateMode", 0);
    items.Post();
  }
  transaction.Commit();
}

void Installer::Run() {
  {
    ProfileFile corvix_ini(files_.work_tree / kFrontEndFolderName / "CORVIX.INI");
    ProfileFile::Batch batch(corvix_ini);
    corvix_ini.WriteString(L("自訂處置分類2"), "CmxFun7", L(kPackageClass));
    corvix_ini.WriteString(L("自訂處置分類2"), "CmxFun8", kVaccineClass);
  }
  ClinicSettings::Batch notes(settings_);
  Transaction transaction(opd_);
  InstallPackage("居家醫療");
  ReferenceFixedOrder();
  Vaccines(true);
  ImmunisationDiagnosis();
  FixedOrder("A2051C", "小兒疫苗接種處置費", kVaccineClass, 100 * 10000, 0);
  FixedOrder("A2052C", "小兒疫苗接種處置費(低)", kPackageClass, 100 * 10000, 0);
  Vaccines(false);
  ImmunisationDiagnosis();
  InstallOrders("戒菸治療套件處置", L(kPackageClass), true);
  WriteDiagnosis("F17200", L("戒菸治療"), "Nicotine dependence, unspecified,uncomplicated",
                 L("未明示尼古丁依賴，無併發症"));
  QuitSmokeDrugs();
  InstallPackage("預防保健");
  FixedOrder("V0018V", "口腔黏膜確診追蹤", "", 0, mx_status::kNoCharge);
  OrderSets();
  InstallPackage("愛滋病");
  InstallPackage("氣喘醫療");
  transaction.Commit();
}

}  // namespace

void InstallOrderPackages(const OrderPackageFiles& files, StepContext& context) {
  Installer(files, context).Run();
}

}  // namespace zuvo
