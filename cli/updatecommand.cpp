#include "updatecommand.h"

#include "filesize.h"
#include "padcheck.h"
#include "padreader.h"
#include "padupdate.h"
#include "padwriter.h"

#include <QDir>
#include <QRegularExpression>
#include <QTextStream>

namespace Cli {

using namespace Pad;

namespace {

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
    const OsNames names = readOsNames(value, OsNameSpelling::AsWritten);
    if (!names.unknown.isEmpty()) {
        *reason = QStringLiteral("%1: %2 is not in the OS list")
                      .arg(formField(FieldKind::OsSupport).setName(), names.unknown.constFirst());
        return false;
    }
    values.osSupport = names.entries;
    return true;
}

// The window's field that --set names by name, or nullptr.
const FormField *settableNamed(const QString &name)
{
    for (const FormField &field : formFields()) {
        if (field.setName() == name)
            return &field;
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

// Sets one of the window's fields, or says why it cannot.
bool setFormField(const FormField &field, const QString &value, const QDate &today, PadValues &values,
                  QString *reason)
{
    switch (field.kind) {
    case FieldKind::Text:
        if (field.text == TextField::File_Size_Bytes && value.startsWith(u'@')) {
            QString error;
            const std::optional<qint64> size = fileSize(value.mid(1), &error);
            if (!size) {
                *reason = QStringLiteral("%1: %2").arg(field.setName(), error);
                return false;
            }
            values.text(field.text) = QString::number(*size);
        } else {
            values.text(field.text) = value;
        }
        return true;
    case FieldKind::ReleaseDate:
        return setDate(value, today, values, reason);
    case FieldKind::ProgramType:
        values.programType = programTypeEntry(value);
        if (values.programType.isEmpty()) {
            *reason = QStringLiteral("%1: %2 is not in the list; the types are %3")
                          .arg(field.setName(), value, ProgramTypeList().join(QStringLiteral(", ")));
            return false;
        }
        return true;
    case FieldKind::OsSupport:
        return setOsSupport(value, values, reason);
    }
    return false;
}

// Applies one NAME=VALUE to values or to the other fields, or says why it cannot.
bool applySetting(const QString &setting, const QDate &today, PadValues &values, OtherFields &others,
                  QString *reason)
{
    const qsizetype equals = setting.indexOf(u'=');
    const QString name = equals < 0 ? setting : setting.left(equals);
    const QString value = setting.mid(equals + 1);
    const FormField *field = settableNamed(name);
    // Any path of the format's table reaches its field; the window's by their own rules.
    const bool tablePath = !field && formatField(name)
                           && (descriptionLanguage(name).isEmpty() || name.count(u'/') == 2);
    if (tablePath && shownInWindow(name)) {
        field = formFieldAt(name);
        if (field->kind == FieldKind::ReleaseDate) {
            *reason = QStringLiteral("--set %1: give the release date as %2=YYYY-MM-DD")
                          .arg(name, field->setName());
            return false;
        }
    }
    if (!field && !tablePath) {
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
    if (!field)
        return setOtherField(name, value, others, reason);
    return setFormField(*field, value, today, values, reason);
}

// Generate's message for the first required field that the settings empty
// where the file had filled it.
std::optional<QString> emptiedRequiredField(const PadValues &before, const PadValues &after)
{
    for (const FormField &field : formFields()) {
        if (!field.required)
            continue;
        const bool emptied = field.kind == FieldKind::Text
                                 ? after.text(field.text).isEmpty() && !before.text(field.text).isEmpty()
                                 : after.osSupport.isEmpty() && !before.osSupport.isEmpty();
        if (emptied)
            return field.emptyMessage();
    }
    return std::nullopt;
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
    for (const FormField &field : formFields())
        names << field.setName();
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
    const std::optional<PadDocument> source = loadPadFile(request.file, today, &reason);
    if (!source)
        return refuse(reason);
    PadValues values = source->imported.values;
    OtherFields others = source->otherFields;
    for (const QString &setting : request.settings) {
        if (!applySetting(setting, today, values, others, &reason))
            return refuse(reason);
    }
    // The file may break rules already; only what the settings break refuses them.
    if (const std::optional<QString> emptied = emptiedRequiredField(source->imported.values, values))
        return refuse(*emptied);
    const OtherFieldEdits otherEdits = otherFieldEditsOf(*source, others);
    const std::optional<PadUpdate> update = updatePad(*source, values, otherEdits, today, &reason);
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
    // The file as the update leaves it, judged as --check judges it.
    FileCheck check;
    check.path = request.file;
    check.problems = documentProblems(update->document ? *update->document : *source);
    for (const QString &line : checkLines(check))
        out << line << u'\n';
    out.flush();
    return check.status() == CheckPassed ? UpdateDone : UpdateDoneWithErrors;
}

} // namespace Cli
