#include "postprocess/vision_pe_order_lines.h"

#include <functional>
#include <optional>

#include "catalogue/mx_status.h"
#include "core/code_tables.h"
#include "core/pe_markup.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr size_t kOrderCodeBytes = 12;
constexpr int16_t kFullPayment = 10000;
constexpr float kAsOrderedRate = 1000;
constexpr int16_t kKindOPD = 16;
constexpr int16_t kKindSpecial = 32;
constexpr int16_t kFlags2PEOrder = 8;
constexpr std::string_view kVaccineLotUtf8 = "疫苗批號[";

std::string U(std::string_view utf8) { return big5::Literal(utf8); }

// The item's order code: INSUcode up to its first comma, trimmed, cut to 12 bytes.
std::string ItemOrderCode(const std::string& definition) {
  std::string code = ParsePEFieldSet({}, definition).set.INSUcode;
  code = big5::Trim(code.substr(0, code.find(',')));
  return big5::CutBytes(code, kOrderCodeBytes);
}

bool IsVirtualCode(std::string_view code) {
  return code.size() >= 2 && code.front() == 'V' && code.back() == 'V';
}

std::optional<RecordSet> FindCatalogueRow(Database& catalogue, std::string_view code) {
  RecordSet rows = catalogue.Query("select * from MX where INSUcode=?", {std::string(code)});
  if (rows.RecordCount() == 0) return std::nullopt;
  return rows;
}

std::string VaccinationNote(const std::string& document) {
  const std::string& lot = U(kVaccineLotUtf8);
  const size_t start = document.find(lot);
  if (start == std::string::npos) return {};
  const size_t close = document.find(']', start + lot.size());
  const std::string lot_text =
      close == std::string::npos ? lot + "]" : document.substr(start, close + 1 - start);
  return big5::CutBytes(U("第一次接種,") + lot_text, order_field::kPreparationNote.capacity);
}

bool IsFreeCode(std::string_view code) {
  return IsZeroPriceConsultCode(code) || (IsFreeFeeCode(code) && big5::UpperAscii(code) != "R008");
}

void ClearDoseAndUsage(OrderRecord& record) {
  using namespace order_field;
  record.Set(kReserved53, int16_t{0});
  record.Set(kDoseTimes100, int16_t{0});
  record.Set(kPaymentPercent, int16_t{0});
  record.Set(kDays, int16_t{0});
  record.Set(kTotalQuantity, 0.0f);
  for (const TextField& text :
       {kReservedText55, kDoseUnit, kSite, kFrequencyText, kRoute, kQuantityUnit}) {
    record.Set(text, "");
  }
  record.Set(kOrderCategory, 'G');
}

OrderRecord BuildOrderRecord(const std::string& code, const std::string& name,
                             const RecordSet* row) {
  using namespace order_field;
  OrderRecord record;
  record.Set(kInsuranceCode, code);
  record.Set(kPaymentPercent, kFullPayment);
  record.Set(kFlags2, kFlags2PEOrder);
  record.Set(kOrderCategory, ' ');
  record.Set(kUnitPrice, 0.0f);
  if (row == nullptr) {
    record.Set(kName, name);
    record.Set(kFrequencyRate, kAsOrderedRate);
    record.Set(kFrequencyText, "ASORDER");
    record.Set(kQuantityUnit, U("次(個)"));
    record.Set(kFlags1, kKindOPD);
  } else {
    const std::string use_method = big5::Trim(row->Text("UseMethod"));
    record.Set(kShortCode, row->Text("Scode"));
    record.Set(kOwnCode, row->Text("Ocode"));
    record.Set(kName, row->Text("Sname"));
    record.Set(kDoseUnit, DoseUnitName(static_cast<int>(row->Integer("perunit"))));
    record.Set(kFrequencyRate,
               use_method.empty() ? kAsOrderedRate : static_cast<float>(row->Integer("RateIndex")));
    record.Set(kFrequencyText, use_method.empty() ? std::string("ASORDER") : use_method);
    record.Set(kQuantityUnit, PackageUnitName(static_cast<int>(row->Integer("unit"))));
    record.Set(kCost, static_cast<float>(row->Number("cost")));
    record.Set(kFlags1,
               big5::UpperAscii(big5::Trim(row->Text("class"))) == "OPD" ? kKindOPD : kKindSpecial);
    record.Set(kPreparationNote, VaccinationNote(row->Text("document")));
  }
  if (IsFreeCode(code)) ClearDoseAndUsage(record);
  return record;
}

// A replaced catalogue item: its replacement when one is named and found (an information box),
// else the item itself (an error box).
const RecordSet* FollowReplacement(
    RecordSet& found, std::optional<RecordSet>& replacement, Database& catalogue,
    const std::function<void(const std::string&, MessageKind)>& show) {
  if ((found.Integer("status") & mx_status::kReplaced) == 0) return &found;
  const std::string old_name = big5::Trim(found.Text("Sname"));
  const std::string new_name = big5::Trim(found.Text("ChangetoMXname"));
  if (!new_name.empty()) {
    RecordSet rows = catalogue.Query("select * from MX where Sname=?", {new_name});
    if (rows.RecordCount() > 0) {
      show(big5::ToUtf8(old_name) + " 本項目自動替代為 " + big5::ToUtf8(new_name),
           MessageKind::kInformation);
      replacement = std::move(rows);
      return &*replacement;
    }
  }
  show(big5::ToUtf8(old_name) + " 本藥品或處置停止使用", MessageKind::kError);
  return &found;
}

}  // namespace

