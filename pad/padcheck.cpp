#include "padcheck.h"

#include "padwriter.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace Pad {

namespace {

CheckProblem problem(Severity severity, const QString &path, const QString &field,
                     const std::optional<QString> &value, const QString &what)
{
    const QString shown = value ? quotedValue(*value) + u' ' : QString();
    return {severity, path, value, field + QStringLiteral(": ") + shown + what};
}

// A note about the release date concerns its three elements together.
CheckProblem noteProblem(const ImportNote &note)
{
    const FormField &field = formField(note.field);
    const std::optional<QString> path =
        field.paths.size() == 1 ? std::optional<QString>(field.path()) : std::nullopt;
    return {Severity::Note, path, std::nullopt, note.text};
}

// The problems of one of the form's fields, and of those weighed against it.
void addFieldProblems(const FormField &field, const PadValues &values, QList<CheckProblem> &problems)
{
    switch (field.kind) {
    case FieldKind::Text: {
        const QString &value = values.text(field.text);
        if (value.isEmpty()) {
            if (field.required)
                problems << problem(Severity::Error, field.path(), field.displayName, std::nullopt,
                                    QStringLiteral("must be filled"));
        } else if (const std::optional<RuleBreach> broken = ruleBreach(field.text, value)) {
            problems << problem(broken->severity, field.path(), field.displayName, value,
                                broken->what + QStringLiteral(". ") + broken->hint);
        }
        if (field.text == TextField::Program_Cost_Dollars) {
            if (const std::optional<QString> what = freeProgramCostBreach(values.programType, value))
                problems << problem(Severity::Warning, field.path(), field.displayName, value, *what);
        }
        break;
    }
    case FieldKind::ReleaseDate:
        // No date, or one that does not exist, stops Generate as an empty field
        // does; it concerns the three elements together.
        if (!values.releaseDate.isValid() && field.required) {
            problems << CheckProblem{Severity::Error, std::nullopt, std::nullopt,
                                     field.displayName + QStringLiteral(": must be filled")};
        } else if (const std::optional<QString> what = releaseDateBreach(values.releaseDate)) {
            const ReleaseDateNumbers date = releaseDateNumbers(values.releaseDate);
            // What is wrong is the year.
            problems << problem(Severity::Error, field.paths.constLast(), field.displayName,
                                QStringLiteral("%1/%2/%3").arg(date.month, date.day, date.year),
                                *what + QStringLiteral(". ") + *releaseDateHint(values.releaseDate));
        }
        break;
    case FieldKind::ProgramType:
        if (const std::optional<QString> hint = programTypeHint(values.programType)) {
            problems << problem(Severity::Error, field.path(), field.displayName, std::nullopt,
                                QStringLiteral("must be chosen. ") + *hint);
        }
        break;
    case FieldKind::OsSupport:
        if (values.osSupport.isEmpty()) {
            problems << problem(Severity::Error, field.path(), field.displayName, std::nullopt,
                                QStringLiteral("must have at least one system ticked"));
        } else if (const std::optional<QString> what = notApplicableBreach(values.osSupport)) {
            problems << problem(Severity::Warning, field.path(), field.displayName,
                                osSupportValue(values.osSupport), *what);
        }
        break;
    }
}

} // namespace

CheckStatus FileCheck::status() const
{
    if (reason)
        return CheckRefused;
    const bool error = std::any_of(problems.begin(), problems.end(), [](const CheckProblem &p) {
        return p.severity == Severity::Error;
    });
    return error ? CheckFoundErrors : CheckPassed;
}

QList<CheckProblem> formProblems(const PadValues &values)
{
    QList<CheckProblem> problems;
    for (const FormField &field : formFields())
        addFieldProblems(field, values, problems);
    return problems;
}

QList<CheckProblem> formatProblems(const QList<PathText> &leaves)
{
    QList<CheckProblem> problems;
    for (const RuleBreak &broken : formatRuleBreaks(leaves)) {
        const std::optional<FormatBreach> breach = formatRuleBreach(broken.path, broken.value);
        problems << problem(Severity::Error, broken.path, fieldDisplayName(broken.path), broken.value,
                            breach->what + QStringLiteral(". ") + breach->hint);
    }
    return problems;
}

QList<CheckProblem> documentProblems(const PadDocument &document)
{
    QList<CheckProblem> problems;
    for (const ImportNote &note : document.imported.notes)
        problems << noteProblem(note);
    problems << formProblems(document.imported.values) << formatProblems(document.leaves);
    return problems;
}

FileCheck checkPadFile(const QString &path, const QDate &today)
{
    FileCheck check;
    check.path = path;
    QString reason;
    if (const std::optional<PadDocument> document = loadPadFile(path, today, &reason))
        check.problems = documentProblems(*document);
    else
        check.reason = reason;
    return check;
}

QList<FileCheck> checkPadFiles(const QStringList &paths, const QDate &today)
{
    QList<FileCheck> checks;
    for (const QString &path : paths)
        checks << checkPadFile(path, today);
    return checks;
}

CheckStatus worstStatus(const QList<FileCheck> &checks)
{
    CheckStatus worst = CheckPassed;
    for (const FileCheck &check : checks)
        worst = std::max(worst, check.status());
    return worst;
}

QStringList checkLines(const FileCheck &check)
{
    // Lines go to a terminal: nothing from a file, a name or a server may steer it.
    const QString start = escapedControls(QDir::toNativeSeparators(check.path)) + QStringLiteral(": ");
    if (check.reason)
        return {start + severityName(Severity::Error) + QStringLiteral(": ") + escapedControls(*check.reason)};
    QStringList lines;
    for (const CheckProblem &problem : check.problems)
        lines << start + severityName(problem.severity) + QStringLiteral(": ") + escapedControls(problem.message);
    return lines;
}

QJsonDocument checkReport(const QList<FileCheck> &checks)
{
    const auto textOrNull = [](const std::optional<QString> &text) {
        return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
    };
    QJsonArray files;
    for (const FileCheck &check : checks) {
        QJsonArray problems;
        for (const CheckProblem &problem : check.problems) {
            problems.append(QJsonObject{
                {QStringLiteral("field"), textOrNull(problem.path)},
                {QStringLiteral("value"), textOrNull(problem.value)},
                {QStringLiteral("severity"), severityName(problem.severity)},
                {QStringLiteral("message"), problem.message},
            });
        }
        files.append(QJsonObject{
            {QStringLiteral("file"), QDir::toNativeSeparators(check.path)},
            {QStringLiteral("status"), int(check.status())},
            {QStringLiteral("reason"), textOrNull(check.reason)},
            {QStringLiteral("problems"), problems},
        });
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("files"), files}});
}

} // namespace Pad
