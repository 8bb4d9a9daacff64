// The export to catalogs: the mapping from real PAD files and small forms
// of our own, the written manifests held to the catalog's rules (stated
// here in the tests' own words) and read back, the AppStream file through
// appstreamcli, the installer's kind told from crafted bytes, and the
// command line.
#include "commandline.h"
#include "exportcommand.h"
#include "exportfixture.h"
#include "exportplan.h"
#include "exportsupport.h"
#include "hostileserver.h"
#include "installerdownload.h"
#include "installerfacts.h"
#include "padreader.h"
#include "padwriter.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QtEndian>

#include <yaml-cpp/yaml.h>

using Export::Catalog;
using Export::Question;
using Pad::TextField;

namespace {

const QDate Today(2026, 12, 11);

// The facts of an installer read, as the inspector gives them.
Export::InstallerFacts exeFacts(qint64 size = 1536)
{
    return {QString(64, u'A'), size, QStringLiteral("exe"), QStringLiteral("x64"), QStringLiteral("setup.exe")};
}

Export::Answers answersWith(std::initializer_list<std::pair<Question, QString>> given)
{
    Export::Answers answers;
    for (const auto &[question, text] : given)
        answers[question] = text;
    return answers;
}

Export::ExportSource sampleSource(const QString &name)
{
    QString reason;
    const std::optional<Pad::PadDocument> document =
        Pad::loadPadFile(QDir(samplesDir()).filePath(name), Today, &reason);
    if (!document)
        qFatal("cannot read %s: %s", qPrintable(name), qPrintable(reason));
    return {document->imported.values, document->otherFields};
}

QStringList severities(const Export::ExportPlan &plan, const QString &key)
{
    QStringList found;
    for (const Export::ExportNote &note : plan.notes) {
        if (note.key == key)
            found << Pad::severityName(note.severity);
    }
    return found;
}

// ---- The catalog's rules, in the tests' own words ----

// A part of an identifier may hold none of these, nor a control character.
bool isIdentifier(const QString &id)
{
    const QStringList parts = id.split(u'.');
    if (id.size() > 128 || parts.size() < 2 || parts.size() > 8)
        return false;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 32)
            return false;
        for (const QChar c : part) {
            if (c.isSpace() || c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c))
                return false;
        }
    }
    return true;
}

