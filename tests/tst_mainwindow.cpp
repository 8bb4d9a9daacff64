// The main window, offscreen: its layout, the checks before writing, Clear
// All, typing limits, and the whole Generate action through its dialogs.
#include "aboutdialog.h"
#include "mainwindow.h"
#include "messages.h"
#include "modaldriver.h"
#include "padreader.h"
#include "padwriter.h"
#include "startup.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QClipboard>
#include <QMimeData>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTemporaryDir>

using Pad::TextField;

namespace {

QAction *menuAction(const QWidget &window, const char *name)
{
    return control<QAction>(window, QLatin1String(name));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void startsAsLaidOut();
    void labelsNameTheirFields();
    void tabOrderFollowsTheTables();
    void windowHasFixedSize();
    void osListScrollsToTodaysSystems();

    void validationStopsGenerate_data();
    void validationStopsGenerate();
    void unsavableCharacterStopsGenerate();
    void fileTooLargeToReadStopsGenerate();
    void clearAllEmptiesTextsAndTicks();
    void longFieldsLimitTypingOnly();

    void generateWritesTheForm_data();
    void generateWritesTheForm();
    void cancellingSaveWritesNothing();
    void replaceQuestion_data();
    void replaceQuestion();
    void failedSaveSaysWhyAndKeepsOldFile_data();
    void failedSaveSaysWhyAndKeepsOldFile();
    void xmlFilterIgnoresCase();
    void exitClosesWithoutQuestion();

    void fileSizeButton_data();
    void fileSizeButton();
    void aboutShowsTheSameDialog();

    void typedFileNameLeavesNoPopup_data();
    void typedFileNameLeavesNoPopup();
    void messagesShowTextAsItIs_data();
    void messagesShowTextAsItIs();
    void longListOfNotesStaysOnScreen();
    void limitsHoldForEveryInput_data();
    void limitsHoldForEveryInput();
    void windowFollowsFontChange();
    void dateWrittenIsDateShown();
    void calendarOpensFromKeyboard_data();
    void calendarOpensFromKeyboard();
};

void TestMainWindow::initTestCase()
{
    prepareApplication();
    QCOMPARE(QApplication::applicationName(), QStringLiteral("Quillet"));
    QCOMPARE(QApplication::applicationVersion(), QStringLiteral("1.0.1.13"));
    QCOMPARE(QApplication::organizationName(), QStringLiteral("Tarnwick"));
    QVERIFY(!QApplication::windowIcon().isNull());
}

void TestMainWindow::startsAsLaidOut()
{
    MainWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Quillet ver 1.01"));
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));

    const QStringList groups{"companyGroup", "programGroup", "otherGroup", "webGroup"};
    const QStringList captions{"Company Information", "Program Information", "", "Web Info"};
    for (qsizetype i = 0; i < groups.size(); ++i)
        QCOMPARE(control<QGroupBox>(window, groups[i])->title(), captions[i]);

    QCOMPARE(shownValues(window).releaseDate, QDate::currentDate());
    QCOMPARE(shownValues(window).programType, QStringLiteral("Shareware"));
    auto *type = control<QComboBox>(window, "programTypeBox");
    QStringList types;
    for (int i = 0; i < type->count(); ++i)
        types << type->itemText(i);
    QCOMPARE(types, Pad::ProgramTypeList());
    auto *os = control<QListWidget>(window, "osSupportList");
    QCOMPARE(os->count(), Pad::OsSupportList().size());
    QCOMPARE(os->item(38)->text(), QStringLiteral("Not Applicable"));
    QVERIFY(tickedEntries(window).isEmpty());
    for (QString &text : shownValues(window).texts)
        QVERIFY(text.isEmpty());

    const QStringList buttons{"Clear All", "Import from Existing PAD", "Generate PAD",
                              "File Size (Bytes)"};
    const QStringList buttonNames{"clearButton", "importButton", "generateButton", "fileSizeButton"};
    for (qsizetype i = 0; i < buttons.size(); ++i)
        QCOMPARE(control<QPushButton>(window, buttonNames[i])->text(), buttons[i]);

    const QList<QAction *> menus = window.menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
    QCOMPARE(menus[1]->text(), QStringLiteral("&Help"));
    QStringList fileItems;
    for (QAction *action : menus[0]->menu()->actions())
        fileItems << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(fileItems, (QStringList{"&Generate PAD File", "&Update PAD File", "&Import PAD File",
                                     "Import from &Address...", "Check &Online...", "&More PAD Fields...",
                                     "&Export", "Open &Recent", "-", "E&xit"}));
    // Each entry has a mnemonic of its own, so Alt+F and one letter picks any.
    QStringList mnemonics;
    for (const QString &item : std::as_const(fileItems)) {
        const qsizetype at = item.indexOf(u'&');
        if (at >= 0)
            mnemonics << item.mid(at + 1, 1).toLower();
    }
    QCOMPARE(QSet<QString>(mnemonics.cbegin(), mnemonics.cend()).size(), mnemonics.size());
    QCOMPARE(menus[1]->menu()->actions().at(0)->text(), QStringLiteral("&About"));

    const QLabel *status = control<QLabel>(window, "statusPanel");
    QCOMPARE(status->text(), QStringLiteral("Try our online PAD Generator - https://quillet.example.org/"));
    QCOMPARE(status->parentWidget(), window.statusBar());
    QCOMPARE(control<QLabel>(window, "requiredLegend")->text(), QStringLiteral("Black text : required"));
    QCOMPARE(control<QLabel>(window, "optionalLegend")->text(), QStringLiteral("Blue text : optional"));
}

