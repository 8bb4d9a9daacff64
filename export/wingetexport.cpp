#include "catalogrules.h"
#include "exportplan.h"
#include "exportsupport.h"
#include "quilletinfo.h"

#include <QHash>
#include <QRegularExpression>

#include <yaml-cpp/yaml.h>

namespace Export {

namespace {

using Pad::Severity;
using Pad::TextField;

// The catalog's licence, in its free text, for each program type that names one.
const QHash<QString, QString> &licenceOfType()
{
    static const QHash<QString, QString> licences{
        {QStringLiteral("Freeware"), QStringLiteral("Freeware")},
        {QStringLiteral("Shareware"), QStringLiteral("Shareware")},
        {QStringLiteral("Adware"), QStringLiteral("Freeware (with advertising)")},
        {QStringLiteral("Demo"), QStringLiteral("Demo")},
        {QStringLiteral("Commercial"), QStringLiteral("Commercial")},
    };
    return licences;
}

// Most installers know their own silent switches, and winget knows them by
// the installer's kind; a plain exe's must be given.
bool needsSwitches(const QString &installerType)
{
    return installerType == u"exe";
}

ManifestFile fileOf(const QString &key)
{
    for (const KeyRule &rule : wingetRules()) {
        if (rule.key == key)
            return rule.file;
    }
    return ManifestFile::DefaultLocale;
}

class WingetMapping
{
public:
    WingetMapping(const ExportSource &source, const Answers &answers, const std::optional<InstallerFacts> &installer)
        : m_source(source)
        , m_answers(answers)
        , m_installer(installer)
    {
        m_plan.catalog = Catalog::Winget;
    }

    ExportPlan make();

private:
    void take(ExportValue value);
    ExportValue fromFields(const QString &key, const QStringList &paths) const;
    ExportValue answered(const QString &key, Question question, ExportValue otherwise) const;
    void identity();
    void texts();
    void licence();
    void tags();
    void installer();
    void switches(const QString &type);
    void files();

