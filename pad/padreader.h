#pragma once

#include "padform.h"

#include <QDomDocument>
#include <QDomElement>
#include <QString>
#include <QStringList>

#include <optional>

namespace Pad {

// Files larger than this are refused before parsing: no PAD file comes near
// it, and the document tree takes several times the file's size.
inline constexpr qint64 MaxPadFileSize = 32 * 1024 * 1024;

// Appends to parts the pieces of text between separators; a separator at the
// very end yields no empty last piece, and an empty text one empty piece.
void Split(QString text, QChar separator, QStringList &parts);

// The element at path below the document element ("Company_Info/Company_Name"),
// matching names or local names exactly and keeping to the parent's namespace;
// a null element when any step is missing.
QDomElement findElement(const QDomDocument &document, const QString &path);

// The element's text: empty for no children, the one text or CDATA piece,
// nullopt when it holds markup (an element, a comment, a processing
// instruction, or more than one piece).
std::optional<QString> elementText(const QDomElement &element);

// Reads "month/day/year" as written in a PAD file; today decides the century
// of one- and two-digit years. An invalid QDate when the text is no date.
QDate readReleaseDate(const QString &joined, const QDate &today);

// What an import takes from a document, before any field changes.
struct PadImport
{
    PadValues values;          // releaseDate is invalid when the file gave no valid date
    bool programTypeFound() const { return !values.programType.isEmpty(); }
    QStringList notes;         // what could not be taken over, one line each
};

// Maps a parsed document to the sixteen values, or gives the reason it cannot.
std::optional<PadImport> importPadDocument(const QDomDocument &document, const QDate &today,
                                           QString *errorReason);

// Reads, parses and maps the file at path. On failure errorMessage names the
// file and says what is wrong.
std::optional<PadImport> readPadFile(const QString &path, const QDate &today,
                                     QString *errorMessage);

} // namespace Pad
