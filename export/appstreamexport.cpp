#include "exportplan.h"
#include "exportsupport.h"

#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamWriter>

#include <algorithm>

namespace Export {

namespace {

using Pad::Severity;
using Pad::TextField;

// The licence of the metadata itself, which catalogs ask to be free to copy.
constexpr QLatin1StringView MetadataLicense("CC0-1.0");
// What project_license offers for a program that is sold.
constexpr QLatin1StringView ProprietaryLicense("LicenseRef-proprietary");

// A part of a reverse domain name: letters, digits and underscores, not
// beginning with a digit.
QString idPart(const QString &text)
{
    static const QRegularExpression refused(QStringLiteral("[^A-Za-z0-9_]"));
    QString part = text;
    part.remove(refused);
    if (!part.isEmpty() && part.front().isDigit())
        part.prepend(u'_');
    return part;
}

// The longest of the English descriptions, as paragraphs: a blank line ends one.
QStringList paragraphs(const QString &text)
{
    static const QRegularExpression blankLine(QStringLiteral("\\n\\s*\\n"));
    QStringList found;
    for (const QString &paragraph : QString(text).replace(u'\r', u'\n').split(blankLine)) {
        if (!paragraph.simplified().isEmpty())
            found << paragraph.simplified();
    }
    return found;
}

ExportValue padValue(const QString &key, const ExportSource &source, const QString &path)
{
    ExportValue value;
    value.key = key;
    value.origin = Origin::PadField;
    value.padPath = path;
    value.text = source.value(path).trimmed();
    return value;
}

class AppStreamMapping
{
public:
    AppStreamMapping(const ExportSource &source, const Answers &answers)
        : m_source(source)
        , m_answers(answers)
    {
        m_plan.catalog = Catalog::AppStream;
    }
    ExportPlan make();

private:
    void take(ExportValue value, bool required);
    void identity();
    void texts();
    void licence();
    void release();
    QByteArray metainfo() const;
    void writeDescription(QXmlStreamWriter &xml, const QString &text) const;
    QString text(const QString &key) const;

