// The reader: Split, the release date, element lookup and text, the mapping of
// a document to the form's values with its notes, refusals, encodings, a round
// trip through the writer, generated shapes that once took the reader minutes,
// and the real PAD files beside the checkout.
#include "padreader.h"
#include "padrules.h"
#include "padwriter.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

using namespace Qt::StringLiterals;
using Pad::TextField;

namespace {

// Fixed so that one- and two-digit years always land in the same century.
const QDate Today(2026, 6, 15);

// What the reader finds at path in xml: whether an element is there and its
// text (empty when it is not); nullopt when the document is refused.
struct ElementAt
{
    bool found = false;
    std::optional<QString> text;
    QString markup;
};
std::optional<ElementAt> elementAt(const QString &xml, const QString &path, QString *reason = nullptr)
{
    QString why;
    const std::optional<Pad::XmlDocument> document = Pad::readXml(xml.toUtf8(), &why);
    if (!document) {
        if (reason)
            *reason = why;
        return std::nullopt;
    }
    const Pad::XmlElement *element = document->find(path);
    if (!element)
        return ElementAt{false, QString(), QString()};
    return ElementAt{true, document->elementText(*element), document->markup(*element)};
}

// What an import takes from a document held in memory.
std::optional<Pad::PadImport> readPadData(const QByteArray &bytes, QString *reason = nullptr)
{
    std::optional<Pad::PadDocument> document = Pad::loadPad(bytes, Today, reason);
    return document ? std::optional(std::move(document->imported)) : std::nullopt;
}

std::optional<Pad::PadImport> import(const QString &xml, QString *reason = nullptr)
{
    return readPadData(xml.toUtf8(), reason);
}

// What an import takes from the file at path; message, on a refusal, is the window's.
std::optional<Pad::PadImport> readPadFile(const QString &path, QString *message)
{
    QString reason;
    std::optional<Pad::PadDocument> document = Pad::loadPadFile(path, Today, &reason);
    if (!document) {
        if (message)
            *message = Pad::importRefusal(path, reason);
        return std::nullopt;
    }
    return std::move(document->imported);
}

// A document whose Program_Info holds the given children.
QString programInfo(const QString &children)
{
    return u"<XML_DIZ_INFO><Program_Info>"_s + children + u"</Program_Info></XML_DIZ_INFO>"_s;
}

const QString ValidDate = u"<Program_Release_Month>6</Program_Release_Month>"
                          "<Program_Release_Day>3</Program_Release_Day>"
                          "<Program_Release_Year>2005</Program_Release_Year>"_s;

QStringList allValues(const Pad::PadValues &values)
{
    QStringList all(values.texts.begin(), values.texts.end());
    return all << values.programType << values.osSupport;
}

Pad::PadValues plainForm()
{
    Pad::PadValues v;
    v.text(TextField::Company_Name) = u"Smith Software"_s;
    v.text(TextField::Company_Website_URL) = u"https://smith.example.com"_s;
    v.text(TextField::Contact_Email) = u"jo@smith.example.com"_s;
    v.text(TextField::Program_Name) = u"Widget"_s;
    v.text(TextField::Program_Version) = u"1.2"_s;
    v.text(TextField::Program_Cost_Dollars) = u"19.95"_s;
    v.text(TextField::File_Size_Bytes) = u"1048576"_s;
    v.text(TextField::Keywords) = u"widget, tool"_s;
    v.text(TextField::Char_Desc_450) = u"A widget."_s;
    v.text(TextField::Application_Info_URL) = u"https://smith.example.com/widget"_s;
    v.text(TextField::Application_XML_File_URL) = u"https://smith.example.com/pad.xml"_s;
    v.text(TextField::Application_Screenshot_URL) = u"https://smith.example.com/shot.png"_s;
    v.text(TextField::Primary_Download_URL) = u"https://smith.example.com/setup.exe"_s;
    v.releaseDate = QDate(2005, 6, 3);
    v.programType = u"Shareware"_s;
    v.osSupport = QStringList{u"WinXP"_s};
    return v;
}

// The eighteen element paths of the field map, below the document element.
const QStringList MappedPaths{
    u"Company_Info/Company_Name"_s,
    u"Company_Info/Company_WebSite_URL"_s,
    u"Company_Info/Contact_Info/Contact_Email"_s,
    u"Program_Info/Program_Name"_s,
    u"Program_Info/Program_Version"_s,
    u"Program_Info/Program_Type"_s,
    u"Program_Info/Program_Cost_Dollars"_s,
    u"Program_Info/File_Info/File_Size_Bytes"_s,
    u"Program_Descriptions/English/Keywords"_s,
    u"Program_Descriptions/English/Char_Desc_450"_s,
    u"Web_Info/Application_URLs/Application_Info_URL"_s,
    u"Web_Info/Application_URLs/Application_XML_File_URL"_s,
    u"Web_Info/Application_URLs/Application_Screenshot_URL"_s,
    u"Web_Info/Download_URLs/Primary_Download_URL"_s,
    u"Program_Info/Program_OS_Support"_s,
    u"Program_Info/Program_Release_Day"_s,
    u"Program_Info/Program_Release_Month"_s,
    u"Program_Info/Program_Release_Year"_s,
};

enum class Markup { Element, Comment, ProcessingInstruction, TextAndCdata, EntityReference };

// Names as a note lists them: each quoted, as every problem quotes its value.
QString quotedNames(const QStringList &names)
{
    QStringList quoted;
    for (const QString &name : names)
        quoted << Pad::quotedValue(name);
    return quoted.join(u", "_s);
}

} // namespace

class TestPadReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void releaseDate_data();
    void releaseDate();

    void findElement_data();
    void findElement();
    void elementText_data();
    void elementText();

    void documentElement_data();
    void documentElement();
    void markupInElements_data();
    void markupInElements();
    void programType_data();
    void programType();
    void osSupport_data();
    void osSupport();
    void releaseDateOfDocument_data();
    void releaseDateOfDocument();
    void notesAppearOnceInStepOrder();

    void roundTrip_data();
    void roundTrip();
    void encodings_data();
    void encodings();
    void encodingsThatPadFilesDeclare_data();
    void encodingsThatPadFilesDeclare();
    void refusals_data();
    void refusals();
    void charactersXmlDoesNotAllow_data();
    void charactersXmlDoesNotAllow();
    void generatedShapes_data();
    void generatedShapes();
    void externalEntitiesAreNeverFetched();
    void spans_data();
    void spans();
    void spansOfAnElementAndOfOnesInside();
    void leaves();
    void leavesOfDeepNestingAreBounded();
    void documentTooLargeToIndex();

    void samples_data();
    void samples();
    void prefixedTwinReadsTheSame_data();
    void prefixedTwinReadsTheSame();

private:
    QTemporaryDir m_dir;
};

void TestPadReader::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestPadReader::releaseDate_data()
{
    QTest::addColumn<QString>("joined");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("expected");

    const QDate none;
    QTest::newRow("plain") << u"12/31/2005"_s << Today << QDate(2005, 12, 31);
    QTest::newRow("as the writer writes it") << u"6/3/2005"_s << Today << QDate(2005, 6, 3);
    QTest::newRow("leading zeros") << u"03/08/2002"_s << Today << QDate(2002, 3, 8);
    QTest::newRow("many leading zeros") << u"0000012/000031/0002005"_s << Today << QDate(2005, 12, 31);
    QTest::newRow("three-digit day") << u"07/010/2012"_s << Today << QDate(2012, 7, 10);
    QTest::newRow("blanks everywhere") << u"  12 /  31 / 2005  "_s << Today << QDate(2005, 12, 31);
    QTest::newRow("trailing slash") << u"12/31/2005/"_s << Today << QDate(2005, 12, 31);
    QTest::newRow("trailing slash and blanks") << u"12/31/2005 /  "_s << Today << QDate(2005, 12, 31);

    QTest::newRow("two-digit year") << u"12/31/05"_s << Today << QDate(2005, 12, 31);
    QTest::newRow("one-digit year") << u"12/31/5"_s << Today << QDate(2005, 12, 31);
    QTest::newRow("99 is this century") << u"1/1/99"_s << Today << QDate(2099, 1, 1);
    QTest::newRow("00") << u"1/1/00"_s << Today << QDate(2000, 1, 1);
    QTest::newRow("0") << u"1/1/0"_s << Today << QDate(2000, 1, 1);
    QTest::newRow("two digits in the 1900s") << u"6/1/05"_s << QDate(1999, 12, 31) << QDate(1905, 6, 1);
    QTest::newRow("two digits in the 2100s") << u"6/1/05"_s << QDate(2150, 1, 1) << QDate(2105, 6, 1);
    QTest::newRow("two digits on the first day of 2000") << u"1/1/05"_s << QDate(2000, 1, 1) << QDate(2005, 1, 1);
    QTest::newRow("two digits on the last day of 2100") << u"1/1/05"_s << QDate(2100, 12, 31) << QDate(2105, 1, 1);
    QTest::newRow("three digits are the year") << u"1/1/005"_s << Today << QDate(5, 1, 1);
    QTest::newRow("four digits are the year") << u"1/1/0099"_s << Today << QDate(99, 1, 1);
    QTest::newRow("year 1") << u"1/1/0001"_s << Today << QDate(1, 1, 1);
    QTest::newRow("year 9999") << u"12/31/9999"_s << Today << QDate(9999, 12, 31);
    QTest::newRow("year 0") << u"1/1/000"_s << Today << none;
    QTest::newRow("five digits") << u"1/1/10000"_s << Today << none;
    QTest::newRow("five digits after zeros") << u"1/1/020050"_s << Today << none;
    QTest::newRow("five-digit month") << u"00001/1/2005"_s << Today << QDate(2005, 1, 1);
    QTest::newRow("month 12345") << u"12345/1/2005"_s << Today << none;
    QTest::newRow("year beyond 32 bits") << u"1/1/4294969297"_s << Today << none;

    QTest::newRow("Feb 29 leap year") << u"2/29/2004"_s << Today << QDate(2004, 2, 29);
    QTest::newRow("Feb 29 non-leap year") << u"2/29/2005"_s << Today << none;
    QTest::newRow("Feb 29 1900") << u"2/29/1900"_s << Today << none;
    QTest::newRow("Feb 29 2000") << u"2/29/2000"_s << Today << QDate(2000, 2, 29);
    QTest::newRow("Feb 29 2100") << u"2/29/2100"_s << Today << none;
    QTest::newRow("Feb 29 two-digit leap") << u"2/29/24"_s << Today << QDate(2024, 2, 29);
    QTest::newRow("Feb 30") << u"2/30/2005"_s << Today << none;
    QTest::newRow("April 31") << u"4/31/2005"_s << Today << none;
    QTest::newRow("month 13") << u"13/1/2005"_s << Today << none;
    QTest::newRow("month 0") << u"0/1/2005"_s << Today << none;
    QTest::newRow("day 0") << u"1/0/2005"_s << Today << none;
    QTest::newRow("day 32") << u"1/32/2005"_s << Today << none;

    QTest::newRow("empty") << QString() << Today << none;
    QTest::newRow("nothing between slashes") << u"//"_s << Today << none;
    QTest::newRow("missing year") << u"12/31/"_s << Today << none;
    QTest::newRow("missing day") << u"12//2005"_s << Today << none;
    QTest::newRow("two parts") << u"12/31"_s << Today << none;
    QTest::newRow("two trailing slashes") << u"12/31/2005//"_s << Today << none;
    QTest::newRow("four parts") << u"12/31/2005/1"_s << Today << none;
    QTest::newRow("dashes") << u"12-31-2005"_s << Today << none;
    QTest::newRow("blank inside a number") << u"1 2/31/2005"_s << Today << none;
    QTest::newRow("tab is no blank") << u"\t12/31/2005"_s << Today << none;
    QTest::newRow("line break is no blank") << u"12/31/2005\n"_s << Today << none;
    QTest::newRow("no-break space is no blank") << u"12/31/2005\u00a0"_s << Today << none;
    QTest::newRow("sign") << u"+12/31/2005"_s << Today << none;
    QTest::newRow("other digits") << u"\u0661\u0662/31/2005"_s << Today << none;
    QTest::newRow("letters") << u"Dec/31/2005"_s << Today << none;
    QTest::newRow("placeholders") << u"__MONTH__/__DAY__/__YEAR__"_s << Today << none;
}

