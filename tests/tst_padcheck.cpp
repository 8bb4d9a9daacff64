// Checking PAD files as "quillet --check" does: the lines it prints for clean,
// broken, advised and refused files, with their severities and exit status,
// alone and together; the problems of a form, also those that weigh one
// field against another; the JSON report; and a run over the real PAD files
// beside the checkout.
#include "padcheck.h"
#include "padreader.h"
#include "padrules.h"
#include "padwriter.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Pad::Severity;
using Pad::TextField;

namespace {

// Fixed so that the fixtures' dates never move into another century.
const QDate Today(2026, 6, 15);

QString fixture(const QString &name)
{
    return testDataPath(u"check/"_s + name);
}

struct CheckRun
{
    QStringList lines;
    int status = -1;
};

CheckRun check(const QStringList &paths)
{
    const QList<Pad::FileCheck> checks = Pad::checkPadFiles(paths, Today);
    CheckRun run;
    for (const Pad::FileCheck &fileCheck : checks)
        run.lines << Pad::checkLines(fileCheck);
    run.status = Pad::worstStatus(checks);
    return run;
}

// The sentence of the rule the value breaks, so that these lines follow its wording.
QString hint(TextField field, const QString &value)
{
    return Pad::ruleHint(field, value).value_or(u"(no hint)"_s);
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path) + u": "_s;
}

QStringList brokenRulesLines()
{
    const QString file = shown(fixture(u"broken-rules.xml"_s));
    using F = TextField;
    return {
        file + u"note: Program Type: \"Careware\" is not in the list"_s,
        file + u"error: Company Website: \"smith.example.com\" does not begin with http:// or https://. "_s
            + hint(F::Company_Website_URL, u"smith.example.com"_s),
        file + u"error: Program Version: \"v. 1.2\" holds a blank. "_s
            + hint(F::Program_Version, u"v. 1.2"_s),
        file + u"error: Release Date: \"12/31/1899\" has the year 1899, before 1900. "_s
            + *Pad::releaseDateHint(QDate(1899, 12, 31)),
        file + u"error: Program Type: must be chosen. "_s + *Pad::programTypeHint(QString()),
        file + u"error: Cost: \"$19.95\" holds a \"$\". "_s + hint(F::Program_Cost_Dollars, u"$"_s),
        file + u"error: Keywords: must be filled"_s,
        file + u"error: Descriptions: \"A widget.\\nIt does one thing well.\" holds a line break. "_s
            + hint(F::Char_Desc_450, u"\n"_s),
        file + u"warning: PAD XML File URL: \"https://smith.example.com/pad.php?id=7\" ends in \".php\", not .xml. "_s
            + hint(F::Application_XML_File_URL, u"https://a/b.php"_s),
        file + u"error: Primary Download URL: \"https://smith.example.com/download\" names no file with an extension. "_s
            + hint(F::Primary_Download_URL, u"https://a/b"_s),
    };
}

// The sentence of the format's rule that a value breaks.
QString formatHint(const QString &path, const QString &value)
{
    return Pad::formatRuleHint(path, value).value_or(u"(no hint)"_s);
}

QStringList otherFieldsLines()
{
    const QString file = shown(fixture(u"other-fields.xml"_s));
    const QString language = u"Program_Info/Program_Language"_s;
    const QString city = u"Company_Info/City_Town"_s;
    const QString desc80 = u"Program_Descriptions/English/Char_Desc_80"_s;
    const QString german45 = u"Program_Descriptions/German/Char_Desc_45"_s;
    return {
        file + u"error: City or town: \"L\" is too short: 1 of at least 2 characters. "_s
            + formatHint(city, u"L"_s),
        file + u"error: Languages: \"English, German\" holds a blank beside a comma. "_s
            + formatHint(language, u" "_s),
        file + u"error: 80 character description: \"A widget.\\nIt does one thing.\" holds a line break. "_s
            + formatHint(desc80, u"\n"_s),
        file + u"error: 45 character description (German): \"Ein Werkzeug, das eine einzige Sache sehr gut macht\" "
               "is too long: 51 of 45 characters. "_s
            + formatHint(german45, QString(46, u'x')),
    };
}

