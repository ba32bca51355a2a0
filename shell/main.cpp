#include "BrimwellApp.h"
#include "CommandLineHelp.h"
#include "PathText.h"
#include "ResourcePaths.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    // Answered before Qt starts, so they work without a display.
    if (std::optional<int> status = commandlinehelp::Answer(argc, argv))
        return *status;
    QApplication application(argc, argv);
    QIcon icon;
    for (const char* size : {respaths::kIcon16, respaths::kIcon32, respaths::kIcon48, respaths::kIcon256})
        icon.addFile(QString::fromLatin1(size));
    QApplication::setWindowIcon(icon);
    // From argv itself: a file name's bytes reach the reader as they are,
    // where Qt's decoded arguments would lose those not valid in the
    // encoding.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(pathtext::Display(argv[i]));
    CBrimwellApp app(arguments);
    if (!app.InitInstance())
        return app.StartupExitCode();
    return QApplication::exec();
}
