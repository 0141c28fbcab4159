#pragma once

// Text in the code page a dBase table declares, decoded to UTF-8 for people to read (the `dbf`
// command). Big5 goes through big5.h; the other code pages through ICU's tables for them. Only
// code pages that keep ASCII as ASCII are offered, so that digits and punctuation written
// among the text read the same in any of them.

#include <memory>
#include <string>
#include <string_view>

namespace zuvo {

// Whether CodePageDecoder can decode Windows code page `code_page` (950 Big5, 936 GBK, 65001
// UTF-8, 1250..1258, the OEM code pages, ...).
bool CanDecodeCodePage(int code_page);

class CodePageDecoder {
 public:
  // Throws Error when this program cannot decode `code_page` (see CanDecodeCodePage).
  explicit CodePageDecoder(int code_page);
  ~CodePageDecoder();
  CodePageDecoder(CodePageDecoder&&) noexcept;
  CodePageDecoder& operator=(CodePageDecoder&&) noexcept;

  int code_page() const { return code_page_; }

  // UTF-8 of `bytes`; every byte that does not decode is shown as \xNN instead of being dropped.
  // Not for use by two threads at once.
  std::string ToUtf8Escaped(std::string_view bytes) const;

 private:
  struct Converter;
  int code_page_ = 0;
  std::unique_ptr<Converter> converter_;  // null for Big5
};

}  // namespace zuvo
