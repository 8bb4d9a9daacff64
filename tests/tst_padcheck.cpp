// Checking PAD files as "quillet --check" does: the lines it prints for clean,
// broken and refused files and its exit status, alone and together, and its
// run over the real PAD files beside the checkout.
#include "padcheck.h"
#include "padreader.h"
#include "padrules.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QTest>
#include <QTextStream>

using namespace Qt::StringLiterals;
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
    QString output;
    QTextStream out(&output);
    CheckRun run;
    run.status = Pad::checkPadFiles(paths, Today, out);
    run.lines = output.split(u'\n');
    if (run.lines.constLast().isEmpty())
        run.lines.removeLast();
    return run;
}

// The hint the rules give the value, so that these lines follow their wording.
QString hint(TextField field, const QString &value)
{
    return Pad::ruleHint(field, value).value_or(u"(no hint)"_s);
}

QStringList brokenRulesLines()
{
    const QString file = QDir::toNativeSeparators(fixture(u"broken-rules.xml"_s)) + u": "_s;
    using F = TextField;
    return {
        file + u"Program Type: Careware is not in the list"_s,
        file + u"Company Website: "_s + hint(F::Company_Website_URL, u"smith.example.com"_s),
        file + u"Program Version: "_s + hint(F::Program_Version, u"v. 1.2"_s),
        file + u"Release Date: "_s + *Pad::releaseDateHint(QDate(1899, 12, 31)),
        file + u"Cost: "_s + hint(F::Program_Cost_Dollars, u"$19.95"_s),
        file + u"Keywords: must be filled"_s,
        file + u"Descriptions: "_s + hint(F::Char_Desc_450, u"A\nB"_s),
        file + u"PAD XML File URL: "_s + hint(F::Application_XML_File_URL, u"https://a/b.php"_s),
        file + u"Primary Download URL: "_s + hint(F::Primary_Download_URL, u"https://a/b"_s),
    };
}

} // namespace

class TestPadCheck : public QObject
{
    Q_OBJECT
private slots:
    void checkFiles_data();
    void checkFiles();
    void formProblemsOfAnEmptyForm();
    void samples();
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
    const QString missing = fixture(u"never-written.xml"_s);
    const auto shown = [](const QString &path) { return QDir::toNativeSeparators(path) + u": "_s; };
    const QString refusedLine =
        shown(refused) + u"its document element is <XML_PAD>, not <XML_DIZ_INFO>"_s;

    QTest::newRow("no files") << QStringList() << QStringList() << 0;
    QTest::newRow("clean") << QStringList{clean} << QStringList() << 0;
    QTest::newRow("broken rules, a note and an empty required field")
        << QStringList{broken} << brokenRulesLines() << 1;
    // Generate would stop at the empty OS list; the note is the one line about it.
    QTest::newRow("no known system")
        << QStringList{unknownOs}
        << QStringList{shown(unknownOs) + u"OS Support: Amiga is not in the list"_s} << 1;
    QTest::newRow("today's systems are known")
        << QStringList{fixture(u"today-systems.xml"_s)} << QStringList() << 0;
    QTest::newRow("refused") << QStringList{refused} << QStringList{refusedLine} << 2;
    QTest::newRow("missing")
        << QStringList{missing}
        << QStringList{shown(missing) + u"the file cannot be opened (No such file or directory)"_s}
        << 2;
    QTest::newRow("refused first, then broken and clean")
        << QStringList{refused, broken, clean} << QStringList{refusedLine} + brokenRulesLines()
        << 2;
    QTest::newRow("clean and broken") << QStringList{clean, broken} << brokenRulesLines() << 1;
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

// Every required field is reported, not only the first the window would stop at.
void TestPadCheck::formProblemsOfAnEmptyForm()
{
    Pad::PadValues values;
    values.releaseDate = Today;
    const QStringList problems = Pad::formProblems(values);
    QCOMPARE(problems,
             (QStringList{u"Company Name: must be filled"_s, u"Company Website: must be filled"_s,
                          u"Contact E-mail: must be filled"_s, u"Program Name: must be filled"_s,
                          u"Program Version: must be filled"_s, u"File Size: must be filled"_s,
                          u"Keywords: must be filled"_s, u"Descriptions: must be filled"_s,
                          u"Application Info URL: must be filled"_s,
                          u"PAD XML File URL: must be filled"_s,
                          u"Primary Download URL: must be filled"_s}));
}

// Each real file, checked alone: refused files give exactly the reader's
// reason, other files a status that matches whether anything was printed.
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
        const QString start = QDir::toNativeSeparators(path) + u": "_s;
        QString error;
        const bool read = Pad::readPadFile(path, Today, &error).has_value();
        const CheckRun run = check({path});
        worst = std::max(worst, run.status);
        for (const QString &line : run.lines) {
            QVERIFY2(line.startsWith(start) && line.size() > start.size(), qPrintable(line));
            QVERIFY2(!line.contains(u"Cannot import"_s), qPrintable(line));
        }
        if (!read) {
            QCOMPARE(run.status, 2);
            QCOMPARE(run.lines.size(), 1);
            QVERIFY2(error.endsWith(run.lines.constFirst().mid(start.size())), qPrintable(error));
        } else {
            QCOMPARE(run.status, run.lines.isEmpty() ? 0 : 1);
        }
    }
    QCOMPARE(check(paths).status, worst);
}

QTEST_GUILESS_MAIN(TestPadCheck)
#include "tst_padcheck.moc"
