// The main window: the menu bar, the view filling the client area, and files
// dropped from the desktop, which open one after the other.
#pragma once

#include <QMainWindow>

class CommandRouter;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CommandRouter* router, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Lets files be dropped on the window.
    void DragAcceptFiles(bool accept = true);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    CommandRouter* m_router;
};
