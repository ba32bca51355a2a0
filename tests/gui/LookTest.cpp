// The look of the colour view in the window: its keys, what the document
// draws and the status bar says, the look kept while stepping, the
// transform remembered across runs, $OCIO configs that load and that fail,
// and --exposure and --transform.
#include "LookControls.h"
#include "OpenedApp.h"
#include "PictureStatusBar.h"
#include "RpfWriter.h"

#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

using guitest::OpenedApp;
using guitest::PromptRecorder;
using guitest::Settle;

namespace {

// A float file of one colour, with alpha 1.
QString WriteFloatFile(const QString& folder, const QString& name, double r, double g, double b)
{
    rpfgen::RpfImage image;
    image.width = 8;
    image.height = 6;
    image.colourBits = 32;
    image.alpha = true;
    const std::size_t count = 8 * 6;
    image.red.assign(count, r);
    image.green.assign(count, g);
    image.blue.assign(count, b);
    image.alphaValues.assign(count, 1.0);
    const QString path = QDir(folder).filePath(name);
    EXPECT_TRUE(rpfgen::WriteRpf(path.toStdString(), image));
    return path;
}

QRgb ShownColour(OpenedApp& app)
{
    return app.Doc()->ShownBitmap().pixel(3, 2) & 0xffffffu;
}

QString LookText(OpenedApp& app)
{
    return app.App().Frame()->findChild<CPictureStatusBar*>()->LookLabel()->text();
}

void Press(OpenedApp& app, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(app.App().Frame(), key, modifiers);
    Settle();
}

// $OCIO for the life of one test.
class OcioVariable {
public:
    explicit OcioVariable(const QString& path) { qputenv("OCIO", path.toLocal8Bit()); }
    ~OcioVariable() { qunsetenv("OCIO"); }
};

const char kRootConfig[] = R"(ocio_profile_version: 1
roles:
  default: linear
  scene_linear: linear
displays:
  Test:
    - !<View> {name: Root, colorspace: rooted}
colorspaces:
  - !<ColorSpace>
    name: linear
  - !<ColorSpace>
    name: rooted
    from_reference: !<ExponentTransform> {value: [0.5, 0.5, 0.5, 1]}
)";

}  // namespace

TEST(Looks, KeysChangeTheColourShownAndTheLookStaysWhileStepping)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString first = WriteFloatFile(dir.path(), "a.rpf", 4.0, 2.0, 0.5);
    WriteFloatFile(dir.path(), "b.rpf", 8.0, 1.0, 0.25);
    OpenedApp app(first);
    ASSERT_TRUE(app.Started());
    EXPECT_EQ(ShownColour(app), 0xffff7fu);  // as stored: clamped
    EXPECT_EQ(LookText(app), QStringLiteral("Exposure 0.0  As stored"));

    for (int i = 0; i < 4; ++i)
        Press(app, Qt::Key_BracketLeft);
    EXPECT_EQ(ShownColour(app), qRgb(255, 127, 31) & 0xffffffu);
    EXPECT_EQ(LookText(app), QStringLiteral("Exposure -2.0  As stored"));
    // Printing takes what is shown.
    EXPECT_EQ(app.Doc()->ShownPicture().pixel(3, 2), qRgb(255, 127, 31));

    Press(app, Qt::Key_G, Qt::ShiftModifier);
    EXPECT_EQ(ShownColour(app), 0x7f7f7fu);
    Press(app, Qt::Key_G, Qt::ShiftModifier);  // again: the colour
    EXPECT_EQ(ShownColour(app), 0xff7f1fu);

    // The next file is seen in the same look: 8, 1, 0.25 two stops down.
    Press(app, Qt::Key_Right);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.Doc()->GetPathName().endsWith(QStringLiteral("b.rpf")); }, 5000));
    EXPECT_EQ(ShownColour(app), qRgb(255, 63, 15) & 0xffffffu);

    Press(app, Qt::Key_BracketRight);
    EXPECT_EQ(LookText(app), QStringLiteral("Exposure -1.5  As stored"));
    Press(app, Qt::Key_Backslash);
    EXPECT_EQ(ShownColour(app), 0xffff3fu);
    // Back at the plain look, the picture is the display bitmap itself.
    EXPECT_EQ(app.Doc()->ShownBitmap(), app.Doc()->rpf_bmp);
}

