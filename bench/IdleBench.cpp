// The viewer sitting idle under the two loads that used to keep a core busy:
// a looping banner of large frames with no delay between them, and a folder
// where a renderer creates and removes a part file every 10 ms. Prints the
// processor time each takes as a share of one core over the measured span,
// against the 5 % bound; asserts nothing.
//   idle_bench [SECONDS]   (30 by default)
#include "ShockwaveFlash.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

constexpr double kBoundPercent = 5.0;

double ProcessCpuSeconds()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Processor time of another process, from /proc/PID/stat.
double ChildCpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(line.substr(close + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i)
        fields >> skip;
    double user = 0, system = 0;
    fields >> user >> system;
    return (user + system) / double(sysconf(_SC_CLK_TCK));
}

void Report(const char* what, double cpuSeconds, double wallSeconds)
{
    const double percent = 100.0 * cpuSeconds / wallSeconds;
    std::printf("%-58s %6.2f %% of a core over %.0f s (bound %.0f %%: %s)\n", what, percent, wallSeconds,
                kBoundPercent, percent <= kBoundPercent ? "within" : "OVER");
}

// The event loop left to itself, as the window's idle loop runs.
void RunEvents(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// GIF bytes of solid frames of the given palette indices, width x height
// each, no delay between them, looping: LZW-coded, so that 4000 x 4000
// frames take a few kilobytes, as the hostile banner's did.
QByteArray SolidFramesGif(int width, int height, const std::vector<int>& frames)
{
    QByteArray gif("GIF89a");
    const auto le16 = [&gif](int v) { gif.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    le16(width);
    le16(height);
    gif.append(char(0xF2)).append(char(0)).append(char(0));  // an 8-colour global table
    const unsigned char palette[8][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0},
                                         {0, 255, 255}, {255, 0, 255}, {0, 0, 0}, {255, 255, 255}};
    for (const auto& colour : palette)
        gif.append(reinterpret_cast<const char*>(colour), 3);
    gif.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (int index : frames) {
        gif.append("\x21\xF9\x04\x00\x00\x00\x00\x00", 8);  // delay 0
        gif.append(char(0x2C));
        le16(0);
        le16(0);
        le16(width);
        le16(height);
        gif.append(char(0));
        constexpr int kMinCodeSize = 3, kClear = 1 << kMinCodeSize, kEnd = kClear + 1;
        gif.append(char(kMinCodeSize));
        QByteArray data;
        std::uint32_t bits = 0;
        int bitCount = 0, codeSize = kMinCodeSize + 1, next = kEnd + 1;
        // Codes widen as the table fills, one step ahead of the decoder.
        const auto put = [&](int code) {
            if (next >= (1 << codeSize) && codeSize < 12)
                ++codeSize;
            bits |= std::uint32_t(code) << bitCount;
            bitCount += codeSize;
            while (bitCount >= 8) {
                data.append(char(bits & 0xFF));
                bits >>= 8;
                bitCount -= 8;
            }
        };
        std::unordered_map<std::uint32_t, int> table;
        put(kClear);
        int prefix = index;
        for (std::int64_t i = 1; i < std::int64_t(width) * height; ++i) {
            const std::uint32_t key = std::uint32_t(prefix) << 8 | std::uint32_t(index);
            const auto found = table.find(key);
            if (found != table.end()) {
                prefix = found->second;
                continue;
            }
            put(prefix);
            if (next == 4096) {
                put(kClear);
                table.clear();
                codeSize = kMinCodeSize + 1;
                next = kEnd + 1;
            } else {
                table[key] = next++;
            }
            prefix = index;
        }
        put(prefix);
        put(kEnd);
        if (bitCount > 0)
            data.append(char(bits & 0xFF));
        for (qsizetype at = 0; at < data.size(); at += 255) {
            const QByteArray block = data.mid(at, 255);
            gif.append(char(block.size())).append(block);
        }
        gif.append(char(0));
    }
    gif.append(char(0x3B));
    return gif;
}

// The banner alone, fed from loopback a looping GIF of 4000 x 4000 frames
// with a delay of 0.
void BannerAttack(double seconds)
{
    const QByteArray body = SolidFramesGif(4000, 4000, {0, 1, 2, 3, 4, 5});
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    QObject::connect(&server, &QTcpServer::newConnection, [&server, &body] {
        QTcpSocket* socket = server.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, &body] {
            socket->readAll();
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\nConnection: close\r\nContent-Length: " +
                          QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    });
    CShockwaveFlash banner;
    banner.resize(342, 50);
    banner.SetScaleMode(bannergeometry::kNoBorder);
    banner.show();
    bool loaded = false;
    QObject::connect(&banner, &CShockwaveFlash::LoadFinished, [&loaded] { loaded = true; });
    banner.LoadMovie(0, QStringLiteral("http://127.0.0.1:%1/banner.gif").arg(server.serverPort()));
    banner.Play();
    while (!loaded)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    std::printf("banner: %.1f MB GIF of 4000 x 4000 frames, delay 0, looping\n", body.size() / 1e6);
    // The first pass decodes every frame once; what counts is the loop after.
    const double firstStart = ProcessCpuSeconds();
    QElapsedTimer first;
    first.start();
    while (banner.DecodedFrames() < 6 && first.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    std::printf("  first pass: %d frames decoded in %.2f s, %.2f s of processor time\n", banner.DecodedFrames(),
                first.elapsed() / 1e3, ProcessCpuSeconds() - firstStart);
    const double start = ProcessCpuSeconds();
    RunEvents(seconds);
    Report("  banner looping, after the first pass", ProcessCpuSeconds() - start, seconds);
    std::printf("  frames decoded in all: %d\n", banner.DecodedFrames());
}

// The real viewer on a file whose folder changes every 10 ms.
void FolderAttack(double seconds, const char* viewer, const char* rpfgen)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string shown = folder + "/shown.rpf";
    if (std::system(("'" + std::string(rpfgen) + "' demo '" + shown + "' >/dev/null").c_str()) != 0) {
        std::printf("folder: rpfgen failed; skipped\n");
        return;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(viewer, viewer, shown.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));  // started and shown
    std::atomic<bool> stop{false};
    int churned = 0;
    std::thread renderer([&] {
        const std::string part = folder + "/part.tmp";
        while (!stop) {
            std::ofstream(part) << "x";
            std::remove(part.c_str());
            ++churned;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    const double start = ChildCpuSeconds(pid);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double used = ChildCpuSeconds(pid) - start;
    stop = true;
    renderer.join();
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::printf("folder: a part file created and removed every 10 ms (%d times)\n", churned);
    Report("  the viewer, following the shown file's folder", used, seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    BannerAttack(seconds);
    FolderAttack(seconds, BRIMWELL_VIEWER_PATH, BRIMWELL_RPFGEN_PATH);
    return 0;
}
