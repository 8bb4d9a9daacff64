// Which element is the format's. A file may put the format's elements in one
// namespace, the document element's, under any prefix or as the default; an
// element of any other namespace is foreign: kept byte for byte, listed apart
// under its qualified name, and never read, checked or written as a field.
// Each file here is a twin of a plain one, and imports, checks, lists in
// More PAD Fields and updates as the plain one does.
#include "padcheck.h"
#include "padreader.h"
#include "padupdate.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using Pad::TextField;

namespace {

const QDate Today(2026, 6, 15);

using Replacements = QList<std::pair<QByteArray, QByteArray>>;

// How a twin is made from the plain file: every element under p: first,
// when asked, then each replacement at its first place.
struct Twin
{
    bool prefixed = false;
    Replacements replacements;

    QByteArray of(const QByteArray &plain) const
    {
        QByteArray bytes = prefixed ? withPrefix(plain) : plain;
        for (const auto &[from, to] : replacements) {
            const qsizetype at = bytes.indexOf(from);
            if (at < 0)
                qFatal("the twin's anchor %s is missing", from.constData());
            bytes.replace(at, from.size(), to);
        }
        return bytes;
    }
};

// What the author changes, the same for the plain file and its twin: a form
// field, a missing one, the date, a description, a new language and a block
// the file lacks, under the document element.
Pad::PadValues editedForm(const Pad::PadDocument &file)
{
    Pad::PadValues values = file.imported.values;
    values.text(TextField::Program_Version) = u"2.0"_s;
    values.text(TextField::Application_Screenshot_URL) = u"https://smith.example.com/widget.png"_s;
    values.releaseDate = QDate(2026, 1, 9);
    return values;
}

Pad::OtherFieldEdits editedOthers(const Pad::PadDocument &file)
{
    Pad::OtherFields fields = file.otherFields;
    fields.values.insert(u"Program_Descriptions/English/Char_Desc_45"_s, u"A better widget."_s);
    fields.values.insert(u"Program_Descriptions/French/Char_Desc_45"_s, u"Un widget."_s);
    fields.languages << u"French"_s;
    fields.values.insert(u"Press_Release/Headline"_s, u"Widget 2.0 is out"_s);
    return Pad::otherFieldEditsOf(file, fields);
}

const QByteArray Ext = "xmlns:ext=\"urn:vendor-ext\"";

} // namespace

Q_DECLARE_METATYPE(Twin)
Q_DECLARE_METATYPE(QList<Pad::PathText>)

class TestNamespaces : public QObject
{
    Q_OBJECT

private slots:
    void twinActsAsPlainFile_data();
    void twinActsAsPlainFile();
};

