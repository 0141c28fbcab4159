#pragma once

#include <span>
#include <string_view>

namespace zuvo {

// One delivered file of the program folder, compiled into the program.
struct EmbeddedResource {
  std::string_view name;   // path relative to the program folder, '/' separated
  std::string_view bytes;  // the file's contents
};

// Every delivered file, in name order.
std::span<const EmbeddedResource> EmbeddedResources();

}  // namespace zuvo
