#pragma once

#include <string>
#include <string_view>

namespace stepquill {

// Searches arbitrary bytes for an arbitrary part and walks what follows, with
// arbitrary tokens and tempo. Returns what did not hold; empty when all did.
std::string CheckPartWalk(std::string_view bytes);

}  // namespace stepquill
