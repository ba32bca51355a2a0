// The "Rpf details" box: the shown file's path, producer text, width and
// height in read-only boxes that can be scrolled and selected, and an OK
// button.
#pragma once

#include "Dialog.h"

#include <QString>

#include <cstdint>

// Control ids of the details box.
constexpr int IDC_PATH = 1000;
constexpr int IDC_PRODUCER = 1001;
constexpr int IDC_WIDTH = 1002;
constexpr int IDC_HEIGHT = 1003;

class CDetailsDialog : public CDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 132;
    static const DialogTemplate& Template();

    explicit CDetailsDialog(QWidget* parent = nullptr);
    ~CDetailsDialog() override;

    // Set by the caller before the box is shown.
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    QString m_path;
    QString m_producer;

protected:
    bool OnInitDialog() override;
};
