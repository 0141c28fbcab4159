#include "charts/vision_visit_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charts/vision_visit_row.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/error.h"
#include "source_tables.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace f = visit_field;

DateTime At(int year, int month, int day, int hour, int minute = 0) {
  return *EncodeDateTime({year, month, day, hour, minute, 0, 0});
}

struct Built {
  VisionVisitRecord record;
  std::vector<std::string> lines;
};

VisionClinicSettings Clinic() {
  VisionClinicSettings clinic;
  clinic.clinic_id = "3501010000";
  clinic.main_doctor_name = big5::FromUtf8("王大明");
  clinic.main_doctor_id = "A123456789";
  clinic.pharmacist_name = big5::FromUtf8("李藥師");
  clinic.pharmacist_id = "B223456789";
  clinic.doctor_name_by_id = {{"C100000001", big5::FromUtf8("陳醫師")}};
  return clinic;
}

Built Build(VisionVisitRow row, int drug_days = 3, DateTime when = At(2021, 3, 1, 9, 30),
            const VisionClinicSettings& clinic = Clinic()) {
  Built built;
  built.record =
      BuildVisionVisitRecord(row, 42, when, drug_days, clinic,
                             [&](const std::string& line) { built.lines.push_back(line); });
  return built;
}

VisionVisitRow Row(std::string case_type, std::string copay = "000", std::string card = "05") {
  VisionVisitRow row;
  row.kcstmr = "42      ";
  row.date = "1100301";
  row.time = "093000";
  row.lcs = case_type;
  row.lhiid = copay;
  row.lisrs = card;
  return row;
}

TEST(VisionVisitRecord, CardSequences) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"123", "0123"}, {"000", "000"},     {"33", "IC31"}, {"23", "IC21"},  {"24", "IC22"},
      {"25", "IC23"},  {"26", "IC23"},     {"27", "IC24"}, {"28", "IC24"},  {"05", "IC05"},
      {"00", "00"},    {"au", "IC01"},     {"CU", "IC01"}, {"ic3", "C001"}, {"IC5", "IC5"},
      {"5", "5"},      {"ABCDEF", "ABCD"}, {"", ""}};
  for (const auto& [lisrs, expected] : cases) {
    EXPECT_EQ(VisionCardSequence(lisrs), expected) << lisrs;
  }
}

TEST(VisionVisitRecord, OrdinaryVisitFieldsAtTheirOffsets) {
  VisionVisitRow row = Row("01", "D10", " 26 ");
  row.creat = "01";
  row.ldtid = "C100000001";
  row.a0 = "  150";
  row.a98 = "-50";
  row.a96 = "1234";
  row.litem = "G5, ,H1,J2,K3,L4";
  row.lids = "2 ";
  row.licd = "X1,X2";
  Built built = Build(row, 7, At(2021, 3, 1, 18, 59));
  const VisitRecord& v = built.record.visit;
  const std::string bytes(v.view());
  EXPECT_EQ(v.Get(f::kPatientNumber), 42);
  EXPECT_EQ(v.Get(f::kCardSequence), "IC23");
  EXPECT_EQ(bytes.substr(9, 5), std::string("\x04") + "0000");
  EXPECT_EQ(big5::ToUtf8(v.Get(f::kDoctorName)), "陳醫師");
  EXPECT_EQ(v.Get(f::kDoctorId), "C100000001");
  EXPECT_EQ(big5::ToUtf8(v.Get(f::kPharmacistName)), "李藥師");
  EXPECT_EQ(v.Get(f::kPharmacistId), "B223456789");
  EXPECT_DOUBLE_EQ(v.Get(f::kVisitDateTime), At(2021, 3, 1, 18, 59));
  EXPECT_DOUBLE_EQ(v.Get(f::kVisitDateTimeCopy2), At(2021, 3, 1, 18, 59));
  // D10 is position 5 of the co-payment codes: class '3'.
  EXPECT_EQ(bytes[104], '3');
  EXPECT_EQ(v.Get(f::kCopayCode), "D10");
  EXPECT_EQ(v.Get(f::kVisitFlags), 0x1001);
  EXPECT_EQ(v.Get(f::kCardFlags), 0);
  EXPECT_EQ(v.Get(f::kRegistrationFee), 150);
  EXPECT_EQ(v.Get(f::kCopayAmount), 50);
  EXPECT_EQ(v.Get(f::kFurtherCharge), 1234);
  EXPECT_EQ(v.Get(f::kDepartment), "01");
  EXPECT_EQ(bytes[154], '0');
  EXPECT_EQ(v.Get(f::kCaseType), "01");
  EXPECT_EQ(v.Get(f::kSpecialTreatment1), "G5");
  EXPECT_EQ(v.Get(f::kSpecialTreatment2), "H1");
  EXPECT_EQ(v.Get(f::kSpecialTreatment3), "J2");
  EXPECT_EQ(v.Get(f::kSpecialTreatment4), "K3");
  EXPECT_EQ(bytes[170], '4');
  EXPECT_EQ(v.Get(f::kVisitCategory), "2");
  EXPECT_EQ(bytes.substr(174, 3), "110");
  // Procedures only for case types 03 and C1.
  EXPECT_EQ(v.Get(f::kProcedure1), "         ");
  EXPECT_EQ(built.record.procedure_codes, (std::vector<std::string>{"X1", "X2"}));
  EXPECT_EQ(v.Get(f::kDrugDays), 7);
  EXPECT_EQ(bytes[227], ' ');
  EXPECT_EQ(v.Get(f::kClaimValue), "");
  EXPECT_EQ(v.Get(f::kOne), "1");
  EXPECT_EQ(bytes[260], 'B');
  EXPECT_EQ(bytes[261], '0');
  EXPECT_EQ(bytes[290], ' ');
  EXPECT_TRUE(built.lines.empty());
}

