#pragma once

#include "addressfetch.h"
#include "exportplan.h"

#include <QDate>
#include <QString>

class QTextStream;

namespace Cli {

// What "quillet --export winget|appstream PAD_FILE" asks for.
struct ExportRequest
{
    Export::Catalog catalog = Export::Catalog::Winget;
    QString padFile;
    QString outDir;    // where the files go; the current folder when empty
    QString installer; // a local installer to read, or an http or https address to download it from, for winget
    bool fromDownload = false; // download the installer from the PAD file's Primary_Download_URL
    Online::FetchSettings fetch; // how an installer is downloaded
    bool dryRun = false; // print the files instead of writing them
    bool json = false;   // one JSON document instead of lines
    Export::Answers answers;
};

// Exports the PAD file to the catalog: the files written (or with dryRun
// their text), then one line per problem as --check prints them, or the
// one JSON document; why nothing could be read or written goes to err.
// Returns the Export::ExportStatus: 0 written, 1 written with warnings, 2
// nothing written. today decides the century of two-digit years.
int runExport(const ExportRequest &request, const QDate &today, QTextStream &out, QTextStream &err);

} // namespace Cli
