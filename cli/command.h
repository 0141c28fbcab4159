#pragma once

// zuvoconv's commands. Each command lives in its own file and registers itself with
// ZUVO_COMMAND; main() picks the command whose words match the start of the arguments.

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "args.h"

namespace zuvo::cli {

// Exit statuses shared by all commands.
constexpr int kExitOk = 0;
constexpr int kExitError = 1;    // a file or database error, or a finding (verify)
constexpr int kExitStopped = 2;  // a step stopped on a message box
constexpr int kExitUsage = 64;

struct Invocation {
  std::filesystem::path home;  // the program folder
  Args args;                   // the arguments after the command words
};

struct Command {
  std::string words;    // "init", "vision select", ...
  std::string usage;    // argument synopsis after the words
  std::string summary;  // one line for --help
  std::function<int(Invocation&)> run;
};

// Adds a command to the registry; used through ZUVO_COMMAND.
bool RegisterCommand(Command command);
// Adds lines to the --help of the command `words`: its options with their defaults. A text that
// begins with "usage:" is the command's whole help instead.
bool RegisterOptionsHelp(const std::string& words, std::string help);
const std::vector<Command>& Commands();

}  // namespace zuvo::cli

#define ZUVO_CLI_CONCAT_INNER(a, b) a##b
#define ZUVO_CLI_CONCAT(a, b) ZUVO_CLI_CONCAT_INNER(a, b)
#define ZUVO_COMMAND(...)                                            \
  static const bool ZUVO_CLI_CONCAT(registered_command_, __LINE__) = \
      ::zuvo::cli::RegisterCommand(::zuvo::cli::Command{__VA_ARGS__})
