// Whole libraries: which chart of a song folder is converted, archives
// with entries no one should send, and runs on several threads.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "library_run.h"
#include "scratch_folder.h"
#include "song_charts.h"

namespace stepquill {
namespace {

namespace fs = std::filesystem;
using support::FilesUnder;
using support::ReadBytes;
using support::ScratchFolder;

const fs::path kCharts = fs::path(STEPQUILL_SOURCE_DIR) / "../shared/charts";

std::string RealChart(const char* name) { return ReadBytes(kCharts / name); }
const char* const kDwi = "real/anders-simfile__notmybattle.dwi";
const char* const kSm = "sm/barrysir-smparse__adrenaline.sm";

TEST(SongFolder, ConvertsTheChartTheGameLoads) {
    struct Row {
        std::vector<std::string> Files;
        std::vector<std::string> Converted;
        std::vector<std::string> Skipped;
    };
    const Row rows[] = {
        {{"song.dwi", "song.sm", "song.ssc", "song.ogg"}, {"song.ssc"}, {"song.dwi", "song.sm"}},
        {{"Song.SM", "song.dwi", "banner.png"}, {"Song.SM"}, {"song.dwi"}},
        {{"b.sm", "a.sm"}, {"a.sm"}, {"b.sm"}},
        {{"song.DWI"}, {"song.DWI"}, {}},
        {{"song.ogg", "notes.txt", ".sm"}, {}, {}},
    };
    for (const Row& row : rows) {
        const SongCharts charts = ChooseSongCharts(row.Files, false);
        EXPECT_EQ(charts.Converted, row.Converted) << row.Files.front();
        EXPECT_EQ(charts.Skipped, row.Skipped) << row.Files.front();
    }
    EXPECT_EQ(ChooseSongCharts({"song.sm", "song.ssc", "x.dwi"}, true).Converted,
              (std::vector<std::string>{"song.sm", "song.ssc", "x.dwi"}));
}

// An entry of an archive the test writes, of any kind an archive can hold.
struct Entry {
    Entry(std::string name, std::string bytes, mode_t type = AE_IFREG, std::string link = {},
          std::string hardLink = {})
        : Name(std::move(name)), Bytes(std::move(bytes)), Type(type), Link(std::move(link)),
          HardLink(std::move(hardLink)) {}
    std::string Name;
    std::string Bytes;
    mode_t Type;
    std::string Link;  // a symbolic link's target
    std::string HardLink;
};

void WriteArchive(const fs::path& path, const std::vector<Entry>& entries, bool zip = false,
                  const char* passphrase = nullptr) {
    archive* writing = archive_write_new();
    ASSERT_EQ(zip ? archive_write_set_format_zip(writing) : archive_write_set_format_pax(writing), ARCHIVE_OK);
    if (passphrase) {
        ASSERT_EQ(archive_write_set_options(writing, "zip:encryption=traditional"), ARCHIVE_OK);
        ASSERT_EQ(archive_write_set_passphrase(writing, passphrase), ARCHIVE_OK);
    }
    ASSERT_EQ(archive_write_open_filename(writing, path.c_str()), ARCHIVE_OK);
    for (const Entry& entry : entries) {
        archive_entry* header = archive_entry_new();
        archive_entry_set_pathname(header, entry.Name.c_str());
        archive_entry_set_filetype(header, entry.Type);
        archive_entry_set_perm(header, 0644);
        if (!entry.Link.empty()) archive_entry_set_symlink(header, entry.Link.c_str());
        if (!entry.HardLink.empty()) archive_entry_set_hardlink(header, entry.HardLink.c_str());
        if (entry.Type == AE_IFREG && entry.HardLink.empty()) archive_entry_set_size(header, entry.Bytes.size());
        ASSERT_GE(archive_write_header(writing, header), ARCHIVE_WARN) << archive_error_string(writing);
        if (!entry.Bytes.empty()) archive_write_data(writing, entry.Bytes.data(), entry.Bytes.size());
        archive_entry_free(header);
    }
    archive_write_close(writing);
    archive_write_free(writing);
}

class Collected final : public LibraryListener {};

LibraryReport Convert(const fs::path& library, const fs::path& out, unsigned jobs = 2,
                      std::uint64_t largest = std::uint64_t{1} << 30) {
    LibrarySettings settings;
    settings.Library = library;
    settings.OutputFolder = out;
    settings.Jobs = jobs;
    settings.LargestChart = largest;
    Collected listener;
    const std::atomic<bool> never{false};
    return ConvertLibrary(settings, listener, never);
}

TEST(HostileArchive, EachBadEntryIsRefusedAndTheRestConverted) {
    ScratchFolder folder;
    const std::string chart = RealChart(kDwi);
    const std::string big(100 * 1024, '#');
    WriteArchive(folder / "pack.tar",
                 {{"Pack/Good/good.dwi", chart},
                  {"../evil/up.dwi", chart},
                  {"Pack/../../up2.dwi", chart},
                  {"/etc/abs.dwi", chart},
                  {"Pack/Link/link.dwi", "", AE_IFLNK, "/etc/passwd"},
                  {"Pack/Hard/hard.dwi", "", AE_IFREG, "", "Pack/Good/good.dwi"},
                  {"Pack/Dev/dev.dwi", "", AE_IFCHR},
                  {"Pack/Folder/folder.dwi", "", AE_IFDIR},
                  {"Pack/Good/good.dwi", chart},
                  {"Pack/Long/" + std::string(300, 'x') + ".dwi", chart},
                  {"Pack/Big/big.dwi", big},
                  {"Pack/Inner/inner.zip", "PK"}});
    const LibraryReport report = Convert(folder / "pack.tar", folder / "out", 2, 64 * 1024);

    const std::vector<std::pair<std::string, std::string>> refused = {
        {"../evil/up.dwi", "a name with .."},
        {"Pack/../../up2.dwi", "a name with .."},
        {"/etc/abs.dwi", "a name that starts with /"},
        {"Pack/Link/link.dwi", "a link"},
        {"Pack/Hard/hard.dwi", "a link"},
        {"Pack/Dev/dev.dwi", "a device or a special file"},
        {"Pack/Folder/folder.dwi/", "a folder where a chart is expected"},
        {"Pack/Good/good.dwi", "repeats an earlier entry's name"},
        {"Pack/Long/" + std::string(300, 'x') + ".dwi", "a name longer than 255 bytes"},
        {"Pack/Big/big.dwi", "larger than a chart may be"},
        {"Pack/Inner/inner.zip", "an archive inside the archive (not opened)"},
    };
    ASSERT_EQ(report.Refused.size(), refused.size());
    for (std::size_t i = 0; i < refused.size(); ++i) {
        EXPECT_EQ(report.Refused[i].Entry, refused[i].first);
        EXPECT_EQ(report.Refused[i].Reason, refused[i].second);
    }
    ASSERT_EQ(report.Charts.size(), 1u);
    EXPECT_EQ(report.Charts[0].Folder, "Pack/Good");
    EXPECT_FALSE(report.Charts[0].Stopped());
    EXPECT_FALSE(report.AllWritten());  // refusals are told in the exit status
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"pack.tar", "out"}));
    EXPECT_EQ(folder.Names("out"), std::set<std::string>{"Pack"});
    EXPECT_EQ(folder.Names("out/Pack"), std::set<std::string>{"Good"});
}

