#include <gtest/gtest.h>

#include <random>

#include "core/chart_fixture.h"
#include "core/chart_reader.h"
#include "core/chart_store.h"
#include "core/patient_index.h"
#include "core/store_verify.h"
#include "maintenance/anonymise_charts.h"
#include "maintenance/anonymise_clinic.h"
#include "maintenance/name_pools.h"
#include "maintenance/national_id.h"
#include "maintenance/patient_text_scrubber.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "support/chart_set_builder.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

std::string B(std::string_view utf8) { return big5::FromUtf8(utf8); }

// What one run of the anonymiser ended with, and its counts.
struct AnonymiseRun : AnonymiseOutcome {
  StepResult result = StepResult::kStopped;
};

AnonymiseRun Anonymise(const StoreLocation& store, uint32_t seed, StepContext& context) {
  ClinicStoreAnonymisation input{store, seed};
  AnonymiseRun run;
  run.result = AnonymiseClinicStore(input, Workplace{}, context);
  static_cast<AnonymiseOutcome&>(run) = input.outcome;
  return run;
}

TEST(NationalId, ChecksLetterDigitsAndWeightedSum) {
  for (const char* valid : {"A123456789", "M123456789", "M123456798", "AB12345678", "Z200000004"}) {
    EXPECT_TRUE(IsValidNationalID(valid)) << valid;
  }
  for (const char* invalid : {"A123456788", "a123456789", "A12345678", "A1234567890", "A023456789",
                              "AB00000000", "1123456789", "A12345678X", "", "@123456789"}) {
    EXPECT_FALSE(IsValidNationalID(invalid)) << invalid;
  }
  std::mt19937 random(3);
  for (int i = 0; i < 2000; ++i) {
    const char letter = static_cast<char>('A' + random() % 26);
    const char sex = random() % 2 ? '1' : '2';
    std::optional<std::string> id =
        CompleteNationalId(letter, sex, static_cast<int32_t>(random() % 10'000'000));
    ASSERT_TRUE(id.has_value());
    EXPECT_TRUE(IsValidNationalID(*id)) << *id;
    EXPECT_EQ((*id)[1], sex);
  }
  EXPECT_FALSE(CompleteNationalId('a', '1', 0));
  EXPECT_FALSE(CompleteNationalId('A', '3', 0));
  EXPECT_FALSE(CompleteNationalId('A', '1', 10'000'000));
}

TEST(NamePools, TakeEachCharacterOnceAndDrawOnlyWhatTheyHold) {
  NamePools pools;
  for (const char* name : {"王小明", "陳大文", "王小文", "Amy Lin", "李 "}) pools.Offer(B(name));
  EXPECT_EQ(pools.surnames(), (std::vector<std::string>{B("王"), B("陳"), B("李")}));
  EXPECT_EQ(pools.middles(), (std::vector<std::string>{B("小"), B("大")}));
  EXPECT_EQ(pools.lasts(), (std::vector<std::string>{B("明"), B("文")}));

  std::vector<size_t> sizes;
  std::string name = pools.Compose([&](size_t n) {
    sizes.push_back(n);
    return n - 1;
  });
  EXPECT_EQ(sizes, (std::vector<size_t>{3, 2, 2}));
  EXPECT_EQ(name, B("李大文"));

  NamePools empty;
  empty.Offer("Amy");
  empty.Offer("");
  EXPECT_EQ(empty.Compose([](size_t) -> size_t {
    ADD_FAILURE() << "drawn from an empty pool";
    return 0;
  }),
            "");

  NamePools full;
  for (int i = 0; i < 150; ++i) {
    std::string surname = B("王");
    surname[1] = static_cast<char>(0x40 + i);  // 150 distinct two-byte characters
    full.Offer(surname + B("小明"));
  }
  EXPECT_EQ(full.surnames().size(), NamePools::kSurnameCapacity);
}

