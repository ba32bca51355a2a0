#include "FolderList.h"

#include "FilePath.h"

#include <filesystem>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The folder finder matched "*.rpf" under the platform's wildcard rules, in
// which letter case does not matter: "X.RPF" is listed as well as "x.rpf".
bool HasRpfEnding(const std::string& name)
{
    static const char ending[] = ".rpf";
    const std::size_t length = sizeof ending - 1;
    if (name.size() < length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        char c = name[name.size() - length + i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != ending[i])
            return false;
    }
    return true;
}

// The opened path as the list spells its entries: absolute, so that a file
// opened by a relative path from a shell is found, with its folder resolved
// by the file system as the open resolved it, so that "./" or "link/../" in
// it lead to the folder the file was opened from. Empty when the current
// folder is gone and a relative path cannot be made absolute.
fs::path ListSpelling(const std::string& openedPath)
{
    const fs::path resolved(filepath::ResolveFolder(openedPath));
    if (!resolved.is_absolute())
        return {};
    return resolved;
}

}  // namespace

FolderList::FolderList()
    : m_itCurrentFile(m_folderFiles.end()), m_itAfterOpened(m_folderFiles.end())
{
}

void FolderList::BeginOpen()
{
    m_bReadyBeforeOpen = m_bFileListReady;
    m_bFileListReady = false;
}

void FolderList::AbandonOpen()
{
    m_bFileListReady = m_bReadyBeforeOpen;
}

FolderList::Files FolderList::List(const std::string& openedPath)
{
    Files files;
    const fs::path opened = ListSpelling(openedPath);
    if (opened.empty())
        return files;
    const fs::path folder = opened.parent_path();
    std::error_code error;
    // The directory iterator never yields "." and "..", and those are no
    // regular files anyway. A folder that is missing, unreadable or fails
    // part way leaves the list empty or with what was read before.
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        // Follows symbolic links: a link to a regular .rpf file is listed,
        // a directory named x.rpf (or a link to one) is not.
        if (!it->is_regular_file(typeError))
            continue;
        try {
            std::string name = it->path().filename().string();
            if (HasRpfEnding(name))
                files.insert((folder / name).string());
        } catch (const std::system_error&) {
            // A name the narrow code page cannot hold (Windows) could not
            // be opened through a narrow path either: leave it out.
        }
    }
    return files;
}

void FolderList::Rebuild(const std::string& openedPath)
{
    Adopt(openedPath, List(openedPath));
}

void FolderList::Adopt(const std::string& openedPath, Files files)
{
    m_folderFiles = std::move(files);
    m_itCurrentFile = m_itAfterOpened = m_folderFiles.end();
    const fs::path opened = ListSpelling(openedPath);
    if (!opened.empty()) {
        // Exact bytes: a path whose letter case differs from the name on
        // disk is not found, and the position stays past the end.
        const std::string key = opened.string();
        m_itCurrentFile = m_folderFiles.find(key);
        if (m_itCurrentFile == m_folderFiles.end())
            m_itAfterOpened = m_folderFiles.upper_bound(key);
    }
    m_bFileListReady = true;
}

void FolderList::MoveTo(const std::string& path)
{
    if (!m_bFileListReady)
        return;
    const fs::path spelled = ListSpelling(path);
    if (spelled.empty())
        return;
    const auto found = m_folderFiles.find(spelled.string());
    if (found != m_folderFiles.end())
        m_itCurrentFile = found;
}

FolderList::Files::const_iterator FolderList::NextEntry() const
{
    if (m_itCurrentFile == m_folderFiles.end())
        return m_itAfterOpened;
    return std::next(m_itCurrentFile);
}

// While not ready the list belongs to an earlier file; the commands are
// disabled then, and one that arrives anyway does nothing.
NavigationStep FolderList::Previous()
{
    if (!m_bFileListReady || m_folderFiles.empty())
        return {};
    if (m_itCurrentFile == m_folderFiles.begin())
        return {NavigationStep::Kind::Beep, {}};
    // The position moves before the open and stays on the entry even when
    // that open fails, so the next step goes on past a file that vanished.
    --m_itCurrentFile;  // from past the end: the last entry
    return {NavigationStep::Kind::Open, *m_itCurrentFile};
}

NavigationStep FolderList::Next()
{
    if (!m_bFileListReady || m_folderFiles.empty())
        return {};
    const Files::const_iterator next = NextEntry();
    if (next == m_folderFiles.end())
        return {NavigationStep::Kind::Beep, {}};
    m_itCurrentFile = next;
    return {NavigationStep::Kind::Open, *m_itCurrentFile};
}

// First and Last never beep, and ask to open their entry even when it is the
// file shown (the open then only brings the window forward).
NavigationStep FolderList::First()
{
    if (!m_bFileListReady || m_folderFiles.empty())
        return {};
    m_itCurrentFile = m_folderFiles.begin();
    return {NavigationStep::Kind::Open, *m_itCurrentFile};
}

NavigationStep FolderList::Last()
{
    if (!m_bFileListReady || m_folderFiles.empty())
        return {};
    m_itCurrentFile = std::prev(m_folderFiles.end());
    return {NavigationStep::Kind::Open, *m_itCurrentFile};
}

bool FolderList::CanPrevious() const
{
    // Past the end counts as not the first entry.
    return m_bFileListReady && !m_folderFiles.empty() && m_itCurrentFile != m_folderFiles.begin();
}

bool FolderList::CanNext() const
{
    return m_bFileListReady && !m_folderFiles.empty() && NextEntry() != m_folderFiles.end();
}

std::optional<std::string> FolderList::CurrentFile() const
{
    if (m_itCurrentFile == m_folderFiles.end())
        return std::nullopt;
    return *m_itCurrentFile;
}
