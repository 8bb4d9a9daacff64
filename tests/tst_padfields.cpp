// The PAD format's table of fields: its patterns as QRegularExpression reads
// them, values that keep and break the rules of each kind of field, the
// languages and groups taken from it, and the file sizes in K and MB.
#include "padfields.h"

#include <QHash>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPadFields : public QObject
{
    Q_OBJECT
private slots:
    void everyPatternCompiles();
    void convertPerlPattern_data();
    void convertPerlPattern();
    void rules_data();
    void rules();
    void formFieldsHaveOnePathEach();
    void everyFieldHasANameOfItsOwn();
    void languagesAndDescriptions();
    void groups_data();
    void groups();
    void longTexts_data();
    void longTexts();
    void fileSizes_data();
    void fileSizes();
    void followingFileSizes();
    void leavesSortedIntoFields();
    void editsBetweenFileAndFields();
    void ruleBreaksOfAFile();
};

void TestPadFields::everyPatternCompiles()
{
    for (const Pad::FormatField &field : Pad::formatFields()) {
        QVERIFY2(field.pattern.isValid(),
                 qPrintable(field.path + u": "_s + field.pattern.errorString() + u" at "_s
                            + QString::number(field.pattern.patternErrorOffset())));
        // A rule in words goes with every pattern, so a hint is never empty.
        QCOMPARE(field.rule.isEmpty(), field.pattern.pattern().isEmpty());
        QVERIFY(!field.title.isEmpty());
        QCOMPARE(Pad::formatField(field.path), &field);
    }
}

void TestPadFields::convertPerlPattern_data()
{
    QTest::addColumn<QString>("perl");
    QTest::addColumn<QString>("converted");
    QTest::newRow("end of text") << u"^a\\Z"_s << u"^a\\z"_s;
    QTest::newRow("Latin-1 range") << u"[\\xbc-\\xff]"_s << u"[\\x{bc}-\\x{ff}]"_s;
    QTest::newRow("tab and quote") << u"[^<\\x09\\x27]"_s << u"[^<\\x{09}\\x{27}]"_s;
    QTest::newRow("escaped backslash before Z") << u"a\\\\Z"_s << u"a\\\\Z"_s;
    QTest::newRow("braced already") << u"\\x{41}"_s << u"\\x{41}"_s;
    QTest::newRow("other escapes stay") << u"\\d\\/\\-\\@\\:"_s << u"\\d\\/\\-\\@\\:"_s;
    QTest::newRow("backslash at the end") << u"a\\"_s << u"a\\"_s;
}

void TestPadFields::convertPerlPattern()
{
    QFETCH(QString, perl);
    QFETCH(QString, converted);
    QCOMPARE(Pad::convertPerlPattern(perl), converted);
}