TEST(PatientTextScrubber, ReplacesWholeCharactersInPlaceTheLongestValueFirst) {
  PatientTextScrubber scrubber;
  scrubber.AddName(B("王小明"), B("林大文"));  // same length: the new name
  scrubber.AddName(B("王小明明"), B("陳一"));  // other length: a neutral mark
  scrubber.AddName(B("李四A"), B("張三"));     // five bytes: two marks and a star
  scrubber.AddName(B("王小明"), B("吳美玲"));  // a second patient of one name: the first wins
  scrubber.AddName(B("明"), B("文"));          // one character: not looked for
  scrubber.AddNationalId("A123456789", "K223456780");
  scrubber.AddNationalId("AB12345678", "K123456781");
  scrubber.AddNationalId("@000000001", "K123456782");

  std::string text = B("王小明明,王小明;李四A") + "a123456789 aB12345678 @000000001 " + B("明");
  EXPECT_EQ(scrubber.Scrub(text.data(), text.size()), 5u);
  EXPECT_EQ(text, B("○○○○,林大文;○○*") + "K223456780 K123456781 @000000001 " + B("明"));

  // A value that would start on the second byte of a character is not a mention: 0xA7 0xD1 and
  // 0xB1 0xB6 are two characters, the name 0xD1 0xB1 0xB6 0x41 lies across them.
  PatientTextScrubber across;
  across.AddName("\xD1\xB1\xB6\x41", "XXXX");
  std::string misaligned = "\xA7\xD1\xB1\xB6\x41";
  EXPECT_EQ(across.Scrub(misaligned.data(), misaligned.size()), 0u);
  EXPECT_EQ(misaligned, "\xA7\xD1\xB1\xB6\x41");
  std::string aligned = "\x41\xD1\xB1\xB6\x41";
  EXPECT_EQ(across.Scrub(aligned.data(), aligned.size()), 1u);
  EXPECT_EQ(aligned, "\x41XXXX");
}

// A clinic with personal data in every place the anonymiser must clear, and its chart files.
class AnonymiseTest : public ::testing::Test {
 protected:
  AnonymiseTest() : context(flags) {
    testing::ChartSetSpec spec;
    spec.code = "3501200000";
    const char* names[] = {"王小明", "陳大文", "林美玲", "張志豪"};
    const char* ids[] = {"A123456789", "B223456780", "C123456781", "D223456782"};
    for (int32_t number = 1; number <= 4; ++number) {
      PatientRecord record = testing::NumberedPatient(number * 4999);  // files 000, 001 and 001
      record.Set(patient_field::kName, B(names[number - 1]));
      record.Set(patient_field::kNationalId, ids[number - 1]);
      record.Set(patient_field::kTelephone, "04-2233445" + std::to_string(number));
      record.Set(patient_field::kMobile, "091234567" + std::to_string(number));
      record.Set(patient_field::kAddress, B("台北市信義路") + std::to_string(number));
      record.Set(patient_field::kBirthday, 30000.0 + number);
      spec.patients.push_back(record);
      spec.notes.push_back(number == 2
                               ? "<NB>long note 0987654321 " + std::string(100, 'x') + "</NB>"
                               : "<NB>note" + std::to_string(number) + "</NB>");
      old_texts.push_back(B(names[number - 1]));
      old_texts.push_back(ids[number - 1]);
      old_texts.push_back("04-2233445" + std::to_string(number));
      old_texts.push_back("091234567" + std::to_string(number));
      old_texts.push_back(B("台北市信義路") + std::to_string(number));
    }
    old_texts.push_back("0987654321");
    spec.opening = 43000;
    spec.last_day = 43100;
    for (int visit = 0; visit < 30; ++visit) {
      ChartEntry entry = testing::Visit((visit % 4 + 1) * 4999, 43001 + visit + 0.4);
      entry.visit.Set(visit_field::kDoctorName, B("李醫師"));
      entry.visit.Set(visit_field::kDoctorId, "E123456783");
      entry.visit.Set(visit_field::kPharmacistName, visit % 5 == 0 ? B("釋出處方箋") : B("吳藥師"));
      entry.visit.Set(visit_field::kPharmacistId, "F223456784");
      entry.orders.front().remark = "remark " + std::to_string(visit);
      spec.visits.push_back(entry);
    }
    testing::BuildChartSet(home / "set", spec);
    store = testing::ChartSetStoreOf(home / "set", spec.code);
    BuildPatientIndex(store, {});
    for (const auto& [code, path] : ListChartFiles(store))
      charts_before[code] = ReadFileBytes(path);
  }

