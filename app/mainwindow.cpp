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

TFMain::TFMain(QWidget *parent)
    : QMainWindow(parent)
    , CompanyInfo(new QGroupBox(tr("Company Information")))
    , ProgramInformation(new QGroupBox(tr("Program Information")))
    , OtherInfo(new QGroupBox)
    , WebInfo(new QGroupBox(tr("Web Info")))
    , m_texts(this)
    , Company_Name(m_texts.lineEdit(TextField::Company_Name))
    , Company_Website_URL(m_texts.lineEdit(TextField::Company_Website_URL))
    , Contact_Email(m_texts.lineEdit(TextField::Contact_Email))
    , Program_Name(m_texts.lineEdit(TextField::Program_Name))
    , Program_Version(m_texts.lineEdit(TextField::Program_Version))
    , Release_Date(new CalendarDateEdit)
    , Program_Type(new QComboBox)
    , Program_Cost_Dollars(m_texts.lineEdit(TextField::Program_Cost_Dollars))
    , File_Size_Bytes(m_texts.lineEdit(TextField::File_Size_Bytes))
    , Program_OS_Support(new QListWidget)
    , Keywords(m_texts.lineEdit(TextField::Keywords))
    , Char_Desc_450(m_texts.description())
    , Application_Info_URL(m_texts.lineEdit(TextField::Application_Info_URL))
    , Application_XML_File_URL(m_texts.lineEdit(TextField::Application_XML_File_URL))
    , Primary_Download_URL(m_texts.lineEdit(TextField::Primary_Download_URL))
    , Application_Screenshot_URL(m_texts.lineEdit(TextField::Application_Screenshot_URL))
    , FileSize(new QPushButton(tr("File Size (Bytes)")))
    , ClearButton(new QPushButton(tr("Clear All")))
    , ImportButton(new QPushButton(tr("Import from Existing PAD")))
    , GenerateButton(new QPushButton(tr("Generate PAD")))
    , m_keywordsCounter(new LengthCounter(tr("Keywords"), Pad::KeywordsLimit))
    , m_descriptionCounter(new LengthCounter(tr("Description"), Pad::DescriptionLimit))
    , UpdatePADFile1(new QAction(tr("&Update PAD File"), this))
    , m_updateTargetLabel(new QLabel)
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
    FormCreate();

    // Fixed for the user, yet following its content when the font or the
    // scaling of the desktop changes.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    FAbout = new TFAbout(this);
    FAbout->setObjectName(QStringLiteral("FAbout"));

    new FieldHints(this, m_texts, Release_Date, Program_Type, Program_OS_Support,
                   m_keywordsCounter, m_descriptionCounter);
}

void TFMain::FormCreate()
{
    Release_Date->setDate(QDate::currentDate());
}