void TestPadReader::releaseDate()
{
    QFETCH(QString, joined);
    QFETCH(QDate, today);
    QFETCH(QDate, expected);

    QCOMPARE(Pad::readReleaseDate(joined, today), expected);
}

void TestPadReader::findElement_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("foundId"); // empty: no element

    QTest::newRow("path") << u"<R><A><B id='1'/></A></R>"_s << u"A/B"_s << u"1"_s;
    QTest::newRow("first of two") << u"<R><A><B id='1'/><B id='2'/></A></R>"_s << u"A/B"_s << u"1"_s;
    QTest::newRow("first parent only") << u"<R><A/><A><B id='2'/></A></R>"_s << u"A/B"_s << QString();
    QTest::newRow("other children skipped")
        << u"<R>text<!--c--><?pi x?><A>x<!--c--><X/><B id='1'/></A></R>"_s << u"A/B"_s << u"1"_s;
    QTest::newRow("case differs") << u"<R><A><b id='1'/></A></R>"_s << u"A/B"_s << QString();
    QTest::newRow("longer name") << u"<R><A><BB id='1'/></A></R>"_s << u"A/B"_s << QString();
    QTest::newRow("missing last level") << u"<R><A><C/></A></R>"_s << u"A/B"_s << QString();
    QTest::newRow("missing middle level") << u"<R><B id='1'/></R>"_s << u"A/B"_s << QString();
    QTest::newRow("missing first level") << u"<R/>"_s << u"A/B/C"_s << QString();
    QTest::newRow("document element not in the path") << u"<R><R><A id='1'/></R><A id='2'/></R>"_s
                                                       << u"A"_s << u"2"_s;

    QTest::newRow("prefixed names") << u"<p:R xmlns:p='urn:pad'><p:A><p:B id='1'/></p:A></p:R>"_s
                                    << u"A/B"_s << u"1"_s;
    QTest::newRow("default namespace") << u"<R xmlns='urn:pad'><A><B id='1'/></A></R>"_s
                                       << u"A/B"_s << u"1"_s;
    QTest::newRow("namespace case differs")
        << u"<R xmlns='urn:pad'><A><x:B xmlns:x='URN:PAD' id='1'/></A></R>"_s << u"A/B"_s << u"1"_s;
    // An element in no namespace is the format's, as one in the document element's is.
    QTest::newRow("child leaves the namespace")
        << u"<R xmlns='urn:pad'><A><B xmlns='' id='1'/><B id='2'/></A></R>"_s << u"A/B"_s << u"1"_s;
    QTest::newRow("child in another namespace")
        << u"<p:R xmlns:p='urn:pad' xmlns:q='urn:other'><p:A><q:B id='1'/><p:B id='2'/></p:A></p:R>"_s
        << u"A/B"_s << u"2"_s;
    QTest::newRow("unprefixed child below prefixed parent")
        << u"<p:R xmlns:p='urn:pad'><A id='1'/></p:R>"_s << u"A"_s << u"1"_s;
    // Any namespace but the document element's is foreign, wherever it is declared.
    QTest::newRow("parent without namespace")
        << u"<R><A><q:B xmlns:q='urn:other' id='1'/></A></R>"_s << u"A/B"_s << QString();
    QTest::newRow("foreign first, then the format's")
        << u"<R><A><q:B xmlns:q='urn:other' id='1'/><B id='2'/></A></R>"_s << u"A/B"_s << u"2"_s;
    QTest::newRow("the format's name inside a foreign element")
        << u"<R><q:A xmlns:q='urn:other'><B id='1'/></q:A><A><B id='2'/></A></R>"_s << u"A/B"_s << u"2"_s;
    QTest::newRow("qualified step")
        << u"<p:R xmlns:p='urn:pad'><p:A id='1'/></p:R>"_s << u"p:A"_s << QString();
}

void TestPadReader::findElement()
{
    QFETCH(QString, xml);
    QFETCH(QString, path);
    QFETCH(QString, foundId);

    // The rows mark elements with an id; the pass keeps texts, so the id becomes the text.
    static const QRegularExpression marked(u"<([\\w:]+)([^<>]*) id='(\\d)'/>"_s);
    const QString withTexts = QString(xml).replace(marked, u"<\\1\\2>\\3</\\1>"_s);
    QString reason;
    const std::optional<ElementAt> element = elementAt(withTexts, path, &reason);
    QVERIFY2(element, qPrintable(reason));
    QCOMPARE(element->found, !foundId.isEmpty());
    QCOMPARE(element->text.value_or(u"markup"_s), foundId);
}

void TestPadReader::elementText_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<bool>("isText");
    QTest::addColumn<QString>("text");

    QTest::newRow("missing") << u"<R/>"_s << true << QString();
    QTest::newRow("empty form") << u"<R><E/></R>"_s << true << QString();
    QTest::newRow("no content") << u"<R><E></E></R>"_s << true << QString();
    QTest::newRow("blanks only") << u"<R><E>   </E></R>"_s << true << u"   "_s;
    QTest::newRow("white space only") << u"<R><E>\n\t \r\n</E></R>"_s << true << u"\n\t \n"_s;
    QTest::newRow("no-break spaces only") << u"<R><E>\u00a0\u00a0</E></R>"_s << true << u"\u00a0\u00a0"_s;
    QTest::newRow("wide spaces only") << u"<R><E>\u2003\u3000 </E></R>"_s << true << u"\u2003\u3000 "_s;
    QTest::newRow("CR LF and CR become LF") << u"<R><E>a\r\nb\rc</E></R>"_s << true << u"a\nb\nc"_s;
    QTest::newRow("white space in CDATA") << u"<R><E><![CDATA[ \t ]]></E></R>"_s << true << u" \t "_s;
    QTest::newRow("not trimmed") << u"<R><E> a  b </E></R>"_s << true << u" a  b "_s;
    QTest::newRow("line breaks") << u"<R><E>one\ntwo\n</E></R>"_s << true << u"one\ntwo\n"_s;
    QTest::newRow("amp") << u"<R><E>A &amp; B</E></R>"_s << true << u"A & B"_s;
    QTest::newRow("character references") << u"<R><E>&#252;ber &#x20AC; &#x1F600;</E></R>"_s << true
                                          << u"\u00fcber \u20ac \U0001F600"_s;
    QTest::newRow("one reference alone") << u"<R><E>&#252;</E></R>"_s << true << u"\u00fc"_s;
    QTest::newRow("predefined entities") << u"<R><E>&lt;a&gt; &quot;b&quot; &apos;c&apos;</E></R>"_s
                                         << true << u"<a> \"b\" 'c'"_s;
    QTest::newRow("many references")
        << u"<R><E>"_s + u"x &amp; &#252; "_s.repeated(2000) + u"</E></R>"_s << true
        << u"x & \u00fc "_s.repeated(2000);
    QTest::newRow("CDATA") << u"<R><E><![CDATA[x<y & z]]></E></R>"_s << true << u"x<y & z"_s;
    QTest::newRow("CDATA with blanks") << u"<R><E>  <![CDATA[ x ]]>  </E></R>"_s << true << u" x "_s;
    QTest::newRow("CDATA that reads as its own start")
        << u"<R><E><![CDATA[<![CDATA[]]></E></R>"_s << true << u"<![CDATA["_s;
    QTest::newRow("long text") << u"<R><E>"_s + QString(5000, u'x') + u"</E></R>"_s << true << QString(5000, u'x');
    QTest::newRow("long text after a CR LF")
        << u"<R><E>\r\n"_s + QString(5000, u'x') + u"</E></R>"_s << true << u"\n"_s + QString(5000, u'x');

    QTest::newRow("child element") << u"<R><E><b>x</b></E></R>"_s << false << QString();
    QTest::newRow("empty child element") << u"<R><E>a<b/>c</E></R>"_s << false << QString();
    QTest::newRow("child in white space") << u"<R><E>  <b/>  </E></R>"_s << false << QString();
    QTest::newRow("comment only") << u"<R><E><!--c--></E></R>"_s << false << QString();
    QTest::newRow("comment in text") << u"<R><E>a<!--c-->b</E></R>"_s << false << QString();
    QTest::newRow("processing instruction") << u"<R><E><?pi x?></E></R>"_s << false << QString();
    QTest::newRow("text and CDATA") << u"<R><E>x<![CDATA[y]]></E></R>"_s << false << QString();
    QTest::newRow("two CDATA") << u"<R><E><![CDATA[x]]><![CDATA[y]]></E></R>"_s << false << QString();
    QTest::newRow("undeclared entity") << u"<!DOCTYPE R SYSTEM 'r.dtd'><R><E>&u;</E></R>"_s << false
                                       << QString();
}

void TestPadReader::elementText()
{
    QFETCH(QString, xml);
    QFETCH(bool, isText);
    QFETCH(QString, text);

    QString reason;
    const std::optional<ElementAt> element = elementAt(xml, u"E"_s, &reason);
    QVERIFY2(element, qPrintable(reason));
    QCOMPARE(element->text.has_value(), isText);
    if (isText)
        QCOMPARE(*element->text, text);

    // Elements before it that hold markup or texts that read otherwise than
    // written do not change what it holds.
    const QString others = u"<A><!--a--></A><B>&amp;</B><C>x<![CDATA[y]]></C><D><?d?></D><F>f</F>"_s;
    const std::optional<ElementAt> amongOthers =
        elementAt(QString(xml).replace(u"<R>"_s, u"<R>"_s + others), u"E"_s, &reason);
    QVERIFY2(amongOthers, qPrintable(reason));
    QCOMPARE(amongOthers->text, element->text);
    QCOMPARE(amongOthers->markup, element->markup);
}

void TestPadReader::documentElement_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("reason"); // empty: imported

    const QString body = u"<Company_Info><Company_Name>Smith</Company_Name></Company_Info>"_s;
    QTest::newRow("XML_DIZ_INFO") << u"<XML_DIZ_INFO>"_s + body + u"</XML_DIZ_INFO>"_s << QString();
    QTest::newRow("default namespace")
        << u"<XML_DIZ_INFO xmlns='urn:pad'>"_s + body + u"</XML_DIZ_INFO>"_s << QString();
    QTest::newRow("prefixed") << u"<pad:XML_DIZ_INFO xmlns:pad='urn:pad'><pad:Company_Info>"
                                 "<pad:Company_Name>Smith</pad:Company_Name></pad:Company_Info>"
                                 "</pad:XML_DIZ_INFO>"_s
                              << QString();
    QTest::newRow("other name") << u"<XML_PAD>"_s + body + u"</XML_PAD>"_s
                                << u"its document element is <XML_PAD>, not <XML_DIZ_INFO>"_s;
    QTest::newRow("case differs") << u"<xml_diz_info>"_s + body + u"</xml_diz_info>"_s
                                  << u"its document element is <xml_diz_info>, not <XML_DIZ_INFO>"_s;
    QTest::newRow("prefixed other name")
        << u"<pad:PAD xmlns:pad='urn:pad'/>"_s << u"its document element is <pad:PAD>, not <XML_DIZ_INFO>"_s;
    QTest::newRow("no document") << QString()
                                 << u"it is not well-formed XML (line 1, column 0: Premature end of document.)"_s;
    QTest::newRow("unsupported encoding")
        << u"<?xml version=\"1.0\" encoding=\"x-none\"?><XML_DIZ_INFO/>"_s
        << u"it is not well-formed XML (line 1, column 31: Encoding x-none is unsupported)"_s;
    QTest::newRow("text after the document element")
        << u"<XML_DIZ_INFO>"_s + body + u"</XML_DIZ_INFO>junk"_s
        << u"it is not well-formed XML (line 1, column 93: Extra content at end of document.)"_s;
}

