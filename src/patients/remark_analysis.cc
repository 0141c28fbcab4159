#include "patients/remark_analysis.h"

#include <algorithm>
#include <type_traits>

#include "core/source_text.h"
#include "patients/patient_conversion.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

// A phrase is looked at (and stored in the allergy or history list) with at most this many bytes.
constexpr size_t kPhraseBytes = 42;

constexpr std::string_view kAllergyCode = "A";
constexpr std::string_view kHistoryCode = "S";
constexpr std::string_view kNoteCode = "N";
constexpr std::string_view kNoteInFullAnalysisCode = "B";
constexpr std::string_view kUnclassified = "";

constexpr std::string_view kNoteSeparator = "~~";
constexpr char kListSeparator = ',';

bool Contains(std::string_view text, std::string_view fragment) {
  return text.find(fragment) != std::string_view::npos;
}

// Big5 forms of the program's own words, converted once.
const std::string& SilkwormBean() {
  static const std::string& word = big5::Literal("蠶豆");
  return word;
}
const std::string& Disability() {
  static const std::string& word = big5::Literal("障");
  return word;
}
const std::string& HouseholdYear() {
  static const std::string& word = big5::Literal("年家戶");
  return word;
}

bool IsSegmentSeparator(char byte) {
  return byte == ',' || byte == '[' || byte == '\\' || byte == ']' || byte == '~';
}

// A dBase currency value (ten-thousandths) as a decimal number without trailing zeros.
std::string CurrencyText(int64_t ten_thousandths) {
  std::string text = ten_thousandths < 0 ? "-" : "";
  uint64_t magnitude = ten_thousandths < 0 ? 0 - static_cast<uint64_t>(ten_thousandths)
                                           : static_cast<uint64_t>(ten_thousandths);
  text += std::to_string(magnitude / 10000);
  if (uint64_t fraction = magnitude % 10000; fraction != 0) {
    std::string digits = std::to_string(fraction + 10000).substr(1);  // four digits
    digits.erase(digits.find_last_not_of('0') + 1);
    text += '.' + digits;
  }
  return text;
}

// A matcher whose ranks are the positions in `table`; `keywords_of(item)` gives the keywords of
// one item (a single string or a list of them).
template <typename Item, typename KeywordsOf>
KeywordMatcher MatcherOf(const std::vector<Item>& table, KeywordsOf keywords_of) {
  std::vector<KeywordMatcher::Keyword> keywords;
  for (size_t rank = 0; rank < table.size(); ++rank) {
    const auto& of_item = keywords_of(table[rank]);
    if constexpr (std::is_convertible_v<decltype(of_item), std::string_view>) {
      keywords.push_back({of_item, static_cast<uint32_t>(rank)});
    } else {
      for (std::string_view keyword : of_item) {
        keywords.push_back({keyword, static_cast<uint32_t>(rank)});
      }
    }
  }
  return KeywordMatcher(keywords);
}

const std::string& ItSelf(const std::string& word) { return word; }
const std::string& KeywordOf(const IdentityKeyword& keyword) { return keyword.keyword; }
const std::vector<std::string>& KeywordsOf(const DictionaryRow& row) { return row.keywords; }
const std::string& KeyOf(const ProfileEntry& line) { return line.key; }

std::vector<ProfileEntry> WithoutEmptyKeys(std::vector<ProfileEntry> lines) {
  std::erase_if(lines, [](const ProfileEntry& line) { return line.key.empty(); });
  return lines;
}

void AppendToList(std::string& list, char separator, std::string_view part) {
  list += separator;
  list += part;
}

void AppendToNotes(std::string& notes, std::string_view part) {
  notes += kNoteSeparator;
  notes += part;
}

}  // namespace

RemarkMode RemarkModeFromItemText(std::string_view utf8_item_text) {
  return utf8_item_text == "全片語分析" ? RemarkMode::kFullPhraseAnalysis : RemarkMode::kNotesOnly;
}