void TFMain::createGroups()
{
    for (QLineEdit *edit : {Company_Name, Company_Website_URL, Contact_Email, Program_Name,
                            Program_Version, Program_Cost_Dollars, File_Size_Bytes})
        edit->setMinimumWidth(193);
    Keywords->setMinimumWidth(513);
    for (QLineEdit *edit : {Application_Info_URL, Application_XML_File_URL, Primary_Download_URL,
                            Application_Screenshot_URL})
        edit->setMinimumWidth(481);

    CompanyInfo->setObjectName(QStringLiteral("CompanyInfo"));
    auto *company = new QGridLayout(CompanyInfo);
    company->addWidget(makeLabel("Label1", tr("Company Name :"), Company_Name), 0, 0);
    company->addWidget(Company_Name, 0, 1);
    company->addWidget(makeLabel("Label6", tr("Website :"), Company_Website_URL), 1, 0);
    company->addWidget(Company_Website_URL, 1, 1);
    company->addWidget(makeLabel("Label7", tr("E-mail :"), Contact_Email), 2, 0);
    company->addWidget(Contact_Email, 2, 1);

    ProgramInformation->setObjectName(QStringLiteral("ProgramInformation"));
    Release_Date->setObjectName(QStringLiteral("Release_Date"));
    Release_Date->setMinimumDate(QDate(100, 1, 1)); // the earliest a date edit can show
    QString dateFormat = QLocale().dateFormat(QLocale::ShortFormat);
    if (!dateFormat.contains(QLatin1String("yyyy")))
        dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    Release_Date->setDisplayFormat(dateFormat);
    Release_Date->setMinimumWidth(193);
    auto *program = new QGridLayout(ProgramInformation);
    program->addWidget(makeLabel("Label2", tr("Program Name :"), Program_Name), 0, 0);
    program->addWidget(Program_Name, 0, 1);
    program->addWidget(makeLabel("Label3", tr("Program Version :"), Program_Version), 1, 0);
    program->addWidget(Program_Version, 1, 1);
    program->addWidget(makeLabel("Label5", tr("Release Date :"), Release_Date), 2, 0);
    program->addWidget(Release_Date, 2, 1);

    OtherInfo->setObjectName(QStringLiteral("OtherInfo"));
    Program_Type->setObjectName(QStringLiteral("Program_Type"));
    Program_Type->addItems(Pad::ProgramTypeList());
    Program_Type->setCurrentIndex(0);
    Program_Type->setMinimumWidth(193);
    Program_OS_Support->setObjectName(QStringLiteral("Program_OS_Support"));
    for (const QString &entry : Pad::OsSupportList()) {
        auto *item = new QListWidgetItem(entry, Program_OS_Support);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    Program_OS_Support->setMinimumWidth(193);
    Program_OS_Support->setFixedHeight(Program_OS_Support->fontMetrics().height() * 5);
    Char_Desc_450->setMinimumWidth(521);
    Char_Desc_450->setFixedHeight(Char_Desc_450->fontMetrics().lineSpacing() * 2
                                  + Char_Desc_450->horizontalScrollBar()->sizeHint().height()
                                  + 2 * Char_Desc_450->frameWidth() + 8);
    FileSize->setObjectName(QStringLiteral("FileSize"));

    auto *descriptionLabels = new QVBoxLayout;
    descriptionLabels->addWidget(makeLabel("Label12", tr("Descriptions :"), Char_Desc_450));
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
    m_keywordsCounter->setObjectName(QStringLiteral("KeywordsCounter"));
    m_keywordsCounter->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto *keywordsRow = new QHBoxLayout;
    keywordsRow->addWidget(Keywords);
    keywordsRow->addWidget(m_keywordsCounter);

    auto *other = new QGridLayout(OtherInfo);
    other->addWidget(makeLabel("Label8", tr("Program Type :"), Program_Type), 0, 0);
    other->addWidget(Program_Type, 0, 1);
    other->addWidget(makeLabel("Label17", tr("Cost (US$) :"), Program_Cost_Dollars, true), 1, 0);
    other->addWidget(Program_Cost_Dollars, 1, 1);
    other->addWidget(FileSize, 2, 0);
    other->addWidget(File_Size_Bytes, 2, 1);
    other->setColumnStretch(2, 1);
    auto *osLabel = makeLabel("Label9", tr("OS Support :"), Program_OS_Support);
    osLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    other->addWidget(osLabel, 0, 3);
    other->addWidget(Program_OS_Support, 0, 4, 3, 1);
    other->addWidget(makeLabel("Label11", tr("Keywords :"), Keywords), 3, 0);
    other->addLayout(keywordsRow, 3, 1, 1, 4);
    Keywords->setMinimumWidth(Keywords->minimumWidth() - keywordsRow->spacing()
                              - m_keywordsCounter->sizeHint().width());
    other->addLayout(descriptionLabels, 4, 0);
    other->addWidget(Char_Desc_450, 4, 1, 1, 4);

    WebInfo->setObjectName(QStringLiteral("WebInfo"));
    auto *web = new QGridLayout(WebInfo);
    web->addWidget(makeLabel("Label13", tr("Application Info URL :"), Application_Info_URL), 0, 0);
    web->addWidget(Application_Info_URL, 0, 1);
    web->addWidget(makeLabel("Label14", tr("PAD XML File URL :"), Application_XML_File_URL), 1, 0);
    web->addWidget(Application_XML_File_URL, 1, 1);
    web->addWidget(makeLabel("Label15", tr("Primary Download URL :"), Primary_Download_URL), 2, 0);
    web->addWidget(Primary_Download_URL, 2, 1);
    web->addWidget(makeLabel("Label16", tr("Application Screenshot :"), Application_Screenshot_URL,
                             true),
                   3, 0);
    web->addWidget(Application_Screenshot_URL, 3, 1);
}

void TFMain::createButtonsAndLegend()
{
    ClearButton->setObjectName(QStringLiteral("ClearButton"));
    ImportButton->setObjectName(QStringLiteral("ImportButton"));
    GenerateButton->setObjectName(QStringLiteral("GenerateButton"));
    ClearButton->setMinimumWidth(129);
    ImportButton->setMinimumWidth(153);
    GenerateButton->setMinimumWidth(153);
    connect(GenerateButton, &QPushButton::clicked, this, &TFMain::GenerateButtonClick);
    connect(ImportButton, &QPushButton::clicked, this, &TFMain::ImportButtonClick);
    connect(ClearButton, &QPushButton::clicked, this, &TFMain::ClearButtonClick);
    connect(FileSize, &QPushButton::clicked, this, &TFMain::FileSizeClick);

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
    buttons->addWidget(ClearButton);
    buttons->addWidget(ImportButton);
    buttons->addWidget(GenerateButton);

    auto *top = new QHBoxLayout;
    top->addWidget(CompanyInfo);
    top->addWidget(ProgramInformation);

    auto *central = new QWidget;
    auto *column = new QVBoxLayout(central);
    column->addLayout(top);
    column->addWidget(OtherInfo);
    column->addWidget(WebInfo);
    column->addLayout(buttons);
    setCentralWidget(central);
}

void TFMain::createActions()
{
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->setObjectName(QStringLiteral("File1"));
    QAction *generate = fileMenu->addAction(tr("&Generate PAD File"), GenerateButton,
                                            &QPushButton::click);
    generate->setObjectName(QStringLiteral("GeneratePADFile1"));
    generate->setShortcut(QKeySequence::Save);
    fileMenu->addAction(UpdatePADFile1);
    UpdatePADFile1->setObjectName(QStringLiteral("UpdatePADFile1"));
    // Ctrl+U deletes the line in a field on X11 desktops, and Ctrl+Shift+U
    // starts Unicode input there; no field takes Ctrl+R.
    UpdatePADFile1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    UpdatePADFile1->setEnabled(false);
    connect(UpdatePADFile1, &QAction::triggered, this, &TFMain::UpdatePADFile1Click);
    QAction *import = fileMenu->addAction(tr("&Import PAD File"), ImportButton,
                                          &QPushButton::click);
    import->setObjectName(QStringLiteral("ImportPADFile1"));
    import->setShortcut(QKeySequence::Open);
    QAction *more = fileMenu->addAction(tr("&More PAD Fields..."), this, &TFMain::MorePADFields1Click);
    more->setObjectName(QStringLiteral("MorePADFields1"));
    more->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    QMenu *recent = fileMenu->addMenu(tr("Open &Recent"));
    recent->setObjectName(QStringLiteral("OpenRecent1"));
    m_recentFiles->attach(recent);
    connect(m_recentFiles, &RecentFiles::chosen, this, &TFMain::openRecentFile);
    fileMenu->addSeparator()->setObjectName(QStringLiteral("N1"));
    QAction *exit = fileMenu->addAction(tr("E&xit"), this, &QWidget::close);
    exit->setObjectName(QStringLiteral("Exit1"));
    // Not every platform has a standard key to quit; Ctrl+Q then.
    exit->setShortcuts(QKeySequence::keyBindings(QKeySequence::Quit).isEmpty()
                           ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Q)}
                           : QKeySequence::keyBindings(QKeySequence::Quit));

    QMenu *helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->setObjectName(QStringLiteral("Help1"));
    QAction *about = helpMenu->addAction(tr("&About"), this, &TFMain::About1Click);
    about->setObjectName(QStringLiteral("About1"));
    about->setShortcut(QKeySequence::HelpContents);

    auto *drops = new FileDrops([this](const QString &path) { importFile(path); },
                                [this](const QString &path) { fillFileSize(path); }, this);
    drops->watch(this, {FileSize, File_Size_Bytes});
}

