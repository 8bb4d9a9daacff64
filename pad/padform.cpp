#include "padform.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace Pad {

namespace {

constexpr int NarrowWidth = 193; // the fields of the two upper groups and the left of the third
constexpr int WebWidth = 481;    // the addresses

FormPlace at(FormGroup group, int row, int column, int width, int rowSpan = 1, int columnSpan = 1, int lines = 1)
{
    return FormPlace{group, row, column, rowSpan, columnSpan, width, lines};
}

// One row of the table; for a field that is not text, text is ignored.
struct Row
{
    FieldKind kind;
    TextField text;
    QStringList paths;
    const char *name;
    const char *displayName;
    const char *caption;
    FormPlace place;
    bool required;
    bool optional;
    int typingLimit;
    QString tip;
};

FormField field(const Row &row)
{
    return FormField{row.kind,
                     row.text,
                     row.paths,
                     QString::fromLatin1(row.name),
                     QString::fromLatin1(row.displayName),
                     QString::fromLatin1(row.caption),
                     row.place,
                     row.required,
                     row.optional,
                     row.typingLimit,
                     row.tip};
}

QStringList paths(const char *path)
{
    return {QString::fromLatin1(path)};
}

QList<FormField> buildFormFields()
{
    using F = TextField;
    using K = FieldKind;
    using G = FormGroup;
    const QList<Row> rows{
        {K::Text, F::Company_Name, paths("Company_Info/Company_Name"), "companyName", "Company Name",
         "Company Name :", at(G::Company, 0, 1, NarrowWidth), true, false, 0,
         QStringLiteral("The name of the company or the author who publishes the program.")},
        {K::Text, F::Company_Website_URL, paths("Company_Info/Company_WebSite_URL"), "companyWebsite",
         "Company Website", "Website :", at(G::Company, 1, 1, NarrowWidth), true, false, 0,
         QStringLiteral("The address of the company's web site, beginning with http:// or https://.")},
        {K::Text, F::Contact_Email, paths("Company_Info/Contact_Info/Contact_Email"), "contactEmail",
         "Contact E-mail", "E-mail :", at(G::Company, 2, 1, NarrowWidth), true, false, 0,
         QStringLiteral("The e-mail address at which download sites can reach the company.")},
        {K::Text, F::Program_Name, paths("Program_Info/Program_Name"), "programName", "Program Name",
         "Program Name :", at(G::Program, 0, 1, NarrowWidth), true, false, 0,
         QStringLiteral("The program's name, without its version number.")},
        {K::Text, F::Program_Version, paths("Program_Info/Program_Version"), "programVersion",
         "Program Version", "Program Version :", at(G::Program, 1, 1, NarrowWidth), true, false, 0,
         QStringLiteral("The version alone, such as 2.1.3, without \"v.\" in front.")},
        {K::ReleaseDate, F{},
         {QStringLiteral("Program_Info/Program_Release_Month"), QStringLiteral("Program_Info/Program_Release_Day"),
          QStringLiteral("Program_Info/Program_Release_Year")},
         "releaseDate", "Release Date", "Release Date :", at(G::Program, 2, 1, NarrowWidth), true, false, 0,
         QStringLiteral("The day this version was released.")},
        {K::ProgramType, F{}, paths("Program_Info/Program_Type"), "programType", "Program Type",
         "Program Type :", at(G::Other, 0, 1, NarrowWidth), false, false, 0,
         QStringLiteral("How the program is sold or given away: shareware, freeware, a demo and so on.")},
        {K::Text, F::Program_Cost_Dollars, paths("Program_Info/Program_Cost_Dollars"), "programCost", "Cost",
         "Cost (US$) :", at(G::Other, 1, 1, NarrowWidth), false, true, 0,
         QStringLiteral("The price in US dollars as a plain number, such as 19.95; leave it empty for a "
                        "free program.")},
        {K::Text, F::File_Size_Bytes, paths("Program_Info/File_Info/File_Size_Bytes"), "fileSize", "File Size",
         "File Size (Bytes)", at(G::Other, 2, 1, NarrowWidth), true, false, 0,
         QStringLiteral("The size of the download file in bytes; the File Size button reads it from the "
                        "file.")},
        {K::OsSupport, F{}, paths("Program_Info/Program_OS_Support"), "osSupport", "OS Support",
         "OS Support :", at(G::Other, 0, 4, NarrowWidth, 3, 1, 5), true, false, 0,
         QStringLiteral("Tick every operating system the program runs on.")},
        {K::Text, F::Keywords, paths("Program_Descriptions/English/Keywords"), "keywords", "Keywords",
         "Keywords :", at(G::Other, 3, 1, 513, 1, 4), true, false, KeywordsLimit,
         QStringLiteral("Words a visitor might search for, separated by commas; at most %1 characters.")
             .arg(KeywordsLimit)},
        {K::Text, F::Char_Desc_450, paths("Program_Descriptions/English/Char_Desc_450"), "description",
         "Descriptions", "Descriptions :", at(G::Other, 4, 1, 521, 1, 4, 2), true, false, DescriptionLimit,
         QStringLiteral("A plain-text description of the program on one line, at most %1 characters.")
             .arg(DescriptionLimit)},
        {K::Text, F::Application_Info_URL, paths("Web_Info/Application_URLs/Application_Info_URL"),
         "applicationInfoUrl", "Application Info URL", "Application Info URL :", at(G::Web, 0, 1, WebWidth),
         true, false, 0, QStringLiteral("The address of the program's own web page.")},
        {K::Text, F::Application_XML_File_URL, paths("Web_Info/Application_URLs/Application_XML_File_URL"),
         "padFileUrl", "PAD XML File URL", "PAD XML File URL :", at(G::Web, 1, 1, WebWidth), true, false, 0,
         QStringLiteral("The address at which this PAD file will be published, usually ending in .xml.")},
        {K::Text, F::Primary_Download_URL, paths("Web_Info/Download_URLs/Primary_Download_URL"),
         "primaryDownloadUrl", "Primary Download URL", "Primary Download URL :", at(G::Web, 2, 1, WebWidth),
         true, false, 0,
         QStringLiteral("The direct address of the file to download, ending in its extension, such as .exe "
                        "or .zip.")},
        {K::Text, F::Application_Screenshot_URL, paths("Web_Info/Application_URLs/Application_Screenshot_URL"),
         "screenshotUrl", "Application Screenshot URL", "Application Screenshot :", at(G::Web, 3, 1, WebWidth),
         false, true, 0,
         QStringLiteral("The address of a screenshot of the program ending in .png, .jpg or .gif; optional.")},
    };
    QList<FormField> fields;
    for (const Row &row : rows)
        fields << field(row);
    return fields;
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

std::optional<QDate> dateOf(const QString &text, const QDate &today)
{
    if (text.compare(QLatin1String("today"), Qt::CaseInsensitive) == 0)
        return today;
    static const QRegularExpression isoDate(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QRegularExpressionMatch match = isoDate.match(text);
    const QDate date = match.hasMatch()
                           ? QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt())
                           : QDate();
    return date.isValid() ? std::optional(date) : std::nullopt;
}

// What each kind of field is, in one place: the word that ends its control's
// name, what Generate says when it is empty, its value as text, whether it
// holds nothing, and how a value given as text sets it.
struct KindBehaviour
{
    const char *controlWord;
    const char *emptyMessage;
    QString (*text)(const PadValues &, const FormField &);
    bool (*isEmpty)(const PadValues &, const FormField &);
    bool (*set)(PadValues &, const FormField &, const QString &, const QDate &, QString *);
};

const KindBehaviour textBehaviour{
    "Edit", "%1 must be filled",
    [](const PadValues &values, const FormField &field) { return values.text(field.text); },
    [](const PadValues &values, const FormField &field) { return values.text(field.text).isEmpty(); },
    [](PadValues &values, const FormField &field, const QString &text, const QDate &, QString *) {
        values.text(field.text) = text;
        return true;
    }};

const KindBehaviour dateBehaviour{
    "Edit", "%1 must be filled",
    [](const PadValues &values, const FormField &) {
        return values.releaseDate.isValid() ? values.releaseDate.toString(Qt::ISODate) : QString();
    },
    [](const PadValues &values, const FormField &) { return !values.releaseDate.isValid(); },
    [](PadValues &values, const FormField &field, const QString &text, const QDate &today, QString *reason) {
        const std::optional<QDate> date = dateOf(text, today);
        if (!date)
            *reason = QStringLiteral("%1: %2 is not a date; give YYYY-MM-DD or today").arg(field.setName(), text);
        values.releaseDate = date.value_or(values.releaseDate);
        return date.has_value();
    }};

const KindBehaviour typeBehaviour{
    "Box", "%1 must be filled",
    [](const PadValues &values, const FormField &) { return values.programType; },
    [](const PadValues &values, const FormField &) { return values.programType.isEmpty(); },
    [](PadValues &values, const FormField &field, const QString &text, const QDate &, QString *reason) {
        const QString entry = programTypeEntry(text);
        if (entry.isEmpty()) {
            *reason = QStringLiteral("%1: %2 is not in the list; the types are %3")
                          .arg(field.setName(), text, ProgramTypeList().join(QStringLiteral(", ")));
            return false;
        }
        values.programType = entry;
        return true;
    }};

const KindBehaviour osBehaviour{
    "List", "Please select %1",
    [](const PadValues &values, const FormField &) { return inListOrder(values.osSupport).join(u','); },
    [](const PadValues &values, const FormField &) { return values.osSupport.isEmpty(); },
    [](PadValues &values, const FormField &field, const QString &text, const QDate &, QString *reason) {
        const OsNames names = readOsNames(text, OsNameSpelling::AsWritten);
        if (!names.unknown.isEmpty()) {
            *reason = QStringLiteral("%1: %2 is not in the OS list").arg(field.setName(), names.unknown.constFirst());
            return false;
        }
        values.osSupport = names.entries;
        return true;
    }};

const KindBehaviour &behaviourOf(FieldKind kind)
{
    static const std::array<const KindBehaviour *, 4> byKind{&textBehaviour, &dateBehaviour, &typeBehaviour,
                                                             &osBehaviour};
    return *byKind[std::size_t(kind)];
}

} // namespace

QString FormField::labelName() const
{
    return name + QStringLiteral("Label");
}

QString FormField::setName() const
{
    if (kind == FieldKind::ReleaseDate)
        return QStringLiteral("Program_Release_Date");
    return path().section(u'/', -1);
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
    return formField(field).objectName();
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

QString FormField::objectName() const
{
    return name + QLatin1String(behaviourOf(kind).controlWord);
}

QString FormField::emptyMessage() const
{
    return QString::fromLatin1(behaviourOf(kind).emptyMessage).arg(displayName);
}

QString valueText(const PadValues &values, const FormField &field)
{
    return behaviourOf(field.kind).text(values, field);
}

bool isEmptyValue(const PadValues &values, const FormField &field)
{
    return behaviourOf(field.kind).isEmpty(values, field);
}

bool setValueText(PadValues &values, const FormField &field, const QString &text, const QDate &today,
                  QString *reason)
{
    return behaviourOf(field.kind).set(values, field, text, today, reason);
}

std::optional<FieldProblem> validate(const PadValues &values)
{
    // What is typed or chosen is checked before what is ticked, each in the window's order.
    const FormField &os = formField(FieldKind::OsSupport);
    for (const FormField &field : formFields()) {
        if (field.required && &field != &os && isEmptyValue(values, field))
            return FieldProblem{&field, field.emptyMessage()};
    }
    if (os.required && isEmptyValue(values, os))
        return FieldProblem{&os, os.emptyMessage()};
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
