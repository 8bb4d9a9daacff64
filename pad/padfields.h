#pragma once

#include "padform.h"

#include <QList>
#include <QMap>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace Pad {

// Every field of the PAD format (its last published version, 4.0, public
// domain), in the format's order, taken from pad/padfields.tsv when the
// program is built. The form's sixteen fields keep their own rules
// (padrules); every other field is held to the format's rule.
struct FormatField
{
    QString path;  // below XML_DIZ_INFO: "Program_Descriptions/English/Char_Desc_80"
    QString title; // as the format names it: "80 character description"
    QString rule;  // the rule in the format's words; empty when it gives none
    QRegularExpression pattern; // the rule as a pattern; an empty one takes any text
};

const QList<FormatField> &formatFields();

// The field of the table at path, or nullptr when the table does not know it.
// A description in another language ("Program_Descriptions/German/Char_Desc_80")
// has the field of its English counterpart.
const FormatField *formatField(QStringView path);

// A pattern as the format publishes it (Perl style) for QRegularExpression:
// Perl's \Z also takes a final line break, which the format means to refuse,
// so it becomes \z; \xHH (Latin-1 letters such as \xbc-\xff) becomes \x{HH}.
QString convertPerlPattern(QStringView perl);

// The hint for a value that breaks the format's rule of the field at path, or
// nullopt when it keeps it, the table does not know the path, or the value is
// empty: the format asks for some fields to be filled, but an author may leave
// out what a program needs no more than the form asks for.
std::optional<QString> formatRuleHint(QStringView path, const QString &value);

// The root below which descriptions stand, one element per language.
inline constexpr QLatin1StringView DescriptionsPath("Program_Descriptions");
inline constexpr QLatin1StringView DefaultLanguage("English");

// What exactly a value breaks of the format's rule of the field at path
// ("is too long: 52 of 45 characters", "holds a line break"), with the hint;
// nullopt as for formatRuleHint.
struct FormatBreach
{
    QString what;
    QString hint;
};
std::optional<FormatBreach> formatRuleBreach(QStringView path, const QString &value);

// The languages the format names, in its order ("Abkhazian" to "Zulu").
const QStringList &formatLanguages();
// The element names a language block may hold: those of the English block.
const QStringList &descriptionElements();
// The language of a path inside Program_Descriptions, or an empty view.
QStringView descriptionLanguage(QStringView path);

// Whether the window shows the value at path: its thirteen text fields, the
// release date's three elements, the program type and the OS list.
bool shownInWindow(QStringView path);

// The groups in which the format arranges its fields, in its order.
enum class FieldGroup {
    PadFile,
    Company,
    Support,
    Program,
    File,
    Expiry,
    Descriptions,
    WebAddresses,
    Downloads,
    Permissions,
    PressRelease,
    NewsFeed,
    Affiliates,
    Asp,
};
inline constexpr int FieldGroupCount = 14;
FieldGroup fieldGroup(QStringView path);
QString groupTitle(FieldGroup group);

// Whether the field holds one of the long texts (the 2000-character
// description, the permissions, the EULA, the press release) that want an
// editor of several lines: its rule allows more than 1000 characters.
bool isLongText(const FormatField &field);
// The most characters the rule allows, or nullopt when it sets no bound.
std::optional<int> lengthLimit(const FormatField &field);

// The size in kilobytes and in megabytes for a size in bytes, as the format
// writes them: at most two decimals and no trailing zeros ("1.5", "12", "0.01").
QString fileSizeKilobytes(qint64 bytes);
QString fileSizeMegabytes(qint64 bytes);

// A value at a path below XML_DIZ_INFO.
struct PathText
{
    QString path;
    QString text;
    bool operator==(const PathText &) const = default;
};

// The values of the fields the window does not show, as a file holds them or
// as the author set them in the More PAD Fields dialog.
struct OtherFields
{
    // By path: the table's fields (but the PAD file's own version block,
    // which stays as the file has it) and the descriptions in other languages.
    // A path left out has no value of the author's.
    QMap<QString, QString> values;
    QStringList languages; // the other languages with descriptions, in order
    bool operator==(const OtherFields &) const = default;
};

// Sorts the elements of a file that hold no child element (path and text, in
// document order) into the fields the window does not show and, in kept when
// given, the elements the table does not know. A path met again is kept too:
// the first element of a path is the one that counts.
OtherFields otherFieldsOf(const QList<PathText> &leaves, QList<PathText> *kept = nullptr);

// Whether a value of the fields differs from what the file holds, an element
// the file lacks counting as empty, or the languages differ. A path that
// fields lacks keeps what the file holds.
bool holdsChanges(const OtherFields &file, const OtherFields &fields);

// What turns the file's fields into the author's: the values that differ, in
// the table's order (an element the file lacks counting as empty), every
// description element of a language the file lacks, so that its block is
// whole, and the languages whose blocks go.
struct OtherFieldEdits
{
    QList<PathText> values;
    QStringList removedLanguages;
    bool isEmpty() const { return values.isEmpty() && removedLanguages.isEmpty(); }
};
OtherFieldEdits otherFieldEdits(const OtherFields &file, const OtherFields &fields);

// The author's fields set on top of what the file holds now: the values the
// author changed since the file was read as read (set, or made in a language
// the author added) and the languages added or removed, over now's own. So
// an update of a file that changed on disk writes the author's changes and
// keeps the file's new values, a language both added in a block of its own.
OtherFields rebasedFields(const OtherFields &read, const OtherFields &author, const OtherFields &now);

// The field's name as messages give it: the window's name for one of its
// fields, otherwise the table's title, and for a description in another
// language the language too ("80 character description (German)").
QString fieldDisplayName(QStringView path);

// The sizes in K and MB that follow a new size in bytes, for those of the two
// elements the file has; none when the size is no number of digits.
QList<PathText> followingFileSizes(const QString &sizeInBytes, bool hasKilobytes, bool hasMegabytes);

inline constexpr QLatin1StringView FileSizeKilobytesPath("Program_Info/File_Info/File_Size_K");
inline constexpr QLatin1StringView FileSizeMegabytesPath("Program_Info/File_Info/File_Size_MB");

// A value of a file that breaks the format's rule of its field.
struct RuleBreak
{
    QString path;
    QString value;
    QString hint;
    bool operator==(const RuleBreak &) const = default;
};
// The values of the file's elements (path and text, in document order) that
// break the format's rules, but for the window's fields, which keep their
// own rules. Only the first element of a path counts, as for the reader.
QList<RuleBreak> formatRuleBreaks(const QList<PathText> &leaves);

} // namespace Pad
