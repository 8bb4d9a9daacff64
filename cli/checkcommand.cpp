#include "checkcommand.h"

#include "padcheck.h"

#include <QTextStream>

namespace Cli {

int runCheck(const QStringList &files, bool json, const QDate &today, QTextStream &out)
{
    const QList<Pad::FileCheck> checks = Pad::checkPadFiles(files, today);
    if (json) {
        out << Pad::checkReport(checks).toJson(QJsonDocument::Indented);
    } else {
        for (const Pad::FileCheck &check : checks) {
            for (const QString &line : Pad::checkLines(check))
                out << line << u'\n';
        }
    }
    out.flush();
    return Pad::worstStatus(checks);
}

} // namespace Cli
