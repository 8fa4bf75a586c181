#include "part_choice.h"

#include <algorithm>
#include <map>

#include "chart_info.h"

namespace stepquill {

namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::size_t OccurrenceAt(const std::vector<Difficulty>& difficulties, std::size_t index) {
    const std::string& name = difficulties[index].Name;
    return static_cast<std::size_t>(std::count_if(difficulties.begin(), difficulties.begin() + index,
                                                  [&](const Difficulty& d) { return d.Name == name; }));
}

// A part name as a piece of a file name: no folder separators, no control
// characters, never empty.
std::string FileNamePiece(const std::string& name) {
    std::string piece = name;
    for (char& c : piece)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20) c = '_';
    return piece.empty() ? "part" : piece;
}

}  // namespace

std::optional<PartChoice> ChoosePart(const std::vector<Difficulty>& difficulties, const std::string& wanted,
                                     std::string& reason) {
    for (std::size_t i = 0; i < difficulties.size(); ++i)
        if (NamesDifficulty(difficulties[i], wanted))
            return PartChoice{difficulties[i].DisplayText, OccurrenceAt(difficulties, i)};

    // Without regard to case, a spelling the chart lists stands for what
    // `wanted` means only when it is the one such spelling; it is then
    // taken as if written exactly so.
    const std::string upperWanted = Upper(wanted);
    std::vector<std::string> spellings;
    for (const auto& difficulty : difficulties) {
        for (const std::string& candidate : {difficulty.DisplayText, difficulty.Name}) {
            if (Upper(candidate) == upperWanted &&
                std::find(spellings.begin(), spellings.end(), candidate) == spellings.end())
                spellings.push_back(candidate);
        }
    }
    if (spellings.size() == 1) return ChoosePart(difficulties, spellings.front(), reason);

    std::string listed;
    if (spellings.empty())
        for (const Difficulty& d : difficulties) listed += " " + d.DisplayText;
    else
        for (const std::string& spelling : spellings) listed += " " + spelling;
    if (spellings.empty())
        reason = "the chart lists no difficulty " + wanted + " (it lists:" +
                 (listed.empty() ? std::string(" none") : listed) + ")";
    else
        reason = "the difficulty " + wanted + " could name several parts (" + listed.substr(1) + ")";
    return std::nullopt;
}

std::vector<PartFile> PlanPartFiles(const std::string& chartPath, const std::string& folder,
                                    const std::vector<Difficulty>& difficulties, std::string_view ending,
                                    std::string_view givenStem) {
    const std::size_t slash = chartPath.rfind('/');
    const std::string chartFolder = slash == std::string::npos ? std::string() : chartPath.substr(0, slash + 1);
    std::string stem = slash == std::string::npos ? chartPath : chartPath.substr(slash + 1);
    const std::size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) stem.resize(dot);
    if (!givenStem.empty()) stem = givenStem;
    std::string target = folder.empty() ? chartFolder : folder;
    if (!target.empty() && target.back() != '/') target += '/';

    std::vector<PartFile> files;
    std::map<std::string, std::size_t> named;  // files made so far under each name
    std::map<std::string, std::size_t> listed;  // parts listed so far under each name
    for (std::size_t i = 0; i < difficulties.size(); ++i) {
        const std::string piece = FileNamePiece(difficulties[i].Name);
        const std::size_t count = ++named[piece];
        // Built piece by piece: g++ 12 warns falsely of overlapping copies in
        // the one-expression form.
        std::string path = target + stem;
        path += '.';
        path += piece;
        if (count > 1) {
            path += '-';
            path += std::to_string(count);
        }
        path += '.';
        path += ending;
        files.push_back({{difficulties[i].DisplayText, listed[difficulties[i].Name]++}, path});
    }
    return files;
}

}  // namespace stepquill
