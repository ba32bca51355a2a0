#include "XSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cstdio>
#include <vector>

namespace e2e {

XSession::XSession()
{
    // The server picks a free display itself and writes its number to its
    // standard output, so sessions started side by side never collide.
    m_server = std::make_unique<QProcess>();
    m_server->setProcessChannelMode(QProcess::SeparateChannels);
    m_server->setStandardErrorFile(QProcess::nullDevice());
    m_server->start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                             QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                             QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!m_server->waitForStarted(5000))
        return;
    QByteArray announced;
    QElapsedTimer timer;
    timer.start();
    while (!announced.contains('\n') && timer.elapsed() < 15000 && m_server->state() == QProcess::Running) {
        m_server->waitForReadyRead(200);
        announced += m_server->readAllStandardOutput();
    }
    bool ok = false;
    const int display = announced.trimmed().toInt(&ok);
    if (!ok)
        return;
    m_display = display;
    // Wait until the server answers.
    for (int i = 0; i < 100 && Run(QStringLiteral("xdpyinfo"), {}).exitCode != 0; ++i)
        QThread::msleep(50);

    // The window manager owns the screen once it has set its check window;
    // a window mapped before that would never be managed (nor maximised).
    // On a loaded machine a start now and then never gets there: try again.
    for (int attempt = 0; attempt < 3 && !m_windowManagerReady; ++attempt)
        m_windowManagerReady = StartWindowManager();
    if (!m_windowManagerReady)
        std::fprintf(stderr, "display %d: the window manager did not come up\n", m_display);
}

bool XSession::StartWindowManager()
{
    if (m_windowManager) {
        m_windowManager->kill();
        m_windowManager->waitForFinished(3000);
    }
    m_windowManager = std::make_unique<QProcess>();
    m_windowManager->setProcessEnvironment(Environment());
    m_windowManager->setStandardOutputFile(QProcess::nullDevice());
    m_windowManager->setStandardErrorFile(QProcess::nullDevice());
    m_windowManager->start(QStringLiteral("openbox"), {});
    if (!m_windowManager->waitForStarted(5000))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000 && m_windowManager->state() == QProcess::Running) {
        if (Run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")}, 3000)
                .output.contains("window id"))
            return true;
        QThread::msleep(100);
    }
    return false;
}

XSession::~XSession()
{
    for (QProcess* process : {m_windowManager.get(), m_server.get()}) {
        if (process != nullptr && process->state() == QProcess::Running) {
            process->terminate();
            if (!process->waitForFinished(3000))
                process->kill();
            process->waitForFinished(3000);
        }
    }
}

QProcessEnvironment XSession::Environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), Display());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
    return environment;
}

CommandResult XSession::Run(const QString& program, const QStringList& arguments, int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    CommandResult result;
    if (!process.waitForStarted(5000))
        return result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAllStandardOutput();
    return result;
}

QImage XSession::Screenshot() const
{
    CommandResult shot =
        Run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")});
    QImage image = QImage::fromData(shot.output, "PNG");
    return image.convertToFormat(QImage::Format_RGB32);
}

QStringList XSession::FindWindows(const QString& titlePattern) const
{
    CommandResult found = Run(QStringLiteral("xdotool"),
                              {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), titlePattern});
    return QString::fromUtf8(found.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString XSession::WaitForWindow(const QString& titlePattern, int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    do {
        const QStringList windows = FindWindows(titlePattern);
        if (!windows.isEmpty())
            return windows.constFirst();
        QThread::msleep(100);
    } while (timer.elapsed() < timeoutMs);
    return {};
}

QString XSession::WindowTitle(const QString& window) const
{
    return QString::fromUtf8(Run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), window}).output).trimmed();
}

QStringList XSession::WindowState(const QString& window) const
{
    const QString state = QString::fromUtf8(
        Run(QStringLiteral("xprop"), {QStringLiteral("-id"), window, QStringLiteral("_NET_WM_STATE")}).output);
    const qsizetype equals = state.indexOf(QLatin1Char('='));
    QStringList atoms;
    for (const QString& atom : state.mid(equals + 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
        atoms.append(atom.trimmed());
    return atoms;
}

void XSession::Key(const QString& window, const QString& keys) const
{
    Run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
    Run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
}

void XSession::Key(const QString& keys) const
{
    Run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
}

QByteArray XSession::Clipboard(const QString& type) const
{
    return Run(QStringLiteral("xclip"),
               {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), type, QStringLiteral("-o")})
        .output;
}

QImage XSession::WaitForScreen(const std::function<bool(const QImage&)>& condition, int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    QImage shot;
    do {
        shot = Screenshot();
        if (!shot.isNull() && condition(shot))
            return shot;
        QThread::msleep(150);
    } while (timer.elapsed() < timeoutMs);
    const QString saved = QDir::temp().filePath(QStringLiteral("brimwell-e2e-%1.png").arg(QCoreApplication::applicationPid()));
    if (!shot.isNull() && shot.save(saved))
        std::fprintf(stderr, "screen never showed what was waited for; last screenshot: %s\n", qPrintable(saved));
    return shot;
}

Viewer::Viewer(const XSession& session, const QStringList& arguments, const QString& workingDirectory,
               const QProcessEnvironment& extra)
{
    QProcessEnvironment environment = session.Environment();
    environment.insert(extra);
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    if (!workingDirectory.isEmpty())
        m_process.setWorkingDirectory(workingDirectory);
    m_process.start(ViewerProgram(), arguments);
    m_process.waitForStarted(5000);
}

Viewer::~Viewer()
{
    if (m_process.state() == QProcess::Running) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
}

int Viewer::WaitForExit(int timeoutMs)
{
    if (!m_process.waitForFinished(timeoutMs))
        return -1;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QString ViewerProgram()
{
    return QStringLiteral(BRIMWELL_VIEWER_PATH);
}

QString DemoSample()
{
    return QStringLiteral(BRIMWELL_DEMO_SAMPLE_PATH);
}

QRect BoundsOf(const QImage& image, QRgb colour)
{
    // Rows and columns where the colour is common: a stray pixel of the same
    // colour elsewhere on the screen (a title bar, an icon) does not count.
    std::vector<int> rowCounts(std::size_t(image.height()), 0);
    std::vector<int> columnCounts(std::size_t(image.width()), 0);
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((row[x] | 0xFF000000u) == colour)
                ++rowCounts[std::size_t(y)];
        }
    }
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        if (rowCounts[std::size_t(y)] >= image.width() / 4) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    }
    if (top < 0)
        return {};
    for (int y = top; y <= bottom; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((row[x] | 0xFF000000u) == colour)
                ++columnCounts[std::size_t(x)];
        }
    }
    int left = -1, right = -1;
    for (int x = 0; x < image.width(); ++x) {
        if (columnCounts[std::size_t(x)] >= (bottom - top + 1) / 4) {
            if (left < 0)
                left = x;
            right = x;
        }
    }
    return left < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect BoundsOfOther(const QImage& image, const QRect& area, QRgb colour)
{
    int left = area.right() + 1, top = area.bottom() + 1, right = -1, bottom = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            if ((row[x] | 0xFF000000u) != colour) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace e2e
