#include "updatecommand.h"

#include "filesize.h"
#include "padcheck.h"
#include "padsession.h"
#include "padwriter.h"

#include <QDir>
#include <QTextStream>

namespace Cli {

using namespace Pad;

namespace {

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

// Sets one of the window's fields, or says why it cannot. A file size of
// @PATH is the size of the file at PATH.
bool setFormField(const FormField &field, const QString &value, const QDate &today, PadValues &values,
                  QString *reason)
{
    if (field.kind != FieldKind::Text || field.text != TextField::File_Size_Bytes || !value.startsWith(u'@'))
        return setValueText(values, field, value, today, reason);
    if (value.size() == 1) {
        *reason = QStringLiteral("%1: @ takes the size of a file, but no file name follows it; give %1=@PATH")
                      .arg(field.setName());
        return false;
    }
    QString error;
    const std::optional<qint64> size = fileSize(value.mid(1), &error);
    if (!size) {
        *reason = QStringLiteral("%1: %2").arg(field.setName(), error);
        return false;
    }
    values.text(field.text) = QString::number(*size);
    return true;
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
        if (field.required && isEmptyValue(after, field) && !isEmptyValue(before, field))
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
    PadSession session;
    const PadDocument *source = session.open(request.file, today, &reason);
    if (!source)
        return refuse(reason);
    PadValues values = source->imported.values;
    OtherFields others = session.otherFields();
    for (const QString &setting : request.settings) {
        if (!applySetting(setting, today, values, others, &reason))
            return refuse(reason);
    }
    // The file may break rules already; only what the settings break refuses them.
    if (const std::optional<QString> emptied = emptiedRequiredField(source->imported.values, values))
        return refuse(*emptied);
    session.setOtherFields(others);
    // The values come from the file as read above: a file that changes
    // before the update is written is not overwritten, since the values
    // would undo what changed.
    const auto ask = [](PadSession::Question) { return false; };
    const PadSession::UpdateResult result = session.update(values, today, ask, !request.dryRun);
    switch (result.outcome) {
    case PadSession::UpdateResult::Outcome::Done:
        break;
    case PadSession::UpdateResult::Outcome::Declined:
        return refuse(QStringLiteral("it changed on disk while it was being updated; nothing was written"));
    case PadSession::UpdateResult::Outcome::Refused:
        return refuse(result.reason);
    case PadSession::UpdateResult::Outcome::NotSaved:
        return refuse(QStringLiteral("could not be saved: %1").arg(result.reason));
    }
    const PadSession::PendingUpdate &pending = *result.pending;
    const QList<FieldChange> &changes = pending.update.changes;
    if (request.dryRun) {
        for (const FieldChange &change : changes)
            out << change.field << QStringLiteral(": ") << oneLine(change.before)
                << QStringLiteral(" -> ") << oneLine(change.after) << u'\n';
        if (changes.isEmpty())
            out << QStringLiteral("Nothing would change in %1").arg(shownPath) << u'\n';
    } else {
        out << updateSummary(shownPath, changes) << u'\n';
    }
    // The file as the update leaves it, judged as --check judges it.
    FileCheck check;
    check.path = request.file;
    check.problems = documentProblems(pending.result());
    for (const QString &line : checkLines(check))
        out << line << u'\n';
    out.flush();
    return check.status() == CheckPassed ? UpdateDone : UpdateDoneWithErrors;
}

} // namespace Cli