void TestMainWindow::labelsNameTheirFields()
{
    MainWindow window;
    struct Expected
    {
        const char *label;
        const char *caption;
        const char *buddy;
        bool navy;
    };
    const Expected labels[] = {
        {"companyNameLabel", "Company Name :", "companyNameEdit", false},
        {"companyWebsiteLabel", "Website :", "companyWebsiteEdit", false},
        {"contactEmailLabel", "E-mail :", "contactEmailEdit", false},
        {"programNameLabel", "Program Name :", "programNameEdit", false},
        {"programVersionLabel", "Program Version :", "programVersionEdit", false},
        {"releaseDateLabel", "Release Date :", "releaseDateEdit", false},
        {"programTypeLabel", "Program Type :", "programTypeBox", false},
        {"programCostLabel", "Cost (US$) :", "programCostEdit", true},
        {"osSupportLabel", "OS Support :", "osSupportList", false},
        {"keywordsLabel", "Keywords :", "keywordsEdit", false},
        {"descriptionLabel", "Descriptions :", "descriptionEdit", false},
        {"descriptionLimitLabel", "(450 chars.)", nullptr, false},
        {"applicationInfoUrlLabel", "Application Info URL :", "applicationInfoUrlEdit", false},
        {"padFileUrlLabel", "PAD XML File URL :", "padFileUrlEdit", false},
        {"primaryDownloadUrlLabel", "Primary Download URL :", "primaryDownloadUrlEdit", false},
        {"screenshotUrlLabel", "Application Screenshot :", "screenshotUrlEdit", true},
        {"optionalLegend", "Blue text : optional", nullptr, true},
        {"requiredLegend", "Black text : required", nullptr, false},
    };
    const QColor navy(0, 0, 0x80);
    for (const Expected &e : labels) {
        const QLabel *label = control<QLabel>(window, QLatin1String(e.label));
        QCOMPARE(label->text(), QLatin1String(e.caption));
        QCOMPARE(label->buddy() ? label->buddy()->objectName() : QString(), QLatin1String(e.buddy));
        QCOMPARE(label->palette().color(QPalette::WindowText) == navy, e.navy);
    }
}

void TestMainWindow::tabOrderFollowsTheTables()
{
    MainWindow window;
    QVERIFY(showActive(window));
    const QStringList expected{
        "companyNameEdit",         "companyWebsiteEdit",      "contactEmailEdit",
        "programNameEdit",         "programVersionEdit",          "releaseDateEdit",
        "programTypeBox",         "programCostEdit",     "fileSizeEdit",
        "osSupportList",   "keywordsEdit",                 "descriptionEdit",
        "fileSizeButton",             "applicationInfoUrlEdit",     "padFileUrlEdit",
        "primaryDownloadUrlEdit", "screenshotUrlEdit", "generateButton",
        "importButton",         "clearButton",
    };
    // Walk the focus chain rather than pressing Tab: in the date edit, Tab
    // first steps through day, month and year.
    QStringList visited;
    QWidget *widget = control<QWidget>(window, expected.first());
    do {
        if (expected.contains(widget->objectName()) && !visited.contains(widget->objectName()))
            visited << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != control<QWidget>(window, expected.first()));
    QCOMPARE(visited, expected);
}

void TestMainWindow::windowHasFixedSize()
{
    MainWindow window;
    QVERIFY(showActive(window));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.size(), window.minimumSize());
    QVERIFY(window.width() >= window.centralWidget()->minimumSizeHint().width());
    QVERIFY(window.height() >= window.centralWidget()->minimumSizeHint().height());
}

// The systems of today follow the older entries; the list stays five rows
// tall and scrolls to them, and a key press ticks one as it ticks any other.
void TestMainWindow::osListScrollsToTodaysSystems()
{
    MainWindow window;
    QVERIFY(showActive(window));
    auto *os = control<QListWidget>(window, "osSupportList");
    const QStringList today{"Win2000", "WinServer", "WinVista", "WinVista x64", "Win7 x32",
                            "Win7 x64", "Windows 8", "Win10", "Win11", "WinOther", "WinMobile",
                            "Windows RT", "Windows Phone 7", "Windows Phone 8", "Android",
                            "iPhone", "iPad", "iPod", "iTouch", "BlackBerry",
                            "Handheld/Mobile Other", "Palm", "Other"};
    QCOMPARE(os->count(), 39 + today.size());
    QStringList appended;
    for (int row = 39; row < os->count(); ++row)
        appended << os->item(row)->text();
    QCOMPARE(appended, today);

    const int rowHeight = os->visualItemRect(os->item(0)).height();
    QVERIFY(rowHeight > 0);
    QVERIFY2(os->height() <= 6 * rowHeight + 2 * os->frameWidth(),
             qPrintable(QString::number(os->height())));
    QCOMPARE(os->height(), os->minimumHeight());
    QCOMPARE(os->height(), os->maximumHeight());

    os->setFocus();
    QTest::keyClick(os, Qt::Key_End);
    QTest::keyClick(os, Qt::Key_Space);
    const QListWidgetItem *last = os->item(os->count() - 1);
    QVERIFY(os->viewport()->rect().contains(os->visualItemRect(last)));
    QVERIFY(!os->viewport()->rect().contains(os->visualItemRect(os->item(0))));
    QCOMPARE(tickedEntries(window), QStringList{"Other"});
}

