#include "device_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>

#include "chart_info.h"
#include "text.h"
#include "whole_number.h"

namespace stepquill {

namespace {

constexpr std::array<std::string_view, kDevicePanels> kPanelNames = {"left", "down", "up", "right", "c", "d"};
constexpr std::array<std::string_view, kDevicePanels> kPanelButtons = {"A", "X", "Y", "B", "L", "R"};

std::string Number(double value) { return FormatNumber(value); }

// A few bytes, copied without a call.
char* Put(char* at, std::string_view text) {
    for (const char c : text) *at++ = c;
    return at;
}

// The end of an event's line after its time, by its panel and whether it is
// a press, padded so that it is copied in whole words and its length added.
struct LineEnd {
    char Text[24];
    std::size_t Size;
};
using LineEnds = std::array<LineEnd, 2 * kDevicePanels>;

constexpr std::size_t LineEndIndex(int panel, bool press) { return static_cast<std::size_t>(panel) * 2 + (press ? 1 : 0); }

template <class Make>
constexpr LineEnds MakeLineEnds(Make make) {
    LineEnds ends{};
    for (int panel = 0; panel < kDevicePanels; ++panel)
        for (const bool press : {false, true}) {
            LineEnd& end = ends[LineEndIndex(panel, press)];
            for (const std::string_view part : make(panel, press))
                for (const char c : part) end.Text[end.Size++] = c;
        }
    return ends;
}

constexpr LineEnds kCsvEnds = MakeLineEnds([](int panel, bool press) {
    return std::array<std::string_view, 5>{",", kPanelNames[static_cast<std::size_t>(panel)], ",",
                                           kPanelButtons[static_cast<std::size_t>(panel)],
                                           press ? ",press\n" : ",release\n"};
});
constexpr LineEnds kJsonEnds = MakeLineEnds([](int panel, bool press) {
    return std::array<std::string_view, 3>{",\"", kPanelNames[static_cast<std::size_t>(panel)],
                                           press ? "\",\"press\"]" : "\",\"release\"]"};
});

char* PutLineEnd(char* at, const LineEnd& end) {
    std::memcpy(at, end.Text, sizeof end.Text);
    return at + end.Size;
}

// A JSON string of UTF-8 text.
std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            quoted += "\\u00";
            quoted += kHex[byte >> 4];
            quoted += kHex[byte & 0xF];
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

class CsvFile final : public DeviceFile {
public:
    using DeviceFile::DeviceFile;

private:
    void Begin() override {
        Write("time_");
        Write(UnitName());
        Write(",panel,button,action\n");
    }
    void Events(std::span<const PanelChange> changes) override {
        WithNumbers([&](auto& numbers) {
            char* at = Room();
            for (const PanelChange& change : changes) {
                at = PutLineEnd(numbers.Write(at, TimeOf(change)), kCsvEnds[LineEndIndex(change.Panel, change.Press)]);
                if (Fills(at)) {
                    Written(at);
                    at = Room();
                }
            }
            Written(at);
        });
        entries_ += changes.size();
    }
    void End() override {}
};

class JsonFile final : public DeviceFile {
public:
    using DeviceFile::DeviceFile;

private:
    void Begin() override {
        Write("{\"title\":" + JsonString(settings_.Title) + ",\"artist\":" + JsonString(settings_.Artist) +
              ",\"part\":" + JsonString(settings_.Part) + ",\"time_unit\":\"" + std::string(UnitName()) +
              "\",\"zero\":\"" + (settings_.Zero == TimeZero::Music ? "music" : "first-press") +
              "\",\"shift_ms\":" + Number(shiftMs_) + ",\"tap_ms\":" + Number(settings_.Lengths.TapMs) +
              ",\"roll_ms\":" + Number(settings_.Lengths.RollMs) + ",\"events\":[");
    }
    void Events(std::span<const PanelChange> changes) override {
        WithNumbers([&](auto& numbers) {
            char* at = Room();
            bool first = entries_ == 0;
            for (const PanelChange& change : changes) {
                std::memcpy(at, ",\n[", 4);
                at += first ? 0 : 1;
                std::memcpy(at, "\n[", 2);
                at = PutLineEnd(numbers.Write(at + 2, TimeOf(change)), kJsonEnds[LineEndIndex(change.Panel, change.Press)]);
                first = false;
                if (Fills(at)) {
                    Written(at);
                    at = Room();
                }
            }
            Written(at);
        });
        entries_ += changes.size();
    }
    void End() override { Write(entries_ == 0 ? "]}\n" : "\n]}\n"); }
};

// A C header: one entry per moment at which the panels held change, the
// time in one array and the panels held from then on, a bit each, in the
// other.
class CHeaderFile final : public DeviceFile {
public:
    using DeviceFile::DeviceFile;

private:
    // Letters, digits and "_" only, never starting with a digit.
    static std::string Identifier(std::string_view text) {
        std::string name;
        for (const char c : text) {
            const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
            const bool digit = c >= '0' && c <= '9';
            if (letter || digit)
                name += letter && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
            else if (!name.empty() && name.back() != '_')
                name += '_';
        }
        while (!name.empty() && name.back() == '_') name.pop_back();
        if (name.empty() || (name[0] >= '0' && name[0] <= '9')) name.insert(0, "chart_");
        return name;
    }
    static std::string Upper(std::string text) {
        for (char& c : text)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return text;
    }
    // A comment's text on one line, which never ends the comment.
    static std::string CommentText(std::string_view text) {
        std::string line;
        for (const char c : text) {
            line += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
            if (line.size() >= 2 && line.compare(line.size() - 2, 2, "*/") == 0) line.insert(line.size() - 1, " ");
        }
        return line;
    }

