#include "support/json_reader.h"

#include <cstdlib>
#include <stdexcept>

namespace zuvo::testing {
namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  JsonValue Document() {
    JsonValue value = Value();
    Blanks();
    if (at_ != text_.size()) Fail("text after the value");
    return value;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("JSON: " + what + " at byte " + std::to_string(at_));
  }
  void Blanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t')) {
      ++at_;
    }
  }
  bool Take(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }
  void Expect(char c) {
    Blanks();
    if (at_ >= text_.size() || text_[at_] != c) Fail(std::string("expected '") + c + "'");
    ++at_;
  }

  void AppendUtf8(unsigned code, std::string& out) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string Text() {
    Expect('"');
    std::string out;
    while (true) {
      if (at_ >= text_.size()) Fail("unterminated text");
      char c = text_[at_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) Fail("control character in text");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) Fail("unterminated escape");
      char e = text_[at_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'u': {
          if (at_ + 4 > text_.size()) Fail("short \\u escape");
          AppendUtf8(static_cast<unsigned>(
                         std::strtoul(std::string(text_.substr(at_, 4)).c_str(), nullptr, 16)),
                     out);
          at_ += 4;
          break;
        }
        default:
          Fail("unknown escape");
      }
    }
  }

  JsonValue Value() {
    Blanks();
    if (at_ >= text_.size()) Fail("no value");
    JsonValue value;
    const char c = text_[at_];
    if (c == '{') {
      value.kind = JsonValue::Kind::kObject;
      ++at_;
      Blanks();
      if (Take("}")) return value;
      do {
        Blanks();
        std::string name = Text();
        Expect(':');
        value.members[name] = Value();
        Blanks();
      } while (Take(","));
      Expect('}');
    } else if (c == '[') {
      value.kind = JsonValue::Kind::kArray;
      ++at_;
      Blanks();
      if (Take("]")) return value;
      do {
        value.elements.push_back(Value());
        Blanks();
      } while (Take(","));
      Expect(']');
    } else if (c == '"') {
      value.kind = JsonValue::Kind::kText;
      value.text = Text();
    } else if (Take("true") || Take("false")) {
      value.kind = JsonValue::Kind::kBool;
      value.boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
    } else if (Take("null")) {
      value.kind = JsonValue::Kind::kNull;
    } else {
      const std::string rest(text_.substr(at_, 32));
      char* end = nullptr;
      value.number = std::strtod(rest.c_str(), &end);
      if (end == rest.c_str()) Fail("no value");
      value.kind = JsonValue::Kind::kNumber;
      at_ += static_cast<size_t>(end - rest.c_str());
    }
    return value;
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& name) const {
  static const JsonValue kNull;
  auto found = members.find(name);
  return found == members.end() ? kNull : found->second;
}

JsonValue ReadJson(std::string_view text) { return Reader(text).Document(); }

}  // namespace zuvo::testing
