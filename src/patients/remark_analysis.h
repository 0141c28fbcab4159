#pragma once

// Sorting a Vision patient's free-text remarks into a payment class and the three parts of the
// patient note: general notes, allergies and history.
//
// The four remark fields of CO01M.DBF (`MMEDI`, `MISNO`, `MWEIGHT`, `MREMARK`) are analysed by
// plain byte substring tests against ordered word lists (remark_keywords.h), the clinic's own
// "reMark" phrase list and the orders catalogue. Everything that comes from or goes to a data
// file is Big5 bytes; only the message lines are UTF-8.
//
// One RemarkAnalysisRun serves a whole patient conversion: it holds the per-run inputs, the
// compiled word lists and the set of unknown phrases already reported, so that each of them is
// reported once per run. Analysing a patient costs time linear in the length of its remarks.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "patients/catalogue_index.h"
#include "patients/remark_keyword_matcher.h"
#include "patients/remark_keywords.h"
#include "platform/profile_file.h"

namespace zuvo {

enum class RemarkMode {
  kFullPhraseAnalysis,  // "全片語分析": identity keywords set the payment class, unknowns are
                        // listed
  kNotesOnly,           // "Note全註記": keep what is not recognised as notes, report nothing
};

// The mode chosen by an item text (UTF-8) of the remark-mode option group: "全片語分析" is the full
// analysis, any other item keeps remarks as notes.
RemarkMode RemarkModeFromItemText(std::string_view utf8_item_text);

// The remark fields of one patient row, as read (Big5, untrimmed).
struct RemarkFields {
  std::string MMEDI;
  std::string MISNO;
  std::string MREMARK;
  int64_t MWEIGHT = 0;  // currency, in ten-thousandths
};

// The three note accumulators: notes joined by "~~", allergies and history joined by ",". Each
// part starts with its separator.
struct RemarkLists {
  std::string notes;
  std::string allergies;
  std::string history;
};

struct RemarkAnalysis {
  char payment_class = '3';
  RemarkLists lists;
  std::vector<std::string> messages;  // UTF-8 lines for the message list, in order
};

class RemarkAnalysisRun {
 public:
  // `remark_lines` is the clinic's "reMark" section (phrase fragment = category code) and
  // `dupmx_lines` its "DUPMX" section (source order name = NHI code), both in file order. A
  // "reMark" line with an empty key is ignored: it would be contained in every phrase.
  RemarkAnalysisRun(RemarkMode mode, std::vector<ProfileEntry> remark_lines,
                    const std::vector<ProfileEntry>& dupmx_lines, CatalogueIndex catalogue);

  // Classifies a phrase and returns its category code: "A" allergy, "S" history, "N" note only,
  // "B" note only in the full analysis, anything else unclassified. May rewrite `phrase`: a
  // phrase longer than 42 bytes is cut (never inside a double-byte character), and a phrase
  // recognised as a catalogue drug becomes the drug's short name. The returned view stays valid
  // as long as the run.
  std::string_view ClassifyPhrase(std::string& phrase) const;

  // Analyses the remarks of one patient whose payment class so far is `payment_class`.
  RemarkAnalysis AnalyseRemarks(const RemarkFields& fields, char payment_class);

 private:
  struct IdentityField {
    std::string_view name;  // as written in message lines
    const std::vector<IdentityKeyword>* keywords;
    KeywordMatcher matcher;
    bool disability_goes_to_history;  // the "障" pre-test
  };

  bool TakeClassifiedPhrase(std::string& phrase, RemarkLists& lists) const;
  void AnalyseIdentityField(std::string_view raw, const IdentityField& field,
                            RemarkAnalysis& result) const;
  void AnalyseFreeRemark(std::string_view raw, RemarkAnalysis& result);
  void AnalyseSegment(std::string segment, RemarkAnalysis& result);

  RemarkMode mode_;
  std::vector<ProfileEntry> remark_lines_;
  KeywordMatcher remark_line_matcher_;
  std::unordered_map<std::string, std::string, FoldedTextHash, FoldedTextEqual> dupmx_;
  CatalogueIndex catalogue_;

  IdentityField mmedi_;
  IdentityField misno_;
  KeywordMatcher dictionary_matcher_;
  KeywordMatcher final_allergy_matcher_;
  KeywordMatcher note_tag_matcher_;

  std::unordered_set<std::string> reported_phrases_;
};

// The note elements "<NB>…</NB>", "<HA>…</HA>" and "<HS>…</HS>" (Big5), in this order, each only
// when its list has content; the leading separators of the lists are dropped.
std::string BuildNoteElements(const RemarkLists& lists);

}  // namespace zuvo