void TestMainWindow::validationStopsGenerate_data()
{
    QTest::addColumn<QList<int>>("emptied");
    QTest::addColumn<bool>("noOsTicked");
    QTest::addColumn<bool>("throughMenu");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("noDate");

    QList<int> all;
    for (int i = 0; i < Pad::TextFieldCount; ++i)
        all << i;
    QTest::newRow("empty form, button") << all << true << false << "Company Name must be filled"
                                        << "companyNameEdit" << false;
    QTest::newRow("empty form, menu") << all << true << true << "Company Name must be filled"
                                      << "companyNameEdit" << false;
    QTest::newRow("file size") << QList<int>{int(TextField::File_Size_Bytes)} << false << false
                               << "File Size must be filled" << "fileSizeEdit" << false;
    QTest::newRow("descriptions, menu") << QList<int>{int(TextField::Char_Desc_450)} << false << true
                                        << "Descriptions must be filled" << "descriptionEdit" << false;
    QTest::newRow("PAD URL") << QList<int>{int(TextField::Application_XML_File_URL)} << false
                             << false << "PAD XML File URL must be filled"
                             << "padFileUrlEdit" << false;
    QTest::newRow("no OS ticked") << QList<int>{} << true << false << "Please select OS Support"
                                  << "osSupportList" << false;
    QTest::newRow("no release date") << QList<int>{} << false << false << "Release Date must be filled"
                                     << "releaseDateEdit" << true;
}

void TestMainWindow::validationStopsGenerate()
{
    QFETCH(QList<int>, emptied);
    QFETCH(bool, noOsTicked);
    QFETCH(bool, throughMenu);
    QFETCH(bool, noDate);
    MainWindow window;
    Pad::PadValues values = completeForm();
    for (int field : emptied)
        values.texts[field].clear();
    if (noOsTicked)
        values.osSupport.clear();
    if (noDate)
        values.releaseDate = QDate();
    fillForm(window, values);
    QVERIFY(showActive(window));
    control<QWidget>(window, "programVersionEdit")->setFocus();

    ModalDriver driver;
    driver.answer(QMessageBox::Ok);
    if (throughMenu)
        menuAction(window, "generateAction")->trigger();
    else
        QTest::mouseClick(control<QPushButton>(window, "generateButton"), Qt::LeftButton);

    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(driver.boxes().size(), 1);
    const SeenBox box = driver.boxes().first();
    QCOMPARE(box.title, QStringLiteral("Error"));
    QTEST(box.text, "message");
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    QVERIFY(window.focusWidget());
    QTEST(window.focusWidget()->objectName(), "focus");
    QCOMPARE(shownValues(window), values);
}

// A form that would make a file larger than the reader takes writes none:
// the author is told before any dialog opens.
void TestMainWindow::fileTooLargeToReadStopsGenerate()
{
    MainWindow window;
    Pad::PadValues values = completeForm();
    values.text(TextField::Char_Desc_450) = QString(int(Pad::MaxPadFileSize), u'd');
    fillForm(window, values);
    QVERIFY(showActive(window));

    ModalDriver driver;
    driver.answer(QMessageBox::Ok);
    QTest::mouseClick(control<QPushButton>(window, "generateButton"), Qt::LeftButton);
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(driver.boxes().size(), 1);
    QCOMPARE(driver.boxes().first().title, QStringLiteral("Error"));
    const qsizetype size = Pad::padFileBytes(Pad::padFileLines(values)).size();
    QCOMPARE(driver.boxes().first().text,
             QStringLiteral("The PAD file would be %1 bytes, larger than the 1 MiB that Quillet reads: shorten "
                            "the longest fields.")
                 .arg(size));
    QCOMPARE(window.updateTarget(), QString());
}

void TestMainWindow::unsavableCharacterStopsGenerate()
{
    MainWindow window;
    Pad::PadValues values = completeForm();
    values.text(TextField::Keywords) = QStringLiteral("bell\x07");
    values.text(TextField::Primary_Download_URL) = QStringLiteral("nul\x01");
    fillForm(window, values);
    QVERIFY(showActive(window));

    ModalDriver driver;
    driver.answer(QMessageBox::Ok);
    control<QPushButton>(window, "generateButton")->click();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(driver.boxes().first().title, QStringLiteral("Error"));
    QCOMPARE(driver.boxes().first().text,
             QStringLiteral("Keywords contains a character that cannot be saved in a PAD file"));
    QCOMPARE(window.focusWidget()->objectName(), QStringLiteral("keywordsEdit"));
}

