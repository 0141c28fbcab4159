#pragma once

#include <string>
#include <string_view>

namespace zuvo {

// The contents of a gzip stream (as written by `gzip -n`). Throws an Error naming `name` when
// the data is not a whole, intact gzip stream.
std::string Gunzip(std::string_view name, std::string_view compressed);

}  // namespace zuvo
