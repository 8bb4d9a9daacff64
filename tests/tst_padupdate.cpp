// Updating a PAD file in place: only the elements of changed fields change,
// in the file's own layout and encoding, and everything else stays byte for
// byte; the script's way in refuses without touching the file.
#include "padreader.h"
#include "padupdate.h"
#include "testsupport.h"
#include "updatecommand.h"

#include <QDirIterator>
#include <QProcess>
#include <QScopeGuard>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace Qt::StringLiterals;
using Pad::TextField;

namespace {

const QDate Today(2026, 6, 15);

QString fixture(const QString &name)
{
    return testDataPath(u"update/"_s + name);
}

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run runUpdate(const QString &file, const QStringList &settings, bool dryRun = false)
{
    Run run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.status = Cli::runUpdate({file, settings, dryRun}, Today, out, err);
    return run;
}

std::optional<Pad::PadImport> readPadData(const QByteArray &bytes, const QDate &today, QString *reason)
{
    std::optional<Pad::PadDocument> document = Pad::loadPad(bytes, today, reason);
    return document ? std::optional(std::move(document->imported)) : std::nullopt;
}

// The file in bytes, read, then updated.
std::optional<Pad::PadUpdate> updatePadData(const QByteArray &bytes, const Pad::PadValues &values,
                                            const Pad::OtherFieldEdits &others, const QDate &today,
                                            QString *reason)
{
    const std::optional<Pad::PadDocument> document = Pad::loadPad(bytes, today, reason);
    if (!document)
        return std::nullopt;
    return Pad::updatePad(*document, values, others, today, reason);
}

std::optional<Pad::PadUpdate> updatePadData(const QByteArray &bytes, const Pad::PadValues &values,
                                            const QDate &today, QString *reason)
{
    return updatePadData(bytes, values, Pad::OtherFieldEdits(), today, reason);
}

std::optional<QList<Pad::PathText>> readLeaves(const QByteArray &bytes, QString *reason)
{
    std::optional<Pad::PadDocument> document = Pad::loadPad(bytes, Today, reason);
    return document ? std::optional(std::move(document->leaves)) : std::nullopt;
}

std::optional<QByteArray> applyElementEdits(const QByteArray &bytes, const std::vector<Pad::ElementEdit> &edits,
                                            QString *reason)
{
    const std::optional<Pad::PadDocument> document = Pad::loadPad(bytes, Today, reason);
    if (!document)
        return std::nullopt;
    const std::optional<Pad::PadDocument> edited = Pad::applyEdits(*document, {edits, {}}, Today, reason);
    return edited ? std::optional(edited->bytes) : std::nullopt;
}

// Every element without child elements, as path and text, in document order.
using Leaves = QList<std::pair<QString, QString>>;
Leaves leavesOf(const QByteArray &bytes, const QStringList &leaveOut)
{
    QString reason;
    const std::optional<Pad::XmlDocument> read = Pad::readXml(bytes, &reason);
    const std::optional<std::vector<Pad::XmlLeaf>> leaves = read ? read->leaves(&reason) : std::nullopt;
    if (!leaves)
        qFatal("not readable: %s", qPrintable(reason));
    Leaves listed;
    for (const Pad::XmlLeaf &leaf : *leaves) {
        const Pad::XmlElement &element = read->elements.at(std::size_t(leaf.element));
        if (!leaveOut.contains(leaf.path))
            listed.append({leaf.path, read->elementText(element).value_or(u"(markup)"_s)});
    }
    return listed;
}

QString documentOf(const QByteArray &bytes)
{
    QString reason;
    const std::optional<Pad::XmlDocument> read = Pad::readXml(bytes, &reason);
    return read ? read->text : QString();
}

// The lines of one text that the other lacks, counted with repeats.
QStringList linesMissingFrom(const QString &text, const QString &other)
{
    QStringList left = other.split(u'\n');
    QStringList missing;
    for (const QString &line : text.split(u'\n')) {
        const qsizetype at = left.indexOf(line);
        if (at >= 0)
            left.removeAt(at);
        else
            missing << line;
    }
    return missing;
}

} // namespace

class TestPadUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void fixtures_data();
    void fixtures();
    void unknownNamesStay_data();
    void unknownNamesStay();
    void releaseDateKeepsTheFilesDigits_data();
    void releaseDateKeepsTheFilesDigits();
    void everyEncodingTheReaderTakes_data();
    void everyEncodingTheReaderTakes();
    void madeElementsTakeTheirParentsPrefix();
    void nothingChangedKeepsEveryByte_data();
    void nothingChangedKeepsEveryByte();
    void changesAreNamedInTheWindowsOrder();
    void valueThatWouldNotComeBackIsRefused_data();
    void valueThatWouldNotComeBackIsRefused();
    void carriageReturnsComeBack_data();
    void carriageReturnsComeBack();
    void refusalLeavesTheFile_data();
    void refusalLeavesTheFile();
    void dryRunWritesNothing();
    void brokenRuleStillWrites();
    void filesThatBreakRulesAreWritten_data();
    void filesThatBreakRulesAreWritten();
    void samples_data();
    void samples();
    void anyElementCanBeEdited();
    void updateUpToTheReadersLimit_data();
    void updateUpToTheReadersLimit();
    void editsOfMoreThanTextAreRefused_data();
    void editsOfMoreThanTextAreRefused();
    void otherFields_data();
    void otherFields();
    void otherFieldsOfSamples_data();
    void otherFieldsOfSamples();
    void anyPathCanBeSet_data();
    void anyPathCanBeSet();
    void aFieldOfTheVersionBlockCanBeEmptied();

private:
    QString copyOf(const QString &fixturePath);
    QTemporaryDir m_dir;
    int m_copies = 0;
};

void TestPadUpdate::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestPadUpdate::copyOf(const QString &fixturePath)
{
    const QString path = m_dir.filePath(u"copy%1-"_s.arg(++m_copies) + QFileInfo(fixturePath).fileName());
    return writeFile(path, readAll(fixturePath)) ? path : QString();
}

// Each fixture, updated as a release script would, gives its golden file.
void TestPadUpdate::fixtures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QStringList>("changed");

    QTest::newRow("missing element") << u"missing-element"_s << QStringList{u"Program_Version=2.0"_s}
                                     << QStringList{u"Program Version"_s};
    QTest::newRow("missing parents and an empty-element parent")
        << u"missing-parent"_s
        << QStringList{u"Primary_Download_URL=https://smith.example.com/widget-setup.exe"_s,
                       u"Keywords=widget, tool"_s,
                       u"Application_XML_File_URL=https://smith.example.com/widget.xml"_s,
                       u"Char_Desc_450=A widget that does one thing well."_s,
                       u"Application_Info_URL=https://smith.example.com/widget"_s}
        << QStringList{u"Keywords"_s, u"Descriptions"_s, u"Application Info URL"_s,
                       u"PAD XML File URL"_s, u"Primary Download URL"_s};
    QTest::newRow("windows-1252 and characters outside it")
        << u"windows-1252"_s
        << QStringList{u"Company_Name=Caf\u00e9 \u0141\u00f3d\u017a & Co"_s,
                       u"Keywords=na\u00efve, \u20acuro"_s}
        << QStringList{u"Company Name"_s, u"Keywords"_s};
    QTest::newRow("byte-order mark, CDATA, comments, references")
        << u"cdata-comments"_s
        << QStringList{u"Program_Version=1.3.0"_s, u"Keywords=widget, <tool> & more"_s,
                       u"Company_Name=Smith & Sons"_s, u"Char_Desc_450=A widget & a <tool>."_s}
        << QStringList{u"Program Version"_s, u"Keywords"_s};
}

