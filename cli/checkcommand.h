#pragma once

#include <QStringList>

class QDate;
class QTextStream;

namespace Cli {

// Checks files as "quillet --check" does and prints one line per problem, or
// with json the one JSON document, to out. Returns the exit status: 0 when
// no file has an error, 1 when some file has one, 2 when some file cannot be
// read as a PAD file. today decides the century of two-digit years.
int runCheck(const QStringList &files, bool json, const QDate &today, QTextStream &out);

} // namespace Cli
