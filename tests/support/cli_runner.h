#pragma once

// Runs the zuvoconv program that ctest names in ZUVO_CLI, as a separate process.

#include <filesystem>
#include <string>

namespace zuvo::testing {

struct CliRun {
  int status = -1;  // the exit status; 128 + signal when a signal ended it
  std::string out;  // standard output, with standard error after it when asked for
};

struct CliOptions {
  // "NAME=value ..." put before the command (a test point, say).
  std::string environment;
  bool with_errors = false;      // standard error into `out` as well
  bool errors_only = false;      // standard error alone into `out` (standard output dropped)
  std::filesystem::path folder;  // the folder it runs in, when not this process's
};

// Options that take standard error into the output too, with `environment` before the command.
CliOptions WithErrors(std::string environment = "");

// True when ZUVO_CLI names the program; tests that run it skip themselves otherwise.
bool HaveCli();
// Runs `zuvoconv ARGUMENTS` through the shell (quote paths with Quoted).
CliRun RunCli(const std::string& arguments, const CliOptions& options = {});
// The path of the last "work tree: PATH" line a selection or run printed; empty when none.
std::filesystem::path PrintedWorkTree(const std::string& out);
// `path` quoted for the shell.
std::string Quoted(const std::filesystem::path& path);

}  // namespace zuvo::testing