// Values that keep or break the format's rule, a few fields of each kind.
void TestPadFields::rules_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("keeps");

    const auto row = [](const char *what, const QString &path, const QString &value, bool keeps) {
        QTest::addRow("%s: %s", qPrintable(path.section(u'/', -1)), what) << path << value << keeps;
    };
    const auto times = [](int count, char c = 'x') { return QString(count, QChar::fromLatin1(c)); };

    // Length and the characters of a name or an address line.
    const QString city = u"Company_Info/City_Town"_s;
    row("2 characters", city, u"Ry"_s, true);
    row("1 character", city, u"R"_s, false);
    row("40 characters", city, times(40), true);
    row("41 characters", city, times(41), false);
    row("Latin-1 letters", city, u"Z\u00fcrich, Krak\u00f3w"_s, true);
    row("a letter beyond Latin-1", city, u"\u0141\u00f3d\u017a"_s, false);
    row("a semicolon", city, u"Berlin; Mitte"_s, false);
    const QString zip = u"Company_Info/Zip_Postal_Code"_s;
    row("any characters", zip, u"SW1A 1AA"_s, true);
    row("a tab", zip, u"SW1A\t1AA"_s, false);
    row("21 characters", zip, times(21), false);
    // Single line.
    const QString desc80 = u"Program_Descriptions/English/Char_Desc_80"_s;
    row("80 characters", desc80, times(80), true);
    row("81 characters", desc80, times(81), false);
    row("a line break", desc80, u"One\nTwo"_s, false);
    row("a carriage return", desc80, u"One\rTwo"_s, false);
    row("markup", desc80, u"<b>Bold</b>"_s, false);
    const QString desc2000 = u"Program_Descriptions/English/Char_Desc_2000"_s;
    row("several lines", desc2000, u"One.\nTwo.\n\nThree."_s, true);
    row("2001 characters", desc2000, times(2001), false);
    // Another language takes the English rule.
    row("German, 45 characters", u"Program_Descriptions/German/Char_Desc_45"_s, times(45), true);
    row("German, 46 characters", u"Program_Descriptions/German/Char_Desc_45"_s, times(46), false);
    // E-mail.
    const QString email = u"Company_Info/Support_Info/Support_Email"_s;
    row("plain", email, u"help@example.com"_s, true);
    row("1 before @", email, u"h@example.com"_s, false);
    row("no dot after @", email, u"help@localhost"_s, false);
    // Addresses, with and without an extension.
    const QString icon = u"Web_Info/Application_URLs/Application_Icon_URL"_s;
    row("png", icon, u"https://example.com/icon.png"_s, true);
    row("gif over http", icon, u"http://example.com/icon.gif"_s, true);
    row("bmp", icon, u"https://example.com/icon.bmp"_s, false);
    row("capital PNG", icon, u"https://example.com/icon.PNG"_s, false);
    row("no scheme", icon, u"example.com/icon.png"_s, false);
    const QString secondary = u"Web_Info/Download_URLs/Secondary_Download_URL"_s;
    row("ftp and zip", secondary, u"ftp://example.com/setup.zip"_s, true);
    row("dmg", secondary, u"https://example.com/App.dmg"_s, true);
    row("pkg", secondary, u"https://example.com/App.pkg"_s, false);
    const QString linkedin = u"Company_Info/LinkedinPage"_s;
    row("page", linkedin, u"https://www.linkedin.com/company/x"_s, true);
    row("too short after the scheme", linkedin, u"https://abc"_s, false);
    // Lists.
    const QString languages = u"Program_Info/Program_Language"_s;
    row("one", languages, u"English"_s, true);
    row("several", languages, u"English,German,ChineseSimplified"_s, true);
    row("blank after a comma", languages, u"English, German"_s, false);
    row("unknown name", languages, u"Klingon"_s, false);
    row("letter case", languages, u"english"_s, false);
    const QString category = u"Program_Info/Program_Category_Class"_s;
    row("known", category, u"Development::C / C++ / C#"_s, true);
    row("class alone", category, u"Development"_s, false);
    row("either/or", u"Program_Info/Expire_Info/Expire_Based_On"_s, u"Either/Or"_s, true);
    row("currency", u"Program_Info/Program_Cost_Other_Code"_s, u"EUR"_s, true);
    row("no currency", u"Program_Info/Program_Cost_Other_Code"_s, u"XYZ"_s, false);
    row("feed type", u"NewsFeed/NewsFeed_Type"_s, u"RSS 2.0"_s, true);
    row("feed type with any character for the dot", u"NewsFeed/NewsFeed_Type"_s, u"RSS 2x0"_s, false);
    // Yes or no.
    const QString member = u"ASP/ASP_Member"_s;
    row("Y", member, u"Y"_s, true);
    row("n", member, u"n"_s, true);
    row("Yes", member, u"Yes"_s, false);
    row("Y and a final line break", member, u"Y\n"_s, false);
    // Digits.
    const QString kilobytes = u"Program_Info/File_Info/File_Size_K"_s;
    row("decimals", kilobytes, u"1536.5"_s, true);
    row("12 characters", kilobytes, times(12, '1'), true);
    row("13 characters", kilobytes, times(13, '1'), false);
    row("a comma", kilobytes, u"1,5"_s, false);
    row("count", u"Program_Info/Expire_Info/Expire_Count"_s, u"30"_s, true);
    row("count with a letter", u"Program_Info/Expire_Info/Expire_Count"_s, u"30d"_s, false);
    const QString phone = u"Company_Info/Support_Info/Sales_Phone"_s;
    row("with punctuation", phone, u"+1 (555) 123-4567"_s, true);
    row("6 digits", phone, u"123456"_s, false);
    row("letters", phone, u"call us"_s, false);
    // Date parts.
    const QString month = u"Program_Info/Expire_Info/Expire_Month"_s;
    row("01", month, u"01"_s, true);
    row("12", month, u"12"_s, true);
    row("00", month, u"00"_s, false);
    row("13", month, u"13"_s, false);
    row("one digit", month, u"3"_s, false);
    const QString day = u"Program_Info/Expire_Info/Expire_Day"_s;
    row("31", day, u"31"_s, true);
    row("32", day, u"32"_s, false);
    const QString year = u"Program_Info/Expire_Info/Expire_Year"_s;
    row("1900", year, u"1900"_s, true);
    row("2199", year, u"2199"_s, true);
    row("1899", year, u"1899"_s, false);
    row("2200", year, u"2200"_s, false);
    row("two digits", year, u"24"_s, false);
    // What no rule holds to.
    row("no rule", u"Affiliates/Affiliates_ShareIt_Vendor_ID"_s, u"<anything>\t"_s, true);
    row("empty though 2 are asked for", city, QString(), true);
    row("a path the table does not know", u"Program_Info/Includes_JAVA_VM"_s, u"maybe"_s, true);
}

