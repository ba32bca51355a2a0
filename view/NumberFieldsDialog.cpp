#include "NumberFieldsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

CNumberFieldsDialog::CNumberFieldsDialog(QWidget* parent, const QString& title, const std::vector<Field>& fields,
                                         const QString& hint, Acceptable acceptable)
    : QDialog(parent), m_acceptable(std::move(acceptable))
{
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    for (const Field& field : fields) {
        // Nine significant digits give a float back exactly.
        auto* edit = new QLineEdit(QString::number(field.value, 'g', 9), this);
        form->addRow(field.label, edit);
        connect(edit, &QLineEdit::textChanged, this, &CNumberFieldsDialog::Check);
        m_edits.push_back(edit);
    }
    if (!hint.isEmpty()) {
        auto* note = new QLabel(hint, this);
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    Check();
}

bool CNumberFieldsDialog::ParseField(const QString& text, double& value)
{
    bool ok = false;
    const double parsed = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

std::vector<double> CNumberFieldsDialog::Values() const
{
    std::vector<double> values;
    for (const QLineEdit* edit : m_edits) {
        double value = 0;
        if (!ParseField(edit->text(), value))
            return {};
        values.push_back(value);
    }
    return values;
}

void CNumberFieldsDialog::Check()
{
    const std::vector<double> values = Values();
    m_ok->setEnabled(values.size() == m_edits.size() && (!m_acceptable || m_acceptable(values)));
}