void TestMainWindow::clearAllEmptiesTextsAndTicks()
{
    MainWindow window;
    Pad::PadValues values = completeForm();
    values.osSupport = Pad::OsSupportList();
    fillForm(window, values);
    control<QPushButton>(window, "clearButton")->click();

    Pad::PadValues expected;
    expected.releaseDate = values.releaseDate;
    expected.programType = values.programType;
    QCOMPARE(shownValues(window), expected);
}

void TestMainWindow::longFieldsLimitTypingOnly()
{
    MainWindow window;
    QVERIFY(showActive(window));
    auto *keywords = control<QLineEdit>(window, "keywordsEdit");
    auto *description = control<QPlainTextEdit>(window, "descriptionEdit");

    QTest::keyClicks(keywords, QString(260, u'k'));
    QCOMPARE(keywords->text().size(), 250);
    description->setFocus();
    QTest::keyClicks(description, QString(440, u'd'));
    QTest::keyClick(description, Qt::Key_Return);
    QTest::keyClick(description, Qt::Key_Enter);
    QTest::keyClicks(description, QString(20, u'e'));
    QCOMPARE(description->toPlainText(), QString(440, u'd') + QString(10, u'e'));

    // Pasting stops at the limit too, but keeps its line breaks.
    description->clear();
    QApplication::clipboard()->setText(QStringLiteral("one\ntwo") + QString(500, u'p'));
    description->paste();
    QCOMPARE(description->toPlainText(), QStringLiteral("one\ntwo") + QString(443, u'p'));

    // What the program places is kept whole, and can then only shrink.
    Pad::PadImport imported;
    imported.values = completeForm();
    imported.values.text(TextField::Keywords) = QString(300, u'K');
    imported.values.text(TextField::Char_Desc_450) = QString(600, u'D');
    window.applyImport(imported);
    QCOMPARE(keywords->text(), QString(300, u'K'));
    QCOMPARE(description->toPlainText(), QString(600, u'D'));
    keywords->end(false);
    QTest::keyClick(keywords, Qt::Key_Backspace);
    QTest::keyClicks(keywords, QStringLiteral("xy"));
    QCOMPARE(keywords->text(), QString(299, u'K'));
    description->moveCursor(QTextCursor::End);
    QTest::keyClicks(description, QStringLiteral("xy"));
    QCOMPARE(description->toPlainText().size(), 600);
}

void TestMainWindow::generateWritesTheForm_data()
{
    QTest::addColumn<bool>("throughMenu");
    QTest::newRow("button") << false;
    QTest::newRow("menu") << true;
}

void TestMainWindow::generateWritesTheForm()
{
    QFETCH(bool, throughMenu);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString chosen = dir.filePath(QStringLiteral("report.txt"));
    QVERIFY(writeFile(chosen, "not a PAD file"));

    // The same form as the writer's golden file, typed into the window.
    const Pad::PadValues values = goldenForm();
    MainWindow window;
    fillForm(window, values);
    QVERIFY(showActive(window));

    ModalDriver driver;
    driver.chooseFile(chosen);
    if (throughMenu)
        menuAction(window, "generateAction")->trigger();
    else
        control<QPushButton>(window, "generateButton")->click();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));

    QCOMPARE(readAll(dir.filePath(QStringLiteral("report.xml"))),
             readAll(testDataPath(QStringLiteral("writer/full-form.xml"))));
    QCOMPARE(readAll(chosen), QByteArray("not a PAD file"));
    QCOMPARE(shownValues(window), values);

    // The dialog proposes the path chosen last, as chosen.
    ModalDriver again;
    again.cancelFileDialog();
    control<QPushButton>(window, "generateButton")->click();
    QVERIFY(again.done());
    QCOMPARE(again.proposedPaths(), QStringList{QFileInfo(chosen).fileName()});
}

void TestMainWindow::cancellingSaveWritesNothing()
{
    QTemporaryDir dir;
    MainWindow window;
    fillForm(window, completeForm());
    QVERIFY(showActive(window));
    ModalDriver driver;
    driver.cancelFileDialog();
    control<QPushButton>(window, "generateButton")->click();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(driver.proposedPaths(), QStringList{QString()});
    QVERIFY(QDir(dir.path()).isEmpty());
}

void TestMainWindow::replaceQuestion_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::newRow("no keeps the file") << QMessageBox::No;
    QTest::newRow("yes replaces it") << QMessageBox::Yes;
}

void TestMainWindow::replaceQuestion()
{
    QFETCH(QMessageBox::StandardButton, answer);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("app.xml"));
    QVERIFY(writeFile(path, "old"));
    MainWindow window;
    fillForm(window, completeForm());
    QVERIFY(showActive(window));

    ModalDriver driver;
    driver.chooseFile(dir.filePath(QStringLiteral("app.pad"))).answer(answer);
    control<QPushButton>(window, "generateButton")->click();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(driver.boxes().first().text,
             QStringLiteral("app.xml already exists.\nDo you want to replace it?"));
    QCOMPARE(driver.boxes().first().buttons,
             (QList<QMessageBox::StandardButton>{QMessageBox::Yes, QMessageBox::No}));
    if (answer == QMessageBox::No)
        QCOMPARE(readAll(path), QByteArray("old"));
    else
        QCOMPARE(readAll(path), Pad::padFileBytes(Pad::padFileLines(completeForm())));
}