  // Every byte of the patient files and the index, in one text to search.
  std::string PatientBytes() {
    std::string bytes = ReadFileBytes(store.patient_index_path);
    for (const auto& [number, path] : ListPatientFiles(store)) bytes += ReadFileBytes(path);
    return bytes;
  }

  TempDir home;
  RunFlags flags;
  RecordingStepContext context;
  StoreLocation store;
  std::vector<std::string> old_texts;
  std::map<int32_t, std::string> charts_before;
};

TEST_F(AnonymiseTest, NoOldNameIdPhoneAddressOrNoteIsLeftInThePatientFilesOrIndex) {
  std::string before = PatientBytes();
  for (const std::string& text : old_texts) ASSERT_NE(before.find(text), std::string::npos) << text;

  AnonymiseRun outcome = Anonymise(store, 11, context);
  ASSERT_EQ(outcome.result, StepResult::kDone);
  EXPECT_EQ(outcome.patients, 4u);
  EXPECT_EQ(outcome.visits, 30u);
  EXPECT_TRUE(outcome.charts_complete);

  std::string after = PatientBytes();
  for (const std::string& text : old_texts) EXPECT_EQ(after.find(text), std::string::npos) << text;
  EXPECT_EQ(after.find("<NB>"), std::string::npos);

  NamePools pools;
  for (const char* name : {"王小明", "陳大文", "林美玲", "張志豪"}) pools.Offer(B(name));
  for (int32_t number : {4999, 9998, 14997, 19996}) {
    PatientRecord record;
    std::string note;
    ASSERT_TRUE(ReadPatientWithNote(store, number, record, note));
    const std::string id = record.Get(patient_field::kNationalId);
    EXPECT_TRUE(IsValidNationalID(id)) << id;
    EXPECT_EQ(record.Get(patient_field::kSex), id[1] == '1' ? 'M' : 'F');
    const std::string name = record.Get(patient_field::kName);
    ASSERT_EQ(name.size(), 6u);
    EXPECT_NE(std::find(pools.surnames().begin(), pools.surnames().end(), name.substr(0, 2)),
              pools.surnames().end());
    EXPECT_EQ(record.Get(patient_field::kAddress), B("台中市"));
    EXPECT_EQ(record.Get(patient_field::kTelephone), "");
    EXPECT_EQ(record.Get(patient_field::kMobile), "");
    EXPECT_EQ(note, "");
    EXPECT_EQ(record.Get(patient_field::kBirthday), 30000.0 + number / 4999);
    EXPECT_EQ(record.Get(patient_field::kChecksum), PatientChecksum(record));
  }
  StoreVerifyReport report = VerifyStore(store);
  EXPECT_TRUE(report.clean()) << report.findings.front().problem;
  ASSERT_FALSE(context.MessageTexts().empty());
  EXPECT_EQ(context.MessageTexts().back(),
            "霧化完成,請修改member.scr內資料,醫師(霧甲乙,M123456789),藥師(雲藥師,M123456798))\n"
            "仍含個資,沒有霧化:\n" +
                PathToUtf8(store.server_data_folder / "") + " MEMBER.SCR,INSUdata,Paper");
}

