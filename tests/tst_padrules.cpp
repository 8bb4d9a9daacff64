// The field rules: every rule with values that pass and fail at its
// boundaries, the release date's years, and a tip for every field.
#include "padrules.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Pad::TextField;

Q_DECLARE_METATYPE(Pad::TextField)
Q_DECLARE_METATYPE(Pad::Severity)

class TestPadRules : public QObject
{
    Q_OBJECT
private slots:
    void ruleHint_data();
    void ruleHint();
    void ruleBreach_data();
    void ruleBreach();
    void releaseDateHint_data();
    void releaseDateHint();
    void everyFieldHasRulesAndTips();
};

namespace {

QString times(char c, int count)
{
    return QString(count, QChar::fromLatin1(c));
}

} // namespace

// hint is empty when the value passes; otherwise a piece of the hint that
// tells which of the field's rules the value breaks.
void TestPadRules::ruleHint_data()
{
    QTest::addColumn<TextField>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("hint");

    const QString noHint;
    const QString web = u"http:// or https://"_s;

    const auto row = [](const char *name, TextField field, const QString &value,
                        const QString &hint) {
        QTest::addRow("%s: %s", qPrintable(Pad::objectName(field)), name) << field << value << hint;
    };

    using F = TextField;
    const QString company = u"company name"_s;
    row("empty", F::Company_Name, QString(), noHint);
    row("1 character", F::Company_Name, u"A"_s, company);
    row("2 characters", F::Company_Name, u"AB"_s, noHint);
    row("40 characters", F::Company_Name, times('x', 40), noHint);
    row("41 characters", F::Company_Name, times('x', 41), company);
    row("non-ASCII letters", F::Company_Name, u"Caf\u00e9 M\u00fcller GmbH"_s, noHint);
    row("a character beyond the BMP counts twice", F::Company_Name,
        times('x', 39) + u"\U0001F600"_s, company);
    row("<", F::Company_Name, u"Smith <UK>"_s, company);
    row("tab", F::Company_Name, u"Smith\tSons"_s, company);

    for (F field : {F::Company_Website_URL, F::Application_Info_URL}) {
        row("http and 2 characters", field, u"http://ab"_s, noHint);
        row("http and 1 character", field, u"http://a"_s, web);
        row("https and 2 characters", field, u"https://ab"_s, noHint);
        row("https and 1 character", field, u"https://a"_s, web);
        row("120 characters after the scheme", field, u"https://"_s + times('a', 120), noHint);
        row("121 characters after the scheme", field, u"https://"_s + times('a', 121), web);
        row("no scheme", field, u"www.example.com"_s, web);
        row("ftp", field, u"ftp://example.com"_s, web);
        row("capital scheme", field, u"HTTPS://example.com"_s, web);
        row("line break", field, u"https://example.com/\nmore"_s, web);
    }

    const QString email = u"e-mail"_s;
    row("plain", F::Contact_Email, u"jo@example.com"_s, noHint);
    row("1 before @", F::Contact_Email, u"j@example.com"_s, email);
    row("30 before @", F::Contact_Email, times('j', 30) + u"@example.com"_s, noHint);
    row("31 before @", F::Contact_Email, times('j', 31) + u"@example.com"_s, email);
    row("domain part of 2", F::Contact_Email, u"jo@ex.com"_s, noHint);
    row("domain part of 1", F::Contact_Email, u"jo@e.com"_s, email);
    row("domain part of 63", F::Contact_Email, u"jo@"_s + times('e', 63) + u".com"_s, noHint);
    row("domain part of 64", F::Contact_Email, u"jo@"_s + times('e', 64) + u".com"_s, email);
    row("ending of 2", F::Contact_Email, u"jo@example.de"_s, noHint);
    row("ending of 1", F::Contact_Email, u"jo@example.c"_s, email);
    row("ending of 20", F::Contact_Email, u"jo@example."_s + times('c', 20), noHint);
    row("ending of 21", F::Contact_Email, u"jo@example."_s + times('c', 21), email);
    row("several dots", F::Contact_Email, u"jo.smith@mail.example.co.uk"_s, noHint);
    row("no dot after @", F::Contact_Email, u"jo@localhost"_s, email);
    row("no @", F::Contact_Email, u"jo.example.com"_s, email);
    row("two @", F::Contact_Email, u"jo@home@example.com"_s, email);
    row("blank", F::Contact_Email, u"jo smith@example.com"_s, email);
    row("with a name", F::Contact_Email, u"\"Jo\" <jo@example.com>"_s, email);

    const QString program = u"1 to 40 characters"_s;
    row("1 character", F::Program_Name, u"X"_s, noHint);
    row("40 characters", F::Program_Name, times('x', 40), noHint);
    row("41 characters", F::Program_Name, times('x', 41), program);
    row("<", F::Program_Name, u"<b>Widget</b>"_s, program);
    row("tab", F::Program_Name, u"Wid\tget"_s, program);
    const QString withoutVersion = u"version number"_s;
    row("dotted version at the end", F::Program_Name, u"Widget 2.1"_s, withoutVersion);
    row("v and a number at the end", F::Program_Name, u"Widget v2"_s, withoutVersion);
    row("v. and a dotted version", F::Program_Name, u"Widget v. 2.1.3b"_s, withoutVersion);
    row("number that is part of the name", F::Program_Name, u"Civilization 2"_s, noHint);
    row("dotted number inside", F::Program_Name, u"Web 2.0 Toolkit"_s, noHint);
    row("v inside a word", F::Program_Name, u"Codev2"_s, noHint);

    const QString version = u"version"_s;
    row("1 character", F::Program_Version, u"1"_s, noHint);
    row("every allowed kind", F::Program_Version, u"1.0.2-beta_3"_s, noHint);
    row("15 characters", F::Program_Version, times('1', 15), noHint);
    row("16 characters", F::Program_Version, times('1', 16), version);
    row("v. and a blank", F::Program_Version, u"v. 1.0"_s, version);
    row("blank", F::Program_Version, u"1.0 beta"_s, version);
    row("comma", F::Program_Version, u"1,0"_s, version);
    row("plus", F::Program_Version, u"1.0+"_s, version);
    row("non-ASCII letter", F::Program_Version, u"1.0\u00e4"_s, version);

    const QString cost = u"cost"_s;
    row("empty", F::Program_Cost_Dollars, QString(), noHint);
    row("0", F::Program_Cost_Dollars, u"0"_s, noHint);
    row("whole dollars", F::Program_Cost_Dollars, u"19"_s, noHint);
    row("with cents", F::Program_Cost_Dollars, u"19.95"_s, noHint);
    row("one decimal", F::Program_Cost_Dollars, u"19.9"_s, cost);
    row("three decimals", F::Program_Cost_Dollars, u"19.950"_s, cost);
    row("no whole part", F::Program_Cost_Dollars, u".95"_s, cost);
    row("dot without cents", F::Program_Cost_Dollars, u"19."_s, cost);
    row("dollar sign", F::Program_Cost_Dollars, u"$19.95"_s, cost);
    row("currency name", F::Program_Cost_Dollars, u"19.95 USD"_s, cost);
    row("thousands comma", F::Program_Cost_Dollars, u"1,000"_s, cost);
    row("negative", F::Program_Cost_Dollars, u"-5"_s, cost);

    const QString size = u"file size"_s;
    row("2 digits", F::File_Size_Bytes, u"12"_s, size);
    row("3 digits", F::File_Size_Bytes, u"123"_s, noHint);
    row("16 digits", F::File_Size_Bytes, times('9', 16), noHint);
    row("17 digits", F::File_Size_Bytes, times('9', 17), size);
    row("separators", F::File_Size_Bytes, u"1,048,576"_s, size);
    row("unit", F::File_Size_Bytes, u"1024 KB"_s, size);
    row("non-ASCII digits", F::File_Size_Bytes, u"\u0661\u0662\u0663"_s, size);

    const QString keywords = u"Keywords"_s;
    row("list", F::Keywords, u"pad, xml, editor"_s, noHint);
    row("at the limit", F::Keywords, times('k', Pad::KeywordsLimit), noHint);
    row("over the limit", F::Keywords, times('k', Pad::KeywordsLimit + 1), keywords);
    row("<", F::Keywords, u"pad, <xml>"_s, keywords);
    row("tab", F::Keywords, u"pad,\txml"_s, keywords);

    const QString description = u"description"_s;
    row("sentence", F::Char_Desc_450, u"Edits PAD files & more."_s, noHint);
    row("at the limit", F::Char_Desc_450, times('d', Pad::DescriptionLimit), noHint);
    row("over the limit", F::Char_Desc_450, times('d', Pad::DescriptionLimit + 1), description);
    row("HTML", F::Char_Desc_450, u"Edits <b>PAD</b> files."_s, description);
    row("tab", F::Char_Desc_450, u"Edits\tPAD files."_s, description);
    row("LF", F::Char_Desc_450, u"Edits PAD files.\nFast."_s, description);
    row("CR", F::Char_Desc_450, u"Edits PAD files.\rFast."_s, description);

    const QString xml = u".xml"_s;
    row("pad.xml", F::Application_XML_File_URL, u"https://example.com/pad.xml"_s, noHint);
    row("capital ending", F::Application_XML_File_URL, u"http://example.com/PAD.XML"_s, noHint);
    row("query after .xml", F::Application_XML_File_URL,
        u"https://example.com/pad.xml?lang=en"_s, noHint);
    row("script", F::Application_XML_File_URL, u"https://example.com/pad.php?id=1"_s, xml);
    row(".xml only in the query", F::Application_XML_File_URL,
        u"https://example.com/get?file=pad.xml"_s, xml);
    row("host alone", F::Application_XML_File_URL, u"https://pad.xml"_s, xml);
    row("no scheme", F::Application_XML_File_URL, u"example.com/pad.xml"_s, web);
    row("1 character", F::Application_XML_File_URL, u"http://a"_s, web);

    const QString scheme = u"ftp://"_s;
    const QString extension = u"extension"_s;
    row("exe", F::Primary_Download_URL, u"https://example.com/setup.exe"_s, noHint);
    row("ftp and tar.gz", F::Primary_Download_URL, u"ftp://ftp.example.com/app.tar.gz"_s, noHint);
    row("capital ending", F::Primary_Download_URL, u"http://example.com/SETUP.EXE"_s, noHint);
    row("one-letter extension", F::Primary_Download_URL, u"http://example.com/app.z"_s, noHint);
    row("sitx", F::Primary_Download_URL, u"http://example.com/app.sitx"_s, noHint);
    row("query after the file", F::Primary_Download_URL,
        u"https://example.com/app.zip?mirror=2"_s, noHint);
    row("page", F::Primary_Download_URL, u"https://example.com/download"_s, extension);
    row("host ending in .com", F::Primary_Download_URL, u"https://example.com"_s, extension);
    row("other extension after", F::Primary_Download_URL,
        u"https://example.com/setup.exe.txt"_s, extension);
    row("extension without a dot", F::Primary_Download_URL, u"https://example.com/setupexe"_s,
        extension);
    row("extension only in the query", F::Primary_Download_URL,
        u"https://example.com/get?file=setup.exe"_s, extension);
    row("120 characters after the scheme", F::Primary_Download_URL,
        u"https://a/"_s + times('a', 114) + u".exe"_s, noHint);
    row("121 characters after the scheme", F::Primary_Download_URL,
        u"https://a/"_s + times('a', 115) + u".exe"_s, scheme);
    row("ftp and 1 character", F::Primary_Download_URL, u"ftp://a"_s, scheme);
    row("file scheme", F::Primary_Download_URL, u"file:///c:/setup.exe"_s, scheme);

    const QString picture = u".png, .jpg or .gif"_s;
    row("empty", F::Application_Screenshot_URL, QString(), noHint);
    row("png", F::Application_Screenshot_URL, u"https://example.com/shot.png"_s, noHint);
    row("jpg", F::Application_Screenshot_URL, u"https://example.com/shot.jpg"_s, noHint);
    row("gif and query", F::Application_Screenshot_URL, u"http://example.com/s.GIF?w=2"_s,
        noHint);
    row("jpeg", F::Application_Screenshot_URL, u"https://example.com/shot.jpeg"_s, picture);
    row("page", F::Application_Screenshot_URL, u"https://example.com/screenshots"_s, picture);
    row("ftp", F::Application_Screenshot_URL, u"ftp://example.com/shot.png"_s, web);
}

