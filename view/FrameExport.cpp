#include "FrameExport.h"

#include "Conversion.h"
#include "Prompts.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

namespace frameexport {

namespace {
const QString kPngFilter = QStringLiteral("PNG image of the view shown (*.png)");
const QString kExrFilter = QStringLiteral("OpenEXR image with every channel (*.exr)");
}  // namespace

QString Write(const LoadedFrame& frame, const ChannelView& shown, const QString& path, const QString& sourcePath)
{
    conversion::OutputType type;
    const bool isView = shown.kind() != ChannelView::Kind::Colour;
    // Paths reach the writer as the file system spells them.
    const std::string output = QFile::encodeName(path).toStdString();
    if (!conversion::TypeFromName(output, isView, type)) {
        if (!isView || !conversion::TypeFromName(output, false, type))
            return QStringLiteral("The name must end in .png or .exr.");
    }
    std::string error;
    // The frame is in memory, but its file must survive an export that names
    // it through a link.
    const std::vector<std::string> inputs = {QFile::encodeName(sourcePath).toStdString()};
    if (!conversion::WriteImage(*frame.loader, type, shown, output, inputs, error))
        return QString::fromLocal8Bit(error.c_str());
    return {};
}

bool Run(QWidget* owner, const LoadedFrame& frame, const ChannelView& shown, const QString& sourcePath)
{
    const QFileInfo source(sourcePath);
    const QString suffix = shown.kind() == ChannelView::Kind::Colour ? QString() : QStringLiteral("_") + shown.Letter();
    prompts::SaveFileRequest request;
    request.owner = owner;
    request.title = QStringLiteral("Export");
    request.initialName = source.dir().filePath(source.completeBaseName() + suffix + QStringLiteral(".png"));
    request.filters = {kPngFilter, kExrFilter};
    const std::optional<QString> path = prompts::GetSaveFileName(request);
    if (!path)
        return false;
    const QString error = Write(frame, shown, *path, sourcePath);
    if (!error.isEmpty()) {
        prompts::ShowMessage(QStringLiteral("ERROR exporting to:\n\n") + *path + QStringLiteral("\n\nerror=") + error);
        return false;
    }
    return true;
}

}  // namespace frameexport
