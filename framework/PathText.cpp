#include "PathText.h"

#include <QFile>

#ifndef _WIN32
#include <dirent.h>
#include <sys/stat.h>
#endif

#include <map>
#include <mutex>

namespace pathtext {

namespace {

// Encoded text -> the bytes it was decoded from, for the paths whose round
// trip loses bytes only; frames may be loaded on several threads.
std::mutex& KeptMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, std::string>& Kept()
{
    static std::map<std::string, std::string> kept;
    return kept;
}

}  // namespace

QString Display(const std::string& bytes)
{
    const QString text = QFile::decodeName(QByteArray::fromStdString(bytes));
    std::string roundTrip = QFile::encodeName(text).toStdString();
    if (roundTrip != bytes) {
        const std::lock_guard<std::mutex> lock(KeptMutex());
        Kept()[std::move(roundTrip)] = bytes;
    }
    return text;
}

std::string Bytes(const QString& path)
{
    std::string encoded = QFile::encodeName(path).toStdString();
    const std::lock_guard<std::mutex> lock(KeptMutex());
    const auto kept = Kept().find(encoded);
    return kept != Kept().end() ? kept->second : encoded;
}

std::string OnDisk(const QString& chosen)
{
    const std::string bytes = Bytes(chosen);
#ifndef _WIN32
    struct stat info;
    const qsizetype slash = chosen.lastIndexOf(QLatin1Char('/'));
    if (::stat(bytes.c_str(), &info) == 0 || slash < 0)
        return bytes;
    const std::string folder = slash == 0 ? std::string("/") : Bytes(chosen.left(slash));
    const QString name = chosen.mid(slash + 1);
    std::string found;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (QFile::decodeName(entry->d_name) == name) {
                found = (folder == "/" ? folder : folder + "/") + entry->d_name;
                break;
            }
        }
        ::closedir(dir);
    }
    if (!found.empty()) {
        Display(found);
        return found;
    }
#endif
    return bytes;
}

}  // namespace pathtext
