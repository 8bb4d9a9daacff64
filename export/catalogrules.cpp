#include "catalogrules.h"

namespace Export {

namespace {

// A part of an identifier: up to 32 characters, none a dot, a blank, a
// control character or one that Windows refuses in a file name.
const QString IdentifierPart = QStringLiteral("[^.\\s\\\\/:*?\"<>|\\x{01}-\\x{1f}]{1,32}");
// A version: what Windows takes in a file name, since it names a folder.
const QString VersionPattern = QStringLiteral("^[^\\\\/:*?\"<>|\\x{01}-\\x{1f}]+$");
const QString LocalePattern =
    QStringLiteral("^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$");
// Three numbers of 0 to 65535, separated by dots.
const QString ManifestVersionPattern = QStringLiteral("^\\d{1,5}\\.\\d{1,5}\\.\\d{1,5}$");
const QString UrlPattern = QStringLiteral("^[Hh][Tt][Tt][Pp][Ss]?://.+$");

struct Row
{
    ManifestFile file;
    const char *key;
    bool required;
    QString pattern;
    int minLength;
    int maxLength;
    QStringList allowed;
    int maxItems;
    Mend mend;
    const char *what;
};

QList<KeyRule> buildRules()
{
    using F = ManifestFile;
    const QString identifier = QStringLiteral("^%1(\\.%1){1,7}$").arg(IdentifierPart);
    const QStringList architectures{QStringLiteral("x86"), QStringLiteral("x64"), QStringLiteral("arm"),
                                    QStringLiteral("arm64"), QStringLiteral("neutral")};
    const QStringList installerTypes{
        QStringLiteral("msix"), QStringLiteral("msi"),      QStringLiteral("appx"), QStringLiteral("exe"),
        QStringLiteral("zip"),  QStringLiteral("inno"),     QStringLiteral("nullsoft"), QStringLiteral("wix"),
        QStringLiteral("burn"), QStringLiteral("pwa"),      QStringLiteral("portable"), QStringLiteral("font")};
    const char *idWhat = "an identifier is two to eight parts separated by dots, each of 1 to 32 characters "
                         "without blanks or \\ / : * ? \" < > |, at most 128 characters in all";
    const char *versionWhat = "a version has at most 128 characters, none of \\ / : * ? \" < > |";
    const char *urlWhat = "an address begins with http:// or https:// and has at most 2048 characters";
    const QList<Row> rows{
        {F::Version, "PackageIdentifier", true, identifier, 0, 128, {}, 0, Mend::Refuse, idWhat},
        {F::Version, "PackageVersion", true, VersionPattern, 0, 128, {}, 0, Mend::Refuse, versionWhat},
        {F::Version, "DefaultLocale", true, LocalePattern, 0, 20, {}, 0, Mend::Refuse, "a locale such as en-US"},
        {F::Version, "ManifestType", true, QStringLiteral("^version$"), 0, 0, {}, 0, Mend::Refuse, "version"},
        {F::Version, "ManifestVersion", true, ManifestVersionPattern, 0, 0, {}, 0, Mend::Refuse, "such as 1.12.0"},

        {F::Installer, "PackageIdentifier", true, identifier, 0, 128, {}, 0, Mend::Refuse, idWhat},
        {F::Installer, "PackageVersion", true, VersionPattern, 0, 128, {}, 0, Mend::Refuse, versionWhat},
        {F::Installer, "ReleaseDate", false, QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"), 0, 0, {}, 0,
         Mend::LeaveOut, "a date is written YYYY-MM-DD"},
        {F::Installer, "Installers/Architecture", true, {}, 0, 0, architectures, 0, Mend::Refuse,
         "the processor is x86, x64, arm, arm64 or neutral"},
        {F::Installer, "Installers/InstallerType", false, {}, 0, 0, installerTypes, 0, Mend::Refuse,
         "the installer's kind is one of the catalog's words"},
        {F::Installer, "Installers/InstallerUrl", true, UrlPattern, 0, 2048, {}, 0, Mend::Refuse, urlWhat},
        {F::Installer, "Installers/InstallerSha256", true, QStringLiteral("^[A-Fa-f0-9]{64}$"), 0, 0, {}, 0,
         Mend::Refuse, "a SHA-256 is 64 hexadecimal digits"},
        {F::Installer, "Installers/InstallerSwitches/Silent", false, {}, 1, 512, {}, 0, Mend::Refuse,
         "switches have 1 to 512 characters"},
        {F::Installer, "Installers/InstallerSwitches/SilentWithProgress", false, {}, 1, 512, {}, 0, Mend::Refuse,
         "switches have 1 to 512 characters"},
        {F::Installer, "ManifestType", true, QStringLiteral("^installer$"), 0, 0, {}, 0, Mend::Refuse, "installer"},
        {F::Installer, "ManifestVersion", true, ManifestVersionPattern, 0, 0, {}, 0, Mend::Refuse, "such as 1.12.0"},

        {F::DefaultLocale, "PackageIdentifier", true, identifier, 0, 128, {}, 0, Mend::Refuse, idWhat},
        {F::DefaultLocale, "PackageVersion", true, VersionPattern, 0, 128, {}, 0, Mend::Refuse, versionWhat},
        {F::DefaultLocale, "PackageLocale", true, LocalePattern, 0, 20, {}, 0, Mend::Refuse, "a locale such as en-US"},
        {F::DefaultLocale, "Publisher", true, {}, 2, 256, {}, 0, Mend::Cut, "a publisher has 2 to 256 characters"},
        {F::DefaultLocale, "PublisherUrl", false, UrlPattern, 0, 2048, {}, 0, Mend::LeaveOut, urlWhat},
        {F::DefaultLocale, "Author", false, {}, 2, 256, {}, 0, Mend::Cut, "an author has 2 to 256 characters"},
        {F::DefaultLocale, "PackageName", true, {}, 2, 256, {}, 0, Mend::Cut, "a name has 2 to 256 characters"},
        {F::DefaultLocale, "PackageUrl", false, UrlPattern, 0, 2048, {}, 0, Mend::LeaveOut, urlWhat},
        {F::DefaultLocale, "License", true, {}, 3, 512, {}, 0, Mend::Cut, "a licence has 3 to 512 characters"},
        {F::DefaultLocale, "ShortDescription", true, {}, 3, 256, {}, 0, Mend::Cut,
         "a short description has 3 to 256 characters"},
        {F::DefaultLocale, "Description", false, {}, 3, 10000, {}, 0, Mend::Cut,
         "a description has 3 to 10000 characters"},
        {F::DefaultLocale, "Tags", false, {}, 1, 40, {}, 16, Mend::Cut,
         "at most 16 tags, each of 1 to 40 characters, none twice"},
        {F::DefaultLocale, "ReleaseNotes", false, {}, 1, 10000, {}, 0, Mend::Cut,
         "release notes have at most 10000 characters"},
        {F::DefaultLocale, "PurchaseUrl", false, UrlPattern, 0, 2048, {}, 0, Mend::LeaveOut, urlWhat},
        {F::DefaultLocale, "ManifestType", true, QStringLiteral("^defaultLocale$"), 0, 0, {}, 0, Mend::Refuse,
         "defaultLocale"},
        {F::DefaultLocale, "ManifestVersion", true, ManifestVersionPattern, 0, 0, {}, 0, Mend::Refuse,
         "such as 1.12.0"},
    };
    QList<KeyRule> rules;
    for (const Row &row : rows) {
        KeyRule rule{row.file, QString::fromLatin1(row.key), row.required,
                     QRegularExpression(row.pattern), row.minLength, row.maxLength, row.allowed,
                     row.maxItems, row.mend, QString::fromUtf8(row.what)};
        rules << rule;
    }
    return rules;
}

} // namespace

const QList<KeyRule> &wingetRules()
{
    static const QList<KeyRule> rules = buildRules();
    return rules;
}

const KeyRule *wingetRule(ManifestFile file, const QString &key)
{
    for (const KeyRule &rule : wingetRules()) {
        if (rule.file == file && rule.key == key)
            return &rule;
    }
    return nullptr;
}

int characterCount(const QString &text)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()))
            ++count;
    }
    return count;
}

