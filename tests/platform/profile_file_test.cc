#include "platform/profile_file.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/big5.h"
#include "platform/error.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using ::zuvo::testing::ReadFileBytes;
using ::zuvo::testing::TempDir;
using ::zuvo::testing::WriteFileBytes;

std::string Big5(std::string_view utf8) { return big5::FromUtf8(utf8); }

// 聖 is B8 74: its trail byte is the letter 't'. 設 is B3 5D: its trail byte is ']'.
const std::string kYaosheng = Big5("耀聖");
const std::string kYaoshengUpperTrail = "\xC4\xA3\xB8\x54";  // 耀 + 聖 with 't' turned into 'T'

class ProfileFileTest : public ::testing::Test {
 protected:
  std::filesystem::path Write(std::string_view bytes) {
    WriteFileBytes(file_, bytes);
    return file_;
  }
  std::string Disk() { return ReadFileBytes(file_); }

  TempDir dir_;
  std::filesystem::path file_ = dir_ / "data.ini";
};

TEST_F(ProfileFileTest, NamesCompareWithoutAsciiCaseButBig5BytesExactly) {
  Write("[" + kYaosheng + "system]\r\nPharmacistname=" + Big5("王藥師") + "\r\n");
  ProfileFile ini(file_);
  EXPECT_EQ(ini.ReadString(kYaosheng + "SYSTEM", "PharmacistName"), Big5("王藥師"));
  EXPECT_EQ(ini.ReadString("  " + kYaosheng + "System ", " PHARMACISTNAME "), Big5("王藥師"));
  // Folding the trail byte 't' of 聖 would make this a different character match.
  EXPECT_EQ(ini.ReadString(kYaoshengUpperTrail + "system", "Pharmacistname", "none"), "none");
  EXPECT_FALSE(ini.HasSection(kYaoshengUpperTrail + "SYSTEM"));

  // The same for keys: 繁 (C1 63) and 磷 (C1 43) differ only in the case of the trail byte.
  ini.WriteString("k", "\xC1\x63", "fan");
  ini.WriteString("k", "\xC1\x43", "lin");
  EXPECT_EQ(ini.ReadString("K", "\xC1\x63"), "fan");
  EXPECT_EQ(ini.ReadString("K", "\xC1\x43"), "lin");
  EXPECT_EQ(ini.KeyNames("k"), (std::vector<std::string>{"\xC1\x63", "\xC1\x43"}));
}

TEST_F(ProfileFileTest, SectionHeaderEndsAtABracketThatIsACharacterOfItsOwn) {
  const std::string setting = Big5("設");  // B3 5D
  Write("[" + setting + "]\r\na=1\r\n[" + setting + "\r\nb=2\r\n[x] ; note\r\nc=3\r\n");
  ProfileFile ini(file_);
  EXPECT_EQ(ini.ReadString(setting, "a"), "1");
  // "[設" has no closing bracket of its own: it is an ordinary line of the section above.
  EXPECT_EQ(ini.ReadString(setting, "b"), "2");
  EXPECT_EQ(ini.ReadString("x", "c"), "3");
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{setting, "x"}));
}

TEST_F(ProfileFileTest, FirstOfDuplicateSectionsAndKeysIsReadAndWritten) {
  Write("[DUPID]\r\n12=7\r\n12=9\r\n[other]\r\nx=1\r\n[dupid]\r\n12=5\r\n13=6\r\n");
  ProfileFile ini(file_);
  EXPECT_EQ(ini.ReadString("DupId", "12"), "7");
  EXPECT_EQ(ini.ReadString("DUPID", "13", "none"), "none");  // only in the second section
  EXPECT_EQ(ini.KeyNames("dupid"), (std::vector<std::string>{"12", "12"}));
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"DUPID", "other", "dupid"}));

  ini.WriteString("dupid", "12", "8");
  EXPECT_EQ(Disk(), "[DUPID]\r\n12=8\r\n12=9\r\n[other]\r\nx=1\r\n[dupid]\r\n12=5\r\n13=6\r\n");
}

