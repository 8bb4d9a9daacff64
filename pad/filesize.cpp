#include "filesize.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Pad {

namespace {

bool holdsWildcard(const QString &fileName)
{
    return fileName.contains(u'*') || fileName.contains(u'?');
}

// Only * and ? are wildcards in a chosen name; QDir would also read [...] as
// a character set, so a bracket has to stand for itself.
QString nameFilterFor(const QString &pattern)
{
    QString filter;
    filter.reserve(pattern.size());
    for (const QChar c : pattern) {
        if (c == u'[')
            filter += QStringLiteral("[[]");
        else
            filter += c;
    }
    return filter;
}

std::optional<QFileInfo> firstMatchingFile(const QString &fileName)
{
    const QFileInfo patternInfo(fileName);
    const QDir folder = patternInfo.dir();
    // Hidden files count: the name the user typed is the whole filter.
    const QFileInfoList matches =
        folder.entryInfoList({nameFilterFor(patternInfo.fileName())},
                             QDir::Files | QDir::Hidden, QDir::Name);
    if (matches.isEmpty())
        return std::nullopt;
    return matches.constFirst();
}

std::optional<qint64> fail(QString *errorMessage, const char *text, const QString &fileName)
{
    if (errorMessage)
        *errorMessage = QCoreApplication::translate("Pad", text)
                                .arg(QDir::toNativeSeparators(fileName));
    return std::nullopt;
}

} // namespace

std::optional<qint64> fileSize(const QString &fileName, QString *errorMessage)
{
    QFileInfo info(fileName);
    if (!info.exists() && holdsWildcard(fileName)) {
        if (const auto match = firstMatchingFile(fileName))
            info = *match;
    }
    if (!info.exists())
        return fail(errorMessage, QT_TRANSLATE_NOOP("Pad", "%1 was not found"), fileName);
    if (!info.isFile())
        return fail(errorMessage, QT_TRANSLATE_NOOP("Pad", "%1 is not a file"), fileName);
    return info.size();
}

} // namespace Pad