void TFMain::openRecentFile(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        m_recentFiles->remove(path);
        showError(tr("%1 no longer exists; it has been taken off the list of recent files.")
                      .arg(QDir::toNativeSeparators(path)));
        return;
    }
    importFile(path);
}

void TFMain::createStatusBar()
{
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(false);
    auto *panel = new QLabel(tr("Try our online PAD Generator - ") + QLatin1String(Quillet::MakerUrl));
    panel->setObjectName(QStringLiteral("StatusPanel"));
    statusBar()->addWidget(panel, 1);
    // Permanent, so that messages in the status bar never hide it.
    m_updateTargetLabel->setObjectName(QStringLiteral("UpdateTarget"));
    m_updateTargetLabel->setTextFormat(Qt::PlainText);
    m_updateTargetLabel->hide();
    statusBar()->addPermanentWidget(m_updateTargetLabel);
}

void TFMain::setUpdateSource(const QString &path, const QByteArray &bytes)
{
    m_updatePath = path;
    m_updateBytes = bytes;
    UpdatePADFile1->setEnabled(!path.isEmpty());
    m_updateTargetLabel->setVisible(!path.isEmpty());
    m_updateTargetLabel->setText(tr("Update writes %1").arg(QFileInfo(path).fileName()));
    m_updateTargetLabel->setToolTip(QDir::toNativeSeparators(path));
}

