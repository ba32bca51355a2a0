// A small box that asks for one or a few numbers (a near and a far depth, a
// length), each in a labelled field, with OK and Cancel. Numbers are written
// as the command-line tools take them (a point for decimals, an exponent
// allowed); OK is offered only while every field holds a number and the
// numbers together are acceptable.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

class CNumberFieldsDialog : public QDialog {
    Q_OBJECT
public:
    struct Field {
        QString label;
        double value;  // shown at first
    };
    using Acceptable = std::function<bool(const std::vector<double>&)>;

    // hint: a line under the fields saying what is acceptable.
    CNumberFieldsDialog(QWidget* parent, const QString& title, const std::vector<Field>& fields, const QString& hint,
                        Acceptable acceptable);

    // The numbers typed; valid once the box was accepted.
    std::vector<double> Values() const;

    QLineEdit* FieldEdit(int index) const { return m_edits.at(std::size_t(index)); }
    QPushButton* OkButton() const { return m_ok; }

    // The number a field's text spells, if it spells a finite one.
    static bool ParseField(const QString& text, double& value);

private:
    void Check();

    std::vector<QLineEdit*> m_edits;
    QPushButton* m_ok = nullptr;
    Acceptable m_acceptable;
};
