#include "padrules.h"

#include <QLatin1String>
#include <QStringList>
#include <QRegularExpression>

#include <array>

namespace Pad {

QString characterName(QChar c)
{
    switch (c.unicode()) {
    case u'\t':
        return QStringLiteral("a tab");
    case u'\n':
    case u'\r':
        return QStringLiteral("a line break");
    case u' ':
        return QStringLiteral("a blank");
    default:
        break;
    }
    const QString code = QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0');
    if (c.isSpace())
        return QStringLiteral("a blank (U+%1)").arg(code);
    if (c.category() == QChar::Other_Control || c.isSurrogate())
        return QStringLiteral("the character U+%1").arg(code);
    return QStringLiteral("a \"%1\"").arg(c);
}

// The character at index, whole when a surrogate pair makes it up.
QString characterNameAt(QStringView value, qsizetype index)
{
    if (value[index].isHighSurrogate() && index + 1 < value.size()
        && value[index + 1].isLowSurrogate())
        return QStringLiteral("a \"%1\"").arg(value.sliced(index, 2));
    return characterName(value[index]);
}

namespace {

void appendEscaped(QString &out, QChar c)
{
    if (c == u'\n')
        out += QStringLiteral("\\n");
    else if (c == u'\r')
        out += QStringLiteral("\\r");
    else if (c == u'\t')
        out += QStringLiteral("\\t");
    else if (c.category() == QChar::Other_Control)
        out += QStringLiteral("\\x%1").arg(uint(c.unicode()), 2, 16, QChar(u'0'));
    else
        out += c;
}

} // namespace

QString escapedControls(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        appendEscaped(out, c);
    return out;
}

QString quotedValue(const QString &value)
{
    constexpr qsizetype ShownValueLength = 60;
    QString shown;
    qsizetype i = 0;
    for (; i < value.size() && shown.size() < ShownValueLength; ++i)
        appendEscaped(shown, value[i]);
    if (i < value.size()) {
        // Not between the halves of a character beyond the BMP.
        if (shown.back().isHighSurrogate())
            shown.chop(1);
        shown += u'\u2026';
    }
    return u'"' + shown + u'"';
}

namespace {

using Breach = std::optional<QString>;

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Lengths are counted in UTF-16 code units, as the typing limits of Keywords
// and Char_Desc_450 are. after names what the count starts after, if anything.
Breach lengthBreach(QStringView value, qsizetype least, qsizetype most, const QString &after = {})
{
    const QString tail = after.isEmpty() ? QString() : QStringLiteral(" after ") + after;
    if (value.size() > most)
        return QStringLiteral("is too long: %1 of %2 characters%3")
            .arg(value.size())
            .arg(most)
            .arg(tail);
    if (value.size() < least)
        return QStringLiteral("is too short: %1 of at least %2 characters%3")
            .arg(value.size())
            .arg(least)
            .arg(tail);
    return std::nullopt;
}

RulePart lengthPart(qsizetype least, qsizetype most)
{
    return [least, most](QStringView value) { return lengthBreach(value, least, most); };
}

Breach forbiddenBreach(QStringView value, QStringView forbidden)
{
    for (QChar c : value) {
        if (forbidden.contains(c))
            return QStringLiteral("holds ") + characterName(c);
    }
    return std::nullopt;
}

RulePart withoutPart(const char16_t *forbidden)
{
    return [forbidden](QStringView value) {
        return forbiddenBreach(value, QStringView(forbidden));
    };
}

// A name or a line of text: a length, no markup and no tab.
QList<RulePart> plainText(qsizetype least, qsizetype most)
{
    return {lengthPart(least, most), withoutPart(u"<\t")};
}

// The scheme the value begins with, or an empty view when none of them.
QStringView schemeOf(QStringView value, const QStringList &schemes)
{
    for (const QString &scheme : schemes) {
        if (value.startsWith(scheme))
            return value.left(scheme.size());
    }
    return {};
}

QString listed(QStringList names, const QString &conjunction)
{
    const QString last = names.takeLast();
    if (names.isEmpty())
        return last;
    return names.join(QStringLiteral(", ")) + u' ' + conjunction + u' ' + last;
}

// An address: one of the schemes, then 2 to 120 characters on one line.
QList<RulePart> addressWithSchemes(const QStringList &schemes)
{
    const QString expected = listed(schemes, QStringLiteral("or"));
    return {
        [schemes, expected](QStringView value) -> Breach {
            if (schemeOf(value, schemes).isEmpty())
                return QStringLiteral("does not begin with ") + expected;
            return std::nullopt;
        },
        [schemes](QStringView value) -> Breach {
            const QStringView scheme = schemeOf(value, schemes);
            if (scheme.isEmpty())
                return std::nullopt;
            return lengthBreach(value.mid(scheme.size()), 2, 120, scheme.toString());
        },
        [schemes](QStringView value) -> Breach {
            const QStringView scheme = schemeOf(value, schemes);
            return scheme.isEmpty() ? std::nullopt
                                    : forbiddenBreach(value.mid(scheme.size()), u"\r\n");
        },
    };
}

QList<RulePart> webAddress()
{
    return addressWithSchemes({QStringLiteral("http://"), QStringLiteral("https://")});
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

// The extension of the file an address names, without its dot; empty when
// the last part of its path has none.
QStringView extensionOf(QStringView address)
{
    const QStringView path = pathOf(address);
    const QStringView file = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = file.lastIndexOf(u'.');
    return dot < 0 ? QStringView() : file.mid(dot + 1);
}

// The file an address names ends in one of the extensions (separated by
// blanks), letter case aside.
RulePart extensionPart(const char *extensions, QString (*refusal)(QStringView))
{
    const QStringList accepted = QString::fromLatin1(extensions).split(u' ');
    return [accepted, refusal](QStringView value) -> Breach {
        const QStringView extension = extensionOf(value);
        if (!extension.isEmpty() && accepted.contains(extension, Qt::CaseInsensitive))
            return std::nullopt;
        return refusal(extension);
    };
}

QList<RulePart> emailAddress()
{
    return {
        [](QStringView value) -> Breach {
            const qsizetype ats = value.count(u'@');
            if (ats == 0)
                return QStringLiteral("holds no \"@\"");
            if (ats > 1)
                return QStringLiteral("holds %1 \"@\"").arg(ats);
            return std::nullopt;
        },
        [](QStringView value) -> Breach {
            for (QChar c : value) {
                if (c.isSpace())
                    return QStringLiteral("holds ") + characterName(c);
            }
            return std::nullopt;
        },
        [](QStringView value) -> Breach {
            const qsizetype at = value.indexOf(u'@');
            if (at < 0 || (at >= 2 && at <= 30))
                return std::nullopt;
            return QStringLiteral("has %1 %2 before the \"@\", not 2 to 30")
                .arg(at)
                .arg(at == 1 ? QStringLiteral("character") : QStringLiteral("characters"));
        },
        [](QStringView value) -> Breach {
            const qsizetype at = value.indexOf(u'@');
            if (at < 0)
                return std::nullopt;
            // Any dot may end the first part of the domain, as long as both parts fit.
            const QStringView domain = value.mid(at + 1);
            for (qsizetype dot = domain.indexOf(u'.'); dot >= 0;
                 dot = domain.indexOf(u'.', dot + 1)) {
                if (domain.left(dot).size() >= 2 && domain.left(dot).size() <= 63
                    && domain.mid(dot + 1).size() >= 2 && domain.mid(dot + 1).size() <= 20)
                    return std::nullopt;
            }
            if (!domain.contains(u'.'))
                return QStringLiteral("has no dot after the \"@\"");
            return QStringLiteral("has no dot after the \"@\" with 2 to 63 characters before it "
                                  "and 2 to 20 after it");
        },
    };
}

// Characters other than those allowed: the first one found, named.
RulePart onlyPart(bool (*allowed)(QChar))
{
    return [allowed](QStringView value) -> Breach {
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (!allowed(value[i]))
                return QStringLiteral("holds ") + characterNameAt(value, i);
        }
        return std::nullopt;
    };
}

bool versionCharacter(QChar c)
{
    const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    return letter || isAsciiDigit(c) || c == u'.' || c == u'_' || c == u'-';
}

// "Widget 2.1", "Widget v2": the last word looks like a version number.
bool endsWithVersion(QStringView value)
{
    static const QRegularExpression version(
        QStringLiteral("(^|\\s)([vV]\\.?\\s?\\d+(\\.\\d+)*|\\d+(\\.\\d+)+)[a-z]?$"));
    return version.match(value).hasMatch();
}

Breach costBreach(QStringView value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (!isAsciiDigit(value[i]) && value[i] != u'.')
            return QStringLiteral("holds ") + characterNameAt(value, i);
    }
    const qsizetype dot = value.indexOf(u'.');
    if (dot < 0)
        return std::nullopt;
    if (value.count(u'.') > 1)
        return QStringLiteral("holds %1 dots").arg(value.count(u'.'));
    if (dot == 0)
        return QStringLiteral("has no whole dollars before the dot");
    const qsizetype cents = value.size() - dot - 1;
    if (cents != 2)
        return QStringLiteral("has %1 %2 after the dot, not 2")
            .arg(cents)
            .arg(cents == 1 ? QStringLiteral("digit") : QStringLiteral("digits"));
    return std::nullopt;
}

QString downloadExtensionRefusal(QStringView extension)
{
    if (extension.isEmpty())
        return QStringLiteral("names no file with an extension");
    return QStringLiteral("has the extension \".%1\", which is not one download sites accept")
        .arg(extension);
}

QString pictureExtensionRefusal(QStringView extension)
{
    if (extension.isEmpty())
        return QStringLiteral("names no picture file ending in .png, .jpg or .gif");
    return QStringLiteral("has the extension \".%1\", not .png, .jpg or .gif").arg(extension);
}

QString padFileExtensionRefusal(QStringView extension)
{
    if (extension.isEmpty())
        return QStringLiteral("does not end in .xml");
    return QStringLiteral("ends in \".%1\", not .xml").arg(extension);
}

} // namespace

