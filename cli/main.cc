// zuvoconv: the conversion workbench's command line.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "app/program_folder.h"
#include "command.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo::cli {
namespace {

std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

std::vector<std::string> SplitWords(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

void PrintHelp(std::ostream& out) {
  out << "usage: zuvoconv [--home DIR] COMMAND [ARGS...]\n"
         "       zuvoconv --help | --version\n\n"
         "The program folder is DIR, else $ZUVO_HOME, else the folder of this program.\n\n"
         "commands:\n";
  std::vector<Command> sorted = Registry();
  std::sort(sorted.begin(), sorted.end(),
            [](const Command& a, const Command& b) { return a.words < b.words; });
  for (const Command& command : sorted) {
    std::string synopsis = command.words + (command.usage.empty() ? "" : " " + command.usage);
    out << "  " << synopsis << "\n      " << command.summary << "\n";
  }
}

// The registered command whose words match the longest start of `words`.
const Command* FindCommand(const std::vector<std::string>& words, size_t& used) {
  const Command* best = nullptr;
  used = 0;
  for (const Command& command : Registry()) {
    std::vector<std::string> command_words = SplitWords(command.words);
    if (command_words.size() > words.size() || command_words.size() <= used) continue;
    if (std::equal(command_words.begin(), command_words.end(), words.begin())) {
      best = &command;
      used = command_words.size();
    }
  }
  return best;
}

int Main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  std::filesystem::path explicit_home;
  while (!words.empty() && words.front().rfind("--", 0) == 0) {
    if (words.front() == "--help" || words.front() == "-h") {
      PrintHelp(std::cout);
      return kExitOk;
    }
    if (words.front() == "--version") {
      std::cout << "zuvoconv " << ZUVO_VERSION << "\n";
      return kExitOk;
    }
    if (words.front() == "--home" || words.front().rfind("--home=", 0) == 0) {
      const bool joined = words.front() != "--home";
      if (!joined && words.size() < 2) {
        std::cerr << "zuvoconv: --home needs a folder\n";
        return kExitUsage;
      }
      const std::string folder = joined ? words.front().substr(7) : words[1];
      // An empty value would silently mean the program's own folder.
      if (folder.empty()) {
        std::cerr << "zuvoconv: --home needs a folder, not an empty value\n";
        return kExitUsage;
      }
      explicit_home = PathFromUtf8(folder);
      words.erase(words.begin(), words.begin() + (joined ? 1 : 2));
    } else {
      std::cerr << "zuvoconv: unknown option " << words.front() << "\n";
      return kExitUsage;
    }
  }
  if (words.empty()) {
    PrintHelp(std::cerr);
    return kExitUsage;
  }
  size_t used = 0;
  const Command* command = FindCommand(words, used);
  if (command == nullptr) {
    std::cerr << "zuvoconv: unknown command " << words.front() << " (see zuvoconv --help)\n";
    return kExitUsage;
  }
  Invocation invocation{ResolveProgramFolder(explicit_home, argv[0]),
                        Args({words.begin() + static_cast<long>(used), words.end()})};
  try {
    return command->run(invocation);
  } catch (const UsageError& error) {
    std::cerr << "zuvoconv " << command->words << ": " << error.what() << "\nusage: zuvoconv "
              << command->words << " " << command->usage << "\n";
    return kExitUsage;
  } catch (const std::exception& error) {
    std::cout.flush();
    std::cerr << "zuvoconv " << command->words << ": " << error.what() << "\n";
    return kExitError;
  }
}

}  // namespace

bool RegisterCommand(Command command) {
  Registry().push_back(std::move(command));
  return true;
}

const std::vector<Command>& Commands() { return Registry(); }

}  // namespace zuvo::cli

int main(int argc, char** argv) { return zuvo::cli::Main(argc, argv); }
