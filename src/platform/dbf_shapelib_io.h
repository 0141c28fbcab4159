#pragma once

// shapelib's DBF module reached through its I/O hooks, so that it parses a table header from
// bytes the adapter already holds and writes a new table under exactly the name asked for
// (shapelib itself would force a lower-case ".dbf" extension and look for ".cpg" sidecars).

#include <shapefil.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace zuvo {

struct ShapelibDbfCloser {
  void operator()(DBFInfo* handle) const { DBFClose(handle); }
};
using ShapelibDbf = std::unique_ptr<DBFInfo, ShapelibDbfCloser>;

// Lets shapelib parse the header of the table whose whole file is `bytes` (read only). Null on
// failure, with shapelib's reason in `error` (may be empty). `bytes` must outlive the handle.
ShapelibDbf OpenShapelibDbfFromBytes(std::string_view bytes, std::string& error);

// Creates `file` (replacing it) as an empty dBase III table with language-driver byte
// `language_driver`. Null on failure, with shapelib's reason in `error`.
ShapelibDbf CreateShapelibDbf(const std::filesystem::path& file, int language_driver,
                              std::string& error);

}  // namespace zuvo
