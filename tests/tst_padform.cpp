// The field set's checks: required fields in their order, and characters
// that no XML file can carry.
#include "padform.h"
#include "padwriter.h"

#include <QTest>

using Pad::TextField;

namespace {

Pad::PadValues filledForm()
{
    Pad::PadValues values;
    for (QString &text : values.texts)
        text = QStringLiteral("x");
    values.releaseDate = QDate(2026, 12, 10);
    values.programType = QStringLiteral("Shareware");
    values.osSupport = QStringList{QStringLiteral("Linux")};
    return values;
}

} // namespace

class TestPadForm : public QObject
{
    Q_OBJECT

private slots:
    void validationStopsAtFirstEmptyField_data();
    void validationStopsAtFirstEmptyField();
    void validationPasses_data();
    void validationPasses();
    void firstNonXmlChar_data();
    void firstNonXmlChar();
    void unsavableCharacters_data();
    void unsavableCharacters();
};

void TestPadForm::validationStopsAtFirstEmptyField_data()
{
    QTest::addColumn<QList<int>>("emptied");
    QTest::addColumn<bool>("noOsTicked");
    QTest::addColumn<bool>("noDate");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus"); // the field's name; the OS list or the date when not text

    auto dated = [](const char *name, QList<TextField> fields, bool noOs, bool noDate, const char *message,
                    std::optional<TextField> focus, const char *otherFocus) {
        QList<int> emptied;
        for (TextField f : fields)
            emptied << int(f);
        QTest::newRow(name) << emptied << noOs << noDate << QString::fromLatin1(message)
                            << (focus ? Pad::displayName(*focus) : QString::fromLatin1(otherFocus));
    };
    auto row = [&](const char *name, QList<TextField> fields, bool noOs, const char *message,
                   std::optional<TextField> focus) { dated(name, fields, noOs, false, message, focus, "OS Support"); };
    using F = TextField;
    row("everything empty", {F::Company_Name, F::Company_Website_URL, F::Contact_Email,
                             F::Program_Name, F::Program_Version, F::File_Size_Bytes, F::Keywords,
                             F::Char_Desc_450, F::Application_Info_URL,
                             F::Application_XML_File_URL, F::Primary_Download_URL},
        true, "Company Name must be filled", F::Company_Name);
    row("website", {F::Company_Website_URL}, false, "Company Website must be filled",
        F::Company_Website_URL);
    row("e-mail", {F::Contact_Email}, false, "Contact E-mail must be filled", F::Contact_Email);
    row("program name", {F::Program_Name}, false, "Program Name must be filled", F::Program_Name);
    row("version", {F::Program_Version}, false, "Program Version must be filled",
        F::Program_Version);
    row("keywords", {F::Keywords}, false, "Keywords must be filled", F::Keywords);
    row("descriptions", {F::Char_Desc_450}, false, "Descriptions must be filled",
        F::Char_Desc_450);
    row("info URL", {F::Application_Info_URL}, false, "Application Info URL must be filled",
        F::Application_Info_URL);
    row("PAD URL", {F::Application_XML_File_URL}, false, "PAD XML File URL must be filled",
        F::Application_XML_File_URL);
    row("download URL", {F::Primary_Download_URL}, false, "Primary Download URL must be filled",
        F::Primary_Download_URL);
    row("texts before OS list", {F::Primary_Download_URL}, true,
        "Primary Download URL must be filled", F::Primary_Download_URL);
    row("no OS ticked", {}, true, "Please select OS Support", std::nullopt);
    dated("no release date", {}, true, true, "Release Date must be filled", std::nullopt, "Release Date");
    dated("the version before the date", {F::Program_Version}, false, true, "Program Version must be filled",
          F::Program_Version, nullptr);
    dated("the date before the file size", {F::File_Size_Bytes, F::Keywords}, false, true,
          "Release Date must be filled", std::nullopt, "Release Date");

    // Each neighbouring pair of the order emptied together names the earlier one.
    const QList<std::pair<TextField, const char *>> order{
        {F::Company_Name, "Company Name"},
        {F::Company_Website_URL, "Company Website"},
        {F::Contact_Email, "Contact E-mail"},
        {F::Program_Name, "Program Name"},
        {F::Program_Version, "Program Version"},
        {F::File_Size_Bytes, "File Size"},
        {F::Keywords, "Keywords"},
        {F::Char_Desc_450, "Descriptions"},
        {F::Application_Info_URL, "Application Info URL"},
        {F::Application_XML_File_URL, "PAD XML File URL"},
        {F::Primary_Download_URL, "Primary Download URL"},
    };
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        const auto [earlier, label] = order[i];
        const auto [later, laterLabel] = order[i + 1];
        const QByteArray name = QByteArray(label) + " before " + laterLabel;
        row(name.constData(), {later, earlier}, false,
            QByteArray(label).append(" must be filled").constData(), earlier);
    }
}

