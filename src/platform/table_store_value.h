#pragma once

// Values that pass in and out of the table store: the parameters a caller binds, the values a
// column holds, and the kinds of columns the store knows.

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace zuvo {

// An amount of money as Jet keeps it: a whole number of ten-thousandths (12.3456 is 123456).
struct Currency {
  int64_t ten_thousandths = 0;
};

// The kind of a column, from the type name its table declares: TEXT/CHAR/CLOB → kText;
// CURRENCY/MONEY → kCurrency (integer ten-thousandths); BOOL… → kBoolean (0/1); DATE…/TIME… →
// kDateTime (real days since 1899-12-30); INT… → kInteger; REAL/FLOA…/DOUB… → kReal; BLOB →
// kBlob; anything else (an expression column) → kOther, read by the value it holds.
enum class ColumnKind { kText, kInteger, kReal, kCurrency, kBoolean, kDateTime, kBlob, kOther };
ColumnKind ColumnKindOfDeclaredType(std::string_view declared_type);
// The declared type the store writes into a schema for a column of `kind` (text compares
// without regard to ASCII letter case, as Jet's does).
std::string DeclaredTypeOf(ColumnKind kind);

// A value as SQLite holds it. Text is UTF-8.
struct StoredBlob {
  std::string bytes;
  bool operator==(const StoredBlob&) const = default;
};
using StoredValue = std::variant<std::monostate, int64_t, double, std::string, StoredBlob>;

// A value bound to a `?` of a statement, or compared by a Locate. Text is raw Big5 bytes unless
// made with Utf8(); the store converts it and reports text that does not convert.
class Param {
 public:
  enum class Type { kNull, kInteger, kNumber, kBig5Text, kUtf8Text, kBoolean, kCurrency };

  Param() = default;
  Param(std::nullptr_t) {}
  Param(const char* big5) : type_(Type::kBig5Text), text_(big5) {}
  Param(std::string big5) : type_(Type::kBig5Text), text_(std::move(big5)) {}
  Param(std::string_view big5) : type_(Type::kBig5Text), text_(big5) {}
  Param(bool value) : type_(Type::kBoolean), integer_(value ? 1 : 0) {}
  template <std::integral T>
  requires(!std::same_as<T, bool>) Param(T value)
      : type_(Type::kInteger), integer_(static_cast<int64_t>(value)) {}
  Param(double value) : type_(Type::kNumber), number_(value) {}
  Param(Currency value) : type_(Type::kCurrency), integer_(value.ten_thousandths) {}
  static Param Utf8(std::string utf8) {
    Param param;
    param.type_ = Type::kUtf8Text;
    param.text_ = std::move(utf8);
    return param;
  }

  Type type() const { return type_; }
  int64_t integer() const { return integer_; }  // kInteger, kBoolean (0/1), kCurrency
  double number() const { return number_; }
  const std::string& text() const { return text_; }  // Big5 or UTF-8 by type()

 private:
  Type type_ = Type::kNull;
  int64_t integer_ = 0;
  double number_ = 0;
  std::string text_;
};

}  // namespace zuvo