void TestMainWindow::failedSaveSaysWhyAndKeepsOldFile_data()
{
    QTest::addColumn<bool>("immutableFolder");
    QTest::newRow("below a regular file") << false;
    QTest::newRow("folder that cannot be written, file exists") << true;
}

void TestMainWindow::failedSaveSaysWhyAndKeepsOldFile()
{
    QFETCH(bool, immutableFolder);
    QTemporaryDir dir;
    QString target;
    ModalDriver driver;
    if (immutableFolder) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("locked")));
        target = dir.filePath(QStringLiteral("locked/app.xml"));
        QVERIFY(writeFile(target, "old"));
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), QFileInfo(target).path()}) != 0)
            QSKIP("chattr +i is not available on this file system");
        driver.chooseFile(target).answer(QMessageBox::Yes).answer(QMessageBox::Ok);
    } else {
        QVERIFY(writeFile(dir.filePath(QStringLiteral("plain")), "old"));
        target = dir.filePath(QStringLiteral("plain/app.xml"));
        driver.chooseFile(target).answer(QMessageBox::Ok);
    }
    const auto unlock = qScopeGuard([&] {
        if (immutableFolder)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), QFileInfo(target).path()});
    });
    MainWindow window;
    fillForm(window, completeForm());
    QVERIFY(showActive(window));

    control<QPushButton>(window, "generateButton")->click();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    const SeenBox error = driver.boxes().last();
    QCOMPARE(error.title, QStringLiteral("Error"));
    QVERIFY2(error.text.startsWith(QStringLiteral("Could not save ") + target + QStringLiteral(": ")),
             qPrintable(error.text));
    QVERIFY(error.text.size() > target.size() + 17);
    if (immutableFolder) {
        QCOMPARE(readAll(target), QByteArray("old"));
        QCOMPARE(QDir(QFileInfo(target).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"app.xml"});
    } else {
        QCOMPARE(readAll(dir.filePath(QStringLiteral("plain"))), QByteArray("old"));
    }
    QCOMPARE(shownValues(window), completeForm());
}

void TestMainWindow::xmlFilterIgnoresCase()
{
    QTemporaryDir dir;
    for (const char *name : {"upper.XML", "lower.xml", "mixed.Xml", "other.txt"})
        QVERIFY(writeFile(dir.filePath(QLatin1String(name)), "x"));
    MainWindow window;
    fillForm(window, completeForm());
    QVERIFY(showActive(window));

    QStringList listed;
    QString filter;
    ModalDriver driver;
    driver.then<QFileDialog>([&](QFileDialog *dialog) {
        filter = dialog->selectedNameFilter();
        dialog->setDirectory(dir.path());
        auto *view = dialog->findChild<QAbstractItemView *>(QStringLiteral("listView"));
        QTRY_VERIFY(view->model()->rowCount(view->rootIndex()) >= 3);
        QTest::qWait(50);
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
            listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
        dialog->reject();
    });
    control<QPushButton>(window, "generateButton")->click();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(filter, QStringLiteral("XML Document (*.xml)"));
    listed.sort();
    QCOMPARE(listed, (QStringList{"lower.xml", "mixed.Xml", "upper.XML"}));
}

void TestMainWindow::exitClosesWithoutQuestion()
{
    MainWindow window;
    fillForm(window, completeForm());
    QVERIFY(showActive(window));
    ModalDriver driver;
    menuAction(window, "exitAction")->trigger();
    QTest::qWait(20);
    QVERIFY(!window.isVisible());
    QVERIFY(driver.unexpected().isEmpty());
}

void TestMainWindow::fileSizeButton_data()
{
    QTest::addColumn<QString>("chosen"); // below the test folder; empty: cancel
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("error");
    QTest::newRow("file") << "setup.exe" << "12345" << QString();
    QTest::newRow("empty file") << "empty.bin" << "0" << QString();
    QTest::newRow("wildcard takes first in name order") << "*.exe" << "12345" << QString();
    QTest::newRow("missing keeps the field") << "gone.exe" << "old" << "%1/gone.exe was not found";
    QTest::newRow("cancel keeps the field") << QString() << "old" << QString();
}

void TestMainWindow::fileSizeButton()
{
    QFETCH(QString, chosen);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("setup.exe")), QByteArray(12345, 'x')));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("zz.exe")), "x"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("empty.bin")), QByteArray()));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    MainWindow window;
    control<QLineEdit>(window, "fileSizeEdit")->setText(QStringLiteral("old"));
    QVERIFY(showActive(window));

    ModalDriver driver;
    if (chosen.isEmpty())
        driver.cancelFileDialog();
    else
        driver.chooseFile(dir.filePath(chosen));
    if (!error.isEmpty())
        driver.answer(QMessageBox::Ok);
    control<QPushButton>(window, "fileSizeButton")->click();

    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QTEST(control<QLineEdit>(window, "fileSizeEdit")->text(), "field");
    if (!error.isEmpty()) {
        QCOMPARE(driver.boxes().first().title, QStringLiteral("Error"));
        QCOMPARE(driver.boxes().first().text, error.arg(dir.path()));
    }
}

