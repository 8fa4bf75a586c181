// stepquill-convert's command line: its options, the rules between them,
// and every usage error in plain words, in one line.
#include "command_line.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <iostream>
#include <map>
#include <vector>

#include "descriptor_writer.h"
#include "library_run.h"
#include "text_decoder.h"

namespace stepquill {

namespace {

constexpr int kUsageError = 2;

// A decimal number of milliseconds, as a player writes a latency: "12",
// "-7.5". An exponent or a word such as "inf" is refused.
std::optional<double> ParseShift(const std::string& text) {
    std::size_t digits = 0;
    bool point = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.' && !point) {
            point = true;
        } else if (!(c == '-' && i == 0)) {
            return std::nullopt;
        }
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (digits == 0 || error != std::errc() || end != text.data() + text.size() || std::fabs(value) > 1e9)
        return std::nullopt;
    return value;
}

// A length in milliseconds, as the device options take it: a decimal
// number above 0.
std::optional<double> ParseLength(const std::string& text) {
    const std::optional<double> ms = text.empty() || text[0] == '-' ? std::nullopt : ParseShift(text);
    if (!ms || !(*ms > 0)) return std::nullopt;
    return ms;
}

// A check CLI11 runs on a value as given. What it returns on a refusal is
// never shown: the usage error says what the option wants instead.
CLI::Validator Accepting(bool (*accepts)(const std::string&), const char* name) {
    return CLI::Validator([accepts](std::string& text) { return accepts(text) ? std::string() : "refused"; }, "",
                          name);
}

// An option that takes a value, as usage errors name it, with what it wants.
struct ValueOption {
    CLI::Option* Option;
    std::string Name;
    std::string Wants;
    bool ConversionOnly;  // means nothing unless a part is converted
    bool DeviceOnly = false;  // means nothing for the kvt timing file
    bool LibraryOnly = false;  // means nothing unless a library is converted
};

// Two options that cannot go together, and why.
struct Exclusion {
    CLI::Option* First;
    CLI::Option* Second;
    std::string Reason;
};

struct Rules {
    std::vector<ValueOption> Values;
    std::vector<Exclusion> Exclusions;
};

bool Given(const CLI::Option* option) { return option->count() > 0; }

// The first word CLI11 could not place that looks like an option. It goes
// before whatever else failed: a chart seems missing only because the
// word in its place was taken for an option.
std::optional<std::string> UnknownOption(const CLI::App& app) {
    for (const std::string& word : app.remaining())
        if (word.size() > 1 && word[0] == '-') return word.substr(0, word.find('='));
    return std::nullopt;
}

// CLI11's error in plain words. CLI11 opens every error about one option's
// value with the option's name and a colon; that is how the option is found.
std::string PlainReason(const CLI::App& app, const CLI::ParseError& error, const Rules& rules) {
    if (const auto unknown = UnknownOption(app)) return "unknown option " + *unknown;
    if (dynamic_cast<const CLI::RequiredError*>(&error))  // CHART is the one required
        return "no CHART given: name a DWI, .sm or .ssc chart, or - to read one from standard input";
    if (dynamic_cast<const CLI::ExtrasError*>(&error) && !app.remaining().empty())
        return app.remaining().front() + " is one word too many: give a CHART and at most one DIFFICULTY";
    if (dynamic_cast<const CLI::ExcludesError*>(&error)) {
        for (const Exclusion& exclusion : rules.Exclusions)
            if (Given(exclusion.First) && Given(exclusion.Second)) return exclusion.Reason;
    }
    const std::string message = error.what();
    for (const ValueOption& value : rules.Values) {
        if (message.rfind(value.Option->get_name() + ":", 0) != 0) continue;
        const std::vector<std::string>& given = value.Option->results();
        if (given.size() > 1) return value.Name + " is given more than once";
        const std::string wants = value.Name + " needs " + value.Wants;
        return given.empty() || given.front().empty() ? wants : wants + ", not " + given.front();
    }
    std::string reason = message;
    while (!reason.empty() && (reason.back() == '.' || reason.back() == '\n')) reason.pop_back();
    return reason;
}

// What the options ask for together that no single option's check sees.
std::optional<std::string> Conflict(const Options& options, const Rules& rules) {
    if (!options.Difficulty && !options.All) {
        for (const ValueOption& value : rules.Values)
            if (value.ConversionOnly && Given(value.Option))
                return value.Name + " is for a conversion: name a DIFFICULTY or give --all";
    }
    if (options.Format == OutputFormat::Kvt) {
        for (const ValueOption& value : rules.Values)
            if (value.DeviceOnly && Given(value.Option))
                return value.Name + " is for a device's timeline: give --format csv, json or c-header";
    }
    if (!options.Library) {
        for (const ValueOption& value : rules.Values)
            if (value.LibraryOnly && Given(value.Option))
                return value.Name + " is for a library: give a folder or an archive with --all";
    }
    if (options.All && options.Chart == "-")
        return "--all names its files after the chart, so it needs a chart file, not -";
    if (options.All && options.Output && NamesStandardOutput(*options.Output))
        return "--all writes a file per part; -o names their folder, not standard output";
    return std::nullopt;
}

int UsageError(const std::string& reason) {
    std::cerr << "stepquill-convert: " << reason << ". Run with --help for more information.\n";
    return kUsageError;
}

}  // namespace

