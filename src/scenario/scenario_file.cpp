#include "scenario/scenario_file.h"

#include "compute/ascii_case.h"

#include "files/atomic_file.h"
#include "files/small_file.h"
#include "files/user_text.h"
#include "scenario/scenario_keys.h"
#include "scenario/site_frame.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

namespace drawfield {
namespace {

    std::string_view trim(std::string_view text)
    {
        auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
        while (!text.empty() && isBlank(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && isBlank(text.back()))
            text.remove_suffix(1);
        return text;
    }

    bool isCommentOrEmpty(std::string_view rest)
    {
        rest = trim(rest);
        return rest.empty() || rest.front() == '#' || rest.front() == ';';
    }

    // The number of a section such as "bore3" (1 to most), or nothing.
    std::optional<int> numbered(const std::string& section, std::string_view stem, int most)
    {
        if (!section.starts_with(stem) || section.size() == stem.size()
            || section.size() > stem.size() + 4)
            return std::nullopt;
        int number = 0;
        for (char c : std::string_view(section).substr(stem.size())) {
            if (c < '0' || c > '9')
                return std::nullopt;
            number = number * 10 + (c - '0');
        }
        if (number < 1 || number > most || section[stem.size()] == '0')
            return std::nullopt;
        return number;
    }

    // Where a key of a section goes; a bore's or a point's section beyond the rows there are
    // adds rows up to it.
    std::string* field(ScenarioTexts& texts, const std::string& section, const std::string& key)
    {
        std::string* found = nullptr;
        auto find = [&](const std::string& s, std::string_view k, std::string& text) {
            if (found == nullptr && s == section && key == k)
                found = &text;
        };
        if (std::optional<int> bore = numbered(section, "bore", MostBores)) {
            const auto index = static_cast<std::size_t>(*bore - 1);
            if (texts.bores.size() <= index)
                texts.bores.resize(index + 1);
            forEachBoreKey(texts.bores[index], section, find);
        } else if (std::optional<int> point
            = numbered(section, "observation", MostObservationPoints)) {
            const auto index = static_cast<std::size_t>(*point - 1);
            if (texts.observations.size() <= index)
                texts.observations.resize(index + 1);
            forEachObservationKey(texts.observations[index], section, find);
        } else {
            forEachLeadingKey(texts, find);
            forEachBoundaryKey(texts, find);
            forEachTrailingKey(texts, find);
        }
        return found;
    }

    bool isKnownSection(const std::string& name)
    {
        return name == "map" || name == "aquifer" || name == "profile" || name == "georeference"
            || name == "units" || name == "report" || name == "fit"
            || numbered(name, "bore", MostBores) || numbered(name, "boundary", BoundaryCount)
            || numbered(name, "observation", MostObservationPoints);
    }

    // A value as the reader gives it back: bare where it can be, else in double quotes with its
    // own quotes doubled.
    std::string written(const std::string& value)
    {
        const bool bare = value.find_first_of("#;") == std::string::npos
            && (value.empty() || value.front() != '"') && trim(value) == value;
        if (bare)
            return value;
        std::string out = "\"";
        for (char c : value) {
            if (c == '"')
                out.push_back('"');
            out.push_back(c);
        }
        out.push_back('"');
        return out;
    }

} // namespace

ScenarioTexts parseScenarioFile(
    std::string_view content, const std::string& fileName, ScenarioComments* comments)
{
    ScenarioComments kept;
    std::vector<std::string> block; // comment lines not yet placed, and the blanks among them
    bool anySection = false;
    auto take = [&]() {
        while (!block.empty() && block.back().empty())
            block.pop_back();
        std::vector<std::string> lines;
        lines.swap(block);
        return lines;
    };
    auto keepAbove = [&](const std::string& place) {
        std::vector<std::string> lines = take();
        if (lines.empty())
            return;
        if (!anySection) {
            kept.header = std::move(lines);
            return;
        }
        std::vector<std::string>& above = kept.above[place];
        above.insert(above.end(), lines.begin(), lines.end());
    };
    // What follows a value or a section's bracket: a comment, with the blanks before it.
    auto keepAtEnd = [&](const std::string& place, std::string_view tail) {
        const std::size_t mark = tail.find_first_of("#;");
        if (mark == std::string_view::npos)
            return;
        std::string text(tail);
        if (text.front() != ' ' && text.front() != '\t')
            text.insert(0, " ");
        kept.atEnd[place] += text;
    };

    if (content.starts_with("\xEF\xBB\xBF"))
        content.remove_prefix(3);

    ScenarioTexts texts;
    std::string section;
    std::map<std::string, int> firstLineOfKey;
    std::map<std::string, int> lineOfSection; // where each section first began
    int lineNumber = 0;
    auto error = [&](const std::string& message) {
        return ScenarioFileError(cannotMessage(
            "read", "scenario file", fileName + " at line " + std::to_string(lineNumber), message));
    };

    while (!content.empty()) {
        ++lineNumber;
        std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);

        line = trim(line);
        if (isCommentOrEmpty(line)) {
            if (!line.empty() || !block.empty())
                block.emplace_back(line);
            continue;
        }

        if (line.front() == '[') {
            std::size_t close = line.find(']');
            if (close == std::string_view::npos || !isCommentOrEmpty(line.substr(close + 1)))
                throw error(
                    "malformed section line; write it as [map], [aquifer], [bore1], [boundary1], "
                    "[observation1], [profile], [units], [report] or [fit]");
            section = asciiLowerCase(trim(line.substr(1, close - 1)));
            lineOfSection.emplace(section, lineNumber);
            keepAbove(section);
            anySection = true;
            keepAtEnd(section, line.substr(close + 1));
            if (!isKnownSection(section))
                throw error("unknown section " + quotedExcerpt(trim(line.substr(1, close - 1)))
                    + "; the sections are [map], [aquifer], [boreN], [boundary1], [boundary2], "
                      "[observationN], [profile], [georeference], [units], [report] and [fit]");
            continue;
        }

        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            throw error("malformed line; write it as key = value");
        std::string key = asciiLowerCase(trim(line.substr(0, equals)));
        if (key.empty())
            throw error("a value without a key");
        if (section.empty())
            throw error(quotedExcerpt(key) + " comes before any section");

        std::string_view rest = trim(line.substr(equals + 1));
        std::string value;
        std::string_view comment;
        if (!rest.empty() && rest.front() == '"') {
            // Two double quotes in a row stand for one.
            std::size_t close = 1;
            for (;;) {
                const std::size_t quote = rest.find('"', close);
                if (quote == std::string_view::npos)
                    throw error("the value's closing double quote is missing");
                value.append(rest.substr(close, quote - close));
                if (quote + 1 < rest.size() && rest[quote + 1] == '"') {
                    value.push_back('"');
                    close = quote + 2;
                    continue;
                }
                close = quote;
                break;
            }
            if (!isCommentOrEmpty(rest.substr(close + 1)))
                throw error("unexpected text after the quoted value");
            comment = rest.substr(close + 1);
        } else {
            const std::size_t mark = rest.find_first_of("#;");
            value = std::string(trim(rest.substr(0, mark)));
            if (mark != std::string_view::npos) {
                const std::size_t last = rest.substr(0, mark).find_last_not_of(" \t");
                comment = rest.substr(last == std::string_view::npos ? 0 : last + 1);
            }
        }

        std::string* target = field(texts, section, key);
        if (target == nullptr)
            throw error("unknown key " + quotedExcerpt(key) + " in [" + section + "]");
        // Keys that name a choice take only the names of its options.
        if (section == "aquifer" && key == "method" && !methodOfText(value))
            throw error(
                "unknown method " + quotedExcerpt(value) + "; write " + std::string(methodTexts()));
        if (section == "map" && key == "coordinates" && !siteCoordinatesOfText(value))
            throw error("coordinates must be local or crs, not " + quotedExcerpt(value));
        if (section == "aquifer" && key == "unconfined" && !yesNoOfText(value))
            throw error("unconfined must be yes or no, not " + quotedExcerpt(value));
        if (section.starts_with("boundary") && key == "kind" && !value.empty()
            && !boundaryKindOfText(value))
            throw error("unknown kind " + quotedExcerpt(value) + "; write barrier or recharge");
        // A value is one line: what the reader keeps, the writer must be able to write.
        if (value.find('\r') != std::string::npos)
            throw error("a carriage return inside the value of " + quotedExcerpt(key)
                + "; a value is one line");
        // A unit word is of the key's quantity: "450 m2" is no transmissivity.
        if (const std::optional<Quantity> quantity = quantityOfKey(section, key)) {
            if (section == "units") {
                if (!value.empty() && !unitFactor(value, *quantity))
                    throw error("unknown unit " + quotedExcerpt(value) + " for " + key
                        + " in [units]; " + key + " takes " + std::string(unitsTaken(*quantity)));
            } else if (std::string problem
                       = unitProblem(value, *quantity, key + " " + quotedExcerpt(value, 20));
                       !problem.empty()) {
                throw error(problem);
            }
        }
        auto [previous, inserted] = firstLineOfKey.emplace(section + "." + key, lineNumber);
        if (!inserted)
            throw error(quotedExcerpt(key) + " in [" + section + "] was already given on line "
                + std::to_string(previous->second));
        *target = value;
        keepAbove(section + "." + key);
        keepAtEnd(section + "." + key, comment);
    }
    kept.after = take();
    if (!anySection && !kept.after.empty())
        kept.header = std::exchange(kept.after, {});
    // A boundary is a kind and its line: points without a kind would be dropped in silence.
    for (std::size_t b = 0; b < texts.boundaries.size(); ++b) {
        const BoundaryTexts& boundary = texts.boundaries[b];
        if (boundary.kind.empty() && !boundary.isEmpty()) {
            const std::string named = "boundary" + std::to_string(b + 1);
            lineNumber = lineOfSection[named];
            throw error("[" + named + "] has no kind; write kind = barrier or kind = recharge");
        }
    }
    dropEmptyParameters(texts);
    // Rows beyond the window's own that hold nothing are not written back: they are no rows.
    while (texts.bores.size() > WellCount && texts.bores.back().isEmpty())
        texts.bores.pop_back();
    while (texts.observations.size() > ObservationCount && texts.observations.back().isEmpty())
        texts.observations.pop_back();
    if (comments)
        *comments = std::move(kept);
    return texts;
}

ScenarioTexts readScenarioFile(const std::filesystem::path& path, ScenarioComments* comments)
{
    const std::string tooLarge = std::to_string(LargestScenarioFileBytes / 1024)
        + " kB; a scenario file holds a few lines";
    try {
        // Standard input may be a pipe ("cat site.ini | drawfield-batch -"); any other path
        // must lead to a small regular file.
        const std::string content = isStandardInput(path)
            ? readStandardInput(LargestScenarioFileBytes, tooLarge)
            : readSmallRegularFile(path, LargestScenarioFileBytes, tooLarge);
        return parseScenarioFile(content, path.native(), comments);
    } catch (const SmallFileError& error) {
        throw ScenarioFileError(
            cannotMessage("read", "scenario file", path.native(), error.what()));
    }
}

std::filesystem::path scenarioFolderOf(const std::filesystem::path& path)
{
    if (isStandardInput(path))
        return std::filesystem::current_path();
    std::error_code error;
    const std::filesystem::path real
        = std::filesystem::weakly_canonical(std::filesystem::absolute(path), error);
    return (error ? std::filesystem::absolute(path) : real).parent_path();
}

std::string scenarioFileText(const ScenarioTexts& texts, const ScenarioComments& comments)
{
    std::string out;
    auto lines = [&](const std::vector<std::string>& block) {
        for (const std::string& line : block)
            out += line + "\n";
    };
    auto above = [&](const std::string& place) {
        if (auto found = comments.above.find(place); found != comments.above.end())
            lines(found->second);
    };
    auto atEnd = [&](const std::string& place) {
        auto found = comments.atEnd.find(place);
        return found == comments.atEnd.end() ? std::string() : found->second;
    };
    if (comments.header.empty())
        out = "# Drawfield scenario: the texts of the window's fields.\n";
    else
        lines(comments.header);
    // A section goes in when it holds anything; [map] and [aquifer] always do. The comments of
    // one left out go to the end, so that none is lost.
    std::vector<std::string> orphans;
    std::set<std::string> visited; // the places written, each section and key
    std::string section, pending;
    std::vector<std::string> pendingPlaces;
    bool any = false;
    auto flush = [&] {
        if (any || section == "map" || section == "aquifer") {
            out += "\n";
            above(section);
            // [map] comes first: the lines above it read back as the file's header, so they
            // are parted from it as a header is, and the file reads back to the same bytes.
            if (section == "map" && comments.above.count(section) != 0)
                out += "\n";
            out += "[" + section + "]" + atEnd(section) + "\n" + pending;
        } else {
            for (const std::string& place : pendingPlaces) {
                if (auto found = comments.above.find(place); found != comments.above.end())
                    orphans.insert(orphans.end(), found->second.begin(), found->second.end());
                if (const std::string end = atEnd(place); !end.empty())
                    orphans.push_back(std::string(trim(end)));
            }
        }
        pending.clear();
        pendingPlaces = {};
        any = false;
    };
    forEachKey(texts, [&](const std::string& s, std::string_view key, const std::string& text) {
        if (text.find_first_of("\r\n") != std::string::npos)
            throw std::invalid_argument("the text of " + std::string(key) + " in [" + s
                + "] holds a line break, which a scenario file cannot keep");
        if (s != section) {
            if (!section.empty())
                flush();
            section = s;
            pendingPlaces.push_back(s);
            visited.insert(s);
        }
        const std::string place = s + "." + std::string(key);
        pendingPlaces.push_back(place);
        visited.insert(place);
        if (auto found = comments.above.find(place); found != comments.above.end())
            for (const std::string& line : found->second)
                pending += line + "\n";
        pending += std::string(key) + (text.empty() ? " =" : " = " + written(text)) + atEnd(place)
            + "\n";
        any = any || !text.empty();
    });
    flush();
    // The comments of places the texts no longer hold (a row that holds nothing) go to the end
    // too.
    for (const auto& [place, block] : comments.above)
        if (!visited.count(place))
            orphans.insert(orphans.end(), block.begin(), block.end());
    for (const auto& [place, end] : comments.atEnd)
        if (!visited.count(place) && !trim(end).empty())
            orphans.push_back(std::string(trim(end)));
    if (!orphans.empty() || !comments.after.empty()) {
        out += "\n";
        lines(orphans);
        lines(comments.after);
    }
    return out;
}

void writeScenarioFile(
    const std::filesystem::path& path, const ScenarioTexts& texts, const ScenarioComments& comments)
{
    std::string content;
    try {
        content = scenarioFileText(texts, comments);
    } catch (const std::invalid_argument& reason) {
        throw FileWriteError(cannotMessage("write", "scenario file", path.native(), reason.what()));
    }
    AtomicFile file(path, "scenario file");
    file.write(content);
    file.commit();
}

ScenarioTexts withMeasuredNamesMoved(const ScenarioTexts& texts,
    const std::filesystem::path& fromFolder, const std::filesystem::path& toFolder)
{
    auto real = [](const std::filesystem::path& folder) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(folder);
        const std::filesystem::path canonical = std::filesystem::weakly_canonical(absolute, error);
        return (error ? absolute : canonical).lexically_normal();
    };
    const std::filesystem::path from = real(fromFolder), to = real(toFolder);
    auto moved = [&](std::string& name) {
        if (name.empty() || std::filesystem::path(name).is_absolute())
            return;
        const std::filesystem::path file = (from / name).lexically_normal();
        const std::filesystem::path relative = file.lexically_relative(to);
        name = relative.empty() ? file.string() : relative.string();
    };
    ScenarioTexts out = texts;
    for (ObservationTexts& point : out.observations)
        moved(point.measured);
    for (BoreTexts& bore : out.bores)
        moved(bore.measured);
    return out;
}

std::filesystem::path folderOfWrittenScenario(const std::filesystem::path& path)
{
    try {
        const ReplacedFile file = replacedFileOf(path);
        if (!file.direct)
            return std::filesystem::absolute(file.target).parent_path();
    } catch (const std::system_error&) {
        // A loop of links: the write says so; any folder will do until then.
    }
    return std::filesystem::current_path();
}

void writeScenarioFileFrom(const std::filesystem::path& path, const ScenarioTexts& texts,
    const std::filesystem::path& fromFolder, const ScenarioComments& comments)
{
    writeScenarioFile(
        path, withMeasuredNamesMoved(texts, fromFolder, folderOfWrittenScenario(path)), comments);
}

} // namespace drawfield
