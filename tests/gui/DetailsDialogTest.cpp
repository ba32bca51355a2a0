#include "DetailsDialog.h"
#include "OpenedApp.h"

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>

using namespace guitest;

namespace {

QString TextOf(const CDialog& dialog, int id)
{
    auto* edit = qobject_cast<QLineEdit*>(dialog.GetDlgItem(id));
    return edit != nullptr ? edit->text() : QStringLiteral("<no edit box %1>").arg(id);
}

struct Shown {
    QString caption, path, producer, width, height;
};

// Answers the next modal dialog by reading the details box's texts.
std::function<int(QDialog&)> ReadDetailsInto(Shown& shown)
{
    return [&shown](QDialog& dialog) {
        auto* details = dynamic_cast<CDetailsDialog*>(&dialog);
        if (details == nullptr)
            return int(QDialog::Rejected);
        shown = {dialog.windowTitle(), TextOf(*details, IDC_PATH), TextOf(*details, IDC_PRODUCER),
                 TextOf(*details, IDC_WIDTH), TextOf(*details, IDC_HEIGHT)};
        return int(QDialog::Accepted);
    };
}

class DetailsDialogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    PromptRecorder prompts;
};

}  // namespace

TEST_F(DetailsDialogTest, ShowInfoShowsTheShownFilesFacts)
{
    const QString path = WriteSample(dir.path(), "facts.rpf", 37, 23, std::nullopt, "Frame 12 of 40 (ZCN)");
    OpenedApp app(path);
    ASSERT_TRUE(app.Started());

    Shown shown;
    bool okHasFocus = false;
    bool okIsDefault = false;
    bool allReadOnly = true;
    prompts.answerModal = [&](QDialog& dialog) {
        auto* details = dynamic_cast<CDetailsDialog*>(&dialog);
        if (details != nullptr) {
            okHasFocus = dialog.focusWidget() == details->GetDlgItem(IDOK);
            auto* ok = qobject_cast<QPushButton*>(details->GetDlgItem(IDOK));
            okIsDefault = ok != nullptr && ok->isDefault() && ok->text() == "OK";
            for (int id : {IDC_PATH, IDC_PRODUCER, IDC_WIDTH, IDC_HEIGHT}) {
                auto* edit = qobject_cast<QLineEdit*>(details->GetDlgItem(id));
                allReadOnly = allReadOnly && edit != nullptr && edit->isReadOnly();
            }
        }
        return ReadDetailsInto(shown)(dialog);
    };
    EXPECT_TRUE(app.Run(ID_VIEW_SHOW_INFO));
    ASSERT_EQ(prompts.modalTitles, QStringList{"Rpf details"});
    EXPECT_EQ(shown.caption, "Rpf details");
    EXPECT_EQ(shown.path, app.Doc()->GetPathName());
    EXPECT_EQ(shown.path, QFileInfo(path).absoluteFilePath());
    EXPECT_EQ(shown.producer, "Frame 12 of 40 (ZCN)");
    EXPECT_EQ(shown.width, "37");
    EXPECT_EQ(shown.height, "23");
    EXPECT_TRUE(okHasFocus);
    EXPECT_TRUE(okIsDefault);
    EXPECT_TRUE(allReadOnly);

    // Each command builds a new box from the document as it is then.
    const QString second = WriteSample(dir.path(), "second.rpf", 640, 480, SampleColour{1, 2, 3, 255}, "Other");
    ASSERT_NE(app.App().OpenDocumentFile(second), nullptr);
    EXPECT_TRUE(app.Run(ID_VIEW_SHOW_INFO));
    EXPECT_EQ(shown.path, QFileInfo(second).absoluteFilePath());
    EXPECT_EQ(shown.producer, "Other");
    EXPECT_EQ(shown.width, "640");
    EXPECT_EQ(shown.height, "480");
}

