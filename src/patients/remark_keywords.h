#pragma once

// The word lists that sort a Vision patient's free-text remarks. They are abbreviations, typing
// variants and Chinese fragments collected from real clinics; a phrase is matched by plain byte
// substring and the order of each list decides, so a list's order is part of its meaning (row 6
// of the dictionary catches "llerg" before any allergy row is looked at).
//
// The lists are written once, in UTF-8, in remark_keywords.cc and converted to Big5 on first use;
// every accessor returns the same Big5 tables for the life of the process.

#include <string>
#include <vector>

namespace zuvo {

// What a keyword of the identity remarks (`MMEDI`, `MISNO`) does to the patient.
enum class IdentityAction {
  kSetPaymentClass,  // the payment class becomes the keyword's class character
  kAccept,           // a known remark that changes nothing
  kRepeatInNotes,    // the remark is appended to the note list once more
};

struct IdentityKeyword {
  std::string keyword;  // Big5
  IdentityAction action = IdentityAction::kAccept;
  char payment_class = 0;  // set for kSetPaymentClass only
};

enum class RemarkList { kHistory, kAllergy };

struct DictionaryRow {
  std::vector<std::string> keywords;  // Big5; any of them selects the row
  RemarkList list = RemarkList::kHistory;
  // Big5 text appended to the list, starting with ","; empty means "," + the segment itself.
  std::string appended;
};

// `MMEDI` and `MISNO` keywords, first match decides.
const std::vector<IdentityKeyword>& MmediKeywords();
const std::vector<IdentityKeyword>& MisnoKeywords();

// The dictionary of remark segments: 41 rows, 374 keywords, first matching row decides.
const std::vector<DictionaryRow>& RemarkDictionary();

// Drug and symptom words that put a segment no dictionary row matched on the allergy list.
const std::vector<std::string>& FinalAllergyWords();

// Programme words that keep an otherwise unknown segment in the note list as "<segment>", tested
// in this order.
const std::vector<std::string>& NoteTagWords();

}  // namespace zuvo
