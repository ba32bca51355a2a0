#include "AppCommandIds.h"
#include "AppCommandTable.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CommandIds.h"
#include "CommandRouter.h"

#include <QAction>

#include <gtest/gtest.h>

#include <memory>

TEST(CommandRouter, HandlersGoWithTheirOwner)
{
    CommandRouter router(appcommands::Table());
    QAction* action = router.Action(ID_VIEW_ZOOM_IN);
    int runs = 0;
    {
        QObject owner;
        router.SetHandler(&owner, ID_VIEW_ZOOM_IN, [&runs] { ++runs; });
        EXPECT_TRUE(action->isEnabled());
        EXPECT_TRUE(router.Execute(ID_VIEW_ZOOM_IN));
        EXPECT_EQ(runs, 1);
    }
    // Gone with its owner: grey at once, and nothing runs.
    EXPECT_FALSE(action->isEnabled());
    EXPECT_FALSE(router.IsEnabled(ID_VIEW_ZOOM_IN));
    EXPECT_FALSE(router.Execute(ID_VIEW_ZOOM_IN));
    EXPECT_EQ(runs, 1);

    // A handler that replaced another's stays when the first owner goes.
    auto first = std::make_unique<QObject>();
    QObject second;
    router.SetHandler(first.get(), ID_VIEW_ZOOM_OUT, [&runs] { runs += 10; });
    router.SetHandler(&second, ID_VIEW_ZOOM_OUT, [&runs] { runs += 100; });
    first.reset();
    EXPECT_TRUE(router.Execute(ID_VIEW_ZOOM_OUT));
    EXPECT_EQ(runs, 101);

    // An update or check handler goes on its own, leaving the command to
    // its handler.
    {
        QObject watcher;
        router.SetUpdateHandler(&watcher, ID_VIEW_ZOOM_OUT, [] { return false; });
        router.SetCheckHandler(&watcher, ID_VIEW_ZOOM_OUT, [] { return true; });
        EXPECT_FALSE(router.Execute(ID_VIEW_ZOOM_OUT));
        EXPECT_TRUE(router.Action(ID_VIEW_ZOOM_OUT)->isChecked());
    }
    router.UpdateCommandUI();
    EXPECT_TRUE(router.Action(ID_VIEW_ZOOM_OUT)->isEnabled());
    EXPECT_FALSE(router.Action(ID_VIEW_ZOOM_OUT)->isCheckable());
    EXPECT_TRUE(router.Execute(ID_VIEW_ZOOM_OUT));
    EXPECT_EQ(runs, 201);
}

TEST(CommandRouter, AClosedViewLeavesItsCommandsGrey)
{
    CommandRouter router(appcommands::Table());
    CBrimwellDoc document;
    auto view = std::make_unique<CBrimwellView>(&document, &router);
    const int viewCommands[] = {ID_VIEW_ZOOM_IN,   ID_VIEW_ZOOM_OUT,  ID_VIEW_FIT_WINDOW, ID_VIEW_FIT_WIDTH,
                                ID_VIEW_REAL_SIZE, ID_VIEW_SHOW_INFO, ID_EDIT_COPY,       ID_FILE_PRINT,
                                ID_FILE_PRINT_DIRECT, ID_FILE_PRINT_PREVIEW};
    for (int id : viewCommands)
        EXPECT_TRUE(router.IsEnabled(id)) << id;
    view.reset();
    // Running one now would call into the destroyed view.
    for (int id : viewCommands) {
        EXPECT_FALSE(router.Action(id)->isEnabled()) << id;
        EXPECT_FALSE(router.Execute(id)) << id;
    }
}