bool isAddress(const QString &text)
{
    return (text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
            || text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
           && text.size() > 8 && text.size() <= 2048;
}

QString text(const YAML::Node &node)
{
    return QString::fromStdString(node.as<std::string>());
}

// Every broken rule of one manifest file, empty when it keeps them all.
QStringList brokenRules(const QString &kind, const YAML::Node &root)
{
    QStringList broken;
    const auto need = [&](const YAML::Node &map, const char *key) {
        if (!map[key])
            broken << QStringLiteral("%1 lacks %2").arg(kind, QLatin1String(key));
    };
    const auto length = [&](const char *key, int least, int most) {
        if (root[key] && (text(root[key]).size() < least || text(root[key]).size() > most))
            broken << QStringLiteral("%1 has the wrong length").arg(QLatin1String(key));
    };
    for (const char *key : {"PackageIdentifier", "PackageVersion", "ManifestType", "ManifestVersion"})
        need(root, key);
    if (!broken.isEmpty())
        return broken;
    if (!isIdentifier(text(root["PackageIdentifier"])))
        broken << QStringLiteral("bad identifier");
    const QString version = text(root["PackageVersion"]);
    if (version.isEmpty() || version.size() > 128 || version.contains(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]"))))
        broken << QStringLiteral("bad version");
    if (text(root["ManifestVersion"]) != u"1.12.0" || text(root["ManifestType"]) != kind)
        broken << QStringLiteral("bad manifest type or version");
    if (kind == u"version") {
        need(root, "DefaultLocale");
    } else if (kind == u"installer") {
        need(root, "Installers");
        for (const YAML::Node &installer : root["Installers"]) {
            for (const char *key : {"Architecture", "InstallerUrl", "InstallerSha256"})
                need(installer, key);
            if (!QStringList{"x86", "x64", "arm", "arm64", "neutral"}.contains(text(installer["Architecture"])))
                broken << QStringLiteral("bad architecture");
            if (!QRegularExpression(QStringLiteral("^[0-9A-Fa-f]{64}$")).match(text(installer["InstallerSha256"])).hasMatch())
                broken << QStringLiteral("bad SHA-256");
            if (!isAddress(text(installer["InstallerUrl"])))
                broken << QStringLiteral("bad installer address");
            if (installer["InstallerType"]
                && !QStringList{"msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn", "pwa",
                                "portable", "font"}.contains(text(installer["InstallerType"])))
                broken << QStringLiteral("bad installer type");
        }
        if (root["ReleaseDate"] && !QDate::fromString(text(root["ReleaseDate"]), Qt::ISODate).isValid())
            broken << QStringLiteral("bad date");
    } else {
        for (const char *key : {"PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"})
            need(root, key);
        length("Publisher", 2, 256);
        length("PackageName", 2, 256);
        length("Author", 2, 256);
        length("License", 3, 512);
        length("ShortDescription", 3, 256);
        length("Description", 3, 10000);
        length("ReleaseNotes", 1, 10000);
        for (const char *key : {"PublisherUrl", "PackageUrl", "PurchaseUrl"}) {
            if (root[key] && !isAddress(text(root[key])))
                broken << QStringLiteral("bad %1").arg(QLatin1String(key));
        }
        QStringList tags;
        for (const YAML::Node &tag : root["Tags"]) {
            if (text(tag).isEmpty() || text(tag).size() > 40 || tags.contains(text(tag)))
                broken << QStringLiteral("bad tag %1").arg(text(tag));
            tags << text(tag);
        }
        if (tags.size() > 16)
            broken << QStringLiteral("more than 16 tags");
    }
    return broken;
}

// A zip of stored entries, each local header followed by its data, then
// the central directory naming them again.
QByteArray zipFile(const QStringList &names)
{
    QByteArray local;
    QByteArray central;
    for (const QString &name : names) {
        const QByteArray encoded = name.toUtf8();
        const QByteArray data = "<Package/>";
        QByteArray header(30, '\0');
        header.replace(0, 4, "PK\x03\x04");
        qToLittleEndian<quint32>(quint32(data.size()), header.data() + 18);
        qToLittleEndian<quint32>(quint32(data.size()), header.data() + 22);
        qToLittleEndian<quint16>(quint16(encoded.size()), header.data() + 26);
        QByteArray entry(46, '\0');
        entry.replace(0, 4, "PK\x01\x02");
        qToLittleEndian<quint16>(quint16(encoded.size()), entry.data() + 28);
        qToLittleEndian<quint32>(quint32(local.size()), entry.data() + 42);
        local += header + encoded + data;
        central += entry + encoded;
    }
    return local + central + QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void mapping_data();
    void mapping();
    void ownFormMapping();
    void mends_data();
    void mends();
    void manifestsKeepRules_data();
    void manifestsKeepRules();
    void yamlReadsBack_data();
    void yamlReadsBack();
    void rulesAgreeWithPublishedSchemas();
    void appStream();
    void appStreamValidates_data();
    void appStreamValidates();
    void installerKind_data();
    void installerKind();
    void installerFile();
    void writeAllOrNothing();
    void commandLine_data();
    void commandLine();
    void commandLineJsonAndDryRun();
    void downloadLimit_data();
    void downloadLimit();
    void commandLineDownload_data();
    void commandLineDownload();
    void parseExport_data();
    void parseExport();
};

void TestExport::mapping_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<int>("catalog");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("fromPath");

    const int w = int(Catalog::Winget);
    const int a = int(Catalog::AppStream);
    // A rich file: every key from its own field.
    const QString rich = QStringLiteral("36-pwsafe-pwsafe.xml");
    QTest::newRow("rich identifier") << rich << w << "PackageIdentifier" << "PasswordSafe.PasswordSafe"
                                     << "Company_Info/Company_Name";
    QTest::newRow("rich version") << rich << w << "PackageVersion" << "3.49" << "Program_Info/Program_Version";
    QTest::newRow("rich short") << rich << w << "ShortDescription"
                                << "A popular password manager for Windows, emphasizing ease-of-use and security"
                                << "Program_Descriptions/English/Char_Desc_80";
    QTest::newRow("rich author") << rich << w << "Author" << "Rony Shapiro"
                                 << "Company_Info/Contact_Info/Author_First_Name";
    QTest::newRow("rich licence") << rich << w << "License" << "Freeware" << "Program_Info/Program_Type";
    QTest::newRow("rich date") << rich << w << "ReleaseDate" << "2019-04-30" << "Program_Info/Program_Release_Month";
    QTest::newRow("rich tags") << rich << w << "Tags" << "password-manager, security, cryptography"
                               << "Program_Descriptions/English/Keywords";
    QTest::newRow("rich appstream id") << rich << a << "id" << "org.pwsafe.PasswordSafe"
                                       << "Company_Info/Company_WebSite_URL";
    QTest::newRow("rich summary") << rich << a << "summary" << "Simple & secure password management utility"
                                  << "Program_Descriptions/English/Char_Desc_45";
    // No 80 character description: the 45 stands in.
    const QString short45 = QStringLiteral("07-kalsky-FastWrite.xml");
    QTest::newRow("no 80: short") << short45 << w << "ShortDescription" << "The FASTEST way to WRITE"
                                  << "Program_Descriptions/English/Char_Desc_45";
    QTest::newRow("no 80: licence") << short45 << w << "License" << "Shareware" << "Program_Info/Program_Type";
    QTest::newRow("no 80: version") << short45 << w << "PackageVersion" << "0.90.0.1"
                                    << "Program_Info/Program_Version";
    QTest::newRow("no 80: appstream id") << short45 << a << "id" << "to.beam.FastWrite"
                                         << "Company_Info/Company_WebSite_URL";
    // A Linux build among others.
    const QString linux = QStringLiteral("41-jstoolsspace-JSON-Studio.xml");
    QTest::newRow("linux purchase") << linux << w << "PurchaseUrl"
                                    << "https://github.com/jstoolsspace/JSON-Studio/releases/latest"
                                    << "Web_Info/Application_URLs/Application_Order_URL";
    QTest::newRow("linux summary") << linux << a << "summary" << "Private, lossless desktop JSON workspace"
                                   << "Program_Descriptions/English/Char_Desc_45";
    QTest::newRow("linux name") << linux << a << "name" << "JSON Studio" << "Program_Info/Program_Name";
    QTest::newRow("linux release") << linux << a << "release/date" << "2026-06-28"
                                   << "Program_Info/Program_Release_Month";
}

void TestExport::mapping()
{
    QFETCH(QString, sample);
    QFETCH(int, catalog);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QFETCH(QString, fromPath);
    if (!QFileInfo::exists(QDir(samplesDir()).filePath(sample)))
        QSKIP("The real PAD files are not here: they live in ../shared/pad-samples beside the checkout.");
    const Export::ExportPlan plan =
        Export::planExport(Catalog(catalog), sampleSource(sample), {}, exeFacts());
    const Export::ExportValue *value = plan.value(key);
    QVERIFY2(value, qPrintable(key));
    QCOMPARE(value->text, expected);
    QCOMPARE(value->origin, Export::Origin::PadField);
    QCOMPARE(value->padPath, fromPath);
    // Only a file whose OS list names Linux goes without the note.
    if (Catalog(catalog) == Catalog::AppStream) {
        const bool noted = std::any_of(plan.notes.cbegin(), plan.notes.cend(), [](const Export::ExportNote &note) {
            return note.message.contains(QLatin1String("names no Linux"));
        });
        QCOMPARE(noted, !sample.startsWith(u"41-"));
    }
}

void TestExport::ownFormMapping()
{
    const Export::ExportSource source = ownSource();
    Export::ExportPlan plan = Export::planWinget(source, answersWith({{Question::Silent, "/S"}}), exeFacts());
    QCOMPARE(plan.status(), Export::ExportWritten);
    QCOMPARE(plan.value("PackageIdentifier")->text, u"TarnwickTools.WidgetNotes");
    QCOMPARE(plan.value("Tags")->items, (QStringList{"notes", "plain-text", "markdown"}));
    QCOMPARE(plan.value("Description")->padPath, u"Program_Descriptions/English/Char_Desc_2000");
    QCOMPARE(plan.value("Installers/InstallerSha256")->origin, Export::Origin::Installer);
    QCOMPARE(plan.value("Installers/InstallerSwitches/Silent")->origin, Export::Origin::Answer);
    // The silent switches stand for those with progress when only they are given.
    QCOMPARE(plan.value("Installers/InstallerSwitches/SilentWithProgress")->text, u"/S");
    const QString folder = QStringLiteral("manifests/t/TarnwickTools/WidgetNotes/2.10/");
    QCOMPARE(plan.files.size(), 3);
    QCOMPARE(plan.files[0].relativePath, folder + "TarnwickTools.WidgetNotes.yaml");
    QCOMPARE(plan.files[1].relativePath, folder + "TarnwickTools.WidgetNotes.installer.yaml");
    QCOMPARE(plan.files[2].relativePath, folder + "TarnwickTools.WidgetNotes.locale.en-US.yaml");

    // Without a 80 or 45 character description: the first sentence of the form's.
    plan = Export::planWinget(source, answersWith({{Question::Identifier, "Tarnwick.Widget"}, {Question::Silent, "/S"}}),
                              exeFacts());
    QCOMPARE(plan.value("ShortDescription")->text, u"Widget keeps notes in plain files.");
    QCOMPARE(plan.value("PackageIdentifier")->text, u"Tarnwick.Widget");
    QCOMPARE(plan.value("PackageIdentifier")->origin, Export::Origin::Answer);
    QVERIFY(plan.files[0].relativePath.startsWith(u"manifests/t/Tarnwick/Widget/2.10/"));
}

void TestExport::mends_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("severity");

    const QString name(300, u'n');
    QTest::newRow("long name cut") << "Program_Info/Program_Name" << name << "PackageName" << QString(256, u'n')
                                   << "warning";
    QTest::newRow("ftp website left out") << "Company_Info/Company_WebSite_URL" << "ftp://tarnwick.example.org"
                                          << "PublisherUrl" << "" << "warning";
    QTest::newRow("ftp download refused") << "Web_Info/Download_URLs/Primary_Download_URL"
                                          << "ftp://tarnwick.example.org/w.exe" << "Installers/InstallerUrl" << ""
                                          << "error";
    QTest::newRow("version with slash") << "Program_Info/Program_Version" << "2/10" << "PackageVersion" << ""
                                        << "error";
    QTest::newRow("version that names no folder") << "Program_Info/Program_Version" << ".." << "PackageVersion"
                                                  << "" << "error";
    QTest::newRow("no version") << "Program_Info/Program_Version" << "" << "PackageVersion" << "" << "error";
    QTest::newRow("one letter publisher") << "Company_Info/Company_Name" << "T" << "Publisher" << "" << "error";
    QTest::newRow("long notes cut") << "Program_Info/Program_Change_Info" << QString(10001, u'c') << "ReleaseNotes"
                                    << QString(10000, u'c') << "warning";
    QTest::newRow("long keyword left out") << "Program_Descriptions/English/Keywords"
                                           << "notes, " + QString(41, u'k') << "Tags" << "notes" << "warning";
    QStringList many;
    for (int i = 1; i <= 20; ++i)
        many << QStringLiteral("tag%1").arg(i);
    QTest::newRow("seventeen tags and more") << "Program_Descriptions/English/Keywords" << many.join(u',') << "Tags"
                                             << many.mid(0, 16).join(QStringLiteral(", ")) << "warning";
    QTest::newRow("data only: no licence") << "Program_Info/Program_Type" << "Data Only" << "License" << ""
                                           << "error";
}

