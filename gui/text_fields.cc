#include "text_fields.h"

#include "platform/big5.h"
#include "workspace/path_text.h"

namespace zuvo::gui {

QString FromBig5(std::string_view big5) { return FromUtf8(big5::ToUtf8Escaped(big5)); }

std::string ToBig5(const QString& text) { return big5::FromUtf8(text.toStdString()); }

QString FromUtf8(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString FromPath(const std::filesystem::path& path) { return FromUtf8(PathToUtf8(path)); }

std::filesystem::path ToPath(const QString& text) { return PathFromUtf8(text.toStdString()); }

}  // namespace zuvo::gui
