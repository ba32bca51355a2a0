#include "RecentFileList.h"

#include "CommandIds.h"
#include "CommandRouter.h"
#include "PathText.h"

#include <QAction>
#include <QDir>
#include <QSettings>
#include <QVariant>

namespace {
const QString kSection = QStringLiteral("Recent File List");
constexpr int kDisplayLength = 30;
// The least time between two writes of the list while entries keep coming.
constexpr int kSaveIntervalMs = 1000;
}  // namespace

CRecentFileList::CRecentFileList(CommandRouter* router, QString organization, QString application, int size)
    : m_router(router), m_organization(std::move(organization)), m_application(std::move(application)),
      m_size(size)
{
    m_quietAfterSave.setSingleShot(true);
    m_quietAfterSave.setInterval(kSaveIntervalMs);
    QObject::connect(&m_quietAfterSave, &QTimer::timeout, &m_quietAfterSave, [this] {
        if (m_savePending)
            Save();
    });
    UpdateMenu();
}

CRecentFileList::~CRecentFileList()
{
    if (m_savePending)
        Save();
}

void CRecentFileList::Load()
{
    QSettings settings(m_organization, m_application);
    settings.beginGroup(kSection);
    m_paths.clear();
    for (int i = 0; i < m_size; ++i) {
        // Entries are the paths' bytes; lists written as text before are
        // read as text.
        const QVariant value = settings.value(QStringLiteral("File%1").arg(i + 1));
        const QString path = value.typeId() == QMetaType::QByteArray
                                 ? pathtext::Display(value.toByteArray().toStdString())
                                 : value.toString();
        if (!path.isEmpty())
            m_paths.append(path);
    }
    UpdateMenu();
}

void CRecentFileList::Add(const QString& path)
{
    if (!m_paths.isEmpty() && m_paths.constFirst() == path)
        return;  // already the newest: nothing changes
    m_paths.removeAll(path);
    m_paths.prepend(path);
    while (m_paths.size() > m_size)
        m_paths.removeLast();
    SaveSoon();
    UpdateMenu();
}

void CRecentFileList::SaveSoon()
{
    if (m_quietAfterSave.isActive())
        m_savePending = true;
    else
        Save();
}

void CRecentFileList::Remove(int index)
{
    if (index < 0 || index >= m_paths.size())
        return;
    m_paths.removeAt(index);
    Save();
    UpdateMenu();
}

void CRecentFileList::Save()
{
    m_savePending = false;
    m_quietAfterSave.start();
    QSettings settings(m_organization, m_application);
    settings.remove(kSection);
    settings.beginGroup(kSection);
    for (int i = 0; i < m_paths.size(); ++i)
        settings.setValue(QStringLiteral("File%1").arg(i + 1), QByteArray::fromStdString(pathtext::Bytes(m_paths.at(i))));
}

void CRecentFileList::UpdateMenu()
{
    for (int i = 0; i < m_size; ++i) {
        QAction* action = m_router->Action(ID_FILE_MRU_FILE1 + i);
        if (i < m_paths.size()) {
            action->setText(MenuText(i, m_paths.at(i)));
            action->setVisible(true);
        } else {
            // An empty list shows its first entry as the grey placeholder.
            action->setText(QStringLiteral("Recent File"));
            action->setVisible(i == 0);
        }
        m_router->SetGrey(ID_FILE_MRU_FILE1 + i, i >= m_paths.size());
    }
}

QString CRecentFileList::MenuText(int index, const QString& path)
{
    QString shown = AbbreviatePath(QDir::toNativeSeparators(path), kDisplayLength);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

QString CRecentFileList::AbbreviatePath(const QString& path, int maxLength)
{
    if (path.size() <= maxLength)
        return path;
    const QChar separator = QDir::separator();
    const int lastSeparator = int(path.lastIndexOf(separator));
    if (lastSeparator < 0)
        return path;
    const QString fileName = path.mid(lastSeparator + 1);
    const int firstSeparator = int(path.indexOf(separator, path.startsWith(separator) ? 1 : 0));
    const QString head = path.left(firstSeparator + 1);  // the root and first folder
    const QString ellipsis = QStringLiteral("...") + separator;
    // Keep as many trailing folders as fit between the head and the name.
    QString tail = fileName;
    int cut = lastSeparator;
    while (cut > firstSeparator) {
        const int previous = int(path.lastIndexOf(separator, cut - 1));
        if (previous <= firstSeparator)
            break;
        const QString longer = path.mid(previous + 1);
        if (head.size() + ellipsis.size() + longer.size() > maxLength)
            break;
        tail = longer;
        cut = previous;
    }
    if (head.size() + ellipsis.size() + tail.size() <= maxLength)
        return head + ellipsis + tail;
    return fileName;
}