// A value that breaks the catalog's rule is cut or left out with a
// warning, or, where neither helps, refused and nothing written.
void TestExport::mends()
{
    QFETCH(QString, path);
    QFETCH(QString, value);
    QFETCH(QString, key);
    QFETCH(QString, written);
    QFETCH(QString, severity);
    Export::ExportSource source = ownSource();
    QString reason;
    if (const Pad::FormField *field = Pad::formFieldAt(path))
        QVERIFY2(Pad::setValueText(source.form, *field, value, Today, &reason), qPrintable(reason));
    else
        source.other.values.insert(path, value);
    const Export::ExportPlan plan = Export::planWinget(source, answersWith({{Question::Silent, "/S"}}), exeFacts());
    QVERIFY2(severities(plan, key).contains(severity), qPrintable(severities(plan, key).join(u',')));
    QCOMPARE(plan.files.isEmpty(), severity == u"error");
    QCOMPARE(plan.status(), severity == u"error" ? Export::ExportRefused : Export::ExportWrittenWithWarnings);
    if (severity != u"error")
        QCOMPARE(plan.value(key)->text, written);
}

void TestExport::manifestsKeepRules_data()
{
    QTest::addColumn<QString>("sample");
    QTest::newRow("own form") << QString();
    for (const char *sample : {"36-pwsafe-pwsafe.xml", "07-kalsky-FastWrite.xml", "41-jstoolsspace-JSON-Studio.xml",
                               "29-dnGrep-dnGrep.xml", "12-iqsoft-salat.xml"})
        QTest::newRow(sample) << QString::fromLatin1(sample);
}