void TestPadFields::rules()
{
    QFETCH(QString, path);
    QFETCH(QString, value);
    QFETCH(bool, keeps);
    const std::optional<QString> hint = Pad::formatRuleHint(path, value);
    QCOMPARE(!hint.has_value(), keeps);
    if (hint)
        QVERIFY2(hint->contains(Pad::formatField(path)->rule), qPrintable(*hint));
}

void TestPadFields::formFieldsHaveOnePathEach()
{
    QList<Pad::TextField> seen;
    int picked = 0;
    for (const Pad::FormatField &field : Pad::formatFields()) {
        const Pad::FormField *shown = Pad::formFieldAt(field.path);
        if (shown && shown->kind == Pad::FieldKind::Text) {
            const Pad::TextField text = shown->text;
            QVERIFY2(!seen.contains(text), qPrintable(field.path));
            seen << text;
            QCOMPARE(field.path, shown->path());
        } else if (Pad::shownInWindow(field.path)) {
            ++picked;
        }
    }
    QCOMPARE(seen.size(), Pad::TextFieldCount);
    // The release date's three elements, the type and the OS list.
    QCOMPARE(picked, 5);
    QVERIFY(!Pad::shownInWindow(u"Program_Descriptions/German/Keywords"_s));
}

// Messages list fields by name, so no two may share one: the news feed's
// keywords are not the program's.
void TestPadFields::everyFieldHasANameOfItsOwn()
{
    QHash<QString, QString> pathOfName;
    const auto add = [&](const QString &path) {
        const QString name = Pad::fieldDisplayName(path);
        const QString other = pathOfName.value(name);
        QVERIFY2(other.isEmpty() || Pad::formFieldAt(other) == Pad::formFieldAt(path),
                 qPrintable(name + u": "_s + other + u" and "_s + path));
        pathOfName.insert(name, path);
    };
    for (const Pad::FormatField &field : Pad::formatFields())
        add(field.path);
    for (const QString &element : Pad::descriptionElements())
        add(u"Program_Descriptions/German/"_s + element);
    QCOMPARE(Pad::fieldDisplayName(u"NewsFeed/NewsFeed_Keywords"_s), u"News feed keywords"_s);
    QCOMPARE(Pad::fieldDisplayName(u"Program_Descriptions/English/Keywords"_s), u"Keywords"_s);
}

