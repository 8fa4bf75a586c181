#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chart_info.h"

namespace stepquill {

// One of the parts a chart lists: its display text ("MANIAC(9)") and how
// many parts of the same name the chart lists before it.
struct PartChoice {
    std::string DisplayText;
    std::size_t Occurrence = 0;
};

// The part that `wanted` names, as the list shows it ("MANIAC(9)") or bare
// ("MANIAC"): the first exact match, else the one part it names without
// regard to case. None, with the reason, when it names none or several.
std::optional<PartChoice> ChoosePart(const std::vector<Difficulty>& difficulties, const std::string& wanted,
                                     std::string& reason);

// A part with the timing file it goes into.
struct PartFile {
    PartChoice Part;
    std::string Path;
};

// Every listed part with a file of its own in `folder` (empty: the chart's
// folder), named after the chart and the part: "song.dwi" gives
// "song.MANIAC.kvt", and a second MANIAC part "song.MANIAC-2.kvt".
// `ending` is the files' ending without its dot; `stem`, when not empty,
// names the files instead of the chart's name without its ending.
std::vector<PartFile> PlanPartFiles(const std::string& chartPath, const std::string& folder,
                                    const std::vector<Difficulty>& difficulties, std::string_view ending = "kvt",
                                    std::string_view stem = {});

}  // namespace stepquill