TEST_F(DetailsDialogTest, SizesArePlainSignedDecimals)
{
    Shown shown;
    prompts.answerModal = ReadDetailsInto(shown);
    const std::pair<std::int32_t, std::int32_t> cases[] = {{0, 0}, {-480, 7}, {1000000, INT_MIN}};
    const std::pair<const char*, const char*> texts[] = {{"0", "0"}, {"-480", "7"}, {"1000000", "-2147483648"}};
    for (int i = 0; i < 3; ++i) {
        CDetailsDialog dialog;
        dialog.m_width = cases[i].first;
        dialog.m_height = cases[i].second;
        EXPECT_EQ(dialog.DoModal(), QDialog::Accepted);
        EXPECT_EQ(shown.width, texts[i].first);
        EXPECT_EQ(shown.height, texts[i].second);
        EXPECT_EQ(shown.path, "");
        EXPECT_EQ(shown.producer, "");
    }
}

TEST_F(DetailsDialogTest, LongTextsScrollSidewaysAndCanBeSelectedButNotChanged)
{
    const QString longPath = "/" + QString("a-long-folder-name/").repeated(20) + "picture.rpf";
    const QString longProducer = QString("Renderer with a very long version string ").repeated(6) + "(ZCNRGB)";
    CDetailsDialog dialog;
    dialog.m_path = longPath;
    dialog.m_producer = longProducer;
    prompts.answerModal = [&](QDialog& shownDialog) {
        shownDialog.show();
        Settle();
        for (int id : {IDC_PATH, IDC_PRODUCER}) {
            SCOPED_TRACE(id);
            auto* edit = qobject_cast<QLineEdit*>(dialog.GetDlgItem(id));
            EXPECT_TRUE(edit != nullptr);
            if (edit == nullptr)
                continue;
            const QString full = edit->text();
            EXPECT_GT(edit->fontMetrics().horizontalAdvance(full), edit->width());
            // The box shows the text from its start.
            EXPECT_EQ(edit->cursorPosition(), 0);

            // Moving to the end scrolls: the caret stays inside the box.
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_End);
            EXPECT_EQ(edit->cursorPosition(), full.size());
            edit->grab();  // the box settles its scroll offset when it paints
            EXPECT_TRUE(edit->rect().contains(edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center()));

            // Selecting works; typing, deleting and pasting change nothing.
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            EXPECT_EQ(edit->selectedText(), full);
            QTest::keyClicks(edit, "xyz");
            QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClick(edit, Qt::Key_Delete);
            QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(edit->text(), full);
        }
        shownDialog.hide();
        return int(QDialog::Accepted);
    };
    dialog.DoModal();
    EXPECT_EQ(TextOf(dialog, IDC_PATH), longPath);
    EXPECT_EQ(TextOf(dialog, IDC_PRODUCER), longProducer);
}

