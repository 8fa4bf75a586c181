// A library through stepquill-convert itself: its exit status and report,
// and a run interrupted at any moment.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "child_process.h"
#include "scratch_folder.h"

namespace stepquill {
namespace {

namespace fs = std::filesystem;
using support::FilesUnder;
using support::ReadBytes;
using support::ScratchFolder;

const fs::path kCharts = fs::path(STEPQUILL_SOURCE_DIR) / "../shared/charts";

// A library of `songs` song folders in two packs, from real charts.
void MakeLibrary(const fs::path& library, int songs) {
    const fs::path charts[] = {kCharts / "real/anders-simfile__notmybattle.dwi",
                               kCharts / "sm/barrysir-smparse__adrenaline.sm",
                               kCharts / "sm/noahm-simfileparser__Ahoy.ssc"};
    for (int i = 0; i < songs; ++i) {
        const fs::path song = library / (i % 2 ? "Pack B" : "Pack A") / ("Song " + std::to_string(i));
        fs::create_directories(song);
        const fs::path& chart = charts[i % 3];
        fs::copy_file(chart, song / ("song" + chart.extension().string()));
    }
}

support::ChildRun Convert(const ScratchFolder& folder, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), STEPQUILL_CONVERTER);
    support::ChildOptions options;
    options.WorkingFolder = folder.Path();
    options.TimeLimitSeconds = 60;
    return support::RunProgram(arguments, options);
}

TEST(LibraryThroughConverter, ReportsAndExitStatusAreTheSameOnOneThreadOrTwo) {
    ScratchFolder folder;
    MakeLibrary(folder / "lib", 12);
    fs::create_directories(folder / "lib/Pack A/Broken");
    folder.Write("lib/Pack A/Broken/broken.dwi", "");

    const auto one = Convert(folder, {"lib", "--all", "-q", "-j", "1", "-o", "one", "--report", "one.json"});
    const auto two = Convert(folder, {"lib", "--all", "-q", "-j", "2", "-o", "two", "--report", "two.json"});
    EXPECT_EQ(one.Ending(), "exit 1");
    EXPECT_EQ(two.Ending(), "exit 1");
    EXPECT_EQ(one.Errors, "stepquill-convert: lib/Pack A/Broken/broken.dwi: the chart has no #TITLE tag\n");
    EXPECT_EQ(one.Errors, two.Errors);
    EXPECT_EQ(FilesUnder(folder / "one"), FilesUnder(folder / "two"));
    std::string report = ReadBytes(folder / "two.json");
    for (std::size_t at; (at = report.find("\"two")) != std::string::npos;) report.replace(at, 4, "\"one");
    EXPECT_EQ(ReadBytes(folder / "one.json"), report);

    const auto usage = Convert(folder, {"lib/Pack A/Song 0/song.dwi", "--all", "-j", "2"});
    EXPECT_EQ(usage.Ending(), "exit 2");
}

// A DWI chart of `parts` parts, each of `arrows` arrows.
std::string ManyParts(int parts, int arrows) {
    std::string chart = "#TITLE:Many;\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n";
    for (int i = 0; i < parts; ++i)
        chart += "#SINGLE:BASIC:" + std::to_string(i % 10) + ":\n" +
                 std::string(static_cast<std::size_t>(arrows), '8') + ";\n";
    return chart;
}

// Interrupted at any moment, a run leaves each file whole or not there, and
// no temporary file: a library's, and a quiet run of a chart's many parts,
// which go on a thread a core.
TEST(LibraryThroughConverter, AnInterruptLeavesEveryFileWholeOrAbsent) {
    ScratchFolder folder;
    MakeLibrary(folder / "lib", 150);
    folder.Write("many.dwi", ManyParts(200, 20000));
    for (const char* input : {"lib", "many.dwi"}) {
        SCOPED_TRACE(input);
        const fs::path whole = folder / (std::string(input) + ".whole");
        ASSERT_EQ(Convert(folder, {input, "--all", "-q", "-o", whole.string()}).Ending(), "exit 0");
        const auto wholeFiles = FilesUnder(whole);
        for (int delayMs : {5, 20, 60, 150}) {
            SCOPED_TRACE(delayMs);
            const fs::path out = folder / (std::string(input) + ".cut" + std::to_string(delayMs));
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                ::execl(STEPQUILL_CONVERTER, STEPQUILL_CONVERTER, (folder / input).c_str(), "--all", "-q", "-o",
                        out.c_str(), static_cast<char*>(nullptr));
                ::_exit(127);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            ::kill(child, SIGINT);
            int status = 0;
            ::waitpid(child, &status, 0);
            EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) ||
                        (WIFEXITED(status) && WEXITSTATUS(status) == 0));
            for (const auto& [name, bytes] : FilesUnder(out)) {
                EXPECT_EQ(name.find(".stepquill-"), std::string::npos) << name;
                EXPECT_TRUE(wholeFiles.count(name) && wholeFiles.at(name) == bytes) << name;
            }
        }
    }
}

}  // namespace
}  // namespace stepquill
