#include "commandline.h"

#include "padform.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <algorithm>

namespace Cli {

namespace {

struct QtOption
{
    const char *name;
    const char *valueName; // nullptr: a switch
    const char *description;
};

// The options that QApplication documents and takes off the command line
// before the program sees it (the X11 ones when it runs on X11). Without a
// window they do nothing, but they are accepted there too, as every Qt
// program accepts them.
constexpr QtOption qtOptions[] = {
    {"platform", "platformName[:options]",
     QT_TRANSLATE_NOOP("main", "The platform plugin that shows the window, such as xcb, "
                               "wayland or offscreen, with its options.")},
    {"platformpluginpath", "path",
     QT_TRANSLATE_NOOP("main", "A folder of platform plugins.")},
    {"platformtheme", "theme",
     QT_TRANSLATE_NOOP("main", "The platform theme, such as gtk3.")},
    {"plugin", "plugin",
     QT_TRANSLATE_NOOP("main", "An additional plugin to load; may be given more than once.")},
    {"qwindowgeometry", "geometry",
     QT_TRANSLATE_NOOP("main", "The main window's geometry in X11 syntax, such as 100x100+50+50.")},
    {"qwindowicon", "icon",
     QT_TRANSLATE_NOOP("main", "The default window icon.")},
    {"qwindowtitle", "title",
     QT_TRANSLATE_NOOP("main", "The title of the first window.")},
    {"reverse", nullptr,
     QT_TRANSLATE_NOOP("main", "Lays the window out from right to left.")},
    {"session", "session",
     QT_TRANSLATE_NOOP("main", "Restores the application from an earlier session.")},
    {"style", "style",
     QT_TRANSLATE_NOOP("main", "The widget style, such as Fusion.")},
    {"stylesheet", "stylesheet",
     QT_TRANSLATE_NOOP("main", "A file holding a style sheet for the application.")},
    {"widgetcount", nullptr,
     QT_TRANSLATE_NOOP("main", "Reports at the end how many widgets were left and how many "
                               "existed at most.")},
    {"qmljsdebugger", "value",
     QT_TRANSLATE_NOOP("main", "Activates the QML/JS debugger, as port:1234[,block].")},
    {"display", "display",
     QT_TRANSLATE_NOOP("main", "On X11: the display to use, instead of $DISPLAY.")},
    {"geometry", "geometry",
     QT_TRANSLATE_NOOP("main", "On X11: the same as -qwindowgeometry.")},
    {"icon", "icon",
     QT_TRANSLATE_NOOP("main", "On X11: the same as -qwindowicon.")},
    {"title", "title",
     QT_TRANSLATE_NOOP("main", "On X11: the same as -qwindowtitle.")},
    {"name", "name",
     QT_TRANSLATE_NOOP("main", "On X11: the instance name of the window class.")},
    {"visual", "id",
     QT_TRANSLATE_NOOP("main", "On X11: the X visual to use.")},
    {"nograb", nullptr,
     QT_TRANSLATE_NOOP("main", "On X11: never grabs the mouse (useful in a debugger).")},
    {"dograb", nullptr,
     QT_TRANSLATE_NOOP("main", "On X11: grabs the mouse even in a debugger.")},
};

const QString HelpAll = QStringLiteral("help-all");
const QString Check = QStringLiteral("check");
const QString Json = QStringLiteral("json");
const QString Online = QStringLiteral("online");
const QString Timeout = QStringLiteral("timeout");
const QString AllowPrivate = QStringLiteral("allow-private-addresses");
const QString Update = QStringLiteral("update");
const QString Set = QStringLiteral("set");
const QString DryRun = QStringLiteral("dry-run");
const QString ExportOption = QStringLiteral("export");
const QString Out = QStringLiteral("out");
const QString Installer = QStringLiteral("installer");
const QString FromDownload = QStringLiteral("from-download");

// The options that only go with --export: where, what to read, the answers.
QStringList exportOnlyOptions()
{
    QStringList names{Out, Installer, FromDownload};
    for (int i = 0; i < Export::QuestionCount; ++i)
        names << Export::questionName(Export::Question(i));
    return names;
}

// What each answer's option says in --help.
QString answerHelp(Export::Question question)
{
    using Q = Export::Question;
    switch (question) {
    case Q::Identifier:
        return QCoreApplication::translate("main", "With --export winget: the package identifier, such as "
                                                   "Tarnwick.Widget, instead of Publisher.Name from the PAD file.");
    case Q::License:
        return QCoreApplication::translate("main", "With --export: the licence; for winget any text (instead of "
                                                   "the program type), for AppStream an SPDX expression such as "
                                                   "MIT or LicenseRef-proprietary.");
    case Q::Silent:
        return QCoreApplication::translate("main", "With --export winget: the switches that install a plain exe "
                                                   "silently, such as /S.");
    case Q::SilentWithProgress:
        return QCoreApplication::translate("main", "With --export winget: the switches for a silent install that "
                                                   "shows progress (the silent ones when not given).");
    case Q::Architecture:
        return QCoreApplication::translate("main", "With --export winget: the processor the program is built for "
                                                   "(x86, x64, arm, arm64, neutral), where the installer does not "
                                                   "say it or says another.");
    case Q::AppStreamId:
        return QCoreApplication::translate("main", "With --export appstream: the component id, such as "
                                                   "com.example.Widget, instead of one made from the website and "
                                                   "the name.");
    }
    return QString();
}

// The name --set takes for a field of the form.
QString setName(Pad::TextField field)
{
    return Pad::formField(field).setName();
}

QString setName(Pad::FieldKind kind)
{
    return Pad::formField(kind).setName();
}

QString examples()
{
    return QCoreApplication::translate(
               "main", "\nExample, in a release script:\n"
                       "  quillet --update pad.xml --set %1=2.1 \\\n"
                       "          --set %2=today \\\n"
                       "          --set %3=@dist/setup-2.1.exe \\\n"
                       "          --set %4=https://example.com/setup-2.1.exe \\\n"
                       "          --set Program_Descriptions/English/Char_Desc_80=\"Notes, tidily\"\n"
                       "Add --dry-run to see the changes first.\n")
        .arg(setName(Pad::TextField::Program_Version), setName(Pad::FieldKind::ReleaseDate),
             setName(Pad::TextField::File_Size_Bytes), setName(Pad::TextField::Primary_Download_URL))
        + QCoreApplication::translate(
            "main", "\nExample, publishing the release to winget:\n"
                    "  quillet --export winget pad.xml --installer dist/setup-2.1.exe \\\n"
                    "          --id Tarnwick.Widget --license Freeware --silent /S --out winget-pkgs\n");
}

// --export and the options that go with it.
void describeExportOptions(QCommandLineParser &parser)
{
    parser.addOption(QCommandLineOption(
        ExportOption,
        QCoreApplication::translate(
            "main", "Export the PAD FILE to a catalog, without a window: winget writes the three files "
                    "of a winget manifest (version 1.12.0) in the catalog's folders, "
                    "manifests/<letter>/<Publisher>/<Name>/<version>/; appstream writes "
                    "<id>.metainfo.xml. Prints the files written, then one line per problem as --check "
                    "does (--json: one JSON document). The PAD file is never changed. Exit status 0 "
                    "when written, 1 when written with warnings, 2 when nothing was written (a value "
                    "missing or refused, an unreadable installer)."),
        QStringLiteral("CATALOG")));
    parser.addOption(QCommandLineOption(
        Out, QCoreApplication::translate("main", "With --export: the folder to write into (the current one "
                                                 "by default)."),
        QStringLiteral("DIR")));
    parser.addOption(QCommandLineOption(
        Installer,
        QCoreApplication::translate("main", "With --export winget: the installer, read for its SHA-256, its "
                                            "size (compared with File_Size_Bytes), its kind (msi, msix, zip, "
                                            "inno, nullsoft, burn or exe) and its processor: a file, or an "
                                            "http or https address to download it from, hashed as it comes "
                                            "and never kept (--timeout and --allow-private-addresses as for "
                                            "--check)."),
        QStringLiteral("FILE|URL")));
    parser.addOption(QCommandLineOption(
        FromDownload, QCoreApplication::translate("main", "With --export winget: read the installer from the PAD "
                                                          "file's own download address (Primary_Download_URL), "
                                                          "as --installer URL does.")));
    for (int i = 0; i < Export::QuestionCount; ++i) {
        const auto question = Export::Question(i);
        parser.addOption(QCommandLineOption(Export::questionName(question), answerHelp(question),
                                            QStringLiteral("VALUE")));
    }
}

// The options of --check --online.
void describeOnlineOptions(QCommandLineParser &parser)
{
    parser.addOption(QCommandLineOption(
        Online,
        QCoreApplication::translate(
            "main", "With --check: after the checks of each file, fetch every web address it "
                    "holds as download sites do and report, in the same lines and severities, "
                    "what would not hold up: the PAD file URL must serve this file, each download "
                    "address the file itself (not a page) with the size File_Size_Bytes states, "
                    "the screenshot and icon must be images, and every other address must answer. "
                    "Downloads are never downloaded: a HEAD or their first byte tells. Proxies come "
                    "from the environment and the desktop. Ctrl+C stops it and prints what was "
                    "checked, with exit status 130.")));
    parser.addOption(QCommandLineOption(
        Timeout,
        QCoreApplication::translate(
            "main", "With --check: wait at most SECONDS for each address fetched, redirects and "
                    "all (15 by default)."),
        QStringLiteral("SECONDS")));
    parser.addOption(QCommandLineOption(
        AllowPrivate,
        QCoreApplication::translate(
            "main", "With --check --online, or a FILE given as an address: fetch addresses on "
                    "loopback, private and link-local networks too (a local server tried "
                    "first). Without it they are errors and never fetched: download sites "
                    "cannot reach them.")));
}

// The options of --update.
void describeUpdateOptions(QCommandLineParser &parser)
{
    parser.addOption(QCommandLineOption(
        Update,
        QCoreApplication::translate(
            "main", "Update FILE in place, without a window, as File, Update PAD File does: "
                    "only the elements of changed fields change, and everything the form does "
                    "not show stays. A file that breaks rules already is written all the same; "
                    "then every problem of the updated file is printed as --check prints it. "
                    "Nothing is written when a --set empties a required field that was filled, "
                    "gives a value that is not in its list or a date that does not exist, or "
                    "names no field, or when FILE cannot be read or written. Exit status 0 when "
                    "written and the file has no error, 1 when written and it has one, 2 when "
                    "nothing was written."),
        QStringLiteral("FILE")));
    parser.addOption(QCommandLineOption(
        Set,
        QCoreApplication::translate(
            "main", "With --update: give the field with the element name NAME the VALUE; "
                    "NAME may also be the path below XML_DIZ_INFO of any field of the PAD "
                    "format, such as Program_Descriptions/English/Char_Desc_80. "
                    "%1 takes names separated by commas, %2 YYYY-MM-DD or today, %3 @PATH for "
                    "the size of the file at PATH. May be given for several fields.")
            .arg(setName(Pad::FieldKind::OsSupport), setName(Pad::FieldKind::ReleaseDate),
                 setName(Pad::TextField::File_Size_Bytes)),
        QStringLiteral("NAME=VALUE")));
    parser.addOption(QCommandLineOption(
        DryRun, QCoreApplication::translate("main", "With --update: print each change as "
                                                    "\"Field: old -> new\" and the problems the "
                                                    "updated file would have, and write nothing. With "
                                                    "--export: print the files instead of writing them.")));
}

// Qt's own options; only --help-all lists them.
void describeQtOptions(QCommandLineParser &parser, bool listQtOptions)
{
    for (const QtOption &qt : qtOptions) {
        QCommandLineOption option(QLatin1String(qt.name),
                                  QCoreApplication::translate("main", qt.description));
        if (qt.valueName)
            option.setValueName(QLatin1String(qt.valueName));
        if (!listQtOptions)
            option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// Quillet's own options first, then Qt's, which only --help-all lists.
void describeOptions(QCommandLineParser &parser, bool listQtOptions)
{
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Writes PAD files (Portable Application Description) from one window of "
                "fields and reads them back."));
    // Qt's options begin with one dash, as in -style Fusion.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        Check,
        QCoreApplication::translate(
            "main", "Check each FILE against the field rules of the download sites, and its "
                    "other fields against the PAD format's rules, without a window: one line "
                    "per problem, as \"FILE: severity: Field: \"value\" what is wrong\", the severity being error (download sites refuse it), warning "
                    "(advice) or note (what an import could not take over). Exit status 0 when "
                    "no file has an error, 1 when some file has one, 2 when a file cannot be "
                    "read as a PAD file.")));
    parser.addOption(QCommandLineOption(
        Json, QCoreApplication::translate(
                  "main", "With --check: print one JSON document instead, {\"files\": [{\"file\", "
                          "\"status\", \"reason\", \"problems\": [{\"field\", \"value\", "
                          "\"severity\", \"message\"}]}]}, with the same exit status.")));
    describeOnlineOptions(parser);
    describeUpdateOptions(parser);
    describeExportOptions(parser);
    parser.addPositionalArgument(
        QStringLiteral("file"),
        QCoreApplication::translate("main", "A PAD file to import when the window opens, or to "
                                            "export with --export; with --check, the files to check, each a path or an http "
                                            "or https address (URL) to read it from, at most "
                                            "1 MiB; an address that cannot be read counts as an "
                                            "unreadable file."),
        QStringLiteral("[FILE...]"));
    describeQtOptions(parser, listQtOptions);
}