// Every manifest written keeps the catalog's rules and reads back, with
// the YAML library, as the values the export meant.
void TestExport::manifestsKeepRules()
{
    QFETCH(QString, sample);
    if (!sample.isEmpty() && !QFileInfo::exists(QDir(samplesDir()).filePath(sample)))
        QSKIP("The real PAD files are not here: they live in ../shared/pad-samples beside the checkout.");
    const Export::ExportSource source = sample.isEmpty() ? ownSource() : sampleSource(sample);
    const Export::ExportPlan plan = Export::planWinget(
        source, answersWith({{Question::License, "Proprietary"}, {Question::Silent, "/VERYSILENT"}}), exeFacts());
    QVERIFY2(!plan.isRefused(), qPrintable(Export::noteLines(sample, plan).join(u'\n')));
    const QStringList kinds{"version", "installer", "defaultLocale"};
    for (int i = 0; i < 3; ++i) {
        const YAML::Node root = YAML::Load(plan.files[i].bytes.toStdString());
        const QStringList broken = brokenRules(kinds[i], root);
        QVERIFY2(broken.isEmpty(), qPrintable(plan.files[i].relativePath + ": " + broken.join(u'\n')));
        QCOMPARE(text(root["PackageVersion"]), plan.value("PackageVersion")->text);
    }
    const YAML::Node locale = YAML::Load(plan.files[2].bytes.toStdString());
    QCOMPARE(text(locale["PackageName"]), plan.value("PackageName")->text);
    QCOMPARE(text(locale["ShortDescription"]), plan.value("ShortDescription")->text);
    if (plan.value("Description") && !plan.value("Description")->isMissing())
        QCOMPARE(text(locale["Description"]), plan.value("Description")->text);
    // The folder names the first letter, the identifier's parts and the version.
    const QString id = plan.value("PackageIdentifier")->text;
    QVERIFY(plan.files[0].relativePath.startsWith(QStringLiteral("manifests/%1/%2/%3/")
                                                      .arg(id.left(1).toLower(), QString(id).replace(u'.', u'/'),
                                                           plan.value("PackageVersion")->text)));
}

void TestExport::yamlReadsBack_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("key");
    const QString version = QStringLiteral("Program_Info/Program_Version");
    QTest::newRow("version 1.10") << version << "1.10" << "PackageVersion";
    QTest::newRow("leading zeros") << version << "007" << "PackageVersion";
    QTest::newRow("version 1e3") << version << "1e3" << "PackageVersion";
    QTest::newRow("name with a colon") << "Program_Info/Program_Name" << "Widget: Notes" << "PackageName";
    QTest::newRow("name yes") << "Program_Info/Program_Name" << "yes" << "PackageName";
    QTest::newRow("name null") << "Program_Info/Program_Name" << "null" << "PackageName";
    QTest::newRow("name with a hash") << "Program_Info/Program_Name" << "C# #1 tool" << "PackageName";
    QTest::newRow("quotes and a dash") << "Program_Info/Program_Name" << "- \"Quoted\" 'name'" << "PackageName";
    QTest::newRow("lines") << "Program_Descriptions/English/Char_Desc_2000"
                           << "First: line.\n\n  Indented second\n\ttabbed" << "Description";
    QTest::newRow("unicode") << "Program_Info/Program_Change_Info" << "Caf\u00e9 \u65e5\u672c \U0001F600" << "ReleaseNotes";
    QTest::newRow("braces") << "Program_Info/Program_Change_Info" << "{not: a map} [nor, a list]" << "ReleaseNotes";
}

void TestExport::yamlReadsBack()
{
    QFETCH(QString, path);
    QFETCH(QString, value);
    QFETCH(QString, key);
    Export::ExportSource source = ownSource();
    if (const Pad::FormField *field = Pad::formFieldAt(path))
        source.form.text(field->text) = value;
    else
        source.other.values.insert(path, value);
    const Export::ExportPlan plan = Export::planWinget(source, answersWith({{Question::Silent, "/S"}}), exeFacts());
    QVERIFY(!plan.isRefused());
    const int file = key == u"PackageVersion" ? 0 : 2;
    const YAML::Node root = YAML::Load(plan.files[file].bytes.toStdString());
    QVERIFY(root[key.toStdString()].IsScalar());
    QCOMPARE(text(root[key.toStdString()]), value);
    // A number or a word that reads as one is written in quotes, for
    // readers that take YAML 1.1's numbers, booleans and nulls.
    if (Export::readsAsNonString(value))
        QVERIFY(plan.files[file].bytes.contains(": \"" + value.toUtf8() + '"'));
}

