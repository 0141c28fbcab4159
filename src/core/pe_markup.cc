#include "core/pe_markup.h"

#include "core/number_text.h"
#include "core/tag_elements.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

int32_t IntegerValueOr(const std::string& text, int32_t fallback) {
  std::optional<int64_t> value = ParseInteger(text);
  if (!value || *value < INT32_MIN || *value > INT32_MAX) return fallback;
  return static_cast<int32_t>(*value);
}

// Takes every value of `lines` into `set`; with `only_non_empty`, empty values keep what `set`
// holds (n, show and data are always taken).
void TakeValues(const std::vector<std::string>& lines, tPEfieldSet& set, bool only_non_empty) {
  auto take = [&](std::string_view name, std::string& target) {
    std::string value = ElementValue(lines, name);
    if (!only_non_empty || !value.empty()) target = std::move(value);
  };
  auto take_integer = [&](std::string_view name, int32_t& target, int32_t fallback) {
    std::string value = ElementValue(lines, name);
    if (!only_non_empty || !value.empty()) target = IntegerValueOr(value, fallback);
  };
  set.n = ElementValue(lines, "n");
  set.show = ElementValue(lines, "show");
  set.data = ElementValue(lines, "data");
  take("INSUcode", set.INSUcode);
  take("h1", set.h1);
  take("input", set.input);
  take("unit", set.unit);
  take("nvalue", set.nvalue);
  take("align", set.align);
  take("items", set.items);
  take("help", set.help);
  take("method", set.method);
  take_integer("size", set.size, 10);
  take_integer("rows", set.rows, 3);
}

}  // namespace

std::string WritePEItem(const PEItem& item) {
  std::string data = item.items.empty() ? item.data : WritePEItems(item.items);
  return "<PE><n>" + item.name + "</n><data>" + data + "</data></PE>";
}

std::string WritePEItems(const std::vector<PEItem>& items) {
  std::string text;
  for (const PEItem& item : items) text += WritePEItem(item);
  return text;
}

PEFieldSetResult ParsePEFieldSet(std::string_view field, std::string_view definition) {
  PEFieldSetResult result;
  std::vector<std::string> lines;
  std::string wrapped = "<P>" + std::string(definition) + "</P>";
  ReadTagElements(wrapped, 1, "P", lines);
  TakeValues(lines, result.set, /*only_non_empty=*/false);
  if (field.empty()) {
    result.found = true;
    return result;
  }
  std::string fields = ElementValue(lines, "fd");
  std::string wanted = big5::UpperAscii(field);
  std::vector<std::string> element;
  for (size_t at = ReadTagElements(fields, 1, "PE", element); at != 0;
       at = ReadTagElements(fields, at, "PE", element)) {
    if (big5::UpperAscii(ElementValue(element, "n")) == wanted) {
      TakeValues(element, result.set, /*only_non_empty=*/true);
      result.found = true;
      break;
    }
  }
  return result;
}

}  // namespace zuvo
