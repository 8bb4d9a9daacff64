#include "padupdate.h"

#include "padwriter.h"

#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <map>

namespace Pad {

namespace {

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

// How element, known to have no child elements, takes content: its start
// tag closed by itself opens up, otherwise the content is replaced.
Splice contentSplice(const XmlDocument &xml, const XmlElement &element, const QString &content)
{
    const ElementSpan &span = element.span;
    if (span.contentStart == span.end) {
        qsizetype slash = span.end - 2;
        while (slash > span.start && isXmlWhitespace(xml.text[slash - 1]))
            --slash;
        return {slash, span.end,
                u'>' + content + QStringLiteral("</") + xml.qualifiedName(element).toString() + u'>'};
    }
    return {span.contentStart, span.contentEnd, content};
}

// The prefix, without its colon, under which a new child of element is an
// element of the format: that of element's last child of the format, so
// that it is written as its siblings are, unless that child declares a
// namespace itself; otherwise element's own, which names its namespace.
QString newChildPrefix(const XmlDocument &xml, const XmlElement &element)
{
    const XmlElement *sibling = nullptr;
    for (qint32 child = element.firstChild; child >= 0; child = xml.elements[std::size_t(child)].nextSibling) {
        if (xml.isFormatElement(xml.elements[std::size_t(child)]))
            sibling = &xml.elements[std::size_t(child)];
    }
    const auto prefixOf = [&](const XmlElement &of) {
        return xml.qualifiedName(of).first(std::max(of.prefixLength - 1, 0)).toString();
    };
    if (sibling) {
        const QStringView startTag = QStringView(xml.text).mid(sibling->span.start,
                                                               sibling->span.contentStart - sibling->span.start);
        if (!startTag.contains(u"xmlns"))
            return prefixOf(*sibling);
    }
    return prefixOf(element);
}

// The splice that puts children into the existing element.
Splice insertionSplice(const XmlDocument &xml, const XmlElement &element, const std::vector<NewElement> &children)
{
    const QString &document = xml.text;
    const ElementSpan &span = element.span;
    const ElementSpan *parentSpan = element.parent < 0 ? nullptr : &xml.elements[std::size_t(element.parent)].span;
    const QString prefix = newChildPrefix(xml, element);

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
        return contentSplice(xml, element, markup);
    return {span.contentStart, span.contentStart, markup};
}

// The splice that takes out element with the line end and indentation before it.
Splice removalSplice(const QString &document, const ElementSpan &span)
{
    qsizetype from = span.start;
    while (from > 0 && isXmlWhitespace(document[from - 1]))
        --from;
    return {from, span.end, QString()};
}

// The edits as changes of the decoded document, in its order; nullopt with
// the reason when an edit would replace more than text.
std::optional<std::vector<Splice>> splicesFor(const XmlDocument &xml, const ElementEdits &edits,
                                              QString *errorReason)
{
    const QString &document = xml.text;
    std::vector<Splice> splices;
    // Elements to be made, under the nearest element the file has, in document order.
    std::map<const XmlElement *, NewElement> made;
    for (const ElementEdit &edit : edits.texts) {
        if (const XmlElement *element = xml.find(edit.path)) {
            if (!xml.elementText(*element)) {
                *errorReason = xml.notTextReason(edit.path, *element);
                return std::nullopt;
            }
            splices.push_back(contentSplice(xml, *element, escapeContent(edit.text)));
            continue;
        }
        const QStringList names = edit.path.split(u'/');
        const XmlElement *existing = &xml.root();
        qsizetype depth = 0;
        for (qsizetype d = names.size() - 1; d > 0 && depth == 0; --d) {
            if (const XmlElement *ancestor = xml.find(QStringList(names.mid(0, d)).join(u'/'))) {
                existing = ancestor;
                depth = d;
            }
        }
        NewElement *node = &made[existing];
        for (qsizetype d = depth; d < names.size(); ++d)
            node = &node->child(names[d]);
        node->text = edit.text;
    }
    for (const auto &[anchor, node] : made)
        splices.push_back(insertionSplice(xml, *anchor, node.children));
    for (const QString &path : edits.removals) {
        if (const XmlElement *element = xml.find(path))
            splices.push_back(removalSplice(document, element->span));
    }
    std::sort(splices.begin(), splices.end(), [](const Splice &a, const Splice &b) {
        return a.from != b.from ? a.from < b.from : a.to < b.to;
    });
    return splices;
}

// The original bytes with the splices made: the decoded document is encoded
// again piece by piece, and each piece must give back the very bytes it came
// from, so that every byte outside the splices is the file's own.
std::optional<QByteArray> spliceBytes(const QByteArray &bytes, const XmlDocument &found,
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
        const QByteArray encoded = encoder.encode(QStringView(found.text).mid(docPos, docEnd - docPos));
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
    if (!advance(found.text.size(), true) || bytePos != bytes.size())
        return unmappable();
    return out;
}

// The text of the element at path, empty when the file lacks it or it holds markup.
QString fileText(const PadDocument &file, const QString &path)
{
    const XmlElement *element = file.xml.find(path);
    return element ? file.xml.elementText(*element).value_or(QString()) : QString();
}

QString dateText(const QDate &date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

// The OS value to write: the ticked entries in the list's order, then the
// names of the file's own value that the list does not know, as spelled there.
QString osSupportText(const QStringList &ticked, const QString &fileText)
{
    return (inListOrder(ticked) + readOsNames(fileText, OsNameSpelling::AsWritten).unknown).join(u',');
}

// What an update will change, as the planners below find it.
struct Plan
{
    ElementEdits edits;
    QList<FieldChange> changes;

    void set(const QString &path, const QString &text) { edits.texts.push_back({path, text}); }
};

// Whether the file's text is how the reader reads the number: a month or
// day that stays keeps its digits, and a year also, unless it has one or
// two, whose century depends on the day it is read.
bool keepsNumber(const QString &text, int number, bool isYear)
{
    int digits = 0;
    return readDateNumber(text, &digits) == number && (!isYear || digits > 2);
}

void planReleaseDate(const PadDocument &file, const FormField &field, const QDate &date, Plan &plan)
{
    const QDate was = file.imported.values.releaseDate;
    if (!date.isValid() || date == was)
        return;
    const ReleaseDateNumbers numbers = releaseDateNumbers(date);
    const std::array<QString, 3> written{numbers.month, numbers.day, numbers.year};
    const std::array<int, 3> wanted{date.month(), date.day(), date.year()};
    QStringList fileParts;
    for (int i = 0; i < 3; ++i) {
        const QString text = fileText(file, field.paths[i]);
        fileParts << text;
        const bool isYear = i == 2;
        if (keepsNumber(text, wanted[i], isYear))
            continue;
        // A new month or day keeps two digits where the file wrote two, and
        // gets two, as the format gives them, where the file wrote nothing.
        int digits = 0;
        const bool twoDigits =
            !isYear && (text.trimmed().isEmpty() || (readDateNumber(text, &digits) && digits == 2));
        plan.set(field.paths[i], twoDigits ? written[i].rightJustified(2, u'0') : written[i]);
    }
    const QString fileDate = fileParts.join(QString()).isEmpty() ? QString() : fileParts.join(u'/');
    plan.changes << FieldChange{field.displayName, was.isValid() ? dateText(was) : fileDate, dateText(date)};
}

// The sizes in K and MB that follow a changed size in bytes, for those of
// the two elements the file has and the author does not set.
void planFollowingSizes(const PadDocument &file, const QString &sizeInBytes, const QList<PathText> &others,
                        Plan &plan)
{
    const auto follows = [&](const QString &path) {
        return file.xml.find(path) != nullptr
               && std::none_of(others.cbegin(), others.cend(), [&](const PathText &edit) { return edit.path == path; });
    };
    for (const PathText &size :
         followingFileSizes(sizeInBytes, follows(FileSizeKilobytesPath), follows(FileSizeMegabytesPath))) {
        const QString was = fileText(file, size.path);
        if (was == size.text)
            continue;
        plan.set(size.path, size.text);
        plan.changes << FieldChange{fieldDisplayName(size.path), was, size.text};
    }
}

// The window's fields, in its order, each where its value differs from the file's.
void planFormFields(const PadDocument &file, const PadValues &values, const QList<PathText> &others, Plan &plan)
{
    const PadValues &before = file.imported.values;
    for (const FormField &field : formFields()) {
        switch (field.kind) {
        case FieldKind::Text: {
            const QString &was = before.text(field.text);
            const QString &now = values.text(field.text);
            if (now == was)
                break;
            plan.set(field.path(), now);
            plan.changes << FieldChange{field.displayName, was, now};
            if (field.text == TextField::File_Size_Bytes)
                planFollowingSizes(file, now, others, plan);
            break;
        }
        case FieldKind::ReleaseDate:
            planReleaseDate(file, field, values.releaseDate, plan);
            break;
        case FieldKind::ProgramType:
            if (!values.programType.isEmpty() && values.programType != before.programType) {
                plan.set(field.path(), values.programType);
                plan.changes << FieldChange{field.displayName, fileText(file, field.path()), values.programType};
            }
            break;
        case FieldKind::OsSupport: {
            const QSet<QString> now(values.osSupport.cbegin(), values.osSupport.cend());
            const QSet<QString> was(before.osSupport.cbegin(), before.osSupport.cend());
            if (now != was) {
                const QString text = osSupportText(values.osSupport, fileText(file, field.path()));
                plan.set(field.path(), text);
                plan.changes << FieldChange{field.displayName, fileText(file, field.path()), text};
            }
            break;
        }
        }
    }
}

QString languageBlockPath(QStringView language)
{
    return QStringLiteral("%1/%2").arg(DescriptionsPath, language);
}

// The fields the window does not show, each where its value differs from
// the file's; a language's new block is named once.
void planOtherFields(const PadDocument &file, const QList<PathText> &others, Plan &plan)
{
    QStringList addedLanguages;
    for (const PathText &edit : others) {
        const XmlElement *element = file.xml.find(edit.path);
        if (element && file.xml.elementText(*element) == edit.text)
            continue;
        plan.set(edit.path, edit.text);
        const QStringView language = descriptionLanguage(edit.path);
        if (!language.isEmpty() && language != DefaultLanguage && !file.xml.find(languageBlockPath(language))
            && !addedLanguages.contains(language)) {
            addedLanguages << language.toString();
            plan.changes << FieldChange{QStringLiteral("Descriptions in %1").arg(language), QString(),
                                        QStringLiteral("added")};
        }
        // Of a new block, the elements given a value.
        if (element || !edit.text.isEmpty())
            plan.changes << FieldChange{fieldDisplayName(edit.path), fileText(file, edit.path), edit.text};
    }
}

void planRemovedLanguages(const PadDocument &file, const QStringList &languages, Plan &plan)
{
    for (const QString &language : languages) {
        const QString path = languageBlockPath(language);
        if (!file.xml.find(path))
            continue;
        plan.edits.removals << path;
        plan.changes << FieldChange{QStringLiteral("Descriptions in %1").arg(language), QStringLiteral("present"),
                                    QStringLiteral("removed")};
    }
}

// Whether the updated file gives back every value of the form as the update
// meant it: an invalid date and an empty type leave the file's, and the
// ticks come in the list's order.
bool formComesBack(const PadDocument &file, const PadValues &values, const PadDocument &back, QString *errorReason)
{
    PadValues expected = values;
    if (!values.releaseDate.isValid())
        expected.releaseDate = file.imported.values.releaseDate;
    if (values.programType.isEmpty())
        expected.programType = file.imported.values.programType;
    expected.osSupport = inListOrder(values.osSupport);
    const PadValues &got = back.imported.values;
    for (const FormField &field : formFields()) {
        // A date too far off for the ISO form of the text still differs.
        const bool same = field.kind == FieldKind::ReleaseDate
                              ? got.releaseDate == expected.releaseDate
                              : valueText(got, field) == valueText(expected, field);
        if (!same) {
            *errorReason = QStringLiteral("%1 would read back as \"%2\" instead of \"%3\"")
                               .arg(field.displayName, valueText(got, field), valueText(expected, field));
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<PadDocument> applyEdits(const PadDocument &document, const ElementEdits &edits,
                                      const QDate &today, QString *errorReason)
{
    for (const ElementEdit &edit : edits.texts) {
        if (firstNonXmlChar(edit.text) >= 0) {
            *errorReason = QStringLiteral("%1 holds a character that cannot be saved in a PAD file")
                               .arg(fieldDisplayName(edit.path));
            return std::nullopt;
        }
    }
    const std::optional<std::vector<Splice>> splices = splicesFor(document.xml, edits, errorReason);
    if (!splices)
        return std::nullopt;
    const std::optional<QByteArray> bytes = spliceBytes(document.bytes, document.xml, *splices, errorReason);
    if (!bytes)
        return std::nullopt;

    // What the reader would refuse to open again is no update.
    if (const std::optional<QString> tooLarge = beyondReadLimit(bytes->size())) {
        *errorReason = QStringLiteral("the updated file %1, so it could not be opened again").arg(*tooLarge);
        return std::nullopt;
    }
    QString reason;
    std::optional<PadDocument> back = loadPad(*bytes, today, &reason);
    if (!back) {
        *errorReason = QStringLiteral("the updated file would not read back: %1").arg(reason);
        return std::nullopt;
    }
    for (const ElementEdit &edit : edits.texts) {
        const XmlElement *element = back->xml.find(edit.path);
        const std::optional<QString> text = element ? back->xml.elementText(*element) : std::nullopt;
        if (text != edit.text) {
            *errorReason = QStringLiteral("%1 would read back as \"%2\" instead of \"%3\"")
                               .arg(fieldDisplayName(edit.path), text.value_or(QString()), edit.text);
            return std::nullopt;
        }
    }
    for (const QString &path : edits.removals) {
        if (back->xml.find(path)) {
            *errorReason = QStringLiteral("the element %1 would still be in the file").arg(path);
            return std::nullopt;
        }
    }
    return back;
}

OtherFieldEdits otherFieldEditsOf(const PadDocument &file, const OtherFields &fields)
{
    OtherFields held = file.otherFields;
    for (auto it = fields.values.cbegin(); it != fields.values.cend(); ++it) {
        if (held.values.contains(it.key()))
            continue;
        if (const XmlElement *element = file.xml.find(it.key()))
            held.values.insert(it.key(), file.xml.elementText(*element).value_or(QString()));
    }
    return otherFieldEdits(held, fields);
}

std::optional<PadUpdate> updatePad(const PadDocument &file, const PadValues &values,
                                   const OtherFieldEdits &others, const QDate &today,
                                   QString *errorReason)
{
    if (const std::optional<FieldProblem> problem = findUnsavableField(values)) {
        *errorReason = problem->message;
        return std::nullopt;
    }
    // The form owns its paths; the others come after them.
    QList<PathText> otherValues = others.values;
    otherValues.removeIf([](const PathText &edit) { return shownInWindow(edit.path); });

    Plan plan;
    planFormFields(file, values, otherValues, plan);
    planOtherFields(file, otherValues, plan);
    planRemovedLanguages(file, others.removedLanguages, plan);
    PadUpdate update{file.bytes, plan.changes, std::nullopt};
    if (plan.edits.isEmpty())
        return update;
    std::optional<PadDocument> back = applyEdits(file, plan.edits, today, errorReason);
    if (!back || !formComesBack(file, values, *back, errorReason))
        return std::nullopt;
    update.bytes = back->bytes;
    update.document = std::move(back);
    return update;
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
