// The generated library: the same folders and bytes every time, every
// format of chart, and song folders that keep the song in two formats.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include <unistd.h>

#include "library_maker.h"

namespace stepquill::bench {
namespace {

namespace fs = std::filesystem;

class LibraryMaker : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("stepquill-library-maker-" + std::to_string(::getpid()));
        fs::remove_all(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    LibraryPlan Plan(std::size_t songs, const std::string& name) const {
        const fs::path charts = STEPQUILL_SHARED_CHARTS;
        return {songs, root_ / name, charts / "real", charts / "sm"};
    }

    // Every file under a folder, by its path inside it, with its bytes.
    static std::map<std::string, std::string> Files(const fs::path& folder) {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            files[fs::relative(entry.path(), folder).generic_string()] =
                std::string(std::istreambuf_iterator<char>(in), {});
        }
        return files;
    }

    fs::path root_;
};

TEST_F(LibraryMaker, MakesTheSameFoldersAndBytesEveryTime) {
    const LibrarySummary first = MakeLibrary(Plan(120, "a"));
    ASSERT_EQ("", first.Error);
    ASSERT_EQ("", MakeLibrary(Plan(120, "b")).Error);
    EXPECT_EQ(Files(root_ / "a"), Files(root_ / "b"));
    EXPECT_EQ("120 songs in 2 packs: 48 .dwi, 36 .sm, 36 .ssc (12 with a .sm beside, 12 with a .dwi beside), " +
                  std::to_string(first.Bytes) + " bytes",
              Describe(Plan(120, "a"), first));
}

TEST_F(LibraryMaker, KeepsEachSongInItsPackWithMusicAndSomeInTwoFormats) {
    ASSERT_EQ("", MakeLibrary(Plan(10, "lib")).Error);
    std::map<std::string, std::string> charts;  // song folder: its charts' endings, in name order
    for (const auto& [path, bytes] : Files(root_ / "lib")) {
        const fs::path file = path;
        ASSERT_EQ("Pack-01", file.begin()->string()) << path;
        const std::string song = file.parent_path().filename().string();
        if (file.filename() == "song.ogg") {
            EXPECT_GE(bytes.size(), 3u * 1024) << path;
            continue;
        }
        EXPECT_EQ(song, file.stem().string()) << "a chart takes its song's name: " << path;
        charts[song] += file.extension().string();
    }
    ASSERT_EQ(10u, charts.size());
    std::map<std::string, int> kinds;
    for (const auto& [song, endings] : charts) ++kinds[endings];
    EXPECT_EQ((std::map<std::string, int>{{".dwi", 4}, {".sm", 3}, {".ssc", 1}, {".sm.ssc", 1}, {".dwi.ssc", 1}}),
              kinds);
}

TEST_F(LibraryMaker, LeavesAFolderThatHoldsFilesAlone) {
    fs::create_directories(root_ / "full");
    std::ofstream(root_ / "full" / "keep.txt") << "mine";
    EXPECT_NE("", MakeLibrary(Plan(3, "full")).Error);
    EXPECT_EQ((std::map<std::string, std::string>{{"keep.txt", "mine"}}), Files(root_ / "full"));
}

}  // namespace
}  // namespace stepquill::bench
