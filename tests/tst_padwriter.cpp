// The writer: escaping, the pieces of individual lines, the whole file's
// bytes, that every file parses back to what was written, and saving.
#include "padwriter.h"
#include "testsupport.h"

#include <QDomDocument>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <sys/resource.h>

using Pad::TextField;

namespace {

// The text of the first element of that name, as an XML reader sees it.
QString parsedText(const QDomDocument &document, const QString &name)
{
    return document.elementsByTagName(name).at(0).toElement().text();
}

} // namespace

class TestPadWriter : public QObject
{
    Q_OBJECT

private slots:
    void fullFormMatchesGoldenFile();
    void fileBytes();
    void programTypeIsWrittenAsListed_data();
    void programTypeIsWrittenAsListed();

    void escapeContent_data();
    void escapeContent();
    void costElement_data();
    void costElement();
    void osSupportValue_data();
    void osSupportValue();
    void releaseDateNumbers_data();
    void releaseDateNumbers();
    void forceXmlExtension_data();
    void forceXmlExtension();

    void writtenFileParsesToWrittenValues_data();
    void writtenFileParsesToWrittenValues();

    void saveReplacesFile();
    void saveFailureLeavesNothingBehind_data();
    void saveFailureLeavesNothingBehind();
};

void TestPadWriter::fullFormMatchesGoldenFile()
{
    const QByteArray expected = readAll(testDataPath(QStringLiteral("writer/full-form.xml")));
    QVERIFY(!expected.isEmpty());
    const QByteArray written = Pad::padFileBytes(Pad::padFileLines(goldenForm()));
    if (written != expected) {
        const QList<QByteArray> got = written.split('\n');
        const QList<QByteArray> want = expected.split('\n');
        for (qsizetype i = 0; i < std::min(got.size(), want.size()); ++i)
            QCOMPARE(got[i], want[i]);
    }
    QCOMPARE(written, expected);
}

void TestPadWriter::fileBytes()
{
    Pad::PadValues ascii = goldenForm();
    for (QString &text : ascii.texts)
        text = QStringLiteral("plain ascii");
    const QStringList lines = Pad::padFileLines(ascii);
    QCOMPARE(lines.size(), Pad::PadLineCount);

    const QByteArray bytes = Pad::padFileBytes(lines);
    qsizetype sum = 0;
    for (const QString &line : lines)
        sum += line.size();
    QCOMPARE(bytes.size(), sum + 2 * Pad::PadLineCount);
    QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"));
    QVERIFY(bytes.endsWith("\r\n</XML_DIZ_INFO>\r\n"));
    QCOMPARE(bytes.count("\r\n"), Pad::PadLineCount);
    QCOMPARE(bytes.count('\n'), Pad::PadLineCount);
    QVERIFY(bytes.contains("\r\n\t</MASTER_PAD_VERSION_INFO>\r\n\t<Company_Info>\r\n"));

    ascii.text(TextField::Program_Name) = QStringLiteral("\u00e9");
    QVERIFY(Pad::padFileBytes(Pad::padFileLines(ascii)).contains("<Program_Name>\xc3\xa9</Program_Name>"));
}

void TestPadWriter::programTypeIsWrittenAsListed_data()
{
    QTest::addColumn<QString>("type");
    for (const QString &type : Pad::ProgramTypeList())
        QTest::newRow(qPrintable(type)) << type;
    QTest::newRow("no entry") << QString();
}

void TestPadWriter::programTypeIsWrittenAsListed()
{
    QFETCH(QString, type);
    Pad::PadValues values = goldenForm();
    values.programType = type;
    QCOMPARE(Pad::padFileLines(values).at(43),
             QStringLiteral("\t\t<Program_Type>") + type + QStringLiteral("</Program_Type>"));
}

void TestPadWriter::escapeContent_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("plain") << QStringLiteral("Quillet 1.0") << QStringLiteral("Quillet 1.0");
    QTest::newRow("ampersand and less-than, > kept")
        << QStringLiteral("Smith & Sons <UK>") << QStringLiteral("Smith &amp; Sons &lt;UK>");
    QTest::newRow("entity is not recognised") << QStringLiteral("&lt; &amp;")
                                              << QStringLiteral("&amp;lt; &amp;amp;");
    QTest::newRow("quotes pass") << QStringLiteral("\"a\" 'b'") << QStringLiteral("\"a\" 'b'");
    QTest::newRow("CDATA end") << QStringLiteral("a]]>b") << QStringLiteral("a]]&gt;b");
    QTest::newRow("CDATA end after more brackets") << QStringLiteral("]]]>") << QStringLiteral("]]]&gt;");
    QTest::newRow("brackets apart") << QStringLiteral("] ]> ]>") << QStringLiteral("] ]> ]>");
    QTest::newRow("non-ASCII and controls pass")
        << QStringLiteral("caf\u00e9\t\n\u65e5") << QStringLiteral("caf\u00e9\t\n\u65e5");
    // XML reads a raw carriage return as a line feed.
    QTest::newRow("carriage return as a reference")
        << QStringLiteral("a\r\nb\rc") << QStringLiteral("a&#13;\nb&#13;c");
}