QStringList adviceLines()
{
    const QString file = shown(fixture(u"advice-only.xml"_s));
    return {
        file + u"warning: Program Name: \"Widget 2.1\" ends in a version number. "_s
            + hint(TextField::Program_Name, u"Widget 2.1"_s),
        file + u"warning: Cost: \"19.95\" is a price, but the program is Freeware, which costs "
               "nothing: leave the cost empty or 0"_s,
        file + u"warning: OS Support: \"WinXP,Not Applicable\" ticks Not Applicable together with WinXP"_s,
        file + u"warning: PAD XML File URL: \"https://smith.example.com/pad.php?id=7\" ends in \".php\", not .xml. "_s
            + hint(TextField::Application_XML_File_URL, u"https://a/b.php"_s),
    };
}

// A form that breaks no rule.
Pad::PadValues cleanForm()
{
    using F = TextField;
    Pad::PadValues v;
    v.text(F::Company_Name) = u"Smith Software"_s;
    v.text(F::Company_Website_URL) = u"https://smith.example.com"_s;
    v.text(F::Contact_Email) = u"jo@smith.example.com"_s;
    v.text(F::Program_Name) = u"Widget"_s;
    v.text(F::Program_Version) = u"1.2.0"_s;
    v.text(F::File_Size_Bytes) = u"1048576"_s;
    v.text(F::Keywords) = u"widget, tool"_s;
    v.text(F::Char_Desc_450) = u"A widget that does one thing well."_s;
    v.text(F::Application_Info_URL) = u"https://smith.example.com/widget"_s;
    v.text(F::Application_XML_File_URL) = u"https://smith.example.com/widget.xml"_s;
    v.text(F::Primary_Download_URL) = u"https://smith.example.com/widget.exe"_s;
    v.releaseDate = QDate(2025, 6, 3);
    v.programType = u"Shareware"_s;
    v.osSupport = QStringList{u"WinXP"_s, u"Linux"_s};
    return v;
}

} // namespace

namespace QTest {
template <>
char *toString(const Pad::CheckProblem &problem)
{
    return toString(Pad::severityName(problem.severity) + u" | "_s
                    + problem.path.value_or(u"(null)"_s) + u" | "_s
                    + problem.value.value_or(u"(null)"_s) + u" | "_s + problem.message);
}
} // namespace QTest

using Problems = QList<Pad::CheckProblem>;

class TestPadCheck : public QObject
{
    Q_OBJECT
private slots:
    void checkFiles_data();
    void checkFiles();
    void formProblems_data();
    void formProblems();
    void quotedValue_data();
    void quotedValue();
    void jsonReport();
    void formatProblems_data();
    void formatProblems();
    void generatedFileKeepsTheFormat();
    void samples();
    void prefixedTwinChecksTheSame_data();
    void prefixedTwinChecksTheSame();
};

void TestPadCheck::checkFiles_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("status");

    const QString clean = fixture(u"clean.xml"_s);
    const QString broken = fixture(u"broken-rules.xml"_s);
    const QString refused = fixture(u"refused.xml"_s);
    const QString unknownOs = fixture(u"unknown-os.xml"_s);
    const QString advice = fixture(u"advice-only.xml"_s);
    const QString noteOnly = fixture(u"note-only.xml"_s);
    const QString missing = fixture(u"never-written.xml"_s);
    const QString refusedLine =
        shown(refused) + u"error: its document element is <XML_PAD>, not <XML_DIZ_INFO>"_s;

    QTest::newRow("no files") << QStringList() << QStringList() << 0;
    QTest::newRow("clean") << QStringList{clean} << QStringList() << 0;
    QTest::newRow("broken rules, a note, an empty required field and type")
        << QStringList{broken} << brokenRulesLines() << 1;
    // Download sites want a system; the note says why the list is empty.
    QTest::newRow("no known system")
        << QStringList{unknownOs}
        << QStringList{shown(unknownOs) + u"note: OS Support: \"Amiga\" is not in the list"_s,
                       shown(unknownOs) + u"error: OS Support: must have at least one system ticked"_s}
        << 1;
    QTest::newRow("today's systems are known")
        << QStringList{fixture(u"today-systems.xml"_s)} << QStringList() << 0;
    QTest::newRow("advice only") << QStringList{advice} << adviceLines() << 0;
    // Empty values and elements the format does not know are left alone.
    QTest::newRow("other fields breaking the format's rules")
        << QStringList{fixture(u"other-fields.xml"_s)} << otherFieldsLines() << 1;
    // No date, or one that does not exist, stops Generate in the window as an empty field does.
    const QString undated = fixture(u"undated.xml"_s);
    const QString impossibleDate = fixture(u"impossible-date.xml"_s);
    QTest::newRow("no release date")
        << QStringList{undated}
        << QStringList{shown(undated) + u"note: Release Date: not given in the file"_s,
                       shown(undated) + u"error: Release Date: must be filled"_s}
        << 1;
    QTest::newRow("30 February")
        << QStringList{impossibleDate}
        << QStringList{shown(impossibleDate) + u"note: Release Date: \"02/30/2025\" is not a valid date"_s,
                       shown(impossibleDate) + u"error: Release Date: must be filled"_s}
        << 1;
    QTest::newRow("a note only")
        << QStringList{noteOnly}
        << QStringList{shown(noteOnly) + u"note: OS Support: \"Amiga\" is not in the list"_s} << 0;
    QTest::newRow("refused") << QStringList{refused} << QStringList{refusedLine} << 2;
    QTest::newRow("missing")
        << QStringList{missing}
        << QStringList{shown(missing) + u"error: the file cannot be opened (No such file or directory)"_s}
        << 2;
    QTest::newRow("refused first, then broken and clean")
        << QStringList{refused, broken, clean} << QStringList{refusedLine} + brokenRulesLines()
        << 2;
    QTest::newRow("clean and broken") << QStringList{clean, broken} << brokenRulesLines() << 1;
    QTest::newRow("advice and broken")
        << QStringList{advice, broken} << adviceLines() + brokenRulesLines() << 1;
}