void TestPadFields::languagesAndDescriptions()
{
    const QStringList &languages = Pad::formatLanguages();
    QCOMPARE(languages.first(), u"Abkhazian"_s);
    QCOMPARE(languages.last(), u"Zulu"_s);
    for (const QString &name : {u"English"_s, u"German"_s, u"ChineseSimplified"_s, u"Other"_s})
        QVERIFY2(languages.contains(name), qPrintable(name));
    QVERIFY(!languages.contains(u","_s));
    QCOMPARE(Pad::descriptionElements(),
             QStringList({u"Keywords"_s, u"Char_Desc_45"_s, u"Char_Desc_80"_s, u"Char_Desc_250"_s,
                          u"Char_Desc_450"_s, u"Char_Desc_2000"_s}));
    QCOMPARE(Pad::descriptionLanguage(u"Program_Descriptions/German/Keywords"), u"German");
    QCOMPARE(Pad::descriptionLanguage(u"Program_Descriptions/French"), u"French");
    QVERIFY(Pad::descriptionLanguage(u"Program_Info/Program_Language").isEmpty());
    QCOMPARE(Pad::formatField(u"Program_Descriptions/French/Char_Desc_2000")->path,
             u"Program_Descriptions/English/Char_Desc_2000"_s);
    QCOMPARE(Pad::formatField(u"Program_Descriptions/French/Extra"), nullptr);
}

Q_DECLARE_METATYPE(Pad::FieldGroup)

void TestPadFields::groups_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Pad::FieldGroup>("group");
    using G = Pad::FieldGroup;
    QTest::newRow("version") << u"MASTER_PAD_VERSION_INFO/CERTIFIED"_s << G::PadFile;
    QTest::newRow("address") << u"Company_Info/Address_1"_s << G::Company;
    QTest::newRow("author") << u"Company_Info/Contact_Info/Author_Email"_s << G::Company;
    QTest::newRow("social page") << u"Company_Info/TwitterCompanyPage"_s << G::Company;
    QTest::newRow("support") << u"Company_Info/Support_Info/Fax_Phone"_s << G::Support;
    QTest::newRow("program") << u"Program_Info/Program_Language"_s << G::Program;
    QTest::newRow("file") << u"Program_Info/File_Info/File_Size_MB"_s << G::File;
    QTest::newRow("expiry") << u"Program_Info/Expire_Info/Expire_Count"_s << G::Expiry;
    QTest::newRow("description") << u"Program_Descriptions/English/Char_Desc_45"_s << G::Descriptions;
    QTest::newRow("icon") << u"Web_Info/Application_URLs/Application_Icon_URL"_s << G::WebAddresses;
    QTest::newRow("download") << u"Web_Info/Download_URLs/Additional_Download_URL_1"_s << G::Downloads;
    QTest::newRow("EULA") << u"Permissions/EULA"_s << G::Permissions;
    QTest::newRow("headline") << u"Press_Release/Headline"_s << G::PressRelease;
    QTest::newRow("feed") << u"NewsFeed/NewsFeed_Type"_s << G::NewsFeed;
    QTest::newRow("affiliate") << u"Affiliates/Affiliates_PayPro_Vendor_ID"_s << G::Affiliates;
    QTest::newRow("ASP") << u"ASP/ASP_Member_Number"_s << G::Asp;
}

void TestPadFields::groups()
{
    QFETCH(QString, path);
    QFETCH(Pad::FieldGroup, group);
    QCOMPARE(Pad::fieldGroup(path), group);
    QVERIFY(!Pad::groupTitle(group).isEmpty());
}

void TestPadFields::longTexts_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("longText");
    QTest::newRow("2000-character description") << u"Program_Descriptions/English/Char_Desc_2000"_s << 2000 << true;
    QTest::newRow("permissions") << u"Permissions/Distribution_Permissions"_s << 2000 << true;
    QTest::newRow("EULA") << u"Permissions/EULA"_s << 20000 << true;
    QTest::newRow("press release") << u"Press_Release/Press_Release"_s << 3000 << true;
    QTest::newRow("PAD comment") << u"MASTER_PAD_VERSION_INFO/MASTER_PAD_INFO"_s << 1000 << false;
    QTest::newRow("headline or nothing") << u"Press_Release/Headline"_s << 100 << false;
    QTest::newRow("address") << u"Company_Info/Address_1"_s << 40 << false;
    QTest::newRow("e-mail") << u"Company_Info/Contact_Info/Author_Email"_s << -1 << false;
    QTest::newRow("no rule") << u"Affiliates/Affiliates_PayPro_Order_Page"_s << -1 << false;
}

void TestPadFields::longTexts()
{
    QFETCH(QString, path);
    QFETCH(int, limit);
    QFETCH(bool, longText);
    const Pad::FormatField *field = Pad::formatField(path);
    QVERIFY(field);
    QCOMPARE(Pad::lengthLimit(*field).value_or(-1), limit);
    QCOMPARE(Pad::isLongText(*field), longText);
}

