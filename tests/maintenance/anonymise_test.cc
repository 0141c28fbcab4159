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
#include "support/chart_set_builder.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

std::string B(std::string_view utf8) { return big5::FromUtf8(utf8); }

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

  AnonymiseOutcome outcome = AnonymiseClinicStore(store, 11, context);
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
  EXPECT_EQ(context.MessageTexts().back(), AnonymiseDoneText());
  EXPECT_NE(AnonymiseDoneText().find("MEMBER.SCR"), std::string::npos);
}

TEST_F(AnonymiseTest, VisitsGetThePlaceholdersAndEverythingElseStaysByteForByte) {
  ASSERT_EQ(AnonymiseClinicStore(store, 5, context).result, StepResult::kDone);
  for (const auto& [code, before_bytes] : charts_before) {
    std::string after_bytes = ReadFileBytes(ChartFilePath(store, code));
    ASSERT_EQ(after_bytes.size(), before_bytes.size());
    MemoryByteSource before(before_bytes), after(after_bytes);
    for (int32_t offset = 1; offset <= static_cast<int32_t>(before_bytes.size());) {
      ChartEntryRead old_entry = ReadChartEntry(before, {code, offset}, EntryDetail::kFull);
      ChartEntryRead new_entry = ReadChartEntry(after, {code, offset}, EntryDetail::kFull);
      ASSERT_TRUE(old_entry.well_formed && new_entry.well_formed);
      VisitRecord expected = *old_entry.visit;
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
  ASSERT_EQ(AnonymiseClinicStore(store, 42, context).result, StepResult::kDone);
  ASSERT_EQ(AnonymiseClinicStore(copied, 42, context).result, StepResult::kDone);
  EXPECT_EQ(ReadFileBytes(store.server_data_folder / "PtData.001"),
            ReadFileBytes(copied.server_data_folder / "PtData.001"));
}

TEST_F(AnonymiseTest, RefusedOrCancelledRunsChangeNothing) {
  const std::string before = PatientBytes();
  context.AnswerNextMessage(MessageAnswer::kCancel);
  EXPECT_EQ(AnonymiseClinicStore(store, 1, context).result, StepResult::kStopped);
  EXPECT_EQ(PatientBytes(), before);

  RecordingStepContext missing(flags);
  EXPECT_EQ(CreplacePTdataClick("9999999999", home / "set", 1, missing).result,
            StepResult::kStopped);
  EXPECT_EQ(CreplacePTdataClick("../set/Tolsern", home.path(), 1, missing).result,
            StepResult::kStopped);
  EXPECT_EQ(missing.MessageTexts(), (std::vector<std::string>{std::string(kClinicCodeMissing),
                                                              std::string(kClinicCodeMissing)}));
  EXPECT_EQ(PatientBytes(), before);

  // The window's handler finds the clinic below the live root.
  RecordingStepContext live(flags);
  EXPECT_EQ(CreplacePTdataClick(" 3501200000 ", home / "set", 1, live).result, StepResult::kDone);
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
  AnonymiseOutcome outcome = AnonymiseClinicStore(store, 1, context);
  EXPECT_EQ(outcome.result, StepResult::kDone);
  EXPECT_FALSE(outcome.charts_complete);
  EXPECT_GT(outcome.visits, 0u);
  EXPECT_LT(outcome.visits, 30u);
  std::vector<std::string> messages = context.MessageTexts();
  ASSERT_GE(messages.size(), 3u);
  EXPECT_NE(messages[1].find(" 開頭IDcode錯誤9"), std::string::npos) << messages[1];
}

}  // namespace
}  // namespace zuvo