void TestPadWriter::escapeContent()
{
    QFETCH(QString, text);
    QFETCH(QString, escaped);
    QCOMPARE(Pad::escapeContent(text), escaped);
}

void TestPadWriter::costElement_data()
{
    QTest::addColumn<QString>("cost");
    QTest::addColumn<QString>("element");
    QTest::newRow("empty") << QString() << QStringLiteral("<Program_Cost_Dollars />");
    QTest::newRow("one blank") << QStringLiteral(" ")
                               << QStringLiteral("<Program_Cost_Dollars> </Program_Cost_Dollars>");
    QTest::newRow("price") << QStringLiteral("19.95")
                           << QStringLiteral("<Program_Cost_Dollars>19.95</Program_Cost_Dollars>");
    QTest::newRow("escaped") << QStringLiteral("<5 & up")
                             << QStringLiteral("<Program_Cost_Dollars>&lt;5 &amp; up</Program_Cost_Dollars>");
}

void TestPadWriter::costElement()
{
    QFETCH(QString, cost);
    QFETCH(QString, element);
    QCOMPARE(Pad::costElement(cost), element);
    Pad::PadValues values = goldenForm();
    values.text(TextField::Program_Cost_Dollars) = cost;
    QCOMPARE(Pad::padFileLines(values).at(40), QStringLiteral("\t\t") + element);
}

void TestPadWriter::osSupportValue_data()
{
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<QString>("value");
    QTest::newRow("one") << QStringList{QStringLiteral("Mac OS X")} << QStringLiteral("Mac OS X");
    QTest::newRow("list order, not ticking order")
        << QStringList{QStringLiteral("Linux"), QStringLiteral("Win95"), QStringLiteral("WinXP")}
        << QStringLiteral("Win95,WinXP,Linux");
    QTest::newRow("all") << Pad::OsSupportList() << Pad::OsSupportList().join(u',');
    QTest::newRow("today's systems after the older ones")
        << QStringList{QStringLiteral("Other"), QStringLiteral("Win11"), QStringLiteral("Android"),
                       QStringLiteral("Win10"), QStringLiteral("Java"), QStringLiteral("WinXP")}
        << QStringLiteral("WinXP,Java,Win10,Win11,Android,Other");
}

void TestPadWriter::osSupportValue()
{
    QFETCH(QStringList, ticked);
    QFETCH(QString, value);
    QCOMPARE(Pad::osSupportValue(ticked), value);
}

void TestPadWriter::releaseDateNumbers_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("year");
    QTest::newRow("no leading zeros") << QDate(2005, 6, 3) << "6" << "3" << "2005";
    QTest::newRow("two digits") << QDate(2010, 12, 25) << "12" << "25" << "2010";
    QTest::newRow("year padded") << QDate(999, 1, 1) << "1" << "1" << "0999";
}

void TestPadWriter::releaseDateNumbers()
{
    QFETCH(QDate, date);
    const Pad::ReleaseDateNumbers numbers = Pad::releaseDateNumbers(date);
    QTEST(numbers.month, "month");
    QTEST(numbers.day, "day");
    QTEST(numbers.year, "year");
}

void TestPadWriter::forceXmlExtension_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("other extension") << "a.txt" << "a.xml";
    QTest::newRow("none") << "a" << "a.xml";
    QTest::newRow("last dot only") << "a.b.c" << "a.b.xml";
    QTest::newRow("upper case") << "report.XML" << "report.xml";
    QTest::newRow("trailing dot") << "a." << "a.xml";
    QTest::newRow("leading dot") << ".profile" << ".xml";
    QTest::newRow("dotted folder") << "docs.old/name" << "docs.old/name.xml";
    QTest::newRow("full path") << "/home/jo/pad files/app.pad.txt" << "/home/jo/pad files/app.pad.xml";
}

void TestPadWriter::forceXmlExtension()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QCOMPARE(Pad::forceXmlExtension(chosen), written);
}

void TestPadWriter::writtenFileParsesToWrittenValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("CDATA end") << QStringLiteral("a]]>b]]]>");
    QTest::newRow("entity-like text") << QStringLiteral("&lt; &amp; &#60; &unknown;");
    QTest::newRow("markup-like text") << QStringLiteral("<b>bold</b><!-- c --><?pi?><![CDATA[x]]>");
    QTest::newRow("line breaks and tabs") << QStringLiteral("one\ntwo\n\tthree");
    QTest::newRow("carriage returns") << QStringLiteral("one\r\ntwo\rthree\r");
    QTest::newRow("quotes") << QStringLiteral("\"double\" 'single'");
    QTest::newRow("non-ASCII") << QStringLiteral("Caf\u00e9 \u65e5\u672c \U0001F600");
    QTest::newRow("10,000 characters") << QString(10000, u'x') + QStringLiteral("&<>");
}

