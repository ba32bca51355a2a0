#include "BrimwellApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();  // the program itself
    CBrimwellApp app(arguments);
    if (!app.InitInstance())
        return app.StartupExitCode();
    return QApplication::exec();
}