// The rules the export holds values to are those the published schemas
// give: the same required keys, lengths and words.
void TestExport::rulesAgreeWithPublishedSchemas()
{
    const QDir schemas(QStringLiteral(QUILLET_SAMPLES_DIR "/../catalog-schemas"));
    if (!schemas.exists())
        QSKIP("The winget schemas are not here: they live in ../shared/catalog-schemas beside the checkout.");
    const QStringList names{"manifest.version.1.12.0.json", "manifest.installer.1.12.0.json",
                            "manifest.defaultLocale.1.12.0.json"};
    for (const Export::KeyRule &rule : Export::wingetRules()) {
        const QJsonObject schema =
            QJsonDocument::fromJson(readAll(schemas.filePath(names[int(rule.file)]))).object();
        const QJsonObject definitions = schema.value("definitions").toObject();
        QStringList path = rule.key.split(u'/');
        QJsonObject owner = schema;
        if (path.first() == u"Installers") {
            owner = definitions.value("Installer").toObject();
            path.removeFirst();
        }
        if (path.size() == 2) {
            owner = definitions.value(path.first()).toObject();
            path.removeFirst();
        }
        QJsonObject property = owner.value("properties").toObject().value(path.first()).toObject();
        if (property.contains("$ref"))
            property = definitions.value(property.value("$ref").toString().section(u'/', -1)).toObject();
        if (property.contains("items") && rule.maxItems > 0) {
            QCOMPARE(property.value("maxItems").toInt(), rule.maxItems);
            property = definitions.value(property.value("items").toObject().value("$ref").toString().section(u'/', -1)).toObject();
        }
        QVERIFY2(!property.isEmpty(), qPrintable(rule.key));
        const bool required = owner.value("required").toArray().contains(QJsonValue(path.first()));
        QVERIFY2(required == rule.required, qPrintable(rule.key));
        QCOMPARE(property.value("maxLength").toInt(), rule.maxLength);
        QCOMPARE(property.value("minLength").toInt(), rule.minLength);
        QStringList allowed;
        for (const QJsonValue &word : property.value("enum").toArray())
            allowed << word.toString();
        QCOMPARE(allowed, rule.allowed);
    }
}

void TestExport::appStream()
{
    Export::ExportSource source = ownSource();
    Export::ExportPlan plan = Export::planAppStream(source, {});
    QCOMPARE(plan.value("id")->text, u"org.example.tarnwick.WidgetNotes");
    QCOMPARE(plan.value("summary")->text, u"Widget keeps notes in plain files");
    // Not given: left out with a warning that offers the proprietary licence for shareware.
    QCOMPARE(severities(plan, "project_license"), QStringList{"warning"});
    QCOMPARE(plan.value("project_license")->offer, u"LicenseRef-proprietary");
    QCOMPARE(plan.status(), Export::ExportWrittenWithWarnings);
    const QString xml = QString::fromUtf8(plan.files.constFirst().bytes);
    QVERIFY(!xml.contains(u"project_license"));
    QVERIFY(xml.contains(u"<p>Widget keeps notes.</p>"));
    QVERIFY(xml.contains(u"<p>It writes them up: as HTML, as PDF.</p>"));
    QVERIFY(xml.contains(u"<release version=\"2.10\" date=\"2026-03-01\">"));
    QVERIFY(xml.contains(u"<launchable type=\"desktop-id\">org.example.tarnwick.WidgetNotes.desktop</launchable>"));

    plan = Export::planAppStream(source, answersWith({{Question::License, "MIT OR Apache-2.0"},
                                                      {Question::AppStreamId, "org.example.Widget"}}));
    QCOMPARE(plan.status(), Export::ExportWritten);
    QCOMPARE(plan.files.constFirst().relativePath, u"org.example.Widget.metainfo.xml");
    QVERIFY(plan.files.constFirst().bytes.contains("<project_license>MIT OR Apache-2.0</project_license>"));

    plan = Export::planAppStream(source, answersWith({{Question::License, "my own licence"}}));
    QCOMPARE(severities(plan, "project_license"), QStringList{"warning"});
    plan = Export::planAppStream(source, answersWith({{Question::AppStreamId, "widget"}}));
    QCOMPARE(plan.status(), Export::ExportRefused);
    QVERIFY(plan.files.isEmpty());
}

void TestExport::appStreamValidates_data()
{
    QTest::addColumn<QString>("sample");
    QTest::newRow("own form") << QString();
    for (const char *sample : {"36-pwsafe-pwsafe.xml", "07-kalsky-FastWrite.xml", "41-jstoolsspace-JSON-Studio.xml"})
        QTest::newRow(sample) << QString::fromLatin1(sample);
}