TEST_F(AnonymiseTest, VisitsGetThePlaceholdersAndEverythingElseStaysByteForByte) {
  ASSERT_EQ(Anonymise(store, 5, context).result, StepResult::kDone);
  for (const auto& [code, before_bytes] : charts_before) {
    std::string after_bytes = ReadFileBytes(ChartFilePath(store, code));
    ASSERT_EQ(after_bytes.size(), before_bytes.size());
    MemoryByteSource before(before_bytes), after(after_bytes);
    for (int32_t offset = 1; offset <= static_cast<int32_t>(before_bytes.size());) {
      ChartEntryRead old_entry = ReadChartEntry(before, {code, offset}, EntryDetail::kFull);
      ChartEntryRead new_entry = ReadChartEntry(after, {code, offset}, EntryDetail::kFull);
      ASSERT_TRUE(old_entry.well_formed && new_entry.well_formed);
      VisitRecord expected = *old_entry.visit;
      expected.Set(visit_field::kParentName, "");
      expected.Set(visit_field::kParentId, "");
      expected.Set(visit_field::kDoctorName, B("霧甲乙"));
      expected.Set(visit_field::kDoctorId, "M123456789");
      if (old_entry.visit->Get(visit_field::kPharmacistName) != B("釋出處方箋")) {
        expected.Set(visit_field::kPharmacistName, B("雲藥師"));
        expected.Set(visit_field::kPharmacistId, "M123456798");
      } else {
        EXPECT_EQ(new_entry.visit->Get(visit_field::kPharmacistId), "F223456784");
      }
      EXPECT_EQ(*new_entry.visit, expected);
      EXPECT_EQ(*new_entry.header, *old_entry.header);
      ASSERT_EQ(new_entry.blocks.size(), old_entry.blocks.size());
      for (size_t i = 2; i < old_entry.blocks.size(); ++i) {
        EXPECT_EQ(new_entry.blocks[i].payload, old_entry.blocks[i].payload);
        EXPECT_EQ(new_entry.blocks[i].remark, old_entry.blocks[i].remark);
      }
      offset = static_cast<int32_t>(old_entry.end) + 1;
    }
  }
  EXPECT_TRUE(VerifyStore(store).clean());
}

TEST_F(AnonymiseTest, ASeedRepeatsARun) {
  TempDir copy;
  std::filesystem::copy(home / "set", copy / "set", std::filesystem::copy_options::recursive);
  StoreLocation copied = testing::ChartSetStoreOf(copy / "set", "3501200000");
  ASSERT_EQ(Anonymise(store, 42, context).result, StepResult::kDone);
  ASSERT_EQ(Anonymise(copied, 42, context).result, StepResult::kDone);
  EXPECT_EQ(ReadFileBytes(store.server_data_folder / "PtData.001"),
            ReadFileBytes(copied.server_data_folder / "PtData.001"));
}

TEST_F(AnonymiseTest, RefusedOrCancelledRunsChangeNothing) {
  const std::string before = PatientBytes();
  context.AnswerNextMessage(MessageAnswer::kCancel);
  EXPECT_EQ(Anonymise(store, 1, context).result, StepResult::kStopped);
  EXPECT_EQ(PatientBytes(), before);

  // The live root is the one of the program folder's DataEdit.ini.
  Workplace place;
  place.program_folder = home / "program";
  std::filesystem::create_directories(place.program_folder);
  WriteProfileString(place.program_folder / "DataEdit.ini", "Workbench", "LiveRoot",
                     PathToUtf8(home / "set"));
  RecordingStepContext missing(flags);
  for (const char* code : {"9999999999", "../set/Tolsern"}) {
    LiveClinicAnonymisation input{code, 1, {}};
    input.outcome.patients = 4;  // as a run before left it
    EXPECT_EQ(AnonymiseLiveClinic(input, place, missing), StepResult::kStopped) << code;
    EXPECT_EQ(input.outcome.patients, 0u) << code;
  }
  EXPECT_EQ(missing.MessageTexts(), (std::vector<std::string>{std::string(kClinicCodeMissing),
                                                              std::string(kClinicCodeMissing)}));
  EXPECT_EQ(PatientBytes(), before);

  // The window's handler finds the clinic below the live root.
  RecordingStepContext live(flags);
  LiveClinicAnonymisation input{" 3501200000 ", 1, {}};
  EXPECT_EQ(AnonymiseLiveClinic(input, place, live), StepResult::kDone);
  EXPECT_GT(input.outcome.patients, 0u);
  EXPECT_NE(PatientBytes(), before);
}