TEST(VisionVisitRecord, UnknownDoctorAndCopayCodeAreListedAndReplaced) {
  VisionVisitRow row = Row("01", "X99");
  row.ldtid = "Z999";
  Built built = Build(row);
  EXPECT_EQ(built.record.visit.Get(f::kDoctorId), "A123456789");
  EXPECT_EQ(big5::ToUtf8(built.record.visit.Get(f::kDoctorName)), "王大明");
  EXPECT_EQ(built.record.visit.Get(f::kCopayCode), "000");
  EXPECT_EQ(built.record.payment_class, '0');
  EXPECT_EQ(built.lines, (std::vector<std::string>{"不明部分負擔碼:X99,42",
                                                   "醫師身分證錯誤:Z999 更改為:A123456789"}));
}

TEST(VisionVisitRecord, CopayClassRules) {
  // Blank code: class '0', code "000"; C10 only at the one clinic.
  EXPECT_EQ(Build(Row("01", "")).record.visit.Get(f::kCopayCode), "000");
  EXPECT_EQ(Build(Row("01", "00")).record.visit.Get(f::kCopayCode), "000");
  VisionClinicSettings special = Clinic();
  special.clinic_id = std::string(kVisionSpecialClinicId);
  Built c10 = Build(Row("01", "C10"), 3, At(2021, 3, 1, 9), special);
  EXPECT_EQ(c10.record.payment_class, '3');
  EXPECT_EQ(c10.record.visit.Get(f::kCopayCode), "C10");
  EXPECT_TRUE(c10.lines.empty());
  EXPECT_EQ(Build(Row("01", "C10")).record.payment_class, '0');
  // "001" has class '9', but D2, A3 and 08 make every known code class '3'.
  EXPECT_EQ(Build(Row("01", "001")).record.payment_class, '9');
  EXPECT_EQ(Build(Row("08", "001")).record.payment_class, '3');
  // A3 and D2 are "AC" visits whose code becomes 009.
  Built a3 = Build(Row("A3", "001"));
  EXPECT_EQ(a3.record.payment_class, '3');
  EXPECT_EQ(a3.record.visit.Get(f::kCopayCode), "009");
  EXPECT_EQ(a3.record.visit.Get(f::kVisitCategory), "AC");
}

TEST(VisionVisitRecord, SelfPaidWithoutCardGetsA900) {
  Built built = Build(Row("01", "D10", ""));
  EXPECT_EQ(built.record.visit.Get(f::kCardSequence), "A900");
  EXPECT_EQ(built.record.visit.Get(f::kCardFlags), 1);
  Built class_zero = Build(Row("01", "000", ""));
  EXPECT_EQ(class_zero.record.visit.Get(f::kCardSequence), "");
  EXPECT_EQ(class_zero.record.visit.Get(f::kCardFlags), 0);
}