void TestPadForm::validationStopsAtFirstEmptyField()
{
    QFETCH(QList<int>, emptied);
    QFETCH(bool, noOsTicked);
    QFETCH(bool, noDate);
    Pad::PadValues values = filledForm();
    for (int field : emptied)
        values.texts[field].clear();
    if (noOsTicked)
        values.osSupport.clear();
    if (noDate)
        values.releaseDate = QDate();

    const std::optional<Pad::FieldProblem> problem = Pad::validate(values);
    QVERIFY(problem);
    QTEST(problem->message, "message");
    QTEST(problem->field->displayName, "focus");
}

void TestPadForm::validationPasses_data()
{
    QTest::addColumn<Pad::PadValues>("values");
    Pad::PadValues blanks = filledForm();
    blanks.text(TextField::Company_Name) = QStringLiteral(" ");
    QTest::newRow("a blank counts as filled") << blanks;
    Pad::PadValues optional = filledForm();
    optional.text(TextField::Program_Cost_Dollars).clear();
    optional.text(TextField::Application_Screenshot_URL).clear();
    optional.programType.clear();
    QTest::newRow("optional fields and type empty") << optional;
}

void TestPadForm::validationPasses()
{
    QFETCH(Pad::PadValues, values);
    QCOMPARE(Pad::validate(values), std::nullopt);
}

// The one rule for what XML carries, which the writer and the reader share;
// the reader places its message by the index.
void TestPadForm::firstNonXmlChar_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index"); // -1: none

    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("tab, LF, CR") << QStringLiteral("\t\n\r") << -1;
    QTest::newRow("edges of the surrogates") << QStringLiteral("\uD7FF\uE000\uFFFD") << -1;
    QTest::newRow("a pair") << QStringLiteral("a\U0001F600\U0010FFFF") << -1;
    QTest::newRow("U+0000") << QString(QStringLiteral("ab") + QChar(0)) << 2;
    QTest::newRow("control character") << QStringLiteral("a\x1f") << 1;
    QTest::newRow("U+FFFE") << QStringLiteral("\U0001F600\uFFFE") << 2;
    QTest::newRow("U+FFFF") << QStringLiteral("\uFFFF") << 0;
    QTest::newRow("high surrogate at the end") << QString(QStringLiteral("ab") + QChar(0xD83D)) << 2;
    QTest::newRow("high surrogate before a pair")
        << QString(QChar(0xD83D) + QStringLiteral("\U0001F600")) << 0;
    QTest::newRow("low surrogate alone") << QString(QStringLiteral("a") + QChar(0xDE00) + QStringLiteral("\x01")) << 1;
}

void TestPadForm::firstNonXmlChar()
{
    QFETCH(QString, text);
    QFETCH(int, index);
    QCOMPARE(Pad::firstNonXmlChar(text), qsizetype(index));
}

void TestPadForm::unsavableCharacters_data()
{
    QTest::addColumn<QList<int>>("fields");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    using F = TextField;
    QTest::newRow("tab, line breaks, beyond the BMP pass")
        << QList<int>{int(F::Char_Desc_450)} << QStringLiteral("a\tb\nc\rd \U0001F600 \uFFFD")
        << QString();
    QTest::newRow("control character")
        << QList<int>{int(F::Company_Name)} << QStringLiteral("a\x01z")
        << "Company Name contains a character that cannot be saved in a PAD file";
    QTest::newRow("escape in cost")
        << QList<int>{int(F::Program_Cost_Dollars)} << QStringLiteral("\x1b[0m")
        << "Cost contains a character that cannot be saved in a PAD file";
    QTest::newRow("U+FFFE") << QList<int>{int(F::Keywords)} << QStringLiteral("k\uFFFE")
                            << "Keywords contains a character that cannot be saved in a PAD file";
    QTest::newRow("U+FFFF") << QList<int>{int(F::Char_Desc_450)} << QStringLiteral("\uFFFF")
                            << "Descriptions contains a character that cannot be saved in a PAD file";
    QTest::newRow("unpaired surrogate")
        << QList<int>{int(F::Program_Name)} << QString(QChar(0xD800))
        << "Program Name contains a character that cannot be saved in a PAD file";
    QTest::newRow("first in file order: screenshot before PAD URL")
        << QList<int>{int(F::Application_XML_File_URL), int(F::Application_Screenshot_URL)}
        << QStringLiteral("\x7f\x02")
        << "Application Screenshot URL contains a character that cannot be saved in a PAD file";
}

void TestPadForm::unsavableCharacters()
{
    QFETCH(QList<int>, fields);
    QFETCH(QString, text);
    QFETCH(QString, message);
    Pad::PadValues values = filledForm();
    for (int field : fields)
        values.texts[field] = text;

    const std::optional<Pad::FieldProblem> problem = Pad::findUnsavableField(values);
    QCOMPARE(problem ? problem->message : QString(), message);
}

QTEST_GUILESS_MAIN(TestPadForm)
#include "tst_padform.moc"
