#pragma once

#include <stdexcept>
#include <string>

namespace zuvo {

// A failure of a file, database, archive or text conversion. The message (UTF-8) names what
// failed and where; steps do not catch it, the GUI shows it in a message box and the CLI prints
// it and exits non-zero.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace zuvo