void TestPadUpdate::fixtures()
{
    QFETCH(QString, name);
    QFETCH(QStringList, settings);
    QFETCH(QStringList, changed);
    const QString path = copyOf(fixture(name + u".xml"_s));

    const Run run = runUpdate(path, settings);
    QVERIFY2(run.status == 0 || run.status == 1, qPrintable(run.err));
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out.section(u'\n', 0, 0),
             u"Updated "_s + path + u": "_s + changed.join(u", "_s));
    QCOMPARE(readAll(path), readAll(fixture(name + u".updated.xml"_s)));

    // Said again, the same settings change nothing.
    const Run again = runUpdate(path, settings);
    QCOMPARE(again.out.section(u'\n', 0, 0), u"Nothing changed in "_s + path);
    QCOMPARE(readAll(path), readAll(fixture(name + u".updated.xml"_s)));
}

void TestPadUpdate::unknownNamesStay_data()
{
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("os");

    const QString fileType = u"Open Source"_s;
    const QString fileOs = u"Win10,BeOS 5, winxp,Amiga ,beos 5"_s;
    QTest::newRow("another field changes") << QStringList{u"Program_Version=1.3"_s} << u"1.3"_s
                                           << fileType << fileOs;
    QTest::newRow("the same systems, spelled as the list does")
        << QStringList{u"Program_Version=1.3"_s, u"Program_OS_Support=WinXP,win10"_s} << u"1.3"_s
        << fileType << fileOs;
    QTest::newRow("other systems ticked")
        << QStringList{u"Program_OS_Support=Win10, linux"_s} << u"1.2.0"_s << fileType
        << u"Linux,Win10,BeOS 5,Amiga"_s;
    QTest::newRow("a name with its blanks and letter case off, as an import takes it")
        << QStringList{u"Program_OS_Support=mac  os x,Win10"_s} << u"1.2.0"_s << fileType
        << u"Mac OS X,Win10,BeOS 5,Amiga"_s;
    QTest::newRow("a type from the list") << QStringList{u"Program_Type=freeware"_s} << u"1.2.0"_s
                                          << u"Freeware"_s << fileOs;
}

void TestPadUpdate::unknownNamesStay()
{
    QFETCH(QStringList, settings);
    QFETCH(QString, version);
    QFETCH(QString, type);
    QFETCH(QString, os);
    const QString path = copyOf(fixture(u"unknown-names.xml"_s));
    QByteArray expected = readAll(path);

    const Run run = runUpdate(path, settings);
    QVERIFY2(run.status == 0 || run.status == 1, qPrintable(run.err));
    const auto replace = [&](const char *name, const QString &from, const QString &to) {
        const QByteArray open = '<' + QByteArray(name) + '>';
        const QByteArray close = "</" + QByteArray(name) + '>';
        expected.replace(open + from.toUtf8() + close, open + to.toUtf8() + close);
    };
    replace("Program_Version", u"1.2.0"_s, version);
    replace("Program_Type", u"Open Source"_s, type);
    replace("Program_OS_Support", u"Win10,BeOS 5, winxp,Amiga ,beos 5"_s, os);
    QCOMPARE(readAll(path), expected);
}

void TestPadUpdate::releaseDateKeepsTheFilesDigits_data()
{
    QTest::addColumn<QStringList>("file"); // month, day, year as the file writes them; "(none)": no element
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QStringList>("written");

    QTest::newRow("two digits stay two") << QStringList{u"06"_s, u"03"_s, u"2025"_s}
                                         << QDate(2025, 12, 1)
                                         << QStringList{u"12"_s, u"01"_s, u"2025"_s};
    QTest::newRow("one digit as the writer writes")
        << QStringList{u"6"_s, u"3"_s, u"2025"_s} << QDate(2026, 12, 1)
        << QStringList{u"12"_s, u"1"_s, u"2026"_s};
    QTest::newRow("mixed, a two-digit year") << QStringList{u"6"_s, u"03"_s, u"05"_s}
                                             << QDate(2026, 6, 9)
                                             << QStringList{u"6"_s, u"09"_s, u"2026"_s};
    QTest::newRow("blanks around an unchanged number")
        << QStringList{u" 06 "_s, u"03"_s, u"2025"_s} << QDate(2025, 6, 4)
        << QStringList{u" 06 "_s, u"04"_s, u"2025"_s};
    QTest::newRow("empty elements, two digits as the format gives them")
        << QStringList{QString(), u" "_s, QString()} << QDate(2025, 1, 2)
        << QStringList{u"01"_s, u"02"_s, u"2025"_s};
    QTest::newRow("missing month and day") << QStringList{u"(none)"_s, u"(none)"_s, u"2025"_s}
                                           << QDate(2025, 1, 2)
                                           << QStringList{u"01"_s, u"02"_s, u"2025"_s};
    QTest::newRow("an early year") << QStringList{u"06"_s, u"03"_s, u"2025"_s}
                                   << QDate(987, 6, 3)
                                   << QStringList{u"06"_s, u"03"_s, u"0987"_s};
    // The reader takes blanks around a number, nothing else: a month it could
    // not read is written anew even where its number stays.
    QTest::newRow("a tab before the month") << QStringList{u"\t6"_s, u"3"_s, u"2025"_s}
                                            << QDate(2025, 6, 4)
                                            << QStringList{u"6"_s, u"4"_s, u"2025"_s};
    QTest::newRow("a line break after the day") << QStringList{u"6"_s, u"3\n"_s, u"2025"_s}
                                                << QDate(2025, 7, 3)
                                                << QStringList{u"7"_s, u"3"_s, u"2025"_s};
    QTest::newRow("a plus sign") << QStringList{u"+6"_s, u"03"_s, u"2025"_s} << QDate(2025, 6, 4)
                                 << QStringList{u"6"_s, u"04"_s, u"2025"_s};
}

void TestPadUpdate::releaseDateKeepsTheFilesDigits()
{
    QFETCH(QStringList, file);
    QFETCH(QDate, date);
    QFETCH(QStringList, written);
    const QStringList names{u"Program_Release_Month"_s, u"Program_Release_Day"_s,
                            u"Program_Release_Year"_s};
    const auto element = [](const QString &name, const QString &text) {
        return (u'<' + name + u'>' + text + u"</"_s + name + u'>').toUtf8();
    };
    QByteArray bytes = readAll(fixture(u"unknown-names.xml"_s));
    const QStringList original{u"6"_s, u"3"_s, u"2025"_s};
    for (int i = 0; i < 3; ++i)
        bytes.replace(element(names[i], original[i]),
                      file[i] == u"(none)"_s ? QByteArray() : element(names[i], file[i]));

    QString reason;
    const std::optional<Pad::PadImport> imported = readPadData(bytes, Today, &reason);
    QVERIFY2(imported, qPrintable(reason));
    Pad::PadValues values = imported->values;
    values.releaseDate = date;
    const std::optional<Pad::PadUpdate> update = updatePadData(bytes, values, Today, &reason);
    QVERIFY2(update, qPrintable(reason));
    for (int i = 0; i < 3; ++i)
        QVERIFY2(update->bytes.contains(element(names[i], written[i])), update->bytes.constData());
    QCOMPARE(readPadData(update->bytes, Today, &reason)->values.releaseDate, date);
    QCOMPARE(update->changes.size(), 1);
    QCOMPARE(update->changes.first().field, u"Release Date"_s);
    QCOMPARE(update->changes.first().after, date.toString(Qt::ISODate));
}