void TestPadCheck::checkFiles()
{
    QFETCH(QStringList, paths);
    QFETCH(QStringList, lines);
    QFETCH(int, status);

    const CheckRun run = check(paths);
    QCOMPARE(run.lines, lines);
    QCOMPARE(run.status, status);
}

void TestPadCheck::formProblems_data()
{
    QTest::addColumn<Pad::PadValues>("values");
    QTest::addColumn<Problems>("problems");

    const auto filled = [](const char *element, const char *field) {
        return Pad::CheckProblem{Severity::Error, QLatin1String(element), std::nullopt,
                                 QLatin1String(field) + u": must be filled"_s};
    };
    const Pad::CheckProblem noType{Severity::Error, u"Program_Info/Program_Type"_s, std::nullopt,
                                   u"Program Type: must be chosen. "_s
                                       + *Pad::programTypeHint(QString())};
    const Pad::CheckProblem noSystem{Severity::Error, u"Program_Info/Program_OS_Support"_s, std::nullopt,
                                     u"OS Support: must have at least one system ticked"_s};

    // Every required field is reported, not only the first the window would stop at.
    Pad::PadValues empty;
    empty.releaseDate = Today;
    QTest::newRow("empty form")
        << empty
        << Problems{filled("Company_Info/Company_Name", "Company Name"),
                    filled("Company_Info/Company_WebSite_URL", "Company Website"),
                    filled("Company_Info/Contact_Info/Contact_Email", "Contact E-mail"),
                    filled("Program_Info/Program_Name", "Program Name"),
                    filled("Program_Info/Program_Version", "Program Version"), noType,
                    filled("Program_Info/File_Info/File_Size_Bytes", "File Size"), noSystem,
                    filled("Program_Descriptions/English/Keywords", "Keywords"),
                    filled("Program_Descriptions/English/Char_Desc_450", "Descriptions"),
                    filled("Web_Info/Application_URLs/Application_Info_URL", "Application Info URL"),
                    filled("Web_Info/Application_URLs/Application_XML_File_URL", "PAD XML File URL"),
                    filled("Web_Info/Download_URLs/Primary_Download_URL", "Primary Download URL")};
    QTest::newRow("clean") << cleanForm() << Problems{};

    const auto priced = [](const char *type, const char *cost) {
        Pad::PadValues v = cleanForm();
        v.programType = QLatin1String(type);
        v.text(TextField::Program_Cost_Dollars) = QLatin1String(cost);
        return v;
    };
    const auto freeWithPrice = [](const char *type, const char *cost) {
        return Problems{{Severity::Warning, u"Program_Info/Program_Cost_Dollars"_s, QLatin1String(cost),
                         u"Cost: \"%1\" is a price, but the program is %2, which costs nothing: "
                         "leave the cost empty or 0"_s.arg(QLatin1String(cost), QLatin1String(type))}};
    };
    QTest::newRow("Freeware with a price") << priced("Freeware", "19.95") << freeWithPrice("Freeware", "19.95");
    QTest::newRow("Adware with a price") << priced("Adware", "5") << freeWithPrice("Adware", "5");
    QTest::newRow("Freeware for 0") << priced("Freeware", "0") << Problems{};
    QTest::newRow("Freeware for 0.00") << priced("Freeware", "0.00") << Problems{};
    QTest::newRow("Freeware without a cost") << priced("Freeware", "") << Problems{};
    QTest::newRow("Shareware with a price") << priced("Shareware", "19.95") << Problems{};
    QTest::newRow("Demo for nothing") << priced("Demo", "0") << Problems{};

    const auto systems = [](const QStringList &ticked) {
        Pad::PadValues v = cleanForm();
        v.osSupport = ticked;
        return v;
    };
    QTest::newRow("Not Applicable alone") << systems({u"Not Applicable"_s}) << Problems{};
    QTest::newRow("Not Applicable and two systems")
        << systems({u"Win95"_s, u"Linux"_s, u"Not Applicable"_s})
        << Problems{{Severity::Warning, u"Program_Info/Program_OS_Support"_s, u"Win95,Linux,Not Applicable"_s,
                     u"OS Support: \"Win95,Linux,Not Applicable\" ticks Not Applicable together "
                     "with Win95, Linux"_s}};
    QTest::newRow("no system") << systems({}) << Problems{noSystem};

    Pad::PadValues typeless = cleanForm();
    typeless.programType.clear();
    QTest::newRow("no program type") << typeless << Problems{noType};

    // The element's path spells "WebSite" as the file does.
    Pad::PadValues site = cleanForm();
    site.text(TextField::Company_Website_URL) = u"www.smith.example.com"_s;
    QTest::newRow("website without a scheme")
        << site
        << Problems{{Severity::Error, u"Company_Info/Company_WebSite_URL"_s, u"www.smith.example.com"_s,
                     u"Company Website: \"www.smith.example.com\" does not begin with http:// or "
                     "https://. "_s + hint(TextField::Company_Website_URL, u"x"_s)}};

    Pad::PadValues future = cleanForm();
    future.releaseDate = QDate(2200, 1, 2);
    QTest::newRow("release in 2200")
        << future
        << Problems{{Severity::Error, u"Program_Info/Program_Release_Year"_s, u"1/2/2200"_s,
                     u"Release Date: \"1/2/2200\" has the year 2200, after 2199. "_s
                         + *Pad::releaseDateHint(future.releaseDate)}};
}

