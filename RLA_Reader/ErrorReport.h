// The reader's one failure convention: every failed check throws a
// std::runtime_error whose text is two "\n"-terminated lines, the check's
// message (with its value, if any) and the raising source file, ":" and the
// site number. The site numbers are fixed and callers and tests match them,
// so every raising site passes its own number explicitly.
#pragma once

#include <sstream>
#include <stdexcept>
#include <string>

namespace rla_report {

// A report is cut at this many characters, so that it never grows with its
// input; the reader's own messages stay well within it.
constexpr std::size_t kMaxReportChars = 999;

template <typename... Parts>
[[noreturn]] void Throw(const char* sourceFile, int site, const Parts&... messageParts)
{
    std::ostringstream out;
    (out << ... << messageParts);
    out << "\n" << sourceFile << ":" << site << "\n";
    std::string text = out.str();
    if (text.size() > kMaxReportChars)
        text.resize(kMaxReportChars);
    throw std::runtime_error(text);
}

}  // namespace rla_report

// Raise a report from the current source file at a fixed site number.
#define RLA_THROW(site, ...) ::rla_report::Throw(__FILE__, (site), __VA_ARGS__)
