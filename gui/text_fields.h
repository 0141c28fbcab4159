#pragma once

// Window texts are Unicode; the engine's field values are Big5 and its paths native. These are
// the conversions at the window's edge.

#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace zuvo::gui {

// Big5 bytes for display; a byte sequence that does not decode shows as \xNN.
QString FromBig5(std::string_view big5);
// Throws big5::ConversionError (an Error) for a character Big5 cannot hold.
std::string ToBig5(const QString& text);
QString FromUtf8(std::string_view utf8);
QString FromPath(const std::filesystem::path& path);
std::filesystem::path ToPath(const QString& text);

}  // namespace zuvo::gui
