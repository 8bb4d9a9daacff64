#pragma once

#include "padform.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace Pad {

inline constexpr int PadLineCount = 105;

// Escapes a free-text value for element content: & and < always, the > of a
// "]]>" so that the sequence cannot end up in the file, and a carriage return
// as a reference, which XML would otherwise read as a line feed. Generate and
// Update escape alike.
QString escapeContent(const QString &text);

// Month and day without leading zeros, the year padded to four digits.
struct ReleaseDateNumbers
{
    QString month;
    QString day;
    QString year;
};
ReleaseDateNumbers releaseDateNumbers(const QDate &date);

// The cost element: the empty form when no cost was typed.
QString costElement(const QString &cost);

// The ticked entries joined by commas, in the order of the OS list.
QString osSupportValue(const QStringList &ticked);

// The whole document, one entry per line, without line ends.
QStringList padFileLines(const PadValues &values);

// The first field, in the order the file holds them, whose text holds a
// character that cannot be saved, named for the author.
std::optional<FieldProblem> findUnsavableField(const PadValues &values);

// UTF-8 without a byte-order mark, every line ended by CR LF.
QByteArray padFileBytes(const QStringList &lines);

// The path with its extension replaced by, or extended with, ".xml".
QString forceXmlExtension(const QString &path);

// Replaces the file at path atomically: on failure any earlier file stays as
// it was, nothing partial remains, and errorString says why.
bool savePadFile(const QString &path, const QByteArray &bytes, QString *errorString);

} // namespace Pad