void TestExport::appStreamValidates()
{
    QFETCH(QString, sample);
    const QString appstreamcli = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (appstreamcli.isEmpty())
        QSKIP("appstreamcli is not installed (Debian: appstream)");
    if (!sample.isEmpty() && !QFileInfo::exists(QDir(samplesDir()).filePath(sample)))
        QSKIP("The real PAD files are not here: they live in ../shared/pad-samples beside the checkout.");
    const Export::ExportSource source = sample.isEmpty() ? ownSource() : sampleSource(sample);
    const Export::ExportPlan plan = Export::planAppStream(source, answersWith({{Question::License, "MIT"}}));
    QTemporaryDir dir;
    QString reason;
    const std::optional<QStringList> written = Export::writeExport(plan, dir.path(), &reason);
    QVERIFY2(written, qPrintable(reason));
    QProcess validate;
    validate.start(appstreamcli, {"validate", "--no-net", "--no-color", written->constFirst()});
    QVERIFY(validate.waitForFinished(60000));
    const QString output = QString::fromUtf8(validate.readAll());
    QVERIFY2(validate.exitCode() == 0 && !output.contains(QRegularExpression("^E:", QRegularExpression::MultilineOption)),
             qPrintable(output));
}

void TestExport::installerKind_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("architecture");

    QTest::newRow("pe x86") << peFile(0x014c) << "a.exe" << "exe" << "x86";
    QTest::newRow("pe x64") << peFile(0x8664) << "a.exe" << "exe" << "x64";
    QTest::newRow("pe arm64") << peFile(0xaa64) << "a.exe" << "exe" << "arm64";
    QTest::newRow("pe unknown machine") << peFile(0x0200) << "a.exe" << "exe" << "";
    QTest::newRow("mz without pe") << QByteArray("MZ").append(1000, '\0') << "a.exe" << "exe" << "";
    QTest::newRow("msi") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1").append(2000, 'm') << "a.msi" << "msi" << "";
    QTest::newRow("zip") << zipFile({"bin/tool.exe", "readme.txt"}) << "a.zip" << "zip" << "neutral";
    QTest::newRow("msix") << zipFile({"tool.exe", "AppxManifest.xml"}) << "a.msix" << "msix" << "";
    QTest::newRow("appx") << zipFile({"AppxManifest.xml"}) << "a.appx" << "appx" << "";
    QTest::newRow("msix bundle") << zipFile({"AppxMetadata/AppxBundleManifest.xml"}) << "a.msixbundle" << "msix" << "";
    QTest::newRow("manifest name in a data file") << zipFile({"docs/AppxManifest.xml.txt"}) << "a.zip" << "zip" << "neutral";
    QByteArray inno = peFile(0x014c, {}, 70000);
    inno.replace(68000, 23, "Inno Setup Setup Data (");
    QTest::newRow("inno data") << inno << "setup.exe" << "inno" << "x86";
    QByteArray innoManifest = peFile(0x014c, {}, 4096);
    innoManifest.replace(3000, 13, "JR.Inno.Setup");
    QTest::newRow("inno manifest") << innoManifest << "setup.exe" << "inno" << "x86";
    QByteArray nsis = peFile(0x014c, {}, 300000);
    nsis.replace(200704 + 4, 16, QByteArray("\xEF\xBE\xAD\xDENullsoftInst"));
    QTest::newRow("nsis") << nsis << "setup.exe" << "nullsoft" << "x86";
    QTest::newRow("burn") << peFile(0x014c, {".text", ".wixburn"}) << "bundle.exe" << "burn" << "x86";
    QTest::newRow("empty") << QByteArray() << "a.exe" << "exe" << "";
}

// The same facts whatever the chunks the bytes come in, markers that
// straddle two chunks included, and the hash of all of them.
void TestExport::installerKind()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(QString, architecture);
    const QString sha = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toUpper());
    for (const qsizetype chunk : {qsizetype(1), qsizetype(7), qsizetype(4096), qsizetype(65537), bytes.size() + 1}) {
        Export::InstallerInspector inspector(name);
        for (qsizetype at = 0; at < bytes.size(); at += chunk)
            inspector.feed(QByteArrayView(bytes).sliced(at, std::min(chunk, bytes.size() - at)));
        const Export::InstallerFacts facts = inspector.finish();
        QCOMPARE(facts.type, type);
        QCOMPARE(facts.architecture, architecture);
        QCOMPARE(facts.size, bytes.size());
        QCOMPARE(facts.sha256, sha);
    }
}

void TestExport::installerFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("setup.exe");
    const QByteArray bytes = peFile(0x8664, {}, 3 * 1024 * 1024 + 17);
    QVERIFY(writeFile(path, bytes));
    QString reason;
    const std::optional<Export::InstallerFacts> facts = Export::inspectInstallerFile(path, &reason);
    QVERIFY(facts);
    QCOMPARE(facts->size, bytes.size());
    QCOMPARE(facts->architecture, u"x64");
    QCOMPARE(facts->readFrom, path);
    QCOMPARE(facts->sha256,
             QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toUpper()));
    QVERIFY(!Export::inspectInstallerFile(dir.filePath("missing.exe"), &reason));
    QVERIFY(!reason.isEmpty());
}

// A file that cannot be written leaves the others unwritten too.
void TestExport::writeAllOrNothing()
{
    const Export::ExportPlan plan =
        Export::planWinget(ownSource(), answersWith({{Question::Silent, "/S"}}), exeFacts());
    QTemporaryDir dir;
    // The third file's name is taken by a folder.
    const QString third = dir.filePath(plan.files[2].relativePath);
    QVERIFY(QDir().mkpath(third));
    QString reason;
    QVERIFY(!Export::writeExport(plan, dir.path(), &reason));
    QVERIFY(reason.contains(u"cannot write"));
    QVERIFY(!QFileInfo::exists(dir.filePath(plan.files[0].relativePath)));
    QVERIFY(!QFileInfo::exists(dir.filePath(plan.files[1].relativePath)));

    // Below a regular file no folder can be made.
    QVERIFY(writeFile(dir.filePath("plain"), "x"));
    QVERIFY(!Export::writeExport(plan, dir.filePath("plain"), &reason));
    QVERIFY(reason.contains(u"cannot make the folder"));
}

