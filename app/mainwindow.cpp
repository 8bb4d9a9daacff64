#include "mainwindow.h"

#include "aboutdialog.h"
#include "addressimport.h"
#include "calendardateedit.h"
#include "exportdialog.h"
#include "fieldhints.h"
#include "filedrops.h"
#include "filesize.h"
#include "formlayout.h"
#include "messagebar.h"
#include "messages.h"
#include "morefieldsdialog.h"
#include "onlinecheckwindow.h"
#include "padwriter.h"
#include "quilletinfo.h"
#include "recentfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

using Pad::TextField;

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_controls(this)
    , m_fileSizeButton(new QPushButton)
    , m_clearButton(new QPushButton(tr("Clear All")))
    , m_importButton(new QPushButton(tr("Import from Existing PAD")))
    , m_generateButton(new QPushButton(tr("Generate PAD")))
    , m_messageBar(new MessageBar)
    , m_updateAction(new QAction(tr("&Update PAD File"), this))
    , m_updateTargetLabel(new QLabel)
    , m_addressImport(new AddressImport(this, m_messageBar))
    , m_recentFiles(new RecentFiles(this))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QLatin1String(Quillet::MainWindowCaption));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);

    createForm();
    createActions();
    createStatusBar();
    chainTabOrder();

    // Fixed for the user, yet following its content when the font or the
    // scaling of the desktop changes, or the message bar comes and goes.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    m_aboutDialog = new AboutDialog(this);
    m_aboutDialog->setObjectName(QStringLiteral("aboutDialog"));

    new FieldHints(this, m_controls);
}

void MainWindow::createForm()
{
    m_clearButton->setObjectName(QStringLiteral("clearButton"));
    m_importButton->setObjectName(QStringLiteral("importButton"));
    m_generateButton->setObjectName(QStringLiteral("generateButton"));
    m_clearButton->setMinimumWidth(129);
    m_importButton->setMinimumWidth(153);
    m_generateButton->setMinimumWidth(153);
    connect(m_generateButton, &QPushButton::clicked, this, &MainWindow::generatePadFile);
    connect(m_importButton, &QPushButton::clicked, this, &MainWindow::importPadFile);
    connect(m_clearButton, &QPushButton::clicked, this, &MainWindow::clearForm);
    connect(m_fileSizeButton, &QPushButton::clicked, this, &MainWindow::chooseFileForSize);

    auto *buttons = new QHBoxLayout;
    buttons->addLayout(makeLegend());
    buttons->addStretch();
    buttons->addWidget(m_clearButton);
    buttons->addWidget(m_importButton);
    buttons->addWidget(m_generateButton);

    m_messageBar->setObjectName(QStringLiteral("importNotes"));
    m_messageBar->setAccessibleName(tr("Import notes"));
    const FormLayout form = layOutForm(m_controls, m_fileSizeButton);
    m_tabOrder = form.tabOrder;
    auto *central = new QWidget;
    auto *column = new QVBoxLayout(central);
    column->addWidget(m_messageBar);
    column->addLayout(form.arranged);
    column->addLayout(buttons);
    setCentralWidget(central);
}

