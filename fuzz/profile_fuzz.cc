// Reads every input as a profile file, then checks that a write changes exactly the value
// written, reaches the disk, and leaves every other value as it was.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/profile_file.h"

namespace fs = std::filesystem;

namespace {

const fs::path& File() {
  static const fs::path file = [] {
    std::string name = (fs::temp_directory_path() / "zuvo-profile-fuzz-XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) std::abort();
    return fs::path(name) / "fuzz.ini";
  }();
  return file;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string Fold(std::string_view name) { return zuvo::big5::UpperAscii(zuvo::big5::Trim(name)); }

struct Entry {
  std::string section, key, value;
};

std::vector<Entry> AllValues(const zuvo::ProfileFile& ini) {
  std::vector<Entry> entries;
  for (const std::string& section : ini.SectionNames()) {
    for (const std::string& key : ini.KeyNames(section)) {
      entries.push_back({section, key, ini.ReadString(section, key)});
    }
    ini.SectionLines(section);
  }
  return entries;
}

void CheckWrite(zuvo::ProfileFile& ini, const std::string& section, const std::string& key) {
  const std::vector<Entry> before = AllValues(ini);
  try {
    ini.WriteString(section, key, "written");
  } catch (const zuvo::Error&) {
    return;  // a name that a profile file cannot hold
  }
  Check(ini.ReadString(section, key) == "written");
  Check(zuvo::ProfileFile(ini.path()).ReadString(section, key) == "written");
  for (const Entry& entry : before) {
    const bool same_key = Fold(entry.section) == Fold(section) && Fold(entry.key) == Fold(key);
    Check(ini.ReadString(entry.section, entry.key) == (same_key ? "written" : entry.value));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the change; the rest is the file.
  const uint8_t change = data[0];
  const fs::path& file = File();
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  try {
    zuvo::ProfileFile ini(file);
    const std::vector<Entry> entries = AllValues(ini);
    for (const Entry& entry : entries) ini.ReadInteger(entry.section, entry.key, 0);
    const Entry& chosen =
        entries.empty() ? Entry{"new section", "k", ""} : entries[(change >> 2) % entries.size()];
    switch (change & 3) {
      case 0:
        CheckWrite(ini, chosen.section, chosen.key);
        break;
      case 1:
        CheckWrite(ini, chosen.section, "new key");
        break;
      case 2:
        CheckWrite(ini, "new section", "k");
        break;
      case 3:
        ini.DeleteKey(chosen.section, chosen.key);
        Check(ini.ReadString(chosen.section, chosen.key, "gone") == "gone");
        Check(zuvo::ProfileFile(file).ReadString(chosen.section, chosen.key, "gone") == "gone");
        ini.EraseSection(chosen.section);
        Check(!ini.HasSection(chosen.section));
        Check(!zuvo::ProfileFile(file).HasSection(chosen.section));
        break;
    }
  } catch (const zuvo::Error&) {
    // A UTF-8 file whose text Big5 cannot hold.
  }
  return 0;
}