// Fills request for --export from parser, or returns why it cannot.
std::optional<QString> readExport(const QCommandLineParser &parser, StartRequest &request)
{
    if (parser.isSet(Check) || parser.isSet(Update) || parser.isSet(Set) || parser.isSet(Online)
        || request.files.size() != 1 || parser.values(ExportOption).size() > 1)
        return QCoreApplication::translate("main", "--export takes a catalog and one PAD_FILE, and goes with "
                                                   "neither --check nor --update.");
    const std::optional<Export::Catalog> catalog = Export::catalogNamed(parser.value(ExportOption));
    if (!catalog) {
        return QCoreApplication::translate("main", "--export takes winget or appstream, not \"%1\".")
            .arg(parser.value(ExportOption));
    }
    for (const QString &name : {Installer, FromDownload}) {
        if (*catalog == Export::Catalog::AppStream && parser.isSet(name))
            return QCoreApplication::translate("main", "--%1 goes with --export winget.").arg(name);
    }
    if (parser.isSet(Installer) && parser.isSet(FromDownload))
        return QCoreApplication::translate("main", "--installer and --from-download each name the installer: give one.");
    request.mode = StartRequest::Mode::Export;
    request.catalog = *catalog;
    request.outDir = parser.value(Out);
    request.installer = parser.value(Installer);
    request.fromDownload = parser.isSet(FromDownload);
    request.dryRun = parser.isSet(DryRun);
    for (int i = 0; i < Export::QuestionCount; ++i)
        request.answers[Export::Question(i)] = parser.value(Export::questionName(Export::Question(i)));
    return std::nullopt;
}

