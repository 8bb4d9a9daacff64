#include "padreader.h"

#include "padrules.h"
#include "padwriter.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace Pad {

namespace {

const QString RootName = QStringLiteral("XML_DIZ_INFO");

QString tooLarge()
{
    return QStringLiteral("the file is larger than %1 MiB").arg(MaxPadFileSize / (1024 * 1024));
}

// Consumes one number of the date grammar; nullopt when there is none or it is too long.
std::optional<int> takeNumber(QStringView text, qsizetype &pos, int *digitCount)
{
    const qsizetype start = pos;
    while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9')
        ++pos;
    if (pos == start)
        return std::nullopt;
    qsizetype significant = start;
    while (significant < pos && text[significant] == u'0')
        ++significant;
    if (pos - significant > 4)
        return std::nullopt;
    if (digitCount)
        *digitCount = int(pos - start);
    int value = 0;
    for (qsizetype i = significant; i < pos; ++i)
        value = value * 10 + (text[i].unicode() - u'0');
    return value;
}

void skipBlanks(QStringView text, qsizetype &pos)
{
    while (pos < text.size() && text[pos] == u' ')
        ++pos;
}

bool takeSlash(QStringView text, qsizetype &pos)
{
    if (pos < text.size() && text[pos] == u'/') {
        ++pos;
        return true;
    }
    return false;
}

// Reads everything device holds, refusing past maxBytes bytes (-1: no limit).
std::optional<QByteArray> readAllBytes(QIODevice &device, qint64 maxBytes, QString *reason)
{
    constexpr qint64 Block = 256 * 1024;
    QByteArray bytes;
    while (true) {
        const qsizetype at = bytes.size();
        bytes.resize(at + Block);
        const qint64 read = device.read(bytes.data() + at, Block);
        if (read < 0) {
            *reason = QStringLiteral("the file cannot be read (%1)").arg(device.errorString());
            return std::nullopt;
        }
        bytes.resize(at + read);
        if (maxBytes >= 0 && bytes.size() > maxBytes) {
            *reason = tooLarge();
            return std::nullopt;
        }
        if (read == 0)
            return bytes;
    }
}

QString osSupportNote(const QStringList &unknown)
{
    QString names = quotedValue(unknown.first());
    qsizetype listed = 1;
    for (; listed < unknown.size() && listed < MaxListedOsNames; ++listed) {
        const QString name = quotedValue(unknown[listed]);
        if (names.size() + 2 + name.size() > MaxOsNoteNamesLength)
            break;
        names += QStringLiteral(", ") + name;
    }
    if (listed < unknown.size())
        names += QStringLiteral(" and %1 more").arg(unknown.size() - listed);
    return QStringLiteral("OS Support: %1 %2 not in the list")
        .arg(names, unknown.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"));
}

// The texts of the form's elements, per field and path as the table gives
// them (empty for an element the file lacks); nullopt with the reason when
// one of them holds more than text.
std::optional<QList<QStringList>> formTexts(const XmlDocument &xml, QString *reason)
{
    QList<QStringList> texts;
    for (const FormField &field : formFields()) {
        QStringList fieldTexts;
        for (const QString &path : field.paths) {
            const XmlElement *element = xml.find(path);
            if (element && !xml.elementText(*element)) {
                *reason = xml.notTextReason(path, *element);
                return std::nullopt;
            }
            fieldTexts << (element ? *xml.elementText(*element) : QString());
        }
        texts << fieldTexts;
    }
    return texts;
}

void takeProgramType(const QString &text, PadImport &result)
{
    result.values.programType = programTypeEntry(text);
    if (text.isEmpty())
        result.notes << ImportNote{FieldKind::ProgramType, QStringLiteral("Program Type: not given in the file")};
    else if (!result.programTypeFound())
        result.notes << ImportNote{FieldKind::ProgramType,
                                   QStringLiteral("Program Type: %1 is not in the list").arg(quotedValue(text))};
}

void takeOsSupport(const QString &text, PadImport &result)
{
    OsNames names = readOsNames(text);
    result.values.osSupport = std::move(names.entries);
    result.unknownOsNames = std::move(names.unknown);
    if (result.values.osSupport.isEmpty() && result.unknownOsNames.isEmpty())
        result.notes << ImportNote{FieldKind::OsSupport, QStringLiteral("OS Support: not given in the file")};
    else if (!result.unknownOsNames.isEmpty())
        result.notes << ImportNote{FieldKind::OsSupport, osSupportNote(result.unknownOsNames)};
}

// month, day and year as the file writes them.
void takeReleaseDate(const QStringList &texts, const QDate &today, PadImport &result)
{
    const QString joined = texts.join(u'/');
    result.values.releaseDate = readReleaseDate(joined, today);
    if (texts.join(QString()).isEmpty())
        result.notes << ImportNote{FieldKind::ReleaseDate, QStringLiteral("Release Date: not given in the file")};
    else if (!result.values.releaseDate.isValid())
        result.notes << ImportNote{FieldKind::ReleaseDate,
                                   QStringLiteral("Release Date: %1 is not a valid date").arg(quotedValue(joined))};
}

// Maps a document to the sixteen values, or gives the reason it cannot.
std::optional<PadImport> importFrom(const XmlDocument &xml, const QDate &today, QString *reason)
{
    if (xml.localName(xml.root()) != RootName) {
        *reason = QStringLiteral("its document element is <%1>, not <%2>")
                      .arg(xml.qualifiedName(xml.root()), RootName);
        return std::nullopt;
    }
    const std::optional<QList<QStringList>> texts = formTexts(xml, reason);
    if (!texts)
        return std::nullopt;
    PadImport result;
    const QList<FormField> &fields = formFields();
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (fields[i].kind == FieldKind::Text)
            result.values.text(fields[i].text) = texts->at(i).constFirst();
    }
    // The notes keep one order, whatever the file's: the type, the OS list,
    // and the date's three elements last.
    const auto textsOf = [&](FieldKind kind) { return texts->at(&formField(kind) - fields.constData()); };
    takeProgramType(textsOf(FieldKind::ProgramType).constFirst(), result);
    takeOsSupport(textsOf(FieldKind::OsSupport).constFirst(), result);
    takeReleaseDate(textsOf(FieldKind::ReleaseDate), today, result);
    return result;
}

// The values of a document that the form does not show, by path: blank
// texts are no values, and an element holding markup has "(markup)".
QList<PathText> valuesNotShown(const XmlDocument &xml, const std::vector<XmlLeaf> &leaves)
{
    QSet<const XmlElement *> shown;
    for (const FormField &field : formFields()) {
        for (const QString &path : field.paths)
            shown.insert(xml.find(path));
    }
    QList<PathText> values;
    for (const XmlLeaf &leaf : leaves) {
        const XmlElement &element = xml.elements[std::size_t(leaf.element)];
        const std::optional<QString> text = xml.elementText(element);
        if (shown.contains(&element) || (text && text->trimmed().isEmpty()))
            continue;
        values << PathText{leaf.path, text.value_or(QStringLiteral("(markup)"))};
    }
    return values;
}

// Those of the values that Generate writes itself, such as its version stamp:
// a file's value equal to one of them is not lost by Generate.
const QHash<QString, QString> &generatedConstants()
{
    static const QHash<QString, QString> constants = [] {
        QString reason;
        const std::optional<XmlDocument> written = readXml(padFileBytes(padFileLines(PadValues())), &reason);
        Q_ASSERT(written);
        QHash<QString, QString> byPath;
        for (const PathText &value : valuesNotShown(*written, *written->leaves(&reason)))
            byPath.insert(value.path, value.text);
        return byPath;
    }();
    return constants;
}

int unshownValues(const XmlDocument &xml, const std::vector<XmlLeaf> &leaves)
{
    const QList<PathText> values = valuesNotShown(xml, leaves);
    return int(std::count_if(values.cbegin(), values.cend(), [](const PathText &value) {
        const auto constant = generatedConstants().constFind(value.path);
        return constant == generatedConstants().cend() || *constant != value.text;
    }));
}

std::optional<QByteArray> readFileBytes(const QString &path, QString *reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = QStringLiteral("the file cannot be opened (%1)").arg(file.errorString());
        return std::nullopt;
    }
    // A device that reports no size is read only up to the limit and one byte more.
    if (!file.isSequential() && file.size() > MaxPadFileSize) {
        *reason = tooLarge();
        return std::nullopt;
    }
    return readAllBytes(file, MaxPadFileSize, reason);
}

} // namespace

