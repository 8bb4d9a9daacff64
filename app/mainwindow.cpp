#include "mainwindow.h"

#include "aboutdialog.h"
#include "accentcolor.h"
#include "calendardateedit.h"
#include "fieldhints.h"
#include "filedrops.h"
#include "filesize.h"
#include "limitededits.h"
#include "messages.h"
#include "morefieldsdialog.h"
#include "padreader.h"
#include "padrules.h"
#include "padupdate.h"
#include "padwriter.h"
#include "quilletinfo.h"
#include "recentfiles.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>

using Pad::TextField;

namespace {

const QString xmlFilter = QStringLiteral("XML Document (*.xml)");

// Long enough to read a note or two; the notice's tooltip keeps them after.
constexpr int ImportNoticeMilliseconds = 20000;

// A caption ending in " :" beside the field it names, right-aligned as in a form.
QLabel *makeLabel(const char *name, const QString &caption, QWidget *buddy = nullptr,
                  bool optional = false)
{
    auto *label = new QLabel(caption);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (buddy)
        label->setBuddy(buddy);
    if (optional)
        new AccentText(label, AccentColor::Accent::Optional);
    return label;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_companyGroup(new QGroupBox(tr("Company Information")))
    , m_programGroup(new QGroupBox(tr("Program Information")))
    , m_otherGroup(new QGroupBox)
    , m_webGroup(new QGroupBox(tr("Web Info")))
    , m_texts(this)
    , m_releaseDate(new CalendarDateEdit)
    , m_programType(new QComboBox)
    , m_osSupport(new QListWidget)
    , m_fileSizeButton(new QPushButton(tr("File Size (Bytes)")))
    , m_clearButton(new QPushButton(tr("Clear All")))
    , m_importButton(new QPushButton(tr("Import from Existing PAD")))
    , m_generateButton(new QPushButton(tr("Generate PAD")))
    , m_keywordsCounter(new LengthCounter(tr("Keywords"), Pad::KeywordsLimit))
    , m_descriptionCounter(new LengthCounter(tr("Description"), Pad::DescriptionLimit))
    , m_updateAction(new QAction(tr("&Update PAD File"), this))
    , m_updateTargetLabel(new QLabel)
    , m_importNotice(new QLabel)
    , m_recentFiles(new RecentFiles(this))
{
    setObjectName(QStringLiteral("FMain"));
    setWindowTitle(QLatin1String(Quillet::MainWindowCaption));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);

    createGroups();
    createButtonsAndLegend();
    createActions();
    createStatusBar();
    setTabOrder();
    m_releaseDate->setDate(QDate::currentDate());

    // Fixed for the user, yet following its content when the font or the
    // scaling of the desktop changes.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    m_aboutDialog = new AboutDialog(this);
    m_aboutDialog->setObjectName(QStringLiteral("FAbout"));

    new FieldHints(this, m_texts, m_releaseDate, m_programType, m_osSupport, m_keywordsCounter,
                   m_descriptionCounter);
}

void MainWindow::createGroups()
{
    for (const Pad::FormField &field : Pad::formFields()) {
        if (field.kind == Pad::FieldKind::Text && field.text != TextField::Char_Desc_450)
            m_texts.lineEdit(field.text)->setMinimumWidth(193);
    }
    createCompanyGroup();
    createProgramGroup();
    createOtherGroup();
    createWebGroup();
}

void MainWindow::createCompanyGroup()
{
    m_companyGroup->setObjectName(QStringLiteral("CompanyInfo"));
    auto *company = new QGridLayout(m_companyGroup);
    const auto row = [&](int at, const char *labelName, const QString &caption, TextField field) {
        company->addWidget(makeLabel(labelName, caption, m_texts.widget(field)), at, 0);
        company->addWidget(m_texts.widget(field), at, 1);
    };
    row(0, "Label1", tr("Company Name :"), TextField::Company_Name);
    row(1, "Label6", tr("Website :"), TextField::Company_Website_URL);
    row(2, "Label7", tr("E-mail :"), TextField::Contact_Email);
}

void MainWindow::createProgramGroup()
{
    m_programGroup->setObjectName(QStringLiteral("ProgramInformation"));
    m_releaseDate->setObjectName(Pad::formField(Pad::FieldKind::ReleaseDate).objectName);
    m_releaseDate->setMinimumDate(QDate(100, 1, 1)); // the earliest a date edit can show
    QString dateFormat = QLocale().dateFormat(QLocale::ShortFormat);
    if (!dateFormat.contains(QLatin1String("yyyy")))
        dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    m_releaseDate->setDisplayFormat(dateFormat);
    m_releaseDate->setMinimumWidth(193);
    auto *program = new QGridLayout(m_programGroup);
    program->addWidget(makeLabel("Label2", tr("Program Name :"), m_texts.widget(TextField::Program_Name)), 0, 0);
    program->addWidget(m_texts.widget(TextField::Program_Name), 0, 1);
    program->addWidget(makeLabel("Label3", tr("Program Version :"), m_texts.widget(TextField::Program_Version)),
                       1, 0);
    program->addWidget(m_texts.widget(TextField::Program_Version), 1, 1);
    program->addWidget(makeLabel("Label5", tr("Release Date :"), m_releaseDate), 2, 0);
    program->addWidget(m_releaseDate, 2, 1);
}

void MainWindow::createOtherGroup()
{
    m_otherGroup->setObjectName(QStringLiteral("OtherInfo"));
    m_programType->setObjectName(Pad::formField(Pad::FieldKind::ProgramType).objectName);
    m_programType->addItems(Pad::ProgramTypeList());
    m_programType->setCurrentIndex(0);
    m_programType->setMinimumWidth(193);
    m_osSupport->setObjectName(Pad::formField(Pad::FieldKind::OsSupport).objectName);
    for (const QString &entry : Pad::OsSupportList()) {
        auto *item = new QListWidgetItem(entry, m_osSupport);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    m_osSupport->setMinimumWidth(193);
    m_osSupport->setFixedHeight(m_osSupport->fontMetrics().height() * 5);
    DescriptionEdit *description = m_texts.description();
    description->setMinimumWidth(521);
    description->setFixedHeight(description->fontMetrics().lineSpacing() * 2
                                + description->horizontalScrollBar()->sizeHint().height()
                                + 2 * description->frameWidth() + 8);
    m_fileSizeButton->setObjectName(QStringLiteral("FileSize"));

    auto *descriptionLabels = new QVBoxLayout;
    descriptionLabels->addWidget(makeLabel("Label12", tr("Descriptions :"), description));
    // The count hangs right under the limit it counts against, which leaves
    // the row no taller than the memo.
    m_descriptionCounter->setObjectName(QStringLiteral("DescriptionCounter"));
    auto *limitAndCount = new QVBoxLayout;
    limitAndCount->setSpacing(0);
    limitAndCount->addWidget(makeLabel("Label4", tr("(450 chars.)")));
    limitAndCount->addWidget(m_descriptionCounter);
    descriptionLabels->addLayout(limitAndCount);
    descriptionLabels->addStretch();

    // The counter takes its width from the Keywords field, so the row keeps its extent.
    QLineEdit *keywords = m_texts.lineEdit(TextField::Keywords);
    keywords->setMinimumWidth(513);
    m_keywordsCounter->setObjectName(QStringLiteral("KeywordsCounter"));
    m_keywordsCounter->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto *keywordsRow = new QHBoxLayout;
    keywordsRow->addWidget(keywords);
    keywordsRow->addWidget(m_keywordsCounter);

    auto *other = new QGridLayout(m_otherGroup);
    other->addWidget(makeLabel("Label8", tr("Program Type :"), m_programType), 0, 0);
    other->addWidget(m_programType, 0, 1);
    QWidget *cost = m_texts.widget(TextField::Program_Cost_Dollars);
    other->addWidget(makeLabel("Label17", tr("Cost (US$) :"), cost, true), 1, 0);
    other->addWidget(cost, 1, 1);
    other->addWidget(m_fileSizeButton, 2, 0);
    other->addWidget(m_texts.widget(TextField::File_Size_Bytes), 2, 1);
    other->setColumnStretch(2, 1);
    auto *osLabel = makeLabel("Label9", tr("OS Support :"), m_osSupport);
    osLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    other->addWidget(osLabel, 0, 3);
    other->addWidget(m_osSupport, 0, 4, 3, 1);
    other->addWidget(makeLabel("Label11", tr("Keywords :"), keywords), 3, 0);
    other->addLayout(keywordsRow, 3, 1, 1, 4);
    keywords->setMinimumWidth(keywords->minimumWidth() - keywordsRow->spacing()
                              - m_keywordsCounter->sizeHint().width());
    other->addLayout(descriptionLabels, 4, 0);
    other->addWidget(description, 4, 1, 1, 4);
}

void MainWindow::createWebGroup()
{
    m_webGroup->setObjectName(QStringLiteral("WebInfo"));
    auto *web = new QGridLayout(m_webGroup);
    const auto row = [&](int at, const char *labelName, const QString &caption, TextField field,
                         bool optional = false) {
        QLineEdit *edit = m_texts.lineEdit(field);
        edit->setMinimumWidth(481);
        web->addWidget(makeLabel(labelName, caption, edit, optional), at, 0);
        web->addWidget(edit, at, 1);
    };
    row(0, "Label13", tr("Application Info URL :"), TextField::Application_Info_URL);
    row(1, "Label14", tr("PAD XML File URL :"), TextField::Application_XML_File_URL);
    row(2, "Label15", tr("Primary Download URL :"), TextField::Primary_Download_URL);
    row(3, "Label16", tr("Application Screenshot :"), TextField::Application_Screenshot_URL, true);
}

void MainWindow::createButtonsAndLegend()
{
    m_clearButton->setObjectName(QStringLiteral("ClearButton"));
    m_importButton->setObjectName(QStringLiteral("ImportButton"));
    m_generateButton->setObjectName(QStringLiteral("GenerateButton"));
    m_clearButton->setMinimumWidth(129);
    m_importButton->setMinimumWidth(153);
    m_generateButton->setMinimumWidth(153);
    connect(m_generateButton, &QPushButton::clicked, this, &MainWindow::generatePadFile);
    connect(m_importButton, &QPushButton::clicked, this, &MainWindow::importPadFile);
    connect(m_clearButton, &QPushButton::clicked, this, &MainWindow::clearForm);
    connect(m_fileSizeButton, &QPushButton::clicked, this, &MainWindow::chooseFileForSize);

    auto *legend = new QVBoxLayout;
    legend->setSpacing(2);
    auto *required = new QLabel(tr("Black text : required"));
    required->setObjectName(QStringLiteral("Label19"));
    auto *optional = makeLabel("Label18", tr("Blue text : optional"), nullptr, true);
    optional->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    legend->addWidget(required);
    legend->addWidget(optional);

    auto *buttons = new QHBoxLayout;
    buttons->addLayout(legend);
    buttons->addStretch();
    buttons->addWidget(m_clearButton);
    buttons->addWidget(m_importButton);
    buttons->addWidget(m_generateButton);

    auto *top = new QHBoxLayout;
    top->addWidget(m_companyGroup);
    top->addWidget(m_programGroup);

    auto *central = new QWidget;
    auto *column = new QVBoxLayout(central);
    column->addLayout(top);
    column->addWidget(m_otherGroup);
    column->addWidget(m_webGroup);
    column->addLayout(buttons);
    setCentralWidget(central);
}

void MainWindow::createActions()
{
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->setObjectName(QStringLiteral("File1"));
    QAction *generate = fileMenu->addAction(tr("&Generate PAD File"), m_generateButton,
                                            &QPushButton::click);
    generate->setObjectName(QStringLiteral("GeneratePADFile1"));
    generate->setShortcut(QKeySequence::Save);
    fileMenu->addAction(m_updateAction);
    m_updateAction->setObjectName(QStringLiteral("UpdatePADFile1"));
    // Ctrl+U deletes the line in a field on X11 desktops, and Ctrl+Shift+U
    // starts Unicode input there; no field takes Ctrl+R.
    m_updateAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_updateAction->setEnabled(false);
    connect(m_updateAction, &QAction::triggered, this, &MainWindow::updatePadFile);
    QAction *import = fileMenu->addAction(tr("&Import PAD File"), m_importButton,
                                          &QPushButton::click);
    import->setObjectName(QStringLiteral("ImportPADFile1"));
    import->setShortcut(QKeySequence::Open);
    QAction *more = fileMenu->addAction(tr("&More PAD Fields..."), this, &MainWindow::editMoreFields);
    more->setObjectName(QStringLiteral("MorePADFields1"));
    more->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    QMenu *recent = fileMenu->addMenu(tr("Open &Recent"));
    recent->setObjectName(QStringLiteral("OpenRecent1"));
    m_recentFiles->attach(recent);
    connect(m_recentFiles, &RecentFiles::chosen, this, &MainWindow::openRecentFile);
    fileMenu->addSeparator()->setObjectName(QStringLiteral("N1"));
    QAction *exit = fileMenu->addAction(tr("E&xit"), this, &QWidget::close);
    exit->setObjectName(QStringLiteral("Exit1"));
    // Not every platform has a standard key to quit; Ctrl+Q then.
    exit->setShortcuts(QKeySequence::keyBindings(QKeySequence::Quit).isEmpty()
                           ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Q)}
                           : QKeySequence::keyBindings(QKeySequence::Quit));

