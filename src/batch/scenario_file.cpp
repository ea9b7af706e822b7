#include "batch/scenario_file.h"

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

    // Where each key of each section goes.
    std::string* field(ScenarioTexts& texts, const std::string& section, const std::string& key)
    {
        if (section == "map") {
            if (key == "x_min")
                return &texts.xMin;
            if (key == "y_min")
                return &texts.yMin;
            if (key == "x_max")
                return &texts.xMax;
            if (key == "cell_size")
                return &texts.cellSize;
        } else if (section == "aquifer") {
            if (key == "transmissivity")
                return &texts.transmissivity;
            if (key == "storage")
                return &texts.storage;
            if (key == "pumping_time")
                return &texts.pumpTime;
            if (key == "thickness")
                return &texts.thickness;
            if (key == "method")
                return &texts.method;
            if (key == "unconfined")
                return &texts.unconfined;
        } else if (section == "profile") {
            ProfileTexts& profile = texts.profile;
            for (auto [name, target] : { std::pair { "x1", &profile.x1 }, { "y1", &profile.y1 },
                     { "x2", &profile.x2 }, { "y2", &profile.y2 } })
                if (key == name)
                    return target;
        } else if (std::optional<int> number = numbered(section, "boundary", BoundaryCount)) {
            BoundaryTexts& line = texts.boundaries[static_cast<std::size_t>(*number - 1)];
            for (auto [name, target] : { std::pair { "kind", &line.kind }, { "x1", &line.x1 },
                     { "y1", &line.y1 }, { "x2", &line.x2 }, { "y2", &line.y2 } })
                if (key == name)
                    return target;
        } else if (std::optional<int> number = numbered(section, "observation", ObservationCount)) {
            ObservationTexts& point = texts.observations[static_cast<std::size_t>(*number - 1)];
            for (auto [name, target] :
                { std::pair { "name", &point.name }, { "x", &point.x }, { "y", &point.y } })
                if (key == name)
                    return target;
        } else if (std::optional<int> number = numbered(section, "bore", WellCount)) {
            const auto bore = static_cast<std::size_t>(*number - 1);
            WellTexts& well = texts.wells[bore];
            if (key == "x")
                return &well.x;
            if (key == "y")
                return &well.y;
            if (key == "rate")
                return &well.rate;
            if (key == "schedule")
                return &texts.schedules[bore];
        }
        return nullptr;
    }

    bool isKnownSection(const std::string& name)
    {
        return name == "map" || name == "aquifer" || name == "profile"
            || numbered(name, "bore", WellCount) || numbered(name, "boundary", BoundaryCount)
            || numbered(name, "observation", ObservationCount);
    }

} // namespace

ScenarioTexts parseScenarioFile(std::string_view content, const std::string& fileName)
{
    if (content.starts_with("\xEF\xBB\xBF"))
        content.remove_prefix(3);

    ScenarioTexts texts;
    std::string section;
    std::map<std::string, int> firstLineOfKey;
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
            if (!isKnownSection(section))
                throw error("unknown section " + quotedExcerpt(trim(line.substr(1, close - 1)))
                    + "; the sections are [map], [aquifer], [bore1] to [bore5], [boundary1], "
                      "[boundary2], [observation1] to [observation10] and [profile]");
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
            std::size_t close = rest.find('"', 1);
            if (close == std::string_view::npos)
                throw error("the value's closing double quote is missing");
            if (!isCommentOrEmpty(rest.substr(close + 1)))
                throw error("unexpected text after the quoted value");
            value = std::string(rest.substr(1, close - 1));
        } else {
            value = std::string(trim(rest.substr(0, rest.find_first_of("#;"))));
        }

        std::string* target = field(texts, section, key);
        if (target == nullptr)
            throw error("unknown key " + quotedExcerpt(key) + " in [" + section + "]");
        // Keys that name a choice take only the names of its options.
        if (section == "aquifer" && key == "method" && !methodOfText(value))
            throw error("unknown method " + quotedExcerpt(value) + "; write cooper-jacob or theis");
        if (section == "aquifer" && key == "unconfined" && !yesNoOfText(value))
            throw error("unconfined must be yes or no, not " + quotedExcerpt(value));
        auto [previous, inserted] = firstLineOfKey.emplace(section + "." + key, lineNumber);
        if (!inserted)
            throw error(quotedExcerpt(key) + " in [" + section + "] was already given on line "
                + std::to_string(previous->second));
        *target = value;
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

} // namespace drawfield
