#pragma once

#include <cstdint>
#include <ostream>

namespace stepquill::bench {

// Writes a chart of `parts` short single-play parts under the format's
// usual difficulty names, each with a measure of arrows: the shape of a
// chart whose --all run converts a great many parts.
void WriteManyPartsDwi(std::ostream& out, std::uint64_t parts);
void WriteManyPartsSm(std::ostream& out, std::uint64_t parts);

}  // namespace stepquill::bench
