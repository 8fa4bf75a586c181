#include "library_maker.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>
#include <vector>

#include "split_mix.h"

namespace stepquill::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kSongsInPack = 100;

// The charts of a folder ending in `extension`, in name order, so that the
// library does not depend on the order the folder lists them in.
std::vector<fs::path> ChartsIn(const fs::path& folder, const std::string& extension, std::string& error) {
    std::vector<fs::path> charts;
    std::error_code code;
    for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code)) {
        if (it->path().extension() == extension && it->is_regular_file(code)) charts.push_back(it->path());
    }
    if (code) error = "cannot list " + folder.string() + ": " + code.message();
    std::sort(charts.begin(), charts.end());
    return charts;
}

// The .ssc charts whose song is also kept as a .sm of the same name.
std::vector<fs::path> SscWithSmBeside(const std::vector<fs::path>& ssc, const std::vector<fs::path>& sm) {
    std::vector<fs::path> paired;
    for (const fs::path& chart : ssc) {
        fs::path twin = chart;
        twin.replace_extension(".sm");
        if (std::binary_search(sm.begin(), sm.end(), twin)) paired.push_back(chart);
    }
    return paired;
}

// The song's title from a shared chart's name ("owner-repo__Title.sm"),
// kept to letters, digits, '_' and '-' so that every name is plain in a
// shell loop and in an archive.
std::string TitleOf(const fs::path& chart) {
    std::string stem = chart.stem().string();
    const std::size_t owner_end = stem.find("__");
    if (owner_end != std::string::npos) stem.erase(0, owner_end + 2);
    for (char& c : stem) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') c = '_';
    }
    return stem;
}

std::string Numbered(std::size_t number, std::size_t width) {
    std::string digits = std::to_string(number);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

std::size_t DigitsOf(std::size_t number) { return std::to_string(number).size(); }

// The charts of one song folder: the one the game loads and, in some
// folders, another of the same song in an older format.
struct SongCharts {
    fs::path Loaded;
    fs::path Beside;  // empty: none
};

class Sources {
public:
    Sources(std::vector<fs::path> dwi, std::vector<fs::path> sm, std::vector<fs::path> ssc)
        : dwi_(std::move(dwi)), sm_(std::move(sm)), ssc_(std::move(ssc)), pairs_(SscWithSmBeside(ssc_, sm_)) {}

    bool Complete() const { return !dwi_.empty() && !sm_.empty() && !ssc_.empty() && !pairs_.empty(); }

    // Out of every ten songs: four .dwi, three .sm, one .ssc alone, one
    // .ssc with its .sm and one .ssc with a .dwi.
    SongCharts For(std::size_t song, LibrarySummary& summary) {
        switch (song % 10) {
        case 0: case 1: case 2: case 3:
            ++summary.Dwi;
            return {Next(dwi_, dwi_next_), {}};
        case 4: case 5: case 6:
            ++summary.Sm;
            return {Next(sm_, sm_next_), {}};
        case 7:
            ++summary.Ssc;
            return {Next(ssc_, ssc_next_), {}};
        case 8: {
            ++summary.Ssc;
            ++summary.SscWithSm;
            fs::path ssc = Next(pairs_, pairs_next_);
            fs::path sm = ssc;
            sm.replace_extension(".sm");
            return {ssc, sm};
        }
        default:
            ++summary.Ssc;
            ++summary.SscWithDwi;
            return {Next(ssc_, ssc_next_), Next(dwi_, dwi_next_)};
        }
    }

private:
    static const fs::path& Next(const std::vector<fs::path>& list, std::size_t& next) {
        const fs::path& chart = list[next % list.size()];
        ++next;
        return chart;
    }

    std::vector<fs::path> dwi_, sm_, ssc_, pairs_;
    std::size_t dwi_next_ = 0, sm_next_ = 0, ssc_next_ = 0, pairs_next_ = 0;
};

bool CopyChart(const fs::path& from, const fs::path& to, LibrarySummary& summary) {
    std::error_code code;
    fs::copy_file(from, to, code);
    if (!code) summary.Bytes += fs::file_size(to, code);
    if (code) summary.Error = "cannot copy " + from.string() + " to " + to.string() + ": " + code.message();
    return !code;
}

// A stand-in for the song's music: 3 to 7 KB that do not compress, as
// music does not, the same for the same song.
bool WriteMusic(const fs::path& to, std::size_t song, LibrarySummary& summary) {
    Random random(0x50A6ull * 1'000'003 + song);
    const std::size_t bytes = 3 * 1024 + random.Below(4 * 1024);
    std::string music = "OggS";
    while (music.size() < bytes) music.push_back(static_cast<char>(random.Next() & 0xFF));
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out.write(music.data(), static_cast<std::streamsize>(music.size()));
    out.close();
    if (!out) {
        summary.Error = "cannot write " + to.string();
        return false;
    }
    summary.Bytes += music.size();
    return true;
}

bool IsEmptyOrMissing(const fs::path& folder, std::string& error) {
    std::error_code code;
    if (!fs::exists(folder, code)) return !code;
    const bool empty = fs::is_directory(folder, code) && fs::is_empty(folder, code);
    if (!empty) error = folder.string() + " exists and is not an empty folder";
    return empty;
}

}  // namespace

