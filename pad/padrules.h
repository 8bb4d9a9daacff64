#pragma once

#include "padform.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace Pad {

// The field rules that download sites check a PAD file against. They only
// advise: nothing refuses a value because it breaks one.

// One rule of one field. A field may have several rows; the first row it
// breaks gives its hint, so the rows of a field go from the basic to the fine.
struct FieldRule
{
    TextField field;
    bool (*passes)(QStringView value); // asked only about non-empty values
    QString hint;                      // one sentence saying what the rule expects
};

// Every rule, grouped by field in TextField order.
const QList<FieldRule> &fieldRules();

// The hint of the first rule the value breaks, or nullopt when it breaks none.
// An empty value never gets a hint: the required fields' checks report it, and
// the optional fields may stay empty.
std::optional<QString> ruleHint(TextField field, const QString &value);

inline constexpr int EarliestReleaseYear = 1900;
inline constexpr int LatestReleaseYear = 2199;

// The hint when the date's year lies outside what the sites accept; nullopt for
// an invalid date, which the reader's notes already describe.
std::optional<QString> releaseDateHint(const QDate &date);

// The values the user picks rather than types.
enum class PickedField {
    Release_Date,
    Program_Type,
    Program_OS_Support,
};

// A tooltip saying what belongs in the field.
QString fieldTip(TextField field);
QString fieldTip(PickedField field);

// The field's name as messages give it, e.g. "Release Date".
QString displayName(PickedField field);

} // namespace Pad