void TestPadUpdate::everyEncodingTheReaderTakes_data()
{
    QTest::addColumn<QString>("file");
    for (const char *name : {"utf8.xml", "utf8-bom.xml", "utf8-no-declaration.xml", "utf16le-bom.xml",
                             "utf16be-bom.xml", "utf16be-no-bom.xml", "iso-8859-1.xml",
                             "windows-1252.xml", "shift_jis.xml"})
        QTest::newRow(name) << testDataPath(u"reader/"_s + QLatin1String(name));
}

// A name with characters from everywhere, and a version in an element made
// anew, written in the file's own encoding: the bytes before the name and
// after it stay, and both values come back.
void TestPadUpdate::everyEncodingTheReaderTakes()
{
    QFETCH(QString, file);
    const QByteArray bytes = readAll(file);
    QString reason;
    const std::optional<Pad::XmlDocument> before = Pad::readXml(bytes, &reason);
    QVERIFY2(before, qPrintable(reason));
    Pad::PadValues values = readPadData(bytes, Today, &reason)->values;
    values.text(TextField::Company_Name) = u"\u0141\u00f3d\u017a & \u65e5\u672c \U0001F600 \u00bd \u00e9"_s;
    values.text(TextField::Program_Version) = u"2.0"_s;
    const std::optional<Pad::PadUpdate> update = updatePadData(bytes, values, Today, &reason);
    QVERIFY2(update, qPrintable(reason));
    QCOMPARE(readPadData(update->bytes, Today, &reason)->values, values);

    const std::optional<Pad::XmlDocument> after = Pad::readXml(update->bytes, &reason);
    QVERIFY2(after, qPrintable(reason));
    QCOMPARE(after->encoding, before->encoding);
    QCOMPARE(after->byteOrderMark, before->byteOrderMark);
    const auto encoded = [&](const char *text) -> QByteArray {
        return QStringEncoder(before->encoding.constData()).encode(QString::fromLatin1(text));
    };
    const qsizetype nameStart = bytes.indexOf(encoded("<Company_Name>"));
    QVERIFY(nameStart > 0);
    QCOMPARE(update->bytes.left(nameStart), bytes.left(nameStart));
    const qsizetype nameEnd = bytes.indexOf(encoded("</Company_Name>"));
    const qsizetype infoEnd = bytes.indexOf(encoded("</Company_Info>")) + encoded("</Company_Info>").size();
    const QByteArray between = bytes.mid(nameEnd, infoEnd - nameEnd);
    QVERIFY(update->bytes.contains(between));
    QVERIFY(update->bytes.contains(encoded("<Program_Version>2.0</Program_Version>")));
    QVERIFY(update->bytes.endsWith(bytes.mid(infoEnd)));
}

void TestPadUpdate::madeElementsTakeTheirParentsPrefix()
{
    QByteArray bytes = readAll(fixture(u"missing-element.xml"_s));
    bytes.replace("<XML_DIZ_INFO>", "<pad:XML_DIZ_INFO xmlns:pad=\"urn:example:pad\">");
    bytes.replace("<", "<pad:").replace("<pad:/", "</pad:").replace("<pad:?", "<?").replace("<pad:pad:", "<pad:");
    QString reason;
    Pad::PadValues values = readPadData(bytes, Today, &reason)->values;
    QCOMPARE(values.text(TextField::Company_Name), u"Smith Software"_s);
    values.text(TextField::Program_Version) = u"2.0"_s;
    values.text(TextField::Application_Screenshot_URL) = u"https://smith.example.com/widget.png"_s;
    const std::optional<Pad::PadUpdate> update = updatePadData(bytes, values, Today, &reason);
    QVERIFY2(update, qPrintable(reason));
    QVERIFY(update->bytes.contains(
        "\t\t</pad:File_Info>\n\t\t<pad:Program_Version>2.0</pad:Program_Version>\n\t</pad:Program_Info>"));
    QVERIFY(update->bytes.contains(
        "</pad:Application_XML_File_URL>\n\t\t\t<pad:Application_Screenshot_URL>"
        "https://smith.example.com/widget.png</pad:Application_Screenshot_URL>\n\t\t</pad:Application_URLs>"));
}

void TestPadUpdate::nothingChangedKeepsEveryByte_data()
{
    QTest::addColumn<QString>("path");
    for (const char *name : {"missing-element.xml", "missing-parent.xml", "windows-1252.xml",
                             "cdata-comments.xml", "unknown-names.xml"})
        QTest::newRow(name) << fixture(QLatin1String(name));
    QTest::newRow("written by Generate") << testDataPath(u"writer/full-form.xml"_s);
}

void TestPadUpdate::nothingChangedKeepsEveryByte()
{
    QFETCH(QString, path);
    const QByteArray bytes = readAll(path);
    QString reason;
    const std::optional<Pad::PadImport> imported = readPadData(bytes, Today, &reason);
    QVERIFY2(imported, qPrintable(reason));
    const std::optional<Pad::PadUpdate> update =
        updatePadData(bytes, imported->values, Today, &reason);
    QVERIFY2(update, qPrintable(reason));
    QCOMPARE(update->changes, QList<Pad::FieldChange>());
    QCOMPARE(update->bytes, bytes);
}

void TestPadUpdate::changesAreNamedInTheWindowsOrder()
{
    const QByteArray bytes = readAll(fixture(u"unknown-names.xml"_s));
    QString reason;
    Pad::PadValues values = readPadData(bytes, Today, &reason)->values;
    values.text(TextField::Primary_Download_URL) = u"https://smith.example.com/widget-2.exe"_s;
    values.text(TextField::Program_Cost_Dollars) = u"19.95"_s;
    values.osSupport = QStringList{u"Linux"_s};
    values.programType = u"Demo"_s;
    values.releaseDate = QDate(2026, 1, 31);
    values.text(TextField::Program_Version) = u"1.3\n"_s;
    const std::optional<Pad::PadUpdate> update = updatePadData(bytes, values, Today, &reason);
    QVERIFY2(update, qPrintable(reason));
    const QList<Pad::FieldChange> expected{
        {u"Program Version"_s, u"1.2.0"_s, u"1.3\n"_s},
        {u"Release Date"_s, u"2025-06-03"_s, u"2026-01-31"_s},
        {u"Program Type"_s, u"Open Source"_s, u"Demo"_s},
        {u"Cost"_s, QString(), u"19.95"_s},
        {u"OS Support"_s, u"Win10,BeOS 5, winxp,Amiga ,beos 5"_s, u"Linux,BeOS 5,Amiga"_s},
        {u"Primary Download URL"_s, u"https://smith.example.com/widget-setup.exe"_s,
         u"https://smith.example.com/widget-2.exe"_s},
    };
    QCOMPARE(update->changes, expected);
    QCOMPARE(Pad::updateSummary(u"pad.xml"_s, update->changes),
             u"Updated pad.xml: Program Version, Release Date, Program Type, Cost, OS Support, "
             "Primary Download URL"_s);
    QCOMPARE(readPadData(update->bytes, Today, &reason)->values, values);
}