QDate readReleaseDate(const QString &joined, const QDate &today)
{
    const QStringView text(joined);
    qsizetype pos = 0;
    int yearDigits = 0;

    skipBlanks(text, pos);
    const std::optional<int> month = takeNumber(text, pos, nullptr);
    if (!month)
        return {};
    skipBlanks(text, pos);
    if (!takeSlash(text, pos))
        return {};
    skipBlanks(text, pos);
    const std::optional<int> day = takeNumber(text, pos, nullptr);
    if (!day)
        return {};
    skipBlanks(text, pos);
    if (!takeSlash(text, pos))
        return {};
    skipBlanks(text, pos);
    std::optional<int> year = takeNumber(text, pos, &yearDigits);
    if (!year)
        return {};
    skipBlanks(text, pos);
    if (takeSlash(text, pos))
        skipBlanks(text, pos);
    if (pos != text.size())
        return {};

    if (yearDigits <= 2)
        *year += today.year() / 100 * 100;
    if (*year < 1 || *year > 9999)
        return {};
    return QDate(*year, *month, *day); // invalid when the day or month is out of range
}

std::optional<int> readDateNumber(QStringView text, int *digitCount)
{
    qsizetype pos = 0;
    int digits = 0;
    skipBlanks(text, pos);
    const std::optional<int> number = takeNumber(text, pos, &digits);
    skipBlanks(text, pos);
    if (!number || pos != text.size())
        return std::nullopt;
    if (digitCount)
        *digitCount = digits;
    return number;
}

