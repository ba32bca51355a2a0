// The main window: the menu bar, the view filling the client area, the
// toolbar docked on the bottom edge and centred there after every resize,
// the web banner lying over the toolbar's six blank buttons, and files
// dropped from the desktop, which open one after the other.
#pragma once

#include <QMainWindow>
#include <QString>

#include <functional>

class CommandRouter;
class CShockwaveFlash;
class QToolBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Where the banner's movie comes from.
    static QString BannerUrl();

    // The application's open operation, which every dropped file goes
    // through.
    using OpenFile = std::function<void(const QString& path)>;

    // bannerUrl: the address the banner loads its movie from once.
    explicit CMainFrame(CommandRouter* router, OpenFile openFile = {}, const QString& bannerUrl = BannerUrl(),
                        QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Lets files be dropped on the window.
    void DragAcceptFiles(bool accept = true);

    QToolBar* ToolBar() const { return m_toolBar; }
    CShockwaveFlash* Banner() const { return m_banner; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QMenu* createPopupMenu() override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateToolBar();
    void LoadToolBar();
    // Keeps a horizontal toolbar no wider than its items need.
    void FitToolBarWidth();
    void CreateBanner(const QString& url);
    void OnSize();
    // Puts the toolbar's button row in the middle of the client area's
    // width when it is docked on the top or bottom edge.
    void CentreToolBar();
    // Lays the banner over the toolbar's last six items where they are now.
    void PlaceBanner();
    void OnViewToolBar();

    CommandRouter* m_router;
    OpenFile m_openFile;
    QToolBar* m_toolBar = nullptr;    // child of the frame
    CShockwaveFlash* m_banner = nullptr;  // child of the toolbar
};