std::optional<int> ReadCommandLine(int argc, char** argv, Options& options) {
    CLI::App app{"Reads a DWI, .sm or .ssc step chart and converts one of its single-play parts, or all of "
                 "them, into kvt timing files.",
                 "stepquill-convert"};
    app.set_version_flag("--version", std::string("stepquill-convert ") + STEPQUILL_VERSION);
    Rules rules;
    const auto value = [&rules](CLI::Option* option, std::string name, std::string wants, bool conversionOnly) {
        rules.Values.push_back({option, std::move(name), std::move(wants), conversionOnly});
        return option;
    };

    app.add_option("CHART", options.Chart, "the chart: DWI, or StepMania .sm or .ssc; - reads it from standard input")
        ->required();
    CLI::Option* difficulty = app.add_option(
        "DIFFICULTY", options.Difficulty,
        "a difficulty as listed, such as MANIAC(9) or Hard(9), or a bare name such as MANIAC");
    const std::vector<std::string> choices(kTokenChoices.begin(), kTokenChoices.end());
    const auto token = [&](const char* name, std::string& field, const char* what) {
        // Written in either case, kept in upper case.
        CLI::Option* option = app.add_option(name, field, what);
        value(option->transform(CLI::IsMember(choices, CLI::ignore_case))->capture_default_str(), name,
              "one of the tokens A, B, X, Y, L, R", true);
    };
    ArrowTokens& tokens = options.Tokens;
    token("--up-left", tokens.UpLeft, "token for up and left at once");
    token("--up-right", tokens.UpRight, "token for up and right at once");
    token("--down-left", tokens.DownLeft, "token for down and left at once");
    token("--down-right", tokens.DownRight, "token for down and right at once");
    token("--up-down", tokens.UpDown, "token for up and down at once");
    token("--left-right", tokens.LeftRight, "token for left and right at once");
    value(app.add_option("-o,--output", options.Output,
                         "the timing file, - for standard output; with --all, the folder of the files. By default "
                         "the timing file goes beside the chart: song.sm and song.ssc (in any case) give song.kvt; "
                         "any other chart is read as DWI and gives its path with the last three characters "
                         "replaced by kvt, so song.dwi gives song.kvt")
              ->check(Accepting([](const std::string& name) { return !name.empty(); }, "OUT"))
              ->option_text("OUT"),
          "-o", "a file name, or - for standard output", true);
    app.add_flag("-q,--quiet", options.Quiet, "do not print the progress log or what was written");
    CLI::Option* all = app.add_flag(
        "--all", options.All,
        "convert every single-play part, each into a file named after the chart without its ending and the part: "
        "song.dwi or song.sm gives song.MANIAC.kvt (a second MANIAC part song.MANIAC-2.kvt), in the chart's "
        "folder or in the folder -o names");
    value(app.add_option_function<std::string>(
                 "--shift", [&options](const std::string& text) { options.ShiftMs = ParseShift(text); },
                 "move every time by MS milliseconds (a decimal number, negative allowed)")
              ->check(Accepting([](const std::string& text) { return ParseShift(text).has_value(); }, "MS"))
              ->option_text("MS"),
          "--shift", "a number of milliseconds, such as -12", true);
    value(app.add_option("--encoding", options.Encoding,
                         "the encoding of the chart's texts, such as CP932 (default: guessed from the chart)")
              ->check(Accepting([](const std::string& name) { return TextDecoder::Open(name).has_value(); },
                                "ENCODING"))
              ->option_text("NAME"),
          "--encoding", "the name of an encoding this system knows, such as CP932", false);
    value(app.add_option_function<std::string>(
                 "--chart-format", [&options](const std::string& name) { options.NamedFormat = FormatNamed(name); },
                 "read the chart as dwi, sm or ssc, whatever its name ends with; a chart piped in is otherwise "
                 "told by its tags")
              ->check(Accepting([](const std::string& name) { return FormatNamed(name).has_value(); }, "FORMAT"))
              ->option_text("FORMAT"),
          "--chart-format", "dwi, sm or ssc", false);
    CLI::Option* json = app.add_flag("--json", options.Json, "print the chart's information as one JSON object");

    const std::map<std::string, OutputFormat> formats = {
        {"kvt", OutputFormat::Kvt}, {"csv", OutputFormat::Csv}, {"json", OutputFormat::Json},
        {"c-header", OutputFormat::CHeader}};
    value(app.add_option("--format", options.Format,
                         "what is written: kvt (the timing file), or a device's presses and releases as csv, json "
                         "or c-header (a C header for a device's program); the default name ends in .csv, .json "
                         "or .h instead of .kvt")
              ->transform(CLI::CheckedTransformer(formats))
              ->option_text("FORMAT"),
          "--format", "one of kvt, csv, json, c-header", true);
    const auto length = [&](const char* name, double& field, const char* what) {
        ValueOption& option = rules.Values.emplace_back(ValueOption{
            app.add_option_function<std::string>(
                   name, [&field](const std::string& text) { field = *ParseLength(text); }, what)
                ->check(Accepting([](const std::string& text) { return ParseLength(text).has_value(); }, "MS"))
                ->option_text("MS"),
            name, "a number of milliseconds above 0, such as 40", true});
        option.DeviceOnly = true;
    };
    length("--tap-ms", options.Lengths.TapMs,
           "how long a device holds a tap, at most half the way to the next press (default 40)");
    length("--roll-ms", options.Lengths.RollMs, "how often a device taps a roll again (default 100)");
    const std::map<std::string, TimeZero> zeros = {{"music", TimeZero::Music}, {"first-press", TimeZero::FirstPress}};
    value(app.add_option("--zero", options.Zero,
                         "where a device's times start: music (the start of the music, as the timing file's) or "
                         "first-press (the part's first press at 0)")
              ->transform(CLI::CheckedTransformer(zeros))
              ->option_text("ZERO"),
          "--zero", "music or first-press", true);
    rules.Values.back().DeviceOnly = true;
    const std::map<std::string, TimeUnit> units = {{"us", TimeUnit::Microseconds}, {"ms", TimeUnit::Milliseconds}};
    value(app.add_option("--time-unit", options.Unit, "the unit of a device's times: us (the default) or ms")
              ->transform(CLI::CheckedTransformer(units))
              ->option_text("UNIT"),
          "--time-unit", "us or ms", true);
    rules.Values.back().DeviceOnly = true;

    const auto libraryOnly = [&](CLI::Option* option, const char* name, const char* wants) {
        rules.Values.push_back({option, name, wants, true, false, true});
    };
    libraryOnly(app.add_flag("--every-chart", options.EveryChart,
                             "with a library: convert every chart file of a song folder, not only the one the "
                             "game loads (a .ssc, else an .sm, else a .dwi)"),
                "--every-chart", "nothing");
    libraryOnly(app.add_option("-j,--jobs", options.Jobs,
                               "with a library: convert on N threads (default: every processor)")
                    ->check(CLI::Range(1u, 1024u))
                    ->option_text("N"),
                "-j", "a number of threads from 1 to 1024");
    libraryOnly(app.add_option("--report", options.Report,
                               "with a library: write a JSON report of every song, chart and part to FILE")
                    ->check(Accepting([](const std::string& name) { return !name.empty(); }, "FILE"))
                    ->option_text("FILE"),
                "--report", "a file name");

    const auto exclude = [&rules](CLI::Option* first, CLI::Option* second, std::string reason) {
        first->excludes(second);
        rules.Exclusions.push_back({first, second, std::move(reason)});
    };
    exclude(all, difficulty, "--all converts every part; name no DIFFICULTY with it");
    const std::string informationOnly = "--json prints the chart's information; it takes no DIFFICULTY and no --all";
    exclude(json, difficulty, informationOnly);
    exclude(json, all, informationOnly);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) {
        return app.exit(done);
    } catch (const CLI::ParseError& error) {
        return UsageError(PlainReason(app, error, rules));
    }
    options.Library = options.All && options.Chart != "-" && NamesLibrary(options.Chart);
    if (const auto conflict = Conflict(options, rules)) return UsageError(*conflict);
    return std::nullopt;
}

}  // namespace stepquill
