#include "run_ending_check.h"

namespace stepquill {

std::string CheckRunEnding(const RunOutcome& outcome, const std::vector<std::string>& lines, Listing before,
                           const Listing& after, const std::string& target, const std::optional<std::string>& written) {
    if (outcome.Written != outcome.StopReason.empty()) return "written and stopped disagree";
    if (lines.empty() || lines.front() != "Cleared file buffer") return "the log does not begin anew";
    if (outcome.Written) {
        if (lines.back().rfind("Conversion stopped: ", 0) == 0) return "a written run logged a stop";
        if (written) before[target] = *written;
    } else if (lines.back() != "Conversion stopped: " + outcome.StopReason) {
        return "a stopped run did not log its reason last";
    }
    if (after != before) {
        return outcome.Written ? "the folder does not hold exactly the chart and the new timing file"
                               : "a stopped run changed the folder";
    }
    return {};
}

}  // namespace stepquill