void TestMainWindow::aboutShowsTheSameDialog()
{
    MainWindow window;
    QVERIFY(showActive(window));
    QList<QWidget *> shown;
    for (int i = 0; i < 2; ++i) {
        ModalDriver driver;
        driver.then<QDialog>([&](QDialog *dialog) {
            shown << dialog;
            QCOMPARE(dialog->windowTitle(), QStringLiteral("About Quillet"));
            control<QPushButton>(*dialog, "ButtonOK")->click();
        });
        menuAction(window, "aboutAction")->trigger();
        QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    }
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0], shown[1]);
    QCOMPARE(shown[0], window.aboutDialog());
    QVERIFY(!window.aboutDialog()->isVisible());
}

void TestMainWindow::typedFileNameLeavesNoPopup_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("file size") << "fileSizeButton";
    QTest::newRow("import") << "importButton";
    QTest::newRow("generate") << "generateButton";
}

void TestMainWindow::typedFileNameLeavesNoPopup()
{
    QFETCH(QString, button);
    QTemporaryDir dir;
    // Neighbours with the same start, so that the completer has names to offer.
    const QString pad = dir.filePath(QStringLiteral("product.xml"));
    QVERIFY(writeFile(pad, Pad::padFileBytes(Pad::padFileLines(completeForm()))));
    // Generate replaces it with the same form, so every use ends with the same file.
    QVERIFY(writeFile(dir.filePath(QStringLiteral("product-old.xml")), "x"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("product-notes.xml")), "x"));
    const bool generate = button == QLatin1String("generateButton");

    MainWindow window;
    fillForm(window, completeForm());
    QVERIFY(showActive(window));
    for (int use = 0; use < 2; ++use) {
        ModalDriver driver;
        driver.typeFile(pad);
        if (generate)
            driver.answer(QMessageBox::Yes);
        QTest::mouseClick(control<QPushButton>(window, button), Qt::LeftButton);
        QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
        QTest::qWait(20);
        QCOMPARE(QApplication::activePopupWidget(), nullptr);

        // The next click reaches the window.
        QTest::mouseClick(control<QPushButton>(window, "clearButton"), Qt::LeftButton);
        QCOMPARE(fieldText(window, TextField::Company_Name), QString());
        QVERIFY(tickedEntries(window).isEmpty());
        fillForm(window, completeForm());
        if (generate)
            QCOMPARE(readAll(pad), Pad::padFileBytes(Pad::padFileLines(completeForm())));
    }
}

void TestMainWindow::messagesShowTextAsItIs_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("fileName"); // written below the test folder
    QTest::addColumn<QByteArray>("content");  // empty: no file
    QTest::addColumn<QStringList>("shown");   // %1: the folder

    const QByteArray head = "<?xml version=\"1.0\"?>\n<XML_DIZ_INFO><Program_Info>";
    QTest::newRow("markup in a field")
        << "importButton" << "markup.xml"
        << QByteArray("<?xml version=\"1.0\"?>\n<XML_DIZ_INFO><Program_Descriptions><English>"
                      "<Keywords>fast <b>free</b> tool</Keywords></English></Program_Descriptions>"
                      "</XML_DIZ_INFO>")
        << QStringList{"Cannot import \"%1/markup.xml\": the element XML_DIZ_INFO/Program_Descriptions/"
                       "English/Keywords holds a child element <b> instead of plain text"};
    QTest::newRow("an XHTML page")
        << "importButton" << "page.xml"
        << QByteArray("<html xmlns=\"http://www.w3.org/1999/xhtml\"><body/></html>")
        << QStringList{"Cannot import \"%1/page.xml\": its document element is <html>, not <XML_DIZ_INFO>"};
    QTest::newRow("a path with markup")
        << "fileSizeButton" << "<b>setup</b>.exe" << QByteArray()
        << QStringList{"%1/<b>setup</b>.exe was not found"};
}

void TestMainWindow::messagesShowTextAsItIs()
{
    QFETCH(QString, button);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, shown);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    if (!content.isEmpty())
        QVERIFY(writeFile(path, content));
    MainWindow window;
    QVERIFY(showActive(window));

    ModalDriver driver;
    driver.chooseFile(path).answer(QMessageBox::Ok);
    control<QPushButton>(window, button)->click();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    const SeenBox box = driver.boxes().first();
    QCOMPARE(box.format, Qt::PlainText);
    QCOMPARE(box.shownText.split(u'\n'), shown.join(u'\n').replace(QStringLiteral("%1"), dir.path()).split(u'\n'));
}