    QMenu *helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->setObjectName(QStringLiteral("Help1"));
    QAction *about = helpMenu->addAction(tr("&About"), this, &MainWindow::showAbout);
    about->setObjectName(QStringLiteral("About1"));
    about->setShortcut(QKeySequence::HelpContents);

    auto *drops = new FileDrops([this](const QString &path) { importFile(path); },
                                [this](const QString &path) { fillFileSize(path); }, this);
    drops->watch(this, {m_fileSizeButton, m_texts.widget(TextField::File_Size_Bytes)});
}

void MainWindow::openRecentFile(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        m_recentFiles->remove(path);
        showError(tr("%1 no longer exists; it has been taken off the list of recent files.")
                      .arg(QDir::toNativeSeparators(path)));
        return;
    }
    importFile(path);
}

void MainWindow::createStatusBar()
{
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(false);
    auto *panel = new QLabel(tr("Try our online PAD Generator - ") + QLatin1String(Quillet::MakerUrl));
    panel->setObjectName(QStringLiteral("StatusPanel"));
    statusBar()->addWidget(panel, 1);
    // Permanent, so that messages in the status bar never hide them.
    m_importNotice->setObjectName(QStringLiteral("ImportNotice"));
    m_importNotice->setTextFormat(Qt::PlainText);
    m_importNotice->setAccessibleName(tr("Import notes"));
    m_importNotice->hide();
    statusBar()->addPermanentWidget(m_importNotice);
    m_updateTargetLabel->setObjectName(QStringLiteral("UpdateTarget"));
    m_updateTargetLabel->setTextFormat(Qt::PlainText);
    m_updateTargetLabel->hide();
    statusBar()->addPermanentWidget(m_updateTargetLabel);
}

