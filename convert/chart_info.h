#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stepquill {

// A part as a chart lists it: "MANIAC(9)" is the part MANIAC rated 9, and a
// second part of one name and rating in a StepMania chart reads
// "Edit(10)#2".
struct Difficulty {
    std::string DisplayText;
    std::string Name;
    std::string Rating;  // as the chart writes it
    // The part's own first tempo and offset, where it has timing of its own
    // (a .ssc chart may); none: the chart's.
    std::optional<double> Bpm;
    std::optional<double> OffsetMs;
};

// Which file a reading read, and in which state: a run that finds another
// file or another state under the chart's path knows that what the reading
// found may no longer hold. All zero: a reading of no file (bytes from a
// pipe, or values made by hand), which nothing is checked against.
struct ChartIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t Size = 0;
    std::int64_t ModifiedSeconds = 0;
    std::int64_t ModifiedNanoseconds = 0;
    std::int64_t ChangedSeconds = 0;
    std::int64_t ChangedNanoseconds = 0;

    bool Recorded() const { return Device != 0 || Inode != 0; }
    // A reading of a path that named no file it could open: whatever file
    // a run then finds there, the values it starts from are not that file's.
    static ChartIdentity NoFileOpened() { return {~std::uint64_t{0}, ~std::uint64_t{0}}; }
    bool operator==(const ChartIdentity&) const = default;
};

// What a reading found of a chart, whatever its format.
struct ChartInfo {
    std::string Title;
    std::string Subtitle;  // empty where the format has none
    std::string Artist;
    double Bpm = 0;
    double OffsetMs = 0;
    std::vector<Difficulty> Difficulties;
    // How far the reading came: the captions it can show. A reading that
    // stops shows what it had read; the values it did not read are those it
    // started from, and a caption may show a value read before the stop.
    bool HasTitle = false;
    bool HasTempo = false;
    bool HasOffset = false;
    // False for a reading that ended once the part it looked for was listed.
    bool ReachedEnd = false;
    ChartIdentity Identity;
};

// A reading's value, with the reason it stopped ("" when it read the chart).
struct ChartReading {
    ChartInfo Info;
    std::string StopReason;
    bool Ok() const { return StopReason.empty(); }
};

// Where a reading starts: the values of `before`, with nothing read yet.
ChartInfo StartingFrom(const ChartInfo& before);

// The title with its subtitle, as both programs show it.
std::string FullTitle(const ChartInfo& info);
// The captions of the window: the title, CR LF, "by " and the artist;
// "BPM:150"; "Offset:-120ms".
std::string TitleCaption(const ChartInfo& info);
std::string TempoCaption(const ChartInfo& info, std::string_view decimalSeparator = ".");
std::string OffsetCaption(const ChartInfo& info, std::string_view decimalSeparator = ".");

// The same captions for the part the chooser shows, by its display text:
// the part's own tempo and offset where it has them, the chart's otherwise.
std::string PartTempoCaption(const ChartInfo& info, std::string_view displayText,
                             std::string_view decimalSeparator = ".");
std::string PartOffsetCaption(const ChartInfo& info, std::string_view displayText,
                              std::string_view decimalSeparator = ".");

// The display texts in chart order.
std::vector<std::string> DisplayTexts(const ChartInfo& info);

// The part's name in its display text: "MANIAC(9)" gives "MANIAC", and
// "Edit(10)#2" gives "Edit".
std::string PartNameOf(std::string_view displayText);

// Whether a part is the one that `wanted` names, written as the list shows
// it ("MANIAC(9)") or as a bare name ("MANIAC").
bool NamesDifficulty(const Difficulty& difficulty, std::string_view wanted);

// The controls that a reading fills, so the same reading serves any front end.
class ChartInfoControls {
public:
    virtual ~ChartInfoControls() = default;
    virtual std::string PathText() = 0;
    virtual void ClearDifficulties() = 0;
    virtual void AppendDifficulty(const std::string& text) = 0;
    virtual std::string DifficultyText() = 0;
    // Empty when the chooser has no items.
    virtual std::string FirstDifficulty() = 0;
    virtual void SetDifficultyText(const std::string& text) = 0;
    virtual void ClearLog() = 0;
    virtual void SetTitleCaption(const std::string& caption) = 0;
    virtual void SetTempoCaption(const std::string& caption) = 0;
    virtual void SetOffsetCaption(const std::string& caption) = 0;
};

// Reads the chart a path names, starting from what the last reading found.
using ChartInfoReading = std::function<ChartReading(const std::string& path, const ChartInfo& before)>;

// Clears the chooser and the log, reads the chart named by the path text
// and shows what was read, selecting the first difficulty after a whole
// reading. Returns the reading.
ChartReading GetDWIInfo(ChartInfoControls& controls, const ChartInfoReading& read, const ChartInfo& before,
                        std::string_view decimalSeparator = ".");

}  // namespace stepquill
