#include "AboutDialog.h"
#include "OpenedApp.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

using namespace guitest;

namespace {

class AboutDialogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    PromptRecorder prompts;
};

}  // namespace

TEST_F(AboutDialogTest, ShowsTheLogosTheVersionAndTheNote)
{
    const QString path = WriteSample(dir.path(), "about.rpf", 8, 8);
    OpenedApp app(path);
    ASSERT_TRUE(app.Started());

    int checked = 0;
    prompts.answerModal = [&](QDialog& dialog) {
        auto* about = dynamic_cast<CAboutDialog*>(&dialog);
        EXPECT_NE(about, nullptr);
        if (about == nullptr)
            return int(QDialog::Rejected);
        ++checked;
        const dialogunits::BaseUnits units = about->BaseUnits();
        EXPECT_EQ(dialog.windowTitle(), "About Brimwell");
        EXPECT_EQ(dialog.size(), dialogunits::ToPixels(QSize(185, 133), units));
        EXPECT_EQ(dialog.parentWidget(), app.App().GetMainWnd());

        auto* ok = qobject_cast<QPushButton*>(about->Control(CAboutDialog::kOkButton));
        EXPECT_TRUE(ok != nullptr && ok->isDefault() && ok->text() == "OK");
        EXPECT_EQ(dialog.focusWidget(), ok);
        EXPECT_EQ(about->Control(CAboutDialog::kOkButton)->geometry(),
                  dialogunits::ToPixels(QRect(128, 112, 50, 14), units));

        // The pictures at their own sizes, placed by their top-left corners.
        const struct {
            int index;
            QPoint at;
            QSize size;
        } pictures[] = {{CAboutDialog::kCompanyPicture, {116, 9}, {79, 65}},
                        {CAboutDialog::kMakerPicture, {16, 9}, {139, 65}}};
        for (const auto& picture : pictures) {
            auto* label = qobject_cast<QLabel*>(about->Control(picture.index));
            EXPECT_TRUE(label != nullptr);
            if (label == nullptr)
                continue;
            EXPECT_EQ(label->pixmap().size(), picture.size);
            EXPECT_EQ(label->geometry(),
                      QRect(dialogunits::ToPixels(QRect(picture.at, QSize(0, 0)), units).topLeft(), picture.size));
        }

        auto* version = qobject_cast<QLabel*>(about->Control(CAboutDialog::kVersionLine));
        EXPECT_NE(version, nullptr);
        if (version != nullptr) {
            EXPECT_EQ(version->text(), "Brimwell Version 1.0");
            EXPECT_EQ(version->geometry(), dialogunits::ToPixels(QRect(7, 60, 106, 8), units));
        }

        auto* note = qobject_cast<QLabel*>(about->Control(CAboutDialog::kNote));
        EXPECT_NE(note, nullptr);
        if (note != nullptr) {
            EXPECT_EQ(note->geometry(), dialogunits::ToPixels(QRect(7, 76, 171, 29), units));
            EXPECT_TRUE(note->wordWrap());
            // Two sentences: the program is unsupported; comments are welcome
            // at an address under a reserved example domain.
            const QString text = note->text();
            EXPECT_EQ(text.count(QRegularExpression(R"([.!?](\s|$))")), 2) << text.toStdString();
            EXPECT_TRUE(text.contains("not supported"));
            EXPECT_TRUE(text.contains(QRegularExpression(R"([\w.+-]+@([\w-]+\.)*example\b)"))) << text.toStdString();
        }
        return int(QDialog::Accepted);
    };
    EXPECT_TRUE(app.Router()->IsEnabled(ID_APP_ABOUT));
    ASSERT_TRUE(app.Run(ID_APP_ABOUT));
    EXPECT_EQ(checked, 1);
}

TEST_F(AboutDialogTest, EnterEscapeOkAndCloseBoxCloseItAndEachTimeItIsNew)
{
    const QString path = WriteSample(dir.path(), "closing.rpf", 8, 8);
    OpenedApp app(path);
    ASSERT_TRUE(app.Started());

    std::vector<int> results;
    std::vector<bool> fresh;
    std::function<void(QDialog&)> action;
    prompts.answerModal = [&](QDialog& dialog) {
        // A box that was shown before would carry the mark.
        fresh.push_back(!dialog.property("shownBefore").isValid());
        dialog.setProperty("shownBefore", true);
        const int result = ExecDriven(dialog, action);
        results.push_back(result);
        return result;
    };
    action = [](QDialog& dialog) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : &dialog, Qt::Key_Return);
    };
    app.Run(ID_APP_ABOUT);
    action = [](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); };
    app.Run(ID_APP_ABOUT);
    action = [](QDialog& dialog) {
        QTest::mouseClick(static_cast<CDialog&>(dialog).Control(CAboutDialog::kOkButton), Qt::LeftButton);
    };
    app.Run(ID_APP_ABOUT);
    action = [](QDialog& dialog) { dialog.close(); };
    app.Run(ID_APP_ABOUT);

    EXPECT_EQ(results, (std::vector<int>{QDialog::Accepted, QDialog::Rejected, QDialog::Accepted, QDialog::Rejected}));
    EXPECT_EQ(fresh, (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(prompts.modalTitles, QStringList(4, "About Brimwell"));
    EXPECT_EQ(app.Doc()->GetPathName(), QFileInfo(path).absoluteFilePath());
}
