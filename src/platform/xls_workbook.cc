#include "platform/xls_workbook.h"

#include <freexl.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

std::string ReasonOf(int code) {
  switch (code) {
    case FREEXL_FILE_NOT_FOUND:
      return "the file does not exist or cannot be opened";
    case FREEXL_INSUFFICIENT_MEMORY:
      return "not enough memory";
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
      return "it is no Excel 97 workbook (no compound file header)";
    case FREEXL_CFBF_READ_ERROR:
    case FREEXL_CFBF_SEEK_ERROR:
      return "the file cannot be read to its end";
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
      return "it holds no workbook stream";
    case FREEXL_BIFF_INVALID_BOF:
      return "it is no BIFF workbook";
    case FREEXL_INVALID_CHARACTER:
    case FREEXL_UNSUPPORTED_CHARSET:
      return "a text in it cannot be decoded";
    case FREEXL_INVALID_MINI_STREAM:
    case FREEXL_CFBF_ILLEGAL_MINI_FAT_ENTRY:
      return "its small-stream table is damaged";
    case FREEXL_CRAFTED_FILE:
      return "the file is damaged";
    default:
      return "FreeXL error " + std::to_string(code);
  }
}

// The shortest decimal text that reads back as `value`; whole numbers without a point.
std::string NumberText(double value) {
  if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
    return std::to_string(static_cast<long long>(value));
  }
  char buffer[32];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : std::string();
}

}  // namespace

XlsWorkbook::XlsWorkbook(std::filesystem::path file, const void* handle)
    : file_(std::move(file)), handle_(handle) {}

XlsWorkbook::~XlsWorkbook() {
  if (handle_ != nullptr) freexl_close(handle_);
}

XlsWorkbook::XlsWorkbook(XlsWorkbook&& other) noexcept
    : file_(std::move(other.file_)),
      handle_(std::exchange(other.handle_, nullptr)),
      sheet_names_(std::move(other.sheet_names_)),
      selected_(other.selected_),
      rows_(other.rows_),
      columns_(other.columns_) {}

XlsWorkbook& XlsWorkbook::operator=(XlsWorkbook&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) freexl_close(handle_);
    file_ = std::move(other.file_);
    handle_ = std::exchange(other.handle_, nullptr);
    sheet_names_ = std::move(other.sheet_names_);
    selected_ = other.selected_;
    rows_ = other.rows_;
    columns_ = other.columns_;
  }
  return *this;
}

std::string XlsWorkbook::Where() const { return PathToUtf8(file_); }

XlsWorkbook XlsWorkbook::Open(const std::filesystem::path& file) {
  // FreeXL opens any path it is given, a folder too, and fails later in odd ways.
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) {
    throw Error(PathToUtf8(file) + ": the workbook does not exist");
  }
  const void* handle = nullptr;
  int status = freexl_open(file.c_str(), &handle);
  if (status != FREEXL_OK) {
    // FreeXL releases what it had read before it reports a failure.
    throw Error(PathToUtf8(file) + ": cannot read the workbook: " + ReasonOf(status));
  }
  XlsWorkbook workbook(file, handle);
  unsigned int info = 0;
  if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
      info == FREEXL_BIFF_OBFUSCATED) {
    throw Error(workbook.Where() + ": the workbook is protected by a password");
  }
  unsigned int sheets = 0;
  status = freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets);
  if (status != FREEXL_OK) {
    throw Error(workbook.Where() + ": cannot list the sheets: " + ReasonOf(status));
  }
  for (unsigned int index = 0; index < sheets; ++index) {
    const char* name = nullptr;
    status = freexl_get_worksheet_name(handle, static_cast<unsigned short>(index), &name);
    if (status != FREEXL_OK) {
      throw Error(workbook.Where() + ": cannot read the name of sheet " +
                  std::to_string(index + 1) + ": " + ReasonOf(status));
    }
    workbook.sheet_names_.emplace_back(name != nullptr ? name : "");
  }
  return workbook;
}

void XlsWorkbook::SelectSheet(size_t index) {
  if (index >= sheet_names_.size() || index > std::numeric_limits<unsigned short>::max()) {
    throw Error(Where() + ": the workbook has no sheet " + std::to_string(index + 1));
  }
  int status = freexl_select_active_worksheet(handle_, static_cast<unsigned short>(index));
  unsigned int rows = 0;
  unsigned short columns = 0;
  if (status == FREEXL_OK) status = freexl_worksheet_dimensions(handle_, &rows, &columns);
  if (status != FREEXL_OK) {
    throw Error(Where() + ", sheet " + sheet_names_[index] + ": " + ReasonOf(status));
  }
  selected_ = index;
  rows_ = rows;
  columns_ = columns;
}

std::string XlsWorkbook::Text(size_t row, size_t column) const {
  if (row >= rows_ || column >= columns_) return {};
  FreeXL_CellValue cell{};
  int status = freexl_get_cell_value(handle_, static_cast<unsigned int>(row),
                                     static_cast<unsigned short>(column), &cell);
  if (status != FREEXL_OK) {
    throw Error(Where() + ", sheet " + sheet_names_[selected_] + ", row " +
                std::to_string(row + 1) + ", column " + std::to_string(column + 1) + ": " +
                ReasonOf(status));
  }
  switch (cell.type) {
    case FREEXL_CELL_INT:
      return std::to_string(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
      return NumberText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
      return cell.value.text_value != nullptr ? cell.value.text_value : "";
    default:
      return {};
  }
}

}  // namespace zuvo
