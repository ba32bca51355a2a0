// Depth ranges and vector scales in the window: Auto first, Shift+Z to Full
// and back, near and far typed in the box, inverted and logarithmic depth,
// and the velocity scale, each drawn as the tools draw that choice.
#include "AppCommandIds.h"
#include "ChannelRenderer.h"
#include "DemoScene.h"
#include "FrameChannels.h"
#include "NumberFieldsDialog.h"
#include "OpenedApp.h"
#include "PictureScaler.h"
#include "RLA.h"

#include <QLineEdit>
#include <QPushButton>

using guitest::OpenedApp;
using guitest::PromptRecorder;
using guitest::Settle;

namespace {

QString WriteDemo(const QString& folder)
{
    rpfgen::DemoSettings settings;
    // Wide enough that one row of the ground, all at one depth, is less
    // than a hundredth of the picture: the percentiles then differ from the
    // nearest and farthest depth.
    settings.width = 320;
    settings.height = 200;
    settings.samples = 1;
    const QString path = QDir(folder).filePath("demo.rpf");
    EXPECT_TRUE(rpfgen::WriteRpf(path.toStdString(), rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), 8, true, false)));
    return path;
}

// The picture of the file in view scaled as scaling says, from a load of its own.
QImage Expected(const QString& path, int bit, const ChannelScaling& scaling)
{
    RLA image;
    image.Leer(QFile::encodeName(path).constData(), true);
    return channelrenderer::Render(FrameChannelsOf(image), ChannelView::Channel(bit).WithScaling(scaling));
}

}  // namespace

TEST(ChannelScaling, DepthStartsInAutoAndShiftZSwitchesFullAndAuto)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteDemo(dir.path());
    OpenedApp app(path, QSize(320, 260));
    ASSERT_TRUE(app.Started());
    QWidget* frame = app.App().Frame();
    QTest::keyClick(frame, Qt::Key_Z);
    Settle();
    ASSERT_EQ(app.Doc()->ShownView(), ChannelView::Channel(kChannelZ));
    EXPECT_EQ(app.Doc()->Scaling().depth.mode, DepthRangeMode::Auto);

    ChannelScaling full;  // the tools' rules
    ChannelScaling automatic = ChannelScaling::Window();
    ASSERT_NE(Expected(path, kChannelZ, full), Expected(path, kChannelZ, automatic)) << "the demo tells them apart";
    EXPECT_EQ(app.Doc()->ShownBitmap(), Expected(path, kChannelZ, automatic));
    app.Router()->UpdateCommandUI();
    EXPECT_TRUE(app.Router()->Action(ID_DEPTH_RANGE_AUTO)->isChecked());

    QTest::keyClick(frame, Qt::Key_Z, Qt::ShiftModifier);
    Settle();
    EXPECT_EQ(app.Doc()->ShownView(), ChannelView::Channel(kChannelZ)) << "still the depth view";
    EXPECT_EQ(app.Doc()->Scaling().depth.mode, DepthRangeMode::Full);
    EXPECT_EQ(app.Doc()->ShownBitmap(), Expected(path, kChannelZ, full));
    app.Router()->UpdateCommandUI();
    EXPECT_TRUE(app.Router()->Action(ID_DEPTH_RANGE_FULL)->isChecked());
    EXPECT_FALSE(app.Router()->Action(ID_DEPTH_RANGE_AUTO)->isChecked());
    // What the window paints is the new picture, not one kept from before.
    const QImage painted = app.View()->RenderClientArea();
    QImage expected(painted.size(), QImage::Format_RGB32);
    expected.fill(guitest::kDarkGrey);
    const zoom::ZoomGeometry& g = app.View()->Geometry();
    picturescaler::Draw(Expected(path, kChannelZ, full), expected, app.View()->GetScrollPosition(), g.m_zoom,
                        QPoint(g.MarginLeft(), g.MarginTop()));
    EXPECT_EQ(painted, expected);

    QTest::keyClick(frame, Qt::Key_Z, Qt::ShiftModifier);
    Settle();
    EXPECT_EQ(app.Doc()->Scaling().depth.mode, DepthRangeMode::Auto);

    // Invert and logarithmic add to the range chosen.
    ASSERT_TRUE(app.Run(ID_DEPTH_INVERT));
    ASSERT_TRUE(app.Run(ID_DEPTH_LOGARITHMIC));
    automatic.depth.invert = automatic.depth.logarithmic = true;
    EXPECT_EQ(app.Doc()->ShownBitmap(), Expected(path, kChannelZ, automatic));

    // The choice stays while the view changes and comes back.
    QTest::keyClick(frame, Qt::Key_1);
    QTest::keyClick(frame, Qt::Key_Z);
    Settle();
    EXPECT_EQ(app.Doc()->ShownBitmap(), Expected(path, kChannelZ, automatic));
}

