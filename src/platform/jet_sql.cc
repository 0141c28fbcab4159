#include "platform/jet_sql.h"

#include <cctype>

#include "platform/error.h"

namespace zuvo::jet_sql {
namespace {

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsWordPart(unsigned char c) { return IsWordStart(c) || std::isdigit(c) || c == '$'; }
bool IsOperatorChar(char c) { return c == '<' || c == '>' || c == '=' || c == '!'; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

class Translator {
 public:
  explicit Translator(std::string_view text) : text_(text) {}

  Translation Run() {
    while (pos_ < text_.size()) {
      unsigned char c = static_cast<unsigned char>(text_[pos_]);
      if (c == '\'') {
        CopySingleQuoted();
      } else if (c == '"') {
        BindDoubleQuoted();
      } else if (c == '[') {
        QuoteBracketedName();
      } else if (c == '?') {
        result_.parameters.push_back({false, result_.caller_parameter_count++, ""});
        result_.sql += '?';
        ++pos_;
      } else if (IsOperatorChar(static_cast<char>(c))) {
        TranslateOperator();
      } else if (IsWordStart(c)) {
        TranslateWord();
      } else if (std::isdigit(c)) {
        CopyWhile([](unsigned char d) { return IsWordPart(d) || d == '.'; });
      } else {
        result_.sql += static_cast<char>(c);
        ++pos_;
      }
    }
    return std::move(result_);
  }

 private:
  template <typename Predicate>
  std::string_view TakeWhile(Predicate keep) {
    size_t start = pos_;
    while (pos_ < text_.size() && keep(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    return text_.substr(start, pos_ - start);
  }
  template <typename Predicate>
  void CopyWhile(Predicate keep) {
    result_.sql += TakeWhile(keep);
  }

  // The position after blanks starting at `from`.
  size_t SkipBlanks(size_t from) const {
    while (from < text_.size() && std::isspace(static_cast<unsigned char>(text_[from]))) ++from;
    return from;
  }
  // When the word at `from` (after blanks) is `word`, the position after it; else npos.
  size_t WordAt(size_t from, std::string_view word) const {
    from = SkipBlanks(from);
    size_t end = from;
    while (end < text_.size() && IsWordPart(static_cast<unsigned char>(text_[end]))) ++end;
    if (end == from || !EqualsIgnoringCase(text_.substr(from, end - from), word)) {
      return std::string_view::npos;
    }
    return end;
  }

  // Text between `open` at pos_ and its closing `close`, where a doubled `close` stands for
  // one; pos_ moves past the closing character.
  std::string TakeQuoted(char close, const char* what) {
    size_t start = pos_++;
    std::string inner;
    while (true) {
      if (pos_ >= text_.size()) {
        throw Error(std::string("unterminated ") + what +
                    " in statement: " + std::string(text_.substr(start)));
      }
      char c = text_[pos_++];
      if (c != close) {
        inner += c;
      } else if (close != ']' && pos_ < text_.size() && text_[pos_] == close) {
        inner += c;
        ++pos_;
      } else {
        return inner;
      }
    }
  }

  void CopySingleQuoted() {
    size_t start = pos_;
    TakeQuoted('\'', "string literal");
    result_.sql += text_.substr(start, pos_ - start);
  }

  void BindDoubleQuoted() {
    result_.parameters.push_back({true, 0, TakeQuoted('"', "string literal")});
    result_.sql += '?';
  }

  void QuoteBracketedName() {
    std::string name = TakeQuoted(']', "bracketed name");
    result_.sql += '"';
    for (char c : name) {
      if (c == '"') result_.sql += '"';
      result_.sql += c;
    }
    result_.sql += '"';
  }

  void TranslateOperator() {
    std::string_view op = TakeWhile([](unsigned char c) { return IsOperatorChar(c); });
    bool not_equal = op == "<>" || op == "!=";
    bool equal = op == "=" || op == "==";
    if (not_equal || equal) {
      size_t after_null = WordAt(pos_, "null");
      if (after_null != std::string_view::npos) {
        if (!result_.sql.empty() && !std::isspace(static_cast<unsigned char>(result_.sql.back()))) {
          result_.sql += ' ';
        }
        result_.sql += not_equal ? "IS NOT NULL" : "IS NULL";
        pos_ = after_null;
        return;
      }
    }
    result_.sql += op;
  }

  void TranslateWord() {
    size_t start = pos_;
    std::string_view word = TakeWhile(IsWordPart);
    if (EqualsIgnoringCase(word, "delete")) {
      size_t star = SkipBlanks(pos_);
      if (star < text_.size() && text_[star] == '*') {
        size_t after_from = WordAt(star + 1, "from");
        if (after_from != std::string_view::npos) {
          result_.sql += text_.substr(start, word.size());
          result_.sql += " from";
          pos_ = after_from;
          return;
        }
      }
    }
    if (EqualsIgnoringCase(word, "true")) {
      result_.sql += '1';
    } else if (EqualsIgnoringCase(word, "false")) {
      result_.sql += '0';
    } else {
      result_.sql += word;
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
  Translation result_;
};

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

Translation Translate(std::string_view utf8_statement) { return Translator(utf8_statement).Run(); }

}  // namespace zuvo::jet_sql
