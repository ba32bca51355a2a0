#include "Prompts.h"

#include "PathText.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace prompts {

namespace {
Hooks& Current()
{
    static Hooks hooks;
    return hooks;
}

QString& MessageTitle()
{
    static QString title;
    return title;
}
}  // namespace

void SetMessageTitle(const QString& title)
{
    MessageTitle() = title;
}

void ShowMessage(const QString& text)
{
    if (Current().messageBox) {
        Current().messageBox(text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, MessageTitle(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void Beep()
{
    if (Current().beep) {
        Current().beep();
        return;
    }
    QApplication::beep();
}

namespace {

std::optional<QString> AskForFile(const OpenFileRequest& request)
{
    if (Current().openFile)
        return Current().openFile(request);
    QFileDialog dialog(request.owner, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(request.filters);
    if (!request.initialName.isEmpty())
        dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace

std::optional<QString> GetOpenFileName(const OpenFileRequest& request)
{
    // The dialog answers with text; the file's own bytes are found for it.
    std::optional<QString> chosen = AskForFile(request);
    if (chosen)
        chosen = pathtext::Display(pathtext::OnDisk(*chosen));
    return chosen;
}

std::optional<QString> GetSaveFileName(const SaveFileRequest& request)
{
    if (Current().saveFile)
        return Current().saveFile(request);
    QFileDialog dialog(request.owner, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    if (!request.initialName.isEmpty())
        dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

int RunModal(QDialog& dialog)
{
    if (Current().modal)
        return Current().modal(dialog);
    return dialog.exec();
}

Hooks SetHooks(Hooks hooks)
{
    Hooks previous = Current();
    Current() = std::move(hooks);
    return previous;
}

}  // namespace prompts
