#include "description_output.h"

#include <cstdio>
#include <ostream>
#include <string>

namespace zuvo::cli {
namespace {

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

}  // namespace

void WriteJson(const Description& value, std::ostream& out, int indent) {
  std::string pad(static_cast<size_t>(indent) * 2, ' ');
  std::string inner(static_cast<size_t>(indent + 1) * 2, ' ');
  switch (value.kind()) {
    case Description::Kind::kText:
      out << JsonString(value.scalar());
      return;
    case Description::Kind::kNumber:
    case Description::Kind::kBool:
      out << value.scalar();
      return;
    case Description::Kind::kObject: {
      if (value.members().empty()) {
        out << "{}";
        return;
      }
      out << "{\n";
      for (size_t i = 0; i < value.members().size(); ++i) {
        out << inner << JsonString(value.members()[i].first) << ": ";
        WriteJson(value.members()[i].second, out, indent + 1);
        out << (i + 1 < value.members().size() ? ",\n" : "\n");
      }
      out << pad << "}";
      return;
    }
    case Description::Kind::kArray: {
      if (value.elements().empty()) {
        out << "[]";
        return;
      }
      out << "[\n";
      for (size_t i = 0; i < value.elements().size(); ++i) {
        out << inner;
        WriteJson(value.elements()[i], out, indent + 1);
        out << (i + 1 < value.elements().size() ? ",\n" : "\n");
      }
      out << pad << "]";
      return;
    }
  }
}

namespace {

bool IsScalar(const Description& value) {
  return value.kind() != Description::Kind::kObject && value.kind() != Description::Kind::kArray;
}

}  // namespace

void WriteText(const Description& value, std::ostream& out, int indent) {
  std::string pad(static_cast<size_t>(indent) * 2, ' ');
  auto write_member = [&](const std::string& label, const Description& member) {
    if (IsScalar(member)) {
      out << pad << label << ": " << member.scalar() << "\n";
    } else {
      out << pad << label << ":\n";
      WriteText(member, out, indent + 1);
    }
  };
  if (value.kind() == Description::Kind::kObject) {
    for (const auto& [name, member] : value.members()) write_member(name, member);
  } else if (value.kind() == Description::Kind::kArray) {
    for (size_t i = 0; i < value.elements().size(); ++i) {
      write_member("[" + std::to_string(i) + "]", value.elements()[i]);
    }
  } else {
    out << pad << value.scalar() << "\n";
  }
}

}  // namespace zuvo::cli
