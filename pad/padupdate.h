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

// What an update changes of a document's elements. The paths differ.
struct ElementEdits
{
    // Each element's new text; an element the file lacks is made.
    std::vector<ElementEdit> texts;
    // Elements taken out, with the line they stand on.
    QStringList removals;

    bool isEmpty() const { return texts.empty() && removals.isEmpty(); }
};

// The engine of every update. Writes each text into its element and leaves
// every other byte as it was: the declaration, a byte-order mark, line ends,
// indentation, comments, attributes and every other element. A text is
// escaped as the writer escapes and encoded in the file's own encoding; a
// character that encoding cannot hold becomes a character reference. An
// element that the file lacks is made after the last child element of its
// parent, laid out as its siblings are; missing parents are made the same
// way. The new bytes are read back once: the result is the updated file as
// read, and the update is refused, with errorReason, when an element holds
// more than text, a text holds a character XML cannot carry, the file's text
// cannot be mapped back onto its bytes, an edit would not read back as
// given, or the reader would refuse the result, which includes a file larger
// than MaxPadFileSize: an update never writes what it cannot open again.
// today decides the century of two-digit years, as the reader does.
std::optional<PadDocument> applyEdits(const PadDocument &document, const ElementEdits &edits,
                                      const QDate &today, QString *errorReason);

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
    QByteArray bytes;           // the whole new file; the file's own when nothing changed
    QList<FieldChange> changes; // the window's fields in its order, then the others
    std::optional<PadDocument> document; // the new file as read back; nullopt when nothing changed
};

// The edits that turn the file's other fields into fields, as
// otherFieldEdits() makes them, compared with what the file holds also at
// the paths that its other fields leave out (the PAD file's version block),
// so that a value set there to empty is not taken for no change.
OtherFieldEdits otherFieldEditsOf(const PadDocument &file, const OtherFields &fields);

// The PAD file with the form's values and the other fields' edits written
// into it, changing only the elements whose values differ. Unknown names in
// the OS list stay after the ticked entries; an empty program type or an
// invalid release date in values leaves the file's own as it is. When the
// form's file size changes, the file's File_Size_K and File_Size_MB follow it,
// unless others set them. Others' values go into their elements, made where
// the file lacks them (a new language's block whole, in the author's order),
// and each removed language's block goes with the line it stands on. The
// update is refused with errorReason unless every value comes back as given.
std::optional<PadUpdate> updatePad(const PadDocument &file, const PadValues &values,
                                   const OtherFieldEdits &others, const QDate &today,
                                   QString *errorReason);

// What the window's status bar and the command line say after an update of
// the file named fileName: "Updated pad.xml: Program Version, Release Date",
// or "Nothing changed in pad.xml".
QString updateSummary(const QString &fileName, const QList<FieldChange> &changes);

} // namespace Pad
