#include "FilePairs.h"

#include <cctype>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool HasRpfEnding(const std::string& name)
{
    static const char kEnding[] = ".rpf";
    if (name.size() < 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        if (std::tolower(static_cast<unsigned char>(name[name.size() - 4 + i])) != kEnding[i])
            return false;
    }
    return true;
}

std::set<std::string> RpfNames(const std::string& folder)
{
    std::set<std::string> names;
    std::error_code error;
    fs::directory_iterator entries(fs::u8path(folder), error);
    if (error)
        throw std::runtime_error(folder + ": cannot list the folder: " + error.message());
    for (const fs::directory_entry& entry : entries) {
        std::error_code statError;
        const std::string name = entry.path().filename().u8string();
        if (HasRpfEnding(name) && entry.is_regular_file(statError))
            names.insert(name);
    }
    return names;
}

std::string Join(const std::string& folder, const std::string& name)
{
    return (fs::u8path(folder) / fs::u8path(name)).u8string();
}

std::string FileName(const std::string& path)
{
    return fs::u8path(path).filename().u8string();
}

}  // namespace

bool IsFolder(const std::string& path)
{
    std::error_code error;
    return fs::is_directory(fs::u8path(path), error);
}

std::vector<FilePair> PairFiles(const std::string& a, const std::string& b)
{
    const bool folderA = IsFolder(a);
    const bool folderB = IsFolder(b);
    if (!folderA && !folderB)
        return {FilePair{a, b, ""}};

    auto counterpart = [](const std::string& file, const std::string& folder, bool fileIsA) {
        const std::string other = Join(folder, FileName(file));
        std::error_code error;
        FilePair pair{fileIsA ? file : other, fileIsA ? other : file, ""};
        if (!fs::exists(fs::u8path(other), error))
            pair.missing = other;
        return pair;
    };
    if (!folderB)
        return {counterpart(b, a, false)};
    if (!folderA)
        return {counterpart(a, b, true)};

    const std::set<std::string> namesA = RpfNames(a);
    const std::set<std::string> namesB = RpfNames(b);
    std::set<std::string> all = namesA;
    all.insert(namesB.begin(), namesB.end());
    std::vector<FilePair> pairs;
    for (const std::string& name : all) {
        FilePair pair{Join(a, name), Join(b, name), ""};
        if (!namesA.count(name))
            pair.missing = pair.a;
        else if (!namesB.count(name))
            pair.missing = pair.b;
        pairs.push_back(pair);
    }
    return pairs;
}