// Reads --timeout and --allow-private-addresses, which go with what fetches:
// --check, and --export reading an installer from an address.
std::optional<QString> readFetchOptions(const QCommandLineParser &parser, StartRequest &request)
{
    request.allowPrivateAddresses = parser.isSet(AllowPrivate);
    if (!parser.isSet(Timeout))
        return std::nullopt;
    bool ok = false;
    const double seconds = parser.value(Timeout).toDouble(&ok);
    // A day is more than any server takes, and keeps the milliseconds in an int.
    if (!ok || !(seconds > 0) || seconds > 86400) {
        return QCoreApplication::translate("main", "--timeout takes a number of seconds above 0 and at most "
                                                   "86400, such as 15, not \"%1\".")
            .arg(parser.value(Timeout));
    }
    request.timeoutMs = std::max(1, int(seconds * 1000));
    return std::nullopt;
}

// Why an option that goes with --export was given without it, or nullopt.
std::optional<QString> misplacedExportOption(const QCommandLineParser &parser)
{
    for (const QString &name : exportOnlyOptions()) {
        if (parser.isSet(name))
            return QCoreApplication::translate("main", "--%1 goes with --export.").arg(name);
    }
    return std::nullopt;
}

} // namespace

StartRequest parseCommandLine(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    describeOptions(parser, false);

    StartRequest request;
    const auto answer = [&](const QString &text) {
        out << text;
        out.flush();
        request.mode = StartRequest::Mode::Done;
        return request;
    };
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
    if (parser.isSet(HelpAll)) {
        QCommandLineParser everything;
        describeOptions(everything, true);
        return answer(everything.helpText() + examples());
    }
    if (parser.isSet(QStringLiteral("help")))
        return answer(parser.helpText() + examples());
    if (parser.isSet(QStringLiteral("version"))) {
        return answer(QCoreApplication::applicationName() + u' '
                      + QCoreApplication::applicationVersion() + u'\n');
    }
    request.files = parser.positionalArguments();
    request.platform = parser.value(QStringLiteral("platform"));
    request.display = parser.value(QStringLiteral("display"));
    request.json = parser.isSet(Json);
    if (parser.isSet(ExportOption)) {
        if (const std::optional<QString> wrong = readExport(parser, request))
            return fail(*wrong);
        if (const std::optional<QString> wrong = readFetchOptions(parser, request))
            return fail(*wrong);
        return request;
    }
    if (const std::optional<QString> misplaced = misplacedExportOption(parser))
        return fail(*misplaced);
    if (parser.isSet(Update)) {
        if (parser.isSet(Check) || request.json || !request.files.isEmpty()
            || parser.isSet(Online) || parser.isSet(Timeout) || parser.isSet(AllowPrivate)
            || parser.values(Update).size() > 1)
            return fail(QCoreApplication::translate("main", "--update takes one FILE and nothing else to do."));
        request.mode = StartRequest::Mode::Update;
        request.files = parser.values(Update);
        request.settings = parser.values(Set);
        request.dryRun = parser.isSet(DryRun);
        return request;
    }
    if ((parser.isSet(Online) || parser.isSet(Timeout) || parser.isSet(AllowPrivate)) && !parser.isSet(Check))
        return fail(QCoreApplication::translate("main", "--online, --timeout and --allow-private-addresses go with --check."));
    if (const std::optional<QString> wrong = readFetchOptions(parser, request))
        return fail(*wrong);
    request.online = parser.isSet(Online);
    if (parser.isSet(Set) || parser.isSet(DryRun))
        return fail(QCoreApplication::translate("main", "--set and --dry-run go with --update FILE."));
    if (parser.isSet(Check)) {
        if (request.files.isEmpty())
            return fail(QCoreApplication::translate("main", "--check needs at least one FILE."));
        request.mode = StartRequest::Mode::Check;
        return request;
    }
    if (request.json)
        return fail(QCoreApplication::translate("main", "--json goes with --check."));
    if (request.files.size() > 1)
        return fail(QCoreApplication::translate("main", "The window opens one PAD file at a time."));
    return request;
}

} // namespace Cli
