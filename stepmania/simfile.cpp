#include "simfile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <utility>

#include "simfile_text.h"

namespace stepquill::stepmania {

namespace {

// A text shown to the player keeps at most this much; the rest is passed over.
constexpr std::size_t kShownTextBytes = 1 << 20;
// No entry of a timing list that means anything is longer: a list is read an
// entry at a time, so that a list of any length is never held whole.
constexpr std::size_t kListEntryBytes = 1 << 20;
// No tag the reading knows is longer.
constexpr std::size_t kTagBytes = 64;
// A file without #VERSION is read as this version.
constexpr float kNewestVersion = 0.83f;
// From this version on, an .ssc chart may have timing of its own...
constexpr float kSplitTimingVersion = 0.7f;
// ...and from this one on, its #DESCRIPTION is a description, not a name.
constexpr float kDescriptionVersion = 0.74f;

constexpr std::array<std::string_view, 6> kDifficulties = {"Beginner", "Easy", "Medium", "Hard", "Challenge", "Edit"};

std::string DifficultyNamed(std::string_view name) {
    for (std::string_view difficulty : kDifficulties)
        if (EqualsIgnoringCase(name, difficulty)) return std::string(difficulty);
    return {};
}

// The names older charts give their difficulties.
std::string OldStyleDifficulty(std::string_view name) {
    static const std::array<std::pair<std::string_view, std::string_view>, 18> kOldNames = {{
        {"beginner", "Beginner"}, {"easy", "Easy"},        {"basic", "Easy"},          {"light", "Easy"},
        {"medium", "Medium"},     {"another", "Medium"},   {"trick", "Medium"},        {"standard", "Medium"},
        {"difficult", "Medium"},  {"hard", "Hard"},        {"ssr", "Hard"},            {"maniac", "Hard"},
        {"heavy", "Hard"},        {"smaniac", "Challenge"}, {"challenge", "Challenge"}, {"expert", "Challenge"},
        {"oni", "Challenge"},     {"edit", "Edit"},
    }};
    for (const auto& [old, difficulty] : kOldNames)
        if (EqualsIgnoringCase(name, old)) return std::string(difficulty);
    return {};
}

// A chart with no difficulty the game knows takes one from its description,
// else from its meter.
std::string TidyDifficulty(std::string difficulty, std::string_view description, int meter) {
    if (!difficulty.empty()) return difficulty;
    difficulty = DifficultyNamed(description);
    if (!difficulty.empty()) return difficulty;
    if (meter == 1) return "Beginner";
    if (meter <= 3) return "Easy";
    if (meter <= 6) return "Medium";
    return "Hard";
}

// Hands each entry of a timing list, the text between two ",", to `take`
// as the value reading reads it.
template <typename TakeEntry>
class ListEntrySink {
public:
    static constexpr bool kKeepsText = true;
    explicit ListEntrySink(TakeEntry& take) : take_(take) {}
    void Take(const char* bytes, std::size_t count) {
        for (const char* end = bytes + count; bytes != end;) {
            const char* comma = static_cast<const char*>(std::memchr(bytes, ',', static_cast<std::size_t>(end - bytes)));
            const char* stop = comma ? comma : end;
            if (entry_.size() < kListEntryBytes)
                entry_.append(bytes, std::min<std::size_t>(static_cast<std::size_t>(stop - bytes), kListEntryBytes - entry_.size()));
            if (comma == nullptr) break;
            Finish();
            bytes = comma + 1;
        }
    }
    void TrimEnd() {
        while (!entry_.empty() && std::string_view(" \t\r\n").find(entry_.back()) != std::string_view::npos)
            entry_.pop_back();
    }
    void Finish() {
        if (!entry_.empty()) take_(std::string_view(entry_));
        entry_.clear();
    }

private:
    TakeEntry& take_;
    std::string entry_;
};

bool IsDanceSingle(std::string_view stepsType) { return AsciiLower(stepsType) == "dance-single"; }

class SimfileReading {
public:
    SimfileReading(ChartSource& source, SimfileFormat format, Simfile& simfile)
        : values_(source), format_(format), simfile_(simfile) {}

    bool Read() {
        std::string tag;
        while (values_.NextValue()) {
            const bool more = values_.ReadParameter(tag, kTagBytes) == ValueReader::End::Parameter;
            if (format_ == SimfileFormat::Sm)
                ReadSmValue(tag, more);
            else
                ReadSscValue(tag, more);
        }
        if (values_.Failed()) return false;
        FinishSongTiming();
        return true;
    }

private:
    // The parameter after the tag, or "" where the value has none.
    std::string Parameter(bool more, std::size_t keep = std::string::npos) {
        std::string text;
        if (more && values_.ReadParameter(text, keep) == ValueReader::End::Parameter) SkipRest();
        return text;
    }
    void SkipRest() {
        while (values_.SkipParameter() == ValueReader::End::Parameter) {
        }
    }
    // Hands each entry of the timing list after the tag to `take`.
    template <typename Take>
    void ForEachEntry(bool more, Take take) {
        if (!more) return;
        ListEntrySink<Take> sink(take);
        const ValueReader::End end = values_.StreamParameter(sink);
        sink.Finish();
        if (end == ValueReader::End::Parameter) SkipRest();
    }