TEST_F(AnonymiseTest, ADamagedChartFileStopsTheChartPartWhereItIs) {
  std::string bytes = charts_before.at(0);
  const size_t damaged_at = bytes.size() / 2;
  // Find an entry start past the middle and break its tag.
  MemoryByteSource source(bytes);
  int32_t offset = 1;
  while (static_cast<size_t>(offset) < damaged_at) {
    offset =
        static_cast<int32_t>(ReadChartEntry(source, {0, offset}, EntryDetail::kFraming).end) + 1;
  }
  bytes[static_cast<size_t>(offset) - 1] = 9;
  testing::WriteFileBytes(ChartFilePath(store, 0), bytes);
  AnonymiseRun outcome = Anonymise(store, 1, context);
  EXPECT_EQ(outcome.result, StepResult::kDone);
  EXPECT_FALSE(outcome.charts_complete);
  EXPECT_GT(outcome.visits, 0u);
  EXPECT_LT(outcome.visits, 30u);
  std::vector<std::string> messages = context.MessageTexts();
  ASSERT_GE(messages.size(), 3u);
  EXPECT_NE(messages[1].find(" 開頭IDcode錯誤9"), std::string::npos) << messages[1];
}

// UTF-16LE of a UTF-8 text of the Basic Multilingual Plane.
std::string Utf16Le(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
    uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
    for (size_t k = 1; k < length; ++k) code = code << 6 | (utf8[i + k] & 0x3F);
    out += static_cast<char>(code & 0xFF);
    out += static_cast<char>(code >> 8);
    i += length;
  }
  return out;
}

// The files below `folder` that hold `utf8` in Big5, UTF-8 or UTF-16LE.
std::vector<std::string> FilesHolding(const std::filesystem::path& folder, std::string_view utf8) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    const std::string bytes = ReadFileBytes(entry.path());
    for (const std::string& encoded : {B(utf8), std::string(utf8), Utf16Le(utf8)}) {
      if (bytes.find(encoded) != std::string::npos) {
        found.push_back(entry.path().filename().string() + " holds " + std::string(utf8));
      }
    }
  }
  return found;
}