void TestPadFields::fileSizes_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("kilobytes");
    QTest::addColumn<QString>("megabytes");
    QTest::newRow("one and a half K") << qint64(1536) << u"1.5"_s << u"0"_s;
    QTest::newRow("one MiB") << qint64(1048576) << u"1024"_s << u"1"_s;
    QTest::newRow("rounded up to two decimals") << qint64(1000) << u"0.98"_s << u"0"_s;
    QTest::newRow("rounded up to a whole") << qint64(1023 * 1024 + 1020) << u"1024"_s << u"1"_s;
    QTest::newRow("two and a half MiB") << qint64(2621440) << u"2560"_s << u"2.5"_s;
    QTest::newRow("a zero in the hundredths") << qint64(10250) << u"10.01"_s << u"0.01"_s;
    QTest::newRow("large") << qint64(123456789012) << u"120563270.52"_s << u"117737.57"_s;
}

void TestPadFields::fileSizes()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, kilobytes);
    QFETCH(QString, megabytes);
    QCOMPARE(Pad::fileSizeKilobytes(bytes), kilobytes);
    QCOMPARE(Pad::fileSizeMegabytes(bytes), megabytes);
}

void TestPadFields::followingFileSizes()
{
    using Pad::PathText;
    const QString k = Pad::FileSizeKilobytesPath;
    const QString mb = Pad::FileSizeMegabytesPath;
    QCOMPARE(Pad::followingFileSizes(u"2621440"_s, true, true),
             (QList<PathText>{{k, u"2560"_s}, {mb, u"2.5"_s}}));
    QCOMPARE(Pad::followingFileSizes(u"2621440"_s, false, true), (QList<PathText>{{mb, u"2.5"_s}}));
    QCOMPARE(Pad::followingFileSizes(u"2621440"_s, false, false), QList<PathText>());
    // What is no size in bytes leaves the others as they are.
    QCOMPARE(Pad::followingFileSizes(u"2,621,440"_s, true, true), QList<PathText>());
    QCOMPARE(Pad::followingFileSizes(QString(), true, true), QList<PathText>());
    QCOMPARE(Pad::followingFileSizes(QString(17, u'9'), true, true), QList<PathText>());
}

void TestPadFields::leavesSortedIntoFields()
{
    const QList<Pad::PathText> leaves{
        {u"MASTER_PAD_VERSION_INFO/MASTER_PAD_VERSION"_s, u"3.11"_s},
        {u"Company_Info/Company_Name"_s, u"Tarnwick"_s},
        {u"Company_Info/City_Town"_s, u"Leeds"_s},
        {u"Program_Info/Includes_JAVA_VM"_s, u"N"_s},
        {u"Program_Descriptions/English/Keywords"_s, u"notes"_s},
        {u"Program_Descriptions/English/Char_Desc_80"_s, u"Short"_s},
        {u"Program_Descriptions/German/Char_Desc_80"_s, u"Kurz"_s},
        {u"Program_Descriptions/German/Extra"_s, u"?"_s},
        {u"Program_Descriptions/Dutch"_s, QString()},
        {u"Company_Info/City_Town"_s, u"York"_s},
        {u"Affiliates"_s, QString()},
        {u"Tool_Extension/Setting"_s, u"on"_s},
    };
    QList<Pad::PathText> kept;
    const Pad::OtherFields fields = Pad::otherFieldsOf(leaves, &kept);
    QMap<QString, QString> values;
    values.insert(u"Company_Info/City_Town"_s, u"Leeds"_s);
    values.insert(u"Program_Descriptions/English/Char_Desc_80"_s, u"Short"_s);
    values.insert(u"Program_Descriptions/German/Char_Desc_80"_s, u"Kurz"_s);
    QCOMPARE(fields.values, values);
    QCOMPARE(fields.languages, (QStringList{u"German"_s, u"Dutch"_s}));
    QCOMPARE(kept, (QList<Pad::PathText>{leaves[3], leaves[7], leaves[9], leaves[11]}));
}

