#include "library_run.h"

namespace stepquill {

bool NamesLibrary(const std::string&) { return false; }
bool LibraryChart::Stopped() const { return !StopReason.empty(); }
std::string LibraryReport::Summary() const { return {}; }
bool LibraryReport::AllWritten() const { return true; }
std::optional<LibraryPlan> PlanLibrary(const LibrarySettings&, std::string& reason) {
    reason = "not yet";
    return std::nullopt;
}
LibraryReport ConvertLibrary(const LibrarySettings&, LibraryListener&, const std::atomic<bool>&) { return {}; }

}  // namespace stepquill
