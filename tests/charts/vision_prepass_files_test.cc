#include "charts/vision_prepass_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "platform/table_store.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

ComplaintRecord Complaint(int32_t patient, std::string_view date, std::string_view time,
                          std::string_view text) {
  ComplaintRecord record;
  record.Set(complaint_field::kPatientNumber, patient);
  record.Set(complaint_field::kDate, date);
  record.Set(complaint_field::kTime, time);
  record.Set(complaint_field::kText, text);
  return record;
}

// The bytes of a complaint record as the file format lays them out, built by hand.
std::string ComplaintBytes(int32_t patient, std::string_view date, std::string_view time,
                           std::string_view text, int32_t previous) {
  std::string bytes(276, '\0');
  StoreI32(bytes.data(), patient);
  bytes[4] = static_cast<char>(date.size());
  bytes.replace(5, date.size(), date);
  bytes[12] = static_cast<char>(time.size());
  bytes.replace(13, time.size(), time);
  bytes[19] = static_cast<char>(text.size());
  bytes.replace(20, text.size(), text);
  StoreI32(bytes.data() + 272, previous);
  return bytes;
}

TEST(ChainedRecordWriterTest, LinksEachPatientsRecordsNewestFirst) {
  TempDir dir;
  ChainHeads heads;
  {
    ComplaintWriter writer = OpenComplaintWriter(dir / "CC.rd");
    ComplaintRecord a = Complaint(7, "1120301", "083000", "cough");
    ComplaintRecord b = Complaint(9, "1120301", "090000", "fever");
    ComplaintRecord c = Complaint(7, "1120305", "100000", "CC:rash");
    EXPECT_EQ(writer.Append(a), 0);
    EXPECT_EQ(writer.Append(b), 1);
    EXPECT_EQ(writer.Append(c), 2);
    writer.Close();
    heads = writer.heads();
  }
  EXPECT_EQ(heads, (ChainHeads{{7, 2}, {9, 1}}));
  std::string expected = ComplaintBytes(7, "1120301", "083000", "cough", -1) +
                         ComplaintBytes(9, "1120301", "090000", "fever", -1) +
                         ComplaintBytes(7, "1120305", "100000", "CC:rash", 0);
  EXPECT_EQ(ReadFileBytes(dir / "CC.rd"), expected);
}

TEST(ChainedRecordWriterTest, OrderImageSitsAfterTheNineteenBytePrefix) {
  TempDir dir;
  OrderRecord order;
  order.Set(order_field::kInsuranceCode, "A012345100");
  order.Set(order_field::kDoseTimes100, 150);
  OrderLineRecord line;
  line.Set(order_line_field::kPatientNumber, 3);
  line.Set(order_line_field::kDate, "1120301");
  line.Set(order_line_field::kTime, "083000");
  SetOrderImage(line, order);
  {
    OrderLineWriter writer = OpenOrderLineWriter(dir / "MXdo.mx");
    writer.Append(line);
    writer.Append(line);
    writer.Close();
  }
  std::string bytes = ReadFileBytes(dir / "MXdo.mx");
  ASSERT_EQ(bytes.size(), 2u * 296);
  EXPECT_EQ(bytes.substr(19, 272), std::string(order.view()));
  EXPECT_EQ(bytes[19], 10);  // length byte of the NHI code
  EXPECT_EQ(LoadI16(bytes.data() + 19 + 64), 150);
  EXPECT_EQ(bytes[291], 0);
  EXPECT_EQ(LoadI32(bytes.data() + 292), -1);
  EXPECT_EQ(LoadI32(bytes.data() + 296 + 292), 0);
  EXPECT_EQ(std::string(OrderImageOf(line).view()), std::string(order.view()));
}

