#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

StartRequest parseCommandLine(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Writes PAD files (Portable Application Description) from one window of "
                "fields and reads them back."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption check(
        QStringLiteral("check"),
        QCoreApplication::translate(
            "main", "Check each FILE against the field rules of the download sites, without "
                    "a window: one line per problem, as \"FILE: Field: what is wrong\". Exit "
                    "status 0 when no file has a problem, 1 when a field breaks a rule or the "
                    "import has a note, 2 when a file cannot be read as a PAD file."));
    parser.addOption(check);
    parser.addPositionalArgument(
        QStringLiteral("file"),
        QCoreApplication::translate("main", "A PAD file to import when the window opens; with "
                                            "--check, the files to check."),
        QStringLiteral("[FILE...]"));

    StartRequest request;
    const auto fail = [&](const QString &message) {
        err << QCoreApplication::applicationName() << ": " << message << '\n'
            << QCoreApplication::translate("main", "Try --help for the usage.") << '\n';
        err.flush();
        request.mode = StartRequest::Mode::Done;
        request.exitCode = 2;
        return request;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help) || parser.isSet(version)) {
        out << (parser.isSet(help) ? parser.helpText()
                                   : QCoreApplication::applicationName() + u' '
                                         + QCoreApplication::applicationVersion() + u'\n');
        out.flush();
        request.mode = StartRequest::Mode::Done;
        return request;
    }
    request.files = parser.positionalArguments();
    if (parser.isSet(check)) {
        if (request.files.isEmpty())
            return fail(QCoreApplication::translate("main", "--check needs at least one FILE."));
        request.mode = StartRequest::Mode::Check;
        return request;
    }
    if (request.files.size() > 1)
        return fail(QCoreApplication::translate("main", "The window opens one PAD file at a time."));
    return request;
}
