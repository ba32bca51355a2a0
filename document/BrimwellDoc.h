// The program's one document: the picture of the file shown, as a display
// bitmap, with its size and producer text. Every file the user opens is read
// here; a file that cannot be read is reported in one message box and leaves
// the previous picture, sizes and producer as they were.
#pragma once

#include "Document.h"

#include <QImage>
#include <QString>

class CBrimwellDoc : public CDocument {
public:
    CBrimwellDoc() = default;
    ~CBrimwellDoc() override;

    bool OnOpenDocument(const QString& path) override;
    // Reads path in place of the picture shown; a failure leaves everything
    // as it was and is reported in a message box only when asked (a reload
    // of a file caught half-written fails quietly).
    bool ReadFile(const QString& path, bool reportFailure);
    void DeleteContents() override;

    QString GetProducer() const { return rpf_producer; }
    bool HasPicture() const { return !rpf_bmp.isNull(); }
    // The picture for printing: a copy whose alpha is opaque, since a
    // print preview keeps the image and may read the alpha byte.
    QImage Picture() const;

    QImage rpf_bmp;          // display bitmap, rpf_width x rpf_height, BGRA bytes
    int rpf_width = 0;
    int rpf_height = 0;
    QString rpf_producer;    // producer text of the file's header
    QString rpf_path;        // the path handed to the latest open attempt

private:
    struct Loaded {
        QImage bitmap;
        int width = 0;
        int height = 0;
        QString producer;
    };
    // Reads rpf_path and builds its bitmap; throws on every failure.
    Loaded LoadRpfImage() const;
};
