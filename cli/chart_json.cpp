#include "chart_json.h"

#include <charconv>

#include <nlohmann/json.hpp>

#include "part_choice.h"

namespace stepquill {

namespace {

nlohmann::ordered_json Rating(const std::string& displayText) {
    const std::size_t open = displayText.find('(');
    const std::size_t close = displayText.find(')', open);
    if (open == std::string::npos || close == std::string::npos) return nullptr;
    const char* first = displayText.data() + open + 1;
    const char* last = displayText.data() + close;
    long long rating = 0;
    const auto [end, error] = std::from_chars(first, last, rating);
    if (error != std::errc() || end != last || first == last) return nullptr;
    return rating;
}

}  // namespace

std::string ChartJson(const ConverterState& state, const ChartInfo& info, TextDecoder& decoder) {
    nlohmann::ordered_json difficulties = nlohmann::ordered_json::array();
    for (const auto& difficulty : info.Difficulties) {
        nlohmann::ordered_json part;
        part["text"] = decoder.ToUtf8(difficulty);
        part["name"] = decoder.ToUtf8(PartNameOf(difficulty));
        part["rating"] = Rating(difficulty);
        difficulties.push_back(std::move(part));
    }
    const nlohmann::ordered_json chart = {{"title", decoder.ToUtf8(state.Title)},
                                  {"artist", decoder.ToUtf8(state.Artist)},
                                  {"bpm", state.Bpm},
                                  {"offset_ms", state.OffsetMs},
                                  {"difficulties", std::move(difficulties)}};
    return chart.dump() + "\n";
}

}  // namespace stepquill
