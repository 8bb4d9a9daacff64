#include "padreader.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <array>

namespace Pad {

namespace {

const QString RootName = QStringLiteral("XML_DIZ_INFO");

// The field map: its element paths below the document element, in step order,
// and the text field each step fills; the other five steps feed the program
// type, the OS list and the release date.
struct MapStep
{
    const char *path;
    std::optional<TextField> field;
};
constexpr std::array<MapStep, 18> fieldMap{{
    {"Company_Info/Company_Name", TextField::Company_Name},
    {"Company_Info/Company_WebSite_URL", TextField::Company_Website_URL},
    {"Company_Info/Contact_Info/Contact_Email", TextField::Contact_Email},
    {"Program_Info/Program_Name", TextField::Program_Name},
    {"Program_Info/Program_Version", TextField::Program_Version},
    {"Program_Info/Program_Type", std::nullopt},
    {"Program_Info/Program_Cost_Dollars", TextField::Program_Cost_Dollars},
    {"Program_Info/File_Info/File_Size_Bytes", TextField::File_Size_Bytes},
    {"Program_Descriptions/English/Keywords", TextField::Keywords},
    {"Program_Descriptions/English/Char_Desc_450", TextField::Char_Desc_450},
    {"Web_Info/Application_URLs/Application_Info_URL", TextField::Application_Info_URL},
    {"Web_Info/Application_URLs/Application_XML_File_URL", TextField::Application_XML_File_URL},
    {"Web_Info/Application_URLs/Application_Screenshot_URL", TextField::Application_Screenshot_URL},
    {"Web_Info/Download_URLs/Primary_Download_URL", TextField::Primary_Download_URL},
    {"Program_Info/Program_OS_Support", std::nullopt},
    {"Program_Info/Program_Release_Day", std::nullopt},
    {"Program_Info/Program_Release_Month", std::nullopt},
    {"Program_Info/Program_Release_Year", std::nullopt},
}};
enum : std::size_t { ProgramTypeStep = 5, OsSupportStep = 14, DayStep, MonthStep, YearStep };

// Without namespace processing an element has no local name of its own.
QString localNameOf(const QDomElement &element)
{
    const QString local = element.localName();
    if (!local.isEmpty())
        return local;
    const QString name = element.tagName();
    return name.mid(name.lastIndexOf(u':') + 1);
}

QString describeMarkup(const QDomElement &element)
{
    for (QDomNode child = element.firstChild(); !child.isNull(); child = child.nextSibling()) {
        switch (child.nodeType()) {
        case QDomNode::ElementNode:
            return QStringLiteral("a child element <%1>").arg(child.nodeName());
        case QDomNode::CommentNode:
            return QStringLiteral("a comment");
        case QDomNode::ProcessingInstructionNode:
            return QStringLiteral("a processing instruction");
        case QDomNode::EntityReferenceNode:
            return QStringLiteral("a reference to the entity &%1; that the reader does not resolve")
                .arg(child.nodeName());
        default:
            break;
        }
    }
    return QStringLiteral("several pieces of text and CDATA");
}

QString listedEntry(const QStringList &list, const QString &text)
{
    for (const QString &entry : list) {
        if (entry.compare(text, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
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

// Counted from 1, as the parser counts them.
QString lineAndColumn(const QString &text, qsizetype index)
{
    const qsizetype lineStart = text.lastIndexOf(u'\n', index - 1) + 1;
    const qsizetype line = text.left(lineStart).count(u'\n') + 1;
    return QStringLiteral("line %1, column %2").arg(line).arg(index - lineStart + 1);
}

// Qt 6.4's parser turns bytes that do not fit a declared encoding such as
// US-ASCII into U+FFFD without a word, and places its own encoding errors where
// it decoded rather than where the byte is; so the bytes are decoded once more
// here. Declared entities are refused because their expansion is unbounded: the
// parser limits each entity on its own, and one entity of a few thousand
// characters referenced from a file of kilobytes expands to gigabytes.
std::optional<QString> checkBeforeParsing(const QByteArray &bytes)
{
    QXmlStreamReader reader(bytes);
    bool started = false;
    QString encoding;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartDocument) {
            started = true;
            encoding = reader.documentEncoding().toString();
        }
        if (token == QXmlStreamReader::DTD && !reader.entityDeclarations().isEmpty())
            return QStringLiteral("its document type declares entities, which the reader does not accept");
        if (token == QXmlStreamReader::StartElement)
            break;
    }
    // Without a start the encoding is unknown; the full parse reports why.
    if (!started)
        return std::nullopt;

    std::optional<QStringConverter::Encoding> detected;
    if (encoding.isEmpty()) {
        detected = QStringConverter::encodingForData(bytes, u'<');
        if (!detected)
            detected = QStringConverter::Utf8;
    }
    const auto flags = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInvalidToNull;
    QStringDecoder decoder = detected ? QStringDecoder(*detected, flags)
                                      : QStringDecoder(encoding.toUtf8().constData(), flags);
    if (!decoder.isValid())
        return std::nullopt;
    const QString text = decoder.decode(bytes);
    if (!decoder.hasError())
        return std::nullopt;
    // XML text cannot hold U+0000, so the first one marks the first byte that did
    // not fit; only a sequence cut off at the very end still becomes U+FFFD.
    qsizetype bad = text.indexOf(QChar(0));
    if (bad < 0)
        bad = text.indexOf(QChar::ReplacementCharacter);
    const QString where = bad >= 0 ? QStringLiteral(" (%1)").arg(lineAndColumn(text, bad)) : QString();
    return QStringLiteral("it holds bytes that are not valid %1%2")
        .arg(encoding.isEmpty() ? QString::fromLatin1(QStringConverter::nameForEncoding(*detected))
                                : encoding,
             where);
}

} // namespace

void Split(QString text, QChar separator, QStringList &parts)
{
    qsizetype from = 0;
    do {
        qsizetype end = text.indexOf(separator, from);
        if (end < 0)
            end = text.size();
        parts.append(text.mid(from, end - from));
        from = end + 1;
    } while (from < text.size());
}

QDomElement findElement(const QDomDocument &document, const QString &path)
{
    QDomElement element = document.documentElement();
    if (path.isEmpty())
        return element;
    for (const QString &name : path.split(u'/')) {
        const QString namespaceUri = element.namespaceURI();
        QDomElement child = element.firstChildElement();
        while (!child.isNull()) {
            const bool named = child.tagName() == name || localNameOf(child) == name;
            if (named
                && (namespaceUri.isEmpty()
                    || child.namespaceURI().compare(namespaceUri, Qt::CaseInsensitive) == 0))
                break;
            child = child.nextSiblingElement();
        }
        if (child.isNull())
            return {};
        element = child;
    }
    return element;
}

std::optional<QString> elementText(const QDomElement &element)
{
    const QDomNode child = element.firstChild();
    if (child.isNull())
        return QString();
    if (!child.nextSibling().isNull())
        return std::nullopt;
    // toCharacterData() gives a null node for a CDATA section, hence the two casts.
    if (child.isCDATASection())
        return child.toCDATASection().data();
    if (child.isText())
        return child.toText().data();
    return std::nullopt;
}

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

std::optional<PadImport> importPadDocument(const QDomDocument &document, const QDate &today,
                                           QString *errorReason)
{
    const QDomElement root = document.documentElement();
    if (root.isNull() || localNameOf(root) != RootName) {
        if (errorReason) {
            *errorReason = root.isNull()
                               ? QStringLiteral("it holds no document element")
                               : QStringLiteral("its document element is <%1>, not <%2>")
                                     .arg(root.nodeName(), RootName);
        }
        return std::nullopt;
    }

    // Read in step order, so that the reason names the first element holding markup.
    std::array<QString, fieldMap.size()> texts;
    for (std::size_t i = 0; i < fieldMap.size(); ++i) {
        const QString path = QString::fromLatin1(fieldMap[i].path);
        const QDomElement element = findElement(document, path);
        std::optional<QString> text = elementText(element);
        if (!text) {
            if (errorReason) {
                *errorReason = QStringLiteral("the element %1/%2 holds %3 instead of plain text")
                                   .arg(RootName, path, describeMarkup(element));
            }
            return std::nullopt;
        }
        texts[i] = *text;
    }

    PadImport result;
    for (std::size_t i = 0; i < fieldMap.size(); ++i) {
        if (fieldMap[i].field)
            result.values.text(*fieldMap[i].field) = texts[i];
    }
    const QString &programType = texts[ProgramTypeStep];
    const QString &day = texts[DayStep];
    const QString &month = texts[MonthStep];
    const QString &year = texts[YearStep];

    result.values.programType = listedEntry(ProgramTypeList(), programType);
    if (programType.isEmpty())
        result.notes << QStringLiteral("Program Type: not given in the file");
    else if (!result.programTypeFound())
        result.notes << QStringLiteral("Program Type: %1 is not in the list").arg(programType);

    QStringList parts;
    Split(texts[OsSupportStep], u',', parts);
    QStringList ticked, unknown;
    for (const QString &rawPart : std::as_const(parts)) {
        const QString part = rawPart.simplified();
        if (part.isEmpty())
            continue;
        const QString entry = listedEntry(OsSupportList(), part);
        if (!entry.isEmpty())
            ticked << entry;
        else if (!unknown.contains(part, Qt::CaseInsensitive))
            unknown << part;
    }
    for (const QString &entry : OsSupportList()) {
        if (ticked.contains(entry))
            result.values.osSupport << entry;
    }
    if (ticked.isEmpty() && unknown.isEmpty())
        result.notes << QStringLiteral("OS Support: not given in the file");
    else if (!unknown.isEmpty())
        result.notes << QStringLiteral("OS Support: %1 %2 not in the list")
                            .arg(unknown.join(QStringLiteral(", ")),
                                 unknown.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"));

    const QString joined = month + u'/' + day + u'/' + year;
    result.values.releaseDate = readReleaseDate(joined, today);
    if (month.isEmpty() && day.isEmpty() && year.isEmpty())
        result.notes << QStringLiteral("Release Date: not given in the file");
    else if (!result.values.releaseDate.isValid())
        result.notes << QStringLiteral("Release Date: %1 is not a valid date").arg(joined);

    return result;
}

std::optional<PadImport> readPadFile(const QString &path, const QDate &today, QString *errorMessage)
{
    const auto refuse = [&](const QString &reason) -> std::optional<PadImport> {
        if (errorMessage) {
            *errorMessage = QStringLiteral("Cannot import \"%1\": %2")
                                .arg(QDir::toNativeSeparators(path), reason);
        }
        return std::nullopt;
    };

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("the file cannot be opened (%1)").arg(file.errorString()));
    if (file.size() > MaxPadFileSize)
        return refuse(QStringLiteral("the file is larger than 32 MiB"));
    // A device that reports no size is read only up to the limit and one byte more.
    const QByteArray bytes = file.isSequential() ? file.read(MaxPadFileSize + 1) : file.readAll();
    if (file.error() != QFileDevice::NoError)
        return refuse(QStringLiteral("the file cannot be read (%1)").arg(file.errorString()));
    if (bytes.size() > MaxPadFileSize)
        return refuse(QStringLiteral("the file is larger than 32 MiB"));

    if (const std::optional<QString> problem = checkBeforeParsing(bytes))
        return refuse(*problem);

    QDomDocument document;
    QString parserMessage;
    int line = 0;
    int column = 0;
    if (!document.setContent(bytes, true, &parserMessage, &line, &column)) {
        return refuse(QStringLiteral("it is not well-formed XML (line %1, column %2: %3)")
                          .arg(line)
                          .arg(column)
                          .arg(parserMessage));
    }

    QString reason;
    std::optional<PadImport> result = importPadDocument(document, today, &reason);
    if (!result)
        return refuse(reason);
    return result;
}

} // namespace Pad