void TestExport::commandLine_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("withInstaller");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("expectedLine");

    QTest::newRow("written") << QStringList{"License=Freeware", "Silent=/S"} << true << 0 << "Wrote ";
    QTest::newRow("size differs") << QStringList{"License=Freeware", "Silent=/S", "size"} << true << 1
                                  << "warning: Installers/InstallerSha256: the installer has";
    QTest::newRow("no installer") << QStringList{"License=Freeware"} << false << 2
                                  << "error: Installers/InstallerSha256: is missing: read the installer";
    QTest::newRow("no switches") << QStringList{"License=Freeware"} << true << 2
                                 << "error: Installers/InstallerSwitches/Silent: a plain exe installer needs the "
                                    "switches";
}

// The command line writes, warns and refuses as the plan says, and never
// changes the PAD file.
void TestExport::commandLine()
{
    QFETCH(QStringList, answers);
    QFETCH(bool, withInstaller);
    QFETCH(int, status);
    QFETCH(QString, expectedLine);
    QTemporaryDir dir;
    Export::ExportSource source = ownSource();
    const QByteArray installer = peFile(0x8664, {}, 4000);
    source.form.text(TextField::File_Size_Bytes) = QString::number(installer.size() + (answers.contains("size") ? 1 : 0));
    const QString pad = dir.filePath("pad.xml");
    const QByteArray padBytes = Pad::padFileBytes(Pad::padFileLines(source.form));
    QVERIFY(writeFile(pad, padBytes));
    QVERIFY(writeFile(dir.filePath("setup.exe"), installer));

    Cli::ExportRequest request;
    request.padFile = pad;
    request.outDir = dir.filePath("out");
    request.installer = withInstaller ? dir.filePath("setup.exe") : QString();
    for (const QString &answer : answers) {
        if (answer.startsWith(u"License="))
            request.answers[Question::License] = answer.mid(8);
        if (answer.startsWith(u"Silent="))
            request.answers[Question::Silent] = answer.mid(7);
    }
    QString printed;
    QString errors;
    QTextStream out(&printed);
    QTextStream err(&errors);
    QCOMPARE(Cli::runExport(request, Today, out, err), status);
    QVERIFY2(printed.contains(expectedLine), qPrintable(printed));
    QCOMPARE(QDir(dir.filePath("out")).exists(), status != 2);
    QCOMPARE(readAll(pad), padBytes);
}

void TestExport::commandLineJsonAndDryRun()
{
    QTemporaryDir dir;
    const QString pad = dir.filePath("pad.xml");
    QVERIFY(writeFile(pad, Pad::padFileBytes(Pad::padFileLines(ownSource().form))));
    Cli::ExportRequest request;
    request.catalog = Catalog::AppStream;
    request.padFile = pad;
    request.outDir = dir.filePath("out");
    request.dryRun = true;
    request.json = true;
    QString printed;
    QString errors;
    QTextStream out(&printed);
    QTextStream err(&errors);
    QCOMPARE(Cli::runExport(request, Today, out, err), 1);
    const QJsonObject report = QJsonDocument::fromJson(printed.toUtf8()).object();
    QCOMPARE(report.value("status").toInt(), 1);
    QCOMPARE(report.value("written").toArray().size(), 0);
    const QJsonObject file = report.value("files").toArray().first().toObject();
    QVERIFY(file.value("content").toString().contains(u"<component type=\"desktop-application\">"));
    const QJsonObject problem = report.value("problems").toArray().first().toObject();
    QCOMPARE(problem.value("field").toString(), u"project_license");
    QCOMPARE(problem.value("option").toString(), u"--license");
    QVERIFY(!QFileInfo::exists(dir.filePath("out")));

    // An installer that cannot be read writes nothing.
    request = Cli::ExportRequest{};
    request.padFile = pad;
    request.installer = dir.filePath("missing.exe");
    errors.clear();
    QCOMPARE(Cli::runExport(request, Today, out, err), 2);
    QVERIFY(errors.contains(u"Cannot read the installer"));
}

// A download stops past the stated size and a tenth of it, at least 1 MiB
// more, and never past 4 GiB.
void TestExport::downloadLimit_data()
{
    QTest::addColumn<qint64>("stated"); // -1: none
    QTest::addColumn<qint64>("limit");
    const qint64 MiB = 1024 * 1024;
    QTest::newRow("none stated") << qint64(-1) << Export::MaxInstallerDownload;
    QTest::newRow("empty") << qint64(0) << MiB;
    QTest::newRow("small: 1 MiB more") << 3 * MiB << 4 * MiB;
    QTest::newRow("large: a tenth more") << 100 * MiB << 110 * MiB;
    QTest::newRow("at the cap") << Export::MaxInstallerDownload - MiB << Export::MaxInstallerDownload;
}

void TestExport::downloadLimit()
{
    QFETCH(qint64, stated);
    QFETCH(qint64, limit);
    QCOMPARE(Export::downloadLimit(stated < 0 ? std::nullopt : std::optional(stated)), limit);
}

