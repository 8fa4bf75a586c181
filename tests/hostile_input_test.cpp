// A hostile user's moves against a run, through the core: links planted in
// shared folders, a chart changed under the run, signals during it, huge
// fields and lines. Each run writes the whole timing file or nothing and
// leaves the chart and any old file as they were.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "bad_charts.h"
#include "child_process.h"
#include "conversion_requests.h"
#include "chart_formats.h"
#include "conversion_run.h"
#include "dwi_reader.h"
#include "run_checks.h"
#include "scratch_folder.h"

namespace stepquill {
namespace {

namespace fs = std::filesystem;
using support::ReadBytes;
using support::ScratchFolder;

const std::string kStop = "Conversion stopped: ";
constexpr uid_t kNobody = 65534;
constexpr uid_t kOtherUser = 65533;

// Calls `act` when the run logs the line `at`, in the middle of the walk.
class ActingLog final : public ProgressLog {
public:
    ActingLog(std::string at, std::function<void()> act) : at_(std::move(at)), act_(std::move(act)) {}
    void Clear() override { Lines.clear(); }
    void Append(const std::string& line) override {
        Lines.push_back(line);
        if (line == at_) act_();
    }
    std::vector<std::string> Lines;

private:
    std::string at_;
    std::function<void()> act_;
};

RunOutcome Convert(const fs::path& chart, ProgressLog& log, const ConversionRequest& settings = {}) {
    ChartInfo reading;
    reading.Bpm = 120;
    return ConvertDWI(support::Asking(chart.string(), support::kDifficulty, reading, settings), log);
}

// The run's stop reason, or "written", in a child that is `uid`.
std::optional<std::string> ConvertAs(uid_t uid, const fs::path& chart, const fs::path& output) {
    const support::ChildRun child = support::RunInChild(
        [&] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0) return std::string("setup");
            VectorLog log;
            ConversionRequest settings;
            settings.OutputPath = output.string();
            const RunOutcome run = Convert(chart, log, settings);
            return run.Written ? std::string("written") : run.StopReason;
        },
        {});
    if (child.Output == "setup" || child.Ending() != "exit 0") return std::nullopt;
    return child.Output;
}

// A link at the output name in a sticky folder that everyone may write is
// followed only when its owner is the caller or the folder's owner; its
// target is a file only root may read and write, or none yet.
TEST(HostileFolderThroughCore, LinksInASharedFolderFollowTheKernelRule) {
    if (::geteuid() != 0) GTEST_SKIP() << "making links of other users takes root";
    struct Row {
        const char* name;
        uid_t caller, linkOwner, folderOwner;
        bool followed;
    };
    const Row rows[] = {
        {"root meets a user's link", 0, kNobody, 0, false},
        {"a user meets another user's link", kNobody, kOtherUser, 0, false},
        {"a user meets their own link", kNobody, kNobody, 0, true},
        {"a user meets the folder owner's link", kNobody, 0, 0, true},
        {"a user meets a link in a folder of the link's owner", kNobody, kOtherUser, kOtherUser, true},
    };
    const std::string bytes = support::ChartWith("120", "", "8");
    for (const Row& row : rows) {
        for (bool dangling : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (dangling ? ", the link leads to no file" : ", over a file"));
            ScratchFolder folder;
            const fs::path chart = folder.Write("song.dwi", bytes);
            fs::create_directory(folder / "shared");
            ASSERT_EQ(::chown((folder / "shared").c_str(), row.folderOwner, row.folderOwner), 0);
            ASSERT_EQ(::chmod((folder / "shared").c_str(), 01777), 0);
            const fs::path target = folder / "shared" / "target.kvt";
            if (!dangling) {
                folder.Write("shared/target.kvt", "SECRET\n");
                // Only root may write it, or the caller where the link is followed.
                const uid_t owner = row.followed ? row.caller : 0;
                ASSERT_EQ(::chown(target.c_str(), owner, owner), 0);
                ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
            }
            const fs::path link = folder / "shared" / "song.kvt";
            fs::create_symlink(target, link);
            ASSERT_EQ(::lchown(link.c_str(), row.linkOwner, row.linkOwner), 0);

            const auto result = ConvertAs(row.caller, chart, link);
            ASSERT_TRUE(result) << "cannot run as that user here";
            EXPECT_EQ(*result, row.followed ? "written" : "the output is another user's link in a shared folder");
            EXPECT_TRUE(fs::is_symlink(link));
            if (row.followed)
                EXPECT_EQ(ReadBytes(target), "Y 0\n");
            else if (dangling)
                EXPECT_FALSE(fs::exists(target));
            else
                EXPECT_EQ(ReadBytes(target), "SECRET\n");
            const std::set<std::string> left = dangling && !row.followed
                                                   ? std::set<std::string>{"song.kvt"}
                                                   : std::set<std::string>{"song.kvt", "target.kvt"};
            EXPECT_EQ(folder.Names("shared"), left);
        }
    }
}