TEST_F(ProfileFileTest, ValuesLoseBlanksAndOnePairOfMatchingQuotes) {
  Write(
      "[s]\r\n"
      "  plain  =  a b  \r\n"
      "double=\"  padded \"\r\n"
      "single='x'\r\n"
      "nested=\"'x'\"\r\n"
      "unmatched=\"x'\r\n"
      "lone=\"\r\n"
      "empty=\r\n"
      "\tTabbed\t=\tv\t\r\n");
  ProfileFile ini(file_);
  EXPECT_EQ(ini.ReadString("s", "plain"), "a b");
  EXPECT_EQ(ini.ReadString("s", "double"), "  padded ");
  EXPECT_EQ(ini.ReadString("s", "single"), "x");
  EXPECT_EQ(ini.ReadString("s", "nested"), "'x'");
  EXPECT_EQ(ini.ReadString("s", "unmatched"), "\"x'");
  EXPECT_EQ(ini.ReadString("s", "lone"), "\"");
  EXPECT_EQ(ini.ReadString("s", "empty", "fallback"), "");
  EXPECT_EQ(ini.ReadString("s", "tabbed"), "v");
  EXPECT_EQ(
      ini.SectionLines("s"),
      (std::vector<std::string>{"plain=a b", "double=\"  padded \"", "single='x'", "nested=\"'x'\"",
                                "unmatched=\"x'", "lone=\"", "empty=", "Tabbed=v"}));
  // Entries give each key line as written, its value as ReadString reads it.
  std::vector<std::pair<std::string, std::string>> entries;
  for (const ProfileEntry& entry : ini.Entries("s")) entries.emplace_back(entry.key, entry.value);
  EXPECT_EQ(entries, (std::vector<std::pair<std::string, std::string>>{{"plain", "a b"},
                                                                       {"double", "  padded "},
                                                                       {"single", "x"},
                                                                       {"nested", "'x'"},
                                                                       {"unmatched", "\"x'"},
                                                                       {"lone", "\""},
                                                                       {"empty", ""},
                                                                       {"Tabbed", "v"}}));
}

TEST_F(ProfileFileTest, CommentsAndLinesWithoutEqualsAreNotReadButKept) {
  const std::string original =
      "; heading comment\n"
      "[s]\n"
      ";key=hidden\n"
      "just some words\n"
      "=no name\n"
      "key=1\n";
  Write(original);
  ProfileFile ini(file_);
  EXPECT_EQ(ini.ReadString("s", ";key", "none"), "none");
  EXPECT_EQ(ini.KeyNames("s"), (std::vector<std::string>{"key"}));
  EXPECT_EQ(ini.SectionLines("s"), (std::vector<std::string>{"key=1"}));
  ASSERT_EQ(ini.Entries("s").size(), 1u);
  EXPECT_EQ(ini.Entries("s")[0].value, "1");

  ini.WriteString("s", "key", "2");
  ini.WriteString("s", "new", "3");
  // LF-ended lines stay as they were; the new line ends in CR LF.
  EXPECT_EQ(Disk(),
            "; heading comment\n[s]\n;key=hidden\njust some words\n=no name\nkey=2\nnew=3\r\n");
}

TEST_F(ProfileFileTest, NewKeysGoToTheEndOfTheirSectionAndNewSectionsToTheEndOfTheFile) {
  Write("[a]\r\nx=1\r\n\r\n[b]\r\ny=2");  // the last line has no line end
  ProfileFile ini(file_);
  ini.WriteString("A", "z", "3");
  ini.WriteString("b", "w", "4");
  ini.WriteString("c", "v", "5");
  EXPECT_EQ(Disk(), "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\nw=4\r\n[c]\r\nv=5\r\n");

  // A key that exists keeps its spelling; only its value changes.
  ini.WriteString("a", "X", " spaced ");
  EXPECT_EQ(Disk(), "[a]\r\nx= spaced \r\nz=3\r\n\r\n[b]\r\ny=2\r\nw=4\r\n[c]\r\nv=5\r\n");
  EXPECT_EQ(ini.ReadString("a", "x"), "spaced");
}

TEST_F(ProfileFileTest, MissingFileReadsEmptyAndIsCreatedByTheFirstWrite) {
  ProfileFile ini(file_);
  EXPECT_EQ(ini.ReadString("s", "k", "def"), "def");
  EXPECT_TRUE(ini.SectionNames().empty());
  ini.EraseSection("s");
  EXPECT_FALSE(std::filesystem::exists(file_));
  ini.WriteString("s", "k", "v");
  EXPECT_EQ(Disk(), "[s]\r\nk=v\r\n");
}

TEST_F(ProfileFileTest, EraseSectionRemovesEveryCopyAndDeleteKeyEveryOccurrence) {
  Write("[DUPID]\r\n1=2\r\n[keep]\r\n1=1\r\n1=3\r\nz=9\r\n[dupid]\r\n4=5\r\n\r\n[tail]\r\nt=1\r\n");
  ProfileFile ini(file_);
  ini.EraseSection("DupID");
  EXPECT_FALSE(ini.HasSection("DUPID"));
  EXPECT_EQ(Disk(), "[keep]\r\n1=1\r\n1=3\r\nz=9\r\n[tail]\r\nt=1\r\n");

  ini.DeleteKey("KEEP", "1");
  EXPECT_EQ(ini.ReadString("keep", "1", "gone"), "gone");
  EXPECT_EQ(Disk(), "[keep]\r\nz=9\r\n[tail]\r\nt=1\r\n");
  ini.WriteString("keep", "1", "again");
  EXPECT_EQ(Disk(), "[keep]\r\nz=9\r\n1=again\r\n[tail]\r\nt=1\r\n");
  ini.DeleteKey("missing", "1");
  ini.DeleteKey("keep", "missing");
  EXPECT_EQ(ini.KeyNames("keep"), (std::vector<std::string>{"z", "1"}));
}