    void Begin() override {
        name_ = Identifier(settings_.ChartName + "_" + PartNameOf(settings_.Part));
        const std::string guard = "STEPQUILL_" + Upper(name_) + "_H";
        Write("/* " + CommentText(settings_.Title) + " by " + CommentText(settings_.Artist) + ", part " +
              CommentText(settings_.Part) + ".\n   Written by stepquill-convert. Times in " +
              (settings_.Unit == TimeUnit::Microseconds ? "microseconds" : "milliseconds") + " from " +
              (settings_.Zero == TimeZero::Music ? "the start of the music" : "the part's first press") +
              ", shift " + Number(shiftMs_) + " ms; taps held " + Number(settings_.Lengths.TapMs) +
              " ms, rolls tapped every " + Number(settings_.Lengths.RollMs) +
              " ms.\n   Entry i: from " + name_ + "_times[i] on, the panels held are the bits of " + name_ +
              "_panels[i]:\n   bit 0 left, 1 down, 2 up, 3 right, 4 C, 5 D. */\n#ifndef " + guard + "\n#define " +
              guard + "\n\n#include <stdint.h>\n\n#ifndef STEPQUILL_STORED\n#if defined(__AVR__)\n"
              "#include <avr/pgmspace.h>\n#define STEPQUILL_STORED PROGMEM\n#else\n#define STEPQUILL_STORED\n"
              "#endif\n#endif\n\nstatic const int32_t " + name_ + "_times[] STEPQUILL_STORED = {\n");
    }
    void Events(std::span<const PanelChange> changes) override {
        WithNumbers([&](auto& numbers) {
            for (const PanelChange& change : changes) {
                const std::int64_t time = TimeOf(change);
                if (pending_ != 0 && time != time_) {
                    EndMoment(numbers);
                    // A time that does not fit ends the file's writing.
                    if (Failed()) return;
                }
                time_ = time;
                const unsigned bit = 1u << change.Panel;
                held_ = change.Press ? held_ | bit : held_ & ~bit;
                pending_ = 1;
            }
        });
    }
    template <class Numbers>
    void EndMoment(Numbers& numbers) {
        pending_ = 0;
        if (held_ == lastHeld_) return;
        lastHeld_ = held_;
        if (time_ < std::numeric_limits<std::int32_t>::min() || time_ > std::numeric_limits<std::int32_t>::max()) {
            Fail("a time beyond what the header's 32-bit times can hold (try --time-unit ms)");
            return;
        }
        Written(Put(numbers.Write(Put(Room(), "    "), time_), ",\n"));
        // The panels held, below 64: one or two digits.
        char* at = panels_.get() + panelsSize_;
        if (held_ >= 10) *at++ = static_cast<char>('0' + held_ / 10);
        *at++ = static_cast<char>('0' + held_ % 10);
        if (++entries_ % 16 == 0) {
            std::memcpy(at, ",\n    ", 6);
            at += 6;
        } else {
            std::memcpy(at, ", ", 2);
            at += 2;
        }
        panelsSize_ = static_cast<std::size_t>(at - panels_.get());
        if (panelsSize_ >= kPanelsHeld) KeepPanels();
    }
    std::string_view Panels() const { return {panels_.get(), panelsSize_}; }
    // The panels' bytes follow the times in the header, so they wait in an
    // unnamed temporary file past the first MiB, whatever the part's length.
    void KeepPanels() {
        if (!spilled_) spilled_.reset(std::tmpfile());
        if (!spilled_ || std::fwrite(panels_.get(), 1, panelsSize_, spilled_.get()) != panelsSize_)
            Fail("the header's panels could not be kept in a temporary file");
        panelsSize_ = 0;
    }
    void End() override {
        if (pending_ != 0) WithNumbers([&](auto& numbers) { EndMoment(numbers); });
        // C has no empty arrays: a part without a press has one unused entry.
        if (entries_ == 0) {
            Write("    0,\n");
            std::memcpy(panels_.get(), "0, ", 3);
            panelsSize_ = 3;
        }
        Write("};\n\nstatic const uint8_t " + name_ + "_panels[] STEPQUILL_STORED = {\n    ");
        if (spilled_) {
            std::rewind(spilled_.get());
            char buffer[64 * 1024];
            for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, spilled_.get())) > 0;)
                Write({buffer, got});
            if (std::ferror(spilled_.get())) Fail("the header's panels could not be read back");
        }
        Write(Panels());
        Write("\n};\n\n/* How many entries the arrays hold. */\n#define " + Upper(name_) + "_COUNT " +
              std::to_string(entries_) + "\n\n#endif\n");
    }

    static constexpr std::size_t kPanelsHeld = 1 << 20;
    struct CloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::string name_;
    // The panels' entries not yet kept in the temporary file: a few bytes
    // past kPanelsHeld, for the entry that reaches it.
    std::unique_ptr<char[]> panels_ = std::make_unique_for_overwrite<char[]>(kPanelsHeld + 16);
    std::size_t panelsSize_ = 0;
    std::unique_ptr<std::FILE, CloseFile> spilled_;
    std::int64_t time_ = 0;
    unsigned held_ = 0;
    unsigned lastHeld_ = 0;
    int pending_ = 0;
};

}  // namespace

