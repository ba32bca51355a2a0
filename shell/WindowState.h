// The main window's size and state: full screen on F11 (Esc leaves it), a
// restored size of two thirds of the screen, centred, when nothing else is
// known, and the last size, position and maximized state kept between runs
// in the application's settings.
#pragma once

#include <QObject>
#include <QRect>
#include <QString>

class CommandRouter;
class QMainWindow;

class WindowState : public QObject {
    Q_OBJECT
public:
    // Belongs to window; organization and application name the settings.
    WindowState(QMainWindow* window, CommandRouter* router, QString organization, QString application);

    // Shows the window as it was left at the end of the last run, or
    // maximized over a centred two-thirds window the first time.
    void Show();

    void OnToggleFullScreen();
    void OnLeaveFullScreen();

    // Two thirds of available, centred in it.
    static QRect RestoredGeometry(const QRect& available);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Save() const;

    QMainWindow* m_window;
    QString m_organization;
    QString m_application;
    bool m_maximizedBeforeFullScreen = false;
    bool m_toolBarsShownBeforeFullScreen = true;
};
