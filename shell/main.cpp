#include "BrimwellApp.h"
#include "CommandLineHelp.h"
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
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();  // the program itself
    CBrimwellApp app(arguments);
    if (!app.InitInstance())
        return app.StartupExitCode();
    return QApplication::exec();
}
