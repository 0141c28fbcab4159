#include "patients/remark_analysis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "platform/big5.h"

namespace zuvo {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

std::string B(std::string_view utf8) { return big5::FromUtf8(utf8); }
std::string U(std::string_view big5_text) { return big5::ToUtf8Escaped(big5_text); }

struct RunInputs {
  RemarkMode mode = RemarkMode::kFullPhraseAnalysis;
  std::vector<std::pair<std::string, std::string>> remark_lines{};  // UTF-8
  std::vector<std::pair<std::string, std::string>> dupmx_lines{};   // UTF-8
  std::vector<IndexedCatalogueRow> catalogue{};                     // UTF-8, converted here
};

RemarkAnalysisRun MakeRun(const RunInputs& inputs = {}) {
  auto to_entries = [](const auto& lines) {
    std::vector<ProfileEntry> entries;
    for (const auto& [key, value] : lines) entries.push_back({B(key), B(value)});
    return entries;
  };
  CatalogueIndex index;
  for (const IndexedCatalogueRow& row : inputs.catalogue) {
    index.Add({B(row.Tname), B(row.Sname), B(row.INSUcode), B(row.order_class)});
  }
  return RemarkAnalysisRun(inputs.mode, to_entries(inputs.remark_lines),
                           to_entries(inputs.dupmx_lines), std::move(index));
}

// A patient's outcome in UTF-8.
struct Outcome {
  char payment_class;
  std::string notes, allergies, history;
  std::vector<std::string> messages;
};

struct Fields {
  std::string MMEDI{}, MISNO{}, MREMARK{};  // UTF-8
  int64_t MWEIGHT = 0;
};

Outcome Analyse(RemarkAnalysisRun& run, const Fields& fields) {
  RemarkAnalysis analysis = run.AnalyseRemarks(
      {B(fields.MMEDI), B(fields.MISNO), B(fields.MREMARK), fields.MWEIGHT}, '3');
  return {analysis.payment_class, U(analysis.lists.notes), U(analysis.lists.allergies),
          U(analysis.lists.history), analysis.messages};
}

Outcome AnalyseRemark(RemarkAnalysisRun& run, const std::string& remark) {
  return Analyse(run, {.MREMARK = remark});
}

// ---- The identity remarks ----

TEST(RemarkAnalysis, IdentityRemarksSetThePaymentClassMisnoLast) {
  RemarkAnalysisRun run = MakeRun();
  Outcome elder = Analyse(run, {.MMEDI = "老人"});
  EXPECT_EQ(elder.payment_class, 'F');
  EXPECT_EQ(elder.notes, "~~老人");
  EXPECT_THAT(elder.messages, IsEmpty());

  Outcome veteran = Analyse(run, {.MMEDI = "老人", .MISNO = "榮民"});
  EXPECT_EQ(veteran.payment_class, '2');
  EXPECT_EQ(veteran.notes, "~~老人~~榮民");
}

TEST(RemarkAnalysis, IdentityTablesFirstKeywordWins) {
  RemarkAnalysisRun run = MakeRun();
  struct Case {
    std::string mmedi, misno;
    char expected;
  };
  const Case cases[] = {
      {"福保", "", '1'},      {"免掛收", "", 'I'}, {"親友", "", 'G'},  {"收50", "", 'I'},
      {"A0=0 福保", "", '1'}, {"A0=0", "", '3'},   {"\\D=0", "", '3'}, {"連ok", "", '3'},
      {"永久(殘)", "", '3'},  {"殘", "", 'E'},     {"福", "", 'I'},    {"油症", "", 'D'},
      {"", "家人", 'A'},      {"", "友", 'G'},     {"", "殘障", 'E'},  {"", "老人 友", 'F'},
      {"", "低收入戶", '1'},  {"", "員眷", 'A'},   {"", "障", 'E'},    {"", "仁愛學校", 'I'},
      {"教友", "油症", 'D'},
  };
  for (const Case& c : cases) {
    Outcome outcome = Analyse(run, {.MMEDI = c.mmedi, .MISNO = c.misno});
    EXPECT_EQ(outcome.payment_class, c.expected) << c.mmedi << "|" << c.misno;
    EXPECT_THAT(outcome.messages, IsEmpty()) << c.mmedi << "|" << c.misno;
  }
}

TEST(RemarkAnalysis, DisabilityInMmediIsHistoryButAnOrdinaryKeywordInMisno) {
  RemarkAnalysisRun run = MakeRun();
  Outcome mmedi = Analyse(run, {.MMEDI = "殘障手冊"});
  EXPECT_EQ(mmedi.payment_class, '3');
  EXPECT_EQ(mmedi.history, ",殘障手冊");
  EXPECT_EQ(mmedi.notes, "~~殘障手冊");

  Outcome misno = Analyse(run, {.MISNO = "殘障手冊"});
  EXPECT_EQ(misno.payment_class, 'E');
  EXPECT_EQ(misno.history, "");
}

TEST(RemarkAnalysis, UnmatchedIdentityRemarksAreListedAndTheParticleRepeatsTheNote) {
  RemarkAnalysisRun run = MakeRun();
  Outcome outcome = Analyse(run, {.MMEDI = " 張三\t", .MISNO = "某某"});
  EXPECT_EQ(outcome.notes, "~~張三~~某某");
  EXPECT_THAT(outcome.messages, ElementsAre("MMEDI xMark無匹配:張三", "MISNO xMark無匹配:某某"));

  // Identity remarks are listed every time, not once per run.
  EXPECT_THAT(Analyse(run, {.MMEDI = "張三"}).messages, ElementsAre("MMEDI xMark無匹配:張三"));

  Outcome particle = Analyse(run, {.MISNO = "王之妻"});
  EXPECT_EQ(particle.notes, "~~王之妻~~王之妻");
  EXPECT_EQ(particle.payment_class, '3');
}

TEST(RemarkAnalysis, ClassifiedIdentityRemarksGoToTheirListsWithoutTable) {
  RemarkAnalysisRun run = MakeRun({.remark_lines = {{"氣喘", "S"}, {"盤尼西林", "A"}}});
  Outcome outcome = Analyse(run, {.MMEDI = "老人 氣喘", .MISNO = "盤尼西林過敏 榮民"});
  EXPECT_EQ(outcome.payment_class, '3');  // the tables were not consulted
  EXPECT_EQ(outcome.history, ",老人 氣喘");
  EXPECT_EQ(outcome.allergies, ",盤尼西林過敏 榮民");
  EXPECT_EQ(outcome.notes, "~~老人 氣喘~~盤尼西林過敏 榮民");
}

TEST(RemarkAnalysis, WeightIsANoteWithoutTrailingZeros) {
  RemarkAnalysisRun run = MakeRun();
  EXPECT_EQ(Analyse(run, {.MWEIGHT = 655000}).notes, "~~體重:65.5");
  EXPECT_EQ(Analyse(run, {.MWEIGHT = 700000}).notes, "~~體重:70");
  EXPECT_EQ(Analyse(run, {.MWEIGHT = 12345}).notes, "~~體重:1.2345");
  EXPECT_EQ(Analyse(run, {.MWEIGHT = -2500}).notes, "~~體重:-0.25");
  EXPECT_EQ(Analyse(run, {.MWEIGHT = 0}).notes, "");
  EXPECT_EQ(Analyse(run, {.MMEDI = "老人", .MISNO = "友", .MREMARK = "x", .MWEIGHT = 200000}).notes,
            "~~老人~~友~~體重:20~~x");
}

// ---- The free remark: segments ----

TEST(RemarkAnalysis, OnlyTextBeforeTheLastSeparatorIsAnalysed) {
  RemarkAnalysisRun run = MakeRun();
  Outcome three = AnalyseRemark(run, "asthma,aspirin,x");
  EXPECT_EQ(three.history, ",asthma");
  EXPECT_EQ(three.allergies, ",aspirin");
  EXPECT_EQ(three.notes, "~~asthma,aspirin,x");
  EXPECT_THAT(three.messages, IsEmpty());  // x is never looked at

  for (std::string remark : {"asthma,aspirin", "asthma,aspirin,"}) {
    Outcome outcome = AnalyseRemark(run, remark);
    EXPECT_EQ(outcome.history, ",asthma") << remark;
    EXPECT_EQ(outcome.allergies, "") << remark;  // the last byte is never examined
  }
  EXPECT_EQ(AnalyseRemark(run, "asthma,,aspirin,\r\n").allergies, ",aspirin");

  EXPECT_EQ(AnalyseRemark(run, "Asthma").history, "");
  EXPECT_EQ(AnalyseRemark(run, "Asthma,").history, "");
  EXPECT_EQ(AnalyseRemark(run, "Asthma,x").history, ",asthma");
}

TEST(RemarkAnalysis, LineBreaksCloseSegments) {
  RemarkAnalysisRun run = MakeRun();
  Outcome ended = AnalyseRemark(run, "asthma\r\naspirin\r\n");
  EXPECT_EQ(ended.history, ",asthma");
  EXPECT_EQ(ended.allergies, ",aspirin");
  EXPECT_EQ(ended.notes, "~~asthma~~aspirin~~");

  Outcome middle = AnalyseRemark(run, "fine\r\nAsthma\r\nlast");
  EXPECT_EQ(middle.history, ",asthma");
  EXPECT_THAT(middle.messages, ElementsAre("病人註記不明片語:fine"));

  // A lone line feed is a control character: it is dropped and closes nothing.
  EXPECT_EQ(AnalyseRemark(run, "gout\nfever\r\n").history, ",goutfever");
}

TEST(RemarkAnalysis, EverySeparatorClosesASegmentButNotInsideADoubleByteCharacter) {
  RemarkAnalysisRun run = MakeRun();
  Outcome outcome = AnalyseRemark(run, "gout[fever]asthma\\DM~x");
  EXPECT_EQ(outcome.history, ",gout,fever,asthma,DM");

  // 許 is B3 5C and 功 A5 5C: their trail bytes are backslashes, which separate nothing.
  Outcome names = AnalyseRemark(run, "許功,x");
  EXPECT_THAT(names.messages, ElementsAre("病人註記不明片語:許功"));
}

TEST(RemarkAnalysis, SegmentsAreTrimmedAndEmptyOnesSkipped) {
  RemarkAnalysisRun run = MakeRun();
  Outcome outcome = AnalyseRemark(run, "  gout  ,  , fever ,x");
  EXPECT_EQ(outcome.history, ",gout,fever");
  EXPECT_THAT(outcome.messages, IsEmpty());
}

// ---- The dictionary ----

struct DictionaryCase {
  int row;
  std::string segment;
  bool allergy;
  std::string entry;
};

TEST(RemarkAnalysis, EachDictionaryRowAppendsItsTextToItsList) {
  const DictionaryCase cases[] = {
      {1, "EB(-)", false, "(-)"},
      {2, "bronchiolitis", false, "bronchiolitis"},
      {3, "asrhma", false, "asthma"},
      {4, "chronic cough", false, "chronic cough"},
      {5, "G6PD", false, "G-6-P-D Deficiency"},
      {6, "gout", false, "gout"},
      {6, "乾燥症", false, "乾燥症"},
      {7, "herpangina", false, "herpangina"},
      {8, "PUD", false, "PUD"},
      {9, "dextracardia", false, "dextrocardia"},
      {10, "goiter", false, "goiter"},
      {11, "pneuminia", false, "pneumonia"},
      {12, "Herpes simplex", false, "Herpes simplex"},
      {13, "intusu", false, "intessusception"},
      {14, "fatty liver", false, "fatty liver"},
      {15, "hyperthyroidsm", false, "hyperthyroidism"},
      {16, "fever", false, "fever"},
      {17, "PNEUMONIA", false, "pneumonia"},
      {18, "hernia", false, "hernia"},
      {19, "BRUFEN", true, "ibuprofen"},
      {20, "Pyrin", true, "pyrine"},
      {21, "voltaren", true, "voltaren"},
      {22, "AMOXIL", true, "amoxicillin"},
      {23, "ERYTHROMYCIN", true, "erythromycin"},
      {24, "naproxen", true, "naproxen"},
      {25, "KEFLEX", true, "keflex"},
      {26, "SCSNOL", true, "acetaminophen"},
      {27, "cataflam", true, "cataflam"},
      {28, "DOSTAN", true, "ponstan"},
      {29, "klaricid", true, "klaricid"},
      {30, "antibiotics", true, "antibiotics"},
      {31, "SULFA", true, "SULFA"},
      {32, "cefaclor", true, "cephalosporin"},
      {33, "primperan", true, "primperan"},
      {33, "胃痛", true, "胃痛"},
      {34, "backtar", true, "baktar"},
      {35, "norvasc", true, "norvasc"},
      {36, "aspinin", true, "aspirin"},
      {37, "askacef", true, "askacef"},
      {37, "吃藥", true, "吃藥"},
      {38, "phyllital", true, "phyllintal"},
      {39, "rivotril", true, "rivotril"},
      {39, "吃了頭暈", true, "吃了頭暈"},
      {40, "piroxicam", true, "piroxicam"},
      {41, "ventolin", true, "ventolin"},
  };
  RemarkAnalysisRun run = MakeRun();
  for (const DictionaryCase& c : cases) {
    Outcome outcome = AnalyseRemark(run, c.segment + "\r\n");
    const std::string& expected_list = c.allergy ? outcome.allergies : outcome.history;
    const std::string& other_list = c.allergy ? outcome.history : outcome.allergies;
    EXPECT_EQ(expected_list, "," + c.entry) << "row " << c.row << ": " << c.segment;
    EXPECT_EQ(other_list, "") << "row " << c.row << ": " << c.segment;
    EXPECT_THAT(outcome.messages, IsEmpty()) << "row " << c.row;
  }
}

TEST(RemarkAnalysis, EarlierRowsWinOverTheAllergyRows) {
  RemarkAnalysisRun run = MakeRun();
  // "llerg" is a history keyword, tested before "penicill".
  EXPECT_EQ(AnalyseRemark(run, "penicillin allergy\r\n").history, ",penicillin allergy");
  // "op" (history) is inside "ketoprofen", an allergy keyword of a later row.
  EXPECT_EQ(AnalyseRemark(run, "ketoprofen\r\n").history, ",ketoprofen");
  // Keywords are case-sensitive: "KETO" does not catch "keto", which a later row does.
  EXPECT_EQ(AnalyseRemark(run, "keto\r\n").allergies, ",keto");
  EXPECT_EQ(AnalyseRemark(run, "KETO\r\n").allergies, ",ibuprofen");
  // Fragments match across character boundaries: 人 (A4 48) ends in "H", so 人/T holds "H/T".
  EXPECT_EQ(AnalyseRemark(run, "人/T\r\n").history, ",人/T");
}

TEST(RemarkAnalysis, FinalAllergyWordsCatchWhatNoRowMatched) {
  RemarkAnalysisRun run = MakeRun();
  EXPECT_EQ(AnalyseRemark(run, "cough\r\n").allergies, ",cough");
  EXPECT_EQ(AnalyseRemark(run, "sore throat\r\n").allergies, ",sore throat");
  EXPECT_EQ(AnalyseRemark(run, "ULEX\r\n").allergies, ",ULEX");
  EXPECT_EQ(AnalyseRemark(run, "ulex\r\n").allergies, "");
}

TEST(RemarkAnalysis, SilkwormBeanIsAnAllergyBeforeTheDeficiencyRow) {
  RemarkAnalysisRun run = MakeRun();
  Outcome outcome = AnalyseRemark(run, "G6PD 蠶豆症\r\n");
  EXPECT_EQ(outcome.allergies, ",G6PD 蠶豆症");
  EXPECT_EQ(outcome.history, "");
  EXPECT_EQ(Analyse(run, {.MMEDI = "蠶豆症"}).allergies, ",蠶豆症");
}

TEST(RemarkAnalysis, UnknownSegmentsBecomeTaggedNotesOrAreReportedOncePerRun) {
  RemarkAnalysisRun run = MakeRun();
  Outcome household = AnalyseRemark(run, "107年家戶\r\n");
  EXPECT_EQ(household.notes, "~~107年家戶~~~~<107家群>");
  EXPECT_EQ(AnalyseRemark(run, "twins胞胎\r\n").notes, "~~twins胞胎~~~~<twins胞胎>");
  EXPECT_EQ(AnalyseRemark(run, "pap smear 2019\r\n").notes, "~~pap smear 2019~~~~<pap smear 2019>");

  std::vector<std::string> messages;
  for (int patient = 0; patient < 200; ++patient) {
    Outcome outcome = AnalyseRemark(run, "喜歡唱歌,lefty\r\n");
    messages.insert(messages.end(), outcome.messages.begin(), outcome.messages.end());
  }
  EXPECT_THAT(messages, ElementsAre("病人註記不明片語:喜歡唱歌", "病人註記不明片語:lefty"));
  // A second run reports again.
  RemarkAnalysisRun next_run = MakeRun();
  EXPECT_THAT(AnalyseRemark(next_run, "lefty\r\n").messages, ElementsAre("病人註記不明片語:lefty"));
}

// ---- The classifier ----

// "code|phrase after classification", in UTF-8.
std::string Classify(const RemarkAnalysisRun& run, const std::string& utf8) {
  std::string phrase = B(utf8);
  std::string code(run.ClassifyPhrase(phrase));
  return code + "|" + U(phrase);
}

TEST(RemarkAnalysis, LongPhrasesAreCutTo42BytesOnlyInTheLists) {
  RemarkAnalysisRun run = MakeRun();
  std::string segment = "chronic " + std::string(50, 'x');
  Outcome outcome = AnalyseRemark(run, segment + "\r\n");
  EXPECT_EQ(outcome.history, "," + segment.substr(0, 42));
  EXPECT_EQ(outcome.notes, "~~" + segment + "~~");

  // A keyword beyond byte 42 is not seen.
  EXPECT_EQ(AnalyseRemark(run, std::string(42, 'x') + "gout,").history, "");

  // A double-byte character across the cut is left out whole.
  std::string split = "chronic" + std::string(34, '-') + "中文";  // 中 at bytes 42-43
  EXPECT_EQ(AnalyseRemark(run, split + "\r\n").history, ",chronic" + std::string(34, '-'));
}

TEST(RemarkAnalysis, ClassifierFollowsTheClinicsPhraseListInFileOrder) {
  RemarkAnalysisRun run = MakeRun({.remark_lines = {{"", "S"},
                                                    {"喘", "S"},
                                                    {"氣喘", "N"},
                                                    {"AMX", "A"},
                                                    {"自費", "B"},
                                                    {"停用", ""},
                                                    {"gout", "N"}},
                                   .catalogue = {{"AMX250", "Amoxil 250", "", "OPD"}}});
  EXPECT_EQ(Classify(run, "氣喘"), "S|氣喘");          // first line wins; the empty key is ignored
  EXPECT_EQ(Classify(run, "AMX250"), "A|Amoxil 250");  // "A" with a Tname: any class
  EXPECT_EQ(Classify(run, "AMX500"), "A|AMX500");      // "A" without a catalogue row
  EXPECT_EQ(Classify(run, "自費"), "B|自費");
  EXPECT_EQ(Classify(run, "停用gout"), "|停用gout");  // an empty value stops the list
  EXPECT_EQ(Classify(run, "其他"), "|其他");

  // "N" and (in the full analysis) "B" keep the phrase as a note only.
  Outcome outcome = AnalyseRemark(run, "gout,自費\r\n");
  EXPECT_EQ(outcome.history, "");
  EXPECT_THAT(outcome.messages, IsEmpty());
  EXPECT_EQ(outcome.notes, "~~gout,自費~~");
}

TEST(RemarkAnalysis, CatalogueDrugsBecomeAllergiesByTheirShortName) {
  RemarkAnalysisRun run = MakeRun({.dupmx_lines = {{"OldBrufen", "A012345100"},
                                                   {"oldbrufen", "IGNORED"},
                                                   {"Missing", "NOSUCHCODE"}},
                                   .catalogue = {{"BRU400", "Brufen 400", "A012345100", "OPD"},
                                                 {"PANA", "Panadol", "", "oral"},
                                                 {"EYE", "Eye drop", "", "drop"},
                                                 {"Missing", "Old name", "", "inj"},
                                                 {"EKG", "ECG", "", "OPD"}}});
  EXPECT_EQ(Classify(run, "pana"), "A|Panadol");
  EXPECT_EQ(Classify(run, "PANA?"), "A|Panadol ?");
  EXPECT_EQ(Classify(run, "? EYE"), "A|Eye drop ?");
  EXPECT_EQ(Classify(run, "OLDBRUFEN"), "A|Brufen 400");  // through DUPMX, whatever the class
  EXPECT_EQ(Classify(run, "Missing"), "A|Old name");      // DUPMX code unknown: Tname of a drug
  EXPECT_EQ(Classify(run, "EKG"), "|EKG");                // not a drug
  EXPECT_EQ(Classify(run, "PANA 2#"), "|PANA 2#");        // whole names only
  EXPECT_EQ(Classify(run, "?"), "|?");

  Outcome outcome = AnalyseRemark(run, "PANA?,EKG\r\n");
  EXPECT_EQ(outcome.allergies, ",Panadol ?");
  EXPECT_THAT(outcome.messages, ElementsAre("病人註記不明片語:EKG"));
}

TEST(RemarkAnalysis, NotesOnlyModeFillsListsButChangesNoClassAndReportsNothing) {
  RemarkAnalysisRun run =
      MakeRun({.mode = RemarkMode::kNotesOnly, .remark_lines = {{"自費", "B"}, {"吵鬧", "N"}}});
  Outcome outcome = Analyse(run, {.MMEDI = "老人 殘障",
                                  .MISNO = "不明",
                                  .MREMARK = "asthma,cough,107年家戶,不明片語,自費過敏,吵鬧,"});
  EXPECT_EQ(outcome.payment_class, '3');
  EXPECT_THAT(outcome.messages, IsEmpty());
  EXPECT_EQ(outcome.history, ",老人 殘障,asthma");
  // "B" is unclassified here, so the dictionary sees "自費過敏".
  EXPECT_EQ(outcome.allergies, ",cough,自費過敏");
  EXPECT_EQ(outcome.notes, "~~老人 殘障~~不明~~asthma,cough,107年家戶,不明片語,自費過敏,吵鬧,");
  EXPECT_EQ(Analyse(run, {.MISNO = "王之妻"}).notes, "~~王之妻");
}

TEST(RemarkAnalysis, RemarkModeComesFromTheItemText) {
  EXPECT_EQ(RemarkModeFromItemText("全片語分析"), RemarkMode::kFullPhraseAnalysis);
  EXPECT_EQ(RemarkModeFromItemText("Note全註記"), RemarkMode::kNotesOnly);
}

// ---- Note elements ----

TEST(RemarkAnalysis, NoteElementsFollowEachOtherOnlyWhenFilled) {
  RemarkAnalysisRun run = MakeRun();
  RemarkAnalysis analysis = run.AnalyseRemarks({B("老人"), "", "asthma,aspirin\r\n", 0}, '3');
  EXPECT_EQ(U(BuildNoteElements(analysis.lists)),
            "<NB>老人~~asthma,aspirin~~</NB><HA>aspirin</HA><HS>asthma</HS>");
  EXPECT_EQ(BuildNoteElements({"", ", x ,y", ""}), "<HA>x ,y</HA>");
  EXPECT_EQ(BuildNoteElements({"~~ n", "", ",h"}), "<NB>n</NB><HS>h</HS>");
  EXPECT_EQ(BuildNoteElements({}), "");
}

// ---- Hostile input ----

TEST(RemarkAnalysis, BrokenBig5AndControlCharactersAreHandledSafely) {
  RemarkAnalysisRun run = MakeRun();
  // A lone lead byte at the end of a field.
  RemarkAnalysis lone = run.AnalyseRemarks({"\xA6\xD1\xA4", "", "gout,\xA4", 0}, '3');
  EXPECT_EQ(lone.lists.notes, "~~\xA6\xD1\xA4~~gout,\xA4");
  EXPECT_EQ(lone.lists.history, ",gout");
  EXPECT_THAT(lone.messages, ElementsAre("MMEDI xMark無匹配:老\\xA4"));

  // A lead byte swallows the separator after it.
  RemarkAnalysis swallowed = run.AnalyseRemarks({"", "", "\xA4,x,y", 0}, '3');
  EXPECT_THAT(swallowed.messages, ElementsAre("病人註記不明片語:\\xA4,x"));

  RemarkAnalysis controls = run.AnalyseRemarks({"\x01\x02", "\t", "\x07gout\x1B,\r\r\n", 0}, '3');
  EXPECT_EQ(controls.lists.notes, "~~gout,~~");
  EXPECT_EQ(controls.lists.history, ",gout");
}

TEST(RemarkAnalysis, LongRandomRemarksAreAnalysedAndEachUnknownReportedOnce) {
  RemarkAnalysisRun run = MakeRun();
  std::mt19937 random(7);
  std::set<std::string> reported;
  size_t filled_lists = 0;
  for (int patient = 0; patient < 300; ++patient) {
    // Several kilobytes of mostly letters and separators, with lead bytes (also where no trail
    // byte follows), bytes that are no character and control characters. (The high bytes are
    // few, so that two different phrases never read alike once converted.)
    std::string remark(random() % 6000, ' ');
    const std::string odd_bytes = "\xA4\xB3\x5C\x80\xFF\x7F\x01\x1B\t\r\n";
    for (char& byte : remark) {
      unsigned pick = random() % 16;
      byte = pick < 8    ? char('a' + random() % 26)
             : pick < 11 ? ",[]~\\"[random() % 5]
                         : odd_bytes[random() % odd_bytes.size()];
    }
    RemarkAnalysis analysis = run.AnalyseRemarks({remark, remark, remark, 0}, '3');
    for (const std::string& message : analysis.messages) {
      if (message.starts_with("病人註記不明片語:")) {
        ASSERT_TRUE(reported.insert(message).second) << testing::PrintToString(message);
      }
    }
    if (!analysis.lists.allergies.empty() || !analysis.lists.history.empty()) ++filled_lists;
  }
  EXPECT_GT(filled_lists, 100u);
  EXPECT_GT(reported.size(), 1000u);
}

}  // namespace
}  // namespace zuvo
