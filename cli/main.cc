// zuvoconv: the conversion workbench's command line.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
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

// Each command's synopsis and summary, sorted by their words.
void PrintCommandList(std::ostream& out, std::vector<const Command*> commands) {
  std::sort(commands.begin(), commands.end(),
            [](const Command* a, const Command* b) { return a->words < b->words; });
  for (const Command* command : commands) {
    out << "  " << command->words << (command->usage.empty() ? "" : " ") << command->usage
        << "\n      " << command->summary << "\n";
  }
}

void PrintHelp(std::ostream& out) {
  out << "usage: zuvoconv [--home DIR] COMMAND [ARGS...]\n"
         "       zuvoconv --help | --version\n"
         "       zuvoconv COMMAND --help\n\n"
         "The program folder is DIR, else $ZUVO_HOME, else the folder of this program.\n\n"
         "commands:\n";
  std::vector<const Command*> all;
  for (const Command& command : Registry()) all.push_back(&command);
  PrintCommandList(out, all);
}

std::map<std::string, std::string>& OptionsHelpRegistry() {
  static std::map<std::string, std::string> help;
  return help;
}

bool AsksForHelp(const std::vector<std::string>& words) {
  return std::any_of(words.begin(), words.end(),
                     [](const std::string& word) { return word == "--help" || word == "-h"; });
}

void PrintCommandHelp(std::ostream& out, const Command& command) {
  auto help = OptionsHelpRegistry().find(command.words);
  if (help != OptionsHelpRegistry().end() && help->second.starts_with("usage:")) {
    out << help->second;
    return;
  }
  out << "usage: zuvoconv " << command.words << (command.usage.empty() ? "" : " ") << command.usage
      << "\n\n"
      << command.summary << "\n";
  if (help != OptionsHelpRegistry().end()) out << "\noptions:\n" << help->second;
}

// "zuvoconv vision --help": the commands that begin with the words before the first option, when
// there are any.
bool PrintGroupHelp(std::ostream& out, const std::vector<std::string>& words) {
  std::string group;
  for (const std::string& word : words) {
    if (word.starts_with("-")) break;
    group += word + " ";
  }
  if (group.empty()) return false;
  std::vector<const Command*> members;
  for (const Command& command : Registry()) {
    if ((command.words + " ").starts_with(group)) members.push_back(&command);
  }
  if (members.empty()) return false;
  out << "commands of zuvoconv " << group.substr(0, group.size() - 1) << ":\n";
  PrintCommandList(out, members);
  return true;
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
  while (!words.empty() && (words.front().rfind("--", 0) == 0 || words.front() == "-h")) {
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
  if (command == nullptr && AsksForHelp(words) && PrintGroupHelp(std::cout, words)) return kExitOk;
  if (command == nullptr) {
    std::cerr << "zuvoconv: unknown command " << words.front() << " (see zuvoconv --help)\n";
    return kExitUsage;
  }
  const std::vector<std::string> rest(words.begin() + static_cast<long>(used), words.end());
  if (AsksForHelp(rest)) {
    PrintCommandHelp(std::cout, *command);
    return kExitOk;
  }
  Invocation invocation{ResolveProgramFolder(explicit_home, argv[0]), Args(rest)};
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

bool RegisterOptionsHelp(const std::string& words, std::string help) {
  OptionsHelpRegistry()[words] += help;
  return true;
}

}  // namespace zuvo::cli

int main(int argc, char** argv) { return zuvo::cli::Main(argc, argv); }
