#include "mainwindow.h"
#include "startup.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fputs("Quillet needs a graphical display: set DISPLAY or WAYLAND_DISPLAY "
                    "(or run it inside a desktop session).\n",
                    stderr);
        return 1;
    }
    QApplication app(argc, argv);
    configureApplication(app);

    TFMain FMain;
    FMain.show();
    return app.exec();
}
