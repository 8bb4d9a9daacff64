#include "exportsupport.h"

#include "quilletinfo.h"

#include <QRegularExpression>
#include <QSet>

#include <yaml-cpp/yaml.h>

namespace Export {

using Pad::Severity;

QString tablePath(const char *suffix)
{
    const QString wanted = u'/' + QLatin1String(suffix);
    for (const Pad::FormatField &field : Pad::formatFields()) {
        if (field.path.endsWith(wanted) || field.path == QLatin1String(suffix))
            return field.path;
    }
    qFatal("the format's table has no field %s", suffix);
}

QString formPath(Pad::TextField field)
{
    return Pad::formField(field).path();
}

QString missingMessage(const ExportValue &value)
{
    if (value.question && value.origin == Origin::Installer) {
        return QStringLiteral("is missing: read the installer, or give the %1")
            .arg(questionTitle(*value.question).toLower());
    }
    if (value.question)
        return QStringLiteral("is missing: give the %1").arg(questionTitle(*value.question).toLower());
    if (value.origin == Origin::Installer)
        return QStringLiteral("is missing: read the installer, which tells it");
    return QStringLiteral("is missing: the PAD file's %1 is empty").arg(Pad::fieldDisplayName(value.padPath));
}

QString quotedSource(const ExportValue &value)
{
    const QString from = value.origin == Origin::PadField ? Pad::fieldDisplayName(value.padPath)
                         : value.origin == Origin::Answer  ? QStringLiteral("your answer")
                                                           : QStringLiteral("the installer");
    return QStringLiteral("%1 (%2) ").arg(Pad::quotedValue(value.text), from);
}

bool isFolderName(const QString &text)
{
    return text != u"." && text != u".." && !text.endsWith(u'.') && !text.endsWith(u' ');
}

QString identifierPart(const QString &name)
{
    static const QRegularExpression refused(QStringLiteral("[.\\s\\\\/:*?\"<>|\\x{00}-\\x{1f}]"));
    QString part = name;
    part.remove(refused);
    return cutToCharacters(part, 32);
}

ExportValue authorValue(const ExportSource &source)
{
    ExportValue value;
    value.key = QStringLiteral("Author");
    value.origin = Origin::PadField;
    value.padPath = tablePath("Author_First_Name");
    const QString first = source.value(value.padPath).trimmed();
    const QString last = source.value(tablePath("Author_Last_Name")).trimmed();
    value.text = (first + u' ' + last).trimmed();
    return value;
}

QString firstSentence(const QString &text)
{
    static const QRegularExpression end(QStringLiteral("[.!?](\\s|$)"));
    const QString simplified = text.simplified();
    const QRegularExpressionMatch match = end.match(simplified);
    return match.hasMatch() ? simplified.left(match.capturedStart() + 1) : simplified;
}

ExportValue shortDescription(const ExportSource &source, const QString &key)
{
    ExportValue value;
    value.key = key;
    value.origin = Origin::PadField;
    for (const QString &path : {tablePath("English/Char_Desc_80"), tablePath("English/Char_Desc_45")}) {
        value.padPath = path;
        value.text = source.value(path).trimmed();
        if (!value.text.isEmpty())
            return value;
    }
    value.padPath = formPath(Pad::TextField::Char_Desc_450);
    value.text = firstSentence(source.value(value.padPath));
    return value;
}

QStringList tagsOf(const QString &keywords)
{
    static const QRegularExpression separator(QStringLiteral("[,;]"));
    QStringList tags;
    for (const QString &keyword : keywords.split(separator)) {
        const QString tag = keyword.simplified().toLower().replace(u' ', u'-');
        if (!tag.isEmpty() && !tags.contains(tag))
            tags << tag;
    }
    return tags;
}

void noteInstaller(ExportPlan &plan, const ExportSource &source, const std::optional<InstallerFacts> &installer)
{
    if (!installer)
        return;
    const QString sizeKey = QStringLiteral("Installers/InstallerSha256");
    const QString stated = source.form.text(Pad::TextField::File_Size_Bytes).trimmed();
    if (stated != QString::number(installer->size)) {
        plan.note(Severity::Warning, sizeKey,
                  QStringLiteral("the installer has %1 bytes, but the PAD file's File Size says %2: is it the "
                                 "file that the download address serves?")
                      .arg(installer->size)
                      .arg(stated.isEmpty() ? QStringLiteral("nothing") : stated));
    }
    if (installer->type == u"zip") {
        plan.note(Severity::Warning, QStringLiteral("Installers/InstallerType"),
                  QStringLiteral("a zip needs NestedInstallerType and NestedInstallerFiles, which name the "
                                 "installer inside it: add them before submitting"));
    }
    const bool wrapper = installer->type == u"inno" || installer->type == u"nullsoft" || installer->type == u"burn";
    if (wrapper && installer->architecture == u"x86") {
        plan.note(Severity::Note, QStringLiteral("Installers/Architecture"),
                  QStringLiteral("the installer itself is a 32-bit program whatever it installs: give the "
                                 "architecture if the program is built for x64 or arm64"),
                  Question::Architecture);
    }
}

bool readsAsNonString(const QString &text)
{
    // YAML 1.1, which many readers still follow, takes more than 1.2 does:
    // octal and sexagesimal numbers, yes and no, dates.
    static const QRegularExpression number(
        QStringLiteral("^[-+]?(\\.?[0-9][0-9_:.]*([eE][-+]?[0-9]+)?|0[xXoObB][0-9a-fA-F_]+|\\.(inf|Inf|INF|nan|NaN|NAN))$"));
    static const QRegularExpression word(QStringLiteral(
        "^(y|Y|yes|Yes|YES|n|N|no|No|NO|true|True|TRUE|false|False|FALSE|on|On|ON|off|Off|OFF|~|null|Null|NULL|)$"));
    static const QRegularExpression date(QStringLiteral("^\\d{4}-\\d{1,2}-\\d{1,2}"));
    return number.match(text).hasMatch() || word.match(text).hasMatch() || date.match(text).hasMatch();
}

namespace {

void emitScalar(YAML::Emitter &out, const QString &text)
{
    const std::string bytes = text.toStdString();
    // Double quotes carry every character, line breaks and blanks at either end included.
    if (readsAsNonString(text) || text.contains(u'\n') || text != text.trimmed())
        out << YAML::DoubleQuoted << bytes;
    else
        out << bytes;
}

// The values that the export itself gives, the same in every manifest.
std::optional<QString> fixedValue(ManifestFile file, const QString &key)
{
    if (key == u"ManifestType") {
        return file == ManifestFile::Version     ? QStringLiteral("version")
               : file == ManifestFile::Installer ? QStringLiteral("installer")
                                                 : QStringLiteral("defaultLocale");
    }
    if (key == u"ManifestVersion")
        return QString(WingetManifestVersion);
    if (key == u"DefaultLocale" || key == u"PackageLocale")
        return QString(WingetLocale);
    return std::nullopt;
}

void emitKey(YAML::Emitter &out, const ExportValue *value, ManifestFile file, const KeyRule &rule)
{
    const QString name = rule.key.section(u'/', -1);
    if (!value) {
        out << YAML::Key << name.toStdString() << YAML::Value;
        emitScalar(out, *fixedValue(file, rule.key));
    } else if (rule.maxItems > 0) {
        out << YAML::Key << name.toStdString() << YAML::Value << YAML::BeginSeq;
        for (const QString &item : value->items)
            emitScalar(out, item);
        out << YAML::EndSeq;
    } else {
        out << YAML::Key << name.toStdString() << YAML::Value;
        emitScalar(out, value->text);
    }
}

const char *schemaName(ManifestFile file)
{
    return file == ManifestFile::Version ? "version" : file == ManifestFile::Installer ? "installer" : "defaultLocale";
}

} // namespace

QByteArray manifestYaml(ManifestFile file, const ExportPlan &plan)
{
    YAML::Emitter out;
    out << YAML::BeginMap;
    // The keys in the rules' order; an installer's keys go in the one
    // entry of Installers, its switches in a map of their own.
    QString openGroup;
    for (const KeyRule &rule : wingetRules()) {
        if (rule.file != file)
            continue;
        const ExportValue *value = plan.value(rule.key);
        const bool fixed = !value && fixedValue(file, rule.key);
        if (!fixed && (!value || value->isMissing()))
            continue;
        const QString group = rule.key.section(u'/', 0, -2);
        if (group != openGroup) {
            if (openGroup.contains(u'/'))
                out << YAML::EndMap;
            if (openGroup.startsWith(u"Installers") && !group.startsWith(u"Installers"))
                out << YAML::EndMap << YAML::EndSeq;
            if (!openGroup.startsWith(u"Installers") && group.startsWith(u"Installers"))
                out << YAML::Key << "Installers" << YAML::Value << YAML::BeginSeq << YAML::BeginMap;
            if (group.contains(u'/'))
                out << YAML::Key << group.section(u'/', -1).toStdString() << YAML::Value << YAML::BeginMap;
            openGroup = group;
        }
        emitKey(out, value, file, rule);
    }
    out << YAML::EndMap;
    const QByteArray header = QStringLiteral("# Created with %1 %2 from a PAD file\n"
                                             "# yaml-language-server: $schema=https://aka.ms/winget-manifest.%3.%4.schema.json\n\n")
                                  .arg(QLatin1String(Quillet::ApplicationName), QLatin1String(Quillet::ShortVersion),
                                       QLatin1String(schemaName(file)), QString(WingetManifestVersion))
                                  .toUtf8();
    return header + QByteArray(out.c_str()) + '\n';
}

} // namespace Export
