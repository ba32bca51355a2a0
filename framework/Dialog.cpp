#include "Dialog.h"

#include "Prompts.h"

#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

CDialog::CDialog(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent), m_template(dialogTemplate)
{
    // A caption with a close box on a frame that does not resize: no
    // minimise, maximise or context-help buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QString::fromUtf8(m_template.caption));
    setFont(TemplateFont(m_template));
    m_baseUnits = dialogunits::FromMetrics(fontMetrics());
    setFixedSize(dialogunits::ToPixels(m_template.size, m_baseUnits));

    QWidget* previousTabStop = nullptr;
    for (const DialogControl& control : m_template.controls) {
        QWidget* widget = CreateControl(control);
        m_controls.push_back(widget);
        if (control.style & kTabStop) {
            if (previousTabStop != nullptr)
                setTabOrder(previousTabStop, widget);
            previousTabStop = widget;
        }
    }
}

CDialog::~CDialog() = default;

QFont CDialog::TemplateFont(const DialogTemplate& dialogTemplate)
{
    QFont font(QString::fromUtf8(dialogTemplate.fontFamily), dialogTemplate.fontPointSize);
    // The family is a classic sans serif; where it is missing, prefer a
    // sans serif over whatever the system would pick first.
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QWidget* CDialog::CreateControl(const DialogControl& control)
{
    const QString text = QString::fromUtf8(control.text != nullptr ? control.text : "");
    QRect rect = dialogunits::ToPixels(control.rect, m_baseUnits);
    QWidget* widget = nullptr;
    switch (control.kind) {
    case ControlKind::PushButton: {
        auto* button = new QPushButton(text, this);
        button->setDefault((control.style & kDefaultButton) != 0);
        if (control.id == IDOK)
            connect(button, &QPushButton::clicked, this, &QDialog::accept);
        else if (control.id == IDCANCEL)
            connect(button, &QPushButton::clicked, this, &QDialog::reject);
        widget = button;
        break;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(this);
        edit->setReadOnly((control.style & kReadOnly) != 0);
        widget = edit;
        break;
    }
    case ControlKind::GroupBox: {
        auto* group = new QGroupBox(text, this);
        // A frame only: it lies under the controls inside it and never takes
        // their clicks.
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        widget = group;
        break;
    }
    case ControlKind::StaticText: {
        auto* label = new QLabel(text, this);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        widget = label;
        break;
    }
    case ControlKind::Picture: {
        auto* label = new QLabel(this);
        const QPixmap picture(text);
        label->setPixmap(picture);
        // A picture control takes its image's size, whatever the template says.
        rect.setSize(picture.size());
        widget = label;
        break;
    }
    }
    widget->setGeometry(rect);
    widget->setFocusPolicy((control.style & kTabStop) ? Qt::StrongFocus : Qt::NoFocus);
    if (control.kind == ControlKind::GroupBox)
        widget->lower();
    return widget;
}

int CDialog::DoModal()
{
    if (OnInitDialog()) {
        for (std::size_t i = 0; i < m_controls.size(); ++i) {
            if (m_template.controls[i].style & kTabStop) {
                m_controls[i]->setFocus(Qt::OtherFocusReason);
                break;
            }
        }
    }
    return prompts::RunModal(*this);
}

bool CDialog::OnInitDialog()
{
    return true;
}

QWidget* CDialog::GetDlgItem(int id) const
{
    if (id == IDC_STATIC)
        return nullptr;
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        if (m_template.controls[i].id == id)
            return m_controls[i];
    }
    return nullptr;
}

QWidget* CDialog::Control(int index) const
{
    return index >= 0 && index < ControlCount() ? m_controls[std::size_t(index)] : nullptr;
}

void CDialog::SetDlgItemText(int id, const QString& text)
{
    QWidget* widget = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
        // Shown from its start, as a box that was just filled shows it.
        edit->setCursorPosition(0);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    }
}