void TestExport::commandLineDownload_data()
{
    QTest::addColumn<int>("server"); // 0: serves the installer, 1: serves 2 MiB more, 2: falls silent
    QTest::addColumn<bool>("fromDownload"); // else --installer URL
    QTest::addColumn<bool>("allowPrivate");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("expected"); // in what is printed, or for status 2 in the error
    QTest::newRow("--installer URL") << 0 << false << true << 0 << "InstallerSha256: ";
    QTest::newRow("--from-download") << 0 << true << true << 0 << "InstallerSha256: ";
    QTest::newRow("past the stated size") << 1 << true << true << 2 << "more than the";
    QTest::newRow("falls silent") << 2 << true << true << 2 << "stopped sending for 1 s";
    QTest::newRow("private address") << 0 << true << false << 2 << "points at a private network address";
}

// The installer downloaded from an address is hashed as the file would be;
// one that runs past its stated size, or stalls, writes nothing.
void TestExport::commandLineDownload()
{
    QFETCH(int, server);
    QFETCH(bool, fromDownload);
    QFETCH(bool, allowPrivate);
    QFETCH(int, status);
    QFETCH(QString, expected);
    const QByteArray installer = peFile(0x8664, {}, 3 * 1024 * 1024 + 17);
    HostileServer served(HostileServer::Behaviour::Served, 0, installer);
    HostileServer more(HostileServer::Behaviour::Served, installer.size() + 2 * 1024 * 1024);
    HostileServer silent(HostileServer::Behaviour::Stalls, installer.size());
    const HostileServer *servers[] = {&served, &more, &silent};
    const QString address = servers[server]->url("setup.exe");

    QTemporaryDir dir;
    Export::ExportSource source = ownSource();
    source.form.text(TextField::File_Size_Bytes) = QString::number(installer.size());
    source.form.text(TextField::Primary_Download_URL) = address;
    const QString pad = dir.filePath("pad.xml");
    QVERIFY(writeFile(pad, Pad::padFileBytes(Pad::padFileLines(source.form))));
    Cli::ExportRequest request;
    request.padFile = pad;
    request.dryRun = true;
    request.installer = fromDownload ? QString() : address;
    request.fromDownload = fromDownload;
    request.fetch.proxy = QNetworkProxy(QNetworkProxy::NoProxy);
    request.fetch.timeoutMs = 1000;
    request.fetch.allowPrivateAddresses = allowPrivate;
    request.answers[Question::License] = QStringLiteral("Freeware");
    request.answers[Question::Silent] = QStringLiteral("/S");
    QString printed;
    QString errors;
    QTextStream out(&printed);
    QTextStream err(&errors);
    QCOMPARE(Cli::runExport(request, Today, out, err), status);
    if (status == 2) {
        QVERIFY2(errors.contains(expected), qPrintable(errors));
        return;
    }
    const QString sha = QString::fromLatin1(QCryptographicHash::hash(installer, QCryptographicHash::Sha256).toHex().toUpper());
    QVERIFY2(printed.contains(expected + sha), qPrintable(printed));
    QVERIFY2(printed.contains(QStringLiteral("Architecture: x64")), qPrintable(printed));
}

void TestExport::parseExport_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("refusal"); // empty: taken
    QTest::newRow("winget with answers")
        << QStringList{"--export", "winget", "pad.xml", "--installer", "s.exe", "--id", "A.B", "--silent", "/S",
                       "--out", "o", "--dry-run", "--json"}
        << "";
    QTest::newRow("appstream") << QStringList{"--export", "AppStream", "pad.xml", "--appstream-id", "a.b.C"} << "";
    QTest::newRow("unknown catalog") << QStringList{"--export", "chocolatey", "pad.xml"} << "takes winget or appstream";
    QTest::newRow("no file") << QStringList{"--export", "winget"} << "one PAD_FILE";
    QTest::newRow("two files") << QStringList{"--export", "winget", "a.xml", "b.xml"} << "one PAD_FILE";
    QTest::newRow("with check") << QStringList{"--export", "winget", "--check", "a.xml"} << "neither --check";
    QTest::newRow("installer for appstream") << QStringList{"--export", "appstream", "a.xml", "--installer", "s.exe"}
                                             << "--installer goes with --export winget";
    QTest::newRow("download for appstream") << QStringList{"--export", "appstream", "a.xml", "--from-download"}
                                            << "--from-download goes with --export winget";
    QTest::newRow("two installers") << QStringList{"--export", "winget", "a.xml", "--installer", "s.exe",
                                                   "--from-download"}
                                    << "give one";
    QTest::newRow("answer without export") << QStringList{"--check", "a.xml", "--license", "MIT"}
                                           << "--license goes with --export";
}

void TestExport::parseExport()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, refusal);
    QString printed;
    QString errors;
    QTextStream out(&printed);
    QTextStream err(&errors);
    const Cli::StartRequest request = Cli::parseCommandLine(QStringList{"quillet"} + arguments, out, err);
    if (!refusal.isEmpty()) {
        QCOMPARE(request.exitCode, 2);
        QVERIFY2(errors.contains(refusal), qPrintable(errors));
        return;
    }
    QCOMPARE(request.mode, Cli::StartRequest::Mode::Export);
    QCOMPARE(request.files, QStringList{"pad.xml"});
    if (arguments.contains("--id")) {
        QCOMPARE(request.catalog, Catalog::Winget);
        QCOMPARE(request.answers[Question::Identifier], u"A.B");
        QCOMPARE(request.answers[Question::Silent], u"/S");
        QCOMPARE(request.installer, u"s.exe");
        QCOMPARE(request.outDir, u"o");
        QVERIFY(request.dryRun && request.json);
    } else {
        QCOMPARE(request.catalog, Catalog::AppStream);
        QCOMPARE(request.answers[Question::AppStreamId], u"a.b.C");
    }
}

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