void MainWindow::setTabOrder()
{
    // The form's fields in the window's order, then the buttons.
    QList<QWidget *> chain;
    for (const Pad::FormField &field : Pad::formFields()) {
        switch (field.kind) {
        case Pad::FieldKind::Text:
            chain << m_texts.widget(field.text);
            break;
        case Pad::FieldKind::ReleaseDate:
            chain << m_releaseDate;
            break;
        case Pad::FieldKind::ProgramType:
            chain << m_programType;
            break;
        case Pad::FieldKind::OsSupport:
            chain << m_osSupport;
            break;
        }
        // The File Size button comes last in its group, after the description.
        if (field.text == TextField::Char_Desc_450 && field.kind == Pad::FieldKind::Text)
            chain << m_fileSizeButton;
    }
    chain << m_generateButton << m_importButton << m_clearButton;
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

Pad::PadValues MainWindow::gatherValues() const
{
    Pad::PadValues values;
    for (int i = 0; i < Pad::TextFieldCount; ++i)
        values.texts[i] = m_texts.text(static_cast<TextField>(i));
    values.releaseDate = m_releaseDate->date();
    values.programType = m_programType->currentIndex() >= 0 ? m_programType->currentText() : QString();
    for (int row = 0; row < m_osSupport->count(); ++row) {
        const QListWidgetItem *item = m_osSupport->item(row);
        if (item->checkState() == Qt::Checked)
            values.osSupport << item->text();
    }
    return values;
}

QStringList MainWindow::applyImport(const Pad::PadImport &imported)
{
    const Pad::PadValues &values = imported.values;
    for (int i = 0; i < Pad::TextFieldCount; ++i)
        m_texts.setTextUncut(static_cast<TextField>(i), values.texts[i]);
    m_programType->setCurrentIndex(int(Pad::ProgramTypeList().indexOf(values.programType)));
    QListWidgetItem *firstTicked = nullptr;
    for (int row = 0; row < m_osSupport->count(); ++row) {
        QListWidgetItem *item = m_osSupport->item(row);
        const bool ticked = values.osSupport.contains(item->text());
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
        if (ticked && !firstTicked)
            firstTicked = item;
    }
    // The list shows five of its entries: the ticked ones come into sight.
    if (firstTicked)
        m_osSupport->scrollToItem(firstTicked, QAbstractItemView::PositionAtTop);
    else
        m_osSupport->scrollToTop();
    if (!values.releaseDate.isValid())
        return {};
    if (values.releaseDate < m_releaseDate->minimumDate()) {
        const Pad::ReleaseDateNumbers date = Pad::releaseDateNumbers(values.releaseDate);
        return {tr("Release Date: %1 is earlier than the date field can hold")
                    .arg(Pad::quotedValue(QStringLiteral("%1/%2/%3").arg(date.month, date.day, date.year)))};
    }
    m_releaseDate->setDate(values.releaseDate);
    return {};
}

void MainWindow::showError(const QString &text)
{
    showMessage(this, QMessageBox::NoIcon, tr("Error"), text);
}

void MainWindow::reportProblem(const Pad::FieldProblem &problem)
{
    showError(problem.message);
    QWidget *target = problem.field ? m_texts.widget(*problem.field) : m_osSupport;
    target->setFocus(Qt::OtherFocusReason);
}

std::optional<QString> MainWindow::runFileDialog(FileDialog which)
{
    // A dialog lives for one use only: one kept and shown again leaves its
    // name completer's popup on screen, where it swallows the next click.
    // Building it only when asked also keeps start-up free of its cost.
    static constexpr const char *names[] = {"OpenDialog1", "SaveDialog1", "ImportPad"};
    QFileDialog dialog(this);
    dialog.setObjectName(QLatin1String(names[int(which)]));
    dialog.setAcceptMode(which == FileDialog::Save ? QFileDialog::AcceptSave
                                                   : QFileDialog::AcceptOpen);
    // A typed name need not exist yet: the caller says what is wrong with it.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setSizeGripEnabled(true);
    // The writer may change the extension, so it asks about the file it will
    // really replace instead of the one typed in the dialog.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, which == FileDialog::Save);
    if (which != FileDialog::FileSize)
        dialog.setNameFilter(xmlFilter);

    QString &last = m_lastChosenPaths[int(which)];
    if (!last.isEmpty())
        dialog.selectFile(last);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    last = dialog.selectedFiles().constFirst();
    return last;
}

bool MainWindow::confirmReplace(const QString &path)
{
    return askYesNo(this, QMessageBox::Warning, tr("Confirm Save As"),
                    tr("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(path).fileName()));
}

std::optional<Pad::PadValues> MainWindow::checkedValues()
{
    // Half-typed text in the date editor settles by the editor's own rules, as
    // it would on leaving the field, so that the date written is the one shown.
    m_releaseDate->interpretText();
    Pad::PadValues values = gatherValues();
    if (const auto problem = Pad::validate(values)) {
        reportProblem(*problem);
        return std::nullopt;
    }
    if (const auto problem = Pad::findUnsavableField(values)) {
        reportProblem(*problem);
        return std::nullopt;
    }
    return values;
}

void MainWindow::generatePadFile()
{
    const std::optional<Pad::PadValues> checked = checkedValues();
    if (!checked || !generateMayLeaveOut())
        return;
    // Built before the dialog opens, so the file holds the form as it was at the click.
    const QByteArray bytes = Pad::padFileBytes(Pad::padFileLines(*checked));

    const std::optional<QString> chosen = runFileDialog(FileDialog::Save);
    if (!chosen)
        return;
    const QString path = Pad::forceXmlExtension(*chosen);
    if (QFileInfo::exists(path) && !confirmReplace(path))
        return;
    QString reason;
    if (!Pad::savePadFile(path, bytes, &reason)) {
        showError(tr("Could not save %1: %2").arg(QDir::toNativeSeparators(path), reason));
        return;
    }
    m_recentFiles->add(path);
    // The form now stands for the file it wrote, as after an import, so that
    // Update can add to it what the dialog holds beyond the form.
    if (const std::optional<Pad::PadDocument> written = Pad::loadPad(bytes, QDate::currentDate(), &reason))
        bindToFile(path, *written, true);
    // What the notice said was about the file the form came from.
    showImportNotice({});
    m_valuesLeftOut = 0;
    m_askBeforeGenerate = false;
    if (Pad::holdsChanges(m_fileFields, m_otherFields)) {
        statusBar()->showMessage(tr("%1 holds the form only: the More PAD Fields dialog holds values "
                                    "that Generate PAD does not write. File, Update PAD File adds them.")
                                     .arg(QFileInfo(path).fileName()));
    }
}

bool MainWindow::generateMayLeaveOut()
{
    if (!m_askBeforeGenerate)
        return true;
    const QString name = QFileInfo(m_updatePath).fileName();
    const QString values = m_valuesLeftOut == 1 ? tr("1 value") : tr("%1 values").arg(m_valuesLeftOut);
    const int choice = askOneOf(
        this, QMessageBox::Question, tr("Generate PAD"),
        tr("%1 holds %2 that Generate PAD would leave out of a new file: values that only File, "
           "More PAD Fields shows, such as other languages' descriptions, and operating systems "
           "the list lacks.\nFile, Update PAD File writes the form into %1 and keeps them.")
            .arg(name, values),
        {tr("&Update %1").arg(QString(name).replace(u'&', QStringLiteral("&&"))), tr("&Generate Anyway")}, 0);
    if (choice == 0)
        updatePadFile();
    if (choice != 1)
        return false;
    m_askBeforeGenerate = false;
    return true;
}

void MainWindow::bindToFile(const QString &path, const Pad::PadDocument &document, bool keepAuthorValues)
{
    m_updatePath = path;
    m_updateBytes = document.bytes;
    m_updateAction->setEnabled(true);
    m_updateTargetLabel->setVisible(true);
    m_updateTargetLabel->setText(tr("Update writes %1").arg(QFileInfo(path).fileName()));
    m_updateTargetLabel->setToolTip(QDir::toNativeSeparators(path));
    m_fileFields = document.otherFields;
    m_keptElements = document.kept;
    if (!keepAuthorValues)
        m_otherFields = document.otherFields;
}

void MainWindow::unbind()
{
    m_updatePath.clear();
    m_updateBytes.clear();
    m_updateAction->setEnabled(false);
    m_updateTargetLabel->setVisible(false);
    m_fileFields = {};
    m_otherFields = {};
    m_keptElements.clear();
    showImportNotice({});
    m_valuesLeftOut = 0;
    m_askBeforeGenerate = false;
}

void MainWindow::importPadFile()
{
    if (const std::optional<QString> chosen = runFileDialog(FileDialog::Import))
        importFile(*chosen);
}

void MainWindow::importFile(const QString &path)
{
    QString reason;
    const std::optional<Pad::PadDocument> document = Pad::loadPadFile(path, QDate::currentDate(), &reason);
    if (!document) {
        showError(Pad::importRefusal(path, reason));
        return;
    }
    QStringList notes = document->imported.noteTexts() + applyImport(document->imported);
    bindToFile(path, *document, false);
    m_recentFiles->add(path);
    if (document->unshownValues > 0) {
        notes << (document->unshownValues == 1
                      ? tr("1 value that the form does not show: File, More PAD Fields shows it.")
                      : tr("%1 values that the form does not show: File, More PAD Fields shows them.")
                            .arg(document->unshownValues));
    }
    showImportNotice(notes);
    m_valuesLeftOut = document->unshownValues + int(document->imported.unknownOsNames.size());
    m_askBeforeGenerate = m_valuesLeftOut > 0;
}

void MainWindow::showImportNotice(const QStringList &notes)
{
    m_importNotice->setVisible(!notes.isEmpty());
    m_importNotice->setText(notes.size() == 1 ? tr("1 import note") : tr("%1 import notes").arg(notes.size()));
    m_importNotice->setToolTip(notes.isEmpty() ? QString() : plainToolTip(notes));
    m_importNotice->setAccessibleDescription(notes.join(u'\n'));
    if (notes.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(notes.join(QStringLiteral("  ")), ImportNoticeMilliseconds);
}

void MainWindow::updatePadFile()
{
    if (m_updatePath.isEmpty())
        return;
    const std::optional<Pad::PadValues> checked = checkedValues();
    if (!checked)
        return;
    const QString path = m_updatePath;
    const QString name = QFileInfo(path).fileName();
    QString reason;
    const std::optional<Pad::PadDocument> current = Pad::loadPadFile(path, QDate::currentDate(), &reason);
    if (!current) {
        showError(tr("Cannot update \"%1\": %2").arg(QDir::toNativeSeparators(path), reason));
        return;
    }
    if (current->bytes != m_updateBytes
        && !askYesNo(this, QMessageBox::Warning, tr("Confirm Update"),
                     tr("%1 has changed on disk since it was read.\nDo you want to write the "
                        "form's values into it anyway?")
                         .arg(name))) {
        return;
    }
    // What the author changed in the dialog goes onto the file as it is now.
    const Pad::OtherFields wanted = Pad::rebasedFields(m_fileFields, m_otherFields, current->otherFields);
    const std::optional<Pad::PadUpdate> update =
        Pad::updatePad(*current, *checked, Pad::otherFieldEditsOf(*current, wanted),
                       QDate::currentDate(), &reason);
    if (!update) {
        showError(tr("Cannot update \"%1\": %2").arg(QDir::toNativeSeparators(path), reason));
        return;
    }
    if (!update->changes.isEmpty() && !Pad::savePadFile(path, update->bytes, &reason)) {
        showError(tr("Could not save %1: %2").arg(QDir::toNativeSeparators(path), reason));
        return;
    }
    bindToFile(path, update->document ? *update->document : *current, false);
    if (!update->changes.isEmpty())
        m_recentFiles->add(path);
    statusBar()->showMessage(Pad::updateSummary(name, update->changes));
}

void MainWindow::clearForm()
{
    for (int i = 0; i < Pad::TextFieldCount; ++i)
        m_texts.setTextUncut(static_cast<TextField>(i), QString());
    for (int row = 0; row < m_osSupport->count(); ++row)
        m_osSupport->item(row)->setCheckState(Qt::Unchecked);
    unbind();
}

void MainWindow::chooseFileForSize()
{
    if (const std::optional<QString> chosen = runFileDialog(FileDialog::FileSize))
        fillFileSize(*chosen);
}

void MainWindow::fillFileSize(const QString &path)
{
    QString error;
    const std::optional<qint64> size = Pad::fileSize(path, &error);
    if (!size) {
        showError(error);
        return;
    }
    m_texts.lineEdit(TextField::File_Size_Bytes)->setText(QString::number(*size));
}

void MainWindow::showAbout()
{
    m_aboutDialog->exec();
}

void MainWindow::editMoreFields()
{
    MoreFieldsDialog dialog(m_otherFields, m_keptElements, this);
    if (dialog.exec() == QDialog::Accepted)
        m_otherFields = dialog.fields();
}
