#include "padcheck.h"

#include "padreader.h"
#include "padwriter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace Pad {

namespace {

constexpr qsizetype ShownValueLength = 60;

// The element that holds a field: its control's name, but for the one whose
// element spells "WebSite".
QString elementName(TextField field)
{
    return field == TextField::Company_Website_URL ? QStringLiteral("Company_WebSite_URL")
                                                   : objectName(field);
}

CheckProblem problem(Severity severity, const QString &element, const QString &field,
                     const std::optional<QString> &value, const QString &what)
{
    const QString shown = value ? quotedValue(*value) + u' ' : QString();
    return {severity, element, value, field + QStringLiteral(": ") + shown + what};
}

// The reader's notes begin with the name of the field they concern.
CheckProblem noteProblem(const QString &note)
{
    static const std::pair<PickedField, const char *> elements[] = {
        {PickedField::Program_Type, "Program_Type"},
        {PickedField::Program_OS_Support, "Program_OS_Support"},
    };
    std::optional<QString> element;
    for (const auto &[field, name] : elements) {
        if (note.startsWith(displayName(field) + QStringLiteral(": ")))
            element = QLatin1String(name);
    }
    return {Severity::Note, element, std::nullopt, note};
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

QString quotedValue(const QString &value)
{
    QString shown;
    qsizetype i = 0;
    for (; i < value.size() && shown.size() < ShownValueLength; ++i) {
        const QChar c = value[i];
        if (c == u'\n')
            shown += QStringLiteral("\\n");
        else if (c == u'\r')
            shown += QStringLiteral("\\r");
        else if (c == u'\t')
            shown += QStringLiteral("\\t");
        else
            shown += c;
    }
    if (i < value.size()) {
        // Not between the halves of a character beyond the BMP.
        if (shown.back().isHighSurrogate())
            shown.chop(1);
        shown += u'\u2026';
    }
    return u'"' + shown + u'"';
}

QList<CheckProblem> formProblems(const PadValues &values)
{
    QList<CheckProblem> problems;
    const auto addText = [&](TextField field) {
        const QString &value = values.text(field);
        if (value.isEmpty()) {
            if (isRequired(field)) {
                problems << problem(Severity::Error, elementName(field), displayName(field),
                                    std::nullopt, QStringLiteral("must be filled"));
            }
        } else if (const std::optional<RuleBreach> broken = ruleBreach(field, value)) {
            problems << problem(broken->severity, elementName(field), displayName(field), value,
                                broken->what + QStringLiteral(". ") + broken->hint);
        }
    };
    for (int i = 0; i < TextFieldCount; ++i) {
        const auto field = static_cast<TextField>(i);
        addText(field);
        // The picked values sit among the texts in the window.
        if (field == TextField::Program_Version) {
            if (const std::optional<QString> what = releaseDateBreach(values.releaseDate)) {
                const ReleaseDateNumbers date = releaseDateNumbers(values.releaseDate);
                problems << problem(Severity::Error, QStringLiteral("Program_Release_Year"),
                                    displayName(PickedField::Release_Date),
                                    QStringLiteral("%1/%2/%3").arg(date.month, date.day, date.year),
                                    *what + QStringLiteral(". ")
                                        + *releaseDateHint(values.releaseDate));
            }
            if (const std::optional<QString> hint = programTypeHint(values.programType)) {
                problems << problem(Severity::Error, QStringLiteral("Program_Type"),
                                    displayName(PickedField::Program_Type), std::nullopt,
                                    QStringLiteral("must be chosen. ") + *hint);
            }
        } else if (field == TextField::Program_Cost_Dollars) {
            const QString &cost = values.text(field);
            if (const std::optional<QString> what = freeProgramCostBreach(values.programType, cost))
                problems << problem(Severity::Warning, elementName(field), displayName(field), cost,
                                    *what);
        } else if (field == TextField::File_Size_Bytes) {
            const QString os = osSupportValue(values.osSupport);
            if (values.osSupport.isEmpty()) {
                problems << problem(Severity::Error, QStringLiteral("Program_OS_Support"),
                                    displayName(PickedField::Program_OS_Support), std::nullopt,
                                    QStringLiteral("must have at least one system ticked"));
            } else if (const std::optional<QString> what = notApplicableBreach(values.osSupport)) {
                problems << problem(Severity::Warning, QStringLiteral("Program_OS_Support"),
                                    displayName(PickedField::Program_OS_Support), os, *what);
            }
        }
    }
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

FileCheck checkPadFile(const QString &path, const QDate &today)
{
    FileCheck check;
    check.path = path;
    QString reason;
    const std::optional<PadImport> imported = readPadFile(path, today, nullptr, &reason);
    if (!imported) {
        check.reason = reason;
        return check;
    }
    for (const QString &note : imported->notes)
        check.problems << noteProblem(note);
    check.problems << formProblems(imported->values);
    // The reader took the file, so it is no larger than it reads.
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        if (const std::optional<QList<PathText>> leaves = readLeaves(file.read(MaxPadFileSize + 1), &reason))
            check.problems << formatProblems(*leaves);
    }
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
    const QString start = QDir::toNativeSeparators(check.path) + QStringLiteral(": ");
    if (check.reason)
        return {start + severityName(Severity::Error) + QStringLiteral(": ") + *check.reason};
    QStringList lines;
    for (const CheckProblem &problem : check.problems)
        lines << start + severityName(problem.severity) + QStringLiteral(": ") + problem.message;
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
                {QStringLiteral("field"), textOrNull(problem.element)},
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
