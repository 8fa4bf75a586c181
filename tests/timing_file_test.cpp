// Every way the timing file writer can end: the whole file in place of the
// old one, or a stop that leaves the target and its folder as they were and
// no temporary file behind. Each case runs in a child process, whose umask
// and file size limit are its own.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "child_process.h"
#include "scratch_folder.h"
#include "timing_file.h"

namespace stepquill {
namespace {

namespace fs = std::filesystem;
using support::ReadBytes;
using Files = std::map<std::string, std::string>;

const std::string kOld = "OLD TIMING FILE\n";
const std::string kNew = "Y 0\nX 250\n";
const std::string kClosed = "cannot write the output file (it is closed)";

// The regular files under `folder`, by their path inside it, with their bytes.
Files FilesIn(const fs::path& folder) {
    Files files;
    std::error_code missing;
    for (auto it = fs::recursive_directory_iterator(folder, missing); !missing && it != fs::end(it); ++it)
        if (it->is_regular_file()) files[fs::relative(it->path(), folder).string()] = ReadBytes(it->path());
    return files;
}

// Made in the target's folder after the writer, before the records come.
void LimitFileSizeTo(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}
void LimitFileSize(const fs::path&) { LimitFileSizeTo(4); }
// The first two blocks fit, the third does not.
void LimitFileSizeToTwoBlocks(const fs::path&) { LimitFileSizeTo(2 * kNew.size() + 1); }
void ReplaceTargetByAFolder(const fs::path& folder) {
    fs::remove(folder / "song.kvt");
    fs::create_directory(folder / "song.kvt");
    std::ofstream(folder / "song.kvt" / "kept") << "kept";
}
void RemoveTheFolder(const fs::path& folder) { fs::remove_all(folder); }

TEST(TimingFileWriter, EndsWholeOrLeavesEverythingAsItWas) {
    const struct {
        const char* name;
        const char* target;
        void (*prepare)(const fs::path& folder);
        bool commit;
        const char* reason;  // empty: none
        Files after;         // the target's folder
        mode_t mode;         // the target's, where it is a file
        const char* reasonWhenNamed = nullptr;  // where the temporary file's name makes it another
        int blocks = 1;                         // of kNew, each handed on alone
    } cases[] = {
        {"keeps the old file's mode", "song.kvt", nullptr, true, "", {{"song.kvt", kNew}}, 0604},
        {"gives a new file the umask's mode", "new.kvt", nullptr, true, "",
         {{"song.kvt", kOld}, {"new.kvt", kNew}}, 0640},
        {"dropped before the commit", "song.kvt", nullptr, false, "", {{"song.kvt", kOld}}, 0604},
        {"a write beyond the file size limit", "song.kvt", LimitFileSize, true,
         "cannot write the output file (File too large)", {{"song.kvt", kOld}}, 0604},
        // Written while the next blocks come: told at a later block or at the commit.
        {"the third block beyond the file size limit", "song.kvt", LimitFileSizeToTwoBlocks, true,
         "cannot write the output file (File too large)", {{"song.kvt", kOld}}, 0604, nullptr, 5},
        {"dropped after blocks were handed on", "song.kvt", nullptr, false, "", {{"song.kvt", kOld}}, 0604,
         nullptr, 5},
        {"the target replaced by a folder", "song.kvt", ReplaceTargetByAFolder, true,
         "cannot replace the output file (Is a directory)", {{"song.kvt/kept", "kept"}}, 0},
        // The file without a name cannot be named where its folder has gone.
        {"the target's folder removed", "song.kvt", RemoveTheFolder, true,
         "cannot write the output file (No such file or directory)", {}, 0,
         "cannot replace the output file (No such file or directory)"},
    };
    for (const bool unnamed : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (unnamed ? "" : ", temporary file named from the start"));
            const std::string expected = unnamed || !c.reasonWhenNamed ? c.reason : c.reasonWhenNamed;
            support::ScratchFolder scratch;
            const fs::path folder = scratch / "out";
            fs::create_directory(folder);
            scratch.Write("out/song.kvt", kOld);
            fs::permissions(folder / "song.kvt", static_cast<fs::perms>(0604));
            // The target's other name keeps the old bytes whatever happens.
            fs::create_hard_link(folder / "song.kvt", scratch / "other.kvt");

            const support::ChildRun child = support::RunInChild(
                [&] {
                    ::umask(027);
                    std::string reason;
                    auto writer = TimingFileWriter::Create((folder / c.target).string(), reason, 4, unnamed);
                    if (!writer) return "not created: " + reason;
                    rlimit limit{};
                    ::getrlimit(RLIMIT_FSIZE, &limit);
                    if (c.prepare) c.prepare(folder);
                    // The limit stays until the writes are over, so that the
                    // child's output is not cut.
                    const auto told = [&](const std::string& output) {
                        ::setrlimit(RLIMIT_FSIZE, &limit);
                        return output;
                    };
                    bool taken = true;
                    for (int block = 0; block < c.blocks && taken; ++block) taken = writer->Take(kNew, reason);
                    if (!c.commit) return told(reason);
                    if (taken && writer->Commit(reason)) return told(reason);
                    // A writer that has stopped takes nothing more.
                    std::string again;
                    writer->Commit(again);
                    return told(reason + "\n" + again);
                },
                {});
            ASSERT_EQ(child.Ending(), "exit 0") << child.Errors;
            EXPECT_EQ(child.Output, expected.empty() ? "" : expected + "\n" + kClosed);
            EXPECT_EQ(FilesIn(folder), c.after);
            EXPECT_EQ(ReadBytes(scratch / "other.kvt"), kOld);
            if (c.mode != 0) {
                EXPECT_EQ(fs::status(folder / c.target).permissions(), static_cast<fs::perms>(c.mode));
            }
        }
    }
}

// A block taken over is written as it was handed, whatever the caller then
// puts in the string it got back: more blocks than the writer holds at once.
TEST(TimingFileWriter, WritesBlocksTakenOverInTheirOrder) {
    support::ScratchFolder scratch;
    std::string reason;
    auto writer = TimingFileWriter::Create((scratch / "song.kvt").string(), reason, 4);
    ASSERT_TRUE(writer) << reason;
    std::string block, expected;
    for (int i = 0; i < 8; ++i) {
        block.assign(4 + i % 3, static_cast<char>('a' + i));
        expected += block;
        ASSERT_TRUE(writer->TakeOver(block, reason)) << reason;
        block.assign(64, '!');
    }
    ASSERT_TRUE(writer->Commit(reason)) << reason;
    EXPECT_EQ(ReadBytes(scratch / "song.kvt"), expected);
}

}  // namespace
}  // namespace stepquill
