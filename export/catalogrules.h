#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

namespace Export {

// The three files of a winget manifest: the version file that ties them
// together, the installer file and the default locale's file.
enum class ManifestFile { Version, Installer, DefaultLocale };

// What becomes of a value that breaks its key's rule.
enum class Mend {
    Refuse,   // nothing is written: the catalog would reject the manifest
    Cut,      // cut to the most characters the key takes, with a note
    LeaveOut, // the key is left out, with a note
};

// One key of a winget manifest (version 1.12.0) and what the catalog
// takes in it: whether it must be there, the pattern and the lengths of its
// value (in characters, counted as code points), the words it may be, and
// for a list the most items and each item's length.
struct KeyRule
{
    ManifestFile file;
    QString key; // as the file writes it; an installer's keys below "Installers/"
    bool required = false;
    QRegularExpression pattern; // empty: any text
    int minLength = 0;
    int maxLength = 0;          // 0: no bound
    QStringList allowed;        // empty: any word
    int maxItems = 0;           // for a list; 0: not a list
    Mend mend = Mend::Refuse;
    QString what;               // the rule in a sentence, for messages
};

// Every key that an export writes, in the order the files write them.
const QList<KeyRule> &wingetRules();
// The rule of key in file, or nullptr.
const KeyRule *wingetRule(ManifestFile file, const QString &key);

inline constexpr QLatin1StringView WingetManifestVersion("1.12.0");
inline constexpr QLatin1StringView WingetLocale("en-US");

// How many characters the catalog counts in text: code points, not the
// UTF-16 units a QString holds.
int characterCount(const QString &text);
// text cut to at most count code points, without a blank at its end.
QString cutToCharacters(const QString &text, int count);

// How a value keeps to its rule.
struct RuleOutcome
{
    enum Kind { Keeps, Cut, LeftOut, Refused };
    Kind kind = Keeps;
    QString value;   // what is written (for Keeps and Cut)
    QString message; // for the others: what was wrong, and what was done
};

// Holds one value (or one item of a list) to the rule.
RuleOutcome applyRule(const KeyRule &rule, const QString &value);

// The item rule of a list key such as Tags: each item's length; the list's
// own rule gives maxItems.
RuleOutcome applyItemRule(const KeyRule &rule, const QString &item);

// AppStream: a component id is a reverse domain name, of at least three
// parts of letters, digits and underscores, none starting with a digit.
const QRegularExpression &appStreamIdPattern();
// An SPDX licence expression, as project_license takes it: identifiers
// (LicenseRef-... included) joined by AND, OR and WITH, with parentheses.
bool isSpdxExpression(const QString &text);

} // namespace Export