void MainWindow::createActions()
{
    menuBar()->setObjectName(QStringLiteral("menuBar"));
    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    const auto add = [this](QMenu *menu, QAction *action, const char *name, const QList<QKeySequence> &keys,
                            auto slot) {
        menu->addAction(action);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    using Keys = QList<QKeySequence>;
    add(fileMenu, new QAction(tr("&Generate PAD File"), this), "generateAction", QKeySequence::keyBindings(QKeySequence::Save),
        [this] { m_generateButton->click(); });
    // Ctrl+U deletes the line in a field on X11 desktops, and Ctrl+Shift+U
    // starts Unicode input there; no field takes Ctrl+R.
    add(fileMenu, m_updateAction, "updateAction", Keys{QKeySequence(Qt::CTRL | Qt::Key_R)}, &MainWindow::updatePadFile);
    m_updateAction->setEnabled(false);
    add(fileMenu, new QAction(tr("&Import PAD File"), this), "importAction", QKeySequence::keyBindings(QKeySequence::Open),
        [this] { m_importButton->click(); });
    add(fileMenu, new QAction(tr("Import from &Address..."), this), "importFromAddressAction", Keys(),
        &MainWindow::importFromAddress);
    // No field takes Ctrl+L, unlike Ctrl+K and Ctrl+E, which delete or move in a line on X11.
    add(fileMenu, new QAction(tr("Check &Online..."), this), "checkOnlineAction", Keys{QKeySequence(Qt::CTRL | Qt::Key_L)},
        &MainWindow::checkOnline);
    add(fileMenu, new QAction(tr("&More PAD Fields..."), this), "moreFieldsAction", Keys{QKeySequence(Qt::CTRL | Qt::Key_M)},
        &MainWindow::editMoreFields);
    // One entry per catalog; Alt+F then E, which no other entry takes.
    QMenu *exportMenu = fileMenu->addMenu(tr("&Export"));
    exportMenu->setObjectName(QStringLiteral("exportMenu"));
    add(exportMenu, new QAction(tr("&winget Manifest..."), this), "exportWingetAction", Keys(),
        [this] { exportTo(Export::Catalog::Winget); });
    add(exportMenu, new QAction(tr("&AppStream Metainfo..."), this), "exportAppStreamAction", Keys(),
        [this] { exportTo(Export::Catalog::AppStream); });
    QMenu *recent = fileMenu->addMenu(tr("Open &Recent"));
    recent->setObjectName(QStringLiteral("openRecentMenu"));
    m_recentFiles->attach(recent);
    connect(m_recentFiles, &RecentFiles::chosen, this, &MainWindow::openRecentFile);
    fileMenu->addSeparator()->setObjectName(QStringLiteral("exitSeparator"));
    // Not every platform has a standard key to quit; Ctrl+Q then.
    const Keys quit = QKeySequence::keyBindings(QKeySequence::Quit);
    add(fileMenu, new QAction(tr("E&xit"), this), "exitAction", quit.isEmpty() ? Keys{QKeySequence(Qt::CTRL | Qt::Key_Q)} : quit,
        &QWidget::close);

    QMenu *helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    add(helpMenu, new QAction(tr("&About"), this), "aboutAction", QKeySequence::keyBindings(QKeySequence::HelpContents),
        &MainWindow::showAbout);

    connect(m_addressImport, &AddressImport::read, this, &MainWindow::takeAddressImport);

    auto *drops = new FileDrops([this](const QString &path) { importFile(path); },
                                [this](const QString &path) { fillFileSize(path); }, this);
    drops->watch(this, {m_fileSizeButton, m_controls.widget(TextField::File_Size_Bytes)});
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
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->setSizeGripEnabled(false);
    auto *panel = new QLabel(tr("Try our online PAD Generator - ") + QLatin1String(Quillet::MakerUrl));
    panel->setObjectName(QStringLiteral("statusPanel"));
    statusBar()->addWidget(panel, 1);
    // Permanent, so that messages in the status bar never hide it.
    m_updateTargetLabel->setObjectName(QStringLiteral("updateTargetLabel"));
    m_updateTargetLabel->setTextFormat(Qt::PlainText);
    m_updateTargetLabel->hide();
    statusBar()->addPermanentWidget(m_updateTargetLabel);
}

void MainWindow::chainTabOrder()
{
    // The form's fields, then the buttons below it.
    const QList<QWidget *> chain = m_tabOrder + QList<QWidget *>{m_generateButton, m_importButton, m_clearButton};
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void MainWindow::showError(const QString &text)
{
    showMessage(this, QMessageBox::NoIcon, tr("Error"), text);
}

void MainWindow::reportProblem(const Pad::FieldProblem &problem)
{
    showError(problem.message);
    m_controls.widget(*problem.field)->setFocus(Qt::OtherFocusReason);
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
    m_controls.releaseDate()->interpretText();
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
    const FileHold hold(this);
    const std::optional<Pad::PadValues> checked = checkedValues();
    if (!checked || !generateMayLeaveOut())
        return;
    // Built before the dialog opens, so the file holds the form as it was at the click.
    const QByteArray bytes = Pad::padFileBytes(Pad::padFileLines(*checked));
    // What Quillet would refuse to import again is not written.
    if (const std::optional<QString> tooLarge = Pad::beyondReadLimit(bytes.size())) {
        showError(tr("The PAD file %1: shorten the longest fields.").arg(*tooLarge));
        return;
    }

    const std::optional<QString> chosen = m_fileDialogs.choose(FileDialogs::Purpose::Save, this);
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
    m_session.adoptWritten(path, bytes, QDate::currentDate());
    showUpdateTarget();
    // What the notes said was about the file the form came from.
    m_messageBar->dismiss();
    m_askBeforeGenerate = false;
    if (m_session.holdsUnwrittenFields()) {
        statusBar()->showMessage(tr("%1 holds the form only: the More PAD Fields dialog holds values "
                                    "that Generate PAD does not write. File, Update PAD File adds them.")
                                     .arg(QFileInfo(path).fileName()));
    }
}

bool MainWindow::generateMayLeaveOut()
{
    if (!m_askBeforeGenerate)
        return true;
    const LeaveOutChoice choice = askBeforeLeavingOut(this, m_session.fileName(), m_session.valuesLeftOut());
    if (choice == LeaveOutChoice::UpdateInstead)
        updatePadFile();
    if (choice != LeaveOutChoice::GenerateAnyway)
        return false;
    m_askBeforeGenerate = false;
    return true;
}

void MainWindow::showUpdateTarget()
{
    m_updateAction->setEnabled(m_session.isOpen());
    m_updateTargetLabel->setVisible(m_session.isOpen());
    m_updateTargetLabel->setText(m_session.isOpen() ? tr("Update writes %1").arg(m_session.fileName()) : QString());
    m_updateTargetLabel->setToolTip(QDir::toNativeSeparators(m_session.path()));
}

void MainWindow::importPadFile()
{
    if (const std::optional<QString> chosen = m_fileDialogs.choose(FileDialogs::Purpose::Import, this))
        importFile(*chosen);
}

void MainWindow::importFile(const QString &path)
{
    QString reason;
    const Pad::PadDocument *document = m_session.open(path, QDate::currentDate(), &reason);
    if (!document) {
        showError(Pad::importRefusal(path, reason));
        return;
    }
    m_recentFiles->add(path);
    takeImport(*document, QString());
}

// The form shows the document the session holds now: read from path, or
// from address when that is given, which binds the form to no file.
void MainWindow::takeImport(const Pad::PadDocument &document, const QString &address)
{
    QStringList notes = document.imported.noteTexts() + applyImport(document.imported);
    const int unshown = document.unshownValues;
    if (unshown > 0) {
        notes << (unshown == 1 ? tr("1 value that the form does not show: File, More PAD Fields shows it.")
                               : tr("%1 values that the form does not show: File, More PAD Fields shows them.")
                                     .arg(unshown));
    }
    if (!address.isEmpty()) {
        m_session.adoptUnbound(document);
        notes.prepend(tr("Read from %1. No file is bound to the form: Generate PAD asks where to save it.")
                          .arg(address));
    }
    showUpdateTarget();
    // A read from an address still under way goes with the bar that said so.
    showImportNotes(notes, unshown > 0);
    // The author goes on in the form; the bar's buttons are a Tab away.
    m_tabOrder.constFirst()->setFocus(Qt::OtherFocusReason);
    // With no file to update instead, Generate has nothing to offer; the notes say what it leaves out.
    m_askBeforeGenerate = m_session.isOpen() && m_session.valuesLeftOut() > 0;
}

MainWindow::FileHold::FileHold(MainWindow *window)
    : m_window(window)
{
    ++m_window->m_fileHolds;
}

MainWindow::FileHold::~FileHold()
{
    if (--m_window->m_fileHolds > 0 || !m_window->m_waitingImport)
        return;
    const auto [address, document] = std::move(*m_window->m_waitingImport);
    m_window->m_waitingImport.reset();
    m_window->takeImport(document, address);
}

void MainWindow::takeAddressImport(const QString &address, const Pad::PadDocument &document)
{
    if (m_fileHolds > 0)
        m_waitingImport.emplace(address, document);
    else
        takeImport(document, address);
}

void MainWindow::importFromAddress()
{
    m_addressImport->ask(m_fetchSettings);
}

void MainWindow::checkOnline()
{
    if (!m_onlineCheck) {
        m_onlineCheck = new OnlineCheckWindow(this);
        connect(m_onlineCheck, &OnlineCheckWindow::fieldActivated, this, &MainWindow::showField);
    }
    m_onlineCheck->start(Online::onlineSubject(gatherValues(), m_session), m_fetchSettings, QDate::currentDate());
    m_onlineCheck->show();
    m_onlineCheck->raise();
    m_onlineCheck->activateWindow();
}

void MainWindow::showField(const QString &path)
{
    if (const Pad::FormField *field = Pad::formFieldAt(path)) {
        activateWindow();
        raise();
        m_controls.widget(*field)->setFocus(Qt::OtherFocusReason);
        return;
    }
    openMoreFields(path);
}

void MainWindow::showImportNotes(const QStringList &notes, bool valuesOnlyInMoreFields)
{
    m_messageBar->dismiss();
    if (notes.isEmpty())
        return;
    if (valuesOnlyInMoreFields) {
        QPushButton *more = m_messageBar->addButton(tr("More PAD Fields..."));
        more->setObjectName(QStringLiteral("importNotesMoreFields"));
        connect(more, &QPushButton::clicked, this, &MainWindow::editMoreFields);
    }
    m_messageBar->showLines(MessageBar::Kind::Information, notes);
}

void MainWindow::updatePadFile()
{
    if (!m_session.isOpen())
        return;
    const FileHold hold(this);
    const std::optional<Pad::PadValues> checked = checkedValues();
    if (!checked)
        return;
    const QString shownPath = QDir::toNativeSeparators(m_session.path());
    const auto ask = [this](Pad::PadSession::Question) {
        return askYesNo(this, QMessageBox::Warning, tr("Confirm Update"),
                        tr("%1 has changed on disk since it was read.\nDo you want to write the "
                           "form's values into it anyway?")
                            .arg(m_session.fileName()));
    };
    const Pad::PadSession::UpdateResult result = m_session.update(*checked, QDate::currentDate(), ask);
    using Outcome = Pad::PadSession::UpdateResult::Outcome;
    switch (result.outcome) {
    case Outcome::Declined:
        return;
    case Outcome::Refused:
        showError(tr("Cannot update \"%1\": %2").arg(shownPath, result.reason));
        return;
    case Outcome::NotSaved:
        showError(tr("Could not save %1: %2").arg(shownPath, result.reason));
        return;
    case Outcome::Done:
        break;
    }
    if (result.pending->changesAnything())
        m_recentFiles->add(m_session.path());
    statusBar()->showMessage(result.summary);
}

void MainWindow::clearForm()
{
    m_controls.clear();
    m_session.close();
    showUpdateTarget();
    m_messageBar->dismiss();
    m_askBeforeGenerate = false;
}

void MainWindow::chooseFileForSize()
{
    if (const std::optional<QString> chosen = m_fileDialogs.choose(FileDialogs::Purpose::FileSize, this))
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
    m_controls.lineEdit(TextField::File_Size_Bytes)->setText(QString::number(*size));
}

void MainWindow::showAbout()
{
    m_aboutDialog->exec();
}

void MainWindow::exportTo(Export::Catalog catalog)
{
    ExportDialog dialog(catalog, Export::ExportSource{gatherValues(), m_session.otherFields()}, m_fetchSettings, this);
    dialog.exec();
}

void MainWindow::editMoreFields()
{
    openMoreFields(QString());
}

void MainWindow::openMoreFields(const QString &focusPath)
{
    const FileHold hold(this);
    MoreFieldsDialog dialog(m_session.otherFields(), m_session.keptElements(), this);
    if (!focusPath.isEmpty())
        dialog.focusField(focusPath);
    if (dialog.exec() == QDialog::Accepted)
        m_session.setOtherFields(dialog.fields());
}
