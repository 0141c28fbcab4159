#pragma once

// Checks of a settings (profile) file before its values are used. The files are Big5; one saved
// by an editor as UTF-8 or UTF-16 would silently miss every Chinese key, so such a file is
// refused with a message naming it. Duplicate keys are legal (the first one wins, as Windows
// reads them) but usually a slip of hand editing, so they are reported.

#include <filesystem>
#include <string>
#include <vector>

namespace zuvo {

// Throws Error naming the file when it exists and is not Big5 text: a byte-order mark, NUL
// bytes, or a byte sequence that does not decode as Big5. A missing file passes.
void RequireBig5SettingsFile(const std::filesystem::path& file);

// One UTF-8 line per key that appears more than once within its section (names compared
// without regard to ASCII case), in file order: "data.ini [system] Pharmacistname
// 重複,採用第一個值".
std::vector<std::string> DuplicateKeyWarnings(const std::filesystem::path& file);

}  // namespace zuvo
