#include "FramePick.h"

#include "FrameSequence.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <system_error>

namespace framepick {

namespace {

constexpr std::size_t kMostDigits = 9;  // as frame numbers in names go

bool ParseNumber(const std::string& text, std::int64_t& number)
{
    if (text.empty() || text.size() > kMostDigits ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return false;
    number = std::stoll(text);
    return true;
}

bool EndsInRpf(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string ending = name.substr(name.size() - 4);
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ending == ".rpf";
}

// The .rpf files of folder (regular files, the ending in any case), each
// spelt folder / name as member is, in byte order.
std::vector<std::string> RpfFilesIn(const std::filesystem::path& folder, std::string& error)
{
    std::set<std::string> paths;
    std::error_code code;
    const std::filesystem::path listed = folder.empty() ? std::filesystem::path(".") : folder;
    std::filesystem::directory_iterator entries(listed, code);
    if (code) {
        error = "cannot list " + listed.string() + ": " + code.message();
        return {};
    }
    for (const std::filesystem::directory_entry& entry : entries) {
        const std::string name = entry.path().filename().string();
        std::error_code typeCode;
        if (EndsInRpf(name) && entry.is_regular_file(typeCode))
            paths.insert((folder / name).string());
    }
    return {paths.begin(), paths.end()};
}

}  // namespace

bool ParseRange(const std::string& text, Range& range)
{
    const std::size_t dash = text.find('-');
    if (dash == std::string::npos)
        return ParseNumber(text, range.first) && ParseNumber(text, range.last);
    return ParseNumber(text.substr(0, dash), range.first) && ParseNumber(text.substr(dash + 1), range.last) &&
           range.first <= range.last;
}

Pick PickFrames(const std::string& member, const Range& range)
{
    Pick pick;
    const std::filesystem::path given(member);
    const std::string spelt = (given.parent_path() / given.filename()).string();
    const std::optional<FrameName> name = ParseFrameName(spelt);
    if (!name) {
        pick.error = member + " has no frame number in its name, so it belongs to no sequence";
        return pick;
    }
    const std::vector<std::string> files = RpfFilesIn(given.parent_path(), pick.error);
    if (!pick.error.empty())
        return pick;
    const FrameSequence sequence = FrameSequence::Of(files, spelt);
    // Missing numbers are written with the sequence's padding, or with the
    // name's when no frame of it is there.
    const auto written = [&](std::int64_t number) {
        if (!sequence.Empty())
            return sequence.Written(number);
        std::string digits = std::to_string(number);
        if (name->digits.size() > 1 && name->digits[0] == '0' && digits.size() < name->digits.size())
            digits.insert(0, name->digits.size() - digits.size(), '0');
        return digits;
    };
    const auto noteGap = [&](std::int64_t from, std::int64_t to) {
        if (from < to)
            pick.missing.push_back(written(from) + "-" + written(to));
        else if (from == to)
            pick.missing.push_back(written(from));
    };
    // Gaps are found between the frames present, never by walking the
    // range, which may span a billion numbers.
    std::int64_t expected = range.first;
    for (const FrameSequence::Frame& frame : sequence.Frames()) {
        if (frame.number < range.first || frame.number > range.last)
            continue;
        noteGap(expected, frame.number - 1);
        pick.paths.push_back(frame.path);
        expected = frame.number + 1;
    }
    noteGap(expected, range.last);
    return pick;
}

}  // namespace framepick
