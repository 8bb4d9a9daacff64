#include "padform.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace Pad {

namespace {

FormField text(TextField field, const char *path, const char *objectName, const char *displayName,
               bool required, const QString &tip)
{
    return FormField{FieldKind::Text,
                     field,
                     {QString::fromLatin1(path)},
                     QString::fromLatin1(objectName),
                     QString::fromLatin1(displayName),
                     required,
                     tip};
}

FormField picked(FieldKind kind, const QStringList &paths, const char *objectName, const char *displayName,
                 bool required, const QString &tip)
{
    return FormField{kind,     TextField{}, paths, QString::fromLatin1(objectName), QString::fromLatin1(displayName),
                     required, tip};
}

QList<FormField> buildFormFields()
{
    using F = TextField;
    using K = FieldKind;
    return {
        text(F::Company_Name, "Company_Info/Company_Name", "Company_Name", "Company Name", true,
             QStringLiteral("The name of the company or the author who publishes the program.")),
        text(F::Company_Website_URL, "Company_Info/Company_WebSite_URL", "Company_Website_URL",
             "Company Website", true,
             QStringLiteral("The address of the company's web site, beginning with http:// or https://.")),
        text(F::Contact_Email, "Company_Info/Contact_Info/Contact_Email", "Contact_Email",
             "Contact E-mail", true,
             QStringLiteral("The e-mail address at which download sites can reach the company.")),
        text(F::Program_Name, "Program_Info/Program_Name", "Program_Name", "Program Name", true,
             QStringLiteral("The program's name, without its version number.")),
        text(F::Program_Version, "Program_Info/Program_Version", "Program_Version",
             "Program Version", true,
             QStringLiteral("The version alone, such as 2.1.3, without \"v.\" in front.")),
        picked(K::ReleaseDate,
               {QStringLiteral("Program_Info/Program_Release_Month"),
                QStringLiteral("Program_Info/Program_Release_Day"),
                QStringLiteral("Program_Info/Program_Release_Year")},
               "Release_Date", "Release Date", false,
               QStringLiteral("The day this version was released.")),
        picked(K::ProgramType, {QStringLiteral("Program_Info/Program_Type")}, "Program_Type",
               "Program Type", false,
               QStringLiteral("How the program is sold or given away: shareware, freeware, a demo "
                              "and so on.")),
        text(F::Program_Cost_Dollars, "Program_Info/Program_Cost_Dollars", "Program_Cost_Dollars",
             "Cost", false,
             QStringLiteral("The price in US dollars as a plain number, such as 19.95; leave it "
                            "empty for a free program.")),
        text(F::File_Size_Bytes, "Program_Info/File_Info/File_Size_Bytes", "File_Size_Bytes",
             "File Size", true,
             QStringLiteral("The size of the download file in bytes; the File Size button reads it "
                            "from the file.")),
        picked(K::OsSupport, {QStringLiteral("Program_Info/Program_OS_Support")},
               "Program_OS_Support", "OS Support", true,
               QStringLiteral("Tick every operating system the program runs on.")),
        text(F::Keywords, "Program_Descriptions/English/Keywords", "Keywords", "Keywords", true,
             QStringLiteral("Words a visitor might search for, separated by commas; at most %1 "
                            "characters.")
                 .arg(KeywordsLimit)),
        text(F::Char_Desc_450, "Program_Descriptions/English/Char_Desc_450", "Char_Desc_450",
             "Descriptions", true,
             QStringLiteral("A plain-text description of the program on one line, at most %1 "
                            "characters.")
                 .arg(DescriptionLimit)),
        text(F::Application_Info_URL, "Web_Info/Application_URLs/Application_Info_URL",
             "Application_Info_URL", "Application Info URL", true,
             QStringLiteral("The address of the program's own web page.")),
        text(F::Application_XML_File_URL, "Web_Info/Application_URLs/Application_XML_File_URL",
             "Application_XML_File_URL", "PAD XML File URL", true,
             QStringLiteral("The address at which this PAD file will be published, usually ending "
                            "in .xml.")),
        text(F::Primary_Download_URL, "Web_Info/Download_URLs/Primary_Download_URL",
             "Primary_Download_URL", "Primary Download URL", true,
             QStringLiteral("The direct address of the file to download, ending in its extension, "
                            "such as .exe or .zip.")),
        text(F::Application_Screenshot_URL, "Web_Info/Application_URLs/Application_Screenshot_URL",
             "Application_Screenshot_URL", "Application Screenshot URL", false,
             QStringLiteral("The address of a screenshot of the program ending in .png, .jpg or "
                            ".gif; optional.")),
    };
}

// The lists' entries by their case-folded form.
QHash<QString, QString> foldedEntries(const QStringList &list)
{
    QHash<QString, QString> entries;
    for (const QString &entry : list)
        entries.insert(entry.toCaseFolded(), entry);
    return entries;
}

// The OS list's entries by the case-folded form of their names.
const QHash<QString, QString> &osEntriesByFoldedName()
{
    static const QHash<QString, QString> entries = foldedEntries(OsSupportList());
    return entries;
}

} // namespace

