// Feeds arbitrary bytes to the reader. Besides crashes and sanitizer reports
// it stops on an outcome the reader never promises: a refusal without a
// reason, values the form's lists cannot hold, a span of an element that
// does not cut its markup from a document that gives back the bytes, an
// element's text that does not follow from its content, or a leaf's path
// that does not say whether it is foreign to the format.
#include "padreader.h"

#include <QDate>
#include <QStringEncoder>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

const QStringList Paths{
    QStringLiteral("Company_Info/Company_Name"),
    QStringLiteral("Program_Info"),
    QStringLiteral("E"),
};

// The span of an element named name (empty: any) cuts its tags from document.
void checkSpan(const Pad::ElementSpan &span, const QString &document, QStringView name)
{
    const QStringView text(document);
    const bool emptyTag = span.contentStart == span.end;
    if (span.start < 0 || span.start >= span.contentStart || span.contentStart > span.contentEnd
        || span.contentEnd > span.end || span.end > text.size())
        fail("a span out of order");
    if (text[span.start] != u'<' || text[span.end - 1] != u'>'
        || !text.sliced(span.start + 1).startsWith(name))
        fail("a span that does not cut the element's tags");
    if (emptyTag ? (span.contentEnd != span.end || text[span.end - 2] != u'/')
                 : !text.sliced(span.contentEnd).startsWith(u"</"))
        fail("a span whose content does not end at the end tag");
    if (span.lastChildEnd >= 0
        && (span.lastChildEnd <= span.contentStart || span.lastChildEnd > span.contentEnd
            || text[span.lastChildEnd - 1] != u'>'))
        fail("a last child outside its parent");
}

// An element holds text or markup that is described, and content without
// markup, references or carriage returns reads exactly as it is written.
void checkText(const Pad::XmlDocument &found, const Pad::XmlElement &element)
{
    const std::optional<QString> text = found.elementText(element);
    if (text.has_value() == !found.markup(element).isEmpty())
        fail("an element with both text and markup, or with neither");
    const QStringView content =
        QStringView(found.text).sliced(element.span.contentStart, element.span.contentEnd - element.span.contentStart);
    const bool asWritten = !content.contains(u'<') && !content.contains(u'&') && !content.contains(u'\r');
    if (asWritten && text != content)
        fail("a text that does not read as its content is written");
}

void checkSpans(const QByteArray &bytes, const Pad::XmlDocument &found)
{
    checkSpan(found.root().span, found.text, found.qualifiedName(found.root()));
    for (const QString &path : Paths) {
        if (const Pad::XmlElement *element = found.find(path))
            checkSpan(element->span, found.text, {});
    }
    for (const Pad::XmlElement &element : found.elements) {
        checkSpan(element.span, found.text, found.qualifiedName(element));
        if ((element.firstChild >= 0) != (element.span.lastChildEnd >= 0))
            fail("a last child where there is none, or none where there is one");
        checkText(found, element);
    }
    QString reason;
    qsizetype previousEnd = 0;
    for (const Pad::XmlLeaf &leaf : found.leaves(&reason).value_or(std::vector<Pad::XmlLeaf>())) {
        const Pad::XmlElement &element = found.elements[std::size_t(leaf.element)];
        if (!leaf.path.endsWith(found.stepName(element)))
            fail("a leaf whose path does not end in its name");
        // No name holds ':' or '{' but the qualified name of a foreign step.
        if (leaf.foreign != (leaf.path.contains(u':') || leaf.path.contains(u'{')))
            fail("a leaf whose path does not say whether it is foreign");
        if (element.span.start < previousEnd || element.span.lastChildEnd >= 0)
            fail("leaves out of order, or one with a child");
        previousEnd = element.span.end;
    }
    // Qt's own encodings give back every byte they read.
    const std::optional<QStringConverter::Encoding> builtIn =
        QStringConverter::encodingForName(found.encoding.constData());
    if (builtIn && *builtIn != QStringConverter::System) {
        QStringEncoder encoder(*builtIn, found.byteOrderMark ? QStringConverter::Flag::WriteBom
                                                             : QStringConverter::Flag::Default);
        if (QByteArray(encoder.encode(found.text)) != bytes)
            fail("a document that does not give back the bytes");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString reason;
    const std::optional<Pad::PadDocument> document = Pad::loadPad(bytes, QDate(2026, 6, 15), &reason);
    const Pad::PadImport *read = document ? &document->imported : nullptr;
    if (!read) {
        if (reason.isEmpty())
            fail("refused without a reason");
    } else {
        if (!read->values.programType.isEmpty()
            && !Pad::ProgramTypeList().contains(read->values.programType))
            fail("a program type outside the list");
        for (const QString &os : read->values.osSupport) {
            if (!Pad::OsSupportList().contains(os))
                fail("an operating system outside the list");
        }
        if (QStringList(read->values.osSupport).removeDuplicates() != 0)
            fail("an operating system ticked twice");
        for (const QString &note : read->noteTexts()) {
            if (note.isEmpty() || note.contains(u'\n'))
                fail("a note that is not one line");
        }
    }

    QString xmlReason;
    if (const std::optional<Pad::XmlDocument> found = Pad::readXml(bytes, &xmlReason))
        checkSpans(bytes, *found);
    return 0;
}