// The read-back check: what the reader would not give back is not written.
void TestPadUpdate::valueThatWouldNotComeBackIsRefused_data()
{
    QTest::addColumn<Pad::PadValues>("values");
    QTest::addColumn<QString>("reason");

    QString error;
    const Pad::PadValues file =
        readPadData(readAll(fixture(u"unknown-names.xml"_s)), Today, &error)->values;
    Pad::PadValues farYear = file;
    farYear.releaseDate = QDate(10000, 1, 1);
    QTest::newRow("a year of five digits") << farYear << u"Release Date"_s;
    Pad::PadValues surrogate = file;
    surrogate.text(TextField::Keywords) = u"half a pair "_s + QChar(0xd800);
    QTest::newRow("an unpaired surrogate") << surrogate << u"cannot be saved in a PAD file"_s;
}

void TestPadUpdate::valueThatWouldNotComeBackIsRefused()
{
    QFETCH(Pad::PadValues, values);
    QFETCH(QString, reason);
    QString error;
    QVERIFY(!updatePadData(readAll(fixture(u"unknown-names.xml"_s)), values, Today, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
}

// XML reads a carriage return written as such as a line feed; the update
// writes it as a reference, so that the value comes back whole.
void TestPadUpdate::carriageReturnsComeBack_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");
    QTest::newRow("a field of the window") << u"Program_Descriptions/English/Char_Desc_450"_s
                                           << u"One\r\ntwo\rthree"_s;
    QTest::newRow("a field beyond it") << u"Program_Descriptions/English/Char_Desc_2000"_s
                                       << u"One\r\ntwo\rthree\r"_s;
}

void TestPadUpdate::carriageReturnsComeBack()
{
    QFETCH(QString, path);
    QFETCH(QString, text);
    QString reason;
    const std::optional<Pad::PadDocument> file = Pad::loadPad(readAll(fixture(u"other-fields.xml"_s)), Today, &reason);
    QVERIFY2(file, qPrintable(reason));
    Pad::PadValues values = file->imported.values;
    Pad::OtherFields fields = file->otherFields;
    if (const Pad::FormField *shown = Pad::formFieldAt(path))
        values.text(shown->text) = text;
    else
        fields.values.insert(path, text);
    const std::optional<Pad::PadUpdate> update =
        Pad::updatePad(*file, values, Pad::otherFieldEdits(file->otherFields, fields), Today, &reason);
    QVERIFY2(update && update->document, qPrintable(reason));
    const Pad::XmlElement *element = update->document->xml.find(path);
    QVERIFY(element);
    QCOMPARE(update->document->xml.elementText(*element), text);
}

void TestPadUpdate::refusalLeavesTheFile_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<bool>("lockFolder");
    QTest::addColumn<QString>("message");

    const QString good = fixture(u"unknown-names.xml"_s);
    QTest::newRow("unknown name") << good << QStringList{u"Program_Verison=2.0"_s} << false
                                  << u"Program_Verison is not a field"_s;
    QTest::newRow("no value") << good << QStringList{u"Program_Version"_s} << false
                              << u"Program_Version=VALUE"_s;
    QTest::newRow("a type not in the list") << good << QStringList{u"Program_Type=Trial"_s}
                                            << false << u"Trial is not in the list"_s;
    QTest::newRow("a system not in the list")
        << good << QStringList{u"Program_OS_Support=Linux,Win12"_s} << false
        << u"Win12 is not in the OS list"_s;
    QTest::newRow("a day that does not exist")
        << good << QStringList{u"Program_Version=2.0"_s, u"Program_Release_Date=2025-02-29"_s}
        << false << u"2025-02-29 is not a date"_s;
    QTest::newRow("a required field emptied") << good << QStringList{u"Keywords="_s} << false
                                              << u"Keywords must be filled"_s;
    QTest::newRow("no system left") << good << QStringList{u"Program_OS_Support= , "_s} << false
                                    << u"Please select OS Support"_s;
    QTest::newRow("a character XML cannot carry") << good << QStringList{u"Keywords=bell\a"_s}
                                                  << false << u"Keywords contains a character"_s;
    QTest::newRow("the size of a missing file")
        << good << QStringList{u"File_Size_Bytes=@"_s + m_dir.filePath(u"no-such.exe"_s)} << false
        << u"File_Size_Bytes: "_s;
    QTest::newRow("a size without a file name") << good << QStringList{u"File_Size_Bytes=@"_s} << false
                                                << u"no file name follows it; give File_Size_Bytes=@PATH"_s;
    QStringList longValues;
    for (const char *name : {"Company_Name", "Program_Name", "Keywords", "Char_Desc_450", "Application_Info_URL",
                             "Program_Descriptions/English/Char_Desc_2000", "Program_Info/Program_Change_Info",
                             "Company_Info/Address_1", "Permissions/Distribution_Permissions"})
        longValues << QString::fromLatin1(name) + u'=' + QString(120000, u'x');
    QTest::newRow("larger than the reader takes")
        << good << longValues << false << u"larger than the 1 MiB that Quillet reads"_s;
    QTest::newRow("refused by the reader")
        << testDataPath(u"reader/not-well-formed.xml"_s) << QStringList{u"Program_Version=2.0"_s}
        << false << u"not well-formed XML (line "_s;
    QTest::newRow("cannot be written") << good << QStringList{u"Program_Version=2.0"_s} << true
                                       << u"could not be saved: "_s;
}

void TestPadUpdate::refusalLeavesTheFile()
{
    QFETCH(QString, source);
    QFETCH(QStringList, settings);
    QFETCH(bool, lockFolder);
    QFETCH(QString, message);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(u"pad.xml"_s);
    QVERIFY(writeFile(path, readAll(source)));
    const QByteArray before = readAll(path);
    if (lockFolder && QProcess::execute(u"chattr"_s, {u"+i"_s, folder.path()}) != 0)
        QSKIP("chattr +i is not available on this file system");
    const auto unlock = qScopeGuard([&] {
        if (lockFolder)
            QProcess::execute(u"chattr"_s, {u"-i"_s, folder.path()});
    });

    const Run run = runUpdate(path, settings);
    QCOMPARE(run.status, int(Cli::UpdateRefused));
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.startsWith(path + u": "_s), qPrintable(run.err));
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(readAll(path), before);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"pad.xml"_s});
}

void TestPadUpdate::dryRunWritesNothing()
{
    const QString path = copyOf(fixture(u"cdata-comments.xml"_s));
    const QByteArray before = readAll(path);
    const Run run = runUpdate(path,
                              {u"Program_Version=1.3.0"_s, u"Program_Release_Date=today"_s,
                               u"Char_Desc_450=Two\nlines"_s},
                              true);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out.split(u'\n').mid(0, 3),
             (QStringList{u"Program Version: 1.2.0 -> 1.3.0"_s,
                          u"Release Date: 2025-06-03 -> 2026-06-15"_s,
                          u"Descriptions: A widget & a <tool>. -> Two\\nlines"_s}));
    QCOMPARE(readAll(path), before);

    // With nothing to change it says so, as the real run does.
    const Run nothing = runUpdate(path, {u"Program_Version=1.2.0"_s}, true);
    QCOMPARE(nothing.err, QString());
    QCOMPARE(nothing.out.section(u'\n', 0, 0), u"Nothing would change in "_s + path);
    QCOMPARE(readAll(path), before);
}

