#pragma once

// Reads comma-separated text (RFC 4180: fields holding a comma, quote or line break are quoted,
// a quote inside is doubled; lines end with LF or CR LF). The text is taken as it is (UTF-8 for
// the program's own reference files).

#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

class CsvReader {
 public:
  // `name` names the text in error messages; `text` must outlive the reader.
  CsvReader(std::string name, std::string_view text);

  // The fields of the next record; false at the end of the text. A quoted field that is not
  // closed throws an Error naming the text and the line it started on.
  bool NextRecord(std::vector<std::string>& fields);

  // Line number (1-based) where the record last read started.
  size_t line() const { return record_line_; }

 private:
  std::string name_;
  std::string_view text_;
  size_t position_ = 0;
  size_t current_line_ = 1;
  size_t record_line_ = 0;
};

}  // namespace zuvo