void TestPadReader::documentElement()
{
    QFETCH(QString, xml);
    QFETCH(QString, reason);

    QString why;
    const std::optional<Pad::PadImport> read = import(xml, &why);
    QCOMPARE(!read, !reason.isEmpty());
    if (read)
        QCOMPARE(read->values.text(TextField::Company_Name), u"Smith"_s);
    else
        QCOMPARE(why, reason);
}

void TestPadReader::markupInElements_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("markup");
    QTest::addColumn<QString>("reason"); // empty: imported

    const QString root = u"XML_DIZ_INFO/"_s;
    for (const QString &path : MappedPaths) {
        QTest::addRow("element in %s", qPrintable(path))
            << path << int(Markup::Element)
            << u"the element "_s + root + path + u" holds a child element <b> instead of plain text"_s;
    }
    const QString keywords = u"Program_Descriptions/English/Keywords"_s;
    const QString start = u"the element "_s + root + keywords + u" holds "_s;
    QTest::newRow("comment") << keywords << int(Markup::Comment)
                             << start + u"a comment instead of plain text"_s;
    QTest::newRow("processing instruction")
        << keywords << int(Markup::ProcessingInstruction)
        << start + u"a processing instruction instead of plain text"_s;
    QTest::newRow("text and CDATA") << keywords << int(Markup::TextAndCdata)
                                    << start + u"several pieces of text and CDATA instead of plain text"_s;
    QTest::newRow("entity reference")
        << keywords << int(Markup::EntityReference)
        << start + u"a reference to the entity &x; that the reader does not resolve instead of plain text"_s;

    QTest::newRow("outside the map: longer description")
        << u"Program_Descriptions/English/Char_Desc_2000"_s << int(Markup::Element) << QString();
    QTest::newRow("outside the map: pad info")
        << u"MASTER_PAD_VERSION_INFO/MASTER_PAD_INFO"_s << int(Markup::Comment) << QString();
    QTest::newRow("outside the map: container")
        << u"Program_Info/File_Info"_s << int(Markup::ProcessingInstruction) << QString();
}

void TestPadReader::markupInElements()
{
    QFETCH(QString, path);
    QFETCH(int, markup);
    QFETCH(QString, reason);

    QDomDocument document;
    QVERIFY(document.setContent(Pad::padFileBytes(Pad::padFileLines(plainForm())), true));
    QDomElement element = document.documentElement();
    for (const QString &step : path.split(u'/'))
        element = element.firstChildElement(step);
    QVERIFY(!element.isNull());
    switch (Markup(markup)) {
    case Markup::Element:
        element.appendChild(document.createElement(u"b"_s));
        break;
    case Markup::Comment:
        element.appendChild(document.createComment(u"note"_s));
        break;
    case Markup::ProcessingInstruction:
        element.appendChild(document.createProcessingInstruction(u"pi"_s, u"x"_s));
        break;
    case Markup::TextAndCdata:
        element.appendChild(document.createCDATASection(u"more"_s));
        break;
    case Markup::EntityReference:
        while (element.hasChildNodes())
            element.removeChild(element.firstChild());
        element.appendChild(document.createEntityReference(u"x"_s));
        break;
    }

    QString xml = document.toString(-1);
    // Only a document type with an external part lets a reference stay unresolved.
    if (Markup(markup) == Markup::EntityReference)
        xml.insert(xml.indexOf(u"<XML_DIZ_INFO"_s), u"<!DOCTYPE XML_DIZ_INFO SYSTEM 'pad.dtd'>"_s);
    QString why;
    const std::optional<Pad::PadImport> read = import(xml, &why);
    QCOMPARE(!read, !reason.isEmpty());
    if (read)
        QCOMPARE(read->values, plainForm());
    else
        QCOMPARE(why, reason);
}

void TestPadReader::programType_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QStringList>("notes");

    for (const QString &type : Pad::ProgramTypeList()) {
        QTest::addRow("%s", qPrintable(type)) << u"<Program_Type>"_s + type + u"</Program_Type>"_s
                                              << type << QStringList();
    }
    QTest::newRow("lower case") << u"<Program_Type>freeware</Program_Type>"_s << u"Freeware"_s
                                << QStringList();
    QTest::newRow("upper case") << u"<Program_Type>DATA ONLY</Program_Type>"_s << u"Data Only"_s
                                << QStringList();
    QTest::newRow("not listed") << u"<Program_Type>Trial</Program_Type>"_s << QString()
                                << QStringList{u"Program Type: \"Trial\" is not in the list"_s};
    QTest::newRow("blank is compared") << u"<Program_Type>Freeware </Program_Type>"_s << QString()
                                       << QStringList{u"Program Type: \"Freeware \" is not in the list"_s};
    QTest::newRow("a line break in it") << u"<Program_Type>Freewa\ne</Program_Type>"_s << QString()
                                        << QStringList{u"Program Type: \"Freewa\\ne\" is not in the list"_s};
    QTest::newRow("part of an entry") << u"<Program_Type>Data</Program_Type>"_s << QString()
                                      << QStringList{u"Program Type: \"Data\" is not in the list"_s};
    QTest::newRow("empty") << u"<Program_Type/>"_s << QString()
                           << QStringList{u"Program Type: not given in the file"_s};
    QTest::newRow("missing") << QString() << QString()
                             << QStringList{u"Program Type: not given in the file"_s};
}

void TestPadReader::programType()
{
    QFETCH(QString, element);
    QFETCH(QString, selected);
    QFETCH(QStringList, notes);

    const QString document = programInfo(
        element + u"<Program_OS_Support>WinXP</Program_OS_Support>"_s + ValidDate);
    const std::optional<Pad::PadImport> read = import(document);
    QVERIFY(read);
    QCOMPARE(read->values.programType, selected);
    QCOMPARE(read->programTypeFound(), !selected.isEmpty());
    QCOMPARE(read->noteTexts(), notes);
}

void TestPadReader::osSupport_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<QString>("note"); // empty: none

    const auto os = [](const QString &text) {
        return u"<Program_OS_Support>"_s + text + u"</Program_OS_Support>"_s;
    };
    QTest::newRow("one") << os(u"WinXP"_s) << QStringList{u"WinXP"_s} << QString();
    QTest::newRow("list order") << os(u"Linux,WinXP,Win95"_s)
                                << QStringList{u"Win95"_s, u"WinXP"_s, u"Linux"_s} << QString();
    QTest::newRow("comma at the end") << os(u"Win95,WinXP,"_s)
                                      << QStringList{u"Win95"_s, u"WinXP"_s} << QString();
    QTest::newRow("letter case") << os(u"winxp,MAC 68K,os/2 WARP"_s)
                                 << QStringList{u"WinXP"_s, u"OS/2 Warp"_s, u"MAC 68k"_s} << QString();
    QTest::newRow("blank after comma") << os(u"Win95, WinXP"_s)
                                       << QStringList{u"Win95"_s, u"WinXP"_s} << QString();
    QTest::newRow("wrapped over lines")
        << os(u"\n\t\tWin95,Linux\n\t\tGnome , Palm   OS 3.0,\n\t"_s)
        << QStringList{u"Win95"_s, u"Linux Gnome"_s, u"Palm OS 3.0"_s} << QString();
    QTest::newRow("empty parts") << os(u",Win95,,WinXP, ,"_s) << QStringList{u"Win95"_s, u"WinXP"_s}
                                 << QString();
    QTest::newRow("twice") << os(u"WinXP,winxp,WinXP"_s) << QStringList{u"WinXP"_s} << QString();
    QTest::newRow("all") << os(Pad::OsSupportList().join(u',')) << Pad::OsSupportList() << QString();
    QTest::newRow("all backwards")
        << os(QStringList(Pad::OsSupportList().crbegin(), Pad::OsSupportList().crend()).join(u", "_s))
        << Pad::OsSupportList() << QString();

    QTest::newRow("today's systems")
        << os(u"Win11,Win10,win7 x64,Windows 8,WinVista,Android,iPhone,Handheld/Mobile Other,Other"_s)
        << QStringList{u"WinVista"_s, u"Win7 x64"_s, u"Windows 8"_s, u"Win10"_s, u"Win11"_s,
                       u"Android"_s, u"iPhone"_s, u"Handheld/Mobile Other"_s, u"Other"_s}
        << QString();

    QTest::newRow("one not listed") << os(u"Win95,Win12"_s) << QStringList{u"Win95"_s}
                                    << u"OS Support: \"Win12\" is not in the list"_s;
    QTest::newRow("several not listed")
        << os(u"Win7 x86,WinXP,\n  Vista ,  Mac  OS X 10.5"_s) << QStringList{u"WinXP"_s}
        << u"OS Support: \"Win7 x86\", \"Vista\", \"Mac OS X 10.5\" are not in the list"_s;
    QTest::newRow("not listed, named twice") << os(u"Vista,vista,VISTA"_s) << QStringList()
                                             << u"OS Support: \"Vista\" is not in the list"_s;
    QTest::newRow("none listed") << os(u"Win10 x64,Win11 x64"_s) << QStringList()
                                 << u"OS Support: \"Win10 x64\", \"Win11 x64\" are not in the list"_s;
    QTest::newRow("empty") << os(QString()) << QStringList() << u"OS Support: not given in the file"_s;
    QStringList many;
    for (int i = 1; i <= 60; ++i)
        many << u"System %1"_s.arg(i);
    QTest::newRow("more names than a note lists")
        << os(many.join(u','))
        << QStringList()
        << u"OS Support: "_s + quotedNames(many.mid(0, Pad::MaxListedOsNames))
               + u" and 10 more are not in the list"_s;
    QTest::newRow("names repeated beyond the listed ones")
        << os(many.join(u',') + u","_s + many.join(u',').toUpper() + u",WinXP"_s)
        << QStringList{u"WinXP"_s}
        << u"OS Support: "_s + quotedNames(many.mid(0, Pad::MaxListedOsNames))
               + u" and 10 more are not in the list"_s;
    // Each name is cut short, so that 30 of them fill the note.
    QStringList longNames;
    for (int i = 0; i < 40; ++i)
        longNames << QString(1500, u'x') + QString::number(i);
    QTest::newRow("long names cut the note earlier")
        << os(longNames.join(u',')) << QStringList()
        << u"OS Support: "_s + quotedNames(longNames.mid(0, 30)) + u" and 10 more are not in the list"_s;
    QTest::newRow("one very long name") << os(QString(5000, u'v')) << QStringList()
                                        << u"OS Support: \""_s + QString(60, u'v') + u"\u2026\" is not in the list"_s;
    QTest::newRow("a line break in a name")
        << os(u"Win95,Beos\n 5"_s) << QStringList{u"Win95"_s} << u"OS Support: \"Beos 5\" is not in the list"_s;
    QTest::newRow("commas only") << os(u" , ,"_s) << QStringList()
                                 << u"OS Support: not given in the file"_s;
    QTest::newRow("missing") << QString() << QStringList() << u"OS Support: not given in the file"_s;
}