// A value that download sites would refuse is written, said as --check says it, and gives status 1.
void TestPadUpdate::brokenRuleStillWrites()
{
    const QString path = copyOf(fixture(u"missing-element.xml"_s));
    const Run run = runUpdate(path, {u"Program_Version=v 2.0"_s, u"File_Size_Bytes=@"_s + path});
    QCOMPARE(run.status, int(Cli::UpdateDoneWithErrors));
    QCOMPARE(run.err, QString());
    const QStringList lines = run.out.split(u'\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), u"Updated "_s + path + u": Program Version, File Size"_s);
    QVERIFY2(lines.at(1).startsWith(path + u": error: Program Version: \"v 2.0\" "_s), qPrintable(lines.at(1)));
    QCOMPARE(lines.at(2), QString());
    const QByteArray after = readAll(path);
    QVERIFY(after.contains("<Program_Version>v 2.0</Program_Version>"));
    QVERIFY(after.contains("<File_Size_Bytes>"
                           + QByteArray::number(QFileInfo(fixture(u"missing-element.xml"_s)).size())
                           + "</File_Size_Bytes>"));
}

// A release script bumps the version of a file that breaks rules already:
// the file is written, and every problem of the updated file is printed as
// --check prints it, errors making the status 1.
void TestPadUpdate::filesThatBreakRulesAreWritten_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("problems"); // after "FILE: "

    QTest::newRow("an empty required field")
        << QByteArray("<Contact_Email>jo@smith.example.com</Contact_Email>") << QByteArray("<Contact_Email/>")
        << int(Cli::UpdateDoneWithErrors) << QStringList{u"error: Contact E-mail: must be filled"_s};
    QTest::newRow("only systems the list lacks")
        << QByteArray("<Program_OS_Support>WinXP</Program_OS_Support>")
        << QByteArray("<Program_OS_Support>Amiga, BeOS 5</Program_OS_Support>") << int(Cli::UpdateDoneWithErrors)
        << QStringList{u"note: OS Support: \"Amiga\", \"BeOS 5\" are not in the list"_s,
                       u"error: OS Support: must have at least one system ticked"_s};
    QTest::newRow("a field beyond the form breaking its rule")
        << QByteArray("<Char_Desc_80>A widget.</Char_Desc_80>")
        << QByteArray("<Char_Desc_80>A widget,\non two lines.</Char_Desc_80>") << int(Cli::UpdateDoneWithErrors)
        << QStringList{u"error: 80 character description: \"A widget,\\non two lines.\" holds a line break. "
                       "The PAD format asks for: "_s + Pad::formatField(u"Program_Descriptions/English/Char_Desc_80"_s)->rule
                       + u"."_s};
    QTest::newRow("advice only") << QByteArray("<Program_Name>Widget</Program_Name>")
                                 << QByteArray("<Program_Name>Widget 2.1</Program_Name>") << int(Cli::UpdateDone)
                                 << QStringList{u"warning: Program Name: \"Widget 2.1\" ends in a version number. "
                                                "A program name leaves out the version number, which has a "
                                                "field of its own."_s};
}

void TestPadUpdate::filesThatBreakRulesAreWritten()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(int, status);
    QFETCH(QStringList, problems);
    const QString path = m_dir.filePath(u"breaks-rules.xml"_s);
    QByteArray bytes = readAll(fixture(u"other-fields.xml"_s));
    QCOMPARE(bytes.count(from), 1);
    bytes.replace(from, to);
    QVERIFY(writeFile(path, bytes));

    for (const bool dryRun : {true, false}) {
        const Run run = runUpdate(path, {u"Program_Version=2.0"_s}, dryRun);
        QCOMPARE(run.status, status);
        QCOMPARE(run.err, QString());
        QStringList expected{dryRun ? u"Program Version: 1.2.0 -> 2.0"_s
                                    : u"Updated "_s + path + u": Program Version"_s};
        for (const QString &problem : problems)
            expected << path + u": "_s + problem;
        QCOMPARE(run.out.split(u'\n'), expected << QString());
        QByteArray written = bytes;
        if (!dryRun)
            written.replace("<Program_Version>1.2.0<", "<Program_Version>2.0<");
        QCOMPARE(readAll(path), written);
    }
}

// Every real file the reader takes: version, date, size and download address
// change and nothing else does.
void TestPadUpdate::samples_data()
{
    QTest::addColumn<QString>("path");
    if (!QDir(samplesDir()).exists())
        return;
    QDirIterator it(samplesDir(), {u"*.xml"_s}, QDir::Files);
    QStringList paths;
    while (it.hasNext())
        paths << it.next();
    paths.sort();
    for (const QString &path : std::as_const(paths)) {
        QString reason;
        if (readPadData(readAll(path), Today, &reason))
            QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
    }
}

void TestPadUpdate::samples()
{
    if (!QDir(samplesDir()).exists())
        QSKIP("The real PAD files are not here: they live in ../shared/pad-samples beside the checkout.");
    QFETCH(QString, path);
    const QByteArray original = readAll(path);
    QString reason;
    const std::optional<Pad::PadImport> imported = readPadData(original, Today, &reason);
    QVERIFY2(imported, qPrintable(reason));

    Pad::PadValues values = imported->values;
    values.text(TextField::Program_Version) = u"9.8.7"_s;
    values.releaseDate = QDate(2031, 1, 2);
    values.text(TextField::File_Size_Bytes) = u"123456789"_s;
    values.text(TextField::Primary_Download_URL) = u"https://example.com/download/setup-9.8.7.exe"_s;
    const std::optional<Pad::PadUpdate> update = updatePadData(original, values, Today, &reason);
    QVERIFY2(update, qPrintable(reason));

    const std::optional<Pad::PadImport> back = readPadData(update->bytes, Today, &reason);
    QVERIFY2(back, qPrintable(reason));
    QCOMPARE(back->values, values);

    // The sizes in K and MB that the file has follow the size in bytes.
    const Leaves sizesBefore = leavesOf(original, {});
    const Leaves sizesAfter = leavesOf(update->bytes, {});
    for (const auto &[sizePath, size] : {std::pair(QString(Pad::FileSizeKilobytesPath), u"120563.27"_s),
                                         std::pair(QString(Pad::FileSizeMegabytesPath), u"117.74"_s)}) {
        const bool had = std::any_of(sizesBefore.cbegin(), sizesBefore.cend(),
                                     [&](const auto &leaf) { return leaf.first == sizePath; });
        const auto after = std::find_if(sizesAfter.cbegin(), sizesAfter.cend(),
                                        [&](const auto &leaf) { return leaf.first == sizePath; });
        QCOMPARE(after != sizesAfter.cend(), had);
        if (had)
            QCOMPARE(after->second, size);
    }

    // Every other element keeps its text, in the same order.
    const QStringList changedPaths{
        u"Program_Info/Program_Version"_s,       u"Program_Info/Program_Release_Month"_s,
        u"Program_Info/Program_Release_Day"_s,   u"Program_Info/Program_Release_Year"_s,
        u"Program_Info/File_Info/File_Size_Bytes"_s, Pad::FileSizeKilobytesPath,
        Pad::FileSizeMegabytesPath, u"Web_Info/Download_URLs/Primary_Download_URL"_s};
    QStringList leaveOut;
    for (const QString &changed : changedPaths)
        leaveOut << u"XML_DIZ_INFO/"_s + changed << changed;
    QCOMPARE(leavesOf(update->bytes, leaveOut), leavesOf(original, leaveOut));

    // Only lines of the changed elements, or of parents made for them, differ.
    const QString before = documentOf(original);
    const QString after = documentOf(update->bytes);
    const QStringList names{u"Program_Version"_s, u"Program_Release_"_s, u"File_Size_"_s,
                            u"Primary_Download_URL"_s, u"File_Info"_s, u"Download_URLs"_s,
                            u"Web_Info"_s};
    const auto ofChangedElement = [&](const QString &line) {
        return std::any_of(names.cbegin(), names.cend(),
                           [&](const QString &name) { return line.contains(name); });
    };
    for (const QString &line : linesMissingFrom(before, after))
        QVERIFY2(ofChangedElement(line), qPrintable(u"lost: "_s + line));
    for (const QString &line : linesMissingFrom(after, before))
        QVERIFY2(ofChangedElement(line), qPrintable(u"added: "_s + line));
    // The start of the file, with any byte-order mark and the declaration, stays.
    const qsizetype firstElement = original.indexOf("<XML_DIZ_INFO");
    QCOMPARE(update->bytes.left(firstElement), original.left(firstElement));

    const std::optional<Pad::PadUpdate> again = updatePadData(update->bytes, values, Today, &reason);
    QVERIFY2(again, qPrintable(reason));
    QCOMPARE(again->changes, QList<Pad::FieldChange>());
    QCOMPARE(again->bytes, update->bytes);
}

