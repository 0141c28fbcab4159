#include "catalogue/csv_reader.h"

#include "platform/error.h"

namespace zuvo {

CsvReader::CsvReader(std::string name, std::string_view text)
    : name_(std::move(name)), text_(text) {}

bool CsvReader::NextRecord(std::vector<std::string>& fields) {
  fields.clear();
  if (position_ >= text_.size()) return false;
  record_line_ = current_line_;
  std::string field;
  while (true) {
    if (position_ < text_.size() && text_[position_] == '"') {
      ++position_;
      while (true) {
        if (position_ >= text_.size()) {
          throw Error(name_ + ": the quoted field of line " + std::to_string(record_line_) +
                      " is not closed");
        }
        char c = text_[position_++];
        if (c == '"') {
          if (position_ < text_.size() && text_[position_] == '"') {
            field += '"';
            ++position_;
            continue;
          }
          break;
        }
        if (c == '\n') ++current_line_;
        field += c;
      }
    }
    // Unquoted text (or what follows a closing quote) up to the next comma or line end.
    while (position_ < text_.size() && text_[position_] != ',' && text_[position_] != '\n') {
      field += text_[position_++];
    }
    if (position_ >= text_.size() || text_[position_] == '\n') {
      if (!field.empty() && field.back() == '\r') field.pop_back();
      fields.push_back(std::move(field));
      if (position_ < text_.size()) {
        ++position_;
        ++current_line_;
      }
      return true;
    }
    ++position_;  // the comma
    fields.push_back(std::move(field));
    field.clear();
  }
}

}  // namespace zuvo