QString cutToCharacters(const QString &text, int count)
{
    qsizetype end = 0;
    for (int taken = 0; end < text.size() && taken < count; ++taken)
        end += (text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate()) ? 2 : 1;
    QString cut = text.left(end);
    while (!cut.isEmpty() && cut.back().isSpace())
        cut.chop(1);
    return cut;
}

namespace {

RuleOutcome broken(const KeyRule &rule, const QString &what, const QString &value)
{
    const Mend mend = rule.required && rule.mend == Mend::LeaveOut ? Mend::Refuse : rule.mend;
    if (mend == Mend::Cut && rule.maxLength > 0 && characterCount(value) > rule.maxLength) {
        return {RuleOutcome::Cut, cutToCharacters(value, rule.maxLength),
                QStringLiteral("%1, so it was cut to %2 characters (%3)").arg(what).arg(rule.maxLength).arg(rule.what)};
    }
    if (mend == Mend::Refuse || rule.required)
        return {RuleOutcome::Refused, QString(), QStringLiteral("%1 (%2)").arg(what, rule.what)};
    return {RuleOutcome::LeftOut, QString(), QStringLiteral("%1, so it was left out (%2)").arg(what, rule.what)};
}

RuleOutcome checkText(const KeyRule &rule, const QString &value)
{
    const int count = characterCount(value);
    if (rule.maxLength > 0 && count > rule.maxLength)
        return broken(rule, QStringLiteral("has %1 characters, more than %2").arg(count).arg(rule.maxLength), value);
    if (count < rule.minLength)
        return broken(rule, QStringLiteral("has %1 characters, fewer than %2").arg(count).arg(rule.minLength), value);
    if (!rule.allowed.isEmpty() && !rule.allowed.contains(value))
        return broken(rule, QStringLiteral("is not one of %1").arg(rule.allowed.join(QStringLiteral(", "))), value);
    if (!rule.pattern.pattern().isEmpty() && !rule.pattern.match(value).hasMatch())
        return broken(rule, QStringLiteral("does not fit the catalog's pattern"), value);
    return {RuleOutcome::Keeps, value, QString()};
}

} // namespace