TEST(Looks, TheTransformIsRememberedAndAConfigThatFailsIsReportedOnce)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteFloatFile(dir.path(), "quarter.rpf", 0.25, 1.0, 0.0);
    {
        const OcioVariable ocio(dir.filePath(QStringLiteral("missing.ocio")));
        OpenedApp app(path);
        ASSERT_TRUE(app.Started());
        const QString message = app.App().Frame()->statusBar()->currentMessage();
        EXPECT_TRUE(message.contains(QStringLiteral("missing.ocio"))) << message.toStdString();
        EXPECT_TRUE(prompts.messages.empty()) << "no box for it";
        EXPECT_TRUE(app.View()->findChild<LookControls*>()->ConfigActions().empty());
        EXPECT_TRUE(app.Run(ID_VIEW_TRANSFORM_SRGB));
        EXPECT_EQ(ShownColour(app), (137u << 16) | (255u << 8));
    }
    QFile config(dir.filePath(QStringLiteral("root.ocio")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(kRootConfig);
    config.close();
    {
        const OcioVariable ocio(config.fileName());
        OpenedApp app(path);
        ASSERT_TRUE(app.Started());
        EXPECT_EQ(ShownColour(app), (137u << 16) | (255u << 8)) << "sRGB, remembered";
        const auto& items = app.View()->findChild<LookControls*>()->ConfigActions();
        if (OcioConfig::BuiltWithOcio()) {
            ASSERT_EQ(items.size(), 1u);
            EXPECT_EQ(items[0]->text(), QStringLiteral("Test/Root"));
            items[0]->trigger();
            Settle();
            EXPECT_EQ(ShownColour(app), (128u << 16) | (255u << 8));
            EXPECT_TRUE(items[0]->isChecked());
            EXPECT_FALSE(app.Router()->Action(ID_VIEW_TRANSFORM_SRGB)->isChecked());
        }
    }
    if (OcioConfig::BuiltWithOcio()) {
        // Remembered; a run without the config shows the colour as stored
        // and forgets nothing.
        {
            const OcioVariable ocio(config.fileName());
            OpenedApp app(path);
            EXPECT_EQ(ShownColour(app), (128u << 16) | (255u << 8));
        }
        {
            OpenedApp app(path);
            EXPECT_EQ(ShownColour(app), (63u << 16) | (255u << 8));
        }
        const OcioVariable ocio(config.fileName());
        OpenedApp app(path);
        EXPECT_EQ(ShownColour(app), (128u << 16) | (255u << 8));
    }
    // The other tests start as stored.
    QSettings(CBrimwellApp::SettingsOrganization(), QStringLiteral("Brimwell")).remove(QStringLiteral("Display"));
}

TEST(Looks, CommandLineSetsTheStartingLookAndRefusesWhatNamesNoTransform)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteFloatFile(dir.path(), "bright.rpf", 4.0, 2.0, 0.5);
    CBrimwellApp app({QStringLiteral("--exposure"), QStringLiteral("-2"), QStringLiteral("--transform"),
                      QStringLiteral("srgb"), path});
    ASSERT_TRUE(app.InitInstance());
    EXPECT_TRUE(prompts.openRequests.empty());
    EXPECT_EQ(app.Document()->ShownBitmap().pixel(0, 0) & 0xffffffu, (255u << 16) | (188u << 8) | 99u);
    app.Router()->Execute(ID_VIEW_TRANSFORM_STORED);

    for (const QStringList& wrong : {QStringList{"--exposure", "bright"}, QStringList{"--transform", "log"},
                                     QStringList{"--transform", "Test/Root"}}) {
        QProcess viewer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("OCIO"));
        viewer.setProcessEnvironment(environment);
        viewer.start(QStringLiteral(BRIMWELL_VIEWER_PATH), wrong + QStringList{path});
        ASSERT_TRUE(viewer.waitForFinished(10000));
        EXPECT_EQ(viewer.exitCode(), 2) << wrong.join(' ').toStdString();
        EXPECT_TRUE(viewer.readAllStandardError().contains(wrong.first().toLatin1()));
    }
}