TEST_F(ProfileFileTest, LongValuesAreReadWholeOrCutLikeAWindowsBuffer) {
  const std::string item = Big5("檢");  // two bytes
  std::string value;
  while (value.size() < 6142) value += item;
  value += "ab";  // 6144 bytes
  Write("[PE]\r\nHDL=" + value + "\r\n");
  EXPECT_EQ(ReadProfileString(file_, "pe", "hdl"), value);
  EXPECT_EQ(ReadProfileStringLimited(file_, "PE", "HDL", 6145), value);
  EXPECT_EQ(ReadProfileStringLimited(file_, "PE", "HDL", 6144), value.substr(0, 6143));
  EXPECT_EQ(ReadProfileStringLimited(file_, "PE", "HDL", 6143), value.substr(0, 6142));
  // Five bytes would split the third character: it is left out whole.
  EXPECT_EQ(ReadProfileStringLimited(file_, "PE", "HDL", 6), value.substr(0, 4));
  EXPECT_EQ(ReadProfileStringLimited(file_, "PE", "missing", 10), "");
  EXPECT_EQ(ReadProfileStringLimited(file_, "PE", "HDL", 0), "");
}

TEST_F(ProfileFileTest, ReadIntegerTakesTheLeadingNumber) {
  Write("[n]\r\na=42abc\r\nb=-7\r\nc=abc\r\nd=\"12\"\r\ne=99999999999\r\nf=+5\r\ng=--5\r\nh=\r\n");
  ProfileFile ini(file_);
  EXPECT_EQ(ini.ReadInteger("n", "a", -1), 42);
  EXPECT_EQ(ini.ReadInteger("n", "b", -1), -7);
  EXPECT_EQ(ini.ReadInteger("n", "c", -1), -1);
  EXPECT_EQ(ini.ReadInteger("n", "d", -1), 12);
  EXPECT_EQ(ini.ReadInteger("n", "e", -1), 2147483647);
  EXPECT_EQ(ini.ReadInteger("n", "f", -1), 5);
  EXPECT_EQ(ini.ReadInteger("n", "g", -1), -1);
  EXPECT_EQ(ini.ReadInteger("n", "h", -1), -1);
  EXPECT_EQ(ini.ReadInteger("n", "missing", 3), 3);
}

