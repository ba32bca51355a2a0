#include "DetailsDialog.h"

const DialogTemplate& CDetailsDialog::Template()
{
    static const DialogTemplate dialog = {
        IDD,
        "Rpf details",
        QSize(283, 153),
        "MS Sans Serif",
        8,
        {
            {ControlKind::PushButton, IDOK, "OK", QRect(226, 132, 50, 14), kDefaultButton | kTabStop},
            {ControlKind::Edit, IDC_PATH, nullptr, QRect(53, 24, 212, 14), kReadOnly | kTabStop},
            {ControlKind::Edit, IDC_PRODUCER, nullptr, QRect(53, 46, 212, 14), kReadOnly | kTabStop},
            {ControlKind::Edit, IDC_WIDTH, nullptr, QRect(53, 75, 43, 14), kReadOnly | kTabStop},
            {ControlKind::Edit, IDC_HEIGHT, nullptr, QRect(53, 95, 43, 14), kReadOnly | kTabStop},
            {ControlKind::GroupBox, IDC_STATIC, nullptr, QRect(7, 7, 269, 119), kNoStyle},
            {ControlKind::StaticText, IDC_STATIC, "Path:", QRect(16, 26, 19, 8), kNoStyle},
            {ControlKind::StaticText, IDC_STATIC, "Producer:", QRect(15, 48, 30, 8), kNoStyle},
            {ControlKind::StaticText, IDC_STATIC, "Width:", QRect(15, 77, 30, 8), kNoStyle},
            {ControlKind::StaticText, IDC_STATIC, "Height:", QRect(15, 97, 30, 8), kNoStyle},
        },
    };
    return dialog;
}

CDetailsDialog::CDetailsDialog(QWidget* parent) : CDialog(Template(), parent)
{
}

CDetailsDialog::~CDetailsDialog() = default;

bool CDetailsDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_PATH, m_path);
    SetDlgItemText(IDC_PRODUCER, m_producer);
    // Plain signed decimals: a minus sign where negative, no grouping, no unit.
    SetDlgItemText(IDC_WIDTH, QString::number(m_width));
    SetDlgItemText(IDC_HEIGHT, QString::number(m_height));
    return true;
}