void TestMainWindow::longListOfNotesStaysOnScreen()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("many.xml"));
    QStringList systems;
    for (int i = 0; i < 600; ++i)
        systems << QStringLiteral("Unknown OS number %1 with a long name").arg(i);
    QVERIFY(writeFile(path, "<XML_DIZ_INFO><Program_Info><Program_Type>None of these</Program_Type>"
                            "<Program_OS_Support>" + systems.join(u',').toUtf8()
                                + "</Program_OS_Support></Program_Info></XML_DIZ_INFO>"));
    MainWindow window;
    QVERIFY(showActive(window));
    ModalDriver driver;
    driver.chooseFile(path);
    control<QPushButton>(window, "importButton")->click();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    // No box: the notes go to the bar above the form, a line each, the long
    // list cut short, and the window with them stays on the screen.
    const QStringList notes = importNotes(window);
    QCOMPARE(notes.size(), 3);
    QCOMPARE(notes.first(), QStringLiteral("Program Type: \"None of these\" is not in the list"));
    QVERIFY(notes.at(1).contains(QRegularExpression(QStringLiteral(" and 55\\d more are not in the list$"))));
    QVERIFY(notes.at(1).size() < 2100);
    QCOMPARE(notes.last(), QStringLiteral("Release Date: not given in the file"));
    QCOMPARE(control<MessageBar>(window, "importNotes")->textLabel()->text(), notes.join(u'\n'));
    QTRY_VERIFY(window.frameGeometry().height() <= window.screen()->availableGeometry().height());
    QCOMPARE(window.statusBar()->currentMessage(), QString());

    // Too many lines: the first ones and how many more, the whole list in the details.
    QStringList lines;
    for (int i = 1; i <= 40; ++i)
        lines << QStringLiteral("note %1").arg(i);
    const QStringList summary = summarizeLines(lines, 15, 1500).split(u'\n');
    QCOMPARE(summary.size(), 15);
    QCOMPARE(summary.first(), QStringLiteral("note 1"));
    QCOMPARE(summary.at(13), QStringLiteral("note 14"));
    QCOMPARE(summary.last(), QStringLiteral("... and 26 more"));
    QCOMPARE(summarizeLines(lines.mid(0, 15), 15, 1500), lines.mid(0, 15).join(u'\n'));
    const QString longLine(5000, u'x');
    QCOMPARE(summarizeLines({longLine}, 15, 1500), QString(1500, u'x') + QChar(0x2026));
}

void TestMainWindow::limitsHoldForEveryInput_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("before");  // characters already there, the cursor at the end
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("after");

    for (const QString &field : {QStringLiteral("keywordsEdit"), QStringLiteral("descriptionEdit")}) {
        const int limit = field == QLatin1String("keywordsEdit") ? Pad::KeywordsLimit : Pad::DescriptionLimit;
        const auto row = [&](const char *how, int before, int after) {
            QTest::addRow("%s, %s, %d", qPrintable(field), how, before)
                << field << before << QString::fromLatin1(how) << after;
        };
        row("input method commit of 20", limit - 5, limit);
        row("input method commit of 20", limit, limit);
        row("input method commit of 20", limit - 20, limit);
        row("5 Ctrl+Alt characters", limit, limit);
        row("5 Ctrl+Alt characters", limit - 2, limit);
        row("paste of 20", limit - 5, limit);
        row("drop of 20", limit - 5, limit);
        row("undo, redo", limit - 5, limit);
    }
}

void TestMainWindow::limitsHoldForEveryInput()
{
    QFETCH(QString, field);
    QFETCH(int, before);
    QFETCH(QString, how);
    MainWindow window;
    QVERIFY(showActive(window));
    QWidget *edit = control<QWidget>(window, field);
    auto *line = qobject_cast<QLineEdit *>(edit);
    auto *memo = qobject_cast<QPlainTextEdit *>(edit);
    const auto text = [&] { return line ? line->text() : memo->toPlainText(); };
    edit->setFocus();
    QTest::keyClicks(edit, QString(before, u'a'));
    QCOMPARE(text().size(), before);
    const QString twenty = QStringLiteral("\u00e9\u00e8\u00ea\u3042\u3044") + QString(15, u'z');

    if (how.startsWith(QLatin1String("input method"))) {
        QInputMethodEvent preedit(QStringLiteral("\u3042"), {});
        QApplication::sendEvent(edit, &preedit);
        QInputMethodEvent commit;
        commit.setCommitString(twenty);
        QApplication::sendEvent(edit, &commit);
    } else if (how.startsWith(QLatin1String("5 Ctrl+Alt"))) {
        // How Windows reports AltGr: the character comes with Ctrl and Alt.
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(edit, Qt::Key_At, Qt::ControlModifier | Qt::AltModifier);
        for (int i = 0; i < 5; ++i) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_At, Qt::ControlModifier | Qt::AltModifier,
                            QStringLiteral("@"));
            QApplication::sendEvent(edit, &press);
        }
    } else if (how.startsWith(QLatin1String("paste"))) {
        QApplication::clipboard()->setText(twenty);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    } else if (how.startsWith(QLatin1String("drop"))) {
        QMimeData data;
        data.setText(twenty);
        QWidget *target = memo ? memo->viewport() : edit;
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QVERIFY(text().size() > before);
    } else {
        QTest::keyClicks(edit, QString(20, u'b'));
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(edit, Qt::Key_Y, Qt::ControlModifier);
    }
    QTEST(int(text().size()), "after");
    QCOMPARE(text().count(u'a'), before);
}

