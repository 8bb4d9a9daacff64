#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>

namespace Pad {

// The thirteen free-text fields, in the order Clear All empties them.
enum class TextField {
    Company_Name,
    Company_Website_URL,
    Contact_Email,
    Program_Name,
    Program_Version,
    Program_Cost_Dollars,
    File_Size_Bytes,
    Keywords,
    Char_Desc_450,
    Application_Info_URL,
    Application_XML_File_URL,
    Primary_Download_URL,
    Application_Screenshot_URL,
};
inline constexpr int TextFieldCount = 13;

// Typing limits of the two long fields; text placed by the program may exceed them.
inline constexpr int KeywordsLimit = 250;
inline constexpr int DescriptionLimit = 450;

// What a field of the form holds, and so how it is read, written and shown.
enum class FieldKind {
    Text,        // free text
    ReleaseDate, // a calendar date, three numbers in a file
    ProgramType, // one entry of ProgramTypeList(), or none
    OsSupport,   // entries of OsSupportList()
};

// The window's four groups of fields, in its order.
enum class FormGroup { Company, Program, Other, Web };

// Where the window lays a field out: the cell of its control in its group's
// grid, the label standing in the column before it, the control's least
// width in pixels and, for a control of several lines, its height in lines.
struct FormPlace
{
    FormGroup group;
    int row;
    int column;
    int rowSpan;
    int columnSpan;
    int width;
    int lines;
};

// One field of the form. This table is the one place that says where a
// field's value lives in a file, how the window names, labels and lays out
// its control, how messages name the field, whether Generate asks for it and
// what its control's tooltip says; the reader, the update, the checks, the
// command line and the window take it from here.
struct FormField
{
    FieldKind kind;
    TextField text;      // which one, for FieldKind::Text
    QStringList paths;   // below the document element; the release date's month, day and year
    QString name;        // the window's name of the field, "companyName"
    QString displayName; // as the window, --check and --update name it
    QString caption;     // the label beside the control, "Company Name :"
    FormPlace place;
    bool required;       // Generate stops while it is empty
    bool optional;       // its label says that download sites can do without it
    int typingLimit;     // the most characters typing puts in; 0: no limit
    QString tip;         // what belongs there

    const QString &path() const { return paths.constFirst(); }
    // The name of the window's control, its kind's word after the field's
    // name: "companyNameEdit", "programTypeBox", "osSupportList".
    QString objectName() const;
    // The name of the control's label: "companyNameLabel".
    QString labelName() const;
    // The name --set takes: the element's, and for the release date, whose
    // three elements take one value, Program_Release_Date.
    QString setName() const;
    // What Generate says when the field is empty: "Company Name must be
    // filled", "Please select OS Support".
    QString emptyMessage() const;
};

// The sixteen fields, in the window's order.
const QList<FormField> &formFields();
const FormField &formField(TextField field);
// One of the three fields that are not text.
const FormField &formField(FieldKind kind);
// The field one of whose elements is at path, or nullptr.
const FormField *formFieldAt(QStringView path);

// The control's object name, e.g. "companyWebsiteEdit".
QString objectName(TextField field);
// The field's name as the user reads it in messages, e.g. "Company Website".
QString displayName(TextField field);

const QStringList &ProgramTypeList();
const QStringList &OsSupportList();

// The entry of the type list that text names, letter case aside; empty when none does.
QString programTypeEntry(QStringView text);
// The entry of the OS list that name names, letter case and blanks aside
// ("mac  os x" names "Mac OS X"); empty when none does. Importing, --set and
// the update know a name by this one rule.
QString osSupportEntry(QStringView name);

// An OS list as a file or a script writes it, names separated by commas.
struct OsNames
{
    QStringList entries; // the list's entries it names, in the list's order
    QStringList unknown; // the names the list lacks, each once (letter case and blanks aside)
};
// How OsNames::unknown spells a name: with its blanks simplified, as it is
// looked up (a long list wraps over lines), or as written but for the blanks
// around it, as an update writes it back.
enum class OsNameSpelling { Simplified, AsWritten };
OsNames readOsNames(const QString &text, OsNameSpelling unknownAs = OsNameSpelling::Simplified);

// Those of entries that the OS list holds, in its order.
QStringList inListOrder(const QStringList &entries);

// One snapshot of the form: what the window gathers for the writer and what
// the reader hands back to the window.
struct PadValues
{
    std::array<QString, TextFieldCount> texts;
    QDate releaseDate;
    QString programType;  // empty: no entry selected
    QStringList osSupport; // ticked entries, in OsSupportList order

    QString &text(TextField field) { return texts[static_cast<int>(field)]; }
    const QString &text(TextField field) const { return texts[static_cast<int>(field)]; }
    bool operator==(const PadValues &) const = default;
};

// A field's value as a person reads it: a text as it is, a date as
// YYYY-MM-DD (empty when there is none), the type, the ticked systems in the
// list's order separated by commas, as a file writes them.
QString valueText(const PadValues &values, const FormField &field);
// Whether the field holds nothing: no text, no date, no type, nothing ticked.
bool isEmptyValue(const PadValues &values, const FormField &field);
// Sets the field from a value as a script gives it: a text as it is, a date
// as YYYY-MM-DD or "today", a type of the list, systems of the list separated
// by commas. False, with the reason, for a value the field cannot take.
bool setValueText(PadValues &values, const FormField &field, const QString &text, const QDate &today,
                  QString *reason);

// Where a check failed, and what it says.
struct FieldProblem
{
    const FormField *field;
    QString message;
    bool operator==(const FieldProblem &) const = default;
};

// The required-field checks in their fixed order, what is typed or chosen
// before what is ticked; the first failure, if any.
std::optional<FieldProblem> validate(const PadValues &values);

// XML 1.0 cannot carry every character: C0 controls other than tab, LF and CR,
// U+FFFE, U+FFFF, and unpaired surrogates. The index in text of the first
// such character (of an unpaired surrogate itself); -1 when there is none.
qsizetype firstNonXmlChar(QStringView text);

// The white space of XML: blank, tab, line feed and carriage return.
inline bool isXmlWhitespace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

} // namespace Pad
