// A modal dialog box built from a DialogTemplate: a fixed-size window with
// a caption and a close box, the template's font, and its controls placed
// at their dialog-unit rectangles converted with that font's metrics.
// Escape and the close box cancel; the OK button accepts.
#pragma once

#include "DialogTemplate.h"
#include "DialogUnits.h"

#include <QDialog>

#include <vector>

class QFont;

class CDialog : public QDialog {
    Q_OBJECT
public:
    // dialogTemplate must outlive the box (templates are static tables).
    // parent owns the box, which is centred over it: the main window, for
    // every box the program shows.
    explicit CDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    ~CDialog() override;

    // Initialises the controls (OnInitDialog), then runs the box modally
    // through the program's modal seam. Returns QDialog::Accepted or
    // QDialog::Rejected.
    int DoModal();

    // The control with a template id; null for none.
    QWidget* GetDlgItem(int id) const;
    // The control at a position of the template's list.
    QWidget* Control(int index) const;
    int ControlCount() const { return int(m_controls.size()); }
    void SetDlgItemText(int id, const QString& text);

    const DialogTemplate& Template() const { return m_template; }
    dialogunits::BaseUnits BaseUnits() const { return m_baseUnits; }

    static QFont TemplateFont(const DialogTemplate& dialogTemplate);

protected:
    // Fills the controls before the box shows. Returning true gives the
    // focus to the first tab stop in template order.
    virtual bool OnInitDialog();

private:
    QWidget* CreateControl(const DialogControl& control);

    const DialogTemplate& m_template;
    dialogunits::BaseUnits m_baseUnits;
    std::vector<QWidget*> m_controls;  // children of the dialog, template order
};
