#include "padupdate.h"

#include <QDir>
#include <QFile>

namespace Pad {

std::optional<QByteArray> applyElementEdits(const QByteArray &bytes,
                                            const std::vector<ElementEdit> &edits,
                                            QString *errorReason)
{
    Q_UNUSED(bytes);
    Q_UNUSED(edits);
    *errorReason = QStringLiteral("updating is not there yet");
    return std::nullopt;
}

std::optional<PadUpdate> updatePadData(const QByteArray &bytes, const PadValues &values,
                                       const QDate &today, QString *errorReason)
{
    Q_UNUSED(bytes);
    Q_UNUSED(values);
    Q_UNUSED(today);
    *errorReason = QStringLiteral("updating is not there yet");
    return std::nullopt;
}

std::optional<PadSource> readPadSource(const QString &path, const QDate &today,
                                       QString *errorMessage, QString *errorReason)
{
    const auto refuse = [&](const QString &reason) -> std::optional<PadSource> {
        if (errorReason)
            *errorReason = reason;
        if (errorMessage) {
            *errorMessage = QStringLiteral("Cannot import \"%1\": %2")
                                .arg(QDir::toNativeSeparators(path), reason);
        }
        return std::nullopt;
    };
    const QString tooLarge =
        QStringLiteral("the file is larger than %1 MiB").arg(MaxPadFileSize / (1024 * 1024));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("the file cannot be opened (%1)").arg(file.errorString()));
    if (!file.isSequential() && file.size() > MaxPadFileSize)
        return refuse(tooLarge);
    PadSource source;
    source.bytes = file.read(MaxPadFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return refuse(QStringLiteral("the file cannot be read (%1)").arg(file.errorString()));
    if (source.bytes.size() > MaxPadFileSize)
        return refuse(tooLarge);
    QString reason;
    std::optional<PadImport> imported = readPadData(source.bytes, today, &reason);
    if (!imported)
        return refuse(reason);
    source.imported = std::move(*imported);
    return source;
}

QString updateSummary(const QString &fileName, const QList<FieldChange> &changes)
{
    if (changes.isEmpty())
        return QStringLiteral("Nothing changed in %1").arg(fileName);
    QStringList fields;
    for (const FieldChange &change : changes)
        fields << change.field;
    return QStringLiteral("Updated %1: %2").arg(fileName, fields.join(QStringLiteral(", ")));
}

} // namespace Pad
