#include "padupdate.h"

#include "padrules.h"
#include "padwriter.h"

#include <QDir>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <map>

namespace Pad {

namespace {

// Where each of the form's fields lives in a file, in the order of the window.
enum class Kind { Text, ReleaseDate, ProgramType, OsSupport };
struct FormField
{
    Kind kind;
    TextField field; // for Kind::Text
    const char *path;
};
constexpr std::array<FormField, 16> formFields{{
    {Kind::Text, TextField::Company_Name, "Company_Info/Company_Name"},
    {Kind::Text, TextField::Company_Website_URL, "Company_Info/Company_WebSite_URL"},
    {Kind::Text, TextField::Contact_Email, "Company_Info/Contact_Info/Contact_Email"},
    {Kind::Text, TextField::Program_Name, "Program_Info/Program_Name"},
    {Kind::Text, TextField::Program_Version, "Program_Info/Program_Version"},
    {Kind::ReleaseDate, {}, nullptr},
    {Kind::ProgramType, {}, "Program_Info/Program_Type"},
    {Kind::Text, TextField::Program_Cost_Dollars, "Program_Info/Program_Cost_Dollars"},
    {Kind::Text, TextField::File_Size_Bytes, "Program_Info/File_Info/File_Size_Bytes"},
    {Kind::OsSupport, {}, "Program_Info/Program_OS_Support"},
    {Kind::Text, TextField::Keywords, "Program_Descriptions/English/Keywords"},
    {Kind::Text, TextField::Char_Desc_450, "Program_Descriptions/English/Char_Desc_450"},
    {Kind::Text, TextField::Application_Info_URL, "Web_Info/Application_URLs/Application_Info_URL"},
    {Kind::Text, TextField::Application_XML_File_URL,
     "Web_Info/Application_URLs/Application_XML_File_URL"},
    {Kind::Text, TextField::Primary_Download_URL, "Web_Info/Download_URLs/Primary_Download_URL"},
    {Kind::Text, TextField::Application_Screenshot_URL,
     "Web_Info/Application_URLs/Application_Screenshot_URL"},
}};
// The release date's three elements, in the order they are written when made.
constexpr std::array<const char *, 3> datePaths{
    "Program_Info/Program_Release_Month",
    "Program_Info/Program_Release_Day",
    "Program_Info/Program_Release_Year",
};

bool isXmlWhitespace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// The paths given and every path leading to them, each once: an element that
// has to be made goes into the nearest of them that the file has.
QStringList withAncestors(const QStringList &paths)
{
    QStringList all = paths;
    for (const QString &path : paths) {
        for (qsizetype slash = path.indexOf(u'/'); slash > 0; slash = path.indexOf(u'/', slash + 1)) {
            const QString ancestor = path.left(slash);
            if (!all.contains(ancestor))
                all << ancestor;
        }
    }
    return all;
}

// The text as element content: escaped as the writer escapes, and a carriage
// return as a reference, since XML would read a raw one as a line feed.
QString escapeContent(const QString &text)
{
    QString escaped = htmlreplace(text);
    escaped.replace(u'\r', QLatin1String("&#13;"));
    return escaped;
}

// Encodes text in the named encoding, writing a character that the encoding
// cannot hold as a character reference. Only for text outside markup names,
// which are ASCII and so fit every encoding a PAD file uses.
QByteArray encodeText(const QString &text, const QByteArray &encoding)
{
    const auto fits = [&](const QString &piece, QByteArray *bytes) {
        QStringEncoder encoder(encoding.constData(), QStringConverter::Flag::Stateless);
        *bytes = encoder.encode(piece);
        if (encoder.hasError())
            return false;
        QStringDecoder decoder(encoding.constData(), QStringConverter::Flag::Stateless);
        const QString back = decoder.decode(*bytes);
        return !decoder.hasError() && back == piece;
    };
    QByteArray whole;
    if (fits(text, &whole))
        return whole;
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size()
                                         && text[i + 1].isLowSurrogate()
                                     ? 2
                                     : 1;
        const QString character = text.mid(i, length);
        QByteArray bytes;
        if (!fits(character, &bytes)) {
            const char32_t code = length == 2 ? QChar::surrogateToUcs4(text[i], text[i + 1])
                                              : char32_t(text[i].unicode());
            fits(QStringLiteral("&#%1;").arg(uint(code)), &bytes);
        }
        out += bytes;
        i += length - 1;
    }
    return out;
}

// How the children of an element are laid out: the line end and indentation
// that go before each one, and one step of indentation deeper. Inline (one
// line) when the file puts them on one line.
struct Layout
{
    QString lineEnd; // empty: the children stand on the parent's line
    QString indent;
    QString step;
    QString parentIndent;
};

// The white space that starts the line holding pos, and the line end before
// it; nullopt on the first line, which no line end precedes, and, when
// onlyBlanksBefore, when anything but blanks and tabs precedes pos on its line.
struct LineStart
{
    QString lineEnd;
    QString indent;
};
std::optional<LineStart> lineStartOf(const QString &document, qsizetype pos, bool onlyBlanksBefore)
{
    qsizetype start = pos;
    while (start > 0 && document[start - 1] != u'\n' && document[start - 1] != u'\r')
        --start;
    if (start == 0)
        return std::nullopt;
    qsizetype indentEnd = start;
    while (indentEnd < document.size() && (document[indentEnd] == u' ' || document[indentEnd] == u'\t'))
        ++indentEnd;
    if (onlyBlanksBefore && indentEnd != pos)
        return std::nullopt;
    LineStart line;
    line.indent = document.mid(start, indentEnd - start);
    line.lineEnd = document[start - 1] == u'\n' && start >= 2 && document[start - 2] == u'\r'
                       ? QStringLiteral("\r\n")
                       : QString(document[start - 1]);
    return line;
}

// The first line end of the document; empty when it has none.
QString firstLineEnd(const QString &document)
{
    for (qsizetype i = 0; i < document.size(); ++i) {
        if (document[i] == u'\r')
            return i + 1 < document.size() && document[i + 1] == u'\n' ? QStringLiteral("\r\n")
                                                                       : QStringLiteral("\r");
        if (document[i] == u'\n')
            return QStringLiteral("\n");
    }
    return {};
}

// One step of indentation as the document uses it: the white space that
// starts its first indented line, or a tab when no line is indented.
QString indentStep(const QString &document)
{
    for (qsizetype i = 0; i + 1 < document.size(); ++i) {
        if (document[i] != u'\n' && document[i] != u'\r')
            continue;
        qsizetype end = i + 1;
        while (end < document.size() && (document[end] == u' ' || document[end] == u'\t'))
            ++end;
        if (end > i + 1 && end < document.size() && document[end] == u'<')
            return document.mid(i + 1, end - i - 1);
    }
    return QStringLiteral("\t");
}

bool holdsLineBreak(QStringView text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

// The qualified name in the start tag of the element at span.
QString qualifiedName(const QString &document, const ElementSpan &span)
{
    qsizetype end = span.start + 1;
    while (end < document.size() && !isXmlWhitespace(document[end]) && document[end] != u'/'
           && document[end] != u'>')
        ++end;
    return document.mid(span.start + 1, end - span.start - 1);
}

// An element to be made, with the elements to be made inside it.
struct NewElement
{
    QString name;
    std::optional<QString> text; // for one that holds text
    std::vector<NewElement> children;

    NewElement &child(const QString &childName)
    {
        for (NewElement &existing : children) {
            if (existing.name == childName)
                return existing;
        }
        children.push_back({childName, std::nullopt, {}});
        return children.back();
    }
};

// The markup of element and what it holds, its children laid out from indent on.
QString markupOf(const NewElement &element, const QString &prefix, const Layout &layout,
                 const QString &indent)
{
    const QString name = prefix.isEmpty() ? element.name : prefix + u':' + element.name;
    QString markup = u'<' + name + u'>';
    if (element.text) {
        markup += escapeContent(*element.text);
    } else {
        const QString inner = layout.lineEnd.isEmpty() ? QString() : indent + layout.step;
        for (const NewElement &child : element.children)
            markup += layout.lineEnd + inner + markupOf(child, prefix, layout, inner);
        markup += layout.lineEnd + (layout.lineEnd.isEmpty() ? QString() : indent);
    }
    return markup + QStringLiteral("</") + name + u'>';
}

// One change of the document: the text from..to (offsets in the decoded
// document) becomes markup, given as XML text before encoding.
struct Splice
{
    qsizetype from;
    qsizetype to;
    QString markup;
};

// How element at span, known to have no child elements, takes content: its
// start tag closed by itself opens up, otherwise the content is replaced.
Splice contentSplice(const QString &document, const ElementSpan &span, const QString &content)
{
    if (span.contentStart == span.end) {
        qsizetype slash = span.end - 2;
        while (slash > span.start && isXmlWhitespace(document[slash - 1]))
            --slash;
        return {slash, span.end,
                u'>' + content + QStringLiteral("</") + qualifiedName(document, span) + u'>'};
    }
    return {span.contentStart, span.contentEnd, content};
}

// The splice that puts children into the existing element at span.
Splice insertionSplice(const QString &document, const ElementSpan &span, const ElementSpan *parentSpan,
                       const std::vector<NewElement> &children)
{
    const QString name = qualifiedName(document, span);
    const qsizetype colon = name.indexOf(u':');
    const QString prefix = colon > 0 ? name.left(colon) : QString();

    Layout layout;
    const std::optional<LineStart> own = lineStartOf(document, span.start, true);
    layout.parentIndent = own ? own->indent : QString();
    if (span.lastChildEnd >= 0) {
        // The siblings' line, read from the line where the last one ends.
        const bool onLines = holdsLineBreak(QStringView(document).mid(span.contentStart,
                                                                      span.lastChildEnd - span.contentStart));
        const std::optional<LineStart> last = lineStartOf(document, span.lastChildEnd, false);
        if (onLines && last) {
            layout.lineEnd = last->lineEnd;
            layout.indent = last->indent;
            layout.step = layout.indent.startsWith(layout.parentIndent)
                                  && layout.indent.size() > layout.parentIndent.size()
                              ? layout.indent.mid(layout.parentIndent.size())
                              : indentStep(document);
        }
    } else if (own) {
        layout.lineEnd = own->lineEnd;
        const std::optional<LineStart> parent =
            parentSpan ? lineStartOf(document, parentSpan->start, true) : std::nullopt;
        layout.step = parent && own->indent.startsWith(parent->indent)
                              && own->indent.size() > parent->indent.size()
                          ? own->indent.mid(parent->indent.size())
                          : indentStep(document);
        layout.indent = own->indent + layout.step;
    } else if (const QString lineEnd = firstLineEnd(document); !lineEnd.isEmpty()) {
        layout.lineEnd = lineEnd;
        layout.step = indentStep(document);
        layout.indent = layout.step;
    }

    QString markup;
    for (const NewElement &child : children)
        markup += layout.lineEnd + layout.indent + markupOf(child, prefix, layout, layout.indent);
    if (span.lastChildEnd >= 0)
        return {span.lastChildEnd, span.lastChildEnd, markup};
    // An element without children: its end tag goes on a line of its own,
    // unless the text it holds already ends one.
    const bool contentEndsLine = holdsLineBreak(QStringView(document).mid(span.contentStart,
                                                                        span.contentEnd - span.contentStart));
    if (!contentEndsLine && !layout.lineEnd.isEmpty())
        markup += layout.lineEnd + layout.parentIndent;
    if (span.contentStart == span.end)
        return contentSplice(document, span, markup);
    return {span.contentStart, span.contentStart, markup};
}

// The edits as changes of the decoded document. paths are those found was
// read with; edits name them by index.
struct IndexedEdit
{
    qsizetype path;
    QString text;
};
std::vector<Splice> splicesFor(const ElementTexts &found, const QStringList &paths,
                               const std::vector<IndexedEdit> &edits)
{
    const QString &document = found.document;
    std::vector<Splice> splices;
    // Elements to be made, under the nearest existing element: -1 is the document element.
    std::map<qsizetype, NewElement> made;
    for (const IndexedEdit &edit : edits) {
        const ElementText &element = found.elements[edit.path];
        if (element.found) {
            splices.push_back(contentSplice(document, element.span, escapeContent(edit.text)));
            continue;
        }
        const QStringList names = paths[edit.path].split(u'/');
        qsizetype existing = -1;
        qsizetype depth = 0;
        for (qsizetype d = names.size() - 1; d > 0; --d) {
            const qsizetype index = paths.indexOf(QStringList(names.mid(0, d)).join(u'/'));
            if (index >= 0 && found.elements[index].found) {
                existing = index;
                depth = d;
                break;
            }
        }
        NewElement *node = &made[existing];
        for (qsizetype d = depth; d < names.size(); ++d)
            node = &node->child(names[d]);
        node->text = edit.text;
    }
    for (const auto &[index, node] : made) {
        const ElementSpan &span = index < 0 ? found.rootSpan : found.elements[index].span;
        const ElementSpan *parentSpan = nullptr;
        if (index >= 0) {
            const qsizetype slash = paths[index].lastIndexOf(u'/');
            const qsizetype parent = slash < 0 ? -1 : paths.indexOf(paths[index].left(slash));
            parentSpan = parent < 0 ? &found.rootSpan : &found.elements[parent].span;
        }
        splices.push_back(insertionSplice(document, span, parentSpan, node.children));
    }
    std::sort(splices.begin(), splices.end(), [](const Splice &a, const Splice &b) {
        return a.from != b.from ? a.from < b.from : a.to < b.to;
    });
    return splices;
}

// The original bytes with the splices made: the decoded document is encoded
// again piece by piece, and each piece must give back the very bytes it came
// from, so that every byte outside the splices is the file's own.
std::optional<QByteArray> spliceBytes(const QByteArray &bytes, const ElementTexts &found,
                                      const std::vector<Splice> &splices, QString *errorReason)
{
    const auto unmappable = [&]() -> std::optional<QByteArray> {
        *errorReason = QStringLiteral("its text in %1 cannot be matched with its bytes, so it "
                                      "cannot be changed in place")
                           .arg(QString::fromLatin1(found.encoding));
        return std::nullopt;
    };
    QStringEncoder encoder(found.encoding.constData());
    if (!encoder.isValid())
        return unmappable();
    qsizetype bytePos = 0;
    if (found.byteOrderMark) {
        const QByteArray mark = QStringEncoder(found.encoding.constData()).encode(QString(QChar(0xfeff)));
        if (!bytes.startsWith(mark))
            return unmappable();
        bytePos = mark.size();
    }
    QByteArray out = bytes.left(bytePos);
    out.reserve(bytes.size() + 256);
    qsizetype docPos = 0;
    // Takes the document's text up to docEnd: its bytes must be the file's next ones.
    const auto advance = [&](qsizetype docEnd, bool keep) {
        const QByteArray encoded = encoder.encode(QStringView(found.document).mid(docPos, docEnd - docPos));
        if (encoder.hasError() || !QByteArrayView(bytes).sliced(bytePos).startsWith(encoded))
            return false;
        if (keep)
            out += encoded;
        bytePos += encoded.size();
        docPos = docEnd;
        return true;
    };
    for (const Splice &splice : splices) {
        if (splice.from < docPos || !advance(splice.from, true) || !advance(splice.to, false))
            return unmappable();
        out += encodeText(splice.markup, found.encoding);
    }
    if (!advance(found.document.size(), true) || bytePos != bytes.size())
        return unmappable();
    return out;
}

const QStringList &updatePaths()
{
    static const QStringList paths = withAncestors(padFieldPaths());
    return paths;
}

qsizetype pathIndex(const char *path)
{
    return updatePaths().indexOf(QLatin1String(path));
}

// The number at the start of the text, blanks aside; nullopt when it holds none.
std::optional<int> numberIn(const QString &text)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

// The OS value to write: the ticked entries in the list's order, then the
// names of the file's own value that the list does not know, as spelled there.
QString osSupportText(const QStringList &ticked, const QString &fileText)
{
    QStringList names;
    for (const QString &entry : OsSupportList()) {
        if (ticked.contains(entry))
            names << entry;
    }
    QSet<QString> known;
    for (const QString &entry : OsSupportList())
        known.insert(entry.toCaseFolded());
    QStringList parts;
    Split(fileText, u',', parts);
    QSet<QString> seen;
    for (const QString &part : std::as_const(parts)) {
        const QString folded = part.simplified().toCaseFolded();
        if (folded.isEmpty() || known.contains(folded) || seen.contains(folded))
            continue;
        seen.insert(folded);
        names << part.trimmed();
    }
    return names.join(u',');
}

QString dateText(const QDate &date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

// The values of a document, read with padFieldPaths() and its leaves, that
// the form does not show, as path and text joined by a line feed. Blank
// texts are no values.
QStringList valuesNotShown(const ElementTexts &found)
{
    QSet<qsizetype> shown;
    for (qsizetype i = 0; i < padFieldPaths().size(); ++i) {
        if (found.elements[i].found)
            shown.insert(found.elements[i].span.start);
    }
    QStringList values;
    for (const ElementLeaf &leaf : found.leaves) {
        if (shown.contains(leaf.span.start) || (leaf.text && leaf.text->trimmed().isEmpty()))
            continue;
        values << leaf.path + u'\n' + leaf.text.value_or(QStringLiteral("(markup)"));
    }
    return values;
}

// Those of the values that Generate writes itself, such as its version stamp:
// a file's value equal to one of them is not lost by Generate.
const QSet<QString> &generatedConstants()
{
    static const QSet<QString> constants = [] {
        QString reason;
        const std::optional<ElementTexts> written =
            readElementTexts(padFileBytes(PadOutputLines(PadValues())), padFieldPaths(), &reason,
                             ReadOption::CollectLeaves);
        Q_ASSERT(written);
        const QStringList values = valuesNotShown(*written);
        return QSet<QString>(values.cbegin(), values.cend());
    }();
    return constants;
}

int unshownValues(const ElementTexts &found)
{
    const QStringList values = valuesNotShown(found);
    return int(std::count_if(values.cbegin(), values.cend(), [](const QString &value) {
        return !generatedConstants().contains(value);
    }));
}

} // namespace

std::optional<QByteArray> applyElementEdits(const QByteArray &bytes,
                                            const std::vector<ElementEdit> &edits,
                                            QString *errorReason)
{
    QStringList editPaths;
    for (const ElementEdit &edit : edits) {
        if (firstNonXmlChar(edit.text) >= 0) {
            *errorReason = QStringLiteral("the text for %1 holds a character that cannot be "
                                          "saved in a PAD file")
                               .arg(edit.path);
            return std::nullopt;
        }
        editPaths << edit.path;
    }
    const QStringList paths = withAncestors(editPaths);
    const std::optional<ElementTexts> found = readElementTexts(bytes, paths, errorReason);
    if (!found)
        return std::nullopt;
    for (qsizetype i = 0; i < qsizetype(edits.size()); ++i) {
        if (found->elements[i].found && !found->elements[i].text) {
            *errorReason = QStringLiteral("the element %1 holds %2 instead of plain text")
                               .arg(edits[i].path, found->elements[i].markup);
            return std::nullopt;
        }
    }
    std::vector<IndexedEdit> indexed;
    for (qsizetype i = 0; i < qsizetype(edits.size()); ++i)
        indexed.push_back({i, edits[i].text});
    std::optional<QByteArray> result = spliceBytes(bytes, *found, splicesFor(*found, paths, indexed), errorReason);
    if (!result)
        return std::nullopt;
    QString reason;
    const std::optional<ElementTexts> back = readElementTexts(*result, editPaths, &reason);
    if (!back) {
        *errorReason = QStringLiteral("the changed file would not read back: %1").arg(reason);
        return std::nullopt;
    }
    for (qsizetype i = 0; i < qsizetype(edits.size()); ++i) {
        if (back->elements[i].text != edits[i].text) {
            *errorReason = QStringLiteral("%1 would read back as \"%2\" instead of \"%3\"")
                               .arg(edits[i].path, back->elements[i].text.value_or(QString()),
                                    edits[i].text);
            return std::nullopt;
        }
    }
    return result;
}

std::optional<PadUpdate> updatePadData(const QByteArray &bytes, const PadValues &values,
                                       const QDate &today, QString *errorReason)
{
    return updatePadData(bytes, values, OtherFieldEdits(), today, errorReason);
}

std::optional<PadUpdate> updatePadData(const QByteArray &bytes, const PadValues &values,
                                       const OtherFieldEdits &others, const QDate &today,
                                       QString *errorReason)
{
    if (const std::optional<FieldProblem> problem = findUnsavableField(values)) {
        *errorReason = problem->message;
        return std::nullopt;
    }
    // The form owns its paths; the others come after them.
    QList<PathText> otherEdits = others.values;
    otherEdits.removeIf([](const PathText &edit) { return shownInWindow(edit.path); });
    for (const PathText &edit : std::as_const(otherEdits)) {
        if (firstNonXmlChar(edit.text) >= 0) {
            *errorReason = QStringLiteral("%1 holds a character that cannot be saved in a PAD file")
                               .arg(fieldDisplayName(edit.path));
            return std::nullopt;
        }
    }
    const auto blockPath = [](const QString &language) {
        return QStringLiteral("%1/%2").arg(DescriptionsPath, language);
    };
    QStringList paths = updatePaths();
    {
        QStringList beyond{FileSizeKilobytesPath, FileSizeMegabytesPath};
        for (const PathText &edit : std::as_const(otherEdits))
            beyond << edit.path;
        for (const QString &language : others.removedLanguages)
            beyond << blockPath(language);
        for (const QString &path : withAncestors(beyond)) {
            if (!paths.contains(path))
                paths << path;
        }
    }
    const std::optional<ElementTexts> found = readElementTexts(bytes, paths, errorReason);
    if (!found)
        return std::nullopt;
    const std::optional<PadImport> before = importElementTexts(*found, today, errorReason);
    if (!before)
        return std::nullopt;
    const auto fileText = [&](const char *path) {
        return found->elements[pathIndex(path)].text.value_or(QString());
    };

    PadUpdate update;
    std::vector<IndexedEdit> edits;
    const auto edit = [&](const char *path, const QString &text) {
        edits.push_back({pathIndex(path), text});
    };
    for (const FormField &field : formFields) {
        switch (field.kind) {
        case Kind::Text: {
            const QString &was = before->values.text(field.field);
            const QString &now = values.text(field.field);
            if (now != was) {
                edit(field.path, now);
                update.changes << FieldChange{displayName(field.field), was, now};
            }
            break;
        }
        case Kind::ReleaseDate: {
            const QDate was = before->values.releaseDate;
            if (!values.releaseDate.isValid() || values.releaseDate == was)
                break;
            const ReleaseDateNumbers numbers = releaseDateNumbers(values.releaseDate);
            const std::array<QString, 3> written{numbers.month, numbers.day, numbers.year};
            const std::array<int, 2> wanted{values.releaseDate.month(), values.releaseDate.day()};
            QStringList fileParts;
            for (std::size_t i = 0; i < datePaths.size(); ++i) {
                const QString file = fileText(datePaths[i]);
                fileParts << file;
                if (i < 2) {
                    // Month and day keep a number that stays, and their two digits.
                    if (numberIn(file) == wanted[i])
                        continue;
                    const QString trimmed = file.trimmed();
                    const bool twoDigits = trimmed.size() == 2 && trimmed[0].isDigit() && trimmed[1].isDigit();
                    edit(datePaths[i], twoDigits ? written[i].rightJustified(2, u'0') : written[i]);
                } else if (file.trimmed() != written[i]) {
                    edit(datePaths[i], written[i]);
                }
            }
            const bool fileHasDate = !fileParts.join(QString()).isEmpty();
            update.changes << FieldChange{
                displayName(PickedField::Release_Date),
                was.isValid() ? dateText(was)
                              : (fileHasDate ? fileParts.join(u'/') : QString()),
                dateText(values.releaseDate)};
            break;
        }
        case Kind::ProgramType:
            if (!values.programType.isEmpty() && values.programType != before->values.programType) {
                edit(field.path, values.programType);
                update.changes << FieldChange{displayName(PickedField::Program_Type),
                                              fileText(field.path), values.programType};
            }
            break;
        case Kind::OsSupport: {
            const QSet<QString> now(values.osSupport.cbegin(), values.osSupport.cend());
            const QSet<QString> was(before->values.osSupport.cbegin(), before->values.osSupport.cend());
            if (now != was) {
                const QString text = osSupportText(values.osSupport, fileText(field.path));
                edit(field.path, text);
                update.changes << FieldChange{displayName(PickedField::Program_OS_Support),
                                              fileText(field.path), text};
            }
            break;
        }
        }
    }
    // Beyond the form: the sizes that follow its file size, the other fields, the languages that go.
    QList<PathText> beyondForm;
    const bool sizeChanged = std::any_of(edits.cbegin(), edits.cend(), [](const IndexedEdit &edit) {
        return edit.path == pathIndex("Program_Info/File_Info/File_Size_Bytes");
    });
    if (sizeChanged) {
        const auto present = [&](const QString &path) {
            const ElementText &element = found->elements[paths.indexOf(path)];
            const bool setByOthers = std::any_of(otherEdits.cbegin(), otherEdits.cend(),
                                                 [&](const PathText &edit) { return edit.path == path; });
            return element.found && !setByOthers;
        };
        for (const PathText &size :
             followingFileSizes(values.text(TextField::File_Size_Bytes), present(FileSizeKilobytesPath),
                                present(FileSizeMegabytesPath))) {
            if (found->elements[paths.indexOf(size.path)].text != size.text)
                beyondForm << size;
        }
    }
    // The sizes that follow are named right after the size they follow.
    qsizetype followingAt = -1;
    for (qsizetype i = 0; i < update.changes.size(); ++i) {
        if (update.changes[i].field == displayName(TextField::File_Size_Bytes))
            followingAt = i + 1;
    }
    const qsizetype following = beyondForm.size();
    QStringList addedLanguages;
    beyondForm << otherEdits;
    for (qsizetype i = 0; i < beyondForm.size(); ++i) {
        const PathText &edit = beyondForm[i];
        const qsizetype index = paths.indexOf(edit.path);
        const ElementText &element = found->elements[index];
        if (element.found && !element.text) {
            *errorReason = QStringLiteral("the element %1/%2 holds %3 instead of plain text")
                               .arg(found->rootName, edit.path, element.markup);
            return std::nullopt;
        }
        if (element.found && element.text == edit.text)
            continue;
        edits.push_back({index, edit.text});
        // A language's new block is named once; of its elements, those given a value.
        const QStringView language = descriptionLanguage(edit.path);
        if (!language.isEmpty() && language != DefaultLanguage
            && !found->elements[paths.indexOf(blockPath(language.toString()))].found
            && !addedLanguages.contains(language)) {
            addedLanguages << language.toString();
            update.changes << FieldChange{QStringLiteral("Descriptions in %1").arg(language), QString(),
                                          QStringLiteral("added")};
        }
        if (!element.found && edit.text.isEmpty())
            continue;
        const FieldChange change{fieldDisplayName(edit.path), element.text.value_or(QString()), edit.text};
        if (i < following && followingAt >= 0)
            update.changes.insert(followingAt++, change);
        else
            update.changes << change;
    }
    std::vector<Splice> removals;
    QStringList removedBlocks;
    for (const QString &language : others.removedLanguages) {
        const ElementText &block = found->elements[paths.indexOf(blockPath(language))];
        if (!block.found)
            continue;
        // The block goes with the line end and indentation before it.
        qsizetype from = block.span.start;
        while (from > 0 && isXmlWhitespace(found->document[from - 1]))
            --from;
        removals.push_back({from, block.span.end, QString()});
        removedBlocks << blockPath(language);
        update.changes << FieldChange{QStringLiteral("Descriptions in %1").arg(language),
                                      QStringLiteral("present"), QStringLiteral("removed")};
    }
    if (edits.empty() && removals.empty()) {
        update.bytes = bytes;
        return update;
    }

    std::vector<Splice> splices = splicesFor(*found, paths, edits);
    splices.insert(splices.end(), removals.begin(), removals.end());
    std::sort(splices.begin(), splices.end(), [](const Splice &a, const Splice &b) {
        return a.from != b.from ? a.from < b.from : a.to < b.to;
    });
    std::optional<QByteArray> changed = spliceBytes(bytes, *found, splices, errorReason);
    if (!changed)
        return std::nullopt;
    update.bytes = std::move(*changed);

    // The other fields come back as written, and the removed blocks are gone.
    if (!beyondForm.isEmpty() || !removedBlocks.isEmpty()) {
        QStringList checked;
        for (const PathText &edit : std::as_const(beyondForm))
            checked << edit.path;
        checked << removedBlocks;
        QString reason;
        const std::optional<ElementTexts> back = readElementTexts(update.bytes, checked, &reason);
        if (!back) {
            *errorReason = QStringLiteral("the updated file would not read back: %1").arg(reason);
            return std::nullopt;
        }
        for (qsizetype i = 0; i < beyondForm.size(); ++i) {
            if (back->elements[i].text != beyondForm[i].text) {
                *errorReason = QStringLiteral("%1 would read back as \"%2\" instead of \"%3\"")
                                   .arg(fieldDisplayName(beyondForm[i].path),
                                        back->elements[i].text.value_or(QString()), beyondForm[i].text);
                return std::nullopt;
            }
        }
        for (qsizetype i = 0; i < removedBlocks.size(); ++i) {
            if (back->elements[beyondForm.size() + i].found) {
                *errorReason = QStringLiteral("%1 would still hold a block %2")
                                   .arg(QString(DescriptionsPath), removedBlocks[i].section(u'/', -1));
                return std::nullopt;
            }
        }
    }

    // Read back as the window would import it: every value must come back.
    QString reason;
    const std::optional<PadImport> back = readPadData(update.bytes, today, &reason);
    if (!back) {
        *errorReason = QStringLiteral("the updated file would not read back: %1").arg(reason);
        return std::nullopt;
    }
    PadValues expected = values;
    if (!values.releaseDate.isValid())
        expected.releaseDate = before->values.releaseDate;
    if (values.programType.isEmpty())
        expected.programType = before->values.programType;
    expected.osSupport.clear();
    for (const QString &entry : OsSupportList()) {
        if (values.osSupport.contains(entry))
            expected.osSupport << entry;
    }
    const auto refuse = [&](const QString &field, const QString &got, const QString &wanted) {
        *errorReason = QStringLiteral("%1 would read back as \"%2\" instead of \"%3\"")
                           .arg(field, got, wanted);
        return std::nullopt;
    };
    for (int i = 0; i < TextFieldCount; ++i) {
        const auto field = static_cast<TextField>(i);
        if (back->values.text(field) != expected.text(field))
            return refuse(displayName(field), back->values.text(field), expected.text(field));
    }
    if (back->values.releaseDate != expected.releaseDate) {
        return refuse(displayName(PickedField::Release_Date), dateText(back->values.releaseDate),
                      dateText(expected.releaseDate));
    }
    if (back->values.programType != expected.programType)
        return refuse(displayName(PickedField::Program_Type), back->values.programType, expected.programType);
    if (back->values.osSupport != expected.osSupport) {
        return refuse(displayName(PickedField::Program_OS_Support), back->values.osSupport.join(u','),
                      expected.osSupport.join(u','));
    }
    return update;
}

std::optional<PadSource> readPadSource(const QString &path, const QDate &today,
                                       QString *errorMessage, QString *errorReason)
{
    const auto refuse = [&](const QString &reason) -> std::optional<PadSource> {
        if (errorReason)
            *errorReason = reason;
        if (errorMessage) {
            *errorMessage = QStringLiteral("Cannot import \"%1\": %2")
                                .arg(QDir::toNativeSeparators(path), reason);
        }
        return std::nullopt;
    };
    QString reason;
    std::optional<QByteArray> bytes = readPadFileBytes(path, &reason);
    if (!bytes)
        return refuse(reason);
    PadSource source;
    source.bytes = std::move(*bytes);
    const std::optional<ElementTexts> found =
        readElementTexts(source.bytes, padFieldPaths(), &reason, ReadOption::CollectLeaves);
    if (!found) {
        // Only listing the leaves refused it: the import still decides.
        std::optional<PadImport> imported = readPadData(source.bytes, today, &reason);
        if (!imported)
            return refuse(reason);
        source.imported = std::move(*imported);
        return source;
    }
    std::optional<PadImport> imported = importElementTexts(*found, today, &reason);
    if (!imported)
        return refuse(reason);
    source.imported = std::move(*imported);
    source.unshownValues = unshownValues(*found);
    QList<PathText> leaves;
    for (const ElementLeaf &leaf : found->leaves)
        leaves << PathText{leaf.path, leaf.text.value_or(QString())};
    source.otherFields = otherFieldsOf(leaves, &source.kept);
    return source;
}

QString updateSummary(const QString &fileName, const QList<FieldChange> &changes)
{
    if (changes.isEmpty())
        return QStringLiteral("Nothing changed in %1").arg(fileName);
    QStringList fields;
    for (const FieldChange &change : changes)
        fields << change.field;
    return QStringLiteral("Updated %1: %2").arg(fileName, fields.join(QStringLiteral(", ")));
}

} // namespace Pad
