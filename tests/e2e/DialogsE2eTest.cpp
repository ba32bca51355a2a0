#include "E2eFixture.h"
#include "RpfWriter.h"
#include "XSession.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

using e2e::BoundsOf;
using e2e::kDarkGrey;
using e2e::Viewer;

namespace {

class DialogsE2e : public e2e::SessionTest {
protected:
    // Starts the viewer on a small picture and waits until it is shown.
    QString Start(Viewer*& viewer)
    {
        rpfgen::RpfImage image;
        image.width = 200;
        image.height = 120;
        image.producer = "E2E renderer 7 (ZC)";
        for (int i = 0; i < image.width * image.height; ++i) {
            image.red.push_back(128 + i % 127);
            image.green.push_back((i / 200) % 256);
            image.blue.push_back(200);
        }
        path = QDir(dir.path()).filePath("details.rpf");
        EXPECT_TRUE(rpfgen::WriteRpf(path.toStdString(), image));
        m_viewer = std::make_unique<Viewer>(Session(), QStringList{path});
        viewer = m_viewer.get();
        const QString window = Session().WaitForWindow("details.rpf - Brimwell");
        Session().WaitForScreen([](const QImage& shot) { return BoundsOf(shot, kDarkGrey).width() > 200; });
        return window;
    }

    // The text of the field that has the focus in window, through the clipboard.
    QString FocusedText(const QString& window)
    {
        Session().Key(window, "ctrl+a");
        Session().Key(window, "ctrl+c");
        return QString::fromUtf8(Session().Clipboard("UTF8_STRING"));
    }

    QString path;

private:
    std::unique_ptr<Viewer> m_viewer;
};

}  // namespace

TEST_F(DialogsE2e, CtrlCCopiesExactlyTheClientAreaAsShown)
{
    Viewer* viewer = nullptr;
    const QString window = Start(viewer);
    ASSERT_FALSE(window.isEmpty());
    Session().Key(window, "ctrl+KP_Add");  // 125 %, so the copy is not the file's picture
    QImage shot = Session().WaitForScreen([](const QImage& s) {
        const QRect field = BoundsOf(s, kDarkGrey);
        return !e2e::BoundsOfOther(s, field.adjusted(1, 1, -1, -1), kDarkGrey).isEmpty() &&
               e2e::BoundsOfOther(s, field.adjusted(1, 1, -1, -1), kDarkGrey).width() == 250;
    });
    const QRect field = BoundsOf(shot, kDarkGrey);
    Session().Key(window, "ctrl+c");
    QImage copied;
    for (int i = 0; i < 50 && copied.isNull(); ++i) {
        copied = QImage::fromData(Session().Clipboard("image/png"), "PNG");
        if (copied.isNull())
            QThread::msleep(100);
    }
    ASSERT_FALSE(copied.isNull()) << "no picture on the clipboard";
    EXPECT_EQ(copied.size(), field.size());
    const QImage expected = shot.copy(field);
    copied = copied.convertToFormat(QImage::Format_RGB32);
    int differing = 0;
    for (int y = 0; y < std::min(copied.height(), expected.height()); ++y)
        for (int x = 0; x < std::min(copied.width(), expected.width()); ++x)
            differing += (copied.pixel(x, y) | 0xFF000000u) != (expected.pixel(x, y) | 0xFF000000u);
    EXPECT_EQ(differing, 0);
    if (differing != 0) {
        copied.save(QDir::temp().filePath("brimwell-e2e-copied.png"));
        expected.save(QDir::temp().filePath("brimwell-e2e-expected.png"));
    }
}

TEST_F(DialogsE2e, CtrlIShowsTheFilesDetails)
{
    Viewer* viewer = nullptr;
    const QString window = Start(viewer);
    ASSERT_FALSE(window.isEmpty());
    Session().Key(window, "ctrl+i");
    const QString box = Session().WaitForWindow("^Rpf details$");
    ASSERT_FALSE(box.isEmpty());
    // The focus starts on OK; the fields follow in tab order.
    Session().Key(box, "Tab");
    EXPECT_EQ(FocusedText(box), QFileInfo(path).absoluteFilePath());
    Session().Key(box, "Tab");
    EXPECT_EQ(FocusedText(box), "E2E renderer 7 (ZC)");
    Session().Key(box, "Tab");
    EXPECT_EQ(FocusedText(box), "200");
    Session().Key(box, "Tab");
    EXPECT_EQ(FocusedText(box), "120");
    Session().Key(box, "Escape");
    for (int i = 0; i < 50 && !Session().FindWindows("^Rpf details$").isEmpty(); ++i)
        QThread::msleep(100);
    EXPECT_TRUE(Session().FindWindows("^Rpf details$").isEmpty());
}

TEST_F(DialogsE2e, HelpAboutOpensAndEscapeClosesIt)
{
    Viewer* viewer = nullptr;
    const QString window = Start(viewer);
    ASSERT_FALSE(window.isEmpty());
    Session().Key(window, "alt+h");
    QThread::msleep(300);
    Session().Key("a");
    const QString box = Session().WaitForWindow("^About Brimwell$");
    ASSERT_FALSE(box.isEmpty());
    Session().Key(box, "Escape");
    for (int i = 0; i < 50 && !Session().FindWindows("^About Brimwell$").isEmpty(); ++i)
        QThread::msleep(100);
    EXPECT_TRUE(Session().FindWindows("^About Brimwell$").isEmpty());
    // The program goes on.
    EXPECT_EQ(viewer->Process().state(), QProcess::Running);
}