void TestPadFields::editsBetweenFileAndFields()
{
    Pad::OtherFields file;
    file.values.insert(u"Company_Info/City_Town"_s, u"Leeds"_s);
    file.values.insert(u"Permissions/EULA"_s, u"Be nice."_s);
    file.values.insert(u"Program_Descriptions/English/Char_Desc_80"_s, u"Short"_s);
    file.values.insert(u"Program_Descriptions/German/Char_Desc_80"_s, u"Kurz"_s);
    file.values.insert(u"Program_Descriptions/French/Char_Desc_80"_s, u"Court"_s);
    file.languages = QStringList{u"German"_s, u"French"_s};

    Pad::OtherFields fields = file;
    QVERIFY(!Pad::holdsChanges(file, fields));
    QVERIFY(Pad::otherFieldEdits(file, fields).isEmpty());
    // An empty value for an element the file lacks changes nothing.
    fields.values.insert(u"Company_Info/Country"_s, QString());
    QVERIFY(!Pad::holdsChanges(file, fields));
    QVERIFY(Pad::otherFieldEdits(file, fields).isEmpty());
    // Nor does a value the author never gave: the file keeps its own.
    Pad::OtherFields given;
    given.languages = file.languages;
    QVERIFY(!Pad::holdsChanges(file, given));
    QVERIFY(Pad::otherFieldEdits(file, given).isEmpty());

    fields.values[u"Permissions/EULA"_s] = u"Be kind."_s;
    fields.values[u"Company_Info/City_Town"_s] = QString();
    fields.values[u"Program_Descriptions/German/Char_Desc_80"_s] = u"Knapp"_s;
    fields.values[u"Program_Descriptions/French/Char_Desc_80"_s] = u"Bref"_s;
    fields.languages = QStringList{u"German"_s, u"Spanish"_s};
    fields.values.insert(u"Program_Descriptions/Spanish/Char_Desc_45"_s, u"Corto"_s);
    QVERIFY(Pad::holdsChanges(file, fields));

    const Pad::OtherFieldEdits edits = Pad::otherFieldEdits(file, fields);
    QList<Pad::PathText> expected{
        {u"Company_Info/City_Town"_s, QString()},
        {u"Program_Descriptions/German/Char_Desc_80"_s, u"Knapp"_s},
    };
    for (const QString &element : Pad::descriptionElements()) {
        const QString path = u"Program_Descriptions/Spanish/"_s + element;
        expected << Pad::PathText{path, fields.values.value(path)};
    }
    expected << Pad::PathText{u"Permissions/EULA"_s, u"Be kind."_s};
    QCOMPARE(edits.values, expected);
    QCOMPARE(edits.removedLanguages, QStringList{u"French"_s});
}

void TestPadFields::ruleBreaksOfAFile()
{
    const QList<Pad::PathText> leaves{
        {u"MASTER_PAD_VERSION_INFO/MASTER_PAD_VERSION"_s, u"three"_s},
        // The window's fields keep their own rules, checked elsewhere.
        {u"Company_Info/Company_Name"_s, u"X"_s},
        {u"Company_Info/City_Town"_s, u"L"_s},
        {u"Company_Info/City_Town"_s, u"M"_s},
        {u"Company_Info/Country"_s, QString()},
        {u"Program_Descriptions/German/Char_Desc_45"_s, QString(46, u'x')},
        {u"Program_Info/Includes_JAVA_VM"_s, u"perhaps"_s},
    };
    const QList<Pad::RuleBreak> breaks = Pad::formatRuleBreaks(leaves);
    QCOMPARE(breaks.size(), 3);
    QCOMPARE(breaks[0].path, leaves[0].path);
    QCOMPARE(breaks[0].value, u"three"_s);
    QCOMPARE(breaks[1].path, leaves[2].path);
    QCOMPARE(breaks[1].value, u"L"_s);
    QCOMPARE(breaks[1].hint, *Pad::formatRuleHint(leaves[2].path, u"L"_s));
    QCOMPARE(breaks[2].path, leaves[5].path);
    QCOMPARE(Pad::fieldDisplayName(breaks[2].path), u"45 character description (German)"_s);
    QCOMPARE(Pad::fieldDisplayName(u"Company_Info/City_Town"), u"City or town"_s);
}

QTEST_GUILESS_MAIN(TestPadFields)
#include "tst_padfields.moc"
