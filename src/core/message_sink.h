#pragma once

// How the store routines show a line in the running step's message list. The line is UTF-8; the
// caller (the step's context) decides where it goes. An empty sink drops the lines.

#include <functional>
#include <string>

namespace zuvo {

using MessageSink = std::function<void(const std::string& utf8_line)>;

inline void Show(const MessageSink& sink, const std::string& utf8_line) {
  if (sink) sink(utf8_line);
}

}  // namespace zuvo