RemarkAnalysisRun::RemarkAnalysisRun(RemarkMode mode, std::vector<ProfileEntry> remark_lines,
                                     const std::vector<ProfileEntry>& dupmx_lines,
                                     CatalogueIndex catalogue)
    : mode_(mode),
      remark_lines_(WithoutEmptyKeys(std::move(remark_lines))),
      remark_line_matcher_(MatcherOf(remark_lines_, KeyOf)),
      catalogue_(std::move(catalogue)),
      mmedi_{"MMEDI", &MmediKeywords(), MatcherOf(MmediKeywords(), KeywordOf), true},
      misno_{"MISNO", &MisnoKeywords(), MatcherOf(MisnoKeywords(), KeywordOf), false},
      dictionary_matcher_(MatcherOf(RemarkDictionary(), KeywordsOf)),
      final_allergy_matcher_(MatcherOf(FinalAllergyWords(), ItSelf)),
      note_tag_matcher_(MatcherOf(NoteTagWords(), ItSelf)) {
  for (const ProfileEntry& line : dupmx_lines) dupmx_.try_emplace(line.key, line.value);
}

std::string_view RemarkAnalysisRun::ClassifyPhrase(std::string& phrase) const {
  if (phrase.size() > kPhraseBytes) phrase = big5::CutBytes(phrase, kPhraseBytes);
  if (Contains(phrase, SilkwormBean())) return kAllergyCode;

  if (std::optional<uint32_t> line = remark_line_matcher_.LowestRankIn(phrase)) {
    std::string_view code = remark_lines_[*line].value;
    if (code == kAllergyCode) {
      if (const std::string* sname = catalogue_.SnameByTname(phrase)) phrase = *sname;
    }
    if (!code.empty()) return code;
  }

  // A drug of the catalogue, possibly written with a "?" of doubt that the stored name keeps.
  size_t question = phrase.find('?');
  std::string name = phrase;
  if (question != std::string::npos) name.erase(question, 1);
  name = big5::Trim(name);
  const std::string* sname = nullptr;
  if (auto duplicate = dupmx_.find(name); duplicate != dupmx_.end()) {
    sname = catalogue_.SnameByInsuCode(duplicate->second);
  }
  if (sname == nullptr) sname = catalogue_.DrugSnameByTname(name);
  if (sname == nullptr) return kUnclassified;
  phrase = *sname;
  if (question != std::string::npos) phrase += " ?";
  return kAllergyCode;
}

// The steps every remark phrase goes through first; true when the classifier settled it.
bool RemarkAnalysisRun::TakeClassifiedPhrase(std::string& phrase, RemarkLists& lists) const {
  std::string_view code = ClassifyPhrase(phrase);
  if (code == kHistoryCode) {
    AppendToList(lists.history, kListSeparator, phrase);
  } else if (code == kAllergyCode) {
    AppendToList(lists.allergies, kListSeparator, phrase);
  } else if (code != kNoteCode &&
             !(code == kNoteInFullAnalysisCode && mode_ == RemarkMode::kFullPhraseAnalysis)) {
    return false;
  }
  return true;
}

void RemarkAnalysisRun::AnalyseIdentityField(std::string_view raw, const IdentityField& field,
                                             RemarkAnalysis& result) const {
  std::string phrase = StripControlChars(raw);
  if (phrase.empty()) return;
  AppendToNotes(result.lists.notes, phrase);
  if (TakeClassifiedPhrase(phrase, result.lists)) return;
  if (field.disability_goes_to_history && Contains(phrase, Disability())) {
    AppendToList(result.lists.history, kListSeparator, phrase);
    return;
  }
  if (mode_ != RemarkMode::kFullPhraseAnalysis) return;

  std::optional<uint32_t> rank = field.matcher.LowestRankIn(phrase);
  if (!rank) {
    result.messages.push_back(std::string(field.name) +
                              " xMark無匹配:" + big5::ToUtf8Escaped(phrase));
    return;
  }
  const IdentityKeyword& keyword = (*field.keywords)[*rank];
  switch (keyword.action) {
    case IdentityAction::kSetPaymentClass:
      result.payment_class = keyword.payment_class;
      break;
    case IdentityAction::kRepeatInNotes:
      AppendToNotes(result.lists.notes, phrase);
      break;
    case IdentityAction::kAccept:
      break;
  }
}