void TFMain::setTabOrder()
{
    const QList<QWidget *> chain{
        Company_Name,         Company_Website_URL,      Contact_Email,
        Program_Name,         Program_Version,          Release_Date,
        Program_Type,         Program_Cost_Dollars,     File_Size_Bytes,
        Program_OS_Support,   Keywords,                 Char_Desc_450,
        FileSize,             Application_Info_URL,     Application_XML_File_URL,
        Primary_Download_URL, Application_Screenshot_URL, GenerateButton,
        ImportButton,         ClearButton,
    };
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

Pad::PadValues TFMain::gatherValues() const
{
    Pad::PadValues values;
    for (int i = 0; i < Pad::TextFieldCount; ++i)
        values.texts[i] = m_texts.text(static_cast<TextField>(i));
    values.releaseDate = Release_Date->date();
    values.programType = Program_Type->currentIndex() >= 0 ? Program_Type->currentText() : QString();
    for (int row = 0; row < Program_OS_Support->count(); ++row) {
        const QListWidgetItem *item = Program_OS_Support->item(row);
        if (item->checkState() == Qt::Checked)
            values.osSupport << item->text();
    }
    return values;
}

QStringList TFMain::applyImport(const Pad::PadImport &imported)
{
    const Pad::PadValues &values = imported.values;
    for (int i = 0; i < Pad::TextFieldCount; ++i)
        m_texts.setTextUncut(static_cast<TextField>(i), values.texts[i]);
    Program_Type->setCurrentIndex(int(Pad::ProgramTypeList().indexOf(values.programType)));
    for (int row = 0; row < Program_OS_Support->count(); ++row) {
        QListWidgetItem *item = Program_OS_Support->item(row);
        item->setCheckState(values.osSupport.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
    }
    if (!values.releaseDate.isValid())
        return {};
    if (values.releaseDate < Release_Date->minimumDate()) {
        const Pad::ReleaseDateNumbers date = Pad::releaseDateNumbers(values.releaseDate);
        return {tr("Release Date: %1/%2/%3 is earlier than the date field can hold")
                    .arg(date.month, date.day, date.year)};
    }
    Release_Date->setDate(values.releaseDate);
    return {};
}

void TFMain::showError(const QString &text)
{
    showMessage(this, QMessageBox::NoIcon, tr("Error"), text);
}

void TFMain::reportProblem(const Pad::FieldProblem &problem)
{
    showError(problem.message);
    QWidget *target = problem.field ? m_texts.widget(*problem.field) : Program_OS_Support;
    target->setFocus(Qt::OtherFocusReason);
}

std::optional<QString> TFMain::runFileDialog(FileDialog which)
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

bool TFMain::confirmReplace(const QString &path)
{
    return askYesNo(this, QMessageBox::Warning, tr("Confirm Save As"),
                    tr("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(path).fileName()));
}

std::optional<Pad::PadValues> TFMain::checkedValues()
{
    // Half-typed text in the date editor settles by the editor's own rules, as
    // it would on leaving the field, so that the date written is the one shown.
    Release_Date->interpretText();
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

void TFMain::GenerateButtonClick()
{
    const std::optional<Pad::PadValues> checked = checkedValues();
    if (!checked)
        return;
    const Pad::PadValues &values = *checked;
    // Built before the dialog opens, so the file holds the form as it was at the click.
    const QStringList PadOutputLines = Pad::PadOutputLines(values);

    const std::optional<QString> chosen = runFileDialog(FileDialog::Save);
    if (!chosen)
        return;
    const QString path = Pad::forceXmlExtension(*chosen);
    if (QFileInfo::exists(path) && !confirmReplace(path))
        return;
    QString reason;
    const QByteArray bytes = Pad::padFileBytes(PadOutputLines);
    if (!Pad::savePadFile(path, bytes, &reason)) {
        showError(tr("Could not save %1: %2").arg(QDir::toNativeSeparators(path), reason));
        return;
    }
    m_recentFiles->add(path);
    // The form now stands for the file it wrote, as after an import, so that
    // Update can add to it what the dialog holds beyond the form.
    setUpdateSource(path, bytes);
    bindOtherFields(bytes, true);
    if (Pad::holdsChanges(m_fileFields, m_otherFields)) {
        statusBar()->showMessage(tr("%1 holds the form only: the More PAD Fields dialog holds values "
                                    "that Generate PAD does not write. File, Update PAD File adds them.")
                                     .arg(QFileInfo(path).fileName()));
    }
}

void TFMain::bindOtherFields(const QByteArray &bytes, bool keepAuthorValues)
{
    QString reason;
    const std::optional<QList<Pad::PathText>> leaves = Pad::readLeaves(bytes, &reason);
    m_keptElements.clear();
    m_fileFields = leaves ? Pad::otherFieldsOf(*leaves, &m_keptElements) : Pad::OtherFields();
    if (!keepAuthorValues)
        m_otherFields = m_fileFields;
}

void TFMain::ImportButtonClick()
{
    if (const std::optional<QString> chosen = runFileDialog(FileDialog::Import))
        importFile(*chosen);
}

void TFMain::importFile(const QString &path)
{
    QString error;
    const std::optional<Pad::PadSource> source = Pad::readPadSource(path, QDate::currentDate(), &error);
    if (!source) {
        showError(error);
        return;
    }
    QStringList notes = source->imported.notes + applyImport(source->imported);
    setUpdateSource(path, source->bytes);
    m_fileFields = source->otherFields;
    m_otherFields = source->otherFields;
    m_keptElements = source->kept;
    m_recentFiles->add(path);
    if (source->unshownValues == 1) {
        notes << tr("The file holds 1 value that the form does not show. File, Update PAD File "
                    "keeps it; Generate PAD writes a new file without it.");
    } else if (source->unshownValues > 1) {
        notes << tr("The file holds %1 values that the form does not show. File, Update PAD "
                    "File keeps them; Generate PAD writes a new file without them.")
                     .arg(source->unshownValues);
    }
    if (!notes.isEmpty())
        showLines(this, QMessageBox::Information, tr("Import"), notes);
}

void TFMain::UpdatePADFile1Click()
{
    if (m_updatePath.isEmpty())
        return;
    const std::optional<Pad::PadValues> checked = checkedValues();
    if (!checked)
        return;
    const Pad::PadValues &values = *checked;
    const QString path = m_updatePath;
    const QString name = QFileInfo(path).fileName();
    QString reason;
    const std::optional<QByteArray> current = Pad::readPadFileBytes(path, &reason);
    if (!current) {
        showError(tr("Cannot update \"%1\": %2").arg(QDir::toNativeSeparators(path), reason));
        return;
    }
    if (*current != m_updateBytes
        && !askYesNo(this, QMessageBox::Warning, tr("Confirm Update"),
                     tr("%1 has changed on disk since it was read.\nDo you want to write the "
                        "form's values into it anyway?")
                         .arg(name))) {
        return;
    }
    const std::optional<Pad::PadUpdate> update =
        Pad::updatePadData(*current, values, Pad::otherFieldEdits(m_fileFields, m_otherFields),
                           QDate::currentDate(), &reason);
    if (!update) {
        showError(tr("Cannot update \"%1\": %2").arg(QDir::toNativeSeparators(path), reason));
        return;
    }
    if (!update->changes.isEmpty() && !Pad::savePadFile(path, update->bytes, &reason)) {
        showError(tr("Could not save %1: %2").arg(QDir::toNativeSeparators(path), reason));
        return;
    }
    m_updateBytes = update->bytes;
    bindOtherFields(update->bytes, false);
    if (!update->changes.isEmpty())
        m_recentFiles->add(path);
    statusBar()->showMessage(Pad::updateSummary(name, update->changes));
}

void TFMain::ClearButtonClick()
{
    for (int i = 0; i < Pad::TextFieldCount; ++i)
        m_texts.setTextUncut(static_cast<TextField>(i), QString());
    for (int row = 0; row < Program_OS_Support->count(); ++row)
        Program_OS_Support->item(row)->setCheckState(Qt::Unchecked);
    setUpdateSource(QString(), QByteArray());
    m_fileFields = {};
    m_otherFields = {};
    m_keptElements.clear();
}

void TFMain::FileSizeClick()
{
    if (const std::optional<QString> chosen = runFileDialog(FileDialog::FileSize))
        fillFileSize(*chosen);
}

void TFMain::fillFileSize(const QString &path)
{
    QString error;
    const std::optional<qint64> size = Pad::Sto_GetFileSize(path, &error);
    if (!size) {
        showError(error);
        return;
    }
    File_Size_Bytes->setText(QString::number(*size));
}

void TFMain::About1Click()
{
    FAbout->exec();
}

void TFMain::MorePADFields1Click()
{
    MoreFieldsDialog dialog(m_otherFields, m_keptElements, this);
    if (dialog.exec() == QDialog::Accepted)
        m_otherFields = dialog.fields();
}