// A work tree of a converted clinic whose visits name patients in their texts: a newborn seen on
// his mother's card, a referral naming another patient, a chart and an exam text naming patients.
// One patient, 王大玲, is named like a name the others' name parts make.
class AnonymiseWorkTreeTest : public ::testing::Test {
 protected:
  AnonymiseWorkTreeTest() : context(flags) {
    const char* names[] = {"王小明", "陳大文", "林美玲", "張志豪", "王大玲"};
    const char* ids[] = {"A123456789", "B223456780", "C123456781", "D223456782", "E123456783"};
    testing::ChartSetSpec spec;
    spec.code = kCode;
    for (int32_t number = 1; number <= 5; ++number) {
      PatientRecord record = testing::NumberedPatient(number);
      record.Set(patient_field::kName, B(names[number - 1]));
      record.Set(patient_field::kNationalId, ids[number - 1]);
      spec.patients.push_back(record);
    }
    spec.opening = 43000;
    spec.last_day = 43100;
    ChartEntry newborn = testing::Visit(2, 43001.4);
    newborn.visit.Set(visit_field::kParentName, B("陳媽媽"));
    newborn.visit.Set(visit_field::kParentId, "F223456784");
    ChartEntry referral = testing::Visit(3, 43002.4);
    referral.chart_text = B("<CC><name>與王小明同住,A123456789</name></CC>");
    referral.orders.front().remark = B("<醫院><王小明><科別><醫師>a123456789");
    referral.exam_text = B("<PE><n>家屬</n><data>林美玲</data></PE>");
    spec.visits = {newborn, referral, testing::Visit(5, 43003.4)};
    tree = home / "VISW" / kCode / "1151209_1";
    testing::BuildChartSet(tree, spec);
    store = testing::ChartSetStoreOf(tree, kCode);
    // What the conversion left in the tree beside its stores, and the clinic's snapshot.
    testing::WriteFileBytes(tree / "ZuvoConversion.ini", "[Conversion]\r\n");
    testing::WriteFileBytes(tree / "CO01M.DBF", B("王小明 A123456789"));
    testing::WriteFileBytes(tree / "REF.txt", "AA1234567892021010111=ET01");
    testing::WriteFileBytes(tree / "ConversionReport_1151209120000.txt", "report");
    std::filesystem::create_directories(home / "VISW" / kCode / "InitBak" / "Tolsern");
    planted = {"王小明",     "陳大文",     "林美玲",     "張志豪",     "王大玲",
               "A123456789", "a123456789", "B223456780", "C123456781", "D223456782",
               "E123456783", "陳媽媽",     "F223456784"};
  }

  static constexpr char kCode[] = "3501200000";
  TempDir home;
  RunFlags flags;
  RecordingStepContext context;
  std::filesystem::path tree;
  StoreLocation store;
  std::vector<std::string> planted;
};

TEST_F(AnonymiseWorkTreeTest, NoPlantedNameOrIdIsLeftAnywhereInTheStoreFolder) {
  for (const char* value : {"王小明", "a123456789", "陳媽媽", "F223456784", "林美玲"}) {
    ASSERT_FALSE(FilesHolding(store.server_data_folder, value).empty()) << value;
  }
  AnonymiseRun outcome = Anonymise(store, 7, context);
  ASSERT_EQ(outcome.result, StepResult::kDone);
  EXPECT_EQ(outcome.visits, 3u);
  EXPECT_EQ(outcome.mentions, 5u);  // two in the chart text, two in the remark, one exam text
  for (const std::string& value : planted) {
    EXPECT_EQ(FilesHolding(store.server_data_folder, value), std::vector<std::string>{});
  }
  StoreVerifyReport report = VerifyStore(store);
  EXPECT_TRUE(report.clean()) << report.findings.front().problem;

  // Patient 1's mentions became his new name and ID, byte for byte as long; the parent is gone.
  PatientRecord first, third;
  ASSERT_TRUE(ReadPatient(store, 1, first));
  ASSERT_TRUE(ReadPatient(store, 3, third));
  const std::string name = first.Get(patient_field::kName);
  const std::string id = first.Get(patient_field::kNationalId);
  ASSERT_EQ(name.size(), 6u);
  ASSERT_EQ(third.Get(patient_field::kName).size(), 6u);
  std::map<int16_t, std::string> texts;
  std::string remark;
  std::vector<VisitRecord> visits;
  ChartFileSet files(store);
  for (int32_t number : {2, 3}) {
    PatientRecord record;
    ASSERT_TRUE(ReadPatient(store, number, record));
    WalkChain(files,
              {record.Get(patient_field::kChartFileCode), record.Get(patient_field::kChartOffset)},
              ChainKind::kPatient, EntryDetail::kFull, [&](const ChartEntryRead& entry) {
                visits.push_back(*entry.visit);
                for (const ChartBlock& block : entry.blocks) {
                  if (number == 3) texts[block.tag] = block.payload;
                  if (block.remark) remark = *block.remark;
                }
              });
  }
  ASSERT_EQ(visits.size(), 2u);
  EXPECT_EQ(visits[0].Get(visit_field::kParentName), "");
  EXPECT_EQ(visits[0].Get(visit_field::kParentId), "");
  EXPECT_EQ(std::string(visits[0].data() + 14, 22), std::string(22, '\0'));
  EXPECT_EQ(texts[chart_tag::kChartText],
            B("<CC><name>與") + name + B("同住,") + id + "</name></CC>");
  EXPECT_EQ(remark, B("<醫院><") + name + B("><科別><醫師>") + id);
  EXPECT_EQ(texts[chart_tag::kExamText],
            B("<PE><n>家屬</n><data>") + third.Get(patient_field::kName) + "</data></PE>");
}