void TestNamespaces::twinActsAsPlainFile_data()
{
    QTest::addColumn<Twin>("twin");
    // The foreign elements, as More PAD Fields lists them after the file's others.
    QTest::addColumn<QList<Pad::PathText>>("foreign");

    const auto root = [](const QByteArray &start) {
        return Replacements{{"<XML_DIZ_INFO>", start}, {"</XML_DIZ_INFO>", start.startsWith("<p:") ? "</p:XML_DIZ_INFO>" : "</XML_DIZ_INFO>"}};
    };
    const QByteArray defaultRoot = "<XML_DIZ_INFO xmlns=\"urn:pad\">";

    QTest::newRow("default namespace") << Twin{false, root(defaultRoot)} << QList<Pad::PathText>();
    QTest::newRow("prefix") << Twin{true, {}} << QList<Pad::PathText>();
    QTest::newRow("prefix on the document element only")
        << Twin{false, root("<p:XML_DIZ_INFO xmlns:p=\"urn:pad\">")} << QList<Pad::PathText>();
    QTest::newRow("two prefixes for the one namespace")
        << Twin{true,
                {{"xmlns:p=\"urn:example:pad\"", "xmlns:p=\"urn:example:pad\" xmlns:q=\"urn:example:pad\""},
                 {"<p:Program_Info>", "<q:Program_Info>"},
                 {"</p:Program_Info>", "</q:Program_Info>"},
                 {"<p:Char_Desc_45>", "<q:Char_Desc_45>"},
                 {"</p:Char_Desc_45>", "</q:Char_Desc_45>"}}}
        << QList<Pad::PathText>();

    QTest::newRow("foreign element before the real one, default namespace")
        << Twin{false, root(defaultRoot) + Replacements{
                   {"<Char_Desc_45>", "<ext:Char_Desc_45 " + Ext + ">Short blurb</ext:Char_Desc_45><Char_Desc_45>"}}}
        << QList<Pad::PathText>{{u"Program_Descriptions/English/ext:Char_Desc_45"_s, u"Short blurb"_s}};
    QTest::newRow("foreign element before the real one, no namespace")
        << Twin{false, {{"<Program_Version>", "<ext:Program_Version " + Ext
                                                  + ">build-4711</ext:Program_Version>\n\t\t<Program_Version>"}}}
        << QList<Pad::PathText>{{u"Program_Info/ext:Program_Version"_s, u"build-4711"_s}};
    QTest::newRow("foreign element after the real one, prefix")
        << Twin{true, {{"</p:Program_Version>", "</p:Program_Version><ext:Program_Version " + Ext
                                                    + ">build-4711</ext:Program_Version>"}}}
        << QList<Pad::PathText>{{u"Program_Info/ext:Program_Version"_s, u"build-4711"_s}};
    QTest::newRow("foreign default namespace on the element")
        << Twin{false, {{"<Program_Version>", "<Program_Version xmlns=\"urn:vendor-ext\">build-4711</Program_Version>"
                                              "<Program_Version>"}}}
        << QList<Pad::PathText>{{u"Program_Info/{urn:vendor-ext}Program_Version"_s, u"build-4711"_s}};
    QTest::newRow("format's names inside a foreign element")
        << Twin{false, {{"<Program_Info>", "<ext:Program_Info " + Ext + "><Program_Version>9</Program_Version>"
                                           "<Program_Type>Freeware</Program_Type></ext:Program_Info><Program_Info>"}}}
        << QList<Pad::PathText>{{u"ext:Program_Info/Program_Version"_s, u"9"_s},
                                {u"ext:Program_Info/Program_Type"_s, u"Freeware"_s}};
    QTest::newRow("foreign language block")
        << Twin{false, {{"<German>", "<ext:French " + Ext + "><Char_Desc_45>Un gadget.</Char_Desc_45></ext:French>"
                                     "<German>"}}}
        << QList<Pad::PathText>{{u"Program_Descriptions/ext:French/Char_Desc_45"_s, u"Un gadget."_s}};
}

void TestNamespaces::twinActsAsPlainFile()
{
    QFETCH(Twin, twin);
    QFETCH(QList<Pad::PathText>, foreign);

    const QByteArray plainBytes = readAll(testDataPath(u"update/rich.xml"_s));
    QString reason;
    const std::optional<Pad::PadDocument> plain = Pad::loadPad(plainBytes, Today, &reason);
    QVERIFY2(plain, qPrintable(reason));
    const std::optional<Pad::PadDocument> file = Pad::loadPad(twin.of(plainBytes), Today, &reason);
    QVERIFY2(file, qPrintable(reason));

    // Import and --check.
    QCOMPARE(file->imported.values, plain->imported.values);
    QCOMPARE(file->imported.noteTexts(), plain->imported.noteTexts());
    QCOMPARE(Pad::documentProblems(*file), Pad::documentProblems(*plain));
    // More PAD Fields: the same fields, and the foreign elements apart, after the kept ones.
    QCOMPARE(file->otherFields, plain->otherFields);
    QCOMPARE(file->kept, plain->kept + foreign);
    QCOMPARE(file->unshownValues, plain->unshownValues + foreign.size());

    // Update: the twin's new bytes are the plain file's new bytes, twinned.
    const std::optional<Pad::PadUpdate> plainUpdate =
        Pad::updatePad(*plain, editedForm(*plain), editedOthers(*plain), Today, &reason);
    QVERIFY2(plainUpdate, qPrintable(reason));
    const std::optional<Pad::PadUpdate> update =
        Pad::updatePad(*file, editedForm(*file), editedOthers(*file), Today, &reason);
    QVERIFY2(update, qPrintable(reason));
    QCOMPARE(update->changes, plainUpdate->changes);
    QCOMPARE(QString::fromUtf8(update->bytes), QString::fromUtf8(twin.of(plainUpdate->bytes)));
}

QTEST_GUILESS_MAIN(TestNamespaces)
#include "tst_namespaces.moc"
