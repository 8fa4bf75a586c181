// stepquill-make-chart SIZE_MB OUT.dwi: writes a generated chart whose
// MANIAC part holds about SIZE_MB million bytes of step data.
// stepquill-make-chart SIZE_MB OUT.sm: writes a generated StepMania song
// whose five charts hold about SIZE_MB million bytes of note data.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "chart_maker.h"
#include "sm_chart_maker.h"

namespace {

int Usage() {
    std::cerr << "usage: stepquill-make-chart SIZE_MB OUT.dwi|OUT.sm\n"
                 "  SIZE_MB  megabytes (10^6 bytes) of step data, such as 25 or 0.5\n";
    return 2;
}

// What scripts/bench reads back: "N bytes, M arrows ..." for a DWI chart,
// "N bytes, R rows ..." for a StepMania song.
std::string Describe(const stepquill::bench::ChartSummary& summary) {
    std::ostringstream text;
    text << summary.Bytes << " bytes, " << summary.Arrows << " arrows in " << summary.StepBytes
         << " bytes of step data (" << static_cast<double>(summary.Arrows) / static_cast<double>(summary.StepBytes)
         << " a byte), " << summary.Measures << " measures";
    return text.str();
}

std::string Describe(const stepquill::bench::SmChartSummary& summary) {
    std::ostringstream text;
    text << summary.Bytes << " bytes, " << summary.Rows << " rows and " << summary.Records << " records in "
         << stepquill::bench::kSmConvertedChart << ", " << summary.NoteBytes
         << " bytes of note data in five charts of " << summary.Measures << " measures";
    return text.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return Usage();
    char* end = nullptr;
    const double megabytes = std::strtod(argv[1], &end);
    if (end == argv[1] || *end != '\0' || !(megabytes > 0) || megabytes > 1e6) return Usage();
    const std::filesystem::path target = argv[2];

    // Written beside the target and renamed at the end, so that an
    // interrupted run never leaves a short chart under the final name.
    std::filesystem::path partial = target;
    partial += ".partial";
    const bool stepMania = target.extension() == ".sm";
    std::string report;
    {
        std::vector<char> buffer(1 << 20);
        std::ofstream out;
        out.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        out.open(partial, std::ios::binary | std::ios::trunc);
        if (!out) {
            std::cerr << "stepquill-make-chart: cannot create " << partial << '\n';
            return 1;
        }
        stepquill::bench::ChartPlan plan;
        plan.StepBytes = static_cast<std::uint64_t>(megabytes * 1e6);
        report = stepMania ? Describe(stepquill::bench::WriteSmChart(out, plan))
                           : Describe(stepquill::bench::WriteChart(out, plan));
        out.close();
        if (!out) {
            std::cerr << "stepquill-make-chart: cannot write " << partial << '\n';
            std::filesystem::remove(partial);
            return 1;
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, target, error);
    if (error) {
        std::cerr << "stepquill-make-chart: cannot rename to " << target << ": " << error.message() << '\n';
        std::filesystem::remove(partial);
        return 1;
    }
    std::cout << target.string() << ": " << report << '\n';
    return 0;
}
