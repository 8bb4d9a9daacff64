#include "commandline.h"
#include "mainwindow.h"
#include "startup.h"
#include "updatecommand.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    nameApplication();
    StartRequest request;
    if (argc > 1) {
        // Help, version, checking and updating answer without a display.
        QCoreApplication core(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        request = parseCommandLine(QCoreApplication::arguments(), out, err);
        if (request.mode == StartRequest::Mode::Done)
            return request.exitCode;
        if (request.mode == StartRequest::Mode::Check)
            return runCheck(request, QDate::currentDate(), out);
        if (request.mode == StartRequest::Mode::Update) {
            return Pad::runUpdate({request.files.first(), request.settings, request.dryRun},
                                  QDate::currentDate(), out, err);
        }
    }

    if (!displayAvailable(request.platform, request.display)) {
        std::fputs("Quillet needs a graphical display: set DISPLAY or WAYLAND_DISPLAY "
                   "(or run it inside a desktop session). Without one, quillet --check FILE "
                   "checks PAD files.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    configureApplication(app);

    TFMain FMain;
    FMain.show();
    if (!request.files.isEmpty()) {
        // Once the window is up, so that a refusal or a note shows above it.
        QTimer::singleShot(0, &FMain, [&FMain, file = request.files.first()] {
            FMain.importFile(file);
        });
    }
    return app.exec();
}
