// The program after its start-up with one file open, its window at a known
// size, for tests of the commands that work on what the window shows.
#pragma once

#include "AppCommandIds.h"
#include "BrimwellApp.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "GuiTestSupport.h"
#include "MainFrame.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace guitest {

class OpenedApp {
public:
    // The prompts must already be replaced (a PromptRecorder that outlives
    // this object): start-up must not show anything.
    explicit OpenedApp(const QString& path, QSize windowSize = QSize(640, 480))
        : m_app(std::make_unique<CBrimwellApp>(QStringList{path}))
    {
        m_started = m_app->InitInstance();
        if (!m_started)
            return;
        m_app->Frame()->showNormal();
        m_app->Frame()->resize(windowSize);
        Settle();
    }

    bool Started() const { return m_started; }
    CBrimwellApp& App() { return *m_app; }
    CBrimwellDoc* Doc() { return m_app->Document(); }
    CBrimwellView* View() { return m_app->View(); }
    CommandRouter* Router() { return m_app->Router(); }
    bool Run(int id) { return m_app->Router()->Execute(id); }

    // Sets the zoom divisor through the zoom commands.
    void SetZoom(int divisor)
    {
        Run(ID_VIEW_REAL_SIZE);
        for (int k = zoom::kRealSize; k > divisor; --k)
            Run(ID_VIEW_ZOOM_IN);
        for (int k = zoom::kRealSize; k < divisor; ++k)
            Run(ID_VIEW_ZOOM_OUT);
        Settle();
        EXPECT_EQ(View()->Zoom(), divisor);
    }

private:
    std::unique_ptr<CBrimwellApp> m_app;
    bool m_started = false;
};

// The code a dialog's real modal loop ends with when a test's action did
// not close it in time.
constexpr int kDialogStuck = 99;

// Runs dialog's real modal loop and does action once the box is up and
// active, so that keys go where a user's would. A box
// still open after a few seconds is ended with kDialogStuck, so a test whose
// action fails to close it fails instead of hanging.
inline int ExecDriven(QDialog& dialog, const std::function<void(QDialog&)>& action)
{
    QTimer::singleShot(0, &dialog, [&dialog, action] {
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([&dialog] { return QApplication::activeWindow() == &dialog; }, 2000));
        action(dialog);
    });
    QTimer::singleShot(5000, &dialog, [&dialog] {
        if (dialog.isVisible())
            dialog.done(kDialogStuck);
    });
    return dialog.exec();
}

// The next widget after widget that the Tab key stops on.
inline QWidget* NextTabStop(QWidget* widget)
{
    for (QWidget* next = widget->nextInFocusChain(); next != nullptr && next != widget;
         next = next->nextInFocusChain()) {
        if ((next->focusPolicy() & Qt::TabFocus) && next->isEnabled())
            return next;
    }
    return nullptr;
}

}  // namespace guitest
