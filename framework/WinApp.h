// The application object's framework side: the command router, the one
// document type, the recent-file list, the printer the print commands share,
// and the standard Open, Print Setup, recent-file and Exit commands.
#pragma once

#include "CommandTable.h"

#include <QObject>
#include <QString>

#include <memory>

class CDocument;
class CommandRouter;
class CRecentFileList;
class CSingleDocTemplate;
class QPrinter;
class QWidget;

class CWinApp : public QObject {
    Q_OBJECT
public:
    // table: the application's name, document string and commands.
    explicit CWinApp(const CommandTable& table);
    ~CWinApp() override;

    // Runs start-up; false ends the program before the event loop.
    virtual bool InitInstance() = 0;

    // The application's open operation; the base opens the file into the
    // single document.
    virtual CDocument* OpenDocumentFile(const QString& path);

    CommandRouter* Router() const { return m_router.get(); }
    CSingleDocTemplate* DocTemplate() const { return m_docTemplate.get(); }
    CRecentFileList* RecentFiles() const { return m_recentFiles.get(); }
    // The main window once the first open made it; null before. Dialogs
    // without an owner of their own are centred over it.
    QWidget* GetMainWnd() const;
    // The printer that Print Setup chooses and printing uses.
    QPrinter* Printer();

    void OnFileOpen();
    void OnFilePrintSetup();
    void OnOpenRecentFile(int index);
    void OnAppExit();

protected:
    // Names the settings under which the recent-file list is kept.
    void SetRegistryKey(const QString& key);
    void LoadStdProfileSettings(int recentFileCount);
    void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate);

private:
    std::unique_ptr<CommandRouter> m_router;
    std::unique_ptr<CRecentFileList> m_recentFiles;
    std::unique_ptr<CSingleDocTemplate> m_docTemplate;
    std::unique_ptr<QPrinter> m_printer;
    QString m_registryKey;
};
