#include "AboutDialog.h"

#include "ResourcePaths.h"

const DialogTemplate& CAboutDialog::Template()
{
    // The template's picture rectangles are placeholders only: a picture
    // control shows its image at the image's own size.
    static const DialogTemplate dialog = {
        IDD,
        "About Brimwell",
        QSize(185, 133),
        "MS Sans Serif",
        8,
        {
            {ControlKind::PushButton, IDOK, "OK", QRect(128, 112, 50, 14), kDefaultButton | kTabStop},
            {ControlKind::Picture, IDC_STATIC, respaths::kAboutCompany, QRect(116, 9, 53, 40), kNoStyle},
            {ControlKind::Picture, IDC_STATIC, respaths::kAboutMaker, QRect(16, 9, 93, 40), kNoStyle},
            {ControlKind::StaticText, IDC_STATIC,
             "This program is not supported. Comments and suggestions are welcome at brimwell@support.example.",
             QRect(7, 76, 171, 29), kNoStyle},
            {ControlKind::StaticText, IDC_STATIC, "Brimwell Version 1.0", QRect(7, 60, 106, 8), kNoStyle},
        },
    };
    return dialog;
}

CAboutDialog::CAboutDialog(QWidget* parent) : CDialog(Template(), parent)
{
}

CAboutDialog::~CAboutDialog() = default;
