#include "args.h"

namespace zuvo::cli {

namespace {
bool IsOptionWord(const std::string& word) { return word.size() > 2 && word.rfind("--", 0) == 0; }
std::string OptionName(const std::string& word) {
  auto eq = word.find('=');
  return word.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
}
}  // namespace

std::optional<std::string> Args::Option(const std::string& name) {
  std::vector<std::string> values = OptionValues(name);
  if (values.empty()) return std::nullopt;
  return values.front();
}

std::vector<std::string> Args::OptionValues(const std::string& name) {
  known_options_.insert(name);
  std::vector<std::string> values;
  for (size_t i = 0; i < words_.size(); ++i) {
    if (!IsOptionWord(words_[i]) || OptionName(words_[i]) != name) continue;
    auto eq = words_[i].find('=');
    if (eq != std::string::npos) {
      values.push_back(words_[i].substr(eq + 1));
    } else if (i + 1 < words_.size()) {
      values.push_back(words_[++i]);
    } else {
      throw UsageError("--" + name + " needs a value");
    }
  }
  return values;
}

std::string Args::OptionOr(const std::string& name, const std::string& fallback) {
  return Option(name).value_or(fallback);
}

bool Args::Flag(const std::string& name) {
  known_flags_.insert(name);
  for (const std::string& word : words_) {
    if (word == "--" + name) return true;
  }
  return false;
}

std::vector<std::string> Args::PositionalWords() const {
  std::vector<std::string> positional;
  for (size_t i = 0; i < words_.size(); ++i) {
    if (IsOptionWord(words_[i])) {
      std::string name = OptionName(words_[i]);
      bool takes_value = known_options_.count(name) && words_[i].find('=') == std::string::npos;
      if (takes_value) ++i;
      continue;
    }
    positional.push_back(words_[i]);
  }
  return positional;
}

std::optional<std::string> Args::Positional(size_t index) {
  std::vector<std::string> positional = PositionalWords();
  if (index >= positional.size()) return std::nullopt;
  return positional[index];
}

std::string Args::RequiredPositional(size_t index, const std::string& what) {
  auto word = Positional(index);
  if (!word) throw UsageError("missing " + what);
  return *word;
}

void Args::Finish(size_t positional_count) {
  for (const std::string& word : words_) {
    if (!IsOptionWord(word)) continue;
    std::string name = OptionName(word);
    if (!known_options_.count(name) && !known_flags_.count(name)) {
      throw UsageError("unknown option --" + name);
    }
  }
  if (PositionalWords().size() > positional_count) {
    throw UsageError("unexpected argument " + PositionalWords()[positional_count]);
  }
}

}  // namespace zuvo::cli