QString severityName(Severity severity)
{
    switch (severity) {
    case Severity::Error:
        return QStringLiteral("error");
    case Severity::Warning:
        return QStringLiteral("warning");
    case Severity::Note:
        return QStringLiteral("note");
    }
    Q_UNREACHABLE();
}

std::optional<QString> FieldRule::breach(QStringView value) const
{
    for (const RulePart &part : parts) {
        if (std::optional<QString> what = part(value))
            return what;
    }
    return std::nullopt;
}

const QList<FieldRule> &fieldRules()
{
    static const QList<FieldRule> rules = [] {
        using F = TextField;
        constexpr Severity error = Severity::Error;
        constexpr Severity warning = Severity::Warning;
        const QString webHint = QStringLiteral(
            "An address begins with http:// or https:// followed by 2 to 120 characters.");
        return QList<FieldRule>{
            {F::Company_Name, error, plainText(2, 40),
             QStringLiteral("A company name has 2 to 40 characters, without \"<\" or tabs.")},
            {F::Company_Website_URL, error, webAddress(), webHint},
            {F::Contact_Email, error, emailAddress(),
             QStringLiteral("An e-mail address has 2 to 30 characters, one \"@\", then 2 to 63 "
                            "characters, a dot and 2 to 20 characters, without blanks.")},
            {F::Program_Name, error, plainText(1, 40),
             QStringLiteral("A program name has 1 to 40 characters, without \"<\" or tabs.")},
            // Advice: a name may end in a number of its own, as "Civilization 2.5" might.
            {F::Program_Name, warning,
             {[](QStringView v) -> Breach {
                 if (endsWithVersion(v))
                     return QStringLiteral("ends in a version number");
                 return std::nullopt;
             }},
             QStringLiteral("A program name leaves out the version number, which has a field "
                            "of its own.")},
            {F::Program_Version, error, {lengthPart(1, 15), onlyPart(versionCharacter)},
             QStringLiteral("A version has 1 to 15 letters, digits, dots, dashes or underscores, "
                            "without \"v.\"")},
            {F::Program_Cost_Dollars, error, {costBreach},
             QStringLiteral("A cost is a plain number such as 19 or 19.95, without a currency "
                            "sign.")},
            {F::File_Size_Bytes, error, {lengthPart(3, 16), onlyPart(isAsciiDigit)},
             QStringLiteral("A file size is the number of bytes, 3 to 16 digits without "
                            "separators.")},
            {F::Keywords, error, plainText(0, KeywordsLimit),
             QStringLiteral("Keywords have at most %1 characters, without \"<\" or tabs, "
                            "separated by commas.")
                 .arg(KeywordsLimit)},
            {F::Char_Desc_450, error, plainText(0, DescriptionLimit) << withoutPart(u"\r\n"),
             QStringLiteral("A description has at most %1 characters of plain text, without "
                            "\"<\", tabs or line breaks.")
                 .arg(DescriptionLimit)},
            {F::Application_Info_URL, error, webAddress(), webHint},
            {F::Application_XML_File_URL, error, webAddress(), webHint},
            // Advice: a PAD file may be served by a script, but sites expect the ending.
            {F::Application_XML_File_URL, warning, {extensionPart("xml", padFileExtensionRefusal)},
             QStringLiteral("The address of a PAD file usually ends in .xml, perhaps followed by "
                            "a query.")},
            {F::Primary_Download_URL, error,
             addressWithSchemes({QStringLiteral("http://"), QStringLiteral("https://"),
                                 QStringLiteral("ftp://")}),
             QStringLiteral("A download address begins with http://, https:// or ftp:// followed "
                            "by 2 to 120 characters.")},
            {F::Primary_Download_URL, error,
             {extensionPart("exe zip msi dmg gz tar tgz rar jar apk bin sh app air com hqx sea "
                            "sis sit sitx taz tgx uu z gzip",
                            downloadExtensionRefusal)},
             QStringLiteral("A download address ends in the file's extension, such as .exe, .zip "
                            "or .dmg.")},
            {F::Application_Screenshot_URL, error, webAddress(), webHint},
            {F::Application_Screenshot_URL, error,
             {extensionPart("png jpg gif", pictureExtensionRefusal)},
             QStringLiteral("A screenshot address ends in .png, .jpg or .gif.")},
        };
    }();
    return rules;
}

