#include "padwriter.h"

#include "quilletinfo.h"

#include <QSaveFile>

namespace Pad {

QString escapeContent(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'&')
            out += QLatin1String("&amp;");
        else if (c == u'<')
            out += QLatin1String("&lt;");
        else if (c == u'>' && i >= 2 && text.at(i - 1) == u']' && text.at(i - 2) == u']')
            out += QLatin1String("&gt;");
        else if (c == u'\r')
            out += QLatin1String("&#13;");
        else
            out += c;
    }
    return out;
}

ReleaseDateNumbers releaseDateNumbers(const QDate &date)
{
    return {QString::number(date.month()), QString::number(date.day()),
            QString::number(date.year()).rightJustified(4, u'0')};
}

QString costElement(const QString &cost)
{
    if (cost.isEmpty())
        return QStringLiteral("<Program_Cost_Dollars />");
    return QStringLiteral("<Program_Cost_Dollars>") + escapeContent(cost)
           + QStringLiteral("</Program_Cost_Dollars>");
}

QString osSupportValue(const QStringList &ticked)
{
    return inListOrder(ticked).join(u',');
}

namespace {

class LineBuilder
{
public:
    void fixed(int tabs, const QString &text) { m_lines << QString(tabs, u'\t') + text; }
    void fixed(int tabs, const char *text) { fixed(tabs, QString::fromLatin1(text)); }
    void empty(int tabs, const char *name)
    {
        fixed(tabs, u'<' + QString::fromLatin1(name) + QStringLiteral(" />"));
    }
    // A value element written as is: opening tag, value, closing tag.
    void value(int tabs, const char *name, const QString &value)
    {
        const QString tag = QString::fromLatin1(name);
        fixed(tabs, u'<' + tag + u'>' + value + QStringLiteral("</") + tag + u'>');
    }
    void escaped(int tabs, const char *name, const QString &text) { value(tabs, name, escapeContent(text)); }
    QStringList take() { return std::move(m_lines); }

private:
    QStringList m_lines;
};

void writeVersionInfo(LineBuilder &b)
{
    b.fixed(0, R"(<?xml version="1.0" encoding="UTF-8" ?>)");
    b.fixed(0, "<XML_DIZ_INFO>");
    b.fixed(0, "  <MASTER_PAD_VERSION_INFO>");
    b.fixed(0, "    <MASTER_PAD_VERSION>2.01</MASTER_PAD_VERSION>");
    b.value(2, "MASTER_PAD_EDITOR",
            QLatin1String(Quillet::ApplicationName) + u' ' + QLatin1String(Quillet::ShortVersion)
                + QStringLiteral(" - ") + QLatin1String(Quillet::MakerUrl));
    b.value(2, "MASTER_PAD_INFO",
            QStringLiteral("Portable Application Description, or PAD for short, is a data set that "
                           "is used by shareware authors to disseminate information to anyone "
                           "interested in their software products. To find out more go to ")
                + QLatin1String(Quillet::PadFormatHomeUrl));
    b.fixed(1, "</MASTER_PAD_VERSION_INFO>");
}

void writeCompanyInfo(LineBuilder &b, const PadValues &v)
{
    using F = TextField;
    b.fixed(1, "<Company_Info>");
    b.escaped(2, "Company_Name", v.text(F::Company_Name));
    for (const char *name : {"Address_1", "Address_2", "City_Town", "State_Province",
                             "Zip_Postal_Code", "Country"})
        b.empty(2, name);
    b.escaped(2, "Company_WebSite_URL", v.text(F::Company_Website_URL));
    b.fixed(2, "<Contact_Info>");
    for (const char *name : {"Author_First_Name", "Author_Last_Name", "Author_Email",
                             "Contact_First_Name", "Contact_Last_Name"})
        b.empty(3, name);
    b.escaped(3, "Contact_Email", v.text(F::Contact_Email));
    b.fixed(2, "</Contact_Info>");
    b.fixed(2, "<Support_Info>");
    for (const char *name : {"Sales_Email", "Support_Email", "General_Email", "Sales_Phone",
                             "Support_Phone", "General_Phone", "Fax_Phone"})
        b.empty(3, name);
    b.fixed(2, "</Support_Info>");
    b.fixed(1, "</Company_Info>");
}

void writeProgramInfo(LineBuilder &b, const PadValues &v)
{
    using F = TextField;
    const ReleaseDateNumbers date = releaseDateNumbers(v.releaseDate);
    b.fixed(1, "<Program_Info>");
    b.escaped(2, "Program_Name", v.text(F::Program_Name));
    b.escaped(2, "Program_Version", v.text(F::Program_Version));
    b.value(2, "Program_Release_Month", date.month);
    b.value(2, "Program_Release_Day", date.day);
    b.value(2, "Program_Release_Year", date.year);
    b.fixed(2, costElement(v.text(F::Program_Cost_Dollars)));
    b.empty(2, "Program_Cost_Other_Code");
    b.empty(2, "Program_Cost_Other");
    b.value(2, "Program_Type", v.programType);
    b.empty(2, "Program_Release_Status");
    b.empty(2, "Program_Install_Support");
    b.value(2, "Program_OS_Support", osSupportValue(v.osSupport));
    for (const char *name : {"Program_Language", "Program_Change_Info", "Program_Specific_Category",
                             "Program_Category_Class", "Program_Categories",
                             "Program_System_Requirements"})
        b.empty(2, name);
    b.value(2, "Includes_JAVA_VM", QStringLiteral("N"));
    b.value(2, "Includes_VB_Runtime", QStringLiteral("N"));
    b.value(2, "Includes_DirectX", QStringLiteral("N"));
    b.fixed(2, "<File_Info>");
    for (const char *name : {"Filename_Versioned", "Filename_Previous", "Filename_Generic",
                             "Filename_Long"})
        b.empty(3, name);
    b.escaped(3, "File_Size_Bytes", v.text(F::File_Size_Bytes));
    b.empty(3, "File_Size_K");
    b.empty(3, "File_Size_MB");
    b.fixed(2, "</File_Info>");
    b.fixed(2, "<Expire_Info>");
    b.value(3, "Has_Expire_Info", QStringLiteral("N"));
    for (const char *name : {"Expire_Count", "Expire_Based_On", "Expire_Other_Info", "Expire_Month",
                             "Expire_Day", "Expire_Year"})
        b.empty(3, name);
    b.fixed(2, "</Expire_Info>");
    b.fixed(1, "</Program_Info>");
}

void writeDescriptions(LineBuilder &b, const PadValues &v)
{
    using F = TextField;
    b.fixed(1, "<Program_Descriptions>");
    b.fixed(2, "<English>");
    b.escaped(3, "Keywords", v.text(F::Keywords));
    b.empty(3, "Char_Desc_45");
    b.empty(3, "Char_Desc_80");
    b.empty(3, "Char_Desc_250");
    b.escaped(3, "Char_Desc_450", v.text(F::Char_Desc_450));
    b.empty(3, "Char_Desc_2000");
    b.fixed(2, "</English>");
    b.fixed(1, "</Program_Descriptions>");
}

void writeWebInfoAndPermissions(LineBuilder &b, const PadValues &v)
{
    using F = TextField;
    b.fixed(1, "<Web_Info>");
    b.fixed(2, "<Application_URLs>");
    b.escaped(3, "Application_Info_URL", v.text(F::Application_Info_URL));
    b.empty(3, "Application_Order_URL");
    b.escaped(3, "Application_Screenshot_URL", v.text(F::Application_Screenshot_URL));
    b.empty(3, "Application_Icon_URL");
    b.escaped(3, "Application_XML_File_URL", v.text(F::Application_XML_File_URL));
    b.fixed(2, "</Application_URLs>");
    b.fixed(2, "<Download_URLs>");
    b.escaped(3, "Primary_Download_URL", v.text(F::Primary_Download_URL));
    b.empty(3, "Secondary_Download_URL");
    b.empty(3, "Additional_Download_URL_1");
    b.empty(3, "Additional_Download_URL_2");
    b.fixed(2, "</Download_URLs>");
    b.fixed(1, "</Web_Info>");

    b.fixed(1, "<Permissions>");
    b.empty(2, "Distribution_Permissions");
    b.empty(2, "EULA");
    b.fixed(1, "</Permissions>");
    b.fixed(0, "</XML_DIZ_INFO>");
}

} // namespace