QStringList PadImport::noteTexts() const
{
    QStringList texts;
    for (const ImportNote &note : notes)
        texts << note.text;
    return texts;
}

std::optional<PadDocument> loadPad(const QByteArray &bytes, const QDate &today, QString *errorReason)
{
    QString reason;
    std::optional<XmlDocument> xml = readXml(bytes, &reason);
    std::optional<PadImport> imported;
    if (xml)
        imported = importFrom(*xml, today, &reason);
    if (!imported) {
        if (errorReason)
            *errorReason = reason;
        return std::nullopt;
    }
    PadDocument document;
    document.bytes = bytes;
    document.xml = std::move(*xml);
    document.imported = std::move(*imported);
    // Leaves too many to list leave the document without them, not refused.
    if (const std::optional<std::vector<XmlLeaf>> leaves = document.xml.leaves(&reason)) {
        document.leaves.reserve(qsizetype(leaves->size()));
        QList<PathText> foreign;
        for (const XmlLeaf &leaf : *leaves) {
            const XmlElement &element = document.xml.elements[std::size_t(leaf.element)];
            (leaf.foreign ? foreign : document.leaves)
                << PathText{leaf.path, document.xml.elementText(element).value_or(QString())};
        }
        document.otherFields = otherFieldsOf(document.leaves, &document.kept);
        document.kept << foreign;
        document.unshownValues = unshownValues(document.xml, *leaves);
    }
    return document;
}

std::optional<PadDocument> loadPadFile(const QString &path, const QDate &today, QString *errorReason)
{
    QString reason;
    const std::optional<QByteArray> bytes = readFileBytes(path, &reason);
    if (!bytes) {
        if (errorReason)
            *errorReason = reason;
        return std::nullopt;
    }
    return loadPad(*bytes, today, errorReason);
}

std::optional<QString> beyondReadLimit(qint64 size)
{
    if (size <= MaxPadFileSize)
        return std::nullopt;
    return QStringLiteral("would be %1 bytes, larger than the %2 MiB that Quillet reads")
        .arg(size)
        .arg(MaxPadFileSize / (1024 * 1024));
}

QString importRefusal(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot import \"%1\": %2").arg(QDir::toNativeSeparators(path), reason);
}

} // namespace Pad
