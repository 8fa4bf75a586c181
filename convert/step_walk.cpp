#include "step_walk.h"

#include <cmath>
#include <vector>

#include "step_record.h"
#include "text.h"

namespace stepquill {

namespace {

// A tempo-change or stop entry, "position=value", read once. Reading it at
// every check would give the same numbers.
struct TimingEntry {
    bool Empty = false;
    double Position = 0;  // quarter beats
    bool HasValue = false;
    std::string ValueText;  // logged exactly as the chart writes it
    double Value = 0;
};

std::vector<TimingEntry> ReadEntries(const std::vector<std::string>& list) {
    std::vector<TimingEntry> entries;
    entries.reserve(list.size());
    for (const auto& text : list) {
        TimingEntry entry;
        entry.Empty = text.empty();
        std::size_t equals = text.find('=');
        entry.Position = ParseLeadingNumber(std::string_view(text).substr(0, equals));
        if (equals != std::string::npos) {
            entry.HasValue = true;
            std::size_t next = text.find('=', equals + 1);
            entry.ValueText = text.substr(equals + 1, next == std::string::npos ? next : next - equals - 1);
            entry.Value = ParseLeadingNumber(entry.ValueText);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

constexpr double kTimeLimitMs = 1e15;

bool MakesStep(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'D'); }

bool IsChordArrow(char c) { return c != '0' && c != '5' && MakesStep(c); }

class Walker {
public:
    Walker(ConverterState& state, TimingLists& lists, const ArrowTokens& tokens, ProgressLog& log,
           std::string_view decimalSeparator)
        : state_(state), lists_(lists), tokens_(tokens), log_(log), separator_(decimalSeparator),
          bpmChanges_(ReadEntries(lists.BpmChanges)), freezes_(ReadEntries(lists.Freezes)) {}

    // True when the part ended on this line or the walk had to stop.
    bool WalkLine(const std::string& line) {
        beatStep_ = 0.5;
        const std::size_t length = line.size();
        for (std::size_t i = 0; i < length && stop_.empty(); ++i) {
            const char c = line[i];
            SetCurrentChar(c);
            switch (c) {
                case '0': Step(); break;
                case '!': ++i; break;  // the character after it is never examined
                case '(': SetNoteLength(4); break;
                case '[': SetNoteLength(6); break;
                case '{': SetNoteLength(16); break;
                case '`': SetNoteLength(48); break;
                case ')': case ']': case '}': case '\'': SetNoteLength(2); break;
                case '<': i = WalkChord(line, i + 1); break;
                case ';': return true;
                case ' ': case '\t': break;  // blanks only space out the measures
                default:
                    Emit();
                    if (MakesStep(c)) Step();
            }
        }
        return !stop_.empty();
    }

    const std::string& StopReason() const { return stop_; }

private:
    // A "<...>" group is one step holding several arrows, all at its time.
    // Returns the position of the closing ">" or the line's end.
    std::size_t WalkChord(const std::string& line, std::size_t i) {
        for (; i < line.size() && line[i] != '>'; ++i) {
            if (line[i] == '!') {
                ++i;
            } else if (IsChordArrow(line[i])) {
                SetCurrentChar(line[i]);
                Emit();
            }
        }
        Step();
        return i;
    }

    void Emit() {
        if (!stop_.empty()) return;
        // From 1E+15 ms on a time would be written in exponent form (or as
        // "Infinity"), not as the whole milliseconds every record promises.
        if (!(std::fabs(std::floor(state_.CurrentMs)) < kTimeLimitMs)) {
            stop_ = "a time beyond what the timing file can hold";
            return;
        }
        EmitStepRecord(state_, tokens_, log_, separator_);
    }

    // Every character passes through here; overwriting the one character in
    // place is much cheaper than assigning a new text.
    void SetCurrentChar(char c) {
        if (state_.CurrentChar.size() == 1)
            state_.CurrentChar[0] = c;
        else
            state_.CurrentChar.assign(1, c);
    }

    void SetNoteLength(int k) {
        noteDivisor_ = k;
        state_.StepMs = ((60 / state_.Bpm) * 1000) / k;
        beatStep_ = 1.0 / k;
        if (!std::isfinite(state_.StepMs)) stop_ = "a note-length marker at tempo 0";
    }

    void Step() {
        state_.CurrentMs = state_.CurrentMs + state_.StepMs;
        state_.Beat = state_.Beat + beatStep_;
        CheckStop();
        if (stop_.empty()) CheckTempo();
        if (stop_.empty() && !std::isfinite(state_.CurrentMs)) stop_ = "a time that is not finite";
    }

    // Empty entries are passed over as soon as they are the current one.
    static const TimingEntry* Current(const std::vector<TimingEntry>& entries, std::size_t& index) {
        while (index < entries.size() && entries[index].Empty) ++index;
        return index < entries.size() ? &entries[index] : nullptr;
    }

    // A stop falls due once the beat has passed its position, so the arrow on
    // its beat keeps its time and everything after it comes later.
    void CheckStop() {
        const TimingEntry* entry = Current(freezes_, lists_.FreezeIndex);
        if (!entry || !(entry->Position < state_.Beat * 4)) return;
        ++lists_.FreezeIndex;
        if (!entry->HasValue) return;
        state_.CurrentMs = state_.CurrentMs + entry->Value;
        log_.Append("Freeze " + entry->ValueText);
        // Time never runs backwards: the arrows after it would fall before
        // the ones already written.
        if (entry->Value < 0) stop_ = "a stop of negative length";
    }

    // A tempo change falls due at its position and sets the length of the
    // steps that follow, in the note length last chosen.
    void CheckTempo() {
        const TimingEntry* entry = Current(bpmChanges_, lists_.BpmChangeIndex);
        if (!entry || !(entry->Position <= state_.Beat * 4)) return;
        ++lists_.BpmChangeIndex;
        if (!entry->HasValue) return;
        state_.Bpm = entry->Value;
        log_.Append("BPM Change to " + entry->ValueText);
        if (state_.Bpm == 0) {
            stop_ = "a tempo change to 0";
            return;
        }
        if (state_.Bpm < 0) {
            stop_ = "a tempo change to a negative tempo";
            return;
        }
        if (!std::isfinite(state_.Bpm)) {
            stop_ = "a tempo change to a tempo too large to read";
            return;
        }
        state_.StepMs = ((60 / state_.Bpm) * 1000) / noteDivisor_;
        if (!std::isfinite(state_.StepMs)) stop_ = "a tempo change to a step length that is not finite";
    }

    ConverterState& state_;
    TimingLists& lists_;
    const ArrowTokens& tokens_;
    ProgressLog& log_;
    std::string_view separator_;
    std::vector<TimingEntry> bpmChanges_;
    std::vector<TimingEntry> freezes_;
    double beatStep_ = 0.5;
    int noteDivisor_ = 2;
    std::string stop_;
};

}  // namespace

WalkOutcome WalkSteps(const std::string& firstLine, ChartStream& chart, ConverterState& state,
                      TimingLists& lists, const ArrowTokens& tokens, ProgressLog& log,
                      std::string_view decimalSeparator) {
    if (firstLine.empty() && chart.AtEnd()) return {"no step data after the part's header"};
    Walker walker(state, lists, tokens, log, decimalSeparator);
    if (walker.WalkLine(firstLine)) return {walker.StopReason()};
    std::string line;
    while (chart.ReadLine(line)) {
        if (walker.WalkLine(line) || chart.AtEnd()) break;
    }
    return {walker.StopReason()};
}

}  // namespace stepquill
