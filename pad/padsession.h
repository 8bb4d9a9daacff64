#pragma once

#include "padfields.h"
#include "padreader.h"
#include "padupdate.h"

#include <QDate>
#include <QString>

#include <optional>

namespace Pad {

// One PAD file held open, as the window and "quillet --update" hold it: the
// file as last read or written, its fields, the values the author set for
// the fields the window does not show, and what the file holds that a new
// file would leave out. Loading, updating (on top of the file as it is now,
// should it have changed on disk), saving and saying what changed all go
// through here.
class PadSession
{
public:
    // What an update would do, made but not yet written.
    struct PendingUpdate
    {
        PadDocument base; // the file as it was when the update was made
        PadUpdate update;

        bool changesAnything() const { return !update.changes.isEmpty(); }
        // The file as it will be: the new one as read back, or base when nothing changes.
        const PadDocument &result() const { return update.document ? *update.document : base; }
    };

    // Reads the file at path and holds it; the author's other fields start as
    // the file's. Returns the document read, or nullopt with the reason, in
    // which case the session holds what it held before.
    const PadDocument *open(const QString &path, const QDate &today, QString *reason);
    // Holds the file at path that Generate has just written as bytes. The
    // author's other fields stay, since Generate writes none of them.
    void adoptWritten(const QString &path, const QByteArray &bytes, const QDate &today);
    // Holds a document read from elsewhere than a file, such as a web
    // address: the author's other fields start as its own, and no file is
    // bound, so Update has nowhere to write until Generate saves one.
    void adoptUnbound(PadDocument document);
    // Holds no file and no values of the author's.
    void close();

    // Whether a file is bound, which Update writes.
    bool isOpen() const { return !m_path.isEmpty(); }
    bool hasDocument() const { return m_document.has_value(); }
    const QString &path() const { return m_path; }
    // The file's name without its folder, as messages name it.
    QString fileName() const;
    // The file as last read or written, or the document adopted; only while hasDocument().
    const PadDocument &document() const { return *m_document; }

    // The fields the window does not show, as the document holds them (none
    // without one), and as the author last set them.
    const OtherFields &fileFields() const;
    const OtherFields &otherFields() const { return m_otherFields; }
    void setOtherFields(const OtherFields &fields) { m_otherFields = fields; }
    // Whether the author's other fields hold values that the file lacks.
    bool holdsUnwrittenFields() const;
    // The file's elements that the format does not know.
    const QList<PathText> &keptElements() const;
    // How many of the file's values a new file written from the form would
    // leave out: the values the form does not show and the operating systems
    // the list lacks. None after Generate.
    int valuesLeftOut() const { return m_valuesLeftOut; }
    // Whether the file gave a release date that exists.
    bool dateFromFile() const;

    // The file as it is on disk now, read again.
    std::optional<PadDocument> readCurrent(const QDate &today, QString *reason) const;
    // Whether now differs from the file as last read or written.
    bool changedOnDisk(const PadDocument &now) const;
    // The update of now with the form's values and the author's other
    // fields: what the author changed in the dialog goes on top of now, so
    // that a file changed on disk keeps what it gained. Refused with the
    // reason as updatePad() refuses.
    std::optional<PendingUpdate> prepareUpdate(const PadDocument &now, const PadValues &values,
                                               const QDate &today, QString *reason) const;
    // Writes the update when it changes anything and holds the file as it
    // is then, the author's other fields becoming the file's. False with the
    // reason when the file cannot be saved; it then keeps every byte.
    bool commit(const PendingUpdate &pending, QString *reason);
    // "Updated pad.xml: Program Version, Release Date" or "Nothing changed in pad.xml".
    QString summary(const PendingUpdate &pending) const;

private:
    void hold(const QString &path, PadDocument document);

    QString m_path;
    std::optional<PadDocument> m_document;
    OtherFields m_otherFields;
    int m_valuesLeftOut = 0;
};

} // namespace Pad