TEST_F(ProfileFileTest, RewriteKeepsOtherContentByteExactAndLeavesNoTemporaryFile) {
  // Odd but legal content: junk bytes, a lone CR inside a line, Big5 everywhere.
  const std::string original = "\xFF\xFE junk\r\n[" + kYaosheng + "]\r\n" + Big5("名稱") + " = " +
                               Big5("診所") + "\r\nodd=a\rb\n\n;" + Big5("註解") + "\r\n";
  Write(original);
  ProfileFile ini(file_);
  EXPECT_EQ(ini.ReadString(kYaosheng, Big5("名稱")), Big5("診所"));
  ini.WriteString(kYaosheng, "odd", "c");
  std::string expected = original;
  expected.replace(expected.find("odd=a\rb"), 7, "odd=c");
  EXPECT_EQ(Disk(), expected);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

TEST_F(ProfileFileTest, BatchWritesOnceWhenItEnds) {
  Write("[system]\r\nx=1\r\n");
  ProfileFile ini(file_);
  {
    ProfileFile::Batch batch(ini);
    ini.EraseSection("DUPID");
    for (int i = 1; i <= 3000; ++i) ini.WriteString("DUPID", std::to_string(i), "1");
    {
      ProfileFile::Batch inner(ini);
      ini.WriteString("system", "x", "2");
    }
    EXPECT_EQ(Disk(), "[system]\r\nx=1\r\n");  // nothing written yet
    EXPECT_EQ(ini.ReadString("dupid", "2999"), "1");
  }
  const std::string written = Disk();
  EXPECT_TRUE(written.starts_with("[system]\r\nx=2\r\n[DUPID]\r\n1=1\r\n2=1\r\n"));
  EXPECT_EQ(ProfileFile(file_).KeyNames("DUPID").size(), 3000u);
}

TEST_F(ProfileFileTest, BatchEndedByAnExceptionStillWritesWhatWasChanged) {
  ProfileFile ini(file_);
  try {
    ProfileFile::Batch batch(ini);
    ini.WriteString("s", "k", "v");
    throw std::runtime_error("step failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(Disk(), "[s]\r\nk=v\r\n");
}

TEST_F(ProfileFileTest, ChangesByOthersAreSeenAndKept) {
  Write("[s]\r\na=1\r\n");
  ProfileFile first(file_);
  ProfileFile second(file_);
  first.WriteString("s", "b", "2");
  EXPECT_EQ(second.ReadString("s", "b"), "2");
  WriteProfileString(file_, "s", "c", "3");
  {
    ProfileFile::Batch batch(second);
    second.WriteString("s", "d", "4");
    // Someone else writes while the batch is open: both changes survive.
    WriteProfileString(file_, "t", "e", "5");
  }
  EXPECT_EQ(Disk(), "[s]\r\na=1\r\nb=2\r\nc=3\r\nd=4\r\n[t]\r\ne=5\r\n");
  EXPECT_EQ(first.ReadString("t", "e"), "5");
}

TEST_F(ProfileFileTest, ChangesKeepingTheSizeAreSeenAtOnce) {
  // Rewrites of the same size follow each other faster than file times change.
  Write("[s]\r\nk=0\r\n");
  ProfileFile reader(file_);
  EXPECT_EQ(ReadProfileString(file_, "s", "k"), "0");
  for (char digit = '1'; digit <= '9'; ++digit) {
    const std::string value(1, digit);
    WriteProfileString(file_, "s", "k", value);
    EXPECT_EQ(reader.ReadString("s", "k"), value);
    EXPECT_EQ(ReadProfileString(file_, "s", "k"), value);
    EXPECT_EQ(ReadProfileStringLimited(file_, "s", "k", 2), value);
  }
}

TEST_F(ProfileFileTest, MalformedFilesAreReadWithoutFailing) {
  std::string junk = "[open\r\nk=1\r\n" + std::string(1 << 20, 'x') + "=long\r\n";
  junk += std::string("\0\x01\x02 junk\r\n", 11);
  junk += "[s]\r\n\xA4=lead\r\nv=ok";
  Write(junk);
  ProfileFile ini(file_);
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"s"}));
  EXPECT_EQ(ini.ReadString("s", "v"), "ok");
  EXPECT_EQ(ini.ReadString("open", "k", "none"), "none");  // before any header: not readable
  ini.WriteString("s", "w", "new");
  EXPECT_EQ(Disk(), junk + "\r\nw=new\r\n");
}

TEST_F(ProfileFileTest, UnstorableNamesAndValuesAreRefusedAndNothingIsWritten) {
  Write("[s]\r\nk=1\r\n");
  ProfileFile ini(file_);
  EXPECT_THROW(ini.WriteString("s", "a=b", "v"), Error);
  EXPECT_THROW(ini.WriteString("s", ";a", "v"), Error);
  EXPECT_THROW(ini.WriteString("s", "[a]", "v"), Error);
  EXPECT_THROW(ini.WriteString("s", " ", "v"), Error);
  EXPECT_THROW(ini.WriteString("", "k", "v"), Error);
  EXPECT_THROW(ini.WriteString("s\r\n[t", "k", "v"), Error);
  EXPECT_THROW(ini.WriteString("s", "k", "1\r\n[evil]"), Error);
  try {
    ini.WriteString("s", "k", "line\nbreak");
    FAIL() << "a value with a line break must be refused";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "cannot write a value with a line break into key \"k\" of section \"s\" of " +
                  file_.string());
  }
  EXPECT_EQ(Disk(), "[s]\r\nk=1\r\n");
}

TEST_F(ProfileFileTest, AFileThatCannotBeReadIsAnErrorNamingIt) {
  std::filesystem::create_directory(file_);
  try {
    ProfileFile ini(file_);
    FAIL() << "a folder is not a readable profile file";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find(file_.string()), std::string::npos) << error.what();
  }
}

TEST_F(ProfileFileTest, Utf8FileWithByteOrderMarkIsReadAsBig5AndWrittenBackAsUtf8) {
  Write("\xEF\xBB\xBF[系統]\r\n藥師=王小明\r\n");
  ProfileFile ini(file_);
  EXPECT_EQ(ini.ReadString(Big5("系統"), Big5("藥師")), Big5("王小明"));
  ini.WriteString(Big5("系統"), "ID", Big5("甲"));
  EXPECT_EQ(Disk(), "\xEF\xBB\xBF[系統]\r\n藥師=王小明\r\nID=甲\r\n");
}

}  // namespace
}  // namespace zuvo
