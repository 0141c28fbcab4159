#include "platform/single_table_select.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace zuvo {
namespace {

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsWordPart(unsigned char c) { return IsWordStart(c) || std::isdigit(c) || c == '$'; }

struct Token {
  enum Kind { kWord, kName, kLiteral, kOther } kind;
  std::string text;  // a word or an unquoted name; the character for kOther
  size_t end = 0;
  int depth = 0;  // parentheses open before the token
};

// Words, "quoted names", 'literals' and single characters of a SQLite statement.
std::vector<Token> Tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  int depth = 0;
  for (size_t pos = 0; pos < sql.size();) {
    unsigned char c = static_cast<unsigned char>(sql[pos]);
    if (std::isspace(c)) {
      ++pos;
    } else if (c == '[') {
      // A bracketed name, as SQLite also reads it.
      const size_t close = sql.find(']', pos + 1);
      const size_t end = close == std::string_view::npos ? sql.size() : close;
      tokens.push_back({Token::kName, std::string(sql.substr(pos + 1, end - pos - 1)),
                        std::min(end + 1, sql.size()), depth});
      pos = std::min(end + 1, sql.size());
    } else if (c == '"' || c == '\'') {
      Token token{c == '"' ? Token::kName : Token::kLiteral, "", 0, depth};
      for (++pos; pos < sql.size(); ++pos) {
        if (sql[pos] == static_cast<char>(c)) {
          if (pos + 1 < sql.size() && sql[pos + 1] == static_cast<char>(c)) {
            token.text += sql[++pos];
            continue;
          }
          break;
        }
        token.text += sql[pos];
      }
      token.end = ++pos;
      tokens.push_back(std::move(token));
    } else if (IsWordPart(c)) {
      size_t start = pos;
      while (pos < sql.size() &&
             (IsWordPart(static_cast<unsigned char>(sql[pos])) || sql[pos] == '.'))
        ++pos;
      std::string word(sql.substr(start, pos - start));
      for (char& letter : word)
        letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
      tokens.push_back({Token::kWord, std::move(word), pos, depth});
    } else {
      if (c == ')') --depth;
      tokens.push_back({Token::kOther, std::string(1, static_cast<char>(c)), pos + 1, depth});
      if (c == '(') ++depth;
      ++pos;
    }
  }
  return tokens;
}

bool IsWord(const Token& token, std::string_view word) {
  return token.kind == Token::kWord && token.text == word;
}
bool IsOther(const Token& token, char c) {
  return token.kind == Token::kOther && token.text.size() == 1 && token.text[0] == c;
}

}  // namespace

std::optional<SingleTableSelect> FindSingleTableSelect(std::string_view sqlite_statement) {
  std::vector<Token> tokens = Tokenize(sqlite_statement);
  if (tokens.empty() || !IsWord(tokens[0], "select")) return std::nullopt;
  size_t i = 1;
  // The select list: "*" alone, or plain column names separated by commas.
  if (i < tokens.size() && IsOther(tokens[i], '*')) {
    ++i;
  } else {
    while (true) {
      if (i >= tokens.size()) return std::nullopt;
      const Token& column = tokens[i];
      bool is_name =
          column.kind == Token::kName ||
          (column.kind == Token::kWord && column.text != "distinct" && column.text != "all" &&
           column.text != "from" && column.text.find('.') == std::string::npos);
      if (!is_name) return std::nullopt;
      ++i;
      if (i < tokens.size() && IsOther(tokens[i], ',')) {
        ++i;
        continue;
      }
      break;
    }
  }
  if (i + 1 >= tokens.size() || !IsWord(tokens[i], "from")) return std::nullopt;
  const Token& table = tokens[i + 1];
  if (table.kind != Token::kName &&
      (table.kind != Token::kWord || table.text.find('.') != std::string::npos)) {
    return std::nullopt;
  }
  i += 2;
  if (i < tokens.size() && !IsWord(tokens[i], "where") && !IsWord(tokens[i], "order") &&
      !IsWord(tokens[i], "limit") && !IsOther(tokens[i], ';')) {
    return std::nullopt;  // an alias, a second table or a join
  }
  for (; i < tokens.size(); ++i) {
    if (tokens[i].depth != 0) continue;
    for (std::string_view word : {"group", "having", "union", "intersect", "except", "join"}) {
      if (IsWord(tokens[i], word)) return std::nullopt;
    }
  }
  SingleTableSelect found;
  // Words were lower-cased by the tokenizer; take the table name as written.
  if (table.kind == Token::kName) {
    found.table = table.text;
  } else {
    found.table =
        std::string(sqlite_statement.substr(table.end - table.text.size(), table.text.size()));
  }
  found.select_list_start = tokens[0].end;
  return found;
}

}  // namespace zuvo
