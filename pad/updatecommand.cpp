#include "updatecommand.h"

#include "filesize.h"
#include "padcheck.h"
#include "padreader.h"
#include "padupdate.h"
#include "padwriter.h"

#include <QDir>
#include <QRegularExpression>
#include <QTextStream>

#include <array>

namespace Pad {

namespace {

enum class Kind { Text, ReleaseDate, ProgramType, OsSupport };

struct Settable
{
    const char *name;
    Kind kind;
    TextField field; // for Kind::Text
};

// In the window's order, so that the list in a message reads like the form.
constexpr std::array<Settable, 16> settables{{
    {"Company_Name", Kind::Text, TextField::Company_Name},
    {"Company_WebSite_URL", Kind::Text, TextField::Company_Website_URL},
    {"Contact_Email", Kind::Text, TextField::Contact_Email},
    {"Program_Name", Kind::Text, TextField::Program_Name},
    {"Program_Version", Kind::Text, TextField::Program_Version},
    {"Program_Release_Date", Kind::ReleaseDate, {}},
    {"Program_Type", Kind::ProgramType, {}},
    {"Program_Cost_Dollars", Kind::Text, TextField::Program_Cost_Dollars},
    {"File_Size_Bytes", Kind::Text, TextField::File_Size_Bytes},
    {"Program_OS_Support", Kind::OsSupport, {}},
    {"Keywords", Kind::Text, TextField::Keywords},
    {"Char_Desc_450", Kind::Text, TextField::Char_Desc_450},
    {"Application_Info_URL", Kind::Text, TextField::Application_Info_URL},
    {"Application_XML_File_URL", Kind::Text, TextField::Application_XML_File_URL},
    {"Primary_Download_URL", Kind::Text, TextField::Primary_Download_URL},
    {"Application_Screenshot_URL", Kind::Text, TextField::Application_Screenshot_URL},
}};

// The entry of list equal to text, letter case aside; empty when none is.
QString listEntry(const QStringList &list, const QString &text)
{
    for (const QString &entry : list) {
        if (entry.compare(text, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
}

bool setDate(const QString &value, const QDate &today, PadValues &values, QString *reason)
{
    if (value.compare(QLatin1String("today"), Qt::CaseInsensitive) == 0) {
        values.releaseDate = today;
        return true;
    }
    static const QRegularExpression isoDate(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QRegularExpressionMatch match = isoDate.match(value);
    const QDate date = match.hasMatch() ? QDate(match.captured(1).toInt(), match.captured(2).toInt(),
                                                 match.captured(3).toInt())
                                        : QDate();
    if (!date.isValid()) {
        *reason = QStringLiteral("Program_Release_Date: %1 is not a date; give YYYY-MM-DD or today")
                      .arg(value);
        return false;
    }
    values.releaseDate = date;
    return true;
}

bool setOsSupport(const QString &value, PadValues &values, QString *reason)
{
    QStringList parts;
    Split(value, u',', parts);
    QStringList named;
    for (const QString &part : std::as_const(parts)) {
        const QString name = part.trimmed();
        if (name.isEmpty())
            continue;
        const QString entry = listEntry(OsSupportList(), name);
        if (entry.isEmpty()) {
            *reason = QStringLiteral("Program_OS_Support: %1 is not in the OS list").arg(name);
            return false;
        }
        named << entry;
    }
    values.osSupport.clear();
    for (const QString &entry : OsSupportList()) {
        if (named.contains(entry))
            values.osSupport << entry;
    }
    return true;
}

// The short name of the window's field at a path of the table, if it is one.
const Settable *settableAt(const QString &path)
{
    if (const std::optional<TextField> field = formTextField(path)) {
        for (const Settable &candidate : settables) {
            if (candidate.kind == Kind::Text && candidate.field == *field)
                return &candidate;
        }
    }
    for (const Settable &candidate : settables) {
        if (candidate.kind != Kind::Text && path.section(u'/', -1) == QLatin1String(candidate.name))
            return &candidate;
    }
    return nullptr;
}

// Sets a field the window does not show, at a path of the table, or says why it cannot.
bool setOtherField(const QString &path, const QString &value, OtherFields &fields, QString *reason)
{
    const QStringView language = descriptionLanguage(path);
    if (!language.isEmpty() && language != DefaultLanguage && !fields.languages.contains(language)) {
        if (!formatLanguages().contains(language)) {
            *reason = QStringLiteral("--set %1: %2 is not a language of the PAD format's list")
                          .arg(path, language);
            return false;
        }
        fields.languages << language.toString();
    }
    fields.values.insert(path, value);
    return true;
}

// Applies one NAME=VALUE to values or to the other fields, or says why it cannot.
bool applySetting(const QString &setting, const QDate &today, PadValues &values, OtherFields &others,
                  QString *reason)
{
    const qsizetype equals = setting.indexOf(u'=');
    const QString name = equals < 0 ? setting : setting.left(equals);
    const QString value = setting.mid(equals + 1);
    const Settable *settable = nullptr;
    for (const Settable &candidate : settables) {
        if (name == QLatin1String(candidate.name))
            settable = &candidate;
    }
    // Any path of the format's table reaches its field; the window's by their own rules.
    const bool tablePath = !settable && formatField(name)
                           && (descriptionLanguage(name).isEmpty() || name.count(u'/') == 2);
    if (tablePath && shownInWindow(name)) {
        settable = settableAt(name);
        if (!settable) {
            *reason = QStringLiteral("--set %1: give the release date as Program_Release_Date=YYYY-MM-DD")
                          .arg(name);
            return false;
        }
    }
    if (!settable && !tablePath) {
        *reason = QStringLiteral("--set %1: %2 is not a field; give one of %3, or the path of a "
                                 "field of the PAD format below XML_DIZ_INFO, such as "
                                 "Program_Descriptions/English/Char_Desc_80")
                      .arg(setting, name, settableNames().join(QStringLiteral(", ")));
        return false;
    }
    if (equals < 0) {
        *reason = QStringLiteral("--set %1: give the value as %1=VALUE").arg(name);
        return false;
    }
    if (!settable)
        return setOtherField(name, value, others, reason);
    switch (settable->kind) {
    case Kind::Text:
        if (settable->field == TextField::File_Size_Bytes && value.startsWith(u'@')) {
            QString error;
            const std::optional<qint64> size = Sto_GetFileSize(value.mid(1), &error);
            if (!size) {
                *reason = QStringLiteral("File_Size_Bytes: %1").arg(error);
                return false;
            }
            values.text(settable->field) = QString::number(*size);
        } else {
            values.text(settable->field) = value;
        }
        return true;
    case Kind::ReleaseDate:
        return setDate(value, today, values, reason);
    case Kind::ProgramType:
        values.programType = listEntry(ProgramTypeList(), value);
        if (values.programType.isEmpty()) {
            *reason = QStringLiteral("Program_Type: %1 is not in the list; the types are %2")
                          .arg(value, ProgramTypeList().join(QStringLiteral(", ")));
            return false;
        }
        return true;
    case Kind::OsSupport:
        return setOsSupport(value, values, reason);
    }
    return false;
}

// A value on one line of output: its line breaks shown as \n and \r.
QString oneLine(QString text)
{
    return text.replace(u'\r', QLatin1String("\\r")).replace(u'\n', QLatin1String("\\n"));
}

} // namespace

QStringList settableNames()
{
    QStringList names;
    for (const Settable &settable : settables)
        names << QLatin1String(settable.name);
    return names;
}

int runUpdate(const UpdateRequest &request, const QDate &today, QTextStream &out, QTextStream &err)
{
    const QString shownPath = QDir::toNativeSeparators(request.file);
    const auto refuse = [&](const QString &reason) {
        out.flush();
        err << shownPath << QStringLiteral(": ") << reason << u'\n';
        err.flush();
        return int(UpdateRefused);
    };

    QString reason;
    const std::optional<PadSource> source = readPadSource(request.file, today, nullptr, &reason);
    if (!source)
        return refuse(reason);
    PadValues values = source->imported.values;
    OtherFields others = source->otherFields;
    for (const QString &setting : request.settings) {
        if (!applySetting(setting, today, values, others, &reason))
            return refuse(reason);
    }
    const OtherFieldEdits otherEdits = otherFieldEdits(source->otherFields, others);
    if (const std::optional<FieldProblem> problem = validate(values))
        return refuse(problem->message);
    if (const std::optional<FieldProblem> problem = findUnsavableField(values))
        return refuse(problem->message);
    const std::optional<PadUpdate> update = updatePadData(source->bytes, values, otherEdits, today, &reason);
    if (!update)
        return refuse(reason);

    if (request.dryRun) {
        for (const FieldChange &change : update->changes)
            out << change.field << QStringLiteral(": ") << oneLine(change.before)
                << QStringLiteral(" -> ") << oneLine(change.after) << u'\n';
    } else {
        if (!update->changes.isEmpty() && !savePadFile(request.file, update->bytes, &reason))
            return refuse(QStringLiteral("could not be saved: %1").arg(reason));
        out << updateSummary(shownPath, update->changes) << u'\n';
    }
    // The file now holds the values, as the read-back check made sure.
    FileCheck check;
    check.path = request.file;
    check.problems = formProblems(values) + formatProblems(otherEdits.values);
    for (const QString &line : checkLines(check))
        out << line << u'\n';
    out.flush();
    return check.status() == CheckPassed ? UpdateDone : UpdateDoneWithErrors;
}

} // namespace Pad