    // Passes over a listed chart's notes, then the rest of its value.
    void TakeNotes(ChartListing& chart) {
        chart.HasNotes = true;
        chart.NotesOffset = values_.ParameterOffset();
        if (values_.SkipParameter() == ValueReader::End::Parameter) SkipRest();
    }

    // The texts shown to the player, read the same way in both formats;
    // false for any other tag.
    bool ReadShownText(const std::string& tag, bool more) {
        std::string* text = EqualsIgnoringCase(tag, "TITLE")      ? &simfile_.Title
                            : EqualsIgnoringCase(tag, "SUBTITLE") ? &simfile_.Subtitle
                            : EqualsIgnoringCase(tag, "ARTIST")   ? &simfile_.Artist
                                                                  : nullptr;
        if (text != nullptr) *text = Parameter(more, kShownTextBytes);
        return text != nullptr;
    }

    void ReadSmValue(const std::string& tag, bool more) {
        auto is = [&](std::string_view name) { return EqualsIgnoringCase(tag, name); };
        if (ReadShownText(tag, more)) return;
        if (is("OFFSET")) {
            simfile_.SongTiming.OffsetSeconds = ReadNumber(Parameter(more));
        } else if (is("BPMS")) {
            smBpms_.clear();
            ForEachEntry(more, [&](std::string_view entry) { AddBeatValues(entry, smBpms_); });
        } else if (is("STOPS") || is("FREEZES")) {
            smStops_.clear();
            ForEachEntry(more, [&](std::string_view entry) { AddBeatValues(entry, smStops_); });
        } else if (is("DELAYS")) {
            ForEachEntry(more, [&](std::string_view entry) { AddDelays(entry, simfile_.SongTiming); });
        } else if (is("NOTES") || is("NOTES2")) {
            simfile_.HasChartTag = true;
            ReadSmChart(more);
        } else if (more) {
            SkipRest();
        }
    }

    static void AddBeatValues(std::string_view list, std::vector<BeatValue>& values) {
        ForEachListEntry(list, [&](const std::vector<std::string_view>& parts) {
            if (parts.size() != 2) return;
            const double value = ReadNumber(parts[1]);
            if (value != 0) values.push_back({ReadBeat(parts[0]), value});
        });
    }

    void ReadSmChart(bool more) {
        // Steps type, description, difficulty, meter and radar values, then
        // the notes: a value with fewer parameters is no chart.
        std::array<std::string, 4> texts;
        for (std::string& text : texts) {
            if (!more) return;
            more = values_.ReadParameter(text, kShownTextBytes) == ValueReader::End::Parameter;
        }
        if (!more || values_.SkipParameter() != ValueReader::End::Parameter) return;
        if (!IsDanceSingle(Trim(texts[0]))) {
            SkipRest();
            return;
        }
        const std::string_view description = Trim(texts[1]);
        std::string difficulty = OldStyleDifficulty(Trim(texts[2]));
        if (difficulty == "Hard" &&
            (EqualsIgnoringCase(description, "smaniac") || EqualsIgnoringCase(description, "challenge")))
            difficulty = "Challenge";
        const int meter = texts[3].empty() ? 1 : ReadInteger(texts[3]);
        TakeNotes(List(TidyDifficulty(difficulty, description, meter), meter));
    }

    ChartListing& List(std::string difficulty, int meter) {
        ChartListing chart;
        // Built piece by piece: g++ 12 warns falsely of overlapping copies
        // in the one-expression form.
        chart.Key = difficulty;
        chart.Key += '(';
        chart.Key += std::to_string(meter);
        chart.Key += ')';
        const int seen = ++keysSeen_[chart.Key];
        if (seen > 1) {
            chart.Key += '#';
            chart.Key += std::to_string(seen);
        }
        chart.Difficulty = std::move(difficulty);
        chart.Meter = meter;
        simfile_.Charts.push_back(std::move(chart));
        return simfile_.Charts.back();
    }

