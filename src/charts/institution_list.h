#pragma once

// hospbsc.txt: the NHI list of medical institutions, a Big5 comma-separated text with quoted
// fields whose first line names the columns ("醫事機構代碼", "醫事機構名稱", ...).

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zuvo {

class InstitutionList {
 public:
  // An empty list (every look-up misses).
  InstitutionList() = default;
  // Reads `name` in `folder` (found without regard to letter case). A missing file gives an
  // empty list; a file whose first line lacks the code or name column throws Error naming it.
  static InstitutionList Load(const std::filesystem::path& folder, std::string_view name);
  // Parses the text of such a file.
  static InstitutionList Parse(std::string_view big5_text, std::string_view file_name);

  // The name of the institution with NHI code `code` (trimmed); empty when not listed.
  std::string NameOf(std::string_view code) const;
  size_t size() const { return names_.size(); }

 private:
  std::unordered_map<std::string, std::string> names_;
};

// The kind of institution a name tells: "診所", "牙醫", "醫院", "中醫", "醫事檢驗所", "康復護理",
// else "醫院" (Big5).
std::string InstitutionType(std::string_view big5_name);

}  // namespace zuvo