void TestPadReader::osSupport()
{
    QFETCH(QString, element);
    QFETCH(QStringList, ticked);
    QFETCH(QString, note);

    const QString document =
        programInfo(u"<Program_Type>Freeware</Program_Type>"_s + element + ValidDate);
    const std::optional<Pad::PadImport> read = import(document);
    QVERIFY(read);
    QCOMPARE(read->values.osSupport, ticked);
    QCOMPARE(read->noteTexts(), note.isEmpty() ? QStringList() : QStringList{note});
    QCOMPARE(read->values.releaseDate, QDate(2005, 6, 3));
}

void TestPadReader::releaseDateOfDocument_data()
{
    QTest::addColumn<QString>("elements");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("note"); // empty: none

    const auto date = [](const QString &month, const QString &day, const QString &year) {
        return u"<Program_Release_Year>"_s + year + u"</Program_Release_Year><Program_Release_Day>"_s
               + day + u"</Program_Release_Day><Program_Release_Month>"_s + month
               + u"</Program_Release_Month>"_s;
    };
    QTest::newRow("month before day") << date(u"2"_s, u"3"_s, u"2005"_s) << QDate(2005, 2, 3)
                                      << QString();
    QTest::newRow("two-digit year") << date(u"12"_s, u"31"_s, u"05"_s) << QDate(2005, 12, 31)
                                    << QString();
    QTest::newRow("blanks kept for the grammar") << date(u" 12 "_s, u"31"_s, u" 2005 "_s)
                                                 << QDate(2005, 12, 31) << QString();
    QTest::newRow("no such day") << date(u"2"_s, u"30"_s, u"2005"_s) << QDate()
                                 << u"Release Date: \"2/30/2005\" is not a valid date"_s;
    QTest::newRow("year missing") << date(u"4"_s, u"1"_s, QString()) << QDate()
                                  << u"Release Date: \"4/1/\" is not a valid date"_s;
    QTest::newRow("placeholders") << date(u"__MONTH__"_s, u"__DAY__"_s, u"__YEAR__"_s) << QDate()
                                  << u"Release Date: \"__MONTH__/__DAY__/__YEAR__\" is not a valid date"_s;
    QTest::newRow("all empty") << date(QString(), QString(), QString()) << QDate()
                               << u"Release Date: not given in the file"_s;
    QTest::newRow("all missing") << QString() << QDate() << u"Release Date: not given in the file"_s;
}

void TestPadReader::releaseDateOfDocument()
{
    QFETCH(QString, elements);
    QFETCH(QDate, date);
    QFETCH(QString, note);

    const QString document = programInfo(
        u"<Program_Type>Freeware</Program_Type><Program_OS_Support>WinXP</Program_OS_Support>"_s
        + elements);
    const std::optional<Pad::PadImport> read = import(document);
    QVERIFY(read);
    QCOMPARE(read->values.releaseDate, date);
    QCOMPARE(read->noteTexts(), note.isEmpty() ? QStringList() : QStringList{note});
}

void TestPadReader::notesAppearOnceInStepOrder()
{
    const QString document = programInfo(
        u"<Program_Release_Month>2</Program_Release_Month><Program_Release_Day>30</Program_Release_Day>"
        "<Program_Release_Year>2005</Program_Release_Year>"
        "<Program_OS_Support>Vista,Win7 x86,WinXP,vista</Program_OS_Support>"
        "<Program_Type>Open Source</Program_Type>"_s);
    const std::optional<Pad::PadImport> read = import(document);
    QVERIFY(read);
    QCOMPARE(read->noteTexts(), (QStringList{u"Program Type: \"Open Source\" is not in the list"_s,
                                       u"OS Support: \"Vista\", \"Win7 x86\" are not in the list"_s,
                                       u"Release Date: \"2/30/2005\" is not a valid date"_s}));
    QCOMPARE(read->values.osSupport, QStringList{u"WinXP"_s});
}

void TestPadReader::roundTrip_data()
{
    QTest::addColumn<Pad::PadValues>("values");

    for (const QString &type : Pad::ProgramTypeList()) {
        Pad::PadValues v = plainForm();
        v.programType = type;
        QTest::addRow("type %s", qPrintable(type)) << v;
    }
    for (const QString &entry : {u"Win 3.1x"_s, u"AS/400"_s, u"Not Applicable"_s}) {
        Pad::PadValues v = plainForm();
        v.osSupport = QStringList{entry};
        QTest::addRow("only %s", qPrintable(entry)) << v;
    }
    Pad::PadValues all = plainForm();
    all.osSupport = Pad::OsSupportList();
    QTest::newRow("all operating systems") << all;

    Pad::PadValues special = plainForm();
    special.text(TextField::Company_Name) = u"Smith & Sons <UK> \"quoted\" 'single' > ]]> &amp; &lt;"_s;
    special.text(TextField::Program_Name) = u"Zeichen-Pr\u00fcfer \u65e5\u672c\u8a9e \U0001F600 \u2211"_s;
    special.text(TextField::Keywords) = u"]]>]]>, <![CDATA[x]]>, <!-- not a comment -->"_s;
    special.text(TextField::Char_Desc_450) = u"First line\nsecond line\n\n\tindented & <b>bold</b>\n"_s;
    special.text(TextField::Program_Version) = u"  padded  "_s;
    special.text(TextField::Application_Info_URL) = u"https://x.example.com/?a=1&b=2"_s;
    QTest::newRow("special characters") << special;

    Pad::PadValues blank = plainForm();
    blank.text(TextField::Company_Name) = u"   "_s;
    blank.text(TextField::Program_Version) = u"\t"_s;
    blank.text(TextField::Keywords) = u"\u00a0"_s;
    blank.text(TextField::Char_Desc_450) = u"\u2003\u3000\n \n"_s;
    blank.text(TextField::Application_Info_URL) = u" \u00a0 "_s;
    QTest::newRow("white space only") << blank;

    Pad::PadValues empty = plainForm();
    empty.text(TextField::Program_Cost_Dollars).clear();
    empty.text(TextField::Application_Screenshot_URL).clear();
    QTest::newRow("optional fields empty") << empty;

    Pad::PadValues longTexts = plainForm();
    for (int i = 0; i < Pad::TextFieldCount; ++i) {
        longTexts.texts[i] = (QString::number(i) + u" \u00e9&<"_s).repeated(2000).left(10000);
    }
    QTest::newRow("10,000 characters each") << longTexts;

    for (const QDate &date : {QDate(1, 1, 1), QDate(99, 12, 31), QDate(1900, 3, 1),
                              QDate(2000, 2, 29), QDate(2024, 2, 29), QDate(9999, 12, 31)}) {
        Pad::PadValues v = plainForm();
        v.releaseDate = date;
        QTest::addRow("date %s", qPrintable(date.toString(Qt::ISODate))) << v;
    }
}

void TestPadReader::roundTrip()
{
    QFETCH(Pad::PadValues, values);

    const QString path = m_dir.filePath(u"roundtrip.xml"_s);
    QVERIFY(writeFile(path, Pad::padFileBytes(Pad::padFileLines(values))));
    QString message;
    const std::optional<Pad::PadImport> read = readPadFile(path, &message);
    QVERIFY2(read, qPrintable(message));
    QCOMPARE(read->values, values);
    QVERIFY(read->programTypeFound());
    QCOMPARE(read->noteTexts(), QStringList());
}

void TestPadReader::encodings_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("company");

    const QString wide = u"Gr\u00fc\u00dfe, \u20ac, \u65e5\u672c, \U0001F600"_s;
    QTest::newRow("UTF-8") << u"utf8.xml"_s << wide;
    QTest::newRow("UTF-8 with BOM") << u"utf8-bom.xml"_s << wide;
    QTest::newRow("UTF-8 without declaration") << u"utf8-no-declaration.xml"_s << wide;
    QTest::newRow("UTF-16LE") << u"utf16le-bom.xml"_s << wide;
    QTest::newRow("UTF-16BE") << u"utf16be-bom.xml"_s << wide;
    QTest::newRow("ISO-8859-1") << u"iso-8859-1.xml"_s << u"Gr\u00fc\u00dfe, \u00bd, \u00ff"_s;
    QTest::newRow("Windows-1252") << u"windows-1252.xml"_s
                                  << u"Gr\u00fc\u00dfe, \u20ac \u201equoted\u201c \u2014 \u2030"_s;
    // A trail byte of Shift_JIS can be '\\' (0x5C), as in \u30bd.
    QTest::newRow("Shift_JIS") << u"shift_jis.xml"_s
                               << u"\u65e5\u672c\u8a9e\u306e\u30bd\u30d5\u30c8\u3001\uff21\uff22\uff23"_s;
    // "UTF-16" names no byte order; the first bytes show it.
    QTest::newRow("UTF-16BE without BOM") << u"utf16be-no-bom.xml"_s << wide;
}

void TestPadReader::encodings()
{
    QFETCH(QString, file);
    QFETCH(QString, company);

    QString message;
    const std::optional<Pad::PadImport> read =
        readPadFile(testDataPath(u"reader/"_s + file), &message);
    QVERIFY2(read, qPrintable(message));
    QCOMPARE(read->values.text(TextField::Company_Name), company);
}

// Real PAD files declare these; a Qt built without ICU decodes only UTF and
// Latin-1, and its users could not import such files.
void TestPadReader::encodingsThatPadFilesDeclare_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("windows-1252") << QByteArray("windows-1252") << QByteArray("\x80 \x93quoted\x94 \x97")
                                  << u"\u20ac \u201cquoted\u201d \u2014"_s;
    QTest::newRow("Windows-1252") << QByteArray("Windows-1252") << QByteArray("Gr\xfc\xdf" "e") << u"Gr\u00fc\u00dfe"_s;
    QTest::newRow("ISO-8859-1") << QByteArray("ISO-8859-1") << QByteArray("\xbd \xff") << u"\u00bd \u00ff"_s;
    QTest::newRow("UTF-16") << QByteArray("UTF-16") << QByteArray("\xff\xfe\xe5\x65\x2c\x67", 6) << u"\u65e5\u672c"_s;
    QTest::newRow("Shift_JIS") << QByteArray("Shift_JIS") << QByteArray("\x93\xfa\x96\x7b \x83\x5c") << u"\u65e5\u672c \u30bd"_s;
}

void TestPadReader::encodingsThatPadFilesDeclare()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);

    QStringDecoder decoder(name.constData());
    QVERIFY2(decoder.isValid(), "this Qt decodes no " + name + " (was it built without ICU?)");
    QCOMPARE(decoder.decode(bytes), text);
    QVERIFY(!decoder.hasError());
}

