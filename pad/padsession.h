#pragma once

#include "padfields.h"
#include "padreader.h"
#include "padupdate.h"

#include <QDate>
#include <QString>

#include <functional>
#include <optional>

namespace Pad {

// One PAD file held open, as the window and "quillet --update" hold it: the
// file as last read or written, its fields, the values the author set for
// the fields the window does not show, and what the file holds that a new
// file would leave out. Loading and the whole update (reading the file
// again, asking when it changed on disk, updating on top of it as it is
// now, saving and saying what changed) go through here; the window and
// --update each answer the update's questions by their own rule.
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
    const QString &path() const { return m_path; }
    // The file's name without its folder, as messages name it.
    QString fileName() const;
    // The file as last read or written, or the document adopted; only while
    // one is held, as after open().
    const PadDocument &document() const { return *m_document; }

    // The fields the window does not show, as the document holds them (none
    // without one), and as the author last set them.
    const OtherFields &fileFields() const;
    const OtherFields &otherFields() const { return m_otherFields; }
    void setOtherFields(const OtherFields &fields) { m_otherFields = fields; }
    // Whether the author's other fields hold values that the file lacks.
    bool holdsUnwrittenFields() const;
    // The file's elements kept as they are: those the format does not know,
    // then the foreign ones.
    const QList<PathText> &keptElements() const;
    // How many of the file's values a new file written from the form would
    // leave out: the values the form does not show and the operating systems
    // the list lacks. None after Generate.
    int valuesLeftOut() const { return m_valuesLeftOut; }
    // Whether the file gave a release date that exists.
    bool dateFromFile() const;

    // What the update asks on its way; the answer true goes on, false stops
    // it with nothing written.
    enum class Question {
        // The file changed on disk since it was read: write into it as it is now?
        ChangedOnDisk,
    };
    using Asker = std::function<bool(Question)>;

    struct UpdateResult
    {
        enum class Outcome {
            Done,      // written (or, without writing, made), or nothing to change
            Declined,  // a question was answered no
            Refused,   // the file cannot be read again, or the update cannot be made
            NotSaved,  // made, but the file cannot be saved; it keeps every byte
        };
        Outcome outcome = Outcome::Refused;
        QString reason; // why it was refused or not saved
        // With Done: the file as it was read again, what the update changes
        // and the file as it becomes.
        std::optional<PendingUpdate> pending;
        // With Done: "Updated pad.xml: Program Version, Release Date" or
        // "Nothing changed in pad.xml".
        QString summary;
    };
    // The whole update of the file held: reads it again, asks through ask
    // when it changed on disk since it was read, makes the update of it as
    // it is now with the form's values and the author's other fields (what
    // the author changed in the dialog goes on top of it, so that the file
    // keeps what it gained), and, when write, saves it when it changes
    // anything and holds the file as it is then, the author's other fields
    // becoming the file's. Without write nothing is saved and the session
    // stays as it was.
    UpdateResult update(const PadValues &values, const QDate &today, const Asker &ask, bool write = true);

private:
    void hold(const QString &path, PadDocument document);
    // Holds a document read, from path or (path empty) from elsewhere: the
    // author's other fields start as its own.
    void holdRead(const QString &path, PadDocument document);
    // The update of now, the file as it is on disk, with the form's values
    // and the author's other fields on top of it; nullopt with the reason as
    // updatePad() refuses.
    std::optional<PendingUpdate> prepareUpdate(const PadDocument &now, const PadValues &values,
                                               const QDate &today, QString *reason) const;

    QString m_path;
    std::optional<PadDocument> m_document;
    OtherFields m_otherFields;
    int m_valuesLeftOut = 0;
};

} // namespace Pad
