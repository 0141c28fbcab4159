#include "support/cli_runner.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

namespace zuvo::testing {

CliOptions WithErrors(std::string environment) {
  CliOptions options;
  options.environment = std::move(environment);
  options.with_errors = true;
  return options;
}

bool HaveCli() { return std::getenv("ZUVO_CLI") != nullptr; }

CliRun RunCli(const std::string& arguments, const CliOptions& options) {
  CliRun run;
  const char* cli = std::getenv("ZUVO_CLI");
  if (cli == nullptr) return run;
  std::string command = (options.folder.empty() ? "" : "cd " + Quoted(options.folder) + " && ") +
                        options.environment + " '" + cli + "' " + arguments +
                        (options.errors_only   ? " 2>&1 >/dev/null"
                         : options.with_errors ? " 2>&1"
                                               : " 2>/dev/null");
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1;
  return run;
}

std::filesystem::path PrintedWorkTree(const std::string& out) {
  const std::string marker = "work tree: ";
  const size_t at = out.rfind(marker);
  if (at == std::string::npos) return {};
  const size_t end = out.find('\n', at);
  return out.substr(at + marker.size(), end == std::string::npos ? end : end - at - marker.size());
}

std::string Quoted(const std::filesystem::path& path) {
  std::string quoted = "'";
  for (char c : path.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace zuvo::testing
