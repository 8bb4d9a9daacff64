#pragma once

#include "padfields.h"
#include "padform.h"
#include "padreader.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace Pad {

// A new text for the element at path below the document element
// ("Program_Info/Program_Version"), as the form or a script gives it:
// unescaped, with nothing of XML in it.
struct ElementEdit
{
    QString path;
    QString text;
};

// Writes each edit's text into its element and leaves every other byte as it
// was: the declaration, a byte-order mark, line ends, indentation, comments,
// attributes and every other element. The text is escaped as the writer
// escapes and encoded in the file's own encoding; a character that encoding
// cannot hold becomes a character reference. An element that the file lacks
// is created after the last child element of its parent, laid out as its
// siblings are; missing parents are created the same way. Refuses, with
// errorReason, a file that the reader refuses and a file whose text cannot be
// mapped back onto its bytes, an element that holds more than text, and an
// edit that would not read back as given. The edits' paths must differ.
std::optional<QByteArray> applyElementEdits(const QByteArray &bytes,
                                            const std::vector<ElementEdit> &edits,
                                            QString *errorReason);

// A field that an update changes, with its value before and after as a
// person reads them (dates as YYYY-MM-DD, lists as the file writes them).
struct FieldChange
{
    QString field; // as messages name it, e.g. "Program Version"
    QString before;
    QString after;
    bool operator==(const FieldChange &) const = default;
};

struct PadUpdate
{
    QByteArray bytes;          // the whole new file; the input itself when nothing changed
    QList<FieldChange> changes; // in the order of the window's fields
};

// The PAD file in bytes with the form's values written into it, changing
// only the elements whose values differ. Unknown names in the OS list stay
// after the ticked entries; an empty program type or an invalid release date
// in values leaves the file's own as it is. The new bytes are read back, and
// the update is refused with errorReason unless every value comes back as
// values holds it. today decides the century of two-digit years, as the
// reader does.
std::optional<PadUpdate> updatePadData(const QByteArray &bytes, const PadValues &values,
                                       const QDate &today, QString *errorReason);

// The same, writing also the fields the window does not show: each of
// others' values into its element, made where the file lacks it (a new
// language's block whole, in the author's order), and each removed language's
// block taken out with the line it stands on. When the form's file size
// changes, the file's File_Size_K and File_Size_MB follow it, unless others
// set them. Their changes follow the form's, in the table's order; all are
// read back before anything is returned.
std::optional<PadUpdate> updatePadData(const QByteArray &bytes, const PadValues &values,
                                       const OtherFieldEdits &others, const QDate &today,
                                       QString *errorReason);

// A PAD file as read for the window or a script: its bytes, which an update
// starts from, and what the import takes from them.
struct PadSource
{
    QByteArray bytes;
    PadImport imported;
    // Values in the file that the form does not show and that Generate
    // would not write again; an update keeps them.
    int unshownValues = 0;
    // The fields the window does not show as the file holds them, and the
    // elements the format does not know.
    OtherFields otherFields;
    QList<PathText> kept;
};

// Reads the file at path as readPadFile does, keeping its bytes. On failure
// errorMessage and errorReason are set as readPadFile sets them.
std::optional<PadSource> readPadSource(const QString &path, const QDate &today,
                                       QString *errorMessage, QString *errorReason = nullptr);

// What the window's status bar and the command line say after an update of
// the file named fileName: "Updated pad.xml: Program Version, Release Date",
// or "Nothing changed in pad.xml".
QString updateSummary(const QString &fileName, const QList<FieldChange> &changes);

} // namespace Pad