void TestPadReader::refusals_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");

    const auto data = [](const char *name) { return testDataPath(u"reader/"_s + QLatin1StringView(name)); };
    QTest::newRow("missing file") << data("no-such-file.xml")
                                  << u"the file cannot be opened (No such file or directory)"_s;
    QTest::newRow("folder") << data("") << u"the file cannot be opened ("_s;

    const QString empty = m_dir.filePath(u"empty.xml"_s);
    QVERIFY(writeFile(empty, QByteArray()));
    QTest::newRow("empty file") << empty << u"it is not well-formed XML (line "_s;
    QTest::newRow("bare ampersand") << data("not-well-formed.xml")
                                    << u"it is not well-formed XML (line 4, column "_s;
    const QString unclosed = m_dir.filePath(u"unclosed.xml"_s);
    QVERIFY(writeFile(unclosed, "<XML_DIZ_INFO>\n<Company_Info>\n</XML_DIZ_INFO>\n"));
    QTest::newRow("tags do not match") << unclosed << u"it is not well-formed XML (line 3, column "_s;
    QTest::newRow("unknown encoding") << data("unknown-encoding.xml") << u"x-quillet-none"_s;
    QTest::newRow("bytes not UTF-8") << data("utf8-invalid-bytes.xml")
                                     << u"it holds bytes that are not valid UTF-8 (line 4, column 19)"_s;
    QTest::newRow("bytes not US-ASCII")
        << data("us-ascii-invalid-bytes.xml")
        << u"it holds bytes that are not valid US-ASCII (line 4, column 19)"_s;

    QTest::newRow("wrong document element") << data("wrong-root.xml")
                                            << u"its document element is <XML_PAD>, not <XML_DIZ_INFO>"_s;
    QTest::newRow("markup in a mapped element")
        << data("markup-in-keywords.xml")
        << u"the element XML_DIZ_INFO/Program_Descriptions/English/Keywords holds a child "
           "element <b> instead of plain text"_s;

    const QString declared = u"its document type declares entities, which the reader does not accept"_s;
    QTest::newRow("external entity") << data("external-entity.xml") << declared;
    QTest::newRow("entity bomb") << data("entity-bomb.xml") << declared;
    // One entity of 4,000 characters used 20,000 times: 80 million characters
    // from a file of 64 KB, beyond the reach of the parser's limit per entity.
    const QString quadratic = m_dir.filePath(u"quadratic.xml"_s);
    QVERIFY(writeFile(quadratic, "<!DOCTYPE XML_DIZ_INFO [<!ENTITY e \"" + QByteArray(4000, 'x')
                                     + "\">]>\n<XML_DIZ_INFO><Company_Info><Company_Name>"
                                     + QByteArray("&e;").repeated(20000)
                                     + "</Company_Name></Company_Info></XML_DIZ_INFO>\n"));
    QTest::newRow("quadratic entity expansion") << quadratic << declared;
    QTest::newRow("entity from an external subset")
        << data("external-subset.xml")
        << u"the element XML_DIZ_INFO/Company_Info/Company_Name holds a reference to the entity "
           "&secret; that the reader does not resolve instead of plain text"_s;

    // Sparse files: the size alone must refuse the larger one, unread.
    const QString atLimit = m_dir.filePath(u"at-limit.xml"_s);
    const QString overLimit = m_dir.filePath(u"over-limit.xml"_s);
    QFile atLimitFile(atLimit);
    QVERIFY(atLimitFile.open(QIODevice::WriteOnly) && atLimitFile.resize(Pad::MaxPadFileSize));
    QFile overLimitFile(overLimit);
    QVERIFY(overLimitFile.open(QIODevice::WriteOnly) && overLimitFile.resize(Pad::MaxPadFileSize + 1));
    QTest::newRow("larger than the limit") << overLimit << u"the file is larger than 1 MiB"_s;
    QTest::newRow("exactly at the limit") << atLimit << u"it is not well-formed XML (line 1, column "_s;
}

void TestPadReader::refusals()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);

    QString message;
    const std::optional<Pad::PadImport> read = readPadFile(path, &message);
    QVERIFY(!read);
    const QString start = u"Cannot import \""_s + QDir::toNativeSeparators(path) + u"\": "_s;
    QVERIFY2(message.startsWith(start), qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
}

void TestPadReader::charactersXmlDoesNotAllow_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    const auto utf16 = [](const QString &text) {
        QByteArray bytes("\xff\xfe");
        for (QChar c : text)
            bytes.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
        return bytes;
    };
    const QString start = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<XML_DIZ_INFO><Company_Info>\n"
                          "<Company_Name>ab"_s;
    const QString end = u"</Company_Name></Company_Info></XML_DIZ_INFO>\n"_s;
    QTest::newRow("unpaired high surrogate") << utf16(start + QChar(0xd800) + u"x"_s + end)
                                             << u"not well-formed XML (line 3, column 17: the character U+D800 is not allowed in XML)"_s;
    QTest::newRow("unpaired low surrogate") << utf16(start + QChar(0xdc00) + end)
                                            << u"not well-formed XML (line 3, column 17: the character U+DC00 is not allowed in XML)"_s;
    QTest::newRow("high surrogate at the very end")
        << utf16(start + u"x"_s + end + QChar(0xd83d))
        << u"not well-formed XML (line 4, column 1: "_s;
    QTest::newRow("U+FFFE") << (u"<XML_DIZ_INFO>\n \ufffe</XML_DIZ_INFO>"_s).toUtf8()
                            << u"not well-formed XML (line 2, column 2: the character U+FFFE is not allowed in XML)"_s;
    QTest::newRow("control character") << QByteArray("<XML_DIZ_INFO>\x01</XML_DIZ_INFO>")
                                       << u"not well-formed XML (line 1, column 15: "_s;
    QTest::newRow("bad first byte") << QByteArray("\xff<XML_DIZ_INFO/>")
                                    << u"it holds bytes that are not valid UTF-8 (line 1, column 1)"_s;
    QTest::newRow("bad byte after a line break") << QByteArray("<XML_DIZ_INFO>\n\x80</XML_DIZ_INFO>")
                                                 << u"it holds bytes that are not valid UTF-8 (line 2, column 1)"_s;
    QTest::newRow("a real U+0000 before a bad byte")
        << QByteArray("<XML_DIZ_INFO>\0</XML_DIZ_INFO>\xff", 31)
        << u"not well-formed XML (line 1, column 15: the character U+0000 is not allowed in XML)"_s;
    QTest::newRow("a bad byte before a real U+0000")
        << QByteArray("<XML_DIZ_INFO>\xff</XML_DIZ_INFO>\0", 31)
        << u"it holds bytes that are not valid UTF-8 (line 1, column 15)"_s;
    QTest::newRow("sequence cut off at the end") << QByteArray("<XML_DIZ_INFO/>\n\xe2\x82")
                                                 << u"it holds bytes that are not valid UTF-8 (line 2, column 1)"_s;
    QTest::newRow("UTF-16 cut off inside a character") << utf16(start + u"x"_s + end) + "<"
                                                       << u"it holds bytes that are not valid UTF-16 (line 4, column 1)"_s;
    const QByteArray shiftJis = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<XML_DIZ_INFO>\x93\xfa";
    QTest::newRow("Shift_JIS cut off inside a character")
        << shiftJis + "</XML_DIZ_INFO>\n\x96"
        << u"it holds bytes that are not valid Shift_JIS (line 3, column 1)"_s;
    QTest::newRow("Shift_JIS byte that starts no character")
        << shiftJis + "\xff</XML_DIZ_INFO>\n"
        << u"it holds bytes that are not valid Shift_JIS (line 2, column 16)"_s;
    QTest::newRow("an earlier fault comes first")
        << QByteArray("<XML_DIZ_INFO>\n<a></b>\xff</XML_DIZ_INFO>")
        << u"it is not well-formed XML (line 2, column "_s;
    QTest::newRow("a surrogate pair is one character")
        << utf16(start + QString::fromUcs4(U"\U0001F600") + u"x"_s + end) << QString();
}

void TestPadReader::charactersXmlDoesNotAllow()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);

    QString why;
    const std::optional<Pad::PadImport> read = readPadData(bytes, &why);
    if (reason.isEmpty()) {
        QVERIFY2(read, qPrintable(why));
        return;
    }
    QVERIFY(!read);
    QVERIFY2(why.contains(reason), qPrintable(why));
}

// Shapes that cost the document tree minutes: each is read, or refused with
// the reason, well under a second (the benchmark measures how long).
void TestPadReader::generatedShapes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason"); // empty: imported with the form intact

    const QByteArray form = Pad::padFileBytes(Pad::padFileLines(plainForm()));
    const auto afterRoot = [&](const QByteArray &piece) {
        QByteArray bytes = form;
        return bytes.insert(bytes.indexOf("<XML_DIZ_INFO>") + 14, piece);
    };
    const auto numbered = [](const char *unit, int count) {
        QByteArray out;
        for (int i = 0; i < count; ++i)
            out += QByteArray(unit).replace("#", QByteArray::number(i));
        return out;
    };
    QTest::newRow("nested 150,000 deep")
        << afterRoot(QByteArray("<d>").repeated(150000) + QByteArray("</d>").repeated(150000)) << QString();
    QTest::newRow("nested 150,000 deep inside Company_Info")
        << QByteArray(form).replace("<Company_Info>", "<Company_Info>" + QByteArray("<Company_Info>").repeated(150000)
                                                         + QByteArray("</Company_Info>").repeated(150000))
        << QString();
    QTest::newRow("40,000 siblings before Company_Info")
        << afterRoot(numbered("<Company_Info_#>v</Company_Info_#>", 40000)) << QString();
    QTest::newRow("30,000 namespaced siblings")
        << afterRoot(numbered("<p:Sibling xmlns:p='urn:#'/>", 30000)) << QString();
    QTest::newRow("1,000 attributes")
        << afterRoot("<Many" + numbered(" a#='1'", 1000) + "/>") << QString();
    QTest::newRow("a start tag of 16,384 characters")
        << afterRoot("<Many a='" + QByteArray(16384 - 12, 'x') + "'/>") << QString();
    QTest::newRow("a start tag of 16,385 characters")
        << afterRoot("<Many a='" + QByteArray(16385 - 12, 'x') + "'/>")
        << u"its tag at line 2, column 15 is longer than 16384 characters"_s;
    QTest::newRow("a start tag past the bound")
        << afterRoot("<Many" + numbered(" a#='1'", 100000) + "/>")
        << u"its tag at line 2, column 15 is longer than %1 characters"_s.arg(Pad::MaxMarkupLength);
    QTest::newRow("a document type past the bound")
        << QByteArray(form).insert(form.indexOf("<XML_DIZ_INFO>"), "<!DOCTYPE XML_DIZ_INFO [" + numbered("<!ATTLIST a a# CDATA 'x'>", 10000) + "]>\r\n")
        << u"its tag at line 2, column 1 is longer than %1 characters"_s.arg(Pad::MaxMarkupLength);
    QTest::newRow("nested namespace declarations")
        << afterRoot(numbered("<a xmlns:p#='urn:x'>", 40000) + QByteArray("</a>").repeated(40000))
        << u"it declares more than %1 namespaces at once (line 2)"_s.arg(Pad::MaxNamespaceDeclarations);
    QTest::newRow("namespace declarations one after another")
        << afterRoot(numbered("<a xmlns:p#='urn:x' xmlns='urn:#'/>", 20000)) << QString();
    QTest::newRow("a long comment, CDATA and instruction")
        << afterRoot("<!--" + QByteArray(200000, '-').replace("--", "- ") + "--><x><![CDATA[" + QByteArray(200000, '<')
                     + "]]></x><?pi " + QByteArray(200000, '?').replace("?", "? ") + "?>")
        << QString();
    QTest::newRow("100,000 unknown OS names")
        << QByteArray(form).replace("<Program_OS_Support>WinXP", "<Program_OS_Support>WinXP," + numbered("OS #,", 100000))
        << QString();
}

void TestPadReader::generatedShapes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);

    QString why;
    const std::optional<Pad::PadImport> read = readPadData(bytes, &why);
    if (!reason.isEmpty()) {
        QVERIFY(!read);
        QVERIFY2(why.contains(reason), qPrintable(why));
        return;
    }
    QVERIFY2(read, qPrintable(why));
    QCOMPARE(read->values, plainForm());
}

