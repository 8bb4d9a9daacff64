#include "exportdialog.h"

#include "installerdownload.h"
#include "onlinecheck.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { KeyColumn, ValueColumn, FromColumn };

const QString FolderKey = QStringLiteral("folder");

QString originText(const Export::ExportValue &value)
{
    switch (value.origin) {
    case Export::Origin::PadField:
        return ExportDialog::tr("PAD: %1").arg(Pad::fieldDisplayName(value.padPath));
    case Export::Origin::Installer:
        return ExportDialog::tr("the installer");
    case Export::Origin::Answer:
        return ExportDialog::tr("your answer");
    case Export::Origin::Fixed:
        return ExportDialog::tr("the export");
    }
    return QString();
}

} // namespace

ExportDialog::ExportDialog(Export::Catalog catalog, const Export::ExportSource &source,
                           const Online::FetchSettings &settings, QWidget *parent)
    : QDialog(parent)
    , m_catalog(catalog)
    , m_source(source)
    , m_fetchSettings(settings)
    , m_values(new QTreeWidget)
    , m_notes(new QPlainTextEdit)
    , m_installerLabel(new QLabel)
    , m_progress(new QProgressBar)
    , m_readButton(new QPushButton(tr("&Read Installer...")))
    , m_downloadButton(new QPushButton(tr("&Download It")))
    , m_stopButton(new QPushButton(tr("S&top")))
    , m_folderEdit(new QLineEdit)
    , m_savedLabel(new QLabel)
    , m_saveButton(new QPushButton(tr("&Save")))
{
    setObjectName(QStringLiteral("exportDialog"));
    setWindowTitle(tr("Export: %1").arg(Export::catalogTitle(catalog)));
    setSizeGripEnabled(true);

    m_values->setObjectName(QStringLiteral("exportValues"));
    m_values->setHeaderLabels({tr("Value"), tr("Written"), tr("From")});
    m_values->setRootIsDecorated(false);
    m_values->setAccessibleName(tr("Values of the export"));
    m_values->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_values->setMinimumSize(640, 260);
    auto *valuesLabel = new QLabel(tr("&Values:"));
    valuesLabel->setBuddy(m_values);
    m_notes->setObjectName(QStringLiteral("exportNotes"));
    m_notes->setReadOnly(true);
    m_notes->setMaximumHeight(110);
    auto *notesLabel = new QLabel(tr("&Notes:"));
    notesLabel->setBuddy(m_notes);
    m_savedLabel->setObjectName(QStringLiteral("exportSaved"));
    m_savedLabel->setTextFormat(Qt::PlainText);
    m_savedLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_savedLabel->setWordWrap(true);
    m_savedLabel->hide();

    auto *buttons = new QDialogButtonBox;
    m_saveButton->setObjectName(QStringLiteral("exportSave"));
    buttons->addButton(m_saveButton, QDialogButtonBox::ActionRole);
    QPushButton *close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("exportClose"));
    connect(m_saveButton, &QPushButton::clicked, this, &ExportDialog::save);
    connect(close, &QPushButton::clicked, this, &ExportDialog::reject);

    auto *column = new QVBoxLayout(this);
    column->addWidget(makeAnswers());
    // AppStream describes no installer; the row is made all the same, so
    // that every widget the dialog holds has its place.
    QWidget *installerRow = makeInstallerRow();
    column->addWidget(installerRow);
    if (catalog == Export::Catalog::AppStream)
        installerRow->hide();
    column->addWidget(valuesLabel);
    column->addWidget(m_values, 1);
    column->addWidget(notesLabel);
    column->addWidget(m_notes);
    column->addWidget(makeFolderRow());
    column->addWidget(m_savedLabel);
    column->addWidget(buttons);
    replan();
}

ExportDialog::~ExportDialog() = default;

QString ExportDialog::settingsGroup(const QString &programKey)
{
    return QStringLiteral("export/") + QString::fromLatin1(programKey.toUtf8().toPercentEncoding());
}

QWidget *ExportDialog::makeAnswers()
{
    auto *box = new QGroupBox(tr("Your answers, for what the PAD file does not say"));
    auto *form = new QFormLayout(box);
    QSettings settings;
    settings.beginGroup(settingsGroup(m_source.programKey()));
    for (const Export::Question question : Export::questionsOf(m_catalog)) {
        auto *edit = new QLineEdit(settings.value(Export::questionName(question)).toString());
        edit->setObjectName(QStringLiteral("answer-") + Export::questionName(question));
        edit->setClearButtonEnabled(true);
        form->addRow(Export::questionLabel(question) + u':', edit);
        m_answerEdits[std::size_t(question)] = edit;
        connect(edit, &QLineEdit::textChanged, this, &ExportDialog::replan);
    }
    return box;
}

