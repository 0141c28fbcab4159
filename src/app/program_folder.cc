#include "app/program_folder.h"

#include <cstdlib>
#include <fstream>

#include "catalogue/reference_databases.h"
#include "platform/big5.h"
#include "platform/embedded_resources.h"
#include "platform/error.h"

namespace zuvo {

namespace fs = std::filesystem;

fs::path ResolveProgramFolder(const fs::path& explicit_home, const fs::path& program_file) {
  if (!explicit_home.empty()) return fs::absolute(explicit_home);
  if (const char* home = std::getenv("ZUVO_HOME"); home != nullptr && *home != '\0') {
    return fs::absolute(home);
  }
  return fs::absolute(program_file).parent_path();
}

namespace {

bool IsTextSettingsFile(const fs::path& name) {
  std::string extension = big5::LowerAscii(name.extension().string());
  return extension == ".ini" || extension == ".txt";
}

std::string WindowsText(std::string_view utf8) {
  std::string big5 = big5::FromUtf8(utf8);
  std::string text;
  text.reserve(big5.size() + big5.size() / 16);
  for (size_t i = 0; i < big5.size(); ++i) {
    if (big5[i] == '\n' && (i == 0 || big5[i - 1] != '\r')) text += '\r';
    text += big5[i];
  }
  return text;
}

}  // namespace

std::vector<std::string> InstallDeliveredFiles(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error)
    throw Error("cannot create the program folder " + folder.string() + ": " + error.message());
  std::vector<std::string> written;
  for (const EmbeddedResource& resource : EmbeddedResources()) {
    // Names starting with ":" are the inputs the databases below are built from.
    if (resource.name.starts_with(':')) continue;
    fs::path target = folder / fs::path(std::string(resource.name));
    if (fs::exists(target)) continue;
    fs::create_directories(target.parent_path(), error);
    std::string bytes =
        IsTextSettingsFile(target) ? WindowsText(resource.bytes) : std::string(resource.bytes);
    fs::path partial = target;
    partial += ".partial";
    {
      std::ofstream out(partial, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      out.close();
      if (!out) throw Error("cannot write " + partial.string());
    }
    fs::rename(partial, target, error);
    if (error) throw Error("cannot write " + target.string() + ": " + error.message());
    written.emplace_back(resource.name);
  }
  for (const DeliveredDatabase& database : DeliveredDatabases()) {
    fs::path target = folder / fs::path(std::string(database.file_name));
    if (fs::exists(target)) continue;
    BuildDeliveredDatabase(database, target);
    written.emplace_back(database.file_name);
  }
  return written;
}

}  // namespace zuvo
