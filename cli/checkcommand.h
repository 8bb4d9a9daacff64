#pragma once

#include "addressfetch.h"

#include <QStringList>

class QDate;
class QTextStream;

namespace Cli {

// The exit status of a check stopped by Ctrl+C, as shells give a program
// that SIGINT ended (128 + 2), so that scripts tell it from a verdict.
inline constexpr int InterruptedStatus = 130;

struct CheckOptions
{
    bool json = false; // one JSON document instead of lines
    // After the checks of each file, fetch its addresses as download sites do.
    bool online = false;
    // How addresses are fetched (--online, and files given as http or https
    // addresses): the deadline per address, the proxy, TLS.
    Online::FetchSettings fetch;
    // Let Ctrl+C (SIGINT) stop the fetching and report what was checked.
    bool stopOnInterrupt = false;
};

// Whether a name given to --check is an address (scheme://...) rather than a file.
bool isAddressArgument(const QString &argument);

// Checks files as "quillet --check" does and prints one line per problem, or
// with json the one JSON document, to out. A name that is an http or https
// address is fetched (at most Pad::MaxPadFileSize) and checked as a file;
// one that cannot be fetched counts as a file that cannot be read. Returns
// the exit status: 0 when no file has an error, 1 when some file has one, 2
// when some file cannot be read as a PAD file, InterruptedStatus when Ctrl+C
// stopped it. today decides the century of two-digit years.
int runCheck(const QStringList &files, const CheckOptions &options, const QDate &today, QTextStream &out);
int runCheck(const QStringList &files, bool json, const QDate &today, QTextStream &out);

} // namespace Cli
