#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "whole_number.h"

#include "press_timeline.h"
#include "record_sink.h"

namespace stepquill {

// What a conversion writes: the kvt timing file, or a press-and-release
// timeline for a device that plays the part back.
enum class OutputFormat { Kvt, Csv, Json, CHeader };

// Where a device's times start: the music's start, as the timing file's,
// or the part's first press.
enum class TimeZero { Music, FirstPress };
enum class TimeUnit { Microseconds, Milliseconds };

struct DeviceSettings {
    OutputFormat Format = OutputFormat::Kvt;
    PressLengths Lengths;
    TimeZero Zero = TimeZero::Music;
    TimeUnit Unit = TimeUnit::Microseconds;
    // For the file's description, in UTF-8.
    std::string Title;
    std::string Artist;
    std::string Part;
    // What the header's names are made from: the chart's file name.
    std::string ChartName;
};

// The ending of a file of the format, without its dot: "kvt", "csv",
// "json", "h".
std::string_view FormatEnding(OutputFormat format);

// A device's timeline written as the format has it, a block at a time to
// `sink`; shift is the conversion's, for the file's description.
class DeviceFile : public PanelChangeSink {
public:
    static std::unique_ptr<DeviceFile> Create(const DeviceSettings& settings, double shiftMs, RecordSink& sink);
    ~DeviceFile() override = default;

    void Changes(std::span<const PanelChange> changes) final;
    // The rest of the file; false, with the reason, when a time did not fit
    // the format or the sink failed.
    bool Finish(std::string& reason);
    // Entries written: events, or the header's moments.
    std::size_t Entries() const { return entries_; }

protected:
    DeviceFile(const DeviceSettings& settings, double shiftMs, RecordSink& sink);

    virtual void Begin() = 0;
    // The changes, their times as the file gives them (see TimeOf).
    virtual void Events(std::span<const PanelChange> changes) = 0;
    virtual void End() = 0;

    std::int64_t TimeOf(const PanelChange& change) const {
        const std::int64_t time = change.TimeUs - zeroUs_;
        if (settings_.Unit == TimeUnit::Microseconds) return time;
        return time >= 0 ? time / 1000 : -((-time + 999) / 1000);
    }
    bool Failed() const { return !failure_.empty(); }

    void Write(std::string_view text);
    // Room for a line of at most kLineRoom bytes at the end of the block;
    // Written hands back its end.
    static constexpr std::size_t kLineRoom = 128;
    char* Room() { return next_; }
    void Written(char* end) {
        next_ = end;
        if (next_ >= full_) Spill();
    }
    // For a loop that keeps the end in a local: whether a line that ends
    // at `end` fills the block, which Written then hands on.
    bool Fills(const char* end) const { return end >= full_; }
    void Fail(std::string reason);
    std::string_view UnitName() const;

    const DeviceSettings settings_;
    const double shiftMs_;
    std::size_t entries_ = 0;
    // Calls `write` with the writer of the file's times, in a local, whose
    // values the bytes written cannot overwrite as far as the compiler
    // knows, so that they stay in registers. Times grow by tens of
    // milliseconds from one moment to the next: in milliseconds by as little
    // as WholeNumberWriter adds digit by digit, in microseconds by more.
    template <class Write>
    void WithNumbers(Write write) {
        if (settings_.Unit == TimeUnit::Milliseconds) {
            WholeNumberWriter numbers = wholeNumbers_;
            write(numbers);
            wholeNumbers_ = numbers;
        } else {
            SpreadNumberWriter numbers = spreadNumbers_;
            write(numbers);
            spreadNumbers_ = numbers;
        }
    }

private:
    void Spill();
    void NewBlock();

    RecordSink& sink_;
    WholeNumberWriter wholeNumbers_;
    SpreadNumberWriter spreadNumbers_;
    const std::size_t blockBytes_;
    // The block being filled, kLineRoom past blockBytes_; next_ and full_
    // point into it.
    std::string block_;
    char* next_ = nullptr;
    char* full_ = nullptr;
    std::string failure_;
    bool begun_ = false;
    bool zeroKnown_ = false;
    std::int64_t zeroUs_ = 0;
};

}  // namespace stepquill