RuleOutcome applyRule(const KeyRule &rule, const QString &value)
{
    return checkText(rule, value);
}

RuleOutcome applyItemRule(const KeyRule &rule, const QString &item)
{
    KeyRule itemRule = rule;
    itemRule.required = false;
    itemRule.mend = Mend::Cut;
    return checkText(itemRule, item);
}

const QRegularExpression &appStreamIdPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(\\.[A-Za-z_][A-Za-z0-9_]*){2,}$"));
    return pattern;
}

bool isSpdxExpression(const QString &text)
{
    static const QRegularExpression token(
        QStringLiteral("\\(|\\)|[A-Za-z0-9][A-Za-z0-9.+-]*"));
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9.-]*\\+?$"));
    // A small reader of the grammar: operands and operators alternate, and
    // parentheses balance.
    int depth = 0;
    bool wantOperand = true;
    qsizetype at = 0;
    const QString trimmed = text.trimmed();
    while (at < trimmed.size()) {
        if (trimmed[at].isSpace()) {
            ++at;
            continue;
        }
        const QRegularExpressionMatch match = token.match(trimmed, at, QRegularExpression::NormalMatch,
                                                          QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch())
            return false;
        const QString word = match.captured();
        at += word.size();
        if (word == u"(") {
            if (!wantOperand)
                return false;
            ++depth;
        } else if (word == u")") {
            if (wantOperand || --depth < 0)
                return false;
        } else if (word == u"AND" || word == u"OR" || word == u"WITH") {
            if (wantOperand)
                return false;
            wantOperand = true;
        } else {
            if (!wantOperand || !identifier.match(word).hasMatch())
                return false;
            wantOperand = false;
        }
    }
    return depth == 0 && !wantOperand;
}

} // namespace Export
