#include "CompanionRule.h"

std::string CompanionRule::For(const std::string& framePath) const
{
    switch (kind_) {
    case Kind::None: return std::string();
    case Kind::File: return path_;
    case Kind::Folder: break;
    }
    // The name after the last separator; both are separators on Windows.
#ifdef _WIN32
    const std::size_t cut = framePath.find_last_of("/\\");
#else
    const std::size_t cut = framePath.find_last_of('/');
#endif
    const std::string name = cut == std::string::npos ? framePath : framePath.substr(cut + 1);
    if (path_.empty())
        return name;
    const char last = path_.back();
#ifdef _WIN32
    const bool separated = last == '/' || last == '\\';
#else
    const bool separated = last == '/';
#endif
    return separated ? path_ + name : path_ + '/' + name;
}
