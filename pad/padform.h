#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

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

// The control's object name, e.g. "Company_Website_URL".
QString objectName(TextField field);
// The field's name as the user reads it in messages, e.g. "Company Website".
QString displayName(TextField field);

const QStringList &ProgramTypeList();
const QStringList &OsSupportList();

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

// Where a check failed: a text field, or the OS list when field is empty.
struct FieldProblem
{
    std::optional<TextField> field;
    QString message;
    bool operator==(const FieldProblem &) const = default;
};

// Whether the required-field checks ask for the field to be filled.
bool isRequired(TextField field);

// The required-field checks in their fixed order; the first failure, if any.
std::optional<FieldProblem> validate(const PadValues &values);

// XML 1.0 cannot carry every character: C0 controls other than tab, LF and CR,
// U+FFFE, U+FFFF, and unpaired surrogates. The index in text of the first
// such character (of an unpaired surrogate itself); -1 when there is none.
qsizetype firstNonXmlChar(QStringView text);

// The first field, in the order the writer emits them, whose text cannot be saved.
std::optional<FieldProblem> findUnsavableField(const PadValues &values);

} // namespace Pad
