// A private X display for end-to-end tests: Xvfb with a window manager, the
// real viewer started on it, keys typed with xdotool and the screen read back
// with ImageMagick's import.
#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>

namespace e2e {

// Runs a command to its end; its standard output, or nothing when it failed.
struct CommandResult {
    int exitCode = -1;
    QByteArray output;
};

class XSession {
public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // The display answers and its window manager manages it.
    bool IsUp() const { return m_display >= 0 && m_windowManagerReady; }
    QString Display() const { return QStringLiteral(":%1").arg(m_display); }
    QSize ScreenSize() const { return QSize(1280, 1024); }

    // Runs program with the session's display.
    CommandResult Run(const QString& program, const QStringList& arguments, int timeoutMs = 10000) const;

    // The environment programs on this display get: the display, and
    // settings and runtime folders of their own.
    QProcessEnvironment Environment() const;

    // The whole screen.
    QImage Screenshot() const;

    // Visible windows whose title matches the regular expression.
    QStringList FindWindows(const QString& titlePattern) const;
    // Waits for one; empty when none came in time.
    QString WaitForWindow(const QString& titlePattern, int timeoutMs = 30000) const;
    QString WindowTitle(const QString& window) const;
    QStringList WindowState(const QString& window) const;

    // Gives window the focus and types keys (xdotool names: "ctrl+KP_Add").
    void Key(const QString& window, const QString& keys) const;
    // Types keys into whatever has the focus (an open menu, say).
    void Key(const QString& keys) const;

    // The clipboard's content in the given type ("image/png",
    // "UTF8_STRING"), as the program that owns it hands it over.
    QByteArray Clipboard(const QString& type) const;

    // Polls until condition holds on a screenshot; the last screenshot taken.
    // When it never holds, that screenshot is also saved for a look, under a
    // name printed with the test's output.
    QImage WaitForScreen(const std::function<bool(const QImage&)>& condition, int timeoutMs = 30000) const;

private:
    bool StartWindowManager();

    int m_display = -1;
    bool m_windowManagerReady = false;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_windowManager;
    QTemporaryDir m_home;
};

// The viewer, run on a session.
class Viewer {
public:
    // extra: variables added to the session's environment.
    Viewer(const XSession& session, const QStringList& arguments, const QString& workingDirectory = QString(),
           const QProcessEnvironment& extra = QProcessEnvironment());
    ~Viewer();

    QProcess& Process() { return m_process; }
    // Waits for the program to end; its exit code, or -1 when it did not end.
    int WaitForExit(int timeoutMs = 10000);

private:
    QProcess m_process;
};

// The built viewer and the demo sample the build renders.
QString ViewerProgram();
QString DemoSample();

// The colour the view paints around the picture.
constexpr QRgb kDarkGrey = 0xFF404040u;

// The area where colour is common: the bounding box of the rows and columns
// of which at least a quarter is that colour (empty if none).
QRect BoundsOf(const QImage& image, QRgb colour);
// The bounding box of the pixels inside area that are not colour.
QRect BoundsOfOther(const QImage& image, const QRect& area, QRgb colour);

}  // namespace e2e
