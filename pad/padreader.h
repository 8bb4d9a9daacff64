#pragma once

#include "padfields.h"
#include "padform.h"
#include "xmldocument.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace Pad {

// Files larger than this are refused before reading. Real PAD files are a few
// dozen kilobytes; at this size the slowest file to show (one long
// description) still appears in the window within half a second.
inline constexpr qint64 MaxPadFileSize = 1024 * 1024;

// Why a file of size bytes that Quillet writes could not be read again:
// "would be 1200000 bytes, larger than the 1 MiB that Quillet reads";
// nullopt when the reader takes that size.
std::optional<QString> beyondReadLimit(qint64 size);

// A note on unknown operating systems names at most this many, and stops
// earlier when the names would pass MaxOsNoteNamesLength characters; it only
// counts the rest. Real PAD files name up to 35.
inline constexpr int MaxListedOsNames = 50;
inline constexpr qsizetype MaxOsNoteNamesLength = 2000;

// Reads "month/day/year" as written in a PAD file; today decides the century
// of one- and two-digit years. An invalid QDate when the text is no date.
QDate readReleaseDate(const QString &joined, const QDate &today);

// One number of a release date as the reader takes it from its element
// alone: blanks, digits (at most four after any leading zeros), blanks.
// nullopt when the text is anything else; digitCount, when given, counts the
// digits written.
std::optional<int> readDateNumber(QStringView text, int *digitCount = nullptr);

// What an import could not take over of one of the form's fields, on one line.
struct ImportNote
{
    FieldKind field;
    QString text;
    bool operator==(const ImportNote &) const = default;
};

// What an import takes from a document, before any field changes.
struct PadImport
{
    PadValues values;          // releaseDate is invalid when the file gave no valid date
    bool programTypeFound() const { return !values.programType.isEmpty(); }
    // The names of the file's OS list that the list lacks, each once, its
    // blanks as simplified as they are for looking a name up: a long list
    // wraps over lines.
    QStringList unknownOsNames;
    QList<ImportNote> notes;   // what could not be taken over

    QStringList noteTexts() const;
};

// A PAD file read once, for whatever is done with it: its bytes, which an
// update starts from, the XML document with where each element sits, what
// the import takes from it, and what it holds beyond the form.
struct PadDocument
{
    QByteArray bytes;
    XmlDocument xml;
    PadImport imported;
    // Every element of the format (XmlDocument::isFormatElement()) that
    // holds no child element, path and text (empty when it holds markup), in
    // document order; empty when their paths are too long to list (the
    // import is not refused for that).
    QList<PathText> leaves;
    // The fields the window does not show as the file holds them, and the
    // elements kept as they are: those of the format that its table does
    // not know, then the foreign ones, named by their qualified names.
    OtherFields otherFields;
    QList<PathText> kept;
    // Values in the file that the form does not show and that Generate
    // would not write again.
    int unshownValues = 0;
};

// Reads a PAD document from its bytes, whatever their size, or gives the
// reason it cannot: the bytes are not a well-formed XML document the reader
// accepts, the document element is not XML_DIZ_INFO, or one of the form's
// elements holds more than text.
std::optional<PadDocument> loadPad(const QByteArray &bytes, const QDate &today, QString *errorReason);

// The same for the file at path, refusing one larger than MaxPadFileSize or
// one that cannot be read.
std::optional<PadDocument> loadPadFile(const QString &path, const QDate &today, QString *errorReason);

// Why the file at path cannot be imported, as the window says it:
// "Cannot import "PATH": reason", the path with the platform's separators.
QString importRefusal(const QString &path, const QString &reason);

} // namespace Pad