// A link to a folder on the output's way, planted by another user in a
// sticky folder that everyone may write, is followed only by the kernel's
// rule for links: the timing file (`shared/dirlink/out.kvt`), a link whose
// target goes on through such a link, and --all's folder alike.
TEST(HostileFolderThroughCore, LinksOnTheOutputsWayFollowTheKernelRule) {
    if (::geteuid() != 0) GTEST_SKIP() << "making links of other users takes root";
    const std::string bytes = support::ChartWith("120", "", "8");
    struct Row {
        const char* name;
        uid_t linkOwner;
        bool throughOwnLink;  // the output is the caller's link to shared/dirlink/out.kvt
        bool followed;
    };
    const Row rows[] = {
        {"another user's link to a folder", kNobody, false, false},
        {"the caller's own link to a folder", 0, false, true},
        {"the caller's link leading through another user's link", kNobody, true, false},
    };
    for (const Row& row : rows) {
        for (bool withOldFile : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (withOldFile ? ", over an old file" : ""));
            ScratchFolder folder;
            const fs::path chart = folder.Write("song.dwi", bytes);
            fs::create_directory(folder / "shared");
            ASSERT_EQ(::chmod((folder / "shared").c_str(), 01777), 0);
            fs::create_directory(folder / "private");
            std::optional<std::string> old;
            if (withOldFile) old = ReadBytes(folder.Write("private/out.kvt", support::OldTimingFile()));
            const fs::path dirlink = folder / "shared" / "dirlink";
            fs::create_directory_symlink(folder / "private", dirlink);
            ASSERT_EQ(::lchown(dirlink.c_str(), row.linkOwner, row.linkOwner), 0);
            fs::path output = dirlink / "out.kvt";
            if (row.throughOwnLink) {
                fs::create_symlink(output, folder / "mine.kvt");
                output = folder / "mine.kvt";
            }

            VectorLog log;
            ConversionRequest settings;
            settings.OutputPath = output.string();
            const RunOutcome run = Convert(chart, log, settings);
            const std::string refused =
                "the output path goes through another user's link in a shared folder (" + dirlink.string() + ")";
            EXPECT_EQ(run.Written ? "written" : run.StopReason, row.followed ? "written" : refused);
            const std::optional<std::string> written = row.followed ? std::optional<std::string>("Y 0\n") : old;
            if (written)
                EXPECT_EQ(ReadBytes(folder / "private" / "out.kvt"), *written);
            else
                EXPECT_FALSE(fs::exists(folder / "private" / "out.kvt"));
            EXPECT_EQ(folder.Names("private"), written ? std::set<std::string>{"out.kvt"} : std::set<std::string>{});
        }
    }
}

// A chart replaced between its reading and its run (an editor saving it, a
// sync tool) is read again by the run, which then converts the new chart
// on the new chart's tempo, and says so: never the new arrows on the old
// tempo. The reading saw 120 BPM; the new chart has 240.
TEST(HostileChartThroughCore, AChartReplacedAfterItsReadingIsReadAgain) {
    const std::string before = support::ChartWith("120", "", "8");
    const std::string after = support::ChartWith("240", "", "88");
    const std::function<void(const fs::path&)> replacements[] = {
        // Saved as a new file renamed over the old: another inode.
        [&](const fs::path& chart) {
            const fs::path saved = chart.parent_path() / "saved.tmp";
            std::ofstream(saved, std::ios::binary) << after;
            fs::rename(saved, chart);
        },
        // Written over in place: the same inode, another size and time.
        [&](const fs::path& chart) { std::ofstream(chart, std::ios::binary | std::ios::trunc) << after; },
    };
    for (const auto& replace : replacements) {
        for (bool withOldFile : {false, true}) {
            SCOPED_TRACE(withOldFile ? "over an old file" : "without an old file");
            ScratchFolder folder;
            const fs::path chart = folder.Write("song.dwi", before);
            std::optional<std::string> old;
            if (withOldFile) old = ReadBytes(folder.Write("song.kvt", support::OldTimingFile()));
            const ChartReading reading = ReadChart(chart.string());
            ASSERT_TRUE(reading.Ok());
            ASSERT_EQ(reading.Info.Bpm, 120);
            replace(chart);

            VectorLog log;
            const RunOutcome run = ConvertChart(support::Asking(chart.string(), support::kDifficulty, reading.Info), log);
            EXPECT_TRUE(run.Written) << run.StopReason;
            ASSERT_GE(log.Lines.size(), 2u);
            EXPECT_EQ(log.Lines[1], "The chart changed since it was read; reading it again.");
            support::ExpectFolderAfterRun(folder, "song.dwi", after, "song.kvt", "Y 0\nY 125\n", old);
        }
    }
}