    void ReadSscValue(const std::string& tag, bool more) {
        auto is = [&](std::string_view name) { return EqualsIgnoringCase(tag, name); };
        if (is("VERSION")) {
            version_ = ReadSinglePrecision(Parameter(more));
            return;
        }
        if (inChart_) {
            ReadSscChartValue(tag, more);
            return;
        }
        TimingData& song = simfile_.SongTiming;
        if (ReadShownText(tag, more)) return;
        if (is("NOTEDATA")) {
            simfile_.HasChartTag = true;
            inChart_ = true;
            chart_ = SscChart();
            chart_.Timing.OffsetSeconds = song.OffsetSeconds;
            if (more) SkipRest();
        } else if (!ReadSscTiming(tag, more, song)) {
            if (more) SkipRest();
        }
    }

    // A timing tag read into `timing`; false for any other tag.
    bool ReadSscTiming(const std::string& tag, bool more, TimingData& timing) {
        auto is = [&](std::string_view name) { return EqualsIgnoringCase(tag, name); };
        if (is("OFFSET")) {
            timing.OffsetSeconds = ReadNumber(Parameter(more));
        } else if (is("BPMS")) {
            ForEachEntry(more, [&](std::string_view entry) { AddSscBpms(entry, timing); });
        } else if (is("STOPS")) {
            ForEachEntry(more, [&](std::string_view entry) { AddSscStops(entry, timing); });
        } else if (is("DELAYS")) {
            ForEachEntry(more, [&](std::string_view entry) { AddDelays(entry, timing); });
        } else if (is("WARPS")) {
            const bool endBeats = version_ < kSplitTimingVersion;
            ForEachEntry(more, [&](std::string_view entry) { AddSscWarps(entry, endBeats, timing); });
        } else if (is("FAKES")) {
            ForEachEntry(more, [&](std::string_view entry) { AddFakes(entry, timing); });
        } else if (is("TIMESIGNATURES") || is("TICKCOUNTS") || is("COMBOS") || is("SPEEDS") || is("SCROLLS") ||
                   is("LABELS")) {
            ForEachEntry(more, [&](std::string_view entry) {
                if (HasValidEntry(tag, entry)) timing.HasOtherSegments = true;
            });
        } else {
            return false;
        }
        return true;
    }

    void ReadSscChartValue(const std::string& tag, bool more) {
        auto is = [&](std::string_view name) { return EqualsIgnoringCase(tag, name); };
        if (is("STEPSTYPE")) {
            chart_.StepsType = Parameter(more, kTagBytes);
        } else if (is("DESCRIPTION")) {
            const std::string text = Parameter(more, kShownTextBytes);
            chart_.Description = version_ >= kDescriptionVersion ? std::string(Trim(text)) : std::string();
        } else if (is("DIFFICULTY")) {
            chart_.Difficulty = DifficultyNamed(Parameter(more, kTagBytes));
        } else if (is("METER")) {
            chart_.Meter = ReadInteger(Parameter(more, kTagBytes));
        } else if (is("NOTES") || is("NOTES2")) {
            inChart_ = false;
            if (!IsDanceSingle(chart_.StepsType)) {
                if (more) SkipRest();
                return;
            }
            ChartListing& chart = List(TidyDifficulty(chart_.Difficulty, chart_.Description, chart_.Meter),
                                       chart_.Meter);
            SettleSegments(chart_.Timing);
            if (chart_.Marked && !chart_.Timing.Empty()) {
                chart.OwnTiming = true;
                TidyTempos(chart_.Timing);
                chart.Timing = std::move(chart_.Timing);
            }
            if (more) TakeNotes(chart);
        } else if (is("STEPFILENAME")) {
            // Its notes are in another file, which is not read.
            inChart_ = false;
            if (more) SkipRest();
        } else if (version_ >= kSplitTimingVersion && ReadSscTiming(tag, more, chart_.Timing)) {
            chart_.Marked = true;
        } else if (more) {
            SkipRest();
        }
    }

    void FinishSongTiming() {
        TimingData& song = simfile_.SongTiming;
        if (format_ == SimfileFormat::Sm) AddSmTemposAndStops(std::move(smBpms_), std::move(smStops_), song);
        SettleSegments(song);
        TidyTempos(song);
    }

    struct SscChart {
        std::string StepsType;
        std::string Description;
        std::string Difficulty;
        int Meter = 0;
        bool Marked = false;
        TimingData Timing;
    };

    ValueReader values_;
    SimfileFormat format_;
    Simfile& simfile_;
    std::map<std::string, int> keysSeen_;
    std::vector<BeatValue> smBpms_;
    std::vector<BeatValue> smStops_;
    float version_ = kNewestVersion;
    bool inChart_ = false;
    SscChart chart_;
};

}  // namespace

bool ReadSimfile(ChartSource& source, SimfileFormat format, Simfile& simfile) {
    SimfileReading reading(source, format, simfile);
    return reading.Read();
}

}  // namespace stepquill::stepmania
