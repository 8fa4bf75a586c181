#include "library_report_json.h"

#include <nlohmann/json.hpp>


namespace stepquill {

std::string LibraryReportJson(const LibrarySettings& settings, const LibraryReport& report) {
    using Json = nlohmann::ordered_json;
    Json charts = Json::array();
    for (const LibraryChart& chart : report.Charts) {
        Json parts = Json::array();
        for (const LibraryPart& part : chart.Parts) {
            Json entry = {{"part", part.Part}, {"file", part.OutputPath}};
            if (part.Written)
                entry["records"] = part.Records;
            else
                entry["stop"] = part.StopReason;
            parts.push_back(std::move(entry));
        }
        Json entry = {{"folder", chart.Folder}, {"chart", chart.Chart}, {"skipped", chart.Skipped}};
        if (!chart.StopReason.empty()) entry["stop"] = chart.StopReason;
        entry["parts"] = std::move(parts);
        charts.push_back(std::move(entry));
    }
    Json refused = Json::array();
    for (const LibraryRefusal& refusal : report.Refused)
        refused.push_back({{"entry", refusal.Entry}, {"reason", refusal.Reason}});
    Json whole = {{"library", settings.Library},
                  {"output", report.OutputFolder},
                  {"summary", report.Summary()},
                  {"songs", report.Songs},
                  {"parts_written", report.PartsWritten},
                  {"parts_stopped", report.PartsStopped},
                  {"charts_skipped", report.ChartsSkipped}};
    if (!report.StopReason.empty()) whole["stop"] = report.StopReason;
    if (report.Cancelled) whole["cancelled"] = true;
    whole["charts"] = std::move(charts);
    whole["refused"] = std::move(refused);
    // Names from an archive and texts from a chart need not be UTF-8.
    return whole.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace stepquill