TEST(ChainHeadsTest, RoundTripThroughTheWorkDatabase) {
  TempDir dir;
  Database database = Database::Create(dir / "ANTCHECK.MDB");
  database.ExecuteScript("CREATE TABLE CClink (Chartno INTEGER, lastFileLoc INTEGER DEFAULT 0);");
  database.Execute("insert into CClink (Chartno, lastFileLoc) values (1, 99)");
  WriteChainHeads(database, "CClink", ChainHeads{{5, 0}, {6, 4}});
  EXPECT_EQ(ReadChainHeads(database, "CClink"), (ChainHeads{{5, 0}, {6, 4}}));
}

TEST(ChainedRecordFileTest, GroupsRecordsByPatientAndDateInChainOrder) {
  TempDir dir;
  std::string bytes = ComplaintBytes(7, "1120301", "083000", "first", -1) +
                      ComplaintBytes(8, "1120301", "083000", "other", -1) +
                      ComplaintBytes(7, "1120301", "140000", "second", 0) +
                      ComplaintBytes(7, "1120302", "090000", "next day", 2);
  WriteFileBytes(dir / "CC.rd", bytes);
  ComplaintFile file = OpenComplaintFile(dir / "CC.rd", ChainHeads{{7, 3}, {8, 1}});
  EXPECT_EQ(file.record_count(), 4);
  auto day = file.VisitRecords(7, "1120301");
  ASSERT_EQ(day.size(), 2u);
  EXPECT_EQ(day[0], 2);
  EXPECT_EQ(day[1], 0);
  EXPECT_EQ(file.Record(day[0]).Get(complaint_field::kText), "second");
  EXPECT_EQ(file.VisitRecords(7, "1120302").size(), 1u);
  EXPECT_TRUE(file.VisitRecords(7, "1120303").empty());
  EXPECT_TRUE(file.VisitRecords(99, "1120301").empty());
  EXPECT_EQ(file.Head(7), 3);
  EXPECT_EQ(file.Head(99), kNoPreviousRecord);
  EXPECT_TRUE(file.damaged_patients().empty());
}

TEST(ChainedRecordFileTest, DamagedChainsAreReportedAndCannotLoop) {
  TempDir dir;
  // Patient 7's chain runs into patient 8's record; patient 9's link points forward (a loop).
  std::string bytes = ComplaintBytes(8, "1120301", "083000", "foreign", -1) +
                      ComplaintBytes(7, "1120301", "090000", "own", 0) +
                      ComplaintBytes(9, "1120301", "090000", "loop", 2);
  WriteFileBytes(dir / "CC.rd", bytes);
  ComplaintFile file = OpenComplaintFile(dir / "CC.rd", ChainHeads{{7, 1}, {9, 2}});
  std::vector<int32_t> damaged = file.damaged_patients();
  std::sort(damaged.begin(), damaged.end());
  EXPECT_EQ(damaged, (std::vector<int32_t>{7, 9}));
  // The walk goes on through the foreign record, as its link leads.
  EXPECT_EQ(file.VisitRecords(7, "1120301").size(), 2u);
  EXPECT_EQ(file.VisitRecords(9, "1120301").size(), 1u);
}

TEST(ChainedRecordFileTest, MissingFileIsEmptyAndATornFileIsRefused) {
  TempDir dir;
  ComplaintFile missing = OpenComplaintFile(dir / "CC.rd", ChainHeads{{1, 0}});
  EXPECT_EQ(missing.record_count(), 0);
  EXPECT_EQ(missing.damaged_patients(), std::vector<int32_t>{1});
  WriteFileBytes(dir / "MXdo.mx", std::string(300, '\0'));
  EXPECT_THROW(OpenOrderLineFile(dir / "MXdo.mx", {}), Error);
}

// The chains of a complaint file walked the plain way, from the bytes: per (patient, stored date
// text) the record numbers in chain order. What the index must find.
std::map<std::pair<int32_t, std::string>, std::vector<int32_t>> WalkedVisits(
    const std::string& bytes, const ChainHeads& heads) {
  std::map<std::pair<int32_t, std::string>, std::vector<int32_t>> visits;
  const int32_t count = static_cast<int32_t>(bytes.size() / 276);
  for (const auto& [patient, head] : heads) {
    for (int32_t number = head, limit = count; number >= 0 && number < limit;) {
      const char* record = bytes.data() + static_cast<size_t>(number) * 276;
      size_t length = std::min<size_t>(static_cast<unsigned char>(record[4]), 7);
      visits[{patient, std::string(record + 5, length)}].push_back(number);
      limit = number;
      number = LoadI32(record + 272);
    }
  }
  return visits;
}