TEST_F(DetailsDialogTest, LayoutFollowsTheTemplateInDialogUnits)
{
    CDetailsDialog dialog;
    const dialogunits::BaseUnits units = dialog.BaseUnits();
    // The units come from the dialog font as the dialog draws it.
    EXPECT_EQ(dialog.font().family(), "MS Sans Serif");
    EXPECT_EQ(dialog.font().pointSize(), 8);
    EXPECT_EQ(units.cx, dialogunits::FromMetrics(dialog.fontMetrics()).cx);
    EXPECT_EQ(units.cy, dialog.fontMetrics().height());
    EXPECT_GT(units.cx, 0);
    EXPECT_GT(units.cy, 0);

    EXPECT_EQ(dialog.size(), dialogunits::ToPixels(QSize(283, 153), units));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());  // the frame does not resize

    struct Expected {
        int id;
        QRect rect;
        const char* text;  // of a label; null for the other controls
    };
    const Expected expected[] = {
        {IDOK, {226, 132, 50, 14}, nullptr},      {IDC_PATH, {53, 24, 212, 14}, nullptr},
        {IDC_PRODUCER, {53, 46, 212, 14}, nullptr}, {IDC_WIDTH, {53, 75, 43, 14}, nullptr},
        {IDC_HEIGHT, {53, 95, 43, 14}, nullptr},  {IDC_STATIC, {7, 7, 269, 119}, nullptr},
        {IDC_STATIC, {16, 26, 19, 8}, "Path:"},   {IDC_STATIC, {15, 48, 30, 8}, "Producer:"},
        {IDC_STATIC, {15, 77, 30, 8}, "Width:"},  {IDC_STATIC, {15, 97, 30, 8}, "Height:"},
    };
    ASSERT_EQ(dialog.ControlCount(), 10);
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        QWidget* control = dialog.Control(i);
        EXPECT_EQ(control->geometry(), dialogunits::ToPixels(expected[i].rect, units));
        if (expected[i].id != IDC_STATIC) {
            EXPECT_EQ(dialog.GetDlgItem(expected[i].id), control);
        }
        if (expected[i].text != nullptr) {
            auto* label = qobject_cast<QLabel*>(control);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text(), expected[i].text);
        }
    }

    // Tab goes OK, path, producer, width, height and round again; labels
    // and the frame take no focus.
    QWidget* ok = dialog.GetDlgItem(IDOK);
    EXPECT_EQ(NextTabStop(ok), dialog.GetDlgItem(IDC_PATH));
    EXPECT_EQ(NextTabStop(dialog.GetDlgItem(IDC_PATH)), dialog.GetDlgItem(IDC_PRODUCER));
    EXPECT_EQ(NextTabStop(dialog.GetDlgItem(IDC_PRODUCER)), dialog.GetDlgItem(IDC_WIDTH));
    EXPECT_EQ(NextTabStop(dialog.GetDlgItem(IDC_WIDTH)), dialog.GetDlgItem(IDC_HEIGHT));
    EXPECT_EQ(NextTabStop(dialog.GetDlgItem(IDC_HEIGHT)), ok);
}

TEST_F(DetailsDialogTest, AfterAFailedOpenTheBoxShowsTheFileStillShown)
{
    const QString good = WriteSample(dir.path(), "good.rpf", 12, 9, std::nullopt, "Kept producer");
    OpenedApp app(good);
    ASSERT_TRUE(app.Started());
    const QString broken = dir.filePath("broken.rpf");
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not an image");
    }
    EXPECT_EQ(app.App().OpenDocumentFile(broken), nullptr);
    EXPECT_EQ(prompts.messages.size(), 1);

    Shown shown;
    prompts.answerModal = ReadDetailsInto(shown);
    EXPECT_TRUE(app.Run(ID_VIEW_SHOW_INFO));
    EXPECT_EQ(shown.path, QFileInfo(good).absoluteFilePath());
    EXPECT_EQ(shown.producer, "Kept producer");
    EXPECT_EQ(shown.width, "12");
    EXPECT_EQ(shown.height, "9");
}

TEST_F(DetailsDialogTest, EnterEscapeAndTheCloseBoxCloseIt)
{
    const QString path = WriteSample(dir.path(), "close.rpf", 8, 8);
    OpenedApp app(path);
    ASSERT_TRUE(app.Started());

    std::vector<int> results;
    std::function<void(QDialog&)> action;
    prompts.answerModal = [&](QDialog& dialog) {
        const int result = ExecDriven(dialog, action);
        results.push_back(result);
        return result;
    };
    action = [](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); };
    app.Run(ID_VIEW_SHOW_INFO);
    action = [](QDialog& dialog) { dialog.close(); };
    app.Run(ID_VIEW_SHOW_INFO);
    // Enter goes to the focused control, the OK button, which takes it as a
    // click.
    bool okFocused = false;
    action = [&okFocused](QDialog& dialog) {
        QWidget* focus = QApplication::focusWidget();
        okFocused = focus != nullptr && focus == static_cast<CDialog&>(dialog).GetDlgItem(IDOK);
        QTest::keyClick(focus != nullptr ? focus : &dialog, Qt::Key_Return);
    };
    app.Run(ID_VIEW_SHOW_INFO);
    EXPECT_EQ(results, (std::vector<int>{QDialog::Rejected, QDialog::Rejected, QDialog::Accepted}));
    EXPECT_TRUE(okFocused);
    // Closing changes nothing of what is shown.
    EXPECT_EQ(app.Doc()->rpf_width, 8);
    EXPECT_EQ(app.View()->Zoom(), zoom::kRealSize);
}