TEST(VisionVisitRecord, RefillsAndCourses) {
  VisionVisitRow chronic = Row("08", "000", "IC3");
  chronic.lldtt = "2";
  chronic.lldcn = "3";
  chronic.llddt = "1100201";
  chronic.edate = "1100430";
  Built refill = Build(chronic);
  const VisitRecord& v = refill.record.visit;
  EXPECT_EQ(v.Get(f::kCardSequence), "IC03");
  EXPECT_EQ(v.Get(f::kRefillNumber), '2');
  EXPECT_EQ(v.Get(f::kVisitFlags), 0x1001);  // 08 does not set the repeat bit
  EXPECT_DOUBLE_EQ(v.Get(f::kFirstPrescriptionDate), At(2021, 2, 1, 0));
  EXPECT_EQ(v.Get(f::kRefillEndText), "0430");
  chronic.lldcn = "2";
  EXPECT_EQ(Build(chronic).record.visit.Get(f::kCardSequence), "IC02");

  VisionVisitRow second = Row("04");
  second.lldtt = "3";
  Built repeat = Build(second, 0);
  EXPECT_EQ(repeat.record.visit.Get(f::kVisitFlags), 0x3001);
  EXPECT_EQ(repeat.record.visit.Get(f::kRefillNumber), '3');
  // "04" with no drug days is written as "09"; the case type kept for the later rules is "04".
  EXPECT_EQ(repeat.record.visit.Get(f::kCaseType), "09");
  EXPECT_EQ(repeat.record.case_type, "04");
  second.lldtt = "1";
  EXPECT_EQ(Build(second, 5).record.visit.Get(f::kVisitFlags), 0x1001);
  EXPECT_EQ(Build(second, 5).record.visit.Get(f::kCaseType), "04");

  VisionVisitRow course = Row("01");
  course.lldno = big5::FromUtf8("4800療程");
  course.llddt = "1100215";
  course.lids = "3";
  Built aa = Build(course);
  EXPECT_EQ(aa.record.visit.Get(f::kVisitCategory), "AA");
  EXPECT_DOUBLE_EQ(aa.record.visit.Get(f::kFirstPrescriptionDate), At(2021, 2, 15, 0));
  course.llddt = course.date;  // the first day of the course itself
  EXPECT_EQ(Build(course).record.visit.Get(f::kVisitCategory), "3");
}

TEST(VisionVisitRecord, ProceduresOfSurgeryCasesAndClinicPeriods) {
  VisionVisitRow row = Row("C1");
  row.licd = "0QS,  ,A1234567890,B2,C3,D4,E5,F6";
  Built built = Build(row, 3, At(2021, 3, 1, 12, 59));
  EXPECT_EQ(built.record.visit.Get(f::kProcedure1), "0QS");
  EXPECT_EQ(built.record.visit.Get(f::kProcedure2), "A12345678");
  EXPECT_EQ(built.record.visit.Get(f::kProcedure3), "B2");
  EXPECT_EQ(built.record.procedure_codes.size(), 6u);
  EXPECT_EQ(built.record.visit.Get(f::kClinicPeriod), 'A');
  EXPECT_EQ(ClinicPeriodLetter(At(2021, 3, 1, 13)), 'B');
  EXPECT_EQ(ClinicPeriodLetter(At(2021, 3, 1, 19)), 'C');
  EXPECT_EQ(ClinicPeriodLetter(At(2021, 3, 1, 23, 59)), 'C');
}

// The reader looks the fields up once and fills the same row for every record: each read holds
// the current record's raw bytes, a long text shorter on the next row included.
TEST(VisionVisitRowReader, ReadsEachRecordsRawFields) {
  testing::TempDir dir;
  testing::WriteSourceTable(dir / "CO03L.DBF", testing::kVisitColumns,
                            {{{"KCSTMR", "12"}, {"DATE", "1120301"}, {"LACD", "J069,E119,I10"}},
                             {{"KCSTMR", "13"}, {"DATE", "1120302"}, {"LACD", "K21"}}},
                            20);
  DbfTable table = DbfTable::Open(dir.path(), "CO03L.DBF");
  VisionVisitRowReader reader(table);
  table.First();
  const VisionVisitRow& first = reader.Read();
  EXPECT_EQ(first.kcstmr, std::string(table.RawField("KCSTMR")));
  EXPECT_EQ(big5::Trim(first.lacd), "J069,E119,I10");
  EXPECT_EQ(first.lacd.size(), 20u);
  table.Next();
  const VisionVisitRow& second = reader.Read();
  EXPECT_EQ(big5::Trim(second.kcstmr), "13");
  EXPECT_EQ(big5::Trim(second.date), "1120302");
  EXPECT_EQ(big5::Trim(second.lacd), "K21");
  EXPECT_EQ(second.licd, std::string(20, ' '));
}

// A table without one of the fields is refused when its first row is read, naming the field.
TEST(VisionVisitRowReader, AMissingFieldIsNamed) {
  testing::TempDir dir;
  std::vector<std::string> columns = testing::kVisitColumns;
  columns.pop_back();  // LICD
  testing::WriteSourceTable(dir / "CO03L.DBF", columns, {{{"KCSTMR", "12"}}});
  DbfTable table = DbfTable::Open(dir.path(), "CO03L.DBF");
  VisionVisitRowReader reader(table);
  table.First();
  try {
    reader.Read();
    FAIL() << "read a row without LICD";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("LICD"), std::string::npos) << error.what();
  }
}

}  // namespace
}  // namespace zuvo