void TestPadRules::ruleHint()
{
    QFETCH(TextField, field);
    QFETCH(QString, value);
    QFETCH(QString, hint);

    const std::optional<QString> given = Pad::ruleHint(field, value);
    if (hint.isEmpty()) {
        QVERIFY2(!given, qPrintable(given.value_or(QString())));
        return;
    }
    QVERIFY(given);
    QVERIFY2(given->contains(hint, Qt::CaseInsensitive), qPrintable(*given));
}

// What exactly a value breaks, as a check names it beside the rule's sentence.
void TestPadRules::ruleBreach_data()
{
    QTest::addColumn<TextField>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<Pad::Severity>("severity");
    QTest::addColumn<QString>("what");

    using F = TextField;
    constexpr auto error = Pad::Severity::Error;
    constexpr auto warning = Pad::Severity::Warning;
    const auto row = [](const char *name, TextField field, const QString &value,
                        Pad::Severity severity, const QString &what) {
        QTest::addRow("%s: %s", qPrintable(Pad::objectName(field)), name)
            << field << value << severity << what;
    };

    row("512 characters", F::Char_Desc_450, times('d', 512), error,
        u"is too long: 512 of 450 characters"_s);
    row("line break", F::Char_Desc_450, u"Edits PAD files.\nFast."_s, error, u"holds a line break"_s);
    row("tab", F::Company_Name, u"Smith\tSons"_s, error, u"holds a tab"_s);
    row("<", F::Keywords, u"pad, <xml>"_s, error, u"holds a \"<\""_s);
    row("1 character", F::Company_Name, u"A"_s, error, u"is too short: 1 of at least 2 characters"_s);
    row("pkg", F::Primary_Download_URL, u"https://example.com/setup.pkg"_s, error,
        u"has the extension \".pkg\", which is not one download sites accept"_s);
    row("page", F::Primary_Download_URL, u"https://example.com/download"_s, error,
        u"names no file with an extension"_s);
    row("file scheme", F::Primary_Download_URL, u"file:///c:/setup.exe"_s, error,
        u"does not begin with http://, https:// or ftp://"_s);
    row("no scheme", F::Company_Website_URL, u"www.example.com"_s, error,
        u"does not begin with http:// or https://"_s);
    row("121 characters after the scheme", F::Application_Info_URL,
        u"https://"_s + times('a', 121), error,
        u"is too long: 121 of 120 characters after https://"_s);
    row("1 character after the scheme", F::Application_Info_URL, u"http://a"_s, error,
        u"is too short: 1 of at least 2 characters after http://"_s);
    row("line break after the scheme", F::Application_Info_URL, u"https://example.com/\nmore"_s,
        error, u"holds a line break"_s);
    row("no @", F::Contact_Email, u"jo.example.com"_s, error, u"holds no \"@\""_s);
    row("two @", F::Contact_Email, u"jo@home@example.com"_s, error, u"holds 2 \"@\""_s);
    row("blank", F::Contact_Email, u"jo smith@example.com"_s, error, u"holds a blank"_s);
    row("1 before @", F::Contact_Email, u"j@example.com"_s, error,
        u"has 1 character before the \"@\", not 2 to 30"_s);
    row("no dot after @", F::Contact_Email, u"jo@localhost"_s, error,
        u"has no dot after the \"@\""_s);
    row("ending of 1", F::Contact_Email, u"jo@example.c"_s, error,
        u"has no dot after the \"@\" with 2 to 63 characters before it and 2 to 20 after it"_s);
    row("plus", F::Program_Version, u"1.0+"_s, error, u"holds a \"+\""_s);
    row("no-break space", F::Program_Version, u"1.0\u00a0beta"_s, error,
        u"holds a blank (U+00A0)"_s);
    row("a character beyond the BMP", F::Program_Version, u"1.0\U0001F600"_s, error,
        u"holds a \"\U0001F600\""_s);
    row("a control character", F::File_Size_Bytes, u"123\u0001"_s, error,
        u"holds the character U+0001"_s);
    row("16 characters", F::Program_Version, times('1', 16), error,
        u"is too long: 16 of 15 characters"_s);
    row("dollar sign", F::Program_Cost_Dollars, u"$19.95"_s, error, u"holds a \"$\""_s);
    row("one decimal", F::Program_Cost_Dollars, u"19.9"_s, error, u"has 1 digit after the dot, not 2"_s);
    row("three decimals", F::Program_Cost_Dollars, u"19.950"_s, error,
        u"has 3 digits after the dot, not 2"_s);
    row("no whole part", F::Program_Cost_Dollars, u".95"_s, error,
        u"has no whole dollars before the dot"_s);
    row("two dots", F::Program_Cost_Dollars, u"1.2.3"_s, error, u"holds 2 dots"_s);
    row("separators", F::File_Size_Bytes, u"1,048,576"_s, error, u"holds a \",\""_s);
    row("2 digits", F::File_Size_Bytes, u"12"_s, error, u"is too short: 2 of at least 3 characters"_s);
    row("bmp", F::Application_Screenshot_URL, u"https://example.com/shot.bmp"_s, error,
        u"has the extension \".bmp\", not .png, .jpg or .gif"_s);
    row("page", F::Application_Screenshot_URL, u"https://example.com/shots"_s, error,
        u"names no picture file ending in .png, .jpg or .gif"_s);
    // Advice only.
    row("dotted version at the end", F::Program_Name, u"Widget 2.1"_s, warning,
        u"ends in a version number"_s);
    row("script", F::Application_XML_File_URL, u"https://example.com/pad.php?id=1"_s, warning,
        u"ends in \".php\", not .xml"_s);
    row("host alone", F::Application_XML_File_URL, u"https://pad.xml"_s, warning,
        u"does not end in .xml"_s);
}