void ExpectIndexFinds(
    const ComplaintFile& file,
    const std::map<std::pair<int32_t, std::string>, std::vector<int32_t>>& visits) {
  for (const auto& [key, numbers] : visits) {
    auto found = file.VisitRecords(key.first, key.second);
    EXPECT_EQ(std::vector<int32_t>(found.begin(), found.end()), numbers)
        << key.first << " " << key.second;
  }
}

TEST(ChainedRecordFileTest, DatesAreComparedAsStoredToTheirLength) {
  TempDir dir;
  // The same seven bytes after the length byte, but lengths 6, 7 and 9 (read as 7); a date of
  // another patient; bytes past a short date's length that are not zero.
  std::string short_date = ComplaintBytes(7, "1120301", "083000", "six", -1);
  short_date[4] = 6;
  std::string long_length = ComplaintBytes(7, "1120301", "090000", "nine", 1);
  long_length[4] = 9;
  std::string bytes = short_date + ComplaintBytes(7, "1120301", "080000", "seven", 0) +
                      long_length + ComplaintBytes(8, "1120301", "080000", "other", -1);
  WriteFileBytes(dir / "CC.rd", bytes);
  const ChainHeads heads{{7, 2}, {8, 3}};
  ComplaintFile file = OpenComplaintFile(dir / "CC.rd", heads);
  EXPECT_TRUE(file.damaged_patients().empty());
  auto six = file.VisitRecords(7, "112030");
  EXPECT_EQ(std::vector<int32_t>(six.begin(), six.end()), std::vector<int32_t>{0});
  auto seven = file.VisitRecords(7, "1120301");
  EXPECT_EQ(std::vector<int32_t>(seven.begin(), seven.end()), (std::vector<int32_t>{2, 1}));
  EXPECT_EQ(file.VisitRecords(8, "1120301").size(), 1u);
  EXPECT_TRUE(file.VisitRecords(7, "11203011").empty());  // longer than any stored date
  EXPECT_TRUE(file.VisitRecords(7, "").empty());
  EXPECT_EQ(file.View(2).Get(complaint_field::kText), "nine");
  EXPECT_EQ(file.View(2).Get(complaint_field::kTime), "090000");
  ExpectIndexFinds(file, WalkedVisits(bytes, heads));
}

// Many patients whose visits interleave, a day's records apart from each other, written by the
// pre-pass's writer; then the same file with a record no chain reaches, which the file-order
// reading refuses, so the chains are walked instead. Both find what the plain walk finds.
TEST(ChainedRecordFileTest, FileOrderAndChainWalkFindTheSameVisits) {
  TempDir dir;
  ChainHeads heads;
  {
    ComplaintWriter writer = OpenComplaintWriter(dir / "CC.rd");
    uint32_t state = 12345;
    for (int i = 0; i < 3000; ++i) {
      state = state * 1103515245u + 12345u;
      const int32_t patient = static_cast<int32_t>(state >> 16) % 97 + 1;
      const std::string date = "11203" + std::to_string(10 + (state >> 8) % 20);
      ComplaintRecord record = Complaint(patient, date, "080000", std::to_string(i));
      writer.Append(record);
    }
    writer.Close();
    heads = writer.heads();
  }
  heads.emplace(500, kNoPreviousRecord);  // a patient without records
  const std::string bytes = ReadFileBytes(dir / "CC.rd");
  const auto walked = WalkedVisits(bytes, heads);
  ComplaintFile in_order = OpenComplaintFile(dir / "CC.rd", heads);
  EXPECT_TRUE(in_order.damaged_patients().empty());
  ExpectIndexFinds(in_order, walked);

  WriteFileBytes(dir / "CC.rd", bytes + ComplaintBytes(600, "1120310", "080000", "lost", -1));
  ComplaintFile walking = OpenComplaintFile(dir / "CC.rd", heads);
  EXPECT_TRUE(walking.damaged_patients().empty());
  ExpectIndexFinds(walking, walked);
  EXPECT_TRUE(walking.VisitRecords(600, "1120310").empty());
  size_t found = 0;
  for (const auto& [key, numbers] : walked) found += numbers.size();
  EXPECT_EQ(found, 3000u);
}

