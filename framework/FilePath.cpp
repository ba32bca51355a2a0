#include "FilePath.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace filepath {

std::string ResolveFolder(const std::string& path)
{
    if (path.empty())
        return path;
#ifdef _WIN32
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::u8path(path), error);
    return error ? path : absolute.lexically_normal().u8string();
#else
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(folder.c_str(), nullptr), &std::free);
    if (resolved != nullptr) {
        std::string out = resolved.get();
        if (out != "/")
            out += '/';
        return out + name;
    }
    if (path[0] == '/')
        return path;
    std::unique_ptr<char, decltype(&std::free)> current(getcwd(nullptr, 0), &std::free);
    return current != nullptr ? std::string(current.get()) + "/" + path : path;
#endif
}

}  // namespace filepath
