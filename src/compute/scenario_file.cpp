#include "compute/scenario_file.h"

#include "compute/atomic_file.h"
#include "compute/user_text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>

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

    std::string lowered(std::string_view text)
    {
        std::string out(text);
        std::transform(out.begin(), out.end(), out.begin(),
            [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return out;
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
            || section.size() > stem.size() + 2)
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

    // Every key of every section, in the order a file is written: visit(section, key, text).
    template <class Texts, class Visit> void forEachKey(Texts& texts, Visit visit)
    {
        visit("map", "x_min", texts.xMin);
        visit("map", "y_min", texts.yMin);
        visit("map", "x_max", texts.xMax);
        visit("map", "cell_size", texts.cellSize);
        visit("aquifer", "transmissivity", texts.transmissivity);
        visit("aquifer", "storage", texts.storage);
        visit("aquifer", "pumping_time", texts.pumpTime);
        visit("aquifer", "thickness", texts.thickness);
        visit("aquifer", "method", texts.method);
        visit("aquifer", "leakage_factor", texts.leakageFactor);
        visit("aquifer", "unconfined", texts.unconfined);
        for (std::size_t i = 0; i < texts.wells.size(); ++i) {
            const std::string section = "bore" + std::to_string(i + 1);
            visit(section, "x", texts.wells[i].x);
            visit(section, "y", texts.wells[i].y);
            visit(section, "rate", texts.wells[i].rate);
            visit(section, "schedule", texts.schedules[i]);
            visit(section, "radius", texts.radii[i]);
            visit(section, "measured", texts.boreMeasured[i]);
        }
        for (std::size_t i = 0; i < texts.boundaries.size(); ++i) {
            const std::string section = "boundary" + std::to_string(i + 1);
            visit(section, "kind", texts.boundaries[i].kind);
            visit(section, "x1", texts.boundaries[i].x1);
            visit(section, "y1", texts.boundaries[i].y1);
            visit(section, "x2", texts.boundaries[i].x2);
            visit(section, "y2", texts.boundaries[i].y2);
        }
        for (std::size_t i = 0; i < texts.observations.size(); ++i) {
            const std::string section = "observation" + std::to_string(i + 1);
            visit(section, "name", texts.observations[i].name);
            visit(section, "x", texts.observations[i].x);
            visit(section, "y", texts.observations[i].y);
            visit(section, "measured", texts.observations[i].measured);
        }
        visit("profile", "x1", texts.profile.x1);
        visit("profile", "y1", texts.profile.y1);
        visit("profile", "x2", texts.profile.x2);
        visit("profile", "y2", texts.profile.y2);
        visit("georeference", "easting", texts.georeference.easting);
        visit("georeference", "northing", texts.georeference.northing);
        visit("georeference", "crs", texts.georeference.crs);
    }

    // Where a key of a section goes.
    std::string* field(ScenarioTexts& texts, const std::string& section, const std::string& key)
    {
        std::string* found = nullptr;
        forEachKey(texts, [&](const std::string& s, const char* k, std::string& text) {
            if (found == nullptr && s == section && key == k)
                found = &text;
        });
        return found;
    }

    bool isKnownSection(const std::string& name)
    {
        return name == "map" || name == "aquifer" || name == "profile" || name == "georeference"
            || numbered(name, "bore", WellCount) || numbered(name, "boundary", BoundaryCount)
            || numbered(name, "observation", ObservationCount);
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

ScenarioTexts parseScenarioFile(std::string_view content, const std::string& fileName)
{
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
        if (isCommentOrEmpty(line))
            continue;

        if (line.front() == '[') {
            std::size_t close = line.find(']');
            if (close == std::string_view::npos || !isCommentOrEmpty(line.substr(close + 1)))
                throw error(
                    "malformed section line; write it as [map], [aquifer], [bore1], [boundary1], "
                    "[observation1] or [profile]");
            section = lowered(trim(line.substr(1, close - 1)));
            lineOfSection.emplace(section, lineNumber);
            if (!isKnownSection(section))
                throw error("unknown section " + quotedExcerpt(trim(line.substr(1, close - 1)))
                    + "; the sections are [map], [aquifer], [bore1] to [bore5], [boundary1], "
                      "[boundary2], [observation1] to [observation10], [profile] and "
                      "[georeference]");
            continue;
        }

        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            throw error("malformed line; write it as key = value");
        std::string key = lowered(trim(line.substr(0, equals)));
        if (key.empty())
            throw error("a value without a key");
        if (section.empty())
            throw error(quotedExcerpt(key) + " comes before any section");

        std::string_view rest = trim(line.substr(equals + 1));
        std::string value;
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
        } else {
            value = std::string(trim(rest.substr(0, rest.find_first_of("#;"))));
        }

        std::string* target = field(texts, section, key);
        if (target == nullptr)
            throw error("unknown key " + quotedExcerpt(key) + " in [" + section + "]");
        // Keys that name a choice take only the names of its options.
        if (section == "aquifer" && key == "method" && !methodOfText(value))
            throw error(
                "unknown method " + quotedExcerpt(value) + "; write " + std::string(methodTexts()));
        if (section == "aquifer" && key == "unconfined" && !yesNoOfText(value))
            throw error("unconfined must be yes or no, not " + quotedExcerpt(value));
        if (section.starts_with("boundary") && key == "kind" && !value.empty()
            && !boundaryKindOfText(value))
            throw error("unknown kind " + quotedExcerpt(value) + "; write barrier or recharge");
        // A value is one line: what the reader keeps, the writer must be able to write.
        if (value.find('\r') != std::string::npos)
            throw error("a carriage return inside the value of " + quotedExcerpt(key)
                + "; a value is one line");
        auto [previous, inserted] = firstLineOfKey.emplace(section + "." + key, lineNumber);
        if (!inserted)
            throw error(quotedExcerpt(key) + " in [" + section + "] was already given on line "
                + std::to_string(previous->second));
        *target = value;
    }
    // A boundary is a kind and its line: points without a kind would be dropped in silence.
    for (std::size_t b = 0; b < texts.boundaries.size(); ++b) {
        const BoundaryTexts& boundary = texts.boundaries[b];
        if (boundary.kind.empty() && !boundary.isEmpty()) {
            const std::string named = "boundary" + std::to_string(b + 1);
            lineNumber = lineOfSection[named];
            throw error("[" + named + "] has no kind; write kind = barrier or kind = recharge");
        }
    }
    return texts;
}

ScenarioTexts readScenarioFile(const std::filesystem::path& path)
{
    auto failure = [&](const std::string& reason) {
        return ScenarioFileError(cannotMessage("read", "scenario file", path.native(), reason));
    };
    // Only a regular file of a sensible size: a folder, a device such as /dev/zero or a FIFO
    // would read as nothing or without end.
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error)
        throw failure(error.message());
    if (std::filesystem::is_directory(status))
        throw failure("it is a folder");
    if (!std::filesystem::is_regular_file(status))
        throw failure("it is not a regular file");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw failure(std::strerror(errno));
    // Read one byte past the limit, so a file that grows while it is read is caught too.
    std::string content(LargestScenarioFileBytes + 1, '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    if (in.bad())
        throw failure(std::strerror(errno));
    content.resize(static_cast<std::size_t>(in.gcount()));
    if (content.size() > LargestScenarioFileBytes)
        throw failure("it is larger than " + std::to_string(LargestScenarioFileBytes / 1024)
            + " kB; a scenario file holds a few lines");
    return parseScenarioFile(content, path.native());
}

std::string scenarioFileText(const ScenarioTexts& texts)
{
    // A section goes in when it holds anything; [map] and [aquifer] always do.
    std::string out = "# Drawfield scenario: the texts of the window's fields.\n";
    std::string section, pending;
    bool any = false;
    auto flush = [&] {
        if (any || section == "map" || section == "aquifer")
            out += "\n[" + section + "]\n" + pending;
        pending.clear();
        any = false;
    };
    forEachKey(texts, [&](const std::string& s, const char* key, const std::string& text) {
        if (text.find_first_of("\r\n") != std::string::npos)
            throw std::invalid_argument("the text of " + std::string(key) + " in [" + s
                + "] holds a line break, which a scenario file cannot keep");
        if (s != section) {
            if (!section.empty())
                flush();
            section = s;
        }
        pending += std::string(key) + (text.empty() ? " =\n" : " = " + written(text) + "\n");
        any = any || !text.empty();
    });
    flush();
    return out;
}

void writeScenarioFile(const std::filesystem::path& path, const ScenarioTexts& texts)
{
    std::string content;
    try {
        content = scenarioFileText(texts);
    } catch (const std::invalid_argument& reason) {
        throw FileWriteError(cannotMessage("write", "scenario file", path.native(), reason.what()));
    }
    AtomicFile file(path, "scenario file");
    file.write(content);
    file.commit();
}

} // namespace drawfield
