#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <limits>
#include <optional>
#include <vector>

namespace Pad {

// A start tag or document type declaration longer than this many characters is
// refused as soon as the reader sees it: the XML reader compares every
// attribute of a start tag with every other one, so only a bound on the tag
// keeps the time linear. A PAD start tag carries a namespace declaration or two.
inline constexpr qsizetype MaxMarkupLength = 16 * 1024;

// More namespace declarations than this in scope at once are refused: the XML
// reader looks a prefix up by walking all of them, element after element.
inline constexpr qsizetype MaxNamespaceDeclarations = 1000;

// A document whose leaves' paths add up to more than this many characters
// cannot list them: deep nesting around many small elements would otherwise
// make the list grow with the square of the file.
inline constexpr qsizetype MaxLeafPathsLength = 16 * 1024 * 1024;

// A document longer than this, in bytes or in decoded characters, is refused:
// an element keeps where it sits in 32 bits, which keeps the record of each
// of many small elements small.
inline constexpr qsizetype MaxDocumentLength = std::numeric_limits<qint32>::max();

// Where an element sits in XmlDocument::text, in UTF-16 code units.
struct ElementSpan
{
    qint32 start = -1;        // the '<' of its start tag
    qint32 contentStart = -1; // just after the start tag's '>'; == end for an empty-element tag <a/>
    qint32 contentEnd = -1;   // the '<' of its end tag; == contentStart for <a/>
    qint32 end = -1;          // just after its end tag's '>' (or after "/>")
    qint32 lastChildEnd = -1; // just after the end of its last child element; -1 when it has none
    bool isValid() const { return start >= 0; }
};

// One element of a document. What it holds is read through the document:
// XmlDocument::elementText() and XmlDocument::markup().
struct XmlElement
{
    // held: its text is its content exactly as the file writes it.
    static constexpr qint32 HoldsContent = -1;
    // held: it holds markup, a child element first, which its first child names.
    static constexpr qint32 HoldsChildFirst = -2;
    // held at or below this: it holds other markup first, which
    // XmlDocument::markupsFound[HoldsOtherMarkup - held] describes.
    static constexpr qint32 HoldsOtherMarkup = -3;

    ElementSpan span;
    qint32 parent = -1; // indexes into XmlDocument::elements; -1: none
    qint32 firstChild = -1;
    qint32 nextSibling = -1;
    qint32 nameLength = 0;  // of the qualified name, which follows the '<' at span.start
    qint32 prefixLength = 0; // of the prefix with its colon; 0 without one
    qint32 namespaceIndex = -1; // into XmlDocument::namespaces; -1: none
    qint32 pathLength = 0;   // of its path below the document element, as XmlDocument::stepName() names each step
    // HoldsContent, HoldsChildFirst, at most HoldsOtherMarkup, or from 0 on
    // an index into XmlDocument::decodedTexts for a text that its content
    // does not spell as it reads, or that is long.
    qint32 held = HoldsChildFirst;
};

// An element that holds no child element, with its path below the document
// element as XmlDocument::stepName() names each step. For an element of the
// format, that is the path find() takes: "Program_Descriptions/German/Char_Desc_80"
// also for <p:Program_Descriptions><p:German><p:Char_Desc_80>.
struct XmlLeaf
{
    QString path;
    qint32 element;
    bool foreign = false; // it or an element around it is not the format's
};

// A well-formed XML document: its decoded text, how its bytes encode it, and
// its elements with where each sits in the text.
struct XmlDocument
{
    QString text;           // the whole decoded text, line ends as in the bytes
    QByteArray encoding;    // a name QStringEncoder accepts ("UTF-8", "windows-1252", "UTF-16LE", "Shift_JIS", ...)
    bool byteOrderMark = false;    // the bytes began with a BOM (not part of text)
    std::vector<XmlElement> elements; // in document order; the first is the document element
    QStringList namespaces;
    // The texts of elements whose content does not read as it is written
    // (references, CDATA, carriage returns), and those long enough that the
    // callers had better share one copy; see XmlElement::held.
    QStringList decodedTexts;
    // The first markup but a child element met in elements that hold
    // markup; see XmlElement::held.
    QStringList markupsFound;

    const XmlElement &root() const { return elements.front(); }

    // Whether element, below the document element, is the format's own.
    // The format has no namespace of its own; a file may put its elements in
    // one, the document element's, under any prefix or as the default. So an
    // element in the document element's namespace (letter case aside) or in
    // none is the format's, and one in any other namespace is foreign, as is
    // everything inside it: kept as the file has it, never read, edited or
    // checked as a field. Every lookup, leaf and update goes by this test.
    bool isFormatElement(const XmlElement &element) const;
    // How a path names element: by its local name when it is the format's,
    // otherwise by its qualified name ("ext:Char_Desc_80"), or, without a
    // prefix, by its namespace in braces and its local name
    // ("{urn:vendor}Char_Desc_80"), so that no foreign element shares a
    // path with one of the format.
    QString stepName(const XmlElement &element) const;
    QStringView qualifiedName(const XmlElement &element) const;
    QStringView localName(const XmlElement &element) const;
    QStringView namespaceUri(const XmlElement &element) const;
    // The element's text: the one piece of text or CDATA it holds (white
    // space around a CDATA section aside), the empty text when it holds
    // nothing; nullopt when it holds an element, a comment, a processing
    // instruction, an entity reference or several pieces, which markup()
    // describes.
    std::optional<QString> elementText(const XmlElement &element) const;
    // What keeps the element from holding text, the first met: "a child
    // element <b>", "a comment" and so on; empty when it holds text.
    QString markup(const XmlElement &element) const;
    // Why the element at path cannot be read or written as text: "the element
    // XML_DIZ_INFO/Program_Info/Program_Name holds a comment instead of plain text".
    QString notTextReason(QStringView path, const XmlElement &element) const;

    // The element of the format at path below the document element
    // ("Company_Info/Company_Name"; an empty path is the document element),
    // or nullptr. Each step takes the first child element of the format
    // (isFormatElement()) whose local name is the step's.
    const XmlElement *find(QStringView path) const;

    // Every element below the document element that holds no child element,
    // in document order, the foreign ones marked; nullopt, with the reason,
    // when their paths add up to more than MaxLeafPathsLength characters.
    std::optional<std::vector<XmlLeaf>> leaves(QString *reason) const;
};

// Reads an XML document from its bytes, decoded as it declares (or its
// first bytes show). A document that is not well-formed, holds bytes that do
// not fit its encoding or characters XML does not allow, declares entities,
// holds a too long start tag or too many namespaces at once, or is longer
// than MaxDocumentLength is refused with the reason, which names where.
std::optional<XmlDocument> readXml(const QByteArray &bytes, QString *reason);

// The line and column of index in text as the reader's messages count them:
// lines end at LF, and a column counts UTF-16 code units from 1.
struct TextPosition
{
    qsizetype line;
    qsizetype column;
};
TextPosition positionOf(QStringView text, qsizetype index);

} // namespace Pad