bool AddPECatalogueItem(std::string_view code, PEOrderLineSources& sources) {
  const std::string name = sources.definitions.ItemOfOrder(code);
  if (name.empty()) return false;
  const std::string code_text(code);
  RecordSet mx = sources.catalogue.Query("select * from MX where INSUcode=?", {code_text});
  const bool is_virtual = IsVirtualCode(code);
  if (is_virtual && mx.RecordCount() > 0) return true;
  std::optional<RecordSet> reference;
  if (!is_virtual) {
    Database reference_file = Database::OpenReadOnly(sources.reference_file);
    reference = reference_file.Query("select * from OPD where INSUCODE=?", {code_text});
    if (reference->RecordCount() == 0) return false;
  }
  mx.Append();
  for (const char* field : {"Sname", "Aname", "Tname"}) mx.SetText(field, name);
  mx.SetText("INSUcode", code_text);
  mx.SetCurrency("cost", 0);
  mx.SetInteger("common", 0);
  mx.SetInteger("perunit", 0);
  mx.SetInteger("unit", 8);
  mx.SetBoolean("IsComPlex", false);
  mx.SetInteger("RateIndex", 0);
  for (const char* field : {"Ocode", "Scode", "indication", "warning", "document", "OralTablet",
                            "UseMethod", "ChangetoMXname", "ChangetoMXcode", "INSUMARK"}) {
    mx.SetText(field, "");
  }
  if (is_virtual) {
    mx.SetText("class", "OPD");
    mx.SetText("Cname", name);
    mx.SetCurrency("selfprice", 0);
    mx.SetCurrency("INSUprice", 0);
    mx.SetInteger("status", mx_status::kNoCharge);
    mx.SetText("content", "");
    mx.SetText("StartDate", RocDate(sources.today));
    mx.SetText("EndDate", "9991231");
  } else {
    const std::string upper = big5::UpperAscii(code);
    mx.SetText("class", upper >= "62001C" && upper < "89999Z"   ? "operate"
                        : upper >= "60001C" && upper < "61999Z" ? "special"
                                                                : "OPD");
    mx.SetText("Cname", big5::Trim(reference->Text("CNAME")));
    const int64_t price = reference->Currency("price");
    mx.SetCurrency("selfprice", price);
    mx.SetCurrency("INSUprice", price);
    mx.SetInteger("status", 0);
    mx.SetText("content", big5::Trim(reference->Text("MEMONOTE")));
    mx.SetText("StartDate", big5::Trim(reference->Text("StartDate")));
    mx.SetText("EndDate", big5::Trim(reference->Text("EndDate")));
  }
  mx.Post();
  sources.made.clear();  // what was looked up before may find the new row
  return true;
}

namespace {

// The order line of one name, each message given to `show` as it comes.
std::optional<OrderRecord> MakePEOrderLine(
    const std::string& name, PEOrderLineSources& sources,
    const std::function<void(const std::string&, MessageKind)>& show) {
  const std::string* definition = sources.definitions.Definition(name);
  if (definition == nullptr) {
    show("找不到理學設定:" + big5::ToUtf8(name), MessageKind::kInformation);
    return std::nullopt;
  }
  std::string code = ItemOrderCode(*definition);
  if (code.empty()) {
    show("理學: " + big5::ToUtf8(name) + " 沒有設定健保碼或虛擬碼,用虛擬碼nocode儲存",
         MessageKind::kInformation);
    code = std::string(kNoCodeOrderCode);
  }
  std::optional<RecordSet> found = FindCatalogueRow(sources.catalogue, code);
  if (!found && code != kNoCodeOrderCode) {
    if (AddPECatalogueItem(code, sources)) found = FindCatalogueRow(sources.catalogue, code);
    if (!found) {
      show("理學: " + big5::ToUtf8(name) + "的健保碼或虛擬代碼不在處方集(OPD.mdb)內,仍會寫入",
           MessageKind::kInformation);
    }
  }
  std::optional<RecordSet> replacement;
  const RecordSet* row =
      found ? FollowReplacement(*found, replacement, sources.catalogue, show) : nullptr;
  return BuildOrderRecord(code, name, row);
}

}  // namespace

std::vector<OrderRecord> MakePEOrderLines(std::string_view names, PEOrderLineSources& sources,
                                          StepContext& context) {
  std::vector<OrderRecord> lines;
  if (names.empty()) return lines;
  std::string_view rest = names;
  while (true) {
    const size_t cut = rest.find('_');
    const std::string name(rest.substr(0, cut));
    auto made = sources.made.find(name);
    if (made != sources.made.end()) {
      for (const auto& [text, kind] : made->second.messages) context.ShowMessage(text, kind);
    } else {
      MadePEOrderLine line;
      line.line = MakePEOrderLine(name, sources, [&](const std::string& text, MessageKind kind) {
        line.messages.emplace_back(text, kind);
        context.ShowMessage(text, kind);
      });
      made = sources.made.emplace(name, std::move(line)).first;
    }
    if (made->second.line) lines.push_back(*made->second.line);
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  return lines;
}

}  // namespace zuvo
