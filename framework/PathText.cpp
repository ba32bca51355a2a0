#include "PathText.h"

#include <QFile>

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

}  // namespace pathtext
