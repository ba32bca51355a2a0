// The viewer opened on a file of a folder the test fills, recording in
// order every file playback shows: what the playback and sequence tests
// share.
#pragma once

#include "BrimwellApp.h"
#include "BrimwellDoc.h"
#include "CommandRouter.h"
#include "GuiTestSupport.h"
#include "MainFrame.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <memory>

namespace guitest {

class PlayingApp {
public:
    // Opens name of dir, once the test has written the folder.
    void Open(const QString& name)
    {
        app = std::make_unique<CBrimwellApp>(QStringList{dir.filePath(name)});
        EXPECT_TRUE(app->InitInstance());
        app->Frame()->showNormal();
        Settle();
        QObject::connect(&app->Player(), &FramePlayer::StatusChanged, app.get(), [this] {
            const QString now = Shown();
            if (shown.isEmpty() || shown.back() != now)
                shown.append(now);
        });
    }

    QString Shown() const { return QFileInfo(app->Document()->GetPathName()).fileName(); }

    // A key as the user presses it, the menus' states brought up to date first.
    void Click(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        app->Router()->UpdateCommandUI();
        QTest::keyClick(app->Frame(), key, modifiers);
    }

    // Plays until count frames were recorded (the one shown at the start
    // included).
    ::testing::AssertionResult PlayUntilShown(int count)
    {
        shown = QStringList{Shown()};
        Click(Qt::Key_Space);
        if (!app->Player().IsPlaying())
            return ::testing::AssertionFailure() << "Space did not start playback";
        if (!QTest::qWaitFor([&] { return shown.size() >= count; }, 20000))
            return ::testing::AssertionFailure() << "only " << shown.join(' ').toStdString() << " shown";
        return ::testing::AssertionSuccess();
    }

    QTemporaryDir dir;
    PromptRecorder prompts;
    std::unique_ptr<CBrimwellApp> app;
    QStringList shown;
};

}  // namespace guitest