TEST(ChannelScaling, NearAndFarAndTheVelocityLengthAreTypedInABox)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteDemo(dir.path());
    OpenedApp app(path, QSize(320, 260));
    ASSERT_TRUE(app.Started());
    QTest::keyClick(app.App().Frame(), Qt::Key_Z);
    Settle();

    // The box starts from the range in use and offers OK only for near < far.
    RLA image;
    image.Leer(QFile::encodeName(path).constData(), true);
    const channelrenderer::ChannelRanges ranges = channelrenderer::MeasureRanges(FrameChannelsOf(image));
    bool okForReversed = true;
    QString shownNear;
    prompts.answerModal = [&](QDialog& dialog) {
        auto& box = dynamic_cast<CNumberFieldsDialog&>(dialog);
        shownNear = box.FieldEdit(0)->text();
        box.FieldEdit(0)->setText("20");
        box.FieldEdit(1)->setText("10");
        okForReversed = box.OkButton()->isEnabled();
        box.FieldEdit(0)->setText("5");
        box.FieldEdit(1)->setText("1.5e1");
        return box.OkButton()->isEnabled() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    };
    ASSERT_TRUE(app.Run(ID_DEPTH_RANGE_TYPED));
    EXPECT_EQ(prompts.modalTitles, QStringList{"Depth Range"});
    EXPECT_EQ(float(shownNear.toDouble()), ranges.depthPercentiles.nearest);
    EXPECT_FALSE(okForReversed);
    ChannelScaling typed = ChannelScaling::Window();
    typed.depth.mode = DepthRangeMode::Typed;
    typed.depth.nearDepth = 5;
    typed.depth.farDepth = 15;
    EXPECT_EQ(app.Doc()->Scaling(), typed);
    EXPECT_EQ(app.Doc()->ShownBitmap(), Expected(path, kChannelZ, typed));
    // Shift+Z leaves a typed range for Auto.
    QTest::keyClick(app.App().Frame(), Qt::Key_Z, Qt::ShiftModifier);
    EXPECT_EQ(app.Doc()->Scaling().depth.mode, DepthRangeMode::Auto);

    // A cancelled box changes nothing.
    prompts.answerModal = {};
    ASSERT_TRUE(app.Run(ID_DEPTH_RANGE_TYPED));
    EXPECT_EQ(app.Doc()->Scaling().depth.mode, DepthRangeMode::Auto);

    // Velocity: Auto at first, then a typed length.
    QTest::keyClick(app.App().Frame(), Qt::Key_V);
    Settle();
    ASSERT_EQ(app.Doc()->ShownView(), ChannelView::Channel(kChannelV));
    EXPECT_EQ(app.Doc()->ShownBitmap(), Expected(path, kChannelV, ChannelScaling::Window()));
    prompts.answerModal = [](QDialog& dialog) {
        auto& box = dynamic_cast<CNumberFieldsDialog&>(dialog);
        box.FieldEdit(0)->setText("0");
        if (box.OkButton()->isEnabled())
            return int(QDialog::Rejected);  // a length of 0 must not be taken
        box.FieldEdit(0)->setText("0.25");
        return int(QDialog::Accepted);
    };
    ASSERT_TRUE(app.Run(ID_VELOCITY_SCALE_TYPED));
    ChannelScaling quarter = ChannelScaling::Window();
    quarter.velocity.mode = VectorScaleMode::Typed;
    quarter.velocity.typedLength = 0.25;
    EXPECT_EQ(app.Doc()->Scaling().velocity, quarter.velocity);
    EXPECT_EQ(app.Doc()->ShownBitmap(), Expected(path, kChannelV, quarter));
    ASSERT_TRUE(app.Run(ID_VELOCITY_SCALE_LARGEST));
    EXPECT_EQ(app.Doc()->ShownBitmap(), Expected(path, kChannelV, ChannelScaling()));
}
