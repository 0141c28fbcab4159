#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/csv_reader.h"
#include "platform/error.h"
#include "platform/gzip_data.h"

namespace zuvo {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::vector<std::string>> ReadAll(std::string_view text) {
  CsvReader reader("test.csv", text);
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> fields;
  while (reader.NextRecord(fields)) records.push_back(fields);
  return records;
}

TEST(CsvReaderTest, ReadsQuotedFieldsAndLineEnds) {
  auto records = ReadAll(
      "code,name\n"
      "A000,\"Cholera, due to \"\"01\"\"\"\r\n"
      "B,\"two\nlines\"\n"
      ",\n"
      "last,\"\"");
  ASSERT_EQ(records.size(), 5u);
  EXPECT_THAT(records[0], ElementsAre("code", "name"));
  EXPECT_THAT(records[1], ElementsAre("A000", "Cholera, due to \"01\""));
  EXPECT_THAT(records[2], ElementsAre("B", "two\nlines"));
  EXPECT_THAT(records[3], ElementsAre("", ""));
  EXPECT_THAT(records[4], ElementsAre("last", ""));
}

TEST(CsvReaderTest, CountsLinesAcrossQuotedLineBreaks) {
  CsvReader reader("test.csv", "a\n\"x\ny\"\nb\n");
  std::vector<std::string> fields;
  ASSERT_TRUE(reader.NextRecord(fields));
  EXPECT_EQ(reader.line(), 1u);
  ASSERT_TRUE(reader.NextRecord(fields));
  EXPECT_EQ(reader.line(), 2u);
  ASSERT_TRUE(reader.NextRecord(fields));
  EXPECT_EQ(reader.line(), 4u);
  EXPECT_THAT(fields, ElementsAre("b"));
  EXPECT_FALSE(reader.NextRecord(fields));
}

TEST(CsvReaderTest, UnclosedQuoteNamesTheFileAndLine) {
  CsvReader reader("medicine.csv", "a,b\nc,\"open\nmore");
  std::vector<std::string> fields;
  ASSERT_TRUE(reader.NextRecord(fields));
  try {
    reader.NextRecord(fields);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "medicine.csv: the quoted field of line 2 is not closed");
  }
}

TEST(GunzipTest, UnpacksAndRefusesDamagedData) {
  // "hello\n" compressed by gzip -n.
  const std::string packed(
      "\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\xcb\x48\xcd\xc9\xc9\xe7\x02\x00\x20\x30\x3a\x36"
      "\x06\x00\x00\x00",
      26);
  EXPECT_EQ(Gunzip("x.gz", packed), "hello\n");
  EXPECT_THAT([&] { Gunzip("x.gz", packed.substr(0, 15)); },
              ::testing::ThrowsMessage<Error>(HasSubstr("x.gz: damaged or incomplete gzip data")));
  std::string corrupt = packed;
  corrupt[12] ^= 0x55;
  EXPECT_THROW(Gunzip("x.gz", corrupt), Error);
  EXPECT_THROW(Gunzip("x.gz", "plain text"), Error);
}

}  // namespace
}  // namespace zuvo
