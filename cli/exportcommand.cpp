#include "exportcommand.h"

#include "checkcommand.h"
#include "installerdownload.h"
#include "onlinecheck.h"
#include "padreader.h"
#include "padrules.h"

#include <QDir>
#include <QEventLoop>
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

QString downloadAddress(const Pad::PadValues &values)
{
    return values.text(Pad::TextField::Primary_Download_URL).trimmed();
}

// The installer at where, a file or an http or https address: a download is
// streamed through the inspector as it comes, in an event loop of its own.
std::optional<Export::InstallerFacts> readInstaller(const QString &where, const Pad::PadValues &values,
                                                    const Online::FetchSettings &fetch, QString *reason)
{
    if (where.isEmpty()) {
        *reason = QStringLiteral("the PAD file gives no download address (Primary_Download_URL)");
        return std::nullopt;
    }
    if (!isAddressArgument(where))
        return Export::inspectInstallerFile(where, reason);
    if (const std::optional<QString> breach = Online::addressBreach(where)) {
        *reason = QStringLiteral("the address ") + *breach;
        return std::nullopt;
    }
    bool ok = false;
    const qint64 stated = values.text(Pad::TextField::File_Size_Bytes).trimmed().toLongLong(&ok);
    Export::DownloadInstallerSource download(QUrl(where, QUrl::TolerantMode),
                                             ok && stated >= 0 ? std::optional(stated) : std::nullopt, fetch);
    std::optional<Export::InstallerFacts> facts;
    QEventLoop loop;
    QObject::connect(&download, &Export::InstallerSource::finished, &loop, [&](const Export::InstallerFacts &read) {
        facts = read;
        loop.quit();
    });
    QObject::connect(&download, &Export::InstallerSource::failed, &loop, [&](const QString &why) {
        *reason = why;
        loop.quit();
    });
    download.start();
    loop.exec();
    return facts;
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
    if (!request.installer.isEmpty() || request.fromDownload) {
        const QString where = request.fromDownload ? downloadAddress(document->imported.values) : request.installer;
        installer = readInstaller(where, document->imported.values, request.fetch, &reason);
        if (!installer) {
            err << Pad::escapedControls(QStringLiteral("Cannot read the installer \"%1\": %2")
                                            .arg(QDir::toNativeSeparators(where), reason))
                << '\n';
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