void TestPadReader::externalEntitiesAreNeverFetched()
{
    const QString secret = u"QUILLET-SECRET-TEXT"_s;
    for (const char *name : {"external-entity.xml", "external-subset.xml"}) {
        const QString path = testDataPath(u"reader/"_s + QLatin1StringView(name));
        QString why;
        const std::optional<Pad::XmlDocument> found = Pad::readXml(readAll(path), &why);
        if (found) {
            const Pad::XmlElement *name = found->find(u"Company_Info/Company_Name"_s);
            QVERIFY(!name || !found->elementText(*name).value_or(QString()).contains(secret));
        }
        const std::optional<Pad::PadImport> read = readPadFile(path, nullptr);
        if (read)
            QVERIFY(!allValues(read->values).join(u'|').contains(secret));
    }
}

// Where an element sits, so that it can be changed in place: each span cut
// from the document gives exactly the markup, and the document encoded again
// gives back the bytes.
void TestPadReader::spans_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("afterLastChild"); // null: no child element
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<bool>("byteOrderMark");

    const auto utf8 = [](const char *name, const QByteArray &bytes, const QString &path, const QString &element,
                         const QString &content, const QString &afterLastChild = QString()) {
        QTest::newRow(name) << bytes << path << element << content << afterLastChild << QByteArray("UTF-8") << false;
    };
    utf8("nested", "<R><A><B>x</B><C/></A></R>", u"A"_s, u"<A><B>x</B><C/></A>"_s, u"<B>x</B><C/>"_s, u""_s);
    utf8("inner", "<R><A><B>x</B><C/></A></R>", u"A/B"_s, u"<B>x</B>"_s, u"x"_s);
    utf8("text after the last child", "<R><A>x<B/>y<C>z</C>tail</A></R>", u"A"_s,
         u"<A>x<B/>y<C>z</C>tail</A>"_s, u"x<B/>y<C>z</C>tail"_s, u"tail"_s);
    utf8("empty-element tag", "<R><A x=\"1\" /></R>", u"A"_s, u"<A x=\"1\" />"_s, QString());
    utf8("empty element", "<R><A></A></R>", u"A"_s, u"<A></A>"_s, QString());
    utf8("'>' in attribute values", "<R><A b=\">\" c='/>'>t</A></R>", u"A"_s, u"<A b=\">\" c='/>'>t</A>"_s, u"t"_s);
    utf8("line breaks in tags", "<R><A\n>t</A\n ></R>", u"A"_s, u"<A\n>t</A\n >"_s, u"t"_s);
    utf8("text around it", "<R>text<A>t</A>more</R>", u"A"_s, u"<A>t</A>"_s, u"t"_s);
    utf8("CDATA", "<R><A><![CDATA[<b>]]></A></R>", u"A"_s, u"<A><![CDATA[<b>]]></A>"_s, u"<![CDATA[<b>]]>"_s);
    utf8("comments", "<R><!-- <A> --><A><!--c-->t<!--d--></A><!--e--></R>", u"A"_s,
         u"<A><!--c-->t<!--d--></A>"_s, u"<!--c-->t<!--d-->"_s);
    utf8("references", "<R><A>&amp;&#x20AC;</A></R>", u"A"_s, u"<A>&amp;&#x20AC;</A>"_s, u"&amp;&#x20AC;"_s);
    utf8("the first of two", "<R><X><A>no</A></X><A>yes</A><A>no</A></R>", u"A"_s, u"<A>yes</A>"_s, u"yes"_s);
    utf8("prefixed", "<p:R xmlns:p=\"urn:x\"><p:A>x</p:A></p:R>", u"A"_s, u"<p:A>x</p:A>"_s, u"x"_s);
    utf8("CR LF kept", "<?xml version=\"1.0\"?>\r\n<R>\r\n  <A>a\r\nb</A>\r\n</R>\r\n", u"A"_s, u"<A>a\r\nb</A>"_s,
         u"a\r\nb"_s);
    utf8("CR alone kept", "<R>\r<A>\r</A>\r</R>", u"A"_s, u"<A>\r</A>"_s, u"\r"_s);
    utf8("characters beyond the BMP", "<R>\xf0\x9f\x98\x80<A>\xf0\x9f\x98\x80</A></R>", u"A"_s,
         u"<A>\U0001F600</A>"_s, u"\U0001F600"_s);

    QTest::newRow("BOM") << QByteArray("\xef\xbb\xbf<R><A>x</A></R>") << u"A"_s << u"<A>x</A>"_s << u"x"_s
                         << QString() << QByteArray("UTF-8") << true;
    // The XML reader skips a second one as if it were the first.
    QTest::newRow("two BOMs") << QByteArray("\xef\xbb\xbf\xef\xbb\xbf<R><A>x</A></R>") << u"A"_s << u"<A>x</A>"_s
                              << u"x"_s << QString() << QByteArray("UTF-8") << true;
    QTest::newRow("UTF-16LE") << QByteArray(QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)
                                                .encode(u"<R>\r\n<A>\U0001F600\u00e9</A></R>"_s))
                              << u"A"_s << u"<A>\U0001F600\u00e9</A>"_s << u"\U0001F600\u00e9"_s << QString()
                              << QByteArray("UTF-16LE") << true;
    QTest::newRow("UTF-16BE declared as UTF-16, no BOM")
        << QByteArray(QStringEncoder(QStringConverter::Utf16BE)
                          .encode(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><R><A>\u00e9</A></R>"_s))
        << u"A"_s << u"<A>\u00e9</A>"_s << u"\u00e9"_s << QString() << QByteArray("UTF-16BE") << false;
    QTest::newRow("windows-1252")
        << QByteArray("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<R><A>\x80\xe9</A></R>") << u"A"_s
        << u"<A>\u20ac\u00e9</A>"_s << u"\u20ac\u00e9"_s << QString() << QByteArray("windows-1252") << false;
    QTest::newRow("ISO-8859-1")
        << QByteArray("<?xml version='1.0' encoding='iso-8859-1'?><R><A>\xe9</A></R>") << u"A"_s
        << u"<A>\u00e9</A>"_s << u"\u00e9"_s << QString() << QByteArray("ISO-8859-1") << false;
}

// Asked for along with elements inside it, an element gives its span and
// still holds no text, and those inside are found as well.
void TestPadReader::spansOfAnElementAndOfOnesInside()
{
    QString why;
    const std::optional<Pad::XmlDocument> found =
        Pad::readXml("<R><A>a<B>x</B><C/></A><D><E>e</E></D></R>", &why);
    QVERIFY2(found, qPrintable(why));
    const auto cut = [&](const Pad::ElementSpan &span) {
        return found->text.mid(span.start, span.end - span.start);
    };
    const Pad::XmlElement *b = found->find(u"A/B"_s);
    const Pad::XmlElement *a = found->find(u"A"_s);
    QVERIFY(b && a && found->find(u"A/C"_s) && found->find(u"D/E"_s));
    QCOMPARE(found->elementText(*b), u"x"_s);
    QCOMPARE(cut(b->span), u"<B>x</B>"_s);
    QCOMPARE(found->elementText(*a), std::nullopt);
    QCOMPARE(found->markup(*a), u"a child element <B>"_s);
    QCOMPARE(cut(a->span), u"<A>a<B>x</B><C/></A>"_s);
    QCOMPARE(found->text.mid(a->span.lastChildEnd, 4), u"</A>"_s);
    QCOMPARE(cut(found->find(u"A/C"_s)->span), u"<C/>"_s);
    QCOMPARE(found->elementText(*found->find(u"D/E"_s)), u"e"_s);
}

void TestPadReader::spans()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, path);
    QFETCH(QString, element);
    QFETCH(QString, content);
    QFETCH(QString, afterLastChild);
    QFETCH(QByteArray, encoding);
    QFETCH(bool, byteOrderMark);

    QString why;
    const std::optional<Pad::XmlDocument> found = Pad::readXml(bytes, &why);
    QVERIFY2(found, qPrintable(why));
    const QString &document = found->text;
    const auto cut = [&](qsizetype from, qsizetype to) { return document.mid(from, to - from); };
    QVERIFY(found->find(path));
    const Pad::ElementSpan span = found->find(path)->span;
    QVERIFY(span.isValid());
    QCOMPARE(cut(span.start, span.end), element);
    QCOMPARE(cut(span.contentStart, span.contentEnd), content);
    if (afterLastChild.isNull())
        QCOMPARE(span.lastChildEnd, -1);
    else
        QCOMPARE(cut(span.lastChildEnd, span.contentEnd), afterLastChild);
    QVERIFY(!found->find(u"Missing"_s));

    const Pad::ElementSpan root = found->root().span;
    QCOMPARE(root.start, document.indexOf(QRegularExpression(u"<(p:)?R[ >]"_s)));
    QCOMPARE(root.end, document.lastIndexOf(u'>') + 1);
    QCOMPARE(document.mid(root.contentEnd, 2), u"</"_s);
    QVERIFY(root.start < span.start && span.end <= root.lastChildEnd && root.lastChildEnd <= root.contentEnd);
    const std::optional<std::vector<Pad::XmlLeaf>> leaves = found->leaves(&why);
    QVERIFY2(leaves, qPrintable(why));
    const auto leaf = std::find_if(leaves->cbegin(), leaves->cend(),
                                   [&](const Pad::XmlLeaf &leaf) { return QString(leaf.path).remove(u"p:"_s) == path; });
    if (afterLastChild.isNull()) {
        QVERIFY(leaf != leaves->cend());
        const Pad::ElementSpan &leafSpan = found->elements.at(std::size_t(leaf->element)).span;
        QCOMPARE(cut(leafSpan.start, leafSpan.end), element);
    }

    QCOMPARE(found->encoding, encoding);
    QCOMPARE(found->byteOrderMark, byteOrderMark);
    QStringEncoder encoder(encoding.constData(), byteOrderMark ? QStringConverter::Flag::WriteBom
                                                               : QStringConverter::Flag::Default);
    QCOMPARE(QByteArray(encoder.encode(document)), bytes);
}

void TestPadReader::leaves()
{
    const QByteArray bytes = "<XML_DIZ_INFO>\r\n"
                             " <Company_Info>\r\n"
                             "  <Company_Name>A &amp; B</Company_Name>\r\n"
                             "  <Contact_Info><Contact_Email/></Contact_Info>\r\n"
                             " </Company_Info>\r\n"
                             " <Program_Descriptions><German><Char_Desc_80>\r\n"
                             "  <![CDATA[x]]> </Char_Desc_80></German></Program_Descriptions>\r\n"
                             " <p:Note xmlns:p=\"urn:x\">t<!--c--></p:Note>\r\n"
                             " <Empty></Empty>\r\n"
                             "</XML_DIZ_INFO>\r\n";
    QString why;
    const std::optional<Pad::XmlDocument> found = Pad::readXml(bytes, &why);
    QVERIFY2(found, qPrintable(why));
    const std::optional<std::vector<Pad::XmlLeaf>> leaves = found->leaves(&why);
    QVERIFY2(leaves, qPrintable(why));
    QStringList listed;
    for (const Pad::XmlLeaf &leaf : *leaves) {
        const Pad::XmlElement &element = found->elements.at(std::size_t(leaf.element));
        listed << leaf.path + u" = "_s + found->elementText(element).value_or(u"(markup)"_s) + u" | "_s
                      + found->text.mid(element.span.start, element.span.end - element.span.start);
    }
    QCOMPARE(listed, (QStringList{
                         u"Company_Info/Company_Name = A & B | <Company_Name>A &amp; B</Company_Name>"_s,
                         u"Company_Info/Contact_Info/Contact_Email =  | <Contact_Email/>"_s,
                         u"Program_Descriptions/German/Char_Desc_80 = x | <Char_Desc_80>\r\n  <![CDATA[x]]> </Char_Desc_80>"_s,
                         u"p:Note = (markup) | <p:Note xmlns:p=\"urn:x\">t<!--c--></p:Note>"_s,
                         u"Empty =  | <Empty></Empty>"_s,
                     }));
}