// Root converting over a user's timing file leaves the user a file of
// their own, with the mode it had.
TEST(HostileFolderThroughCore, AReplacedFileKeepsItsOwnerGroupAndMode) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user takes root";
    ScratchFolder folder;
    const fs::path chart = folder.Write("song.dwi", support::ChartWith("120", "", "8"));
    const fs::path old = folder.Write("song.kvt", support::OldTimingFile());
    ASSERT_EQ(::chown(old.c_str(), kNobody, kOtherUser), 0);
    ASSERT_EQ(::chmod(old.c_str(), 0640), 0);
    for (bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "temporary file without a name" : "temporary file named from the start");
        VectorLog log;
        ConversionRequest settings;
        settings.UnnamedTemporaryFile = unnamed;
        ASSERT_TRUE(Convert(chart, log, settings).Written);
        struct stat info {};
        ASSERT_EQ(::stat(old.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, kNobody);
        EXPECT_EQ(info.st_gid, kOtherUser);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
        EXPECT_EQ(ReadBytes(old), "Y 0\n");
    }
}

// The chart cut short or rewritten in place while the walk reads it: the
// records made belong to no version of it.
TEST(HostileChartThroughCore, AChartThatChangesUnderTheRunWritesNothing) {
    const std::string bytes = support::ChartWith("120", "", "8888\n2222");
    const std::function<void(const fs::path&)> changes[] = {
        [](const fs::path& chart) { fs::resize_file(chart, 10); },
        // Same size, new bytes: only the modification time tells.
        [&](const fs::path& chart) {
            const int file = ::open(chart.c_str(), O_WRONLY);
            ASSERT_EQ(::pwrite(file, "4", 1, static_cast<off_t>(bytes.find("2222"))), 1);
            ::close(file);
        },
    };
    for (const auto& change : changes) {
        for (bool withOldFile : {false, true}) {
            ScratchFolder folder;
            const fs::path chart = folder.Write("song.dwi", bytes);
            // An old time, so that a change within the same clock tick shows.
            const timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, chart.c_str(), longAgo, 0), 0);
            std::optional<std::string> old;
            if (withOldFile) old = ReadBytes(folder.Write("song.kvt", support::OldTimingFile()));
            const std::string changedBytes = [&] {
                ScratchFolder scratch;
                const fs::path copy = scratch.Write("c", bytes);
                change(copy);
                return ReadBytes(copy);
            }();
            ActingLog log("Y@0 beat=0 bpmc=0", [&] { change(chart); });
            const RunOutcome run = Convert(chart, log);
            EXPECT_EQ(run.StopReason, "the chart changed while it was read");
            EXPECT_EQ(log.Lines.back(), kStop + "the chart changed while it was read");
            support::ExpectFolderAfterRun(folder, "song.dwi", changedBytes, "song.kvt", std::nullopt, old);
        }
    }
}

// Leaves the child's mount of /proc, so that the run cannot reach a file
// through /proc/self/fd; false where the system does not let it.
bool WithoutProc() {
    return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::umount2("/proc", MNT_DETACH) == 0 && ::access("/proc/self/fd", F_OK) != 0;
}

// SIGINT, SIGTERM and SIGHUP during the walk end the run with the signal's
// usual status and leave no temporary file, however it was made: named from
// the start, without a name, or without /proc (named through its descriptor
// by root, named from the start by a user).
TEST(HostileSignalThroughCore, AnInterruptedRunLeavesNothingBehind) {
    enum class Temporary { Unnamed, Named, WithoutProcAsRoot, WithoutProcAsUser };
    const std::string bytes = support::ChartWith("120", "", "8888\n2222");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        for (const Temporary temporary :
             {Temporary::Unnamed, Temporary::Named, Temporary::WithoutProcAsRoot, Temporary::WithoutProcAsUser}) {
            for (bool withOldFile : {false, true}) {
                SCOPED_TRACE(std::string(strsignal(signal)) + ", way " + std::to_string(int(temporary)) +
                             (withOldFile ? ", over an old file" : ""));
                ScratchFolder folder;
                const fs::path chart = folder.Write("song.dwi", bytes);
                std::optional<std::string> old;
                if (withOldFile) old = ReadBytes(folder.Write("song.kvt", support::OldTimingFile()));
                const bool asUser = temporary == Temporary::WithoutProcAsUser;
                if (asUser) ::chmod(folder.Path().c_str(), 0777);
                if (asUser && old) ::chown((folder / "song.kvt").c_str(), kNobody, kNobody);
                const support::ChildRun child = support::RunInChild(
                    [&] {
                        const bool noProc =
                            temporary == Temporary::WithoutProcAsRoot || temporary == Temporary::WithoutProcAsUser;
                        if (noProc && !WithoutProc()) return std::string("skip");
                        if (asUser && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) return std::string("skip");
                        ActingLog log("Y@250 beat=0.5 bpmc=2", [&] { ::raise(signal); });
                        ConversionRequest settings;
                        settings.UnnamedTemporaryFile = temporary != Temporary::Named;
                        Convert(chart, log, settings);
                        return std::string("the run went on");
                    },
                    {});
                if (child.Output == "skip") {
                    std::cout << "skipped: no way to leave /proc or to become nobody here\n";
                    continue;
                }
                EXPECT_EQ(child.Ending(), "killed by signal " + std::to_string(signal)) << child.Output;
                support::ExpectFolderAfterRun(folder, "song.dwi", bytes, "song.kvt", std::nullopt, old);
            }
        }
    }
}