LibrarySummary MakeLibrary(const LibraryPlan& plan) {
    LibrarySummary summary;
    std::vector<fs::path> dwi = ChartsIn(plan.DwiCharts, ".dwi", summary.Error);
    std::vector<fs::path> sm = ChartsIn(plan.StepManiaCharts, ".sm", summary.Error);
    std::vector<fs::path> ssc = ChartsIn(plan.StepManiaCharts, ".ssc", summary.Error);
    if (!summary.Error.empty()) return summary;
    Sources sources(std::move(dwi), std::move(sm), std::move(ssc));
    if (!sources.Complete()) {
        summary.Error = "the charts copied need a .dwi, a .sm and a .ssc, and a .ssc with its .sm beside it";
        return summary;
    }
    if (!IsEmptyOrMissing(plan.Folder, summary.Error)) return summary;

    summary.Packs = (plan.Songs + kSongsInPack - 1) / kSongsInPack;
    const std::size_t pack_width = std::max<std::size_t>(2, DigitsOf(summary.Packs));
    const std::size_t song_width = std::max<std::size_t>(4, DigitsOf(plan.Songs));
    for (std::size_t song = 0; song < plan.Songs; ++song) {
        const SongCharts charts = sources.For(song, summary);
        const std::string name = Numbered(song + 1, song_width) + '-' + TitleOf(charts.Loaded);
        const fs::path folder = plan.Folder / ("Pack-" + Numbered(song / kSongsInPack + 1, pack_width)) / name;
        std::error_code code;
        fs::create_directories(folder, code);
        if (code) {
            summary.Error = "cannot make " + folder.string() + ": " + code.message();
            return summary;
        }
        // Both charts take the song's name, as a song kept in two formats has.
        if (!CopyChart(charts.Loaded, folder / (name + charts.Loaded.extension().string()), summary)) return summary;
        if (!charts.Beside.empty() &&
            !CopyChart(charts.Beside, folder / (name + charts.Beside.extension().string()), summary))
            return summary;
        if (!WriteMusic(folder / "song.ogg", song, summary)) return summary;
    }
    return summary;
}

std::string Describe(const LibraryPlan& plan, const LibrarySummary& summary) {
    return std::to_string(plan.Songs) + " songs in " + std::to_string(summary.Packs) +
           (summary.Packs == 1 ? " pack: " : " packs: ") +
           std::to_string(summary.Dwi) + " .dwi, " + std::to_string(summary.Sm) + " .sm, " +
           std::to_string(summary.Ssc) + " .ssc (" + std::to_string(summary.SscWithSm) + " with a .sm beside, " +
           std::to_string(summary.SscWithDwi) + " with a .dwi beside), " + std::to_string(summary.Bytes) + " bytes";
}

}  // namespace stepquill::bench