void TestPadCheck::formProblems()
{
    QFETCH(Pad::PadValues, values);
    QFETCH(Problems, problems);
    QCOMPARE(Pad::formProblems(values), problems);
}

void TestPadCheck::quotedValue_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");

    const QString sixty(60, u'x');
    QTest::newRow("short") << u"Widget"_s << u"\"Widget\""_s;
    QTest::newRow("60 characters") << sixty << u'"' + sixty + u'"';
    QTest::newRow("61 characters") << sixty + u'y' << u'"' + sixty + u"\u2026\""_s;
    QTest::newRow("512 characters") << QString(512, u'd') << u'"' + QString(60, u'd') + u"\u2026\""_s;
    QTest::newRow("line breaks and a tab")
        << u"one\r\ntwo\tthree"_s << u"\"one\\r\\ntwo\\tthree\""_s;
    // A file's value may hold C1 controls and DEL, which XML allows and some terminals obey.
    QTest::newRow("other control characters")
        << u"a\u0085b\u009bc\u007fd\u0007e"_s << u"\"a\\x85b\\x9bc\\x7fd\\x07e\""_s;
    QTest::newRow("a character beyond the BMP at the cut")
        << QString(59, u'x') + u"\U0001F600"_s + u"more"_s << u'"' + QString(59, u'x') + u"\u2026\""_s;
}

void TestPadCheck::quotedValue()
{
    QFETCH(QString, value);
    QFETCH(QString, shown);
    QCOMPARE(Pad::quotedValue(value), shown);
}

