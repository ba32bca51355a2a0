// Shared helpers of the window tests: sample files, a recorder that stands
// in for the message box, the beep, the open and save dialogs and every
// other modal dialog, and pixel access.
#pragma once

#include "DisplayBitmap.h"
#include "FrameReadAhead.h"
#include "Prompts.h"
#include "RpfWriter.h"

#include <QColor>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>

namespace guitest {

// Records every prompt instead of showing it; answers open dialogs from a
// queue (nothing queued: the dialog is cancelled) and other modal dialogs
// with answerModal (unset: the dialog is cancelled unseen).
class PromptRecorder {
public:
    PromptRecorder()
    {
        prompts::Hooks hooks;
        hooks.messageBox = [this](const QString& text) { messages.append(text); };
        hooks.beep = [this] { ++beeps; };
        hooks.openFile = [this](const prompts::OpenFileRequest& request) -> std::optional<QString> {
            openRequests.push_back(request);
            if (openAnswers.empty())
                return std::nullopt;
            QString answer = openAnswers.front();
            openAnswers.pop_front();
            return answer;
        };
        hooks.saveFile = [this](const prompts::SaveFileRequest& request) -> std::optional<QString> {
            saveRequests.push_back(request);
            if (saveAnswers.empty())
                return std::nullopt;
            QString answer = saveAnswers.front();
            saveAnswers.pop_front();
            return answer;
        };
        hooks.modal = [this](QDialog& dialog) -> int {
            modalTitles.append(dialog.windowTitle());
            return answerModal ? answerModal(dialog) : int(QDialog::Rejected);
        };
        m_previous = prompts::SetHooks(hooks);
    }
    ~PromptRecorder() { prompts::SetHooks(m_previous); }
    PromptRecorder(const PromptRecorder&) = delete;
    PromptRecorder& operator=(const PromptRecorder&) = delete;

    QStringList messages;
    int beeps = 0;
    std::vector<prompts::OpenFileRequest> openRequests;
    std::deque<QString> openAnswers;
    std::vector<prompts::SaveFileRequest> saveRequests;
    std::deque<QString> saveAnswers;  // nothing queued: the save dialog is cancelled
    QStringList modalTitles;  // one entry per modal dialog asked for
    std::function<int(QDialog&)> answerModal;

private:
    prompts::Hooks m_previous;
};

// The 8-bit colour a sample pixel gets in the file.
struct SampleColour {
    int red, green, blue, alpha;
};
inline SampleColour SamplePixel(int x, int y)
{
    return {(x * 7 + 13) % 256, (y * 5 + 101) % 256, (x * 3 + y * 11) % 256, (x + y) % 256};
}

// The display byte an 8-bit file value becomes: 16 bits by the loader's
// rule, then 8 bits by the display bitmap's (the value itself).
inline int DisplayByteOf8Bit(int value)
{
    const unsigned word = unsigned(value) * 257u;
    return displaybitmap::ToByte(static_cast<std::uint16_t>(word));
}

// The colour a sample pixel shows on screen.
inline QRgb ShownSamplePixel(int x, int y)
{
    const SampleColour c = SamplePixel(x, y);
    return qRgb(DisplayByteOf8Bit(c.red), DisplayByteOf8Bit(c.green), DisplayByteOf8Bit(c.blue));
}

// An 8-bit RPF file with alpha whose pixels follow SamplePixel (or one
// colour), written into folder as name.
inline QString WriteSample(const QString& folder, const QString& name, int width, int height,
                           std::optional<SampleColour> uniform = std::nullopt,
                           const std::string& producer = "Test renderer (ZC)")
{
    rpfgen::RpfImage image;
    image.width = width;
    image.height = height;
    image.alpha = true;
    image.producer = producer;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const SampleColour c = uniform ? *uniform : SamplePixel(x, y);
            image.red.push_back(c.red);
            image.green.push_back(c.green);
            image.blue.push_back(c.blue);
            image.alphaValues.push_back(c.alpha);
        }
    }
    const QString path = QDir(folder).filePath(name);
    EXPECT_TRUE(rpfgen::WriteRpf(path.toStdString(), image));
    return path;
}

// Lets queued events (scroll bars appearing, resizes, repaints) run.
// Runs the event loop until the window has done what was asked, including
// showing a frame a step waits for from the read-ahead's threads.
inline void Settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    QDeadlineTimer deadline(10000);
    while (FrameReadAhead::AnyAwaiting() && !deadline.hasExpired())
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

inline QRgb Opaque(QRgb pixel)
{
    return pixel | 0xFF000000u;
}

const QRgb kDarkGrey = qRgb(64, 64, 64);

}  // namespace guitest
