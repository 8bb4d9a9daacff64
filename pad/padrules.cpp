#include "padrules.h"

#include <QLatin1String>
#include <QRegularExpression>

#include <array>
#include <initializer_list>

namespace Pad {

namespace {

// Lengths are counted in UTF-16 code units, as the typing limits of Keywords
// and Char_Desc_450 are.
bool lengthWithin(QStringView value, qsizetype least, qsizetype most)
{
    return value.size() >= least && value.size() <= most;
}

bool holdsNoneOf(QStringView value, QStringView forbidden)
{
    for (QChar c : value) {
        if (forbidden.contains(c))
            return false;
    }
    return true;
}

// A name or a line of text: no markup and no tab.
bool plainText(QStringView value, qsizetype least, qsizetype most)
{
    return lengthWithin(value, least, most) && holdsNoneOf(value, u"<\t");
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool allDigits(QStringView value)
{
    for (QChar c : value) {
        if (!isAsciiDigit(c))
            return false;
    }
    return true;
}

// The text after the scheme, or nullopt when the value begins with none of them.
std::optional<QStringView> afterScheme(QStringView value, std::initializer_list<const char *> schemes)
{
    for (const char *scheme : schemes) {
        const QLatin1String prefix(scheme);
        if (value.startsWith(prefix))
            return value.mid(prefix.size());
    }
    return std::nullopt;
}

bool addressWithSchemes(QStringView value, std::initializer_list<const char *> schemes)
{
    const std::optional<QStringView> rest = afterScheme(value, schemes);
    return rest && lengthWithin(*rest, 2, 120) && holdsNoneOf(*rest, u"\r\n");
}

bool webAddress(QStringView value)
{
    return addressWithSchemes(value, {"http://", "https://"});
}

// The path of an address: from the first slash after the host up to a query
// or a fragment; empty when the address names only a host.
QStringView pathOf(QStringView address)
{
    const qsizetype schemeEnd = address.indexOf(u"://");
    QStringView rest = schemeEnd < 0 ? address : address.mid(schemeEnd + 3);
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != u'?' && rest[end] != u'#')
        ++end;
    rest = rest.left(end);
    const qsizetype slash = rest.indexOf(u'/');
    return slash < 0 ? QStringView() : rest.mid(slash);
}

bool pathEndsInOneOf(QStringView address, std::initializer_list<const char *> extensions)
{
    const QStringView path = pathOf(address);
    for (const char *extension : extensions) {
        const QLatin1String ending(extension);
        if (path.size() > ending.size() + 1 && path.endsWith(ending, Qt::CaseInsensitive)
            && path[path.size() - ending.size() - 1] == u'.')
            return true;
    }
    return false;
}

bool emailAddress(QStringView value)
{
    if (value.count(u'@') != 1)
        return false;
    for (QChar c : value) {
        if (c.isSpace())
            return false;
    }
    const qsizetype at = value.indexOf(u'@');
    if (!lengthWithin(value.left(at), 2, 30))
        return false;
    // Any dot may end the first part of the domain, as long as both parts fit.
    const QStringView domain = value.mid(at + 1);
    for (qsizetype dot = domain.indexOf(u'.'); dot >= 0; dot = domain.indexOf(u'.', dot + 1)) {
        if (lengthWithin(domain.left(dot), 2, 63) && lengthWithin(domain.mid(dot + 1), 2, 20))
            return true;
    }
    return false;
}

bool version(QStringView value)
{
    if (!lengthWithin(value, 1, 15))
        return false;
    for (QChar c : value) {
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        if (!letter && !isAsciiDigit(c) && c != u'.' && c != u'_' && c != u'-')
            return false;
    }
    return true;
}

// "Widget 2.1", "Widget v2": the last word looks like a version number.
bool endsWithVersion(QStringView value)
{
    static const QRegularExpression version(
        QStringLiteral("(^|\\s)([vV]\\.?\\s?\\d+(\\.\\d+)*|\\d+(\\.\\d+)+)[a-z]?$"));
    return version.match(value).hasMatch();
}

bool cost(QStringView value)
{
    const qsizetype dot = value.indexOf(u'.');
    if (dot < 0)
        return allDigits(value);
    const QStringView cents = value.mid(dot + 1);
    return dot > 0 && allDigits(value.left(dot)) && cents.size() == 2 && allDigits(cents);
}

} // namespace

const QList<FieldRule> &fieldRules()
{
    static const QList<FieldRule> rules = [] {
        using F = TextField;
        const QString webHint = QStringLiteral(
            "An address begins with http:// or https:// followed by 2 to 120 characters.");
        return QList<FieldRule>{
            {F::Company_Name, [](QStringView v) { return plainText(v, 2, 40); },
             QStringLiteral("A company name has 2 to 40 characters, without \"<\" or tabs.")},
            {F::Company_Website_URL, webAddress, webHint},
            {F::Contact_Email, emailAddress,
             QStringLiteral("An e-mail address has 2 to 30 characters, one \"@\", then 2 to 63 "
                            "characters, a dot and 2 to 20 characters, without blanks.")},
            {F::Program_Name, [](QStringView v) { return plainText(v, 1, 40); },
             QStringLiteral("A program name has 1 to 40 characters, without \"<\" or tabs.")},
            {F::Program_Name, [](QStringView v) { return !endsWithVersion(v); },
             QStringLiteral("A program name leaves out the version number, which has a field "
                            "of its own.")},
            {F::Program_Version, version,
             QStringLiteral("A version has 1 to 15 letters, digits, dots, dashes or underscores, "
                            "without \"v.\"")},
            {F::Program_Cost_Dollars, cost,
             QStringLiteral("A cost is a plain number such as 19 or 19.95, without a currency "
                            "sign.")},
            {F::File_Size_Bytes,
             [](QStringView v) { return lengthWithin(v, 3, 16) && allDigits(v); },
             QStringLiteral("A file size is the number of bytes, 3 to 16 digits without "
                            "separators.")},
            {F::Keywords, [](QStringView v) { return plainText(v, 0, KeywordsLimit); },
             QStringLiteral("Keywords have at most %1 characters, without \"<\" or tabs, "
                            "separated by commas.")
                 .arg(KeywordsLimit)},
            {F::Char_Desc_450,
             [](QStringView v) {
                 return plainText(v, 0, DescriptionLimit) && holdsNoneOf(v, u"\r\n");
             },
             QStringLiteral("A description has at most %1 characters of plain text, without "
                            "\"<\", tabs or line breaks.")
                 .arg(DescriptionLimit)},
            {F::Application_Info_URL, webAddress, webHint},
            {F::Application_XML_File_URL, webAddress, webHint},
            // Softer: a PAD file may be served by a script, but sites expect the ending.
            {F::Application_XML_File_URL, [](QStringView v) { return pathEndsInOneOf(v, {"xml"}); },
             QStringLiteral("The address of a PAD file usually ends in .xml, perhaps followed by "
                            "a query.")},
            {F::Primary_Download_URL,
             [](QStringView v) { return addressWithSchemes(v, {"http://", "https://", "ftp://"}); },
             QStringLiteral("A download address begins with http://, https:// or ftp:// followed "
                            "by 2 to 120 characters.")},
            {F::Primary_Download_URL,
             [](QStringView v) {
                 return pathEndsInOneOf(v, {"exe", "zip", "msi",  "dmg", "gz",  "tar", "tgz",
                                            "rar", "jar", "apk",  "bin", "sh",  "app", "air",
                                            "com", "hqx", "sea",  "sis", "sit", "sitx", "taz",
                                            "tgx", "uu",  "z",    "gzip"});
             },
             QStringLiteral("A download address ends in the file's extension, such as .exe, .zip "
                            "or .dmg.")},
            {F::Application_Screenshot_URL, webAddress, webHint},
            {F::Application_Screenshot_URL,
             [](QStringView v) { return pathEndsInOneOf(v, {"png", "jpg", "gif"}); },
             QStringLiteral("A screenshot address ends in .png, .jpg or .gif.")},
        };
    }();
    return rules;
}

std::optional<QString> ruleHint(TextField field, const QString &value)
{
    if (value.isEmpty())
        return std::nullopt;
    for (const FieldRule &rule : fieldRules()) {
        if (rule.field == field && !rule.passes(value))
            return rule.hint;
    }
    return std::nullopt;
}

std::optional<QString> releaseDateHint(const QDate &date)
{
    if (!date.isValid() || (date.year() >= EarliestReleaseYear && date.year() <= LatestReleaseYear))
        return std::nullopt;
    return QStringLiteral("A release date lies in the years %1 to %2.")
        .arg(EarliestReleaseYear)
        .arg(LatestReleaseYear);
}

QString fieldTip(TextField field)
{
    // Indexed by TextField.
    static const std::array<QString, TextFieldCount> tips{
        QStringLiteral("The name of the company or the author who publishes the program."),
        QStringLiteral("The address of the company's web site, beginning with http:// or "
                       "https://."),
        QStringLiteral("The e-mail address at which download sites can reach the company."),
        QStringLiteral("The program's name, without its version number."),
        QStringLiteral("The version alone, such as 2.1.3, without \"v.\" in front."),
        QStringLiteral("The price in US dollars as a plain number, such as 19.95; leave it "
                       "empty for a free program."),
        QStringLiteral("The size of the download file in bytes; the File Size button reads it "
                       "from the file."),
        QStringLiteral("Words a visitor might search for, separated by commas; at most %1 "
                       "characters.")
            .arg(KeywordsLimit),
        QStringLiteral("A plain-text description of the program on one line, at most %1 "
                       "characters.")
            .arg(DescriptionLimit),
        QStringLiteral("The address of the program's own web page."),
        QStringLiteral("The address at which this PAD file will be published, usually ending "
                       "in .xml."),
        QStringLiteral("The direct address of the file to download, ending in its extension, "
                       "such as .exe or .zip."),
        QStringLiteral("The address of a screenshot of the program ending in .png, .jpg or "
                       ".gif; optional."),
    };
    return tips[static_cast<int>(field)];
}

QString fieldTip(PickedField field)
{
    switch (field) {
    case PickedField::Release_Date:
        return QStringLiteral("The day this version was released.");
    case PickedField::Program_Type:
        return QStringLiteral("How the program is sold or given away: shareware, freeware, a "
                              "demo and so on.");
    case PickedField::Program_OS_Support:
        return QStringLiteral("Tick every operating system the program runs on.");
    }
    return {};
}

QString displayName(PickedField field)
{
    switch (field) {
    case PickedField::Release_Date:
        return QStringLiteral("Release Date");
    case PickedField::Program_Type:
        return QStringLiteral("Program Type");
    case PickedField::Program_OS_Support:
        return QStringLiteral("OS Support");
    }
    return {};
}

} // namespace Pad