QWidget *ExportDialog::makeInstallerRow()
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_installerLabel->setObjectName(QStringLiteral("exportInstaller"));
    m_installerLabel->setTextFormat(Qt::PlainText);
    m_installerLabel->setText(tr("Installer: not read; its SHA-256, kind and processor come from its bytes."));
    m_progress->setObjectName(QStringLiteral("exportProgress"));
    m_progress->hide();
    m_readButton->setObjectName(QStringLiteral("exportReadInstaller"));
    m_stopButton->setObjectName(QStringLiteral("exportStopReading"));
    m_stopButton->hide();
    connect(m_readButton, &QPushButton::clicked, this, &ExportDialog::chooseInstaller);
    m_downloadButton->setObjectName(QStringLiteral("exportDownloadInstaller"));
    const QString address = m_source.form.text(Pad::TextField::Primary_Download_URL).trimmed();
    m_downloadButton->setEnabled(!Online::addressBreach(address));
    m_downloadButton->setToolTip(m_downloadButton->isEnabled()
                                     ? tr("Reads the installer from %1, hashing it as it comes.").arg(address)
                                     : tr("The PAD file gives no http or https download address."));
    connect(m_downloadButton, &QPushButton::clicked, this, &ExportDialog::downloadInstaller);
    connect(m_stopButton, &QPushButton::clicked, this, &ExportDialog::cancelReading);
    layout->addWidget(m_installerLabel, 1);
    layout->addWidget(m_progress);
    layout->addWidget(m_stopButton);
    layout->addWidget(m_readButton);
    layout->addWidget(m_downloadButton);
    return row;
}

QWidget *ExportDialog::makeFolderRow()
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(tr("Save in &folder:"));
    label->setBuddy(m_folderEdit);
    m_folderEdit->setObjectName(QStringLiteral("exportFolder"));
    QSettings settings;
    settings.beginGroup(settingsGroup(m_source.programKey()));
    m_folderEdit->setText(settings.value(FolderKey, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                              .toString());
    auto *browse = new QPushButton(tr("&Browse..."));
    browse->setObjectName(QStringLiteral("exportBrowse"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(this, tr("Save Into Folder"), m_folderEdit->text());
        if (!chosen.isEmpty())
            m_folderEdit->setText(QDir::toNativeSeparators(chosen));
    });
    layout->addWidget(label);
    layout->addWidget(m_folderEdit, 1);
    layout->addWidget(browse);
    return row;
}

Export::Answers ExportDialog::answers() const
{
    Export::Answers answers;
    for (int i = 0; i < Export::QuestionCount; ++i) {
        if (m_answerEdits[std::size_t(i)])
            answers.texts[std::size_t(i)] = m_answerEdits[std::size_t(i)]->text().trimmed();
    }
    return answers;
}

void ExportDialog::replan()
{
    m_plan = Export::planExport(m_catalog, m_source, answers(), m_installer);
    // What the PAD file would give without an answer shows in the empty field.
    for (const Export::ExportValue &value : std::as_const(m_plan.values)) {
        if (!value.question || !m_answerEdits[std::size_t(*value.question)])
            continue;
        QLineEdit *edit = m_answerEdits[std::size_t(*value.question)];
        if (value.origin != Export::Origin::Answer || !value.offer.isEmpty())
            edit->setPlaceholderText(value.offer.isEmpty() ? value.text : value.offer);
    }
    showValues();
    showNotes();
    m_saveButton->setEnabled(!m_plan.isRefused() && !m_reading);
}

void ExportDialog::showValues()
{
    m_values->clear();
    const QIcon missing = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (const Export::ExportValue &value : std::as_const(m_plan.values)) {
        auto *item = new QTreeWidgetItem(m_values);
        item->setText(KeyColumn, value.key);
        if (value.isMissing()) {
            item->setText(ValueColumn, value.required ? tr("Missing") : tr("(left out)"));
            if (value.required)
                item->setIcon(ValueColumn, missing);
        } else {
            item->setText(ValueColumn, QString(value.text).replace(u'\n', QStringLiteral(" \u21b5 ")));
        }
        item->setText(FromColumn, originText(value));
        item->setToolTip(ValueColumn, value.text);
    }
}

void ExportDialog::showNotes()
{
    QStringList lines;
    for (const Export::ExportNote &note : std::as_const(m_plan.notes)) {
        const QString key = note.key.isEmpty() ? QString() : note.key + QStringLiteral(": ");
        lines << QStringLiteral("%1: %2%3").arg(Pad::severityName(note.severity), key, note.message);
    }
    if (lines.isEmpty())
        lines << tr("Nothing to note: Save writes the files.");
    else if (m_plan.isRefused())
        lines.prepend(tr("Save writes nothing while there are errors:"));
    m_notes->setPlainText(lines.join(u'\n'));
}