std::optional<QString> ruleHint(TextField field, const QString &value)
{
    if (const std::optional<RuleBreach> broken = ruleBreach(field, value))
        return broken->hint;
    return std::nullopt;
}

std::optional<RuleBreach> ruleBreach(TextField field, const QString &value)
{
    if (value.isEmpty())
        return std::nullopt;
    for (const FieldRule &rule : fieldRules()) {
        if (rule.field != field)
            continue;
        if (std::optional<QString> what = rule.breach(value))
            return RuleBreach{rule.severity, *what, rule.hint};
    }
    return std::nullopt;
}

std::optional<QString> releaseDateHint(const QDate &date)
{
    if (!releaseDateBreach(date))
        return std::nullopt;
    return QStringLiteral("A release date lies in the years %1 to %2.")
        .arg(EarliestReleaseYear)
        .arg(LatestReleaseYear);
}

std::optional<QString> releaseDateBreach(const QDate &date)
{
    if (!date.isValid())
        return std::nullopt;
    if (date.year() < EarliestReleaseYear)
        return QStringLiteral("has the year %1, before %2")
            .arg(date.year())
            .arg(EarliestReleaseYear);
    if (date.year() > LatestReleaseYear)
        return QStringLiteral("has the year %1, after %2").arg(date.year()).arg(LatestReleaseYear);
    return std::nullopt;
}

std::optional<QString> programTypeHint(const QString &programType)
{
    if (!programType.isEmpty())
        return std::nullopt;
    return QStringLiteral("Download sites require a program type: choose one of %1.")
        .arg(ProgramTypeList().join(QStringLiteral(", ")));
}

std::optional<QString> freeProgramCostBreach(const QString &programType, const QString &cost)
{
    static const QRegularExpression zero(QStringLiteral("^0+(\\.0+)?$"));
    const bool free =
        programType == QLatin1String("Freeware") || programType == QLatin1String("Adware");
    if (!free || cost.isEmpty() || zero.match(cost).hasMatch())
        return std::nullopt;
    return QStringLiteral("is a price, but the program is %1, which costs nothing: leave the cost "
                          "empty or 0")
        .arg(programType);
}

std::optional<QString> notApplicableBreach(const QStringList &osSupport)
{
    const QString notApplicable = QStringLiteral("Not Applicable");
    if (!osSupport.contains(notApplicable) || osSupport.size() < 2)
        return std::nullopt;
    QStringList others = osSupport;
    others.removeAll(notApplicable);
    return QStringLiteral("ticks Not Applicable together with %1")
        .arg(others.join(QStringLiteral(", ")));
}

} // namespace Pad
