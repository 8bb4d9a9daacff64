#pragma once

#include "padform.h"

#include <QDate>
#include <QStringList>
#include <QTextStream>

namespace Pad {

// What checking PAD files found, worst first; the values are the exit status
// of "quillet --check".
enum CheckStatus {
    CheckPassed = 0,        // no file has a problem
    CheckFoundProblems = 1, // a field breaks a rule, is empty though required, or has a note
    CheckRefused = 2,       // the reader refused a file
};

// The problems of a form, one "Field: what is wrong" line each, in the window's
// order: an empty required field ("Company Name: must be filled", since
// Generate would stop there) or the hint of the field's first broken rule.
// The OS list is not among them: the reader's notes describe why it is empty.
QStringList formProblems(const PadValues &values);

// Reads each file as the window imports it and writes to out one line per
// problem: "FILE: reason" when the reader refuses the file, otherwise
// "FILE: note" for each import note and "FILE: Field: what is wrong" for each
// form problem. Returns the worst status over all files; CheckPassed for none.
// today decides the century of two-digit years, as in the window.
int checkPadFiles(const QStringList &paths, const QDate &today, QTextStream &out);

} // namespace Pad
