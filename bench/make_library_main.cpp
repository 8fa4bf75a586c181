// stepquill-make-library SONGS OUTFOLDER [CHARTS]: makes a library of SONGS
// song folders, in packs of 100, from copies of the shared real charts
// (CHARTS/real/*.dwi and CHARTS/sm/*.sm, *.ssc; by default the project's
// ../shared/charts), for the measure of a library's conversion.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "library_maker.h"

int main(int argc, char** argv) {
    char* end = nullptr;
    const unsigned long long songs = argc == 3 || argc == 4 ? std::strtoull(argv[1], &end, 10) : 0;
    if (argc < 3 || argc > 4 || end == argv[1] || *end != '\0' || songs == 0) {
        std::cerr << "usage: stepquill-make-library SONGS OUTFOLDER [CHARTS]\n";
        return 2;
    }
    const std::filesystem::path charts = argc == 4 ? argv[3] : STEPQUILL_SHARED_CHARTS;
    stepquill::bench::LibraryPlan plan;
    plan.Songs = songs;
    plan.Folder = argv[2];
    plan.DwiCharts = charts / "real";
    plan.StepManiaCharts = charts / "sm";
    const stepquill::bench::LibrarySummary summary = stepquill::bench::MakeLibrary(plan);
    if (!summary.Error.empty()) {
        std::cerr << "stepquill-make-library: " << summary.Error << '\n';
        return 1;
    }
    std::cout << plan.Folder.string() << ": " << stepquill::bench::Describe(plan, summary) << '\n';
    return 0;
}
