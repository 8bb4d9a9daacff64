#pragma once

#include "exportplan.h"

#include <QString>
#include <QStringList>

class QTextStream;

namespace Cli {

// What the command line asks for. Answering --help, --help-all, --version,
// --check, --update and --export needs no display, so they are told apart before any
// window exists.
struct StartRequest
{
    enum class Mode {
        Window, // open the window, importing files.first() when given
        Check,  // check files without a window
        Update, // update files.first() in place without a window
        Export, // export files.first() to a catalog without a window
        Done,   // answered already (help, version, a usage error): exit with exitCode
    };
    Mode mode = Mode::Window;
    QStringList files;
    bool json = false; // with Check: one JSON document instead of lines
    bool online = false; // with Check: fetch each file's addresses too
    int timeoutMs = 15000; // with Check and Export: the deadline per address fetched
    bool allowPrivateAddresses = false; // with Check and Export: fetch loopback and private networks too
    QStringList settings; // with Update: each --set NAME=VALUE, in order
    bool dryRun = false;  // with Update and Export: show the changes, write nothing
    // With Export: the catalog, where the files go, the installer to read
    // and the answers to what the PAD file lacks.
    Export::Catalog catalog = Export::Catalog::Winget;
    QString outDir;
    QString installer; // a file or an http or https address
    bool fromDownload = false; // the installer from the PAD file's Primary_Download_URL
    Export::Answers answers;
    int exitCode = 0;
    // Qt's -platform and -display, which decide whether a window can open.
    QString platform;
    QString display;
};

// arguments include the program's name first, as QCoreApplication::arguments()
// gives them. Help and version go to out, usage errors to err. The options
// every Qt program takes (-style Fusion, -reverse, ...) are accepted in any
// mode; QApplication acts on them when the window opens.
StartRequest parseCommandLine(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace Cli