void TestPadWriter::writtenFileParsesToWrittenValues()
{
    QFETCH(QString, text);
    Pad::PadValues values = goldenForm();
    for (QString &field : values.texts)
        field = text;
    QVERIFY(!Pad::findUnsavableField(values));

    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    QVERIFY2(document.setContent(Pad::padFileBytes(Pad::padFileLines(values)), &message, &line,
                                 &column),
             qPrintable(QStringLiteral("%1 at %2:%3").arg(message).arg(line).arg(column)));
    QCOMPARE(document.documentElement().tagName(), QStringLiteral("XML_DIZ_INFO"));
    for (int i = 0; i < Pad::TextFieldCount; ++i) {
        const auto field = static_cast<TextField>(i);
        const QString element = Pad::formField(field).path().section(u'/', -1);
        QCOMPARE(parsedText(document, element), text);
    }
    QCOMPARE(parsedText(document, QStringLiteral("Program_OS_Support")),
             Pad::osSupportValue(values.osSupport));
}

void TestPadWriter::saveReplacesFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("pad.xml"));
    QVERIFY(writeFile(path, QByteArray(100000, 'o')));

    QString error;
    QVERIFY2(Pad::savePadFile(path, "new", &error), qPrintable(error));
    QCOMPARE(readAll(path), QByteArray("new"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"pad.xml"});
}

void TestPadWriter::saveFailureLeavesNothingBehind_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("below a regular file") << "below-file";
    QTest::newRow("folder that does not exist") << "missing-folder";
    QTest::newRow("folder that cannot be written") << "immutable-folder";
    QTest::newRow("file that cannot be replaced") << "immutable-file";
    QTest::newRow("write cut short by the file size limit") << "size-limit";
}

void TestPadWriter::saveFailureLeavesNothingBehind()
{
    QFETCH(QString, where);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray oldBytes = "old contents";
    const QByteArray newBytes(200 * 1024, 'n');
    QString target;
    QString immutable;
    if (where == QLatin1String("size-limit")) {
        target = dir.filePath(QStringLiteral("pad.xml"));
        QVERIFY(writeFile(target, oldBytes));
    } else if (where == QLatin1String("below-file")) {
        QVERIFY(writeFile(dir.filePath(QStringLiteral("plain")), oldBytes));
        target = dir.filePath(QStringLiteral("plain/pad.xml"));
    } else if (where == QLatin1String("missing-folder")) {
        target = dir.filePath(QStringLiteral("gone/pad.xml"));
    } else {
        // As root, permission bits stop nothing; the immutable flag does.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("locked")));
        target = dir.filePath(QStringLiteral("locked/pad.xml"));
        QVERIFY(writeFile(target, oldBytes));
        immutable = where == QLatin1String("immutable-folder") ? dir.filePath(QStringLiteral("locked"))
                                                               : target;
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), immutable}) != 0)
            QSKIP("chattr +i is not available on this file system");
    }
    const auto unlock = qScopeGuard([&] {
        if (!immutable.isEmpty())
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), immutable});
    });

    const QStringList before = QDir(QFileInfo(target).path()).entryList(QDir::AllEntries | QDir::Hidden);
    QString error;
    if (where == QLatin1String("size-limit")) {
        // Past the limit write() stores what fits and then fails with EFBIG
        // instead of killing the process, as on a disk that fills up.
        rlimit oldLimit{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &oldLimit) == 0);
        struct sigaction ignore{};
        ignore.sa_handler = SIG_IGN;
        struct sigaction oldAction{};
        QVERIFY(sigaction(SIGXFSZ, &ignore, &oldAction) == 0);
        const auto restore = qScopeGuard([&] {
            setrlimit(RLIMIT_FSIZE, &oldLimit);
            sigaction(SIGXFSZ, &oldAction, nullptr);
        });
        rlimit limit = oldLimit;
        limit.rlim_cur = 64 * 1024;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        QVERIFY(!Pad::savePadFile(target, newBytes, &error));
        QCOMPARE(error, QStringLiteral("only 65536 of 204800 bytes could be written"));
    } else {
        QVERIFY(!Pad::savePadFile(target, newBytes, &error));
        QVERIFY(!error.isEmpty());
    }
    QCOMPARE(QDir(QFileInfo(target).path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    if (where == QLatin1String("below-file"))
        QCOMPARE(readAll(dir.filePath(QStringLiteral("plain"))), oldBytes);
    else if (QFile::exists(target))
        QCOMPARE(readAll(target), oldBytes);
}

QTEST_GUILESS_MAIN(TestPadWriter)
#include "tst_padwriter.moc"