// A hundred levels of long names around many small elements would make the
// leaves' paths take gigabytes from a file of a megabyte.
void TestPadReader::leavesOfDeepNestingAreBounded()
{
    QByteArray opening, closing;
    for (int i = 0; i < 100; ++i) {
        const QByteArray name = "n" + QByteArray::number(i) + QByteArray(100, 'x');
        opening += "<" + name + ">";
        closing.prepend("</" + name + ">");
    }
    const QByteArray bytes = "<XML_DIZ_INFO>" + opening + QByteArray("<a/>").repeated(2000) + closing + "</XML_DIZ_INFO>";
    QString why;
    const std::optional<Pad::XmlDocument> found = Pad::readXml(bytes, &why);
    QVERIFY2(found, qPrintable(why));
    QVERIFY(!found->leaves(&why));
    QCOMPARE(why, u"its elements' paths add up to more than %1 characters (line 1), more than any PAD file needs"_s
                      .arg(Pad::MaxLeafPathsLength));
    // The file is still imported, without the list.
    const std::optional<Pad::PadDocument> document = Pad::loadPad(bytes, Today, &why);
    QVERIFY2(document, qPrintable(why));
    QVERIFY(document->leaves.isEmpty());
}

// Elements keep where they sit in 32 bits, so a document of 2 GiB is refused,
// before a byte of it is read: a sparse file mapped into memory stands for it
// without taking the memory.
void TestPadReader::documentTooLargeToIndex()
{
    QTemporaryFile file;
    QVERIFY(file.open());
    QVERIFY(file.resize(Pad::MaxDocumentLength + 1));
    const uchar *mapped = file.map(0, file.size());
    QVERIFY(mapped);
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), file.size());
    const QString reason = u"it is 2 GiB or larger, more than any PAD file needs"_s;
    QString why;
    QVERIFY(!Pad::readXml(bytes, &why));
    QCOMPARE(why, reason);
    why.clear();
    QVERIFY(!Pad::loadPad(bytes, Today, &why));
    QCOMPARE(why, reason);
}

void TestPadReader::samples_data()
{
    if (!QDir(samplesDir()).exists())
        QSKIP("The real PAD files are not beside this checkout (../shared/pad-samples)");

    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("refusal"); // part of the message; empty: imported
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("programType");
    QTest::addColumn<QStringList>("osSupport");
    QTest::addColumn<QDate>("releaseDate");
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<int>("field"); // one more text worth checking; -1: none
    QTest::addColumn<QString>("fieldText");

    const auto refused = [](const char *file, const QString &reason) {
        QTest::newRow(file) << QString::fromLatin1(file) << reason << QString() << QString()
                            << QStringList() << QDate() << QStringList() << -1 << QString();
    };
    const auto imported = [](const char *file, const QString &company, const QString &type,
                             const QStringList &os, QDate date, const QStringList &notes,
                             int field = -1, const QString &fieldText = QString()) {
        QTest::newRow(file) << QString::fromLatin1(file) << QString() << company << type << os
                            << date << notes << field << fieldText;
    };
    const auto unlisted = [](const QString &names) {
        return u"OS Support: "_s + quotedNames(names.split(u", "_s))
               + (names.contains(u',') ? u" are not in the list"_s : u" is not in the list"_s);
    };
    const QString vista = u"Windows Vista Starter, Windows Vista Home Basic, Windows Vista Home "
                          "Premium, Windows Vista Business, Windows Vista Enterprise, Windows "
                          "Vista Ultimate, Windows Vista Home Basic x64, Windows Vista Home "
                          "Premium x64, Windows Vista Business x64, Windows Vista Enterprise x64, "
                          "Windows Vista Ultimate x64"_s;
    const QString noOs = u"OS Support: not given in the file"_s;
    const auto field = [](TextField f) { return int(f); };

    refused("01-GoalAid-goalaid.xml", u"it is not well-formed XML (line 27, column "_s);
    imported("02-aubhall-cmdlinehere.xml", u"Aubrey Hall"_s, u"Freeware"_s,
             {u"Win95"_s, u"Win98"_s, u"WinME"_s, u"WinNT 3.x"_s, u"WinNT 4.x"_s, u"WinXP"_s,
              u"Windows2000"_s},
             QDate(2002, 3, 18), {}, field(TextField::File_Size_Bytes), u"266,752"_s);
    imported("03-shsully99-WinBlit.xml", u"Pata-Sucia ltd"_s, u"Shareware"_s,
             {u"Win95"_s, u"Win98"_s, u"WinME"_s, u"WinNT 4.x"_s, u"WinXP"_s, u"Windows2000"_s},
             QDate(2003, 4, 14), {}, field(TextField::Program_Cost_Dollars), u"20"_s);
    imported("04-spacecadet1-Star-Trek-Character-Builder-Client.xml", u"Space Cadet"_s,
             u"Freeware"_s,
             {u"Win95"_s, u"Win98"_s, u"WinME"_s, u"WinNT 4.x"_s, u"WinXP"_s, u"Windows2000"_s},
             QDate(2004, 1, 20), {}, field(TextField::Company_Website_URL), QString());
    // Its description holds only a line break, which the reader keeps as the file has it.
    imported("05-sth-ups.xml", QString(), u"Freeware"_s, {u"Linux"_s}, QDate(2002, 4, 2),
             {unlisted(u"Solaris, FreeBSD"_s)}, field(TextField::Char_Desc_450), u"\n"_s);
    imported("07-kalsky-FastWrite.xml", u"Yaniv Kalsky"_s, u"Shareware"_s,
             {u"WinXP"_s, u"Windows2000"_s}, QDate(2005, 6, 10), {});
    imported("09-berniejenny-GISLook-GISMeta.xml", u"Bernhard Jenny"_s, u"Freeware"_s, {},
             QDate(2011, 4, 7), {unlisted(u"Mac OS X 10.5"_s)}, field(TextField::Program_Name),
             u"GISLook & GISMeta"_s);
    imported("10-metamorphose-website.xml", u"Ianar\u00e9 S\u00e9vi"_s, u"Freeware"_s,
             {u"WinXP"_s, u"Win2000"_s, u"WinServer"_s, u"WinVista"_s, u"Win7 x32"_s},
             QDate(2010, 3, 16), {});
    imported("11-hunterbeanland-AutoVer.xml", u"Bean"_s, u"Freeware"_s,
             {u"WinXP"_s, u"Windows2000"_s, u"Windows2003"_s}, QDate(2010, 4, 28),
             {unlisted(vista + u", Windows 7, Windows 7 x64"_s)});
    imported("12-iqsoft-salat.xml", u"IQSoft Software Consultants"_s, u"Freeware"_s,
             {u"WinME"_s, u"WinNT 3.x"_s, u"WinNT 4.x"_s, u"WinXP"_s, u"Windows2000"_s,
              u"Windows2003"_s},
             QDate(2008, 1, 21), {unlisted(vista)});
    imported("13-shawkyGalal-SmartTool.xml", u"Smart Tool"_s, u"Demo"_s,
             {u"Win95"_s, u"Win98"_s, u"WinME"_s, u"WinNT 3.x"_s, u"WinNT 4.x"_s, u"WinXP"_s,
              u"Windows2000"_s, u"Windows2003"_s, u"Unix"_s, u"Linux"_s, u"Linux Console"_s,
              u"Linux Gnome"_s, u"Linux GPL"_s, u"Linux Open Source"_s, u"Java"_s},
             QDate(2008, 3, 31), {unlisted(vista)});
    imported("14-teamextension-memoryrestart.xml", u"TeamEXtension"_s, u"Freeware"_s,
             {u"WinME"_s, u"WinXP"_s, u"Windows2003"_s, u"Windows CE"_s, u"Linux"_s,
              u"Mac OS X"_s},
             QDate(2011, 8, 17),
             {unlisted(u"Windows Tablet PC Edition 2005, "_s + vista
                       + u", Mac OS X 10.1, Mac OS X 10.2, Mac OS X 10.3, Mac OS X 10.4, "
                         "Mac OS X 10.5"_s)});
    imported("15-AshenExhale-GPGTools_Homepage.xml", u"GPGTools Project Team"_s, u"Freeware"_s,
             {u"Mac OS X"_s}, QDate(2011, 3, 22), {}, field(TextField::Keywords), QString());
    imported("17-davidwed-MP4Tools.xml", u"Alex Th\u00fcring"_s, u"Freeware"_s,
             {u"WinXP"_s, u"Win2000"_s, u"WinVista"_s, u"Win7 x32"_s, u"Win7 x64"_s},
             QDate(2017, 5, 1), {});
    imported("19-jpassing-cfix.xml", u"Johannes Passing"_s, u"Freeware"_s,
             {u"WinXP"_s, u"Win2000"_s, u"WinServer"_s, u"WinVista"_s, u"WinVista x64"_s,
              u"Win7 x32"_s, u"Win7 x64"_s},
             QDate(), {u"Release Date: \"__MONTH__/__DAY__/__YEAR__\" is not a valid date"_s});
    imported("23-opendatatrentino-s-match.xml", u"DISI"_s, u"Freeware"_s, {u"Java"_s},
             QDate(2010, 5, 3), {});
    imported("24-postsai-postsai.github.io.xml", u"Postsai"_s, u"Freeware"_s, {u"Linux"_s},
             QDate(2016, 10, 16), {});
    imported("25-crossleyjuan-djon.xml", u"d-jon"_s, u"Freeware"_s,
             {u"WinXP"_s, u"Linux"_s, u"Win2000"_s, u"WinVista"_s, u"WinVista x64"_s,
              u"Win7 x32"_s, u"Win7 x64"_s},
             QDate(2010, 11, 11), {}, field(TextField::Application_Info_URL), QString());
    imported("26-DANTravisD-PAD_files.xml", u"Free VPN Planet"_s, u"Adware"_s,
             {u"WinXP"_s, u"Win2000"_s, u"WinServer"_s, u"WinVista"_s, u"WinVista x64"_s,
              u"Win7 x32"_s, u"Win7 x64"_s, u"Win10"_s, u"Win11"_s, u"WinOther"_s, u"Other"_s},
             QDate(2025, 7, 18), {});
    imported("27-DeskBreak-deskbreak.xml",
             u"\u0412\u0410\u0428\u0415_\u0418\u041c\u042f_\u0418\u041b\u0418_\u041d\u0410\u0417"
             "\u0412\u0410\u041d\u0418\u0415_\u041a\u041e\u041c\u041f\u0410\u041d\u0418\u0418"_s,
             u"Freeware"_s, {}, QDate(2026, 7, 6), {noOs}, field(TextField::File_Size_Bytes),
             u"\u0417\u0410\u041f\u041e\u041b\u041d\u0418\u0422\u042c"_s);
    const QStringList xpToSeven{u"WinXP"_s, u"WinVista"_s, u"WinVista x64"_s, u"Win7 x32"_s,
                                u"Win7 x64"_s};
    imported("28-diwa-aalto-diwacs.xml", u"Aalto University"_s, u"Freeware"_s, xpToSeven,
             QDate(2013, 2, 19), {});
    imported("29-dnGrep-dnGrep.xml", u"Denis Stankovski"_s, QString(), xpToSeven,
             QDate(2013, 1, 16),
             {u"Program Type: \"Open Source\" is not in the list"_s, unlisted(u"Win8 x32, Win8 x64"_s)});
    imported("30-junemedia-hypster.com.xml", u"Baronsmedia.com"_s, u"Freeware"_s, xpToSeven,
             QDate(2014, 4, 24), {});
    imported("31-karpolan-nextjs-auto-mute.xml", u"KARPOLAN"_s, u"Freeware"_s,
             {u"Win98"_s, u"WinME"_s, u"WinNT 4.x"_s, u"WinXP"_s, u"Win2000"_s, u"WinServer"_s,
              u"WinVista"_s, u"WinVista x64"_s, u"Win7 x32"_s, u"Win7 x64"_s},
             QDate(2012, 8, 22), {});
    imported("32-maudoin-jucevlc.xml", u"Matthieu A."_s, u"Freeware"_s, xpToSeven,
             QDate(2013, 6, 24), {});
    imported("33-mojosoftjp-rocketwhisper.xml", u"Mojosoft Co., Ltd."_s, u"Shareware"_s,
             {u"Win10"_s, u"Win11"_s}, QDate(2026, 2, 13), {}, field(TextField::Contact_Email),
             QString());
    imported("34-palchukovsky-TunnelEx.xml", u"Tunnelex Project"_s, u"Shareware"_s,
             {u"WinXP"_s, u"WinServer"_s, u"WinVista"_s, u"WinVista x64"_s, u"Win7 x32"_s,
              u"Win7 x64"_s},
             QDate(2012, 2, 3), {});
    imported("35-phracker-getxbook.xml", u"Nick J White (njw)"_s, u"Freeware"_s,
             {u"WinXP"_s, u"Unix"_s, u"Linux"_s}, QDate(),
             {u"Release Date: not given in the file"_s}, field(TextField::Keywords), QString());
    imported("36-pwsafe-pwsafe.xml", u"Password Safe"_s, u"Freeware"_s,
             {u"Win7 x32"_s, u"Win7 x64"_s}, QDate(2019, 4, 30),
             {unlisted(u"Win10 x32, Win10 x64"_s)});
    imported("37-AnyStatus-anystatus.github.io.xml", u"AnyStatus"_s, QString(),
             {u"WinXP"_s, u"Windows2000"_s, u"Windows2003"_s, u"Win2000"_s, u"WinServer"_s,
              u"WinVista"_s, u"WinVista x64"_s, u"Win7 x32"_s, u"Win7 x64"_s, u"Windows 8"_s,
              u"WinOther"_s},
             QDate(2019, 7, 1),
             {u"Program Type: \"Freemium\" is not in the list"_s,
              unlisted(u"Windows 10, Windows Server 2000, Windows Server 2003, Windows Server "
                       "2008, Windows Server 2008r2, Windows Server 2012, Windows Tablet PC "
                       "Edition 2005, Windows Media Center Edition 2005, Windows Vista Starter, "
                       "Windows Vista Home Basic, Windows Vista Home Premium, Windows Vista "
                       "Business, Windows Vista Enterprise, Windows Vista Ultimate, Windows Vista "
                       "Home Basic x64, Windows Vista Home Premium x64, Windows Vista Business "
                       "x64, Windows Vista Enterprise x64, Windows Vista Ultimate x64"_s)});
    imported("38-atshak69-alt-ETK-Image-Compressor-Pro.xml", u"ETK Software"_s, QString(), {},
             QDate(2026, 7, 13), {u"Program Type: \"FreeTrial\" is not in the list"_s, noOs},
             field(TextField::Keywords),
             u"\n        image compressor, photo optimizer, jpg compressor, png compressor,\n"
             "        image size reducer, batch image compression, fast image compressor,\n"
             "        offline image compressor, ETK Image Compressor Pro, 8K compression,\n"
             "        WebP compressor, EXR compressor, TGA compressor\n      "_s);
    imported("39-coolvitto-InstallerClean.xml", u"No faff"_s, QString(), {u"Win10"_s, u"Win11"_s},
             QDate(2026, 5, 13),
             {u"Program Type: \"Open Source\" is not in the list"_s, unlisted(u"Win10x64"_s)});
    imported("40-dplate-draw-a-mountain.xml", u"dP-Software"_s, u"Freeware"_s,
             {u"WinXP"_s, u"Windows2003"_s, u"Linux"_s, u"Linux Console"_s, u"Linux Gnome"_s,
              u"Linux GPL"_s, u"Linux Open Source"_s, u"Mac OS X"_s, u"WinVista"_s,
              u"WinVista x64"_s, u"Win7 x32"_s, u"Win7 x64"_s, u"Windows 8"_s, u"Android"_s,
              u"iPhone"_s, u"iPad"_s},
             QDate(2020, 8, 23),
             {unlisted(u"Windows 10, Windows Server 2003, Windows Server 2008, Windows Server "
                       "2008r2, Windows Server 2012, Windows Tablet PC Edition 2005, Windows Media "
                       "Center Edition 2005, Windows Vista Starter, Windows Vista Home Basic, "
                       "Windows Vista Home Premium, Windows Vista Business, Windows Vista "
                       "Enterprise, Windows Vista Ultimate, Windows Vista Home Basic x64, Windows "
                       "Vista Home Premium x64, Windows Vista Business x64, Windows Vista "
                       "Enterprise x64, Windows Vista Ultimate x64, Mac OS X 10.1, Mac OS X 10.2, "
                       "Mac OS X 10.3, Mac OS X 10.4, Mac OS X 10.5, Mac OS X 10.6, Mac OS X 10.7, "
                       "Mac OS X 10.8, Mac OS X 10.9, iOS"_s)});
    imported("41-jstoolsspace-JSON-Studio.xml", u"JSTools"_s, u"Freeware"_s,
             {u"Linux"_s, u"Linux Console"_s, u"Linux Gnome"_s, u"Linux GPL"_s,
              u"Linux Open Source"_s, u"Mac OS X"_s, u"Mac Other"_s, u"WinVista"_s, u"Win7 x64"_s,
              u"Win10"_s, u"Win11"_s},
             QDate(2026, 6, 28), {unlisted(u"Win10 x64, Win8 x64, Win8, Win7"_s)});
    imported("42-monzer15-yalla-video-releases.xml", u"Monzer Osman"_s, u"Freeware"_s,
             {u"Win10"_s, u"Win11"_s}, QDate(2026, 5, 19), {}, field(TextField::File_Size_Bytes),
             QString());
    imported("43-PabloSalinasDev-PassGenPro.xml", u"PyBloSoft"_s, u"Commercial"_s, {},
             QDate(2026, 2, 10),
             {unlisted(u"Win10 x64, Win11 x64, WinServer 2016, WinServer 2019, WinServer 2022, "
                       "WinServer 2025"_s)});
    imported("44-redaxmedia-redaxscript-service.xml", u"Redaxmedia"_s, u"Freeware"_s,
             {u"Unix"_s, u"Linux"_s, u"WinServer"_s}, QDate(2020, 8, 23), {});
    imported("45-rocket5-imagecrush-releases.xml", u"Rocket 5 Studios Inc."_s, u"Shareware"_s, {},
             QDate(2026, 3, 25), {unlisted(u"macOS 15.7 or later"_s)},
             field(TextField::Contact_Email), QString());
    refused("46-ron-from-nl-FinalCrypt.xml", u"it is not well-formed XML (line 76, column "_s);
    imported("47-srsoftware-de-CardDavCleaner.xml", u"SRSoftware GbR"_s, QString(), {u"Java"_s},
             QDate(2015, 4, 15), {u"Program Type: \"OPen Source\" is not in the list"_s});
    refused("48-azure06-clips_next.xml", u"its document element is <XML_PAD>, not <XML_DIZ_INFO>"_s);
    refused("49-CopyPastaOfficial-CopyPasta.xml", u"it is not well-formed XML (line 27, column "_s);
    imported("50-teknopaul-binjs.xml", u"teknopaul"_s, u"Freeware"_s, {u"Linux"_s},
             QDate(2012, 7, 10), {});
}