QString FormField::setName() const
{
    if (kind == FieldKind::ReleaseDate)
        return QStringLiteral("Program_Release_Date");
    return path().section(u'/', -1);
}

QString FormField::emptyMessage() const
{
    if (kind == FieldKind::OsSupport)
        return QStringLiteral("Please select %1").arg(displayName);
    return QStringLiteral("%1 must be filled").arg(displayName);
}

const QList<FormField> &formFields()
{
    static const QList<FormField> fields = buildFormFields();
    return fields;
}

const FormField &formField(TextField field)
{
    static const std::array<const FormField *, TextFieldCount> byText = [] {
        std::array<const FormField *, TextFieldCount> index{};
        for (const FormField &candidate : formFields()) {
            if (candidate.kind == FieldKind::Text)
                index[static_cast<int>(candidate.text)] = &candidate;
        }
        return index;
    }();
    return *byText[static_cast<int>(field)];
}

const FormField &formField(FieldKind kind)
{
    Q_ASSERT(kind != FieldKind::Text);
    const QList<FormField> &fields = formFields();
    return *std::find_if(fields.cbegin(), fields.cend(),
                         [kind](const FormField &field) { return field.kind == kind; });
}

const FormField *formFieldAt(QStringView path)
{
    static const QHash<QString, const FormField *> byPath = [] {
        QHash<QString, const FormField *> index;
        for (const FormField &field : formFields()) {
            for (const QString &fieldPath : field.paths)
                index.insert(fieldPath, &field);
        }
        return index;
    }();
    return byPath.value(path.toString());
}

QString objectName(TextField field)
{
    return formField(field).objectName;
}

QString displayName(TextField field)
{
    return formField(field).displayName;
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

QString programTypeEntry(QStringView text)
{
    static const QHash<QString, QString> entries = foldedEntries(ProgramTypeList());
    return entries.value(text.toString().toCaseFolded());
}

QString osSupportEntry(QStringView name)
{
    return osEntriesByFoldedName().value(name.toString().simplified().toCaseFolded());
}

OsNames readOsNames(const QString &text, OsNameSpelling unknownAs)
{
    OsNames names;
    QSet<QString> named, seenUnknown;
    for (const QString &part : text.split(u',', Qt::SkipEmptyParts)) {
        const QString name = part.simplified();
        if (name.isEmpty())
            continue;
        // As osSupportEntry() looks a name up, folded once for both sets.
        QString folded = name.toCaseFolded();
        if (const QString entry = osEntriesByFoldedName().value(folded); !entry.isEmpty()) {
            named.insert(entry);
        } else if (!seenUnknown.contains(folded)) {
            seenUnknown.insert(std::move(folded));
            names.unknown << (unknownAs == OsNameSpelling::Simplified ? name : part.trimmed());
        }
    }
    names.entries = inListOrder(QStringList(named.cbegin(), named.cend()));
    return names;
}

QStringList inListOrder(const QStringList &entries)
{
    QStringList ordered;
    for (const QString &entry : OsSupportList()) {
        if (entries.contains(entry))
            ordered << entry;
    }
    return ordered;
}

std::optional<FieldProblem> validate(const PadValues &values)
{
    // What is typed is checked before what is ticked, each in the window's order.
    for (const FormField &field : formFields()) {
        if (field.required && field.kind == FieldKind::Text && values.text(field.text).isEmpty())
            return FieldProblem{field.text, field.emptyMessage()};
    }
    const FormField &os = formField(FieldKind::OsSupport);
    if (os.required && values.osSupport.isEmpty())
        return FieldProblem{std::nullopt, os.emptyMessage()};
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

} // namespace Pad
