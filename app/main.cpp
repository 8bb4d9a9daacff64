#include "checkcommand.h"
#include "commandline.h"
#include "exportcommand.h"
#include "mainwindow.h"
#include "startup.h"
#include "updatecommand.h"

#include <QApplication>
#include <QNetworkProxyFactory>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    nameApplication();
    Cli::StartRequest request;
    if (argc > 1) {
        // Help, version, checking, updating and exporting answer without a display.
        QCoreApplication core(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        request = Cli::parseCommandLine(QCoreApplication::arguments(), out, err);
        switch (request.mode) {
        case Cli::StartRequest::Mode::Done:
            return request.exitCode;
        case Cli::StartRequest::Mode::Check: {
            Cli::CheckOptions options;
            options.json = request.json;
            options.online = request.online;
            options.fetch.timeoutMs = request.timeoutMs;
            options.fetch.allowPrivateAddresses = request.allowPrivateAddresses;
            options.stopOnInterrupt = true;
            // The proxies of the environment (http_proxy, ...) and the desktop.
            QNetworkProxyFactory::setUseSystemConfiguration(true);
            return Cli::runCheck(request.files, options, QDate::currentDate(), out);
        }
        case Cli::StartRequest::Mode::Update:
            return Cli::runUpdate({request.files.first(), request.settings, request.dryRun},
                                  QDate::currentDate(), out, err);
        case Cli::StartRequest::Mode::Export: {
            Cli::ExportRequest exporting{request.catalog, request.files.first(), request.outDir, request.installer,
                                         request.fromDownload, {}, request.dryRun, request.json, request.answers};
            exporting.fetch.timeoutMs = request.timeoutMs;
            exporting.fetch.allowPrivateAddresses = request.allowPrivateAddresses;
            QNetworkProxyFactory::setUseSystemConfiguration(true);
            return Cli::runExport(exporting, QDate::currentDate(), out, err);
        }
        case Cli::StartRequest::Mode::Window:
            break;
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

    MainWindow window;
    window.show();
    if (!request.files.isEmpty()) {
        // Once the window is up, so that a refusal or a note shows above it.
        QTimer::singleShot(0, &window, [&window, file = request.files.first()] {
            window.importFile(file);
        });
    }
    return app.exec();
}
