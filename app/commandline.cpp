#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

namespace {

QString examples()
{
    return QCoreApplication::translate(
        "main", "\nExample, in a release script:\n"
                "  quillet --update pad.xml --set Program_Version=2.1 \\\n"
                "          --set Program_Release_Date=today \\\n"
                "          --set File_Size_Bytes=@dist/setup-2.1.exe \\\n"
                "          --set Primary_Download_URL=https://example.com/setup-2.1.exe\n"
                "Add --dry-run to see the changes first.\n");
}

} // namespace

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
    const QCommandLineOption update(
        QStringLiteral("update"),
        QCoreApplication::translate(
            "main", "Update FILE in place, without a window, as File, Update PAD File does: "
                    "only the elements of changed fields change, and everything the form does "
                    "not show stays. Exit status 0 when written and no field breaks a rule, 1 "
                    "when written and some field breaks a rule (printed as --check prints it), "
                    "2 when nothing was written."),
        QStringLiteral("FILE"));
    parser.addOption(update);
    const QCommandLineOption set(
        QStringLiteral("set"),
        QCoreApplication::translate(
            "main", "With --update: give the field with the element name NAME the VALUE. "
                    "Program_OS_Support takes names separated by commas, Program_Release_Date "
                    "YYYY-MM-DD or today, File_Size_Bytes @PATH for the size of the file at "
                    "PATH. May be given for several fields."),
        QStringLiteral("NAME=VALUE"));
    parser.addOption(set);
    const QCommandLineOption dryRun(
        QStringLiteral("dry-run"),
        QCoreApplication::translate("main", "With --update: print each change as \"Field: old -> "
                                            "new\" and write nothing."));
    parser.addOption(dryRun);
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
        out << (parser.isSet(help) ? parser.helpText() + examples()
                                   : QCoreApplication::applicationName() + u' '
                                         + QCoreApplication::applicationVersion() + u'\n');
        out.flush();
        request.mode = StartRequest::Mode::Done;
        return request;
    }
    request.files = parser.positionalArguments();
    if (parser.isSet(update)) {
        if (parser.isSet(check) || !request.files.isEmpty() || parser.values(update).size() > 1)
            return fail(QCoreApplication::translate("main", "--update takes one FILE and nothing else to do."));
        request.mode = StartRequest::Mode::Update;
        request.files = parser.values(update);
        request.settings = parser.values(set);
        request.dryRun = parser.isSet(dryRun);
        return request;
    }
    if (parser.isSet(set) || parser.isSet(dryRun))
        return fail(QCoreApplication::translate("main", "--set and --dry-run go with --update FILE."));
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
