#pragma once

#include <QDate>
#include <QStringList>

class QTextStream;

namespace Cli {

// What "quillet --update FILE [--set NAME=VALUE]... [--dry-run]" asks for.
struct UpdateRequest
{
    QString file;
    QStringList settings; // "NAME=VALUE", in the order given; a later one wins
    bool dryRun = false;
};

// The exit status of "quillet --update".
enum UpdateStatus {
    UpdateDone = 0,           // written (or, with --dry-run, shown), and no field has an error
    UpdateDoneWithErrors = 1, // the same, but some field has an error, as --check counts them
    UpdateRefused = 2,        // nothing was written
};

// The element names that --set takes, in the window's order.
QStringList settableNames();

// Updates the file as the window's File, Update PAD File does, with the
// file's own values as the form and the settings applied to them. Changes,
// the summary and the fields' problems, as --check prints them, go to out;
// why nothing was written goes to err. today stands for "today" and decides
// the century of two-digit years.
int runUpdate(const UpdateRequest &request, const QDate &today, QTextStream &out,
              QTextStream &err);

} // namespace Cli