void RemarkAnalysisRun::AnalyseFreeRemark(std::string_view raw, RemarkAnalysis& result) {
  // Line breaks become the note separator, which also closes a segment.
  std::string lines;
  lines.reserve(raw.size());
  for (size_t offset = 0; offset < raw.size(); ++offset) {
    if (raw[offset] == '\r' && offset + 1 < raw.size() && raw[offset + 1] == '\n') {
      lines += kNoteSeparator;
      ++offset;
    } else {
      lines += raw[offset];
    }
  }
  std::string remark = StripControlChars(lines);
  if (remark.empty()) return;
  AppendToNotes(result.lists.notes, remark);

  // Segments end at a single-byte separator. The last byte is never looked at, and text after
  // the last separator is not a segment.
  size_t segment_start = 0;
  for (size_t offset = 0; offset + 1 < remark.size();) {
    if (big5::IsLeadByte(static_cast<unsigned char>(remark[offset]))) {
      offset += 2;
      continue;
    }
    if (IsSegmentSeparator(remark[offset])) {
      std::string segment =
          big5::Trim(std::string_view(remark).substr(segment_start, offset - segment_start));
      if (!segment.empty()) AnalyseSegment(std::move(segment), result);
      segment_start = offset + 1;
    }
    ++offset;
  }
}

void RemarkAnalysisRun::AnalyseSegment(std::string segment, RemarkAnalysis& result) {
  RemarkLists& lists = result.lists;
  if (TakeClassifiedPhrase(segment, lists)) return;

  if (std::optional<uint32_t> row = dictionary_matcher_.LowestRankIn(segment)) {
    const DictionaryRow& entry = RemarkDictionary()[*row];
    std::string& list = entry.list == RemarkList::kAllergy ? lists.allergies : lists.history;
    if (entry.appended.empty()) {
      AppendToList(list, kListSeparator, segment);
    } else {
      list += entry.appended;
    }
    return;
  }
  if (final_allergy_matcher_.LowestRankIn(segment)) {
    AppendToList(lists.allergies, kListSeparator, segment);
    return;
  }
  if (mode_ != RemarkMode::kFullPhraseAnalysis) return;

  if (size_t at = segment.find(HouseholdYear()); at != std::string::npos) {
    lists.notes += kNoteSeparator;
    lists.notes += '<';
    lists.notes.append(segment, 0, at);
    lists.notes += big5::Literal("家群>");
  } else if (note_tag_matcher_.LowestRankIn(segment)) {
    lists.notes += kNoteSeparator;
    lists.notes += '<';
    lists.notes += segment;
    lists.notes += '>';
  } else if (reported_phrases_.insert(segment).second) {
    result.messages.push_back("病人註記不明片語:" + big5::ToUtf8Escaped(segment));
  }
}

RemarkAnalysis RemarkAnalysisRun::AnalyseRemarks(const RemarkFields& fields, char payment_class) {
  RemarkAnalysis result;
  result.payment_class = payment_class;
  AnalyseIdentityField(fields.MMEDI, mmedi_, result);
  AnalyseIdentityField(fields.MISNO, misno_, result);
  if (fields.MWEIGHT != 0) {
    AppendToNotes(result.lists.notes, big5::Literal("體重:") + CurrencyText(fields.MWEIGHT));
  }
  AnalyseFreeRemark(fields.MREMARK, result);
  return result;
}

std::string BuildNoteElements(const RemarkLists& lists) {
  std::string elements;
  auto add = [&](std::string_view tag, const std::string& list, size_t separator_bytes) {
    if (list.empty()) return;
    AppendNoteElement(
        elements, tag,
        big5::Trim(std::string_view(list).substr(std::min(separator_bytes, list.size()))));
  };
  add("NB", lists.notes, kNoteSeparator.size());
  add("HA", lists.allergies, 1);
  add("HS", lists.history, 1);
  return elements;
}

}  // namespace zuvo
