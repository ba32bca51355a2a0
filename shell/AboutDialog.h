// The About box: the two logos, the version line and a short note, closed
// by its OK button, Enter, Escape or the close box.
#pragma once

#include "Dialog.h"

class CAboutDialog : public CDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 100;
    static const DialogTemplate& Template();

    explicit CAboutDialog(QWidget* parent = nullptr);
    ~CAboutDialog() override;

    // Positions of the controls in the template.
    enum ControlIndex { kOkButton = 0, kCompanyPicture, kMakerPicture, kNote, kVersionLine };
};
