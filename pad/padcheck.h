#pragma once

#include "padfields.h"
#include "padform.h"
#include "padreader.h"
#include "padrules.h"

#include <QDate>
#include <QJsonDocument>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace Pad {

// The status of one checked file, and of "quillet --check" as a whole, which
// exits with the worst over its files.
enum CheckStatus {
    CheckPassed = 0,      // no error: warnings and notes leave a file passed
    CheckFoundErrors = 1, // download sites would refuse a value, or a required field is empty
    CheckRefused = 2,     // the reader refused the file
};

// One problem found in a file.
struct CheckProblem
{
    Severity severity;
    // The path below XML_DIZ_INFO of the field it concerns, as
    // "Company_Info/Company_WebSite_URL"; nullopt when it concerns no single
    // element (an invalid release date, whose three elements make it, say).
    std::optional<QString> path;
    // The offending value, whole; nullopt for an empty field and for a note,
    // whose message names what it could not take over.
    std::optional<QString> value;
    // "Field: what is wrong", with the value quoted and cut short, such as
    // Descriptions: "Widget…" holds a line break. A description has ...
    QString message;
    bool operator==(const CheckProblem &) const = default;
};

// What checking one file found.
struct FileCheck
{
    QString path;                  // as given
    std::optional<QString> reason; // why the reader refused the file
    // The import's notes first, then the form's problems in the window's
    // order, then the other fields' in the file's order.
    QList<CheckProblem> problems;

    CheckStatus status() const;
};

// The problems of a form, in the window's order: an empty required field
// ("Company Name: must be filled", since Generate would stop there), the
// first rule each field breaks, an empty program type or OS list (download
// sites require both), and the rules that weigh one field against another.
QList<CheckProblem> formProblems(const PadValues &values);

// The values of a file's other elements (path and text, in document order)
// that break the PAD format's rules, each an error naming the element by its
// path. The window's fields are left to formProblems.
QList<CheckProblem> formatProblems(const QList<PathText> &leaves);

// The problems of a file as read: the import's notes, the form's problems
// and the other fields'.
QList<CheckProblem> documentProblems(const PadDocument &document);

// Reads the file as the window imports it and checks what it holds. today
// decides the century of two-digit years, as in the window.
FileCheck checkPadFile(const QString &path, const QDate &today);
QList<FileCheck> checkPadFiles(const QStringList &paths, const QDate &today);

// The worst status over the files; CheckPassed for none.
CheckStatus worstStatus(const QList<FileCheck> &checks);

// One line per problem, "FILE: severity: message", or "FILE: error: reason"
// for a refused file; the path with the platform's separators.
QStringList checkLines(const FileCheck &check);

// {"files": [{"file": PATH, "status": 0|1|2, "reason": TEXT or null,
//   "problems": [{"field": PATH or null, "value": TEXT or null,
//                 "severity": "error"|"warning"|"note", "message": TEXT}]}]}
QJsonDocument checkReport(const QList<FileCheck> &checks);

} // namespace Pad
