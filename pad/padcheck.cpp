#include "padcheck.h"

#include "padreader.h"
#include "padrules.h"

#include <QDir>

#include <algorithm>

namespace Pad {

QStringList formProblems(const PadValues &values)
{
    QStringList problems;
    const auto add = [&](const QString &name, const QString &what) {
        problems << name + QStringLiteral(": ") + what;
    };
    for (int i = 0; i < TextFieldCount; ++i) {
        const auto field = static_cast<TextField>(i);
        const QString &value = values.text(field);
        if (value.isEmpty() && isRequired(field))
            add(displayName(field), QStringLiteral("must be filled"));
        else if (const std::optional<QString> hint = ruleHint(field, value))
            add(displayName(field), *hint);
        // The date sits after the version in the window.
        if (field == TextField::Program_Version) {
            if (const std::optional<QString> hint = releaseDateHint(values.releaseDate))
                add(displayName(PickedField::Release_Date), *hint);
        }
    }
    return problems;
}

int checkPadFiles(const QStringList &paths, const QDate &today, QTextStream &out)
{
    int worst = CheckPassed;
    for (const QString &path : paths) {
        const QString shownPath = QDir::toNativeSeparators(path);
        const auto report = [&](const QString &line) {
            out << shownPath << QStringLiteral(": ") << line << u'\n';
        };
        QString reason;
        const std::optional<PadImport> imported = readPadFile(path, today, nullptr, &reason);
        if (!imported) {
            report(reason);
            worst = CheckRefused;
            continue;
        }
        const QStringList problems = imported->notes + formProblems(imported->values);
        for (const QString &problem : problems)
            report(problem);
        if (!problems.isEmpty())
            worst = std::max<int>(worst, CheckFoundProblems);
    }
    out.flush();
    return worst;
}

} // namespace Pad