void TestMainWindow::windowFollowsFontChange()
{
    const QFont original = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(original); });
    MainWindow window;
    QVERIFY(showActive(window));
    const QSize before = window.size();

    QFont larger = original;
    larger.setPointSizeF(original.pointSizeF() * 1.4);
    QApplication::setFont(larger);
    QTRY_VERIFY(window.size() != before);

    QCOMPARE(window.minimumSize(), window.maximumSize());
    for (const QLabel *label : window.findChildren<QLabel *>()) {
        if (!label->isVisible() || label->text().isEmpty())
            continue;
        QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(label->text()),
                 qPrintable(label->objectName() + u' ' + label->text()));
    }
}

void TestMainWindow::dateWrittenIsDateShown()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dated.xml"));
    MainWindow window;
    Pad::PadValues values = completeForm();
    values.releaseDate = QDate(2024, 2, 29);
    fillForm(window, values);
    QVERIFY(showActive(window));
    auto *date = control<QDateEdit>(window, "releaseDateEdit");
    date->setFocus();
    date->setSelectedSection(QDateTimeEdit::YearSection);
    QTest::keyClicks(date, QStringLiteral("20"));

    // The menu leaves the focus in the date editor, so nothing settles it on the way.
    QString shownWhenWritten;
    ModalDriver driver;
    driver.then<QFileDialog>([&](QFileDialog *dialog) {
        shownWhenWritten = date->text();
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    menuAction(window, "generateAction")->trigger();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));

    QString error;
    const auto written = Pad::loadPadFile(path, QDate::currentDate(), &error);
    QVERIFY2(written, qPrintable(error));
    QCOMPARE(shownWhenWritten, written->imported.values.releaseDate.toString(date->displayFormat()));
    QCOMPARE(date->date(), written->imported.values.releaseDate);
}

using KeyList = QList<QKeyCombination>;

void TestMainWindow::calendarOpensFromKeyboard_data()
{
    QTest::addColumn<QKeyCombination>("open"); // pressed in the closed editor
    QTest::addColumn<KeyList>("inCalendar");
    QTest::addColumn<QKeyCombination>("close");
    QTest::addColumn<int>("daysLater"); // the date afterwards, from the one before

    const QKeyCombination altDown(Qt::AltModifier, Qt::Key_Down);
    const QKeyCombination altUp(Qt::AltModifier, Qt::Key_Up);
    const QKeyCombination f4(Qt::Key_F4);
    const QKeyCombination returnKey(Qt::Key_Return);
    const QKeyCombination escape(Qt::Key_Escape);
    const QKeyCombination right(Qt::Key_Right), left(Qt::Key_Left), down(Qt::Key_Down);

    QTest::newRow("Alt+Down, Return on the next day") << altDown << KeyList{right} << returnKey << 1;
    QTest::newRow("F4, Return a week on") << f4 << KeyList{down} << returnKey << 7;
    QTest::newRow("Alt+Down, Alt+Up") << altDown << KeyList{} << altUp << 0;
    QTest::newRow("Alt+Down twice") << altDown << KeyList{} << altDown << 0;
    QTest::newRow("F4 twice") << f4 << KeyList{} << f4 << 0;
    QTest::newRow("Alt+Up keeps the day moved to") << altDown << KeyList{left} << altUp << -1;
    QTest::newRow("Escape goes back") << f4 << KeyList{right, right} << escape << 0;
}

// Keys pressed on the window go where a user's would: to the open calendar,
// otherwise to the date editor that has the focus.
void TestMainWindow::calendarOpensFromKeyboard()
{
    QFETCH(QKeyCombination, open);
    QFETCH(KeyList, inCalendar);
    QFETCH(QKeyCombination, close);
    QFETCH(int, daysLater);

    MainWindow window;
    QVERIFY(showActive(window));
    auto *date = control<QDateEdit>(window, "releaseDateEdit");
    const QDate before(2024, 12, 10);
    date->setDate(before);
    date->setFocus();
    date->setSelectedSection(QDateTimeEdit::DaySection);
    QTRY_VERIFY(date->hasFocus());
    QWidget *popup = date->calendarWidget()->window();
    QVERIFY(popup != &window);
    const auto press = [&](QKeyCombination key) {
        QTest::keyClick(window.windowHandle(), key.key(), key.keyboardModifiers());
    };

    // Alt+Up finds nothing to close and steps nothing either.
    press(QKeyCombination(Qt::AltModifier, Qt::Key_Up));
    QVERIFY(!popup->isVisible());
    QCOMPARE(date->date(), before);

    press(open);
    QTRY_COMPARE(QApplication::activePopupWidget(), popup);
    QCOMPARE(date->date(), before);
    for (const QKeyCombination key : inCalendar)
        press(key);
    press(close);
    QTRY_VERIFY(!popup->isVisible());
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
    QCOMPARE(date->date(), before.addDays(daysLater));

    // The editor takes typing again, and the next key opens the calendar anew.
    QTRY_VERIFY(date->hasFocus());
    press(open);
    QTRY_COMPARE(QApplication::activePopupWidget(), popup);
    press(QKeyCombination(Qt::Key_Escape));
    QTRY_VERIFY(!popup->isVisible());
    QCOMPARE(date->date(), before.addDays(daysLater));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
