#include "padsession.h"

#include "padwriter.h"

#include <QFileInfo>

namespace Pad {

const PadDocument *PadSession::open(const QString &path, const QDate &today, QString *reason)
{
    std::optional<PadDocument> document = loadPadFile(path, today, reason);
    if (!document)
        return nullptr;
    holdRead(path, std::move(*document));
    return &*m_document;
}

void PadSession::adoptWritten(const QString &path, const QByteArray &bytes, const QDate &today)
{
    QString reason;
    std::optional<PadDocument> written = loadPad(bytes, today, &reason);
    // What the writer writes, the reader reads; should it not, Update has no file to write.
    if (!written) {
        close();
        return;
    }
    m_valuesLeftOut = 0;
    hold(path, std::move(*written));
}

void PadSession::adoptUnbound(PadDocument document)
{
    holdRead(QString(), std::move(document));
}

void PadSession::holdRead(const QString &path, PadDocument document)
{
    m_otherFields = document.otherFields;
    m_valuesLeftOut = document.unshownValues + int(document.imported.unknownOsNames.size());
    hold(path, std::move(document));
}

const OtherFields &PadSession::fileFields() const
{
    static const OtherFields none;
    return m_document ? m_document->otherFields : none;
}

void PadSession::close()
{
    m_path.clear();
    m_document.reset();
    m_otherFields = {};
    m_valuesLeftOut = 0;
}

QString PadSession::fileName() const
{
    return QFileInfo(m_path).fileName();
}

bool PadSession::holdsUnwrittenFields() const
{
    return holdsChanges(fileFields(), m_otherFields);
}

const QList<PathText> &PadSession::keptElements() const
{
    static const QList<PathText> none;
    return m_document ? m_document->kept : none;
}

bool PadSession::dateFromFile() const
{
    return m_document && m_document->imported.values.releaseDate.isValid();
}

std::optional<PadSession::PendingUpdate> PadSession::prepareUpdate(const PadDocument &now, const PadValues &values,
                                                                   const QDate &today, QString *reason) const
{
    const OtherFields wanted = rebasedFields(fileFields(), m_otherFields, now.otherFields);
    std::optional<PadUpdate> update = updatePad(now, values, otherFieldEditsOf(now, wanted), today, reason);
    if (!update)
        return std::nullopt;
    return PendingUpdate{now, std::move(*update)};
}

PadSession::UpdateResult PadSession::update(const PadValues &values, const QDate &today, const Asker &ask,
                                            bool write)
{
    using Outcome = UpdateResult::Outcome;
    UpdateResult result;
    std::optional<PadDocument> now = loadPadFile(m_path, today, &result.reason);
    if (!now)
        return result;
    const bool changed = !m_document || now->bytes != m_document->bytes;
    if (changed && !ask(Question::ChangedOnDisk)) {
        result.outcome = Outcome::Declined;
        return result;
    }
    result.pending = prepareUpdate(*now, values, today, &result.reason);
    if (!result.pending)
        return result;
    if (write) {
        if (result.pending->changesAnything() && !savePadFile(m_path, result.pending->update.bytes, &result.reason)) {
            result.outcome = Outcome::NotSaved;
            result.pending.reset();
            return result;
        }
        holdRead(m_path, result.pending->result());
    }
    result.outcome = Outcome::Done;
    result.summary = updateSummary(fileName(), result.pending->update.changes);
    return result;
}

void PadSession::hold(const QString &path, PadDocument document)
{
    m_path = path;
    m_document = std::move(document);
}

} // namespace Pad
