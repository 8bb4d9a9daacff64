#include "padform.h"

#include <QStringView>

#include <algorithm>

namespace Pad {

namespace {

struct FieldNames
{
    const char *object;
    const char *display;
};

// Indexed by TextField.
constexpr std::array<FieldNames, TextFieldCount> fieldNames{{
    {"Company_Name", "Company Name"},
    {"Company_Website_URL", "Company Website"},
    {"Contact_Email", "Contact E-mail"},
    {"Program_Name", "Program Name"},
    {"Program_Version", "Program Version"},
    {"Program_Cost_Dollars", "Cost"},
    {"File_Size_Bytes", "File Size"},
    {"Keywords", "Keywords"},
    {"Char_Desc_450", "Descriptions"},
    {"Application_Info_URL", "Application Info URL"},
    {"Application_XML_File_URL", "PAD XML File URL"},
    {"Primary_Download_URL", "Primary Download URL"},
    {"Application_Screenshot_URL", "Application Screenshot URL"},
}};

constexpr std::array requiredInCheckOrder{
    TextField::Company_Name,         TextField::Company_Website_URL,
    TextField::Contact_Email,        TextField::Program_Name,
    TextField::Program_Version,      TextField::File_Size_Bytes,
    TextField::Keywords,             TextField::Char_Desc_450,
    TextField::Application_Info_URL, TextField::Application_XML_File_URL,
    TextField::Primary_Download_URL,
};

// The order in which the fields appear in a written file.
constexpr std::array inFileOrder{
    TextField::Company_Name,         TextField::Company_Website_URL,
    TextField::Contact_Email,        TextField::Program_Name,
    TextField::Program_Version,      TextField::Program_Cost_Dollars,
    TextField::File_Size_Bytes,      TextField::Keywords,
    TextField::Char_Desc_450,        TextField::Application_Info_URL,
    TextField::Application_Screenshot_URL, TextField::Application_XML_File_URL,
    TextField::Primary_Download_URL,
};

} // namespace

QString objectName(TextField field)
{
    return QString::fromLatin1(fieldNames[static_cast<int>(field)].object);
}

QString displayName(TextField field)
{
    return QString::fromLatin1(fieldNames[static_cast<int>(field)].display);
}

const QStringList &ProgramTypeList()
{
    static const QStringList list{
        QStringLiteral("Shareware"), QStringLiteral("Freeware"),  QStringLiteral("Adware"),
        QStringLiteral("Demo"),      QStringLiteral("Commercial"), QStringLiteral("Data Only"),
    };
    return list;
}

const QStringList &OsSupportList()
{
    static const QStringList list{
        QStringLiteral("Win 3.1x"),      QStringLiteral("Win95"),
        QStringLiteral("Win98"),         QStringLiteral("WinME"),
        QStringLiteral("WinNT 3.x"),     QStringLiteral("WinNT 4.x"),
        QStringLiteral("WinXP"),         QStringLiteral("Windows2000"),
        QStringLiteral("Windows2003"),   QStringLiteral("Windows CE"),
        QStringLiteral("Unix"),          QStringLiteral("Linux"),
        QStringLiteral("Linux Console"), QStringLiteral("Linux Gnome"),
        QStringLiteral("Linux GPL"),     QStringLiteral("Linux Open Source"),
        QStringLiteral("MS-DOS"),        QStringLiteral("AS/400"),
        QStringLiteral("OS/2"),          QStringLiteral("OS/2 Warp"),
        QStringLiteral("OS/2 Warp 4"),   QStringLiteral("MAC 68k"),
        QStringLiteral("Mac PPC"),       QStringLiteral("Mac OS X"),
        QStringLiteral("Mac Other"),     QStringLiteral("Palm OS 1.0"),
        QStringLiteral("Palm OS 2.0"),   QStringLiteral("Palm OS 2.1"),
        QStringLiteral("Palm OS 3.0"),   QStringLiteral("Palm OS 3.1"),
        QStringLiteral("Palm OS 3.2"),   QStringLiteral("Pocket PC"),
        QStringLiteral("RIM"),           QStringLiteral("Symbian"),
        QStringLiteral("OpenVMS"),       QStringLiteral("Netware"),
        QStringLiteral("BEOS"),          QStringLiteral("Java"),
        QStringLiteral("Not Applicable"),
        // The names that the format's last version allows and that today's
        // files use, after the first entries so that these keep their order.
        QStringLiteral("Win2000"),       QStringLiteral("WinServer"),
        QStringLiteral("WinVista"),      QStringLiteral("WinVista x64"),
        QStringLiteral("Win7 x32"),      QStringLiteral("Win7 x64"),
        QStringLiteral("Windows 8"),     QStringLiteral("Win10"),
        QStringLiteral("Win11"),         QStringLiteral("WinOther"),
        QStringLiteral("WinMobile"),     QStringLiteral("Windows RT"),
        QStringLiteral("Windows Phone 7"), QStringLiteral("Windows Phone 8"),
        QStringLiteral("Android"),       QStringLiteral("iPhone"),
        QStringLiteral("iPad"),          QStringLiteral("iPod"),
        QStringLiteral("iTouch"),        QStringLiteral("BlackBerry"),
        QStringLiteral("Handheld/Mobile Other"), QStringLiteral("Palm"),
        QStringLiteral("Other"),
    };
    return list;
}

bool isRequired(TextField field)
{
    return std::find(requiredInCheckOrder.begin(), requiredInCheckOrder.end(), field)
           != requiredInCheckOrder.end();
}

std::optional<FieldProblem> validate(const PadValues &values)
{
    for (TextField field : requiredInCheckOrder) {
        if (values.text(field).isEmpty())
            return FieldProblem{field, displayName(field) + QStringLiteral(" must be filled")};
    }
    if (values.osSupport.isEmpty())
        return FieldProblem{std::nullopt, QStringLiteral("Please select OS Support")};
    return std::nullopt;
}

qsizetype firstNonXmlChar(QStringView text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0xd800)
            continue; // nearly every character, at the cost of one comparison more
        if (c < 0x20) {
            if (c != u'\t' && c != u'\n' && c != u'\r')
                return i;
        } else if (QChar::isHighSurrogate(c)) {
            if (i + 1 == size || !QChar::isLowSurrogate(text[i + 1].unicode()))
                return i;
            ++i; // a pair is a character beyond the BMP, which XML allows
        } else if (QChar::isLowSurrogate(c) || c == 0xfffe || c == 0xffff) {
            return i;
        }
    }
    return -1;
}

std::optional<FieldProblem> findUnsavableField(const PadValues &values)
{
    for (TextField field : inFileOrder) {
        if (firstNonXmlChar(values.text(field)) >= 0) {
            return FieldProblem{field, displayName(field)
                                           + QStringLiteral(" contains a character that cannot be "
                                                            "saved in a PAD file")};
        }
    }
    return std::nullopt;
}

} // namespace Pad