void TestPadRules::ruleBreach()
{
    QFETCH(TextField, field);
    QFETCH(QString, value);
    QFETCH(Pad::Severity, severity);
    QFETCH(QString, what);

    const std::optional<Pad::RuleBreach> breach = Pad::ruleBreach(field, value);
    QVERIFY(breach);
    QCOMPARE(breach->what, what);
    QCOMPARE(breach->severity, severity);
    QCOMPARE(breach->hint, *Pad::ruleHint(field, value));
}

void TestPadRules::releaseDateHint_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("hinted");

    QTest::newRow("last day of 1899") << QDate(1899, 12, 31) << true;
    QTest::newRow("first day of 1900") << QDate(1900, 1, 1) << false;
    QTest::newRow("today's kind of date") << QDate(2026, 6, 15) << false;
    QTest::newRow("last day of 2199") << QDate(2199, 12, 31) << false;
    QTest::newRow("first day of 2200") << QDate(2200, 1, 1) << true;
    QTest::newRow("year 100") << QDate(100, 1, 1) << true;
    QTest::newRow("no date") << QDate() << false;
}

void TestPadRules::releaseDateHint()
{
    QFETCH(QDate, date);
    QFETCH(bool, hinted);

    const std::optional<QString> hint = Pad::releaseDateHint(date);
    QCOMPARE(bool(hint), hinted);
    if (hint)
        QVERIFY2(hint->contains(u"1900 to 2199"_s), qPrintable(*hint));
}

// A field added to the form without a rule or a tip would go unexplained.
void TestPadRules::everyFieldHasRulesAndTips()
{
    for (int i = 0; i < Pad::TextFieldCount; ++i) {
        const auto field = static_cast<TextField>(i);
        const auto &rules = Pad::fieldRules();
        QVERIFY2(std::any_of(rules.begin(), rules.end(),
                             [&](const Pad::FieldRule &rule) { return rule.field == field; }),
                 qPrintable(Pad::objectName(field)));
    }
    for (const Pad::FormField &field : Pad::formFields()) {
        QVERIFY2(!field.tip.isEmpty(), qPrintable(field.objectName()));
        QVERIFY2(!field.displayName.isEmpty(), qPrintable(field.objectName()));
    }
}

QTEST_GUILESS_MAIN(TestPadRules)
#include "tst_padrules.moc"
