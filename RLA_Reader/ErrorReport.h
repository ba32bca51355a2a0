// The reader's one failure convention: every failed check throws a
// std::runtime_error whose text is two "\n"-terminated lines, the check's
// message (with its value, if any) and the raising source file (its path
// inside the project), ":" and the site number. When the operating system
// said why (an errno value), a third line gives its reason in words. The
// site numbers are fixed and callers and tests match them, so every raising
// site passes its own number explicitly.
#pragma once

#include <sstream>
#include <stdexcept>
#include <string>

namespace rla_report {

// A report is cut at this many characters, so that it never grows with its
// input; the reader's own messages stay well within it.
constexpr std::size_t kMaxReportChars = 999;

// The compiler's name of a source file as a path inside the project:
// "RLA_Reader/FileStream.cpp" whether the build named it by an absolute path
// on the build machine or relative to a build folder outside the sources.
std::string ProjectPath(const char* sourceFile);

// The system's words for an errno value ("No such file or directory").
std::string ReasonText(int systemError);

// The report text: message, source and site, and the reason when
// systemError is not 0.
std::string Compose(const std::string& message, const char* sourceFile, int site, int systemError);

template <typename... Parts>
[[noreturn]] void ThrowWithReason(const char* sourceFile, int site, int systemError, const Parts&... messageParts)
{
    std::ostringstream out;
    (out << ... << messageParts);
    throw std::runtime_error(Compose(out.str(), sourceFile, site, systemError));
}

template <typename... Parts>
[[noreturn]] void Throw(const char* sourceFile, int site, const Parts&... messageParts)
{
    ThrowWithReason(sourceFile, site, 0, messageParts...);
}

}  // namespace rla_report

// Raise a report from the current source file at a fixed site number.
#define RLA_THROW(site, ...) ::rla_report::Throw(__FILE__, (site), __VA_ARGS__)
// The same with the system's reason (an errno value, 0 for none) as a third line.
#define RLA_THROW_REASON(site, systemError, ...) \
    ::rla_report::ThrowWithReason(__FILE__, (site), (systemError), __VA_ARGS__)