// A head that is not the patient's last record, or a first record whose link is not -1: the file
// is not in the pre-pass's form, and the walk decides what each chain holds.
TEST(ChainedRecordFileTest, ChainsThatSkipRecordsAreWalked) {
  TempDir dir;
  std::string bytes = ComplaintBytes(7, "1120301", "080000", "a", -1) +
                      ComplaintBytes(7, "1120301", "090000", "b", 0) +
                      ComplaintBytes(7, "1120301", "100000", "c", 0);
  WriteFileBytes(dir / "CC.rd", bytes);
  const ChainHeads heads{{7, 2}};  // record 1 is no part of the chain
  ComplaintFile file = OpenComplaintFile(dir / "CC.rd", heads);
  auto day = file.VisitRecords(7, "1120301");
  EXPECT_EQ(std::vector<int32_t>(day.begin(), day.end()), (std::vector<int32_t>{2, 0}));
  EXPECT_TRUE(file.damaged_patients().empty());

  bytes.replace(272, 4, I32Bytes(-5));  // the first record's link leads nowhere
  WriteFileBytes(dir / "CC.rd", bytes);
  ComplaintFile broken = OpenComplaintFile(dir / "CC.rd", heads);
  EXPECT_EQ(broken.damaged_patients(), std::vector<int32_t>{7});
  EXPECT_EQ(broken.VisitRecords(7, "1120301").size(), 2u);
}

TEST(ReferralIndexTest, NineFilesPerKeyTakenOnceEach) {
  ReferralIndex index;
  for (int i = 1; i <= 9; ++i) EXPECT_TRUE(index.Add("AA1234567892023", "ETA" + std::to_string(i)));
  EXPECT_FALSE(index.Add("AA1234567892023", "ETA10"));
  EXPECT_EQ(index.size(), 9u);
  EXPECT_EQ(index.Value("AA1234567892023"
                        "2"),
            "ETA2");
  EXPECT_EQ(index.Take("AA1234567892023"), "ETA1");
  EXPECT_EQ(index.Take("AA1234567892023"), "ETA2");
  EXPECT_TRUE(
      index.Contains("AA1234567892023"
                     "1"));
  EXPECT_EQ(index.Take("Bnobody"), "");
}

TEST(ReferralIndexTest, SavesCrLfLinesAndLoadsFirstOfDuplicates) {
  TempDir dir;
  ReferralIndex index;
  index.Add("AX20230301", "ETA01.XML");
  index.Add("AX20230301", "ETA02.XML");
  index.Add("BX20230302", "ETB01.XML");
  index.Save(dir / "REF.txt");
  EXPECT_EQ(ReadFileBytes(dir / "REF.txt"),
            "AX202303011=ETA01.XML\r\nAX202303012=ETA02.XML\r\nBX202303021=ETB01.XML\r\n");
  WriteFileBytes(dir / "REF.txt", "K1=first\r\nK1=second\nnoequals\r\nK2=x");
  ReferralIndex loaded = ReferralIndex::Load(dir / "REF.txt");
  EXPECT_EQ(loaded.Value("K1"), "first");
  EXPECT_EQ(loaded.Value("K2"), "x");
  EXPECT_EQ(loaded.size(), 2u);
  EXPECT_EQ(ReferralIndex::Load(dir / "none.txt").size(), 0u);
}

}  // namespace
}  // namespace zuvo
