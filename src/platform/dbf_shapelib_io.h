#pragma once

// shapelib's DBF module reached through its I/O hooks, so that it writes a new table under
// exactly the name asked for (shapelib itself would force a lower-case ".dbf" extension and look
// for ".cpg" sidecars). Tables are read by dbf_header.h and dbf_table.h, not by shapelib.

#include <shapefil.h>

#include <filesystem>
#include <memory>
#include <string>

namespace zuvo {

struct ShapelibDbfCloser {
  void operator()(DBFInfo* handle) const { DBFClose(handle); }
};
using ShapelibDbf = std::unique_ptr<DBFInfo, ShapelibDbfCloser>;

// Creates `file` (replacing it) as an empty dBase III table with language-driver byte
// `language_driver`. Null on failure, with shapelib's reason in `error`.
ShapelibDbf CreateShapelibDbf(const std::filesystem::path& file, int language_driver,
                              std::string& error);

}  // namespace zuvo
