#include "ErrorReport.h"

#include <cstring>

namespace rla_report {

namespace {

// The GNU strerror_r answers the text (in buffer or elsewhere), the POSIX
// one 0 with the text in buffer; whichever the C library has is called.
[[maybe_unused]] std::string StrerrorText(const char* text, const char*)
{
    return text != nullptr ? text : "";
}

[[maybe_unused]] std::string StrerrorText(int result, const char* buffer)
{
    return result == 0 ? buffer : "";
}

}  // namespace

std::string ProjectPath(const char* sourceFile)
{
    std::string path = sourceFile;
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
#ifdef BRIMWELL_SOURCE_DIR
    const std::string root = BRIMWELL_SOURCE_DIR "/";
    if (path.compare(0, root.size(), root) == 0)
        return path.substr(root.size());
#endif
    // A build that names sources relative to its own folder (a compiler
    // cache rewrites absolute paths so) climbs out of it first.
    std::size_t start = 0;
    while (path.compare(start, 3, "../") == 0 || path.compare(start, 2, "./") == 0)
        start += path[start + 1] == '.' ? 3 : 2;
    return path.substr(start);
}

std::string ReasonText(int systemError)
{
    // strerror's buffer is shared between threads and loads may run on
    // several, so the text comes from the thread-safe variants.
#ifdef _WIN32
    char buffer[256];
    if (strerror_s(buffer, sizeof buffer, systemError) != 0)
        return "error " + std::to_string(systemError);
    return buffer;
#else
    char buffer[256] = {};
    const std::string text = StrerrorText(strerror_r(systemError, buffer, sizeof buffer), buffer);
    return text.empty() ? "error " + std::to_string(systemError) : text;
#endif
}

std::string Compose(const std::string& message, const char* sourceFile, int site, int systemError)
{
    std::string text = message + "\n" + ProjectPath(sourceFile) + ":" + std::to_string(site) + "\n";
    if (systemError != 0)
        text += ReasonText(systemError) + "\n";
    if (text.size() > kMaxReportChars)
        text.resize(kMaxReportChars);
    return text;
}

}  // namespace rla_report
