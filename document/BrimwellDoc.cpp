#include "BrimwellDoc.h"

#include "DisplayBitmap.h"
#include "LoadBesideOld.h"
#include "PathText.h"
#include "Prompts.h"
#include "RLA.h"

#include <QFile>

#include <stdexcept>

CBrimwellDoc::~CBrimwellDoc()
{
    DeleteContents();
}

bool CBrimwellDoc::OnOpenDocument(const QString& path)
{
    rpf_path = path;
    try {
        // The new file is read completely before anything of the old one is
        // released, so a file that fails leaves the window as it was, unless
        // memory cannot hold both (see LoadBesideOld.h).
        Loaded loaded = loadbesideold::Run([this] { return LoadRpfImage(); }, [this] { DeleteContents(); },
                                           !rpf_bmp.isNull());
        DeleteContents();
        rpf_bmp = std::move(loaded.bitmap);
        rpf_width = loaded.width;
        rpf_height = loaded.height;
        rpf_producer = std::move(loaded.producer);
        return true;
    } catch (const std::runtime_error& error) {
        prompts::ShowMessage(QStringLiteral("ERROR opening file:\n\n") + path + QStringLiteral("\n\nerror=") +
                             QString::fromLocal8Bit(error.what()));
    } catch (...) {
        prompts::ShowMessage(QStringLiteral("Fatal error opening file.\nPlease contact support."));
    }
    return false;
}

CBrimwellDoc::Loaded CBrimwellDoc::LoadRpfImage() const
{
    RLA loader;
    const std::string pathBytes = pathtext::Bytes(rpf_path);
    loader.Leer(pathBytes.c_str(), true);
    Loaded loaded;
    loaded.width = loader.ancho;
    loaded.height = loader.alto;
    // Header texts are narrow bytes in whatever code page the renderer used;
    // Latin-1 shows every byte as one character.
    loaded.producer = QString::fromLatin1(loader.Producer());
    loaded.bitmap = displaybitmap::Build(loader.image_buf, loader.ancho, loader.alto);
    return loaded;
}

void CBrimwellDoc::DeleteContents()
{
    rpf_bmp = QImage();
}

QImage CBrimwellDoc::Picture() const
{
    return displaybitmap::OpaqueView(rpf_bmp);
}
