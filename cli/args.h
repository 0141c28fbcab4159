#pragma once

#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace zuvo::cli {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Command-line arguments: options "--name value" or "--name=value", flags "--name", and the
// remaining positional words in order. Every option a command reads is marked as known; Finish()
// rejects the ones no one asked for.
class Args {
 public:
  Args() = default;
  explicit Args(std::vector<std::string> words) : words_(std::move(words)) {}

  // The value of --name, if given (the first, when it is given more than once). Throws
  // UsageError when it is given without a value.
  std::optional<std::string> Option(const std::string& name);
  // Every value of --name, in the order given, for an option that may be repeated. Throws
  // UsageError as Option does.
  std::vector<std::string> OptionValues(const std::string& name);
  std::string OptionOr(const std::string& name, const std::string& fallback);
  bool Flag(const std::string& name);
  // Positional word number `index` (0-based), not counting options.
  std::optional<std::string> Positional(size_t index);
  std::string RequiredPositional(size_t index, const std::string& what);
  // Throws UsageError for an option that no Option()/Flag() call asked for, or for surplus
  // positional words beyond `positional_count`.
  void Finish(size_t positional_count);

 private:
  std::vector<std::string> PositionalWords() const;
  std::vector<std::string> words_;
  std::set<std::string> known_options_;
  std::set<std::string> known_flags_;
};

}  // namespace zuvo::cli
