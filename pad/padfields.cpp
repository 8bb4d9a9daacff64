#include "padfields.h"

#include "padrules.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>
#include <tuple>

namespace Pad {

namespace {

struct Row
{
    const char *path;
    const char *title;
    const char *rule;
    const char *pattern;
};

constexpr Row rows[] = {
#include "padfieldtable.inc"
};

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

const QHash<QString, qsizetype> &fieldIndex()
{
    static const QHash<QString, qsizetype> index = [] {
        QHash<QString, qsizetype> built;
        const QList<FormatField> &fields = formatFields();
        for (qsizetype i = 0; i < fields.size(); ++i)
            built.insert(fields[i].path, i);
        return built;
    }();
    return index;
}

QString descriptionsPrefix()
{
    return QString(DescriptionsPath) + u'/';
}

// Rounds bytes / divisor to hundredths and writes it without trailing zeros.
QString hundredths(qint64 bytes, qint64 divisor)
{
    const qint64 rounded = (bytes * 100 + divisor / 2) / divisor;
    QString text = QString::number(rounded / 100);
    const qint64 fraction = rounded % 100;
    if (fraction % 10 != 0)
        text += u'.' + QString::number(fraction).rightJustified(2, u'0');
    else if (fraction != 0)
        text += u'.' + QString::number(fraction / 10);
    return text;
}

} // namespace

QString convertPerlPattern(QStringView perl)
{
    QString converted;
    converted.reserve(perl.size() + 16);
    for (qsizetype i = 0; i < perl.size(); ++i) {
        const QChar c = perl[i];
        if (c != u'\\' || i + 1 == perl.size()) {
            converted += c;
            continue;
        }
        const QChar next = perl[i + 1];
        if (next == u'Z') {
            converted += QStringLiteral("\\z");
            ++i;
        } else if (next == u'x' && i + 3 < perl.size() && isHexDigit(perl[i + 2])
                   && isHexDigit(perl[i + 3])) {
            converted += QStringLiteral("\\x{%1}").arg(perl.mid(i + 2, 2));
            i += 3;
        } else {
            // Any other escape (\d, \/, \-, \@ ...) means the same to both.
            converted += c;
            converted += next;
            ++i;
        }
    }
    return converted;
}

const QList<FormatField> &formatFields()
{
    static const QList<FormatField> fields = [] {
        QList<FormatField> built;
        built.reserve(std::size(rows));
        for (const Row &row : rows) {
            FormatField field;
            field.path = QString::fromUtf8(row.path);
            field.title = QString::fromUtf8(row.title);
            field.rule = QString::fromUtf8(row.rule);
            const QString perl = QString::fromUtf8(row.pattern);
            if (!perl.isEmpty())
                field.pattern = QRegularExpression(convertPerlPattern(perl));
            built << field;
        }
        return built;
    }();
    return fields;
}

QStringView descriptionLanguage(QStringView path)
{
    if (!path.startsWith(descriptionsPrefix()))
        return {};
    const QStringView rest = path.mid(DescriptionsPath.size() + 1);
    const qsizetype slash = rest.indexOf(u'/');
    return slash < 0 ? rest : rest.left(slash);
}

const FormatField *formatField(QStringView path)
{
    const QHash<QString, qsizetype> &index = fieldIndex();
    auto found = index.constFind(path.toString());
    if (found == index.cend()) {
        const QStringView language = descriptionLanguage(path);
        if (language.isEmpty() || language == DefaultLanguage)
            return nullptr;
        const QStringView element = path.mid(DescriptionsPath.size() + 1 + language.size());
        found = index.constFind(descriptionsPrefix() + QString(DefaultLanguage) + element.toString());
        if (found == index.cend())
            return nullptr;
    }
    return &formatFields()[*found];
}

std::optional<QString> formatRuleHint(QStringView path, const QString &value)
{
    if (value.isEmpty())
        return std::nullopt;
    const FormatField *field = formatField(path);
    if (!field || field->pattern.pattern().isEmpty() || field->pattern.match(value).hasMatch())
        return std::nullopt;
    return QStringLiteral("The PAD format asks for: %1.").arg(field->rule);
}

namespace {

// One class of characters repeated between two bounds, perhaps as an
// alternative to the empty text: "^[^<\x{09}]{0,100}\z", "^([...]{20,100}|)\z".
struct BoundedClass
{
    QString characters; // the class, brackets included
    int least = 0;
    int most = 0;
};

std::optional<BoundedClass> boundedClass(const FormatField &field)
{
    static const QRegularExpression bounded(
        QStringLiteral("^\\^\\(?(\\[[^\\]]*\\])\\{(\\d+),(\\d+)\\}(?:\\|\\))?\\\\z$"));
    const QRegularExpressionMatch match = bounded.match(field.pattern.pattern());
    if (!match.hasMatch())
        return std::nullopt;
    return BoundedClass{match.captured(1), match.captured(2).toInt(), match.captured(3).toInt()};
}

QString describeBreach(const FormatField &field, const QString &value)
{
    if (const std::optional<BoundedClass> bounded = boundedClass(field)) {
        // The longest start of the value that the class takes ends at the first character it refuses.
        const QRegularExpression allowed(QStringLiteral("\\A%1*").arg(bounded->characters));
        const qsizetype taken = allowed.match(value).capturedLength();
        if (taken < value.size())
            return QStringLiteral("holds ") + characterNameAt(value, taken);
        if (value.size() > bounded->most)
            return QStringLiteral("is too long: %1 of %2 characters").arg(value.size()).arg(bounded->most);
        return QStringLiteral("is too short: %1 of at least %2 characters").arg(value.size()).arg(bounded->least);
    }
    if (field.path == u"Program_Info/Program_Language") {
        for (const QString &name : value.split(u',')) {
            if (name.isEmpty() || formatLanguages().contains(name))
                continue;
            if (formatLanguages().contains(name.trimmed()))
                return QStringLiteral("holds a blank beside a comma");
            return QStringLiteral("names \"%1\", which is not in the format's list of languages").arg(name);
        }
    }
    if (field.rule.contains(QLatin1String("must be selected from list")))
        return QStringLiteral("is not in the format's list");
    return QStringLiteral("does not fit the format's pattern");
}

} // namespace

std::optional<FormatBreach> formatRuleBreach(QStringView path, const QString &value)
{
    const std::optional<QString> hint = formatRuleHint(path, value);
    if (!hint)
        return std::nullopt;
    return FormatBreach{describeBreach(*formatField(path), value), *hint};
}

const QStringList &formatLanguages()
{
    // The format lists its languages once, as the alternatives of the
    // pattern of Program_Language, along with the comma that separates them.
    static const QStringList languages = [] {
        const FormatField *field = formatField(u"Program_Info/Program_Language");
        Q_ASSERT(field);
        QString alternatives = field->pattern.pattern();
        const qsizetype open = alternatives.indexOf(u'(');
        const qsizetype close = alternatives.lastIndexOf(u')');
        alternatives = alternatives.mid(open + 1, close - open - 1);
        QStringList names = alternatives.split(u'|');
        names.removeAll(QStringLiteral(","));
        return names;
    }();
    return languages;
}

const QStringList &descriptionElements()
{
    static const QStringList elements = [] {
        const QString prefix = descriptionsPrefix() + QString(DefaultLanguage) + u'/';
        QStringList names;
        for (const FormatField &field : formatFields()) {
            if (field.path.startsWith(prefix))
                names << field.path.mid(prefix.size());
        }
        return names;
    }();
    return elements;
}

bool shownInWindow(QStringView path)
{
    return formFieldAt(path) != nullptr;
}

FieldGroup fieldGroup(QStringView path)
{
    const auto under = [path](const char *prefix) {
        return path.startsWith(QLatin1StringView(prefix));
    };
    if (under("MASTER_PAD_VERSION_INFO/"))
        return FieldGroup::PadFile;
    if (under("Company_Info/Support_Info/"))
        return FieldGroup::Support;
    if (under("Company_Info/"))
        return FieldGroup::Company;
    if (under("Program_Info/File_Info/"))
        return FieldGroup::File;
    if (under("Program_Info/Expire_Info/"))
        return FieldGroup::Expiry;
    if (under("Program_Descriptions/"))
        return FieldGroup::Descriptions;
    if (under("Web_Info/Download_URLs/"))
        return FieldGroup::Downloads;
    if (under("Web_Info/"))
        return FieldGroup::WebAddresses;
    if (under("Permissions/"))
        return FieldGroup::Permissions;
    if (under("Press_Release/"))
        return FieldGroup::PressRelease;
    if (under("NewsFeed/"))
        return FieldGroup::NewsFeed;
    if (under("Affiliates/"))
        return FieldGroup::Affiliates;
    if (under("ASP/"))
        return FieldGroup::Asp;
    return FieldGroup::Program;
}

QString groupTitle(FieldGroup group)
{
    switch (group) {
    case FieldGroup::PadFile: return QStringLiteral("PAD File");
    case FieldGroup::Company: return QStringLiteral("Company and Contact");
    case FieldGroup::Support: return QStringLiteral("Support");
    case FieldGroup::Program: return QStringLiteral("Program");
    case FieldGroup::File: return QStringLiteral("File");
    case FieldGroup::Expiry: return QStringLiteral("Expiry");
    case FieldGroup::Descriptions: return QStringLiteral("Descriptions");
    case FieldGroup::WebAddresses: return QStringLiteral("Web Addresses");
    case FieldGroup::Downloads: return QStringLiteral("Downloads");
    case FieldGroup::Permissions: return QStringLiteral("Permissions");
    case FieldGroup::PressRelease: return QStringLiteral("Press Release");
    case FieldGroup::NewsFeed: return QStringLiteral("News Feed");
    case FieldGroup::Affiliates: return QStringLiteral("Affiliates");
    case FieldGroup::Asp: return QStringLiteral("ASP Membership");
    }
    return {};
}

std::optional<int> lengthLimit(const FormatField &field)
{
    const std::optional<BoundedClass> bounded = boundedClass(field);
    return bounded ? std::optional(bounded->most) : std::nullopt;
}

bool isLongText(const FormatField &field)
{
    return lengthLimit(field).value_or(0) > 1000;
}

QString fileSizeKilobytes(qint64 bytes)
{
    return hundredths(bytes, 1024);
}

QString fileSizeMegabytes(qint64 bytes)
{
    return hundredths(bytes, 1024 * 1024);
}

namespace {

// Whether path leads to elements of the table, as "Permissions" or
// "Program_Descriptions/English" do.
bool holdsTableFields(const QString &path)
{
    static const QSet<QString> ancestors = [] {
        QSet<QString> paths;
        for (const FormatField &field : formatFields()) {
            for (qsizetype slash = field.path.indexOf(u'/'); slash > 0; slash = field.path.indexOf(u'/', slash + 1))
                paths.insert(field.path.left(slash));
        }
        return paths;
    }();
    return ancestors.contains(path);
}

} // namespace

OtherFields otherFieldsOf(const QList<PathText> &leaves, QList<PathText> *kept)
{
    OtherFields fields;
    QSet<QString> seen;
    for (const PathText &leaf : leaves) {
        const QString &path = leaf.path;
        const bool first = !seen.contains(path);
        seen.insert(path);
        if (first && shownInWindow(path))
            continue;
        if (first && (path.startsWith(u"MASTER_PAD_VERSION_INFO/") || holdsTableFields(path)))
            continue;
        const QStringView language = descriptionLanguage(path);
        if (!language.isEmpty() && language != DefaultLanguage) {
            const QStringView element = QStringView(path).mid(DescriptionsPath.size() + language.size() + 2);
            const bool block = element.isEmpty() && path.size() == DescriptionsPath.size() + 1 + language.size();
            if (block || descriptionElements().contains(element)) {
                if (!fields.languages.contains(language))
                    fields.languages << language.toString();
                if (first && !block)
                    fields.values.insert(path, leaf.text);
                if (first)
                    continue;
            }
        } else if (first && formatField(path)) {
            fields.values.insert(path, leaf.text);
            continue;
        }
        if (kept)
            *kept << leaf;
    }
    return fields;
}

bool holdsChanges(const OtherFields &file, const OtherFields &fields)
{
    if (file.languages != fields.languages)
        return true;
    for (auto it = fields.values.cbegin(); it != fields.values.cend(); ++it) {
        if (file.values.value(it.key()) != it.value())
            return true;
    }
    return false;
}

namespace {

// Where a path stands in the table, for putting edits in its order; a
// description in another language stands after English, by language.
int tableOrder(const QString &path)
{
    const FormatField *field = formatField(path);
    return field ? int(field - formatFields().constData()) : int(formatFields().size());
}

} // namespace

OtherFieldEdits otherFieldEdits(const OtherFields &file, const OtherFields &fields)
{
    OtherFieldEdits edits;
    QStringList paths = fields.values.keys();
    for (const QString &language : fields.languages) {
        if (file.languages.contains(language))
            continue;
        for (const QString &element : descriptionElements()) {
            const QString path = QStringLiteral("%1/%2/%3").arg(DescriptionsPath, language, element);
            if (!paths.contains(path))
                paths << path;
        }
    }
    // The table's order, with each language's descriptions together, English
    // first and the others in the author's order.
    const auto key = [&fields](const QString &path) {
        const QStringView language = descriptionLanguage(path);
        if (language.isEmpty())
            return std::tuple(tableOrder(path), qsizetype(0), 0);
        const qsizetype rank = language == DefaultLanguage ? 0 : fields.languages.indexOf(language) + 1;
        return std::tuple(tableOrder(descriptionsPrefix() + QString(DefaultLanguage) + u'/'
                                     + descriptionElements().constFirst()),
                          rank, tableOrder(path));
    };
    std::stable_sort(paths.begin(), paths.end(),
              [&key](const QString &a, const QString &b) { return key(a) < key(b); });
    for (const QString &path : std::as_const(paths)) {
        const QStringView language = descriptionLanguage(path);
        const bool newLanguage = !language.isEmpty() && language != DefaultLanguage
                                 && !file.languages.contains(language);
        const QString text = fields.values.value(path);
        if (newLanguage || file.values.value(path) != text)
            edits.values << PathText{path, text};
    }
    for (const QString &language : file.languages) {
        if (!fields.languages.contains(language))
            edits.removedLanguages << language;
    }
    // The values of a language that goes need no edits of their own.
    edits.values.removeIf([&edits](const PathText &edit) {
        return edits.removedLanguages.contains(descriptionLanguage(edit.path));
    });
    return edits;
}

OtherFields rebasedFields(const OtherFields &read, const OtherFields &author, const OtherFields &now)
{
    OtherFields rebased = now;
    for (const QString &language : read.languages) {
        if (author.languages.contains(language))
            continue;
        rebased.languages.removeAll(language);
        rebased.values.removeIf([&](const auto &value) { return descriptionLanguage(value.key()) == language; });
    }
    for (const QString &language : author.languages) {
        if (!read.languages.contains(language) && !rebased.languages.contains(language))
            rebased.languages << language;
    }
    for (auto it = author.values.cbegin(); it != author.values.cend(); ++it) {
        const auto wasRead = read.values.constFind(it.key());
        if (wasRead == read.values.cend() || *wasRead != it.value())
            rebased.values.insert(it.key(), it.value());
    }
    return rebased;
}

QString fieldDisplayName(QStringView path)
{
    if (const FormField *shown = formFieldAt(path))
        return shown->displayName;
    const FormatField *field = formatField(path);
    const QString name = field ? field->title : path.toString();
    const QStringView language = descriptionLanguage(path);
    if (field && !language.isEmpty() && language != DefaultLanguage)
        return QStringLiteral("%1 (%2)").arg(name, language);
    return name;
}

QList<PathText> followingFileSizes(const QString &sizeInBytes, bool hasKilobytes, bool hasMegabytes)
{
    bool number = !sizeInBytes.isEmpty() && sizeInBytes.size() <= 16;
    for (QChar c : sizeInBytes)
        number = number && c >= u'0' && c <= u'9';
    if (!number)
        return {};
    const qint64 bytes = sizeInBytes.toLongLong();
    QList<PathText> sizes;
    if (hasKilobytes)
        sizes << PathText{FileSizeKilobytesPath, fileSizeKilobytes(bytes)};
    if (hasMegabytes)
        sizes << PathText{FileSizeMegabytesPath, fileSizeMegabytes(bytes)};
    return sizes;
}

QList<RuleBreak> formatRuleBreaks(const QList<PathText> &leaves)
{
    QList<RuleBreak> breaks;
    QSet<QString> seen;
    for (const PathText &leaf : leaves) {
        if (seen.contains(leaf.path))
            continue;
        seen.insert(leaf.path);
        if (shownInWindow(leaf.path))
            continue;
        if (const std::optional<QString> hint = formatRuleHint(leaf.path, leaf.text))
            breaks << RuleBreak{leaf.path, leaf.text, *hint};
    }
    return breaks;
}

} // namespace Pad
