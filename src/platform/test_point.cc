#include "platform/test_point.h"

#include <csignal>
#include <cstdlib>
#include <string>

#include "platform/error.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace zuvo {
namespace {

constexpr std::string_view kFailSuffix = ":fail";

[[noreturn]] void KillThisProcess() {
#ifdef _WIN32
  std::_Exit(137);
#else
  ::kill(::getpid(), SIGKILL);
  std::_Exit(137);  // not reached
#endif
}

}  // namespace

void TestPoint(std::string_view name) {
  const char* wanted = std::getenv(kTestPointVariable);
  if (wanted == nullptr) return;
  std::string_view point(wanted);
  if (point == name) KillThisProcess();
  if (point.size() == name.size() + kFailSuffix.size() && point.starts_with(name) &&
      point.ends_with(kFailSuffix)) {
    throw Error("test point " + std::string(name) + " failed on purpose");
  }
}

}  // namespace zuvo
