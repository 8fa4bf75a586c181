#include "chart_info.h"

#include "text.h"

namespace stepquill {

ChartInfo StartingFrom(const ChartInfo& before) {
    ChartInfo info = before;
    info.Difficulties.clear();
    info.HasTitle = info.HasTempo = info.HasOffset = info.ReachedEnd = false;
    info.Identity = {};
    return info;
}

std::string FullTitle(const ChartInfo& info) {
    return info.Subtitle.empty() ? info.Title : info.Title + " " + info.Subtitle;
}

std::string TitleCaption(const ChartInfo& info) { return FullTitle(info) + "\r\nby " + info.Artist; }

std::string TempoCaption(const ChartInfo& info, std::string_view decimalSeparator) {
    return "BPM:" + FormatNumber(info.Bpm, decimalSeparator);
}

std::string OffsetCaption(const ChartInfo& info, std::string_view decimalSeparator) {
    return "Offset:" + FormatNumber(info.OffsetMs, decimalSeparator) + "ms";
}

namespace {

// The part's own value of `field`, or the chart's `fallback`.
double PartValue(const ChartInfo& info, std::string_view displayText, std::optional<double> Difficulty::*field,
                 double fallback) {
    for (const Difficulty& difficulty : info.Difficulties)
        if (difficulty.DisplayText == displayText) return (difficulty.*field).value_or(fallback);
    return fallback;
}

}  // namespace

std::string PartTempoCaption(const ChartInfo& info, std::string_view displayText, std::string_view decimalSeparator) {
    return "BPM:" + FormatNumber(PartValue(info, displayText, &Difficulty::Bpm, info.Bpm), decimalSeparator);
}

std::string PartOffsetCaption(const ChartInfo& info, std::string_view displayText,
                              std::string_view decimalSeparator) {
    return "Offset:" +
           FormatNumber(PartValue(info, displayText, &Difficulty::OffsetMs, info.OffsetMs), decimalSeparator) + "ms";
}

std::vector<std::string> DisplayTexts(const ChartInfo& info) {
    std::vector<std::string> texts;
    texts.reserve(info.Difficulties.size());
    for (const Difficulty& difficulty : info.Difficulties) texts.push_back(difficulty.DisplayText);
    return texts;
}

std::string PartNameOf(std::string_view displayText) {
    return std::string(displayText.substr(0, displayText.find('(')));
}

bool NamesDifficulty(const Difficulty& difficulty, std::string_view wanted) {
    return difficulty.DisplayText == wanted || difficulty.Name == wanted;
}

ChartReading GetDWIInfo(ChartInfoControls& controls, const ChartInfoReading& read, const ChartInfo& before,
                        std::string_view decimalSeparator) {
    controls.ClearDifficulties();
    controls.ClearLog();
    ChartReading reading = read(controls.PathText(), before);
    const ChartInfo& info = reading.Info;
    if (info.HasTitle) controls.SetTitleCaption(TitleCaption(info));
    if (info.HasTempo) controls.SetTempoCaption(TempoCaption(info, decimalSeparator));
    if (info.HasOffset) controls.SetOffsetCaption(OffsetCaption(info, decimalSeparator));
    for (const Difficulty& difficulty : info.Difficulties) controls.AppendDifficulty(difficulty.DisplayText);
    if (info.ReachedEnd && controls.DifficultyText().empty()) {
        std::string first = controls.FirstDifficulty();
        if (!first.empty()) controls.SetDifficultyText(first);
    }
    return reading;
}

}  // namespace stepquill
