#pragma once

#include "padform.h"

#include <QByteArray>
#include <QFlags>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace Pad {

// Files larger than this are refused before reading. Real PAD files are a few
// dozen kilobytes; at this size the slowest file to show (one long
// description) still appears in the window within half a second.
inline constexpr qint64 MaxPadFileSize = 1024 * 1024;

// A start tag or document type declaration longer than this many characters is
// refused as soon as the reader sees it: the XML reader compares every
// attribute of a start tag with every other one, so only a bound on the tag
// keeps the time linear. A PAD start tag carries a namespace declaration or two.
inline constexpr qsizetype MaxMarkupLength = 16 * 1024;

// More namespace declarations than this in scope at once are refused: the XML
// reader looks a prefix up by walking all of them, element after element.
inline constexpr qsizetype MaxNamespaceDeclarations = 1000;

// A note on unknown operating systems names at most this many, and stops
// earlier when the names would pass MaxOsNoteNamesLength characters (one long
// name is still named); it only counts the rest. Real PAD files name up to 35.
inline constexpr int MaxListedOsNames = 50;
inline constexpr qsizetype MaxOsNoteNamesLength = 2000;

// Appends to parts the pieces of text between separators; a separator at the
// very end yields no empty last piece, and an empty text one empty piece.
void Split(QString text, QChar separator, QStringList &parts);

// Reads "month/day/year" as written in a PAD file; today decides the century
// of one- and two-digit years. An invalid QDate when the text is no date.
QDate readReleaseDate(const QString &joined, const QDate &today);

// Where an element sits in ElementTexts::document, in UTF-16 code units.
struct ElementSpan
{
    qsizetype start = -1;        // the '<' of its start tag
    qsizetype contentStart = -1; // just after the start tag's '>'; == end for an empty-element tag <a/>
    qsizetype contentEnd = -1;   // the '<' of its end tag; == contentStart for <a/>
    qsizetype end = -1;          // just after its end tag's '>' (or after "/>")
    qsizetype lastChildEnd = -1; // just after the end of its last child element; -1 when it has none
    bool isValid() const { return start >= 0; }
};

// What one pass found at a path below the document element.
struct ElementText
{
    bool found = false;          // the path leads to an element
    std::optional<QString> text; // its text; nullopt when it holds markup
    QString markup;              // what the markup is, for a message
    ElementSpan span;            // valid when found
};

// An element that holds no child element, as ReadOption::CollectLeaves lists it.
struct ElementLeaf
{
    QString path;                // below the document element, names as the file writes them: "Program_Descriptions/German/Char_Desc_80"
    std::optional<QString> text; // as ElementText::text
    ElementSpan span;
};

// What one pass over a document found: its document element and the elements
// at paths below it.
struct ElementTexts
{
    QString rootName;      // qualified, as in the file
    QString rootLocalName;
    std::vector<ElementText> elements; // in the order of the paths
    QString document;      // the whole decoded text the offsets refer to, line ends as in the bytes
    ElementSpan rootSpan;  // the document element
    QByteArray encoding;   // a name QStringEncoder accepts for the bytes' encoding ("UTF-8", "windows-1252", "UTF-16LE", "Shift_JIS", ...)
    bool byteOrderMark = false;      // the bytes began with a BOM (not part of document)
    std::vector<ElementLeaf> leaves; // only when ReadOption::CollectLeaves was asked
};

enum class ReadOption {
    // Lists in ElementTexts::leaves every element below the document element
    // that holds no child element, in document order.
    CollectLeaves = 0x1,
};
Q_DECLARE_FLAGS(ReadOptions, ReadOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(ReadOptions)

// With CollectLeaves, a document whose leaves' paths add up to more than this
// many characters is refused: deep nesting around many small elements would
// otherwise make the list grow with the square of the file.
inline constexpr qsizetype MaxLeafPathsLength = 16 * 1024 * 1024;

// One pass over the XML document in bytes, keeping only the elements at paths
// ("Company_Info/Company_Name", below the document element). Each step takes
// the first child element whose name or local name matches exactly and, when
// the parent has a namespace, whose namespace matches the parent's (letter
// case aside). An element's text is the one piece of text or CDATA it holds
// (white space around a CDATA section aside), the empty text when it holds
// nothing, and nullopt when it holds an element, a comment, a processing
// instruction, an entity reference or several pieces. The bytes are decoded
// as the file declares (or its first bytes show), and a file that is not
// well-formed, holds bytes that do not fit its encoding, declares entities,
// or holds a too long start tag is refused with errorReason.
std::optional<ElementTexts> readElementTexts(const QByteArray &bytes, const QStringList &paths,
                                             QString *errorReason, ReadOptions options = {});

// The same for everything device holds; reading stops with a refusal past
// maxBytes bytes (-1: no limit).
std::optional<ElementTexts> readElementTexts(QIODevice &device, const QStringList &paths,
                                             QString *errorReason, qint64 maxBytes = -1,
                                             ReadOptions options = {});

// What an import takes from a document, before any field changes.
struct PadImport
{
    PadValues values;          // releaseDate is invalid when the file gave no valid date
    bool programTypeFound() const { return !values.programType.isEmpty(); }
    QStringList notes;         // what could not be taken over, one line each
};

// The paths of the field map below the document element, in step order.
const QStringList &padFieldPaths();
// The form's text field whose element is at path, if one is.
std::optional<TextField> textFieldAt(QStringView path);

// Maps what one pass found to the sixteen values, or gives the reason it
// cannot; found was read with padFieldPaths() first, and any paths after them.
std::optional<PadImport> importElementTexts(const ElementTexts &found, const QDate &today,
                                            QString *errorReason);

// Reads and maps a PAD document held in memory, whatever its size, or gives
// the reason it cannot.
std::optional<PadImport> readPadData(const QByteArray &bytes, const QDate &today,
                                     QString *errorReason);

// Reads, parses and maps the file at path. On failure errorMessage names the
// file and says what is wrong, and errorReason, when given, holds what is
// wrong alone.
std::optional<PadImport> readPadFile(const QString &path, const QDate &today,
                                     QString *errorMessage, QString *errorReason = nullptr);

// The bytes of the file at path as readPadFile reads them, refusing a file
// larger than MaxPadFileSize; errorReason says why not.
std::optional<QByteArray> readPadFileBytes(const QString &path, QString *errorReason);

} // namespace Pad
