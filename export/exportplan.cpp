#include "exportplan.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <memory>
#include <vector>

namespace Export {

namespace {

struct QuestionRow
{
    const char *name;
    const char *label; // with the window's mnemonic
};

// In the order of Question.
constexpr QuestionRow questionRows[QuestionCount] = {
    {"id", "Package &identifier"},
    {"license", "&Licence"},
    {"silent", "Silent install s&witches"},
    {"silent-progress", "Silent switches with &progress"},
    {"architecture", "Processor &architecture"},
    {"appstream-id", "AppStream i&d"},
};

} // namespace

QString catalogName(Catalog catalog)
{
    return catalog == Catalog::Winget ? QStringLiteral("winget") : QStringLiteral("appstream");
}

QString catalogTitle(Catalog catalog)
{
    return catalog == Catalog::Winget ? QStringLiteral("winget manifest") : QStringLiteral("AppStream metainfo");
}

std::optional<Catalog> catalogNamed(const QString &name)
{
    for (const Catalog catalog : {Catalog::Winget, Catalog::AppStream}) {
        if (name.compare(catalogName(catalog), Qt::CaseInsensitive) == 0)
            return catalog;
    }
    return std::nullopt;
}

QString questionName(Question question)
{
    return QLatin1String(questionRows[int(question)].name);
}

QString questionLabel(Question question)
{
    return QLatin1String(questionRows[int(question)].label);
}

QString questionTitle(Question question)
{
    return questionLabel(question).remove(u'&');
}

QString ExportSource::value(const QString &path) const
{
    if (const Pad::FormField *field = Pad::formFieldAt(path))
        return Pad::valueText(form, *field);
    return other.values.value(path);
}

QString ExportSource::programKey() const
{
    const QString address = form.text(Pad::TextField::Application_XML_File_URL).trimmed();
    return address.isEmpty() ? form.text(Pad::TextField::Program_Name).trimmed() : address;
}

bool ExportPlan::isRefused() const
{
    return std::any_of(notes.cbegin(), notes.cend(),
                       [](const ExportNote &note) { return note.severity == Pad::Severity::Error; });
}

ExportStatus ExportPlan::status() const
{
    if (isRefused())
        return ExportRefused;
    const bool warned = std::any_of(notes.cbegin(), notes.cend(),
                                    [](const ExportNote &note) { return note.severity == Pad::Severity::Warning; });
    return warned ? ExportWrittenWithWarnings : ExportWritten;
}

const ExportValue *ExportPlan::value(const QString &key) const
{
    const auto found = std::find_if(values.cbegin(), values.cend(),
                                    [&key](const ExportValue &value) { return value.key == key; });
    return found == values.cend() ? nullptr : &*found;
}

void ExportPlan::note(Pad::Severity severity, const QString &key, const QString &message,
                      std::optional<Question> question)
{
    notes << ExportNote{severity, key, message, question};
}

QList<Question> questionsOf(Catalog catalog)
{
    using Q = Question;
    if (catalog == Catalog::AppStream)
        return {Q::AppStreamId, Q::License};
    return {Q::Identifier, Q::License, Q::Silent, Q::SilentWithProgress, Q::Architecture};
}

ExportPlan planExport(Catalog catalog, const ExportSource &source, const Answers &answers,
                      const std::optional<InstallerFacts> &installer)
{
    return catalog == Catalog::Winget ? planWinget(source, answers, installer) : planAppStream(source, answers);
}

std::optional<QStringList> writeExport(const ExportPlan &plan, const QString &folder, QString *reason)
{
    if (plan.files.isEmpty()) {
        *reason = QStringLiteral("the export has errors, so nothing was written");
        return std::nullopt;
    }
    // Every file is written and flushed before any replaces what was there,
    // so that a full disk or a locked folder leaves all of them as they were.
    std::vector<std::unique_ptr<QSaveFile>> files;
    QStringList paths;
    for (const ExportFile &file : plan.files) {
        const QString path = QDir(folder).filePath(file.relativePath);
        if (!QDir().mkpath(QFileInfo(path).path())) {
            *reason = QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(QFileInfo(path).path()));
            return std::nullopt;
        }
        auto saved = std::make_unique<QSaveFile>(path);
        if (!saved->open(QIODevice::WriteOnly) || saved->write(file.bytes) != file.bytes.size() || !saved->flush()) {
            *reason = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), saved->errorString());
            for (const auto &written : files)
                written->cancelWriting();
            saved->cancelWriting();
            return std::nullopt;
        }
        files.push_back(std::move(saved));
        paths << path;
    }
    for (qsizetype i = 0; i < qsizetype(files.size()); ++i) {
        if (!files[std::size_t(i)]->commit()) {
            *reason = QStringLiteral("cannot write %1: %2")
                          .arg(QDir::toNativeSeparators(paths[i]), files[std::size_t(i)]->errorString());
            return std::nullopt;
        }
    }
    return paths;
}

QStringList noteLines(const QString &file, const ExportPlan &plan)
{
    QStringList lines;
    const QString shown = QDir::toNativeSeparators(file);
    for (const ExportNote &note : plan.notes) {
        const QString key = note.key.isEmpty() ? QString() : note.key + QStringLiteral(": ");
        lines << QStringLiteral("%1: %2: %3%4").arg(shown, Pad::severityName(note.severity), key, note.message);
    }
    return lines;
}

} // namespace Export