// Without /proc, root names the unnamed file through its descriptor and a
// user's run falls back on a named one; either writes the timing file.
TEST(HostileSignalThroughCore, WithoutProcTheRunStillWrites) {
    for (const uid_t uid : {uid_t(0), kNobody}) {
        SCOPED_TRACE(uid == 0 ? "as root" : "as nobody");
        ScratchFolder folder;
        ::chmod(folder.Path().c_str(), 0777);
        const fs::path chart = folder.Write("song.dwi", support::ChartWith("120", "", "8"));
        const support::ChildRun child = support::RunInChild(
            [&] {
                if (!WithoutProc()) return std::string("skip");
                if (uid != 0 && (::setgid(uid) != 0 || ::setuid(uid) != 0)) return std::string("skip");
                VectorLog log;
                const RunOutcome run = Convert(chart, log);
                return run.Written ? std::string("written") : run.StopReason;
            },
            {});
        if (child.Output == "skip") GTEST_SKIP() << "no way to leave /proc here";
        EXPECT_EQ(child.Output, "written");
        EXPECT_EQ(folder.Names(), (std::set<std::string>{"song.dwi", "song.kvt"}));
    }
}

// A chart made as it is read: a header, then one step line of `spaces`
// blanks (which the walk passes over) ending in an arrow, so that no file
// of gigabytes is needed.
class GeneratedChart final : public ChartSource {
public:
    explicit GeneratedChart(std::size_t spaces)
        : head_("#TITLE:T;\n#ARTIST:A;\n#BPM:120;\n#GAP:0;\n#SINGLE:BASIC:5:\n"), spaces_(spaces) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        std::size_t count = 0;
        auto take = [&](std::string& text) {
            const std::size_t n = text.copy(buffer + count, size - count);
            text.erase(0, n);
            count += n;
        };
        take(head_);
        const std::size_t blanks = std::min(spaces_, size - count);
        std::memset(buffer + count, ' ', blanks);
        spaces_ -= blanks;
        count += blanks;
        if (spaces_ == 0) take(tail_);
        return static_cast<std::ptrdiff_t>(count);
    }

private:
    std::string head_;
    std::size_t spaces_;
    std::string tail_ = "8\n;\n";
};

// One step line of a gigabyte (a fifth of that under the address
// sanitizer, whose every byte read costs ten times as much) is walked a
// piece at a time, in the memory of a short one.
TEST(BigLineThroughCore, AGigabyteStepLineIsWalkedInBoundedMemory) {
#ifdef __SANITIZE_ADDRESS__
    const std::size_t spaces = std::size_t(200) << 20;
#else
    const std::size_t spaces = std::size_t(1) << 30;
#endif
    ScratchFolder folder;
    const fs::path chart = folder.Write("song.dwi", "");
    support::ChildOptions options;
    options.TimeLimitSeconds = 60;
    const support::ChildRun child = support::RunInChild(
        [&] {
            GeneratedChart bytes(spaces);
            ConversionRequest settings;
            settings.ChartBytes = &bytes;
            VectorLog log;
            const RunOutcome run = Convert(chart, log, settings);
            return run.Written ? log.Lines.back() : run.StopReason;
        },
        options);
    EXPECT_EQ(child.Ending(), "exit 0");
    EXPECT_EQ(child.Output, "Y@0 beat=0 bpmc=0");
    EXPECT_EQ(ReadBytes(folder / "song.kvt"), "Y 0\n");
#ifndef __SANITIZE_ADDRESS__
    EXPECT_LT(child.PeakKilobytes, 64 * 1024);
#endif
}

}  // namespace
}  // namespace stepquill
