#include "MainFrame.h"

#include "CommandIds.h"
#include "CommandRouter.h"
#include "PathText.h"
#include "ResourcePaths.h"
#include "ShockwaveFlash.h"
#include "ToolBarStyle.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMenuBar>
#include <QMimeData>
#include <QPixmap>
#include <QToolBar>
#include <QUrl>

namespace {

constexpr int kImageSize = 50;                // one picture of the toolbar strip
constexpr int kButtonSize = kImageSize + 7;   // a button: its picture and 7 pixels of frame
constexpr int kBannerItems = 6;               // the blank buttons at the toolbar's end
const QRgb kButtonFace = qRgb(192, 192, 192); // the strip's background

// The toolbar strip with its button-face grey made transparent, so that
// the pictures stand on whatever face the style gives the buttons.
QImage ToolBarPictures()
{
    QImage strip = QImage(QString::fromLatin1(respaths::kToolbarStrip)).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < strip.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(strip.scanLine(y));
        for (int x = 0; x < strip.width(); ++x) {
            if ((line[x] | 0xFF000000u) == kButtonFace)
                line[x] = 0;
        }
    }
    return strip;
}

}  // namespace

QString CMainFrame::BannerUrl()
{
    return QStringLiteral("http://banner.brimwell.example/brimwell/banner_342x50.php");
}

CMainFrame::CMainFrame(CommandRouter* router, OpenFile openFile, const QString& bannerUrl, QWidget* parent)
    : QMainWindow(parent), m_router(router), m_openFile(std::move(openFile))
{
    m_router->BuildMenuBar(menuBar());
    m_router->AttachAccelerators(this);
    setAcceptDrops(false);

    CreateToolBar();
    CreateBanner(bannerUrl);

    m_router->SetHandler(this, ID_VIEW_TOOLBAR, &CMainFrame::OnViewToolBar);
    // The toolbar goes before the frame does, while the command is still
    // the frame's.
    m_router->SetCheckHandler(this, ID_VIEW_TOOLBAR, [this] { return m_toolBar != nullptr && !m_toolBar->isHidden(); });
}

CMainFrame::~CMainFrame()
{
    // The banner goes first, then the toolbar it lies on.
    delete m_banner;
    m_banner = nullptr;
    delete m_toolBar;
    m_toolBar = nullptr;
}

void CMainFrame::CreateToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("toolbar"));
    auto* style = new ToolBarStyle;
    style->setParent(m_toolBar);
    m_toolBar->setStyle(style);
    m_toolBar->setIconSize(QSize(kImageSize, kImageSize));
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    LoadToolBar();
    addToolBar(Qt::BottomToolBarArea, m_toolBar);

    FitToolBarWidth();
    m_toolBar->installEventFilter(this);
}

void CMainFrame::FitToolBarWidth()
{
    if (m_toolBar->orientation() != Qt::Horizontal)
        return;
    // Lying along an edge, the toolbar is only as wide as its grip and
    // buttons, with as much room after the buttons as the grip takes before
    // them: centring the toolbar then centres the buttons.
    const int grip = m_toolBar->style()->pixelMetric(QStyle::PM_ToolBarHandleExtent, nullptr, m_toolBar);
    m_toolBar->setMaximumWidth(m_toolBar->sizeHint().width() + grip);
}

void CMainFrame::LoadToolBar()
{
    const QImage pictures = ToolBarPictures();
    for (const ToolbarItem& item : m_router->Table().toolbar) {
        if (item.id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = m_router->Action(item.id);
        action->setIcon(QPixmap::fromImage(pictures.copy(item.image * kImageSize, 0, kImageSize, kImageSize)));
        // The menus show texts only; the pictures are for the toolbar.
        action->setIconVisibleInMenu(false);
        m_toolBar->addAction(action);
        if (QWidget* button = m_toolBar->widgetForAction(action))
            button->setFixedSize(kButtonSize, kButtonSize);
    }
}

void CMainFrame::CreateBanner(const QString& url)
{
    m_banner = new CShockwaveFlash(m_toolBar);
    m_banner->setObjectName(QStringLiteral("el_flash"));
    // The banner follows its six buttons wherever the toolbar lays them out.
    const QList<QAction*> items = m_toolBar->actions();
    if (items.size() >= kBannerItems) {
        m_toolBar->widgetForAction(items.at(items.size() - kBannerItems))->installEventFilter(this);
        m_toolBar->widgetForAction(items.last())->installEventFilter(this);
    }
    PlaceBanner();

    m_banner->SetScaleMode(bannergeometry::kNoBorder);
    m_banner->SetMenu(false);
    m_banner->LoadMovie(0, url);
    m_banner->Play();
}

void CMainFrame::PlaceBanner()
{
    if (m_toolBar == nullptr || m_banner == nullptr)
        return;
    const QList<QAction*> items = m_toolBar->actions();
    if (items.size() < kBannerItems)
        return;
    QAction* first = items.at(items.size() - kBannerItems);
    QAction* last = items.last();
    // Buttons that do not fit the toolbar move to its overflow menu; the
    // banner cannot follow them there.
    if (m_toolBar->widgetForAction(first)->isHidden() || m_toolBar->widgetForAction(last)->isHidden()) {
        m_banner->hide();
        return;
    }
    m_banner->setGeometry(
        bannergeometry::BannerRect(m_toolBar->actionGeometry(first), m_toolBar->actionGeometry(last)));
    m_banner->show();
    m_banner->raise();
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    OnSize();
}

void CMainFrame::OnSize()
{
    if (m_toolBar == nullptr)
        return;
    // A floating toolbar comes back to the bottom edge.
    if (m_toolBar->isFloating()) {
        const bool shown = !m_toolBar->isHidden();
        addToolBar(Qt::BottomToolBarArea, m_toolBar);
        m_toolBar->setVisible(shown);
    }
    CentreToolBar();
}

void CMainFrame::CentreToolBar()
{
    if (m_toolBar == nullptr || m_toolBar->isFloating() || m_toolBar->orientation() != Qt::Horizontal)
        return;
    // The client area's middle less half the toolbar's width, both halves
    // truncated.
    const int left = width() / 2 - m_toolBar->width() / 2;
    if (m_toolBar->x() != left)
        m_toolBar->move(left, m_toolBar->y());
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == m_toolBar) {
        // The main window lays its toolbars out from the left edge of their
        // line; whenever it has placed this one, move it to the middle.
        if (type == QEvent::LayoutRequest)
            FitToolBarWidth();
        if (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show || type == QEvent::LayoutRequest)
            CentreToolBar();
    } else if (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show || type == QEvent::Hide) {
        PlaceBanner();
    }
    return QMainWindow::eventFilter(watched, event);
}

QMenu* CMainFrame::createPopupMenu()
{
    // The toolbar is shown and hidden through View > Toolbar only.
    return nullptr;
}

void CMainFrame::OnViewToolBar()
{
    m_toolBar->setVisible(m_toolBar->isHidden());
}

void CMainFrame::DragAcceptFiles(bool accept)
{
    setAcceptDrops(accept);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    }
    event->ignore();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile())
            continue;
#ifdef _WIN32
        paths.append(url.toLocalFile());
#else
        // The address holds the name's bytes percent-encoded: decoded as
        // bytes they reach the reader as they are, valid text or not.
        paths.append(pathtext::Display(
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString()));
#endif
    }
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    activateWindow();
    // Each dropped file goes through the application's open, in the order the
    // desktop lists them; the last one that opens is shown.
    if (!m_openFile)
        return;
    for (const QString& path : paths)
        m_openFile(path);
}
