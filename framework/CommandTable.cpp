#include "CommandTable.h"

#include "CommandIds.h"

#include <QStringList>

QString CommandTable::DocumentString(int field) const
{
    const QStringList fields = documentString.split(QLatin1Char('\n'));
    return field >= 0 && field < fields.size() ? fields.at(field) : QString();
}

QString CommandTable::StringOf(int id) const
{
    if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST)
        id = ID_FILE_MRU_FILE1;
    for (const CommandString& entry : strings) {
        if (entry.id == id)
            return QString::fromUtf8(entry.text);
    }
    return {};
}

QString CommandTable::PromptOf(int id) const
{
    return StringOf(id).section(QLatin1Char('\n'), 0, 0);
}

QString CommandTable::ToolTipOf(int id) const
{
    const QString text = StringOf(id);
    const qsizetype newline = text.indexOf(QLatin1Char('\n'));
    return newline < 0 ? QString() : text.mid(newline + 1);
}