// The same splicing serves any element, not only the form's fields.
void TestPadUpdate::anyElementCanBeEdited()
{
    const QByteArray bytes = readAll(fixture(u"rich.xml"_s));
    QString reason;
    const std::optional<QByteArray> edited = applyElementEdits(
        bytes,
        {{u"Program_Descriptions/English/Char_Desc_45"_s, u"A small widget."_s},
         {u"Program_Descriptions/English/Char_Desc_80"_s, u"A widget that does one thing."_s},
         {u"Permissions/EULA"_s, u"Free & open."_s},
         {u"Program_Descriptions/French/Keywords"_s, u"outil"_s}},
        &reason);
    QVERIFY2(edited, qPrintable(reason));
    QByteArray expected = bytes;
    expected.replace("<Char_Desc_45>A widget.</Char_Desc_45>",
                     "<Char_Desc_45>A small widget.</Char_Desc_45>");
    expected.replace("<Char_Desc_450>A widget that does one thing well.</Char_Desc_450>",
                     "<Char_Desc_450>A widget that does one thing well.</Char_Desc_450>\r\n"
                     "\t\t\t<Char_Desc_80>A widget that does one thing.</Char_Desc_80>");
    expected.replace("<EULA>Free for all.</EULA>", "<EULA>Free &amp; open.</EULA>");
    expected.replace("\t\t</German>",
                     "\t\t</German>\r\n\t\t<French>\r\n\t\t\t<Keywords>outil</Keywords>\r\n\t\t</French>");
    QCOMPARE(*edited, expected);
}

void TestPadUpdate::editsOfMoreThanTextAreRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason");
    QTest::newRow("an element holding elements")
        << u"Program_Info/File_Info"_s << u"flat"_s << u"holds a child element <File_Size_Bytes>"_s;
    QTest::newRow("a character XML cannot carry") << u"Permissions/EULA"_s << u"\x01"_s
                                                  << u"cannot be saved in a PAD file"_s;
}

