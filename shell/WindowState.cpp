#include "WindowState.h"

#include "AppCommandIds.h"
#include "CommandRouter.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QToolBar>

namespace {
const QString kSection = QStringLiteral("Window");
const QString kGeometry = QStringLiteral("Geometry");
const QString kMaximized = QStringLiteral("Maximized");
}  // namespace

WindowState::WindowState(QMainWindow* window, CommandRouter* router, QString organization, QString application)
    : QObject(window), m_window(window), m_organization(std::move(organization)),
      m_application(std::move(application))
{
    router->SetHandler(this, ID_VIEW_FULL_SCREEN, &WindowState::OnToggleFullScreen);
    router->SetCheckHandler(this, ID_VIEW_FULL_SCREEN, [this] { return m_window->isFullScreen(); });
    router->SetHandler(this, ID_VIEW_LEAVE_FULL_SCREEN, &WindowState::OnLeaveFullScreen);
    // Esc means nothing in a window that is not full screen.
    router->SetUpdateHandler(this, ID_VIEW_LEAVE_FULL_SCREEN, [this] { return m_window->isFullScreen(); });
    m_window->installEventFilter(this);
}

QRect WindowState::RestoredGeometry(const QRect& available)
{
    QRect rect(0, 0, available.width() * 2 / 3, available.height() * 2 / 3);
    rect.moveCenter(available.center());
    return rect;
}

void WindowState::Show()
{
    QSettings settings(m_organization, m_application);
    settings.beginGroup(kSection);
    const QRect saved = settings.value(kGeometry).toRect();
    const bool maximized = settings.value(kMaximized, true).toBool();
    QScreen* screen = m_window->screen() != nullptr ? m_window->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    // A remembered place that no screen shows any more (a monitor since
    // unplugged) would put the window out of reach.
    const bool savedUsable = saved.isValid() && available.intersects(saved);
    if (savedUsable)
        m_window->setGeometry(saved);
    else if (available.isValid())
        m_window->setGeometry(RestoredGeometry(available));
    if (maximized)
        m_window->showMaximized();
    else
        m_window->show();
}

void WindowState::Save() const
{
    QSettings settings(m_organization, m_application);
    settings.beginGroup(kSection);
    const bool full = m_window->isFullScreen();
    settings.setValue(kGeometry, m_window->normalGeometry());
    settings.setValue(kMaximized, full ? m_maximizedBeforeFullScreen : m_window->isMaximized());
}

void WindowState::OnToggleFullScreen()
{
    if (m_window->isFullScreen()) {
        OnLeaveFullScreen();
        return;
    }
    m_maximizedBeforeFullScreen = m_window->isMaximized();
    // The whole screen is for the picture: menus and toolbars go, and their
    // keys still work.
    m_window->menuBar()->hide();
    const QList<QToolBar*> toolBars = m_window->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly);
    m_toolBarsShownBeforeFullScreen = !toolBars.isEmpty() && !toolBars.first()->isHidden();
    for (QToolBar* toolBar : toolBars)
        toolBar->hide();
    m_window->showFullScreen();
}

void WindowState::OnLeaveFullScreen()
{
    if (!m_window->isFullScreen())
        return;
    m_window->menuBar()->show();
    if (m_toolBarsShownBeforeFullScreen) {
        for (QToolBar* toolBar : m_window->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
            toolBar->show();
    }
    if (m_maximizedBeforeFullScreen)
        m_window->showMaximized();
    else
        m_window->showNormal();
}

bool WindowState::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        Save();
    return QObject::eventFilter(watched, event);
}