TEST(HostileArchive, EncryptedDamagedAndCutShortArchives) {
    ScratchFolder folder;
    const std::string chart = RealChart(kDwi);
    WriteArchive(folder / "locked.zip", {{"Song/song.dwi", chart}}, true, "secret");
    LibraryReport report = Convert(folder / "locked.zip", folder / "out");
    ASSERT_EQ(report.Refused.size(), 1u);
    EXPECT_EQ(report.Refused[0].Reason, "encrypted");

    folder.Write("noise.zip", std::string(4096, 'z'));
    report = Convert(folder / "noise.zip", folder / "out");
    EXPECT_NE(report.StopReason.find("cannot read the archive"), std::string::npos) << report.StopReason;

    // A tar cut off in its third chart: the two before it are converted.
    std::vector<Entry> songs;
    for (const char* name : {"A/a.dwi", "B/b.dwi", "C/c.dwi"}) songs.push_back({name, chart});
    WriteArchive(folder / "whole.tar", songs);
    const std::string whole = ReadBytes(folder / "whole.tar");
    folder.Write("cut.tar", whole.substr(0, whole.size() - 1024 - chart.size() / 2));
    report = Convert(folder / "cut.tar", folder / "cut");
    EXPECT_FALSE(report.StopReason.empty());
    ASSERT_EQ(report.Charts.size(), 3u);
    EXPECT_FALSE(report.Charts[0].Stopped());
    EXPECT_FALSE(report.Charts[1].Stopped());
    EXPECT_TRUE(report.Charts[2].Stopped());
    EXPECT_EQ(folder.Names("cut"), (std::set<std::string>{"A", "B"}));
}

TEST(LibraryRun, OneThreadOrTwoGiveTheSameFilesAndAStopStaysInItsSong) {
    ScratchFolder folder;
    const std::string dwi = RealChart(kDwi);
    const std::string sm = RealChart(kSm);
    for (const char* song : {"lib/P/One", "lib/P/Two", "lib/P/Broken", "lib/Q/Three"})
        fs::create_directories(folder / song);
    folder.Write("lib/P/One/one.dwi", dwi);
    folder.Write("lib/P/Two/two.sm", sm);
    folder.Write("lib/P/Two/two.dwi", dwi);
    folder.Write("lib/P/Broken/broken.dwi", "");
    folder.Write("lib/Q/Three/three.sm", sm);

    const LibraryReport one = Convert(folder / "lib", folder / "one", 1);
    const LibraryReport two = Convert(folder / "lib", folder / "two", 2);
    ASSERT_EQ(two.StopReason, "");
    EXPECT_EQ(FilesUnder(folder / "one"), FilesUnder(folder / "two"));
    ASSERT_EQ(one.Charts.size(), 4u);
    ASSERT_EQ(two.Charts.size(), 4u);
    for (std::size_t i = 0; i < one.Charts.size(); ++i) {
        EXPECT_EQ(one.Charts[i].Folder, two.Charts[i].Folder);
        EXPECT_EQ(one.Charts[i].StopReason, two.Charts[i].StopReason);
    }
    EXPECT_EQ(one.Charts[0].Folder, "P/Broken");
    EXPECT_TRUE(one.Charts[0].Stopped());
    EXPECT_EQ(one.Charts[2].Chart, "two.sm");
    EXPECT_EQ(one.Charts[2].Skipped, std::vector<std::string>{"two.dwi"});
    EXPECT_EQ(one.Summary(), "4 songs, " + std::to_string(one.PartsWritten) + " parts written, 1 stopped, 1 chart skipped");
    EXPECT_FALSE(one.AllWritten());
    // The files are those a conversion of the chart alone gives.
    const auto tree = FilesUnder(folder / "one");
    EXPECT_TRUE(tree.count("P/One/one.MANIAC.kvt"));
    EXPECT_TRUE(tree.count("Q/Three/three.Medium.kvt"));
    EXPECT_EQ(tree.count("P/Broken"), 0u);
}

}  // namespace
}  // namespace stepquill
