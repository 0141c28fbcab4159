#include "patients/remark_keywords.h"

#include <span>
#include <string_view>

#include "platform/big5.h"

namespace zuvo {
namespace {

// ---- The tables as written by people (UTF-8) ----

struct IdentityEffect {
  IdentityAction action;
  char payment_class;
};
constexpr IdentityEffect Class(char payment_class) {
  return {IdentityAction::kSetPaymentClass, payment_class};
}
constexpr IdentityEffect kNoChange{IdentityAction::kAccept, 0};
constexpr IdentityEffect kRepeatInNotes{IdentityAction::kRepeatInNotes, 0};

struct IdentityKeywordText {
  std::string_view keyword;
  IdentityEffect effect;
};

// clang-format off
constexpr IdentityKeywordText kMmediKeywords[] = {
    {"福保",       Class('1')},
    {"免收",       Class('I')},
    {"免掛收",     Class('I')},
    {"老人",       Class('F')},
    {"重大",       Class('D')},
    {"家扶",       Class('I')},
    {"親友",       Class('G')},
    {"收50",       Class('I')},
    {"A0=0",       kNoChange},
    {"\\D=0",      kNoChange},
    {"行動不便",   kNoChange},
    {"榮民",       Class('2')},
    {"教友",       Class('G')},
    {"連OK",       kNoChange},
    {"連ok",       kNoChange},
    {"啞巴",       Class('E')},
    {"注意",       kNoChange},
    {"是否",       kNoChange},
    {"永久(殘)",   kNoChange},
    {"慈光",       Class('I')},
    {"殘",         Class('E')},
    {"醫療同仁",   Class('G')},
    {"朋友",       Class('G')},
    {"女兒同學",   Class('G')},
    {"愛心",       Class('I')},
    {"福",         Class('I')},
    {"油症",       Class('D')},
};

constexpr IdentityKeywordText kMisnoKeywords[] = {
    {"老人",       Class('F')},
    {"友",         Class('G')},
    {"福保",       Class('1')},
    {"殘障",       Class('E')},
    {"榮民",       Class('2')},
    {"低收",       Class('1')},
    {"重大",       Class('D')},
    {"家扶",       Class('I')},
    {"親戚",       Class('G')},
    {"免收",       Class('I')},
    {"之",         kRepeatInNotes},
    {"家人",       Class('A')},
    {"障",         Class('E')},
    {"醫界同仁",   Class('G')},
    {"醫療同仁",   Class('G')},
    {"醫同仁",     Class('G')},
    {"同業",       Class('G')},
    {"院長",       Class('G')},
    {"員工",       Class('A')},
    {"員眷",       Class('A')},
    {"愛心診所",   Class('I')},
    {"仁愛學校",   Class('I')},
    {"慈光",       Class('I')},
    {"重傷",       Class('D')},
    {"油症",       Class('D')},
};
// clang-format on

constexpr RemarkList kHistory = RemarkList::kHistory;
constexpr RemarkList kAllergy = RemarkList::kAllergy;
constexpr std::string_view kTheSegment = "";

struct DictionaryRowText {
  RemarkList list;
  std::string_view appended;
  std::vector<std::string_view> keywords;
};

// Row number, list, text appended, keywords.
const std::vector<DictionaryRowText>& DictionaryText() {
  // clang-format off
  static const std::vector<DictionaryRowText> rows = {
      /*  1 */ {kHistory, ",(-)", {"(-)", "(_)", "(-}", "(- )"}},
      /*  2 */ {kHistory, kTheSegment, {
          "(+)", "(=)", "(?)", "GERD", "AR", "dermatitis", "bronchiolitis", "chickenpox"}},
      /*  3 */ {kHistory, ",asthma", {"asthma", "Asthma", "ASTHMA", "asrhma", "Asthm"}},
      /*  4 */ {kHistory, kTheSegment, {"DM", "chronic", "ADHD"}},
      /*  5 */ {kHistory, ",G-6-P-D Deficiency", {"G-6-P", "G-P-D", "G-6", "g-6", "G6P", "蠶豆"}},
      /*  6 */ {kHistory, kTheSegment, {
          "hyperthyroidism", "psoriasis", "thrombosis", "Urticaria", "urticaria", "ALL", "H/T",
          "h/t", "AnS", "subacute", "Kawasakis", "CAD", "pacemaker", "UTI", "neumonia", "GU",
          "smoking", "gout", "AOM", "aom", "CVA", "delay", "hyperlipidemia", "microtia", "Meneirs",
          "VSD", "Roseola", "UTI", "hemorrhoid", "stone", "BPH", "AMI", "OP", "op", "CHF", "RI",
          "tits", "epilepsy", "cemia", "convulsion", "aotic", "limb", "COPD", "ectomy", "APC",
          "depression", "dectomy", "stone", "hypercholesterolemia", "pancreatitis", "psychosis",
          "aucoma", "neonatal", "arrythmia", "HBV", "DU", "knee", "schizophrenia", "disorder",
          "acute", "llerg", "ulcer", "dosis", "strok", "vertigo", "CPS", "ASD", "ritis", "derma",
          "PDA", "litis", "LITIS", "citis", "ditis", "titis", "nitis", "gitis", "dism", "iosis",
          "iasis", "rosis", "roidis", "MR", "disease", "syndrome", "tremor", "CA", "testicle",
          "tonsil", "maturity", "renal", "ITP", "CRF", "phobia", "tation", "prolapse", "症候群",
          "視障", "CP", "bleeding", "APN", "SLE", "CGN", "function", "alcohol", "GER", "lepsy",
          "LEPSY", "impair", "croup", "cps", "dementia", "somnia", "fracture", "deafness", "COM",
          "purpura", "sciatica", "RA", "ileus", "microcephaly", "mitral", "RHD", "VUR", "mosis",
          "megacolon", "AGN", "reflux", "tonomia", "AS", "ureter", "shunt", "migrain", "TB",
          "perforation", "NPC", "Meniere", "anus", "nodule", "MAS", "AGE", "乾燥症"}},
      /*  7 */ {kHistory, ",herpangina", {"herpan"}},
      /*  8 */ {kHistory, kTheSegment, {"PU"}},
      /*  9 */ {kHistory, ",dextrocardia", {"dextracardia"}},
      /* 10 */ {kHistory, kTheSegment, {"goiter", "TIA", "uremia"}},
      /* 11 */ {kHistory, ",pneumonia", {"pneuminia"}},
      /* 12 */ {kHistory, kTheSegment, {"AD", "Herpes", "reduction"}},
      /* 13 */ {kHistory, ",intessusception", {
          "intessusception", "intussusception", "intussception", "intusu"}},
      /* 14 */ {kHistory, kTheSegment, {
          "PFO", "liver", "Headache", "infection", "AD", "CLD", "CVD", "giant", "situ", "palsy"}},
      /* 15 */ {kHistory, ",hyperthyroidism", {"hyperthyroidsm"}},
      /* 16 */ {kHistory, kTheSegment, {
          "fever", "Hypertension", "ICS", "Sneezing", "Rhinorrhea", "TC", "sepsis", "IgG4", "graft",
          "dyspepsia", "autism", "Tics", "synd", "totherapy", "vein", "paralysis", "anxiety",
          "neck", "MDP", "ssemia", "IBU", "BPD", "CHD", "malasia", "LVH", "RDS", "heart",
          "cerolemia"}},
      /* 17 */ {kHistory, ",pneumonia", {"PNEUMONIA"}},
      /* 18 */ {kHistory, kTheSegment, {
          "hernia", "themia", "ischemia", "melanoma", "tumor", "EPS", "zoster", "hematuria", "PCKD",
          "seizure", "kyphosis", "myoma", "CHO", "cirrhosis", "HCV", "polyp", "anemia", "PCKD",
          "trolemia", "polio", "Leukorrhea", "diarrhea", "skin verruca"}},
      /* 19 */ {kAllergy, ",ibuprofen", {
          "ibuprof", "IPROFEN", "iprofen", "BRUFEN", "KETO", "IBPROFEN", "IBPROFUN"}},
      /* 20 */ {kAllergy, ",pyrine", {"pyrin", "Pyin", "Pyrin"}},
      /* 21 */ {kAllergy, kTheSegment, {
          "aspirin", "lidocaine", "aspirin", "voltaren", "ketoprofen", "NSAID", "drug", "PCN"}},
      /* 22 */ {kAllergy, ",amoxicillin", {"amoxicillin", "AMOCILLIN", "AMOXIL"}},
      /* 23 */ {kAllergy, ",erythromycin", {"erythromycin", "ERYTHROMYCIN"}},
      /* 24 */ {kAllergy, kTheSegment, {"ponstan", "naproxen"}},
      /* 25 */ {kAllergy, ",keflex", {"keflex", "KEFLEX"}},
      /* 26 */ {kAllergy, ",acetaminophen", {"acetaminophen", "SCSNOL"}},
      /* 27 */ {kAllergy, kTheSegment, {
          "Kerolac", "cefazolin", "voren", "VOREN", "Voren", "cataflam"}},
      /* 28 */ {kAllergy, ",ponstan", {"postan", "PONSTAN", "DOSTAN"}},
      /* 29 */ {kAllergy, kTheSegment, {
          "klaricid", "xanthium", "minocin", "naprox", "mycin", "amoxi"}},
      /* 30 */ {kAllergy, ",antibiotics", {"antibiot"}},
      /* 31 */ {kAllergy, kTheSegment, {"sulfa", "SULFA", "vena"}},
      /* 32 */ {kAllergy, ",cephalosporin", {"cefa"}},
      /* 33 */ {kAllergy, kTheSegment, {
          "primperan", "胃痛", "berotec", "sortuss", "penicill", "keto", "indomethacin"}},
      /* 34 */ {kAllergy, ",baktar", {"baktar", "backtar", "Baktar"}},
      /* 35 */ {kAllergy, kTheSegment, {
          "aceta", "psubity", "norvasc", "soma", "Bena", "pseudoephedrine", "cefspan", "novamine",
          "ephedrine", "TEGRETOL", "medicon"}},
      /* 36 */ {kAllergy, ",aspirin", {"aspinin"}},
      /* 37 */ {kAllergy, kTheSegment, {"ampici", "askacef", "藥", "supiton"}},
      /* 38 */ {kAllergy, ",phyllintal", {"phyllital"}},
      /* 39 */ {kAllergy, kTheSegment, {
          "supp", "興奮", "睡", "過敏", "要", "不吃", "頭暈", "無力", "不舒服", "苦", "不好",
          "omelon", "rivotril", "cephalexin", "thoin", "motrin", "zadine", "ofaxacin", "tensolax",
          "sutolin", "luminal", "ningilon", "binin", "napoxen", "daipin"}},
      /* 40 */ {kAllergy, ",piroxicam", {"piroxica"}},
      /* 41 */ {kAllergy, kTheSegment, {
          "phenicol", "decough", "brufen", "blocker", "cleocin", "bactrium", "augmentin",
          "AUGMENTUM", "MUCOSOL", "MEDICON", "acemet", "tonpicon", "no cap", "ventolin", "tidact",
          "fencaine", "minocycline", "tegretol", "setolin", "chymosin", "uniphyllin",
          "INDOMETHACIN", "CLINDAMYCIN", "STIN", "TIDACT", "NAPOSIN", "itching"}},
  };
  // clang-format on
  return rows;
}

constexpr std::string_view kFinalAllergyWords[] = {
    "PIROXIM", "OFLOXACIN", "NEGACIDE", "FORPHENE", "CHLOTIN", "sore throat", "rhinorrhea", "cough",
    "ACEMET",  "lumbago",   "soreness", "ETHOS",    "CLEOCIM", "MOLIN",       "ULEX"};

constexpr std::string_view kNoteTagWords[] = {"整合照護資料", "糖尿病收案", "胞胎",
                                              "家戶",         "pap smear",  "hormone therapy"};

// ---- Conversion to Big5, once ----

std::vector<IdentityKeyword> ToBig5(std::span<const IdentityKeywordText> table) {
  std::vector<IdentityKeyword> converted;
  converted.reserve(table.size());
  for (const IdentityKeywordText& row : table) {
    converted.push_back({big5::FromUtf8(row.keyword), row.effect.action, row.effect.payment_class});
  }
  return converted;
}

std::vector<std::string> ToBig5(std::span<const std::string_view> words) {
  std::vector<std::string> converted;
  converted.reserve(words.size());
  for (std::string_view word : words) converted.push_back(big5::FromUtf8(word));
  return converted;
}

}  // namespace

const std::vector<IdentityKeyword>& MmediKeywords() {
  static const std::vector<IdentityKeyword> table = ToBig5(kMmediKeywords);
  return table;
}

const std::vector<IdentityKeyword>& MisnoKeywords() {
  static const std::vector<IdentityKeyword> table = ToBig5(kMisnoKeywords);
  return table;
}

const std::vector<DictionaryRow>& RemarkDictionary() {
  static const std::vector<DictionaryRow> table = [] {
    std::vector<DictionaryRow> converted;
    for (const DictionaryRowText& row : DictionaryText()) {
      converted.push_back({ToBig5(row.keywords), row.list, big5::FromUtf8(row.appended)});
    }
    return converted;
  }();
  return table;
}

const std::vector<std::string>& FinalAllergyWords() {
  static const std::vector<std::string> words = ToBig5(kFinalAllergyWords);
  return words;
}

const std::vector<std::string>& NoteTagWords() {
  static const std::vector<std::string> words = ToBig5(kNoteTagWords);
  return words;
}

}  // namespace zuvo