std::string_view FormatEnding(OutputFormat format) {
    switch (format) {
        case OutputFormat::Kvt: return "kvt";
        case OutputFormat::Csv: return "csv";
        case OutputFormat::Json: return "json";
        case OutputFormat::CHeader: return "h";
    }
    return "kvt";
}

std::unique_ptr<DeviceFile> DeviceFile::Create(const DeviceSettings& settings, double shiftMs, RecordSink& sink) {
    switch (settings.Format) {
        case OutputFormat::Csv: return std::unique_ptr<DeviceFile>(new CsvFile(settings, shiftMs, sink));
        case OutputFormat::Json: return std::unique_ptr<DeviceFile>(new JsonFile(settings, shiftMs, sink));
        case OutputFormat::CHeader: return std::unique_ptr<DeviceFile>(new CHeaderFile(settings, shiftMs, sink));
        case OutputFormat::Kvt: break;
    }
    return nullptr;
}

DeviceFile::DeviceFile(const DeviceSettings& settings, double shiftMs, RecordSink& sink)
    : settings_(settings),
      shiftMs_(shiftMs),
      sink_(sink),
      blockBytes_(std::min<std::size_t>(sink.BlockBytes(), 64 << 20)) {
    NewBlock();
}

void DeviceFile::NewBlock() {
    // A string handed back by the sink mostly held a block already, so
    // little or nothing of it is filled anew.
    block_.resize(blockBytes_ + kLineRoom);
    next_ = block_.data();
    full_ = next_ + blockBytes_;
}

void DeviceFile::Changes(std::span<const PanelChange> changes) {
    if (!failure_.empty() || changes.empty()) return;
    if (!begun_) {
        begun_ = true;
        Begin();
    }
    if (!zeroKnown_) {
        zeroKnown_ = true;
        if (settings_.Zero == TimeZero::FirstPress) zeroUs_ = changes.front().TimeUs;
    }
    Events(changes);
}

bool DeviceFile::Finish(std::string& reason) {
    if (failure_.empty()) {
        if (!begun_) Begin();
        End();
    }
    if (failure_.empty() && next_ != block_.data()) Spill();
    reason = failure_;
    return failure_.empty();
}

void DeviceFile::Write(std::string_view text) {
    while (!text.empty()) {
        const std::size_t room = static_cast<std::size_t>(full_ - next_) + kLineRoom;
        const std::size_t part = std::min(room, text.size());
        text.copy(next_, part);
        text.remove_prefix(part);
        Written(next_ + part);
    }
}

void DeviceFile::Spill() {
    if (!failure_.empty()) {
        next_ = block_.data();
        return;
    }
    // The block itself goes to the sink, which may keep it and give back
    // another: a device's file is several times the timing file's bytes.
    block_.resize(static_cast<std::size_t>(next_ - block_.data()));
    std::string reason;
    const bool taken = sink_.TakeOver(block_, reason);
    NewBlock();
    if (!taken) Fail(reason.empty() ? "the output could not be written" : reason);
}

void DeviceFile::Fail(std::string reason) {
    if (failure_.empty()) failure_ = std::move(reason);
}

std::string_view DeviceFile::UnitName() const {
    return settings_.Unit == TimeUnit::Microseconds ? "us" : "ms";
}

}  // namespace stepquill
