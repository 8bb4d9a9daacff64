#include "exportcommand.h"

#include "padreader.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace Cli {

namespace {

// The note with the option that answers its question, so that a script's
// author sees what to add.
QString lineWithOption(const QString &line, const Export::ExportNote &note)
{
    return note.question ? QStringLiteral("%1 (--%2)").arg(line, Export::questionName(*note.question)) : line;
}

QJsonDocument report(const ExportRequest &request, const Export::ExportPlan &plan, const QStringList &written,
                     int status)
{
    QJsonArray problems;
    for (const Export::ExportNote &note : plan.notes) {
        problems.append(QJsonObject{
            {QStringLiteral("field"), note.key.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(note.key)},
            {QStringLiteral("severity"), Pad::severityName(note.severity)},
            {QStringLiteral("message"), note.message},
            {QStringLiteral("option"), note.question ? QJsonValue(QStringLiteral("--") + Export::questionName(*note.question))
                                                     : QJsonValue(QJsonValue::Null)},
        });
    }
    QJsonArray files;
    for (const Export::ExportFile &file : plan.files) {
        QJsonObject entry{{QStringLiteral("path"), QDir::toNativeSeparators(file.relativePath)}};
        if (request.dryRun)
            entry.insert(QStringLiteral("content"), QString::fromUtf8(file.bytes));
        files.append(entry);
    }
    QJsonArray writtenPaths;
    for (const QString &path : written)
        writtenPaths.append(QDir::toNativeSeparators(path));
    return QJsonDocument(QJsonObject{
        {QStringLiteral("file"), QDir::toNativeSeparators(request.padFile)},
        {QStringLiteral("catalog"), Export::catalogName(request.catalog)},
        {QStringLiteral("status"), status},
        {QStringLiteral("files"), files},
        {QStringLiteral("written"), writtenPaths},
        {QStringLiteral("problems"), problems},
    });
}

} // namespace

int runExport(const ExportRequest &request, const QDate &today, QTextStream &out, QTextStream &err)
{
    QString reason;
    const std::optional<Pad::PadDocument> document = Pad::loadPadFile(request.padFile, today, &reason);
    if (!document) {
        err << Pad::importRefusal(request.padFile, reason) << '\n';
        return Export::ExportRefused;
    }
    std::optional<Export::InstallerFacts> installer;
    if (!request.installer.isEmpty()) {
        installer = Export::inspectInstallerFile(request.installer, &reason);
        if (!installer) {
            err << QStringLiteral("Cannot read the installer \"%1\": %2\n")
                       .arg(QDir::toNativeSeparators(request.installer), reason);
            return Export::ExportRefused;
        }
    }
    const Export::ExportSource source{document->imported.values, document->otherFields};
    const Export::ExportPlan plan = Export::planExport(request.catalog, source, request.answers, installer);
    int status = plan.status();
    QStringList written;
    if (!request.dryRun && !plan.isRefused()) {
        const QString folder = request.outDir.isEmpty() ? QStringLiteral(".") : request.outDir;
        const std::optional<QStringList> paths = Export::writeExport(plan, folder, &reason);
        if (!paths) {
            err << QStringLiteral("Nothing was written: %1\n").arg(reason);
            status = Export::ExportRefused;
        }
        written = paths.value_or(QStringList());
    }
    if (request.json) {
        out << report(request, plan, written, status).toJson(QJsonDocument::Indented);
        out.flush();
        return status;
    }
    if (request.dryRun) {
        for (const Export::ExportFile &file : plan.files)
            out << "--- " << QDir::toNativeSeparators(file.relativePath) << '\n' << QString::fromUtf8(file.bytes);
    }
    for (const QString &path : written)
        out << QStringLiteral("Wrote %1\n").arg(QDir::toNativeSeparators(QDir::cleanPath(path)));
    const QStringList lines = Export::noteLines(request.padFile, plan);
    for (qsizetype i = 0; i < lines.size(); ++i)
        out << lineWithOption(lines[i], plan.notes[i]) << '\n';
    if (plan.isRefused())
        out << QStringLiteral("Nothing was written: the errors above name what is missing or refused.\n");
    out.flush();
    return status;
}

} // namespace Cli