void ExportDialog::chooseInstaller()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Read Installer"), QString(),
                                                      tr("Installers (*.exe *.msi *.msix *.msixbundle *.appx "
                                                         "*.appxbundle *.zip);;All files (*)"));
    if (!path.isEmpty())
        readInstaller(std::make_unique<Export::LocalInstallerSource>(path));
}

void ExportDialog::downloadInstaller()
{
    bool ok = false;
    const qint64 stated = m_source.form.text(Pad::TextField::File_Size_Bytes).trimmed().toLongLong(&ok);
    const QUrl address(m_source.form.text(Pad::TextField::Primary_Download_URL).trimmed(), QUrl::TolerantMode);
    readInstaller(std::make_unique<Export::DownloadInstallerSource>(
        address, ok && stated >= 0 ? std::optional(stated) : std::nullopt, m_fetchSettings));
}

void ExportDialog::readInstaller(std::unique_ptr<Export::InstallerSource> source)
{
    cancelReading();
    m_reading = std::move(source);
    Export::InstallerSource *reading = m_reading.get();
    connect(reading, &Export::InstallerSource::progress, this, [this](qint64 done, qint64 total) {
        // The bar counts in KiB, which keeps a 4 GiB installer within an int.
        m_progress->setRange(0, total > 0 ? int(total / 1024) : 0);
        m_progress->setValue(int(done / 1024));
    });
    connect(reading, &Export::InstallerSource::finished, this, &ExportDialog::takeFacts);
    connect(reading, &Export::InstallerSource::failed, this, &ExportDialog::showReadingFailed);
    m_installerLabel->setText(tr("Reading %1...").arg(reading->description()));
    m_progress->setRange(0, 0);
    m_progress->show();
    m_stopButton->show();
    m_stopButton->setFocus();
    m_saveButton->setEnabled(false);
    reading->start();
}

void ExportDialog::cancelReading()
{
    if (!m_reading)
        return;
    m_reading->cancel();
    // Not from inside one of its own signals.
    m_reading.release()->deleteLater();
    m_progress->hide();
    m_stopButton->hide();
    m_readButton->setFocus();
    m_installerLabel->setText(m_installer ? tr("Installer: %1 (reading another was stopped)")
                                                .arg(QDir::toNativeSeparators(m_installer->readFrom))
                                          : tr("Installer: not read (reading was stopped)."));
    replan();
}

void ExportDialog::takeFacts(const Export::InstallerFacts &facts)
{
    m_installer = facts;
    m_reading.release()->deleteLater();
    m_progress->hide();
    m_stopButton->hide();
    m_readButton->setFocus();
    m_installerLabel->setText(tr("Installer: %1, %2 bytes, %3%4")
                                  .arg(QDir::toNativeSeparators(facts.readFrom))
                                  .arg(facts.size)
                                  .arg(facts.type,
                                       facts.architecture.isEmpty() ? QString() : u' ' + facts.architecture));
    replan();
}

void ExportDialog::showReadingFailed(const QString &reason)
{
    const QString what = m_reading ? m_reading->description() : QString();
    cancelReading();
    m_installerLabel->setText(tr("Cannot read the installer %1: %2").arg(what, reason));
}

void ExportDialog::save()
{
    const QString folder = m_folderEdit->text().trimmed();
    QString reason;
    std::optional<QStringList> written;
    if (folder.isEmpty())
        reason = tr("choose the folder to save into");
    else
        written = Export::writeExport(m_plan, QDir::fromNativeSeparators(folder), &reason);
    m_savedLabel->show();
    if (!written) {
        m_savedLabel->setText(tr("Nothing was saved: %1.").arg(reason));
        return;
    }
    rememberAnswers();
    QStringList shown;
    for (const QString &path : *written)
        shown << QDir::toNativeSeparators(QDir::cleanPath(path));
    m_savedLabel->setText(tr("Saved:\n%1").arg(shown.join(u'\n')));
}

void ExportDialog::rememberAnswers() const
{
    QSettings settings;
    settings.beginGroup(settingsGroup(m_source.programKey()));
    const Export::Answers given = answers();
    for (const Export::Question question : Export::questionsOf(m_catalog)) {
        const QString name = Export::questionName(question);
        if (given[question].isEmpty())
            settings.remove(name);
        else
            settings.setValue(name, given[question]);
    }
    settings.setValue(FolderKey, m_folderEdit->text().trimmed());
}

void ExportDialog::reject()
{
    cancelReading();
    QDialog::reject();
}