// Read back as a script reads it: every file and problem with exactly the
// documented keys, null where there is nothing, and the lines' messages.
void TestPadCheck::jsonReport()
{
    const QStringList paths{fixture(u"refused.xml"_s), fixture(u"broken-rules.xml"_s),
                            fixture(u"advice-only.xml"_s)};
    const QList<Pad::FileCheck> checks = Pad::checkPadFiles(paths, Today);
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(Pad::checkReport(checks).toJson(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(document.object().keys(), QStringList{u"files"_s});
    const QJsonArray files = document.object().value(u"files"_s).toArray();
    QCOMPARE(files.size(), 3);

    const QList<int> statuses{2, 1, 0};
    const QList<QStringList> lines{
        {}, brokenRulesLines(), adviceLines()};
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QJsonObject file = files[i].toObject();
        QCOMPARE(file.keys(), (QStringList{u"file"_s, u"problems"_s, u"reason"_s, u"status"_s}));
        QCOMPARE(file.value(u"file"_s).toString(), QDir::toNativeSeparators(paths[i]));
        QCOMPARE(file.value(u"status"_s).toInt(-1), statuses[i]);
        QCOMPARE(file.value(u"reason"_s).isNull(), i != 0);
        const QJsonArray problems = file.value(u"problems"_s).toArray();
        QCOMPARE(problems.size(), lines[i].size());
        for (qsizetype p = 0; p < problems.size(); ++p) {
            const QJsonObject problem = problems[p].toObject();
            QCOMPARE(problem.keys(),
                     (QStringList{u"field"_s, u"message"_s, u"severity"_s, u"value"_s}));
            const QString severity = problem.value(u"severity"_s).toString();
            QCOMPARE(shown(paths[i]) + severity + u": "_s + problem.value(u"message"_s).toString(),
                     lines[i][p]);
        }
    }
    QCOMPARE(files[0].toObject().value(u"reason"_s).toString(),
             u"its document element is <XML_PAD>, not <XML_DIZ_INFO>"_s);

    const auto problemAt = [&](int file, int index) {
        return files[file].toObject().value(u"problems"_s).toArray()[index].toObject();
    };
    const auto expect = [](const QJsonObject &problem, const QJsonValue &field,
                           const QJsonValue &value, const char *severity) {
        QCOMPARE(problem.value(u"field"_s), field);
        QCOMPARE(problem.value(u"value"_s), value);
        QCOMPARE(problem.value(u"severity"_s).toString(), QLatin1String(severity));
    };
    expect(problemAt(1, 0), u"Program_Info/Program_Type"_s, QJsonValue::Null, "note");
    expect(problemAt(1, 1), u"Company_Info/Company_WebSite_URL"_s, u"smith.example.com"_s, "error");
    expect(problemAt(1, 3), u"Program_Info/Program_Release_Year"_s, u"12/31/1899"_s, "error");
    expect(problemAt(1, 4), u"Program_Info/Program_Type"_s, QJsonValue::Null, "error");
    expect(problemAt(1, 6), u"Program_Descriptions/English/Keywords"_s, QJsonValue::Null, "error");
    // The value whole, where the message shows it escaped and quoted.
    expect(problemAt(1, 7), u"Program_Descriptions/English/Char_Desc_450"_s, u"A widget.\nIt does one thing well."_s, "error");
    expect(problemAt(2, 1), u"Program_Info/Program_Cost_Dollars"_s, u"19.95"_s, "warning");
}

// What each kind of the format's rules says a value breaks.
void TestPadCheck::formatProblems_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message"); // empty: no problem

    const auto row = [](const char *name, const QString &path, const QString &value,
                        const QString &what) {
        const QString message = what.isEmpty()
                                    ? QString()
                                    : Pad::fieldDisplayName(path) + u": "_s + Pad::quotedValue(value)
                                          + u' ' + what + u". "_s + formatHint(path, value);
        QTest::newRow(name) << path << value << message;
    };
    row("a character the class refuses", u"Company_Info/Country"_s, u"France (EU)"_s,
        u"holds a \"(\""_s);
    row("a tab", u"Company_Info/Zip_Postal_Code"_s, u"12\t34"_s, u"holds a tab"_s);
    row("markup", u"Permissions/EULA"_s, u"Use <b>freely</b>"_s, u"holds a \"<\""_s);
    row("too long", u"Company_Info/Address_1"_s, QString(41, u'a'), u"is too long: 41 of 40 characters"_s);
    row("too short, though empty is allowed", u"Press_Release/Headline"_s, u"Short"_s,
        u"is too short: 5 of at least 20 characters"_s);
    row("not in a list", u"Program_Info/Program_Release_Status"_s, u"Final"_s,
        u"is not in the format's list"_s);
    row("a language the list lacks", u"Program_Info/Program_Language"_s, u"English,Klingon"_s,
        u"names \"Klingon\", which is not in the format's list of languages"_s);
    row("an address without its extension", u"Web_Info/Application_URLs/Application_Icon_URL"_s,
        u"https://example.com/icon.bmp"_s, u"does not fit the format's pattern"_s);
    row("a yes or no", u"ASP/ASP_Member"_s, u"Yes"_s, u"does not fit the format's pattern"_s);
    row("a value that keeps the rule", u"Company_Info/Country"_s, u"France"_s, QString());
    row("empty", u"Company_Info/Country"_s, QString(), QString());
    row("a window's field, checked by its own rules", u"Company_Info/Company_Name"_s, u"X"_s, QString());
    row("an element the format does not know", u"Program_Info/Includes_JAVA_VM"_s, u"perhaps"_s, QString());
}

