#include "chart_json.h"

#include <charconv>

#include <nlohmann/json.hpp>


namespace stepquill {

namespace {

nlohmann::ordered_json Rating(const std::string& text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    long long rating = 0;
    const auto [end, error] = std::from_chars(first, last, rating);
    if (error != std::errc() || end != last || first == last) return nullptr;
    return rating;
}

}  // namespace

std::string ChartJson(const ChartInfo& info, TextDecoder& decoder) {
    nlohmann::ordered_json difficulties = nlohmann::ordered_json::array();
    for (const Difficulty& difficulty : info.Difficulties) {
        nlohmann::ordered_json part;
        part["text"] = decoder.ToUtf8(difficulty.DisplayText);
        part["name"] = decoder.ToUtf8(difficulty.Name);
        part["rating"] = Rating(difficulty.Rating);
        difficulties.push_back(std::move(part));
    }
    const nlohmann::ordered_json chart = {{"title", decoder.ToUtf8(FullTitle(info))},
                                  {"artist", decoder.ToUtf8(info.Artist)},
                                  {"bpm", info.Bpm},
                                  {"offset_ms", info.OffsetMs},
                                  {"difficulties", std::move(difficulties)}};
    return chart.dump() + "\n";
}

}  // namespace stepquill
