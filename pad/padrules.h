#pragma once

#include "padform.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>

namespace Pad {

// The field rules that download sites check a PAD file against. In the
// window they only advise: nothing refuses a value because it breaks one.

// How much a problem weighs in a check: download sites refuse a value that
// breaks an error rule, a warning only advises, and a note says what an
// import could not take over.
enum class Severity {
    Error,
    Warning,
    Note,
};

// "error", "warning" or "note", as a check prints it.
QString severityName(Severity severity);

// A character as a problem names it: "a tab", "a line break", "a blank", "a \"<\"".
QString characterName(QChar c);
// The character at index of value, whole when a surrogate pair makes it up.
QString characterNameAt(QStringView value, qsizetype index);

// A value as a problem shows it: quoted, with its control characters
// escaped as escapedControls() does, so that it stays on its line, and cut to
// about 60 characters with an ellipsis.
QString quotedValue(const QString &value);

// text with every control character written out, so that a terminal shows
// it rather than obeying it: line breaks and tabs as \n, \r and \t, the
// others (escape, bell, C1 controls, ...) as \x1b and the like.
QString escapedControls(QStringView text);

// One part of a rule, such as a length or the characters a value may hold:
// for a value that breaks it, what exactly is wrong ("is too long: 512 of 450
// characters", "holds a tab"); nullopt for a value that keeps to it.
using RulePart = std::function<std::optional<QString>(QStringView value)>;

// One rule of one field. A field may have several rows; the first row it
// breaks gives its hint, so the rows of a field go from the basic to the fine.
struct FieldRule
{
    TextField field;
    Severity severity;     // Error or Warning
    QList<RulePart> parts; // a value passes when it breaks none; asked only about non-empty values
    QString hint;          // one sentence saying what the rule expects

    // What the first part the value breaks says, or nullopt when it breaks none.
    std::optional<QString> breach(QStringView value) const;
};

// Every rule, grouped by field in TextField order.
const QList<FieldRule> &fieldRules();

// The hint of the first rule the value breaks, or nullopt when it breaks none.
// An empty value never gets a hint: the required fields' checks report it, and
// the optional fields may stay empty.
std::optional<QString> ruleHint(TextField field, const QString &value);

// What is wrong with a value, as exactly as the first rule it breaks can say.
struct RuleBreach
{
    Severity severity;
    QString what; // such as "is too long: 512 of 450 characters"
    QString hint; // the rule's sentence
};

// The first rule the value breaks, or nullopt (also for an empty value).
std::optional<RuleBreach> ruleBreach(TextField field, const QString &value);

inline constexpr int EarliestReleaseYear = 1900;
inline constexpr int LatestReleaseYear = 2199;

// The hint when the date's year lies outside what the sites accept; nullopt for
// an invalid date, which the reader's notes already describe.
std::optional<QString> releaseDateHint(const QDate &date);
// What is wrong with such a year, as "the year 1899 lies before 1900".
std::optional<QString> releaseDateBreach(const QDate &date);

// Download sites require a program type; the form holds none only after an
// import of a type that its list lacks. The hint for an empty type, or nullopt.
std::optional<QString> programTypeHint(const QString &programType);

// The rules that weigh one field against another, each a warning.
// A Freeware or Adware program costs nothing: what is wrong with its cost, or nullopt.
std::optional<QString> freeProgramCostBreach(const QString &programType, const QString &cost);
// "Not Applicable" ticked together with an operating system: what is wrong, or nullopt.
std::optional<QString> notApplicableBreach(const QStringList &osSupport);

} // namespace Pad