void TestPadUpdate::editsOfMoreThanTextAreRefused()
{
    QFETCH(QString, path);
    QFETCH(QString, text);
    QFETCH(QString, reason);
    QString error;
    QVERIFY(!applyElementEdits(readAll(fixture(u"rich.xml"_s)), {{path, text}}, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
}

using Replacements = QList<std::pair<QByteArray, QByteArray>>;
Q_DECLARE_METATYPE(QList<Pad::PathText>)
Q_DECLARE_METATYPE(Replacements)

namespace {

// The markup of a new language's block as an update makes it in the fixture.
QByteArray newBlock(const QByteArray &language, const QByteArray &element, const QByteArray &text)
{
    QByteArray block = "\r\n\t\t<" + language + ">";
    for (const QString &name : Pad::descriptionElements()) {
        const QByteArray tag = name.toLatin1();
        block += "\r\n\t\t\t<" + tag + ">" + (tag == element ? text : QByteArray()) + "</" + tag + ">";
    }
    return block + "\r\n\t\t</" + language + ">";
}

// The other fields of bytes with sets and removals made, as the dialog or --set makes them.
Pad::OtherFields changedFields(const Pad::OtherFields &file, const QList<Pad::PathText> &sets,
                               const QStringList &removed)
{
    Pad::OtherFields fields = file;
    for (const QString &language : removed) {
        fields.languages.removeAll(language);
        fields.values.removeIf([&](const auto &value) {
            return Pad::descriptionLanguage(value.key()) == language;
        });
    }
    for (const Pad::PathText &set : sets) {
        const QString language = Pad::descriptionLanguage(set.path).toString();
        if (!language.isEmpty() && language != Pad::DefaultLanguage && !fields.languages.contains(language))
            fields.languages << language;
        fields.values.insert(set.path, set.text);
    }
    return fields;
}

// fields with the sizes in K and MB that leaves hold, which follow the size in bytes.
Pad::OtherFields withSizesOf(Pad::OtherFields fields, const QList<Pad::PathText> &leaves)
{
    for (const Pad::PathText &leaf : leaves) {
        if (leaf.path == Pad::FileSizeKilobytesPath || leaf.path == Pad::FileSizeMegabytesPath)
            fields.values.insert(leaf.path, leaf.text);
    }
    return fields;
}

} // namespace

// The fields the window does not show, written in place: changed, made where
// the file lacks them, a language's block made whole or taken out, and the
// sizes in K and MB following the size in bytes.
void TestPadUpdate::otherFields_data()
{
    QTest::addColumn<QList<Pad::PathText>>("sets");
    QTest::addColumn<QStringList>("removed");
    QTest::addColumn<QString>("size"); // the form's size in bytes; empty: as the file has it
    QTest::addColumn<Replacements>("replacements");
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<bool>("prefixed"); // the file and what it becomes, with every element under p:

    for (const bool prefixed : {false, true}) {
        const char *twin = prefixed ? " (prefixed)" : "";

        QTest::addRow("%s%s", "a short description", twin)
            << QList<Pad::PathText>{{u"Program_Descriptions/English/Char_Desc_80"_s, u"A widget & more."_s}}
            << QStringList() << QString()
            << Replacements{{"<Char_Desc_80>A widget.</Char_Desc_80>",
                             "<Char_Desc_80>A widget &amp; more.</Char_Desc_80>"}}
            << QStringList{u"80 character description"_s} << prefixed;
        QTest::addRow("%s%s", "a field the file lacks", twin)
            << QList<Pad::PathText>{{u"Program_Info/Program_Language"_s, u"English,German"_s}}
            << QStringList() << QString()
            << Replacements{{"\t\t</File_Info>",
                             "\t\t</File_Info>\r\n\t\t<Program_Language>English,German</Program_Language>"}}
            << QStringList{u"Languages"_s} << prefixed;
        QTest::addRow("%s%s", "a language added", twin)
            << QList<Pad::PathText>{{u"Program_Descriptions/Spanish/Char_Desc_45"_s, u"Una herramienta."_s}}
            << QStringList() << QString()
            << Replacements{{"\t\t</French>",
                             "\t\t</French>" + newBlock("Spanish", "Char_Desc_45", "Una herramienta.")}}
            << QStringList{u"Descriptions in Spanish"_s, u"45 character description (Spanish)"_s} << prefixed;
        QTest::addRow("%s%s", "a language's description changed", twin)
            << QList<Pad::PathText>{{u"Program_Descriptions/German/Char_Desc_45"_s, u"Ein kleines Werkzeug."_s}}
            << QStringList() << QString()
            << Replacements{{"Ein Werkzeug.", "Ein kleines Werkzeug."}}
            << QStringList{u"45 character description (German)"_s} << prefixed;
        QTest::addRow("%s%s", "a language removed", twin)
            << QList<Pad::PathText>() << QStringList{u"German"_s} << QString()
            << Replacements{{"\r\n\t\t<German>\r\n\t\t\t<Char_Desc_45>Ein Werkzeug.</Char_Desc_45>\r\n\t\t</German>", ""}}
            << QStringList{u"Descriptions in German"_s} << prefixed;
        QTest::addRow("%s%s", "the last language removed and another added", twin)
            << QList<Pad::PathText>{{u"Program_Descriptions/Italian/Keywords"_s, u"strumento"_s}}
            << QStringList{u"French"_s} << QString()
            << Replacements{{"\r\n\t\t<French>\r\n\t\t\t<Char_Desc_45>Un outil.</Char_Desc_45>\r\n\t\t</French>",
                             newBlock("Italian", "Keywords", "strumento")}}
            << QStringList{u"Descriptions in Italian"_s, u"Keywords (Italian)"_s, u"Descriptions in French"_s} << prefixed;
        QTest::addRow("%s%s", "the file size", twin)
            << QList<Pad::PathText>() << QStringList() << u"2621440"_s
            << Replacements{{"<File_Size_Bytes>1048576<", "<File_Size_Bytes>2621440<"},
                            {"<File_Size_K>1024<", "<File_Size_K>2560<"},
                            {"<File_Size_MB>1<", "<File_Size_MB>2.5<"}}
            << QStringList{u"File Size"_s, u"Size KB"_s, u"Size MB"_s} << prefixed;
        QTest::addRow("%s%s", "a size in K the author sets", twin)
            << QList<Pad::PathText>{{Pad::FileSizeKilobytesPath, u"2560.0"_s}} << QStringList() << u"2621440"_s
            << Replacements{{"<File_Size_Bytes>1048576<", "<File_Size_Bytes>2621440<"},
                            {"<File_Size_K>1024<", "<File_Size_K>2560.0<"},
                            {"<File_Size_MB>1<", "<File_Size_MB>2.5<"}}
            << QStringList{u"File Size"_s, u"Size MB"_s, u"Size KB"_s} << prefixed;
        QTest::addRow("%s%s", "a size that is no number", twin)
            << QList<Pad::PathText>() << QStringList() << u"2,5 MB"_s
            << Replacements{{"<File_Size_Bytes>1048576<", "<File_Size_Bytes>2,5 MB<"}}
            << QStringList{u"File Size"_s} << prefixed;
    }
}

void TestPadUpdate::otherFields()
{
    QFETCH(QList<Pad::PathText>, sets);
    QFETCH(QStringList, removed);
    QFETCH(QString, size);
    QFETCH(Replacements, replacements);
    QFETCH(QStringList, changes);
    QFETCH(bool, prefixed);

    const QByteArray plain = readAll(fixture(u"other-fields.xml"_s));
    const QByteArray bytes = prefixed ? withPrefix(plain) : plain;
    QString reason;
    const std::optional<QList<Pad::PathText>> leaves = readLeaves(bytes, &reason);
    QVERIFY2(leaves, qPrintable(reason));
    const Pad::OtherFields file = Pad::otherFieldsOf(*leaves);
    QCOMPARE(file.languages, (QStringList{u"German"_s, u"French"_s}));
    const Pad::OtherFields fields = changedFields(file, sets, removed);
    const std::optional<Pad::PadImport> imported = readPadData(bytes, Today, &reason);
    QVERIFY2(imported, qPrintable(reason));
    Pad::PadValues values = imported->values;
    if (!size.isEmpty())
        values.text(TextField::File_Size_Bytes) = size;

    const std::optional<Pad::PadUpdate> update =
        updatePadData(bytes, values, Pad::otherFieldEdits(file, fields), Today, &reason);
    QVERIFY2(update, qPrintable(reason));
    // The prefixed file becomes what the plain one does, but for the prefixes.
    QByteArray expected = plain;
    for (const auto &[before, after] : replacements) {
        QCOMPARE(expected.count(before), 1);
        expected.replace(before, after);
    }
    QCOMPARE(update->bytes, prefixed ? withPrefix(expected) : expected);
    QStringList changed;
    for (const Pad::FieldChange &change : update->changes)
        changed << change.field;
    QCOMPARE(changed, changes);

    // Read again, the file holds what the author set, and a second update changes nothing.
    const std::optional<QList<Pad::PathText>> back = readLeaves(update->bytes, &reason);
    QVERIFY2(back, qPrintable(reason));
    QVERIFY(!Pad::holdsChanges(Pad::otherFieldsOf(*back), withSizesOf(fields, *back)));
    const std::optional<Pad::PadUpdate> again =
        updatePadData(update->bytes, values, Pad::otherFieldEdits(Pad::otherFieldsOf(*back), withSizesOf(fields, *back)),
                           Today, &reason);
    QVERIFY2(again, qPrintable(reason));
    QCOMPARE(again->changes, QList<Pad::FieldChange>());
    QCOMPARE(again->bytes, update->bytes);
}

// Every real file the reader takes: a short description, a language's
// description and the file size change, and nothing else does.
void TestPadUpdate::otherFieldsOfSamples_data()
{
    samples_data();
}

void TestPadUpdate::otherFieldsOfSamples()
{
    if (!QDir(samplesDir()).exists())
        QSKIP("The real PAD files are not here: they live in ../shared/pad-samples beside the checkout.");
    QFETCH(QString, path);
    const QByteArray original = readAll(path);
    QString reason;
    const std::optional<QList<Pad::PathText>> leaves = readLeaves(original, &reason);
    QVERIFY2(leaves, qPrintable(reason));
    const Pad::OtherFields file = Pad::otherFieldsOf(*leaves);
    const std::optional<Pad::PadImport> imported = readPadData(original, Today, &reason);
    QVERIFY2(imported, qPrintable(reason));

    // A language the file has, or German made new.
    const QString language = file.languages.value(0, u"German"_s);
    const QString shortPath = u"Program_Descriptions/English/Char_Desc_80"_s;
    const QString languagePath = u"Program_Descriptions/%1/Char_Desc_45"_s.arg(language);
    const Pad::OtherFields fields = changedFields(
        file, {{shortPath, u"A tool that does one thing & does it well."_s}, {languagePath, u"Ein Werkzeug"_s}}, {});
    Pad::PadValues values = imported->values;
    values.text(TextField::File_Size_Bytes) = u"2621440"_s;
    const std::optional<Pad::PadUpdate> update =
        updatePadData(original, values, Pad::otherFieldEdits(file, fields), Today, &reason);
    QVERIFY2(update, qPrintable(reason));

    const std::optional<QList<Pad::PathText>> back = readLeaves(update->bytes, &reason);
    QVERIFY2(back, qPrintable(reason));
    const Pad::OtherFields after = Pad::otherFieldsOf(*back);
    QVERIFY(!Pad::holdsChanges(after, withSizesOf(fields, *back)));
    QCOMPARE(after.values.value(shortPath), fields.values.value(shortPath));
    QCOMPARE(after.values.value(languagePath), u"Ein Werkzeug"_s);

    // Every other element keeps its text, in the same order; a new language
    // brings only its own block.
    QStringList changedPaths{shortPath, languagePath, u"Program_Info/File_Info/File_Size_Bytes"_s,
                             Pad::FileSizeKilobytesPath, Pad::FileSizeMegabytesPath};
    for (const QString &element : Pad::descriptionElements())
        changedPaths << u"Program_Descriptions/%1/%2"_s.arg(language, element);
    QCOMPARE(leavesOf(update->bytes, changedPaths), leavesOf(original, changedPaths));
    for (const auto &[sizePath, size] : {std::pair(QString(Pad::FileSizeKilobytesPath), u"2560"_s),
                                         std::pair(QString(Pad::FileSizeMegabytesPath), u"2.5"_s)}) {
        const Leaves before = leavesOf(original, {});
        const bool had = std::any_of(before.cbegin(), before.cend(),
                                     [&](const auto &leaf) { return leaf.first == sizePath; });
        if (had)
            QCOMPARE(after.values.value(sizePath), size);
    }
    // The form's values come back as they were set.
    const std::optional<Pad::PadImport> form = readPadData(update->bytes, Today, &reason);
    QVERIFY2(form, qPrintable(reason));
    QCOMPARE(form->values, values);
}

// --set takes any path of the format's table; an unknown one is refused by name.
void TestPadUpdate::anyPathCanBeSet_data()
{
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<int>("status");
    QTest::addColumn<Replacements>("replacements"); // for a written file
    QTest::addColumn<QString>("message");           // in the output, or the error for status 2
    QTest::addColumn<bool>("prefixed"); // the file and what it becomes, with every element under p:

    for (const bool prefixed : {false, true}) {
        const char *twin = prefixed ? " (prefixed)" : "";

        QTest::addRow("%s%s", "a short description", twin)
            << QStringList{u"Program_Descriptions/English/Char_Desc_80=A small widget"_s} << 0
            << Replacements{{"<Char_Desc_80>A widget.<", "<Char_Desc_80>A small widget<"}}
            << u": 80 character description"_s << prefixed;
        QTest::addRow("%s%s", "the languages", twin)
            << QStringList{u"Program_Info/Program_Language=English,German"_s} << 0
            << Replacements{{"\t\t</File_Info>",
                             "\t\t</File_Info>\r\n\t\t<Program_Language>English,German</Program_Language>"}}
            << u": Languages"_s << prefixed;
        QTest::addRow("%s%s", "a new language", twin)
            << QStringList{u"Program_Descriptions/Dutch/Keywords=gereedschap"_s} << 0
            << Replacements{{"\t\t</French>", "\t\t</French>" + newBlock("Dutch", "Keywords", "gereedschap")}}
            << u"Keywords (Dutch)"_s << prefixed;
        QTest::addRow("%s%s", "a window's field by its path", twin)
            << QStringList{u"Program_Info/Program_Version=1.3"_s} << 0
            << Replacements{{"<Program_Version>1.2.0<", "<Program_Version>1.3<"}} << u": Program Version"_s << prefixed;
        QTest::addRow("%s%s", "a value breaking the format's rule", twin)
            << QStringList{u"Program_Info/Program_Language=English, German"_s} << 1
            << Replacements{{"\t\t</File_Info>",
                             "\t\t</File_Info>\r\n\t\t<Program_Language>English, German</Program_Language>"}}
            << u"error: Languages: \"English, German\" holds a blank beside a comma."_s << prefixed;
        QTest::addRow("%s%s", "an unknown path", twin)
            << QStringList{u"Program_Info/Program_Colour=blue"_s} << 2 << Replacements()
            << u"Program_Info/Program_Colour is not a field"_s << prefixed;
        QTest::addRow("%s%s", "an element of a description that the format lacks", twin)
            << QStringList{u"Program_Descriptions/German/Char_Desc_99=x"_s} << 2 << Replacements()
            << u"Program_Descriptions/German/Char_Desc_99 is not a field"_s << prefixed;
        QTest::addRow("%s%s", "a language the format lacks", twin)
            << QStringList{u"Program_Descriptions/Klingon/Keywords=x"_s} << 2 << Replacements()
            << u"Klingon is not a language of the PAD format's list"_s << prefixed;
        QTest::addRow("%s%s", "a part of the release date", twin)
            << QStringList{u"Program_Info/Program_Release_Day=4"_s} << 2 << Replacements()
            << u"Program_Release_Date=YYYY-MM-DD"_s << prefixed;
    }
}

void TestPadUpdate::anyPathCanBeSet()
{
    QFETCH(QStringList, settings);
    QFETCH(int, status);
    QFETCH(Replacements, replacements);
    QFETCH(QString, message);
    QFETCH(bool, prefixed);
    const QString path = copyOf(fixture(u"other-fields.xml"_s));
    const QByteArray plain = readAll(path);
    if (prefixed)
        QVERIFY(writeFile(path, withPrefix(plain)));
    const QByteArray before = readAll(path);
    const Run run = runUpdate(path, settings);
    QCOMPARE(run.status, status);
    if (status == int(Cli::UpdateRefused)) {
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(readAll(path), before);
        return;
    }
    QCOMPARE(run.err, QString());
    QVERIFY2(run.out.contains(message), qPrintable(run.out));
    QByteArray expected = plain;
    for (const auto &[from, to] : replacements)
        expected.replace(from, to);
    QCOMPARE(readAll(path), prefixed ? withPrefix(expected) : expected);
}

// The version block is no field of the More PAD Fields dialog, yet --set
// reaches it: emptied, it is compared with what the file holds, not taken for
// no change.
void TestPadUpdate::aFieldOfTheVersionBlockCanBeEmptied()
{
    const QString path = copyOf(fixture(u"rich.xml"_s));
    const QByteArray before = readAll(path);
    const Run run = runUpdate(path, {u"MASTER_PAD_VERSION_INFO/MASTER_PAD_EDITOR="_s});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out.section(u'\n', 0, 0), u"Updated "_s + path + u": PAD Editor"_s);
    QCOMPARE(readAll(path), QByteArray(before).replace("<MASTER_PAD_EDITOR>Written by hand<", "<MASTER_PAD_EDITOR><"));
}

// An update may fill a file up to the size the reader takes, and not a byte more.
void TestPadUpdate::updateUpToTheReadersLimit_data()
{
    QTest::addColumn<int>("over"); // bytes past the limit
    QTest::newRow("at the limit") << 0;
    QTest::newRow("one byte over") << 1;
}

void TestPadUpdate::updateUpToTheReadersLimit()
{
    QFETCH(int, over);
    const QByteArray bytes = readAll(fixture(u"other-fields.xml"_s));
    const QString path = u"Program_Descriptions/English/Char_Desc_450"_s;
    const qsizetype was = qsizetype(qstrlen("A widget that does one thing well."));
    QVERIFY(bytes.contains("<Char_Desc_450>A widget that does one thing well.</Char_Desc_450>"));
    const QString text(Pad::MaxPadFileSize - bytes.size() + was + over, u'x');
    QString reason;
    const std::optional<Pad::PadDocument> file = Pad::loadPad(bytes, Today, &reason);
    QVERIFY2(file, qPrintable(reason));
    const std::optional<Pad::PadDocument> updated = Pad::applyEdits(*file, {{{path, text}}, {}}, Today, &reason);
    if (over == 0) {
        QVERIFY2(updated, qPrintable(reason));
        QCOMPARE(updated->bytes.size(), Pad::MaxPadFileSize);
    } else {
        QVERIFY(!updated);
        QCOMPARE(reason, u"the updated file would be %1 bytes, larger than the 1 MiB that Quillet reads, so it "
                         "could not be opened again"_s.arg(Pad::MaxPadFileSize + 1));
    }
}

QTEST_GUILESS_MAIN(TestPadUpdate)
#include "tst_padupdate.moc"