void TestPadCheck::formatProblems()
{
    QFETCH(QString, path);
    QFETCH(QString, value);
    QFETCH(QString, message);
    const Problems problems = Pad::formatProblems({{path, value}});
    if (message.isEmpty()) {
        QCOMPARE(problems, Problems());
        return;
    }
    QCOMPARE(problems, (Problems{{Severity::Error, path, value, message}}));
}

// What Generate writes keeps the format's rules, whatever the form holds.
void TestPadCheck::generatedFileKeepsTheFormat()
{
    QString reason;
    for (const Pad::PadValues &values : {cleanForm(), goldenForm(), Pad::PadValues()}) {
        const std::optional<Pad::PadDocument> written =
            Pad::loadPad(Pad::padFileBytes(Pad::padFileLines(values)), Today, &reason);
        QVERIFY2(written, qPrintable(reason));
        QCOMPARE(Pad::formatProblems(written->leaves), Problems());
    }
}

// Each real file, checked alone: refused files give exactly the reader's
// reason, other files the status their lines' severities give.
void TestPadCheck::samples()
{
    if (!QDir(samplesDir()).exists())
        QSKIP("The real PAD files are not here: they live in ../shared/pad-samples beside the checkout.");
    QDirIterator it(samplesDir(), {u"*.xml"_s}, QDir::Files);
    QStringList paths;
    while (it.hasNext())
        paths << it.next();
    paths.sort();
    QVERIFY(!paths.isEmpty());

    int worst = 0;
    for (const QString &path : std::as_const(paths)) {
        const QString start = shown(path);
        QString error;
        const bool read = Pad::loadPadFile(path, Today, &error).has_value();
        const CheckRun run = check({path});
        worst = std::max(worst, run.status);
        bool anError = false;
        for (const QString &line : run.lines) {
            QVERIFY2(line.startsWith(start) && line.size() > start.size(), qPrintable(line));
            QVERIFY2(!line.contains(u"Cannot import"_s), qPrintable(line));
            const QString rest = line.mid(start.size());
            QVERIFY2(rest.startsWith(u"error: "_s) || rest.startsWith(u"warning: "_s)
                         || rest.startsWith(u"note: "_s),
                     qPrintable(line));
            anError = anError || rest.startsWith(u"error: "_s);
        }
        if (!read) {
            QCOMPARE(run.status, 2);
            QCOMPARE(run.lines.size(), 1);
            QVERIFY2(error.endsWith(run.lines.constFirst().mid(start.size() + 7)), qPrintable(error));
        } else {
            QCOMPARE(run.status, anError ? 1 : 0);
        }
    }
    QCOMPARE(check(paths).status, worst);
}

// A file whose elements carry a namespace prefix is checked as its twin
// without one, the rules of the format's other fields included.
void TestPadCheck::prefixedTwinChecksTheSame_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"clean.xml", "broken-rules.xml", "unknown-os.xml", "advice-only.xml",
                             "note-only.xml", "other-fields.xml", "today-systems.xml"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestPadCheck::prefixedTwinChecksTheSame()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString twin = dir.filePath(name);
    QVERIFY(writeFile(twin, withPrefix(readAll(fixture(name)))));
    const CheckRun plain = check({fixture(name)});
    const CheckRun prefixed = check({twin});
    QStringList expected = plain.lines;
    expected.replaceInStrings(shown(fixture(name)), shown(twin));
    QCOMPARE(prefixed.lines, expected);
    QCOMPARE(prefixed.status, plain.status);
}

QTEST_GUILESS_MAIN(TestPadCheck)
#include "tst_padcheck.moc"