    const ExportSource &m_source;
    const Answers &m_answers;
    const std::optional<InstallerFacts> &m_installer;
    ExportPlan m_plan;
};

ExportPlan WingetMapping::make()
{
    identity();
    texts();
    licence();
    tags();
    installer();
    if (!m_plan.isRefused())
        files();
    return m_plan;
}

// The first of the fields that holds a value, trimmed.
ExportValue WingetMapping::fromFields(const QString &key, const QStringList &paths) const
{
    ExportValue value;
    value.key = key;
    value.origin = Origin::PadField;
    value.padPath = paths.constFirst();
    for (const QString &path : paths) {
        const QString text = m_source.value(path).trimmed();
        if (!text.isEmpty()) {
            value.text = text;
            value.padPath = path;
            break;
        }
    }
    return value;
}

ExportValue WingetMapping::answered(const QString &key, Question question, ExportValue otherwise) const
{
    otherwise.key = key;
    otherwise.question = question;
    const QString answer = m_answers[question].trimmed();
    if (!answer.isEmpty()) {
        otherwise.text = answer;
        otherwise.origin = Origin::Answer;
        otherwise.padPath.clear();
    }
    return otherwise;
}

// Holds the value to its key's rule and adds it to the plan, with a note
// for what was missing, cut, left out or refused.
void WingetMapping::take(ExportValue value)
{
    const KeyRule *rule = wingetRule(fileOf(value.key), value.key);
    Q_ASSERT(rule);
    value.required = rule->required;
    if (value.isMissing()) {
        if (rule->required)
            m_plan.note(Severity::Error, value.key, missingMessage(value), value.question);
        m_plan.values << value;
        return;
    }
    const RuleOutcome outcome = applyRule(*rule, value.text);
    switch (outcome.kind) {
    case RuleOutcome::Keeps:
        break;
    case RuleOutcome::Cut:
        m_plan.note(Severity::Warning, value.key, quotedSource(value) + outcome.message);
        break;
    case RuleOutcome::LeftOut:
        m_plan.note(Severity::Warning, value.key, quotedSource(value) + outcome.message);
        break;
    case RuleOutcome::Refused:
        m_plan.note(Severity::Error, value.key, quotedSource(value) + outcome.message, value.question);
        break;
    }
    value.text = outcome.value;
    m_plan.values << value;
}

void WingetMapping::identity()
{
    ExportValue identifier;
    identifier.text = derivedIdentifier(m_source);
    identifier.origin = Origin::PadField;
    identifier.padPath = Pad::formField(TextField::Company_Name).path();
    take(answered(QStringLiteral("PackageIdentifier"), Question::Identifier, identifier));

    ExportValue version = fromFields(QStringLiteral("PackageVersion"), {formPath(TextField::Program_Version)});
    if (!version.isMissing() && !isFolderName(version.text)) {
        m_plan.note(Severity::Error, version.key,
                    quotedSource(version) + QStringLiteral("cannot name the manifest's folder"));
    }
    take(version);
}

void WingetMapping::texts()
{
    take(fromFields(QStringLiteral("Publisher"), {formPath(TextField::Company_Name)}));
    take(fromFields(QStringLiteral("PublisherUrl"), {formPath(TextField::Company_Website_URL)}));
    take(authorValue(m_source));
    take(fromFields(QStringLiteral("PackageName"), {formPath(TextField::Program_Name)}));
    take(fromFields(QStringLiteral("PackageUrl"), {formPath(TextField::Application_Info_URL)}));
    take(shortDescription(m_source, QStringLiteral("ShortDescription")));
    take(fromFields(QStringLiteral("Description"),
                    {tablePath("English/Char_Desc_2000"), formPath(TextField::Char_Desc_450)}));
    take(fromFields(QStringLiteral("ReleaseNotes"), {tablePath("Program_Change_Info")}));
    take(fromFields(QStringLiteral("PurchaseUrl"), {tablePath("Application_Order_URL")}));
}

void WingetMapping::licence()
{
    ExportValue fromType;
    fromType.origin = Origin::PadField;
    fromType.padPath = Pad::formField(Pad::FieldKind::ProgramType).path();
    fromType.text = licenceOfType().value(m_source.form.programType);
    const ExportValue value = answered(QStringLiteral("License"), Question::License, fromType);
    if (value.origin == Origin::PadField && !value.isMissing()) {
        m_plan.note(Severity::Note, value.key,
                    QStringLiteral("\"%1\" from the program type; give the licence to name it exactly").arg(value.text),
                    Question::License);
    }
    take(value);
}

void WingetMapping::tags()
{
    const QString path = formPath(TextField::Keywords);
    const KeyRule *rule = wingetRule(ManifestFile::DefaultLocale, QStringLiteral("Tags"));
    ExportValue value;
    value.key = rule->key;
    value.origin = Origin::PadField;
    value.padPath = path;
    for (const QString &tag : tagsOf(m_source.value(path))) {
        const RuleOutcome outcome = applyItemRule(*rule, tag);
        if (outcome.kind != RuleOutcome::Keeps) {
            m_plan.note(Severity::Warning, value.key,
                        QStringLiteral("the keyword \"%1\" has more than %2 characters, so it was left out")
                            .arg(tag).arg(rule->maxLength));
        } else if (value.items.size() == rule->maxItems) {
            m_plan.note(Severity::Warning, value.key,
                        QStringLiteral("the keywords make more than %1 tags: the first %1 were kept, \"%2\" "
                                       "and those after it left out").arg(rule->maxItems).arg(tag));
            break;
        } else {
            value.items << tag;
        }
    }
    value.text = value.items.join(QStringLiteral(", "));
    m_plan.values << value;
}

void WingetMapping::installer()
{
    ExportValue date;
    date.key = QStringLiteral("ReleaseDate");
    date.origin = Origin::PadField;
    date.padPath = Pad::formField(Pad::FieldKind::ReleaseDate).path();
    date.text = Pad::valueText(m_source.form, Pad::formField(Pad::FieldKind::ReleaseDate));
    take(date);

    ExportValue read;
    read.origin = Origin::Installer;
    ExportValue architecture = read;
    architecture.text = m_installer ? m_installer->architecture : QString();
    take(answered(QStringLiteral("Installers/Architecture"), Question::Architecture, architecture));
    ExportValue type = read;
    type.key = QStringLiteral("Installers/InstallerType");
    type.text = m_installer ? m_installer->type : QString();
    take(type);
    take(fromFields(QStringLiteral("Installers/InstallerUrl"), {formPath(TextField::Primary_Download_URL)}));
    ExportValue sha = read;
    sha.key = QStringLiteral("Installers/InstallerSha256");
    sha.text = m_installer ? m_installer->sha256 : QString();
    take(sha);
    switches(type.text);
    noteInstaller(m_plan, m_source, m_installer);
}

void WingetMapping::switches(const QString &type)
{
    ExportValue none;
    none.origin = Origin::Answer;
    ExportValue silent = answered(QStringLiteral("Installers/InstallerSwitches/Silent"), Question::Silent, none);
    ExportValue progress = answered(QStringLiteral("Installers/InstallerSwitches/SilentWithProgress"),
                                    Question::SilentWithProgress, none);
    if (progress.isMissing() && !silent.isMissing())
        progress.text = silent.text;
    if (needsSwitches(type) && silent.isMissing()) {
        m_plan.note(Severity::Error, silent.key,
                    QStringLiteral("a plain exe installer needs the switches that install it silently, "
                                   "such as /S or /quiet; winget cannot guess them"),
                    Question::Silent);
    }
    silent.required = progress.required = needsSwitches(type);
    take(silent);
    take(progress);
}

void WingetMapping::files()
{
    const QString identifier = m_plan.value(QStringLiteral("PackageIdentifier"))->text;
    const QString version = m_plan.value(QStringLiteral("PackageVersion"))->text;
    QString folder = QStringLiteral("manifests/%1/").arg(identifier.left(1).toLower());
    folder += identifier.split(u'.').join(u'/') + u'/' + version + u'/';
    const struct {
        ManifestFile file;
        QString name;
    } names[] = {
        {ManifestFile::Version, identifier + QStringLiteral(".yaml")},
        {ManifestFile::Installer, identifier + QStringLiteral(".installer.yaml")},
        {ManifestFile::DefaultLocale, identifier + QStringLiteral(".locale.") + QString(WingetLocale)
                                          + QStringLiteral(".yaml")},
    };
    for (const auto &name : names)
        m_plan.files << ExportFile{folder + name.name, manifestYaml(name.file, m_plan)};
}

} // namespace

QString derivedIdentifier(const ExportSource &source)
{
    const QString publisher = identifierPart(source.form.text(TextField::Company_Name));
    const QString name = identifierPart(source.form.text(TextField::Program_Name));
    return publisher.isEmpty() || name.isEmpty() ? QString() : publisher + u'.' + name;
}

ExportPlan planWinget(const ExportSource &source, const Answers &answers,
                      const std::optional<InstallerFacts> &installer)
{
    return WingetMapping(source, answers, installer).make();
}

} // namespace Export