TEST_F(AnonymiseWorkTreeTest, TheClosingMessageNamesWhatStillHoldsPersonalData) {
  ASSERT_EQ(Anonymise(store, 7, context).result, StepResult::kDone);
  const std::filesystem::path clinic = home / "VISW" / kCode;
  EXPECT_EQ(
      PersonalDataLeft(store),
      (std::vector<std::filesystem::path>{
          store.server_data_folder / "MEMBER.SCR", store.server_data_folder / "INSUdata",
          store.server_data_folder / "Paper", tree / "CO01M.DBF",
          tree / "ConversionReport_1151209120000.txt", tree / "REF.txt", clinic / "InitBak"}));
  EXPECT_EQ(context.MessageTexts().back(),
            "霧化完成,請修改member.scr內資料,醫師(霧甲乙,M123456789),藥師(雲藥師,M123456798))\n"
            "仍含個資,沒有霧化:\n" +
                PathToUtf8(store.server_data_folder / "") + " MEMBER.SCR,INSUdata,Paper\n" +
                PathToUtf8(tree / "") + " CO01M.DBF,ConversionReport_1151209120000.txt,REF.txt\n" +
                PathToUtf8(clinic / "") + " InitBak");

  // The same folder outside a work tree (no conversion record): only its own files.
  std::filesystem::remove(tree / "ZuvoConversion.ini");
  EXPECT_EQ(PersonalDataLeft(store),
            (std::vector<std::filesystem::path>{store.server_data_folder / "MEMBER.SCR",
                                                store.server_data_folder / "INSUdata",
                                                store.server_data_folder / "Paper"}));
}

// Name parts that make eight names, seven of them the patients' own: each patient gets the eighth.
// Parts that make only the patients' own names: each gets a made-up name of his number.
TEST(AnonymisePatients, NoPatientIsGivenAPatientsRealName) {
  TempDir home;
  RunFlags flags;
  const auto run = [&](const std::vector<const char*>& names) {
    testing::ChartSetSpec spec;
    for (size_t i = 0; i < names.size(); ++i) {
      PatientRecord record = testing::NumberedPatient(static_cast<int32_t>(i + 1));
      record.Set(patient_field::kName, B(names[i]));
      spec.patients.push_back(record);
    }
    spec.opening = 43000;
    spec.last_day = 43010;
    std::filesystem::remove_all(home / "set");
    testing::BuildChartSet(home / "set", spec);
    const StoreLocation store = testing::ChartSetStoreOf(home / "set", spec.code);
    RecordingStepContext context(flags);
    EXPECT_EQ(Anonymise(store, 3, context).result, StepResult::kDone);
    std::vector<std::string> given;
    for (int32_t number = 1; number <= static_cast<int32_t>(names.size()); ++number) {
      PatientRecord record;
      EXPECT_TRUE(ReadPatient(store, number, record));
      given.push_back(big5::ToUtf8(record.Get(patient_field::kName)));
    }
    return given;
  };
  EXPECT_EQ(run({"王小明", "陳大文", "王大文", "陳小明", "王小文", "陳大明", "王大明"}),
            std::vector<std::string>(7, "陳小文"));
  EXPECT_EQ(run({"王小明", "王小文"}), (std::vector<std::string>{"霧化1", "霧化2"}));
}

}  // namespace
}  // namespace zuvo
