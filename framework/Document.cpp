#include "Document.h"

#include <QFileInfo>

void CDocument::SetPathName(const QString& path)
{
    m_pathName = path;
    m_title = QFileInfo(path).fileName();
}