    const ExportSource &m_source;
    const Answers &m_answers;
    ExportPlan m_plan;
};

ExportPlan AppStreamMapping::make()
{
    identity();
    texts();
    licence();
    release();
    const bool linux = std::any_of(m_source.form.osSupport.cbegin(), m_source.form.osSupport.cend(),
                                   [](const QString &os) { return os.contains(QLatin1String("Linux")); });
    if (!linux) {
        m_plan.note(Severity::Note, QString(),
                    QStringLiteral("the PAD file's OS Support names no Linux: the metainfo describes a Linux "
                                   "build of the program"));
    }
    if (!m_plan.isRefused()) {
        m_plan.files << ExportFile{text(QStringLiteral("id")) + QStringLiteral(".metainfo.xml"), metainfo()};
    }
    return m_plan;
}

QString AppStreamMapping::text(const QString &key) const
{
    const ExportValue *value = m_plan.value(key);
    return value ? value->text : QString();
}

void AppStreamMapping::take(ExportValue value, bool required)
{
    value.required = required;
    if (value.isMissing() && required)
        m_plan.note(Severity::Error, value.key, missingMessage(value), value.question);
    m_plan.values << value;
}

void AppStreamMapping::identity()
{
    ExportValue id;
    id.key = QStringLiteral("id");
    id.question = Question::AppStreamId;
    id.origin = Origin::PadField;
    id.padPath = formPath(TextField::Company_Website_URL);
    id.text = derivedAppStreamId(m_source);
    if (const QString answer = m_answers[Question::AppStreamId].trimmed(); !answer.isEmpty()) {
        id.text = answer;
        id.origin = Origin::Answer;
        id.padPath.clear();
    }
    if (!id.isMissing() && !appStreamIdPattern().match(id.text).hasMatch()) {
        m_plan.note(Severity::Error, id.key,
                    quotedSource(id) + QStringLiteral("is no reverse domain name such as com.example.Widget: "
                                                      "three or more parts of letters, digits and underscores"),
                    Question::AppStreamId);
    }
    take(id, true);
    take(padValue(QStringLiteral("name"), m_source, formPath(TextField::Program_Name)), true);
}

void AppStreamMapping::texts()
{
    // The summary is a phrase, which the catalog asks to end without a full stop.
    ExportValue summary;
    for (const char *field : {"English/Char_Desc_45", "English/Char_Desc_80"}) {
        summary = padValue(QStringLiteral("summary"), m_source, tablePath(field));
        if (!summary.isMissing())
            break;
    }
    if (summary.isMissing())
        summary = shortDescription(m_source, QStringLiteral("summary"));
    while (summary.text.endsWith(u'.'))
        summary.text.chop(1);
    take(summary, true);

    ExportValue description;
    for (const char *field : {"English/Char_Desc_2000", "English/Char_Desc_450", "English/Char_Desc_250"}) {
        const ExportValue candidate = padValue(QStringLiteral("description"), m_source, tablePath(field));
        if (candidate.text.size() > description.text.size())
            description = candidate;
    }
    description.key = QStringLiteral("description");
    take(description, false);
    take(padValue(QStringLiteral("developer_name"), m_source, formPath(TextField::Company_Name)), false);
    ExportValue homepage = padValue(QStringLiteral("url"), m_source, formPath(TextField::Application_Info_URL));
    if (homepage.isMissing())
        homepage = padValue(QStringLiteral("url"), m_source, formPath(TextField::Company_Website_URL));
    take(homepage, false);
    take(padValue(QStringLiteral("screenshot"), m_source, formPath(TextField::Application_Screenshot_URL)), false);
    ExportValue keywords = padValue(QStringLiteral("keywords"), m_source, formPath(TextField::Keywords));
    for (const QString &keyword : keywords.text.split(QRegularExpression(QStringLiteral("[,;]")))) {
        if (!keyword.simplified().isEmpty() && !keywords.items.contains(keyword.simplified()))
            keywords.items << keyword.simplified();
    }
    keywords.text = keywords.items.join(QStringLiteral(", "));
    take(keywords, false);
}

void AppStreamMapping::licence()
{
    ExportValue licence;
    licence.key = QStringLiteral("project_license");
    licence.origin = Origin::Answer;
    licence.question = Question::License;
    licence.text = m_answers[Question::License].trimmed();
    const QString type = m_source.form.programType;
    if (type == u"Commercial" || type == u"Shareware")
        licence.offer = ProprietaryLicense;
    const QString offer = licence.offer.isEmpty()
                              ? QString()
                              : QStringLiteral(" (for a %1 program, %2)").arg(type.toLower(), licence.offer);
    if (licence.isMissing()) {
        m_plan.note(Severity::Warning, licence.key,
                    QStringLiteral("not given, so it was left out: give the licence as an SPDX expression such "
                                   "as MIT or GPL-3.0-or-later%1").arg(offer),
                    Question::License);
    } else if (!isSpdxExpression(licence.text)) {
        m_plan.note(Severity::Warning, licence.key,
                    quotedSource(licence) + QStringLiteral("is no SPDX expression, so it was left out: give "
                                                           "one such as MIT or GPL-3.0-or-later%1").arg(offer),
                    Question::License);
        licence.text.clear();
    }
    take(licence, false);
}

void AppStreamMapping::release()
{
    take(padValue(QStringLiteral("release/version"), m_source, formPath(TextField::Program_Version)), true);
    const Pad::FormField &date = Pad::formField(Pad::FieldKind::ReleaseDate);
    ExportValue released = padValue(QStringLiteral("release/date"), m_source, date.path());
    take(released, true);
    take(padValue(QStringLiteral("release/description"), m_source, tablePath("Program_Change_Info")), false);
}

void AppStreamMapping::writeDescription(QXmlStreamWriter &xml, const QString &text) const
{
    xml.writeStartElement(QStringLiteral("description"));
    for (const QString &paragraph : paragraphs(text))
        xml.writeTextElement(QStringLiteral("p"), paragraph);
    xml.writeEndElement();
}

QByteArray AppStreamMapping::metainfo() const
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("component"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("desktop-application"));
    const auto element = [&](const QString &name, const QString &value) {
        if (!value.isEmpty())
            xml.writeTextElement(name, value);
    };
    element(QStringLiteral("id"), text(QStringLiteral("id")));
    element(QStringLiteral("metadata_license"), MetadataLicense);
    element(QStringLiteral("project_license"), text(QStringLiteral("project_license")));
    element(QStringLiteral("name"), text(QStringLiteral("name")));
    element(QStringLiteral("summary"), text(QStringLiteral("summary")));
    if (!paragraphs(text(QStringLiteral("description"))).isEmpty())
        writeDescription(xml, text(QStringLiteral("description")));
    element(QStringLiteral("developer_name"), text(QStringLiteral("developer_name")));
    if (const QString url = text(QStringLiteral("url")); !url.isEmpty()) {
        xml.writeStartElement(QStringLiteral("url"));
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("homepage"));
        xml.writeCharacters(url);
        xml.writeEndElement();
    }
    xml.writeStartElement(QStringLiteral("launchable"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("desktop-id"));
    xml.writeCharacters(text(QStringLiteral("id")) + QStringLiteral(".desktop"));
    xml.writeEndElement();
    if (const QString shot = text(QStringLiteral("screenshot")); !shot.isEmpty()) {
        xml.writeStartElement(QStringLiteral("screenshots"));
        xml.writeStartElement(QStringLiteral("screenshot"));
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("default"));
        element(QStringLiteral("image"), shot);
        xml.writeEndElement();
        xml.writeEndElement();
    }
    if (const ExportValue *keywords = m_plan.value(QStringLiteral("keywords")); !keywords->items.isEmpty()) {
        xml.writeStartElement(QStringLiteral("keywords"));
        for (const QString &keyword : keywords->items)
            element(QStringLiteral("keyword"), keyword);
        xml.writeEndElement();
    }
    xml.writeStartElement(QStringLiteral("releases"));
    xml.writeStartElement(QStringLiteral("release"));
    xml.writeAttribute(QStringLiteral("version"), text(QStringLiteral("release/version")));
    xml.writeAttribute(QStringLiteral("date"), text(QStringLiteral("release/date")));
    if (!paragraphs(text(QStringLiteral("release/description"))).isEmpty())
        writeDescription(xml, text(QStringLiteral("release/description")));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEmptyElement(QStringLiteral("content_rating"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("oars-1.1"));
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

} // namespace

QString derivedAppStreamId(const ExportSource &source)
{
    QString host = QUrl(source.form.text(TextField::Company_Website_URL).trimmed()).host().toLower();
    if (host.startsWith(QLatin1String("www.")))
        host.remove(0, 4);
    QStringList parts;
    for (const QString &label : host.split(u'.', Qt::SkipEmptyParts))
        parts.prepend(idPart(label));
    parts << idPart(source.form.text(TextField::Program_Name));
    parts.removeAll(QString());
    return parts.size() >= 3 ? parts.join(u'.') : QString();
}

ExportPlan planAppStream(const ExportSource &source, const Answers &answers)
{
    return AppStreamMapping(source, answers).make();
}

} // namespace Export