QStringList padFileLines(const PadValues &values)
{
    LineBuilder b;
    writeVersionInfo(b);
    writeCompanyInfo(b, values);
    writeProgramInfo(b, values);
    writeDescriptions(b, values);
    writeWebInfoAndPermissions(b, values);
    QStringList lines = b.take();
    Q_ASSERT(lines.size() == PadLineCount);
    return lines;
}

std::optional<FieldProblem> findUnsavableField(const PadValues &values)
{
    // The lines give the order in which the file holds the fields; a line
    // that carries a value begins with its element's start tag.
    for (const QString &line : padFileLines(values)) {
        if (firstNonXmlChar(line) < 0)
            continue;
        const QString element = line.trimmed().section(u'>', 0, 0).mid(1);
        for (const FormField &field : formFields()) {
            if (field.kind == FieldKind::Text && field.path().section(u'/', -1) == element) {
                return FieldProblem{&field, field.displayName
                                                    + QStringLiteral(" contains a character that cannot be "
                                                                     "saved in a PAD file")};
            }
        }
    }
    return std::nullopt;
}

QByteArray padFileBytes(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text.toUtf8();
}

QString forceXmlExtension(const QString &path)
{
#ifdef Q_OS_WIN
    const qsizetype nameStart =
        std::max({path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'), path.lastIndexOf(u':')}) + 1;
#else
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
#endif
    const qsizetype dot = path.lastIndexOf(u'.');
    const QString stem = dot >= nameStart ? path.left(dot) : path;
    return stem + QStringLiteral(".xml");
}

bool savePadFile(const QString &path, const QByteArray &bytes, QString *errorString)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *errorString = file.errorString();
        return false;
    }
    // A full disk can pass a write() unnoticed and then truncate the old file
    // at commit(), so the count and the flush are checked before committing.
    const qint64 written = file.write(bytes);
    if (written != bytes.size() || !file.flush()) {
        *errorString = file.error() != QFileDevice::NoError
                           ? file.errorString()
                           : QStringLiteral("only %1 of %2 bytes could be written")
                                 .arg(std::max<qint64>(written, 0))
                                 .arg(bytes.size());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *errorString = file.errorString();
        return false;
    }
    return true;
}

} // namespace Pad
