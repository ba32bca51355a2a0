// Every modal or audible reaction of the program goes through these calls:
// the message box, the beep, the open dialog and every other modal dialog
// (details, About, printing). Tests replace them with recorders so that
// nothing ever blocks on a modal window.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QDialog;
class QWidget;

namespace prompts {

// An open-file dialog as the program asks for one.
struct OpenFileRequest {
    QWidget* owner = nullptr;
    QString title;           // empty: the system's default
    QString initialName;     // text the file-name box starts with
    QStringList filters;     // "Label (*.ext)" entries
};

// A save-file dialog as the program asks for one.
struct SaveFileRequest {
    QWidget* owner = nullptr;
    QString title;           // empty: the system's default
    QString initialName;     // the name (or path) the dialog suggests
    QStringList filters;     // "Label (*.ext)" entries
};

// The title of every message box: the application's name, as the
// application object hands it over.
void SetMessageTitle(const QString& title);

// Shows text in a modal box with an OK button and the warning icon, titled
// with the application's name.
void ShowMessage(const QString& text);

// The plain system beep.
void Beep();

// The chosen file's full path, or nothing when the dialog was cancelled.
std::optional<QString> GetOpenFileName(const OpenFileRequest& request);

// The path to save under, or nothing when the dialog was cancelled. The
// dialog asks before an existing file is replaced.
std::optional<QString> GetSaveFileName(const SaveFileRequest& request);

// Runs a dialog that is ready to show as a modal window and returns its
// result code (QDialog::Accepted or QDialog::Rejected for the standard
// buttons).
int RunModal(QDialog& dialog);

struct Hooks {
    std::function<void(const QString&)> messageBox;
    std::function<void()> beep;
    std::function<std::optional<QString>(const OpenFileRequest&)> openFile;
    std::function<std::optional<QString>(const SaveFileRequest&)> saveFile;
    // Receives the dialog instead of its modal loop: may inspect it, drive
    // it, or run it; returns the result the caller sees.
    std::function<int(QDialog&)> modal;
};

// Replaces the prompts (for tests); unset members keep the real behaviour.
// Returns the hooks that were in place.
Hooks SetHooks(Hooks hooks);

}  // namespace prompts