void TestPadReader::samples()
{
    QFETCH(QString, file);
    QFETCH(QString, refusal);
    QFETCH(QString, company);
    QFETCH(QString, programType);
    QFETCH(QStringList, osSupport);
    QFETCH(QDate, releaseDate);
    QFETCH(QStringList, notes);
    QFETCH(int, field);
    QFETCH(QString, fieldText);

    const QString path = QDir(samplesDir()).filePath(file);
    QString message;
    const std::optional<Pad::PadImport> read = readPadFile(path, &message);
    if (!refusal.isEmpty()) {
        QVERIFY2(!read, "the file was imported");
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QVERIFY2(message.contains(refusal), qPrintable(message));
        return;
    }
    QVERIFY2(read, qPrintable(message));
    QCOMPARE(read->values.text(TextField::Company_Name), company);
    QCOMPARE(read->values.programType, programType);
    QCOMPARE(read->programTypeFound(), !programType.isEmpty());
    QCOMPARE(read->values.osSupport, osSupport);
    QCOMPARE(read->values.releaseDate, releaseDate);
    QCOMPARE(read->noteTexts(), notes);
    if (field >= 0)
        QCOMPARE(read->values.text(TextField(field)), fieldText);
}

// A file whose elements carry a namespace prefix reads as its twin without
// one: the same values and notes, and every other element at the same path,
// since paths go by local names.
void TestPadReader::prefixedTwinReadsTheSame_data()
{
    QTest::addColumn<QString>("file");
    QStringList files;
    for (const char *folder : {"update", "check"}) {
        const QDir dir(testDataPath(QString::fromLatin1(folder)));
        for (const QString &name : dir.entryList({u"*.xml"_s}, QDir::Files, QDir::Name))
            files << dir.filePath(name);
    }
    const QDir samples(samplesDir());
    for (const QString &name : samples.entryList({u"*.xml"_s}, QDir::Files, QDir::Name))
        files << samples.filePath(name);
    for (const QString &file : std::as_const(files)) {
        // The twin is made from UTF-8 text; a file the reader refuses has nothing to compare.
        const QByteArray bytes = readAll(file);
        QString reason;
        if (QString::fromUtf8(bytes).toUtf8() == bytes && Pad::loadPad(bytes, Today, &reason))
            QTest::newRow(qPrintable(QFileInfo(file).fileName())) << file;
    }
}

void TestPadReader::prefixedTwinReadsTheSame()
{
    QFETCH(QString, file);
    const QByteArray bytes = readAll(file);
    QString reason;
    const std::optional<Pad::PadDocument> plain = Pad::loadPad(bytes, Today, &reason);
    QVERIFY2(plain, qPrintable(reason));
    const std::optional<Pad::PadDocument> twin = Pad::loadPad(withPrefix(bytes), Today, &reason);
    QVERIFY2(twin, qPrintable(reason));
    QCOMPARE(twin->xml.qualifiedName(twin->xml.root()), u"p:XML_DIZ_INFO"_s);
    QCOMPARE(twin->imported.values, plain->imported.values);
    QCOMPARE(twin->imported.noteTexts(), plain->imported.noteTexts());
    QCOMPARE(twin->leaves, plain->leaves);
    QCOMPARE(twin->otherFields, plain->otherFields);
    QCOMPARE(twin->kept, plain->kept);
    QCOMPARE(twin->unshownValues, plain->unshownValues);
}

QTEST_GUILESS_MAIN(TestPadReader)
#include "tst_padreader.moc"
