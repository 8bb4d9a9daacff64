// File, Update PAD File through the window as a user drives it, and
// quillet --update on the built program without a display.
#include "commandline.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "padreader.h"
#include "padupdate.h"
#include "padwriter.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QToolButton>
#include <QTextStream>
#include <QUrl>

using namespace Qt::StringLiterals;
using Pad::TextField;

namespace {

QString fixture(const QString &name)
{
    return testDataPath(u"update/"_s + name);
}

QAction *updateAction(const QWidget &window)
{
    return control<QAction>(window, u"updateAction"_s);
}

const QLabel *targetLabel(const QWidget &window)
{
    return control<QLabel>(window, u"updateTargetLabel"_s);
}

QStringList recentEntries(MainWindow &window)
{
    auto *menu = control<QMenu>(window, u"openRecentMenu"_s);
    emit menu->aboutToShow();
    QStringList entries;
    for (QAction *action : menu->actions())
        entries << action->toolTip();
    return entries;
}

// Opens the File menu with Alt+F and picks Update with U, as from the keyboard.
void updateFromTheMenuByKeys(MainWindow &window)
{
    QTest::keyClick(&window, Qt::Key_F, Qt::AltModifier);
    QWidget *menu = QApplication::activePopupWidget();
    QVERIFY(menu);
    QCOMPARE(menu->objectName(), u"fileMenu"_s);
    QTest::keyClick(menu, Qt::Key_U);
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
}

QString statusMessage(MainWindow &window)
{
    return window.statusBar()->currentMessage();
}

} // namespace

class TestUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void updateThroughTheMenu();
    void onlyAFormFromAFileCanBeUpdated_data();
    void onlyAFormFromAFileCanBeUpdated();
    void shortcutWorksFromEveryField_data();
    void shortcutWorksFromEveryField();
    void requiredChecksStopIt_data();
    void requiredChecksStopIt();
    void nothingChangedWritesNothing();
    void fileChangedOnDiskAsksFirst_data();
    void fileChangedOnDiskAsksFirst();
    void failedSaveKeepsTheFile();
    void importSaysWhatTheFormDoesNotShow_data();
    void importSaysWhatTheFormDoesNotShow();
    void importNotesBarGoesWithTheFile();
    void aDateTheFileDoesNotGiveIsTheAuthorsToChoose();
    void typingStartsADate_data();
    void typingStartsADate();
    void generateAsksBeforeLeavingValuesOut_data();
    void generateAsksBeforeLeavingValuesOut();
    void generateAsksNothingOfAFileItWrote();
    void samplesComeBackFromTheFormUnchanged_data();
    void samplesComeBackFromTheFormUnchanged();

    void commandLineAsksForAnUpdate_data();
    void commandLineAsksForAnUpdate();
    void commandLine_data();
    void commandLine();

private:
    QString copyOf(const QString &source, const QString &name = u"pad.xml"_s);
    QTemporaryDir m_dir;
    int m_copies = 0;
};

void TestUpdate::initTestCase()
{
    prepareApplication();
    QVERIFY(m_dir.isValid());
}

void TestUpdate::init()
{
    QSettings().clear();
}

QString TestUpdate::copyOf(const QString &source, const QString &name)
{
    const QString folder = m_dir.filePath(QString::number(++m_copies));
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name);
    return writeFile(path, readAll(source)) ? path : QString();
}

void TestUpdate::updateThroughTheMenu()
{
    const QString path = copyOf(fixture(u"cdata-comments.xml"_s));
    const QByteArray before = readAll(path);
    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(path);
    QCOMPARE(targetLabel(window)->text(), u"Update writes pad.xml"_s);
    QCOMPARE(targetLabel(window)->toolTip(), QDir::toNativeSeparators(path));
    QVERIFY(targetLabel(window)->isVisible());
    QCOMPARE(window.windowTitle(), u"Quillet ver 1.01"_s);

    typeInto(window, u"programVersionEdit"_s, u"1.3.0"_s);
    typeInto(window, u"fileSizeEdit"_s, u"2097152"_s);
    ModalDriver driver; // no dialog may open
    updateFromTheMenuByKeys(window);
    QVERIFY2(driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));

    QByteArray expected = before;
    expected.replace("<Program_Version><![CDATA[1.2.0]]></Program_Version>",
                     "<Program_Version>1.3.0</Program_Version>");
    expected.replace("<File_Size_Bytes>1048576</File_Size_Bytes>",
                     "<File_Size_Bytes>2097152</File_Size_Bytes>");
    QCOMPARE(readAll(path), expected);
    QCOMPARE(statusMessage(window), u"Updated pad.xml: Program Version, File Size"_s);
    QVERIFY(targetLabel(window)->isVisible());

    // The next click lands: the window is free again.
    QTest::mouseClick(control<QPushButton>(window, u"clearButton"_s), Qt::LeftButton);
    QCOMPARE(fieldText(window, TextField::Program_Version), QString());
}

void TestUpdate::onlyAFormFromAFileCanBeUpdated_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("the import dialog") << u"dialog"_s;
    QTest::newRow("the command line") << u"command line"_s;
    QTest::newRow("a dropped file") << u"drop"_s;
    QTest::newRow("Open Recent") << u"recent"_s;
}

void TestUpdate::onlyAFormFromAFileCanBeUpdated()
{
    QFETCH(QString, how);
    const QString other = copyOf(fixture(u"unknown-names.xml"_s), u"other.xml"_s);
    const QString path = copyOf(fixture(u"cdata-comments.xml"_s));
    MainWindow window;
    QVERIFY(showActive(window));
    QVERIFY(!updateAction(window)->isEnabled());
    QVERIFY(!targetLabel(window)->isVisible());

    // A generated file is one the form came from too, so that Update can add
    // to it what Generate does not write.
    fillForm(window, completeForm());
    ModalDriver generate;
    const QString generated = m_dir.filePath(u"generated%1.xml"_s.arg(++m_copies));
    generate.chooseFile(generated);
    control<QPushButton>(window, u"generateButton"_s)->click();
    QVERIFY2(generate.done() && generate.unexpected().isEmpty(), qPrintable(generate.unexpected()));
    QVERIFY(updateAction(window)->isEnabled());
    QCOMPARE(window.updateTarget(), generated);

    if (how == u"dialog") {
        ModalDriver driver;
        driver.typeFile(path);
        control<QPushButton>(window, u"importButton"_s)->click();
        QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    } else if (how == u"command line") {
        window.importFile(path);
    } else if (how == u"drop") {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QWidget *target = control<QWidget>(window, u"companyNameEdit"_s);
        QDragEnterEvent enter(target->rect().center(), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(target->rect().center(), Qt::CopyAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    } else {
        window.importFile(other);
        window.importFile(path);
        window.clearForm();
        auto *menu = control<QMenu>(window, u"openRecentMenu"_s);
        emit menu->aboutToShow();
        menu->actions().first()->trigger();
    }
    // A dropped file is imported once the drop is over.
    QTRY_COMPARE(window.updateTarget(), path);
    QVERIFY(updateAction(window)->isEnabled());
    QCOMPARE(targetLabel(window)->text(), u"Update writes pad.xml"_s);
    QVERIFY(targetLabel(window)->isVisible());

    // A refused file leaves the form, and so what Update writes, as they were.
    ModalDriver refused;
    refused.answer(QMessageBox::Ok);
    window.importFile(testDataPath(u"reader/wrong-root.xml"_s));
    QVERIFY(refused.done());
    QCOMPARE(window.updateTarget(), path);

    QTest::mouseClick(control<QPushButton>(window, u"clearButton"_s), Qt::LeftButton);
    QVERIFY(!updateAction(window)->isEnabled());
    QVERIFY(!targetLabel(window)->isVisible());
    QCOMPARE(window.updateTarget(), QString());
}

void TestUpdate::shortcutWorksFromEveryField_data()
{
    QTest::addColumn<QString>("focus");
    QTest::newRow("a line edit") << u"companyNameEdit"_s;
    QTest::newRow("the description") << u"descriptionEdit"_s;
    QTest::newRow("the date") << u"releaseDateEdit"_s;
    QTest::newRow("the OS list") << u"osSupportList"_s;
}

void TestUpdate::shortcutWorksFromEveryField()
{
    QFETCH(QString, focus);
    const QString path = copyOf(fixture(u"cdata-comments.xml"_s));
    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(path);

    // No other action of the window answers to the same keys.
    const QKeySequence keys = updateAction(window)->shortcut();
    QVERIFY(!keys.isEmpty());
    for (const QAction *action : window.findChildren<QAction *>()) {
        if (action != updateAction(window))
            QVERIFY2(!action->shortcuts().contains(keys), qPrintable(action->objectName()));
    }
    control<QWidget>(window, u"programNameEdit"_s)->setFocus();
    QTest::keyClicks(control<QWidget>(window, u"programNameEdit"_s), u" Pro"_s);
    QWidget *target = control<QWidget>(window, focus);
    target->setFocus();
    ModalDriver driver; // no dialog may open
    QTest::keySequence(QApplication::focusWidget(), keys);
    QTRY_COMPARE(statusMessage(window), u"Updated pad.xml: Program Name"_s);
    QVERIFY2(driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QVERIFY(readAll(path).contains("<Program_Name>Widget Pro</Program_Name>"));
}

void TestUpdate::requiredChecksStopIt_data()
{
    QTest::addColumn<QString>("emptied");
    QTest::addColumn<QString>("message");
    QTest::newRow("keywords") << u"keywordsEdit"_s << u"Keywords must be filled"_s;
    QTest::newRow("no system ticked") << u"osSupportList"_s << u"Please select OS Support"_s;
    QTest::newRow("no release date") << u"releaseDateEdit"_s << u"Release Date must be filled"_s;
}

void TestUpdate::requiredChecksStopIt()
{
    QFETCH(QString, emptied);
    QFETCH(QString, message);
    const QString path = copyOf(fixture(u"cdata-comments.xml"_s));
    const QByteArray before = readAll(path);
    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(path);
    Pad::PadValues values = shownValues(window);
    values.text(TextField::Program_Version) = u"9.9"_s;
    if (emptied == u"osSupportList")
        values.osSupport.clear();
    else if (emptied == u"releaseDateEdit")
        values.releaseDate = QDate();
    else
        values.text(TextField::Keywords).clear();
    fillForm(window, values);

    ModalDriver driver;
    driver.answer(QMessageBox::Ok);
    updateAction(window)->trigger();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(driver.boxes().first().title, u"Error"_s);
    QCOMPARE(driver.boxes().first().text, message);
    QCOMPARE(window.focusWidget()->objectName(), emptied);
    QCOMPARE(readAll(path), before);
    QCOMPARE(statusMessage(window), QString());
}

void TestUpdate::nothingChangedWritesNothing()
{
    const QString path = copyOf(fixture(u"cdata-comments.xml"_s));
    const QDateTime written = QFileInfo(path).lastModified();
    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(path);
    QTest::qWait(20);
    ModalDriver driver;
    updateAction(window)->trigger();
    QVERIFY2(driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(statusMessage(window), u"Nothing changed in pad.xml"_s);
    QCOMPARE(readAll(path), readAll(fixture(u"cdata-comments.xml"_s)));
    QCOMPARE(QFileInfo(path).lastModified(), written);
}

void TestUpdate::fileChangedOnDiskAsksFirst_data()
{
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestUpdate::fileChangedOnDiskAsksFirst()
{
    QFETCH(bool, overwrite);
    const QString path = copyOf(fixture(u"cdata-comments.xml"_s));
    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(path);
    typeInto(window, u"programVersionEdit"_s, u"1.3.0"_s);

    // Someone else changes the description meanwhile.
    QByteArray changed = readAll(path);
    changed.replace("A widget & a <tool>.", "A better widget.");
    QVERIFY(writeFile(path, changed));

    ModalDriver driver;
    driver.answer(overwrite ? QMessageBox::Yes : QMessageBox::No);
    updateAction(window)->trigger();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    const SeenBox &question = driver.boxes().first();
    QCOMPARE(question.title, u"Confirm Update"_s);
    QVERIFY2(question.text.startsWith(u"pad.xml has changed on disk since it was read."_s),
             qPrintable(question.text));
    QCOMPARE(question.format, Qt::PlainText);

    if (!overwrite) {
        QCOMPARE(readAll(path), changed);
        QCOMPARE(statusMessage(window), QString());
        return;
    }
    // The form's description replaces the one on disk; the rest of the file stays.
    QByteArray expected = readAll(fixture(u"cdata-comments.xml"_s));
    expected.replace("<Program_Version><![CDATA[1.2.0]]></Program_Version>",
                     "<Program_Version>1.3.0</Program_Version>");
    expected.replace("<Char_Desc_450>\n\t\t\t\t<![CDATA[A widget & a <tool>.]]>\n\t\t\t</Char_Desc_450>",
                     "<Char_Desc_450>A widget &amp; a &lt;tool>.</Char_Desc_450>");
    QCOMPARE(readAll(path), expected);
    QCOMPARE(statusMessage(window), u"Updated pad.xml: Program Version, Descriptions"_s);
    QCOMPARE(recentEntries(window).first(), path);
}

void TestUpdate::failedSaveKeepsTheFile()
{
    const QString path = copyOf(fixture(u"cdata-comments.xml"_s));
    const QByteArray before = readAll(path);
    const QString folder = QFileInfo(path).path();
    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(path);
    typeInto(window, u"programVersionEdit"_s, u"1.3.0"_s);
    if (QProcess::execute(u"chattr"_s, {u"+i"_s, folder}) != 0)
        QSKIP("chattr +i is not available on this file system");
    const auto unlock = qScopeGuard([&] { QProcess::execute(u"chattr"_s, {u"-i"_s, folder}); });

    ModalDriver driver;
    driver.answer(QMessageBox::Ok);
    updateAction(window)->trigger();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(driver.boxes().first().title, u"Error"_s);
    QVERIFY2(driver.boxes().first().text.startsWith(u"Could not save "_s + path + u": "_s),
             qPrintable(driver.boxes().first().text));
    QCOMPARE(readAll(path), before);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"pad.xml"_s});
    QCOMPARE(fieldText(window, TextField::Program_Version), u"1.3.0"_s);
}

void TestUpdate::importSaysWhatTheFormDoesNotShow_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines"); // empty: nothing to say

    const QByteArray rich = readAll(fixture(u"rich.xml"_s));
    QTest::newRow("values the form does not show")
        << rich << QStringList{u"7 values that the form does not show: File, More PAD Fields shows them."_s};
    QTest::newRow("one value") << readAll(fixture(u"missing-parent.xml"_s))
                               << QStringList{u"1 value that the form does not show: File, More PAD Fields "
                                              "shows it."_s};
    QTest::newRow("systems the list lacks, and more values")
        << QByteArray(rich).replace("WinXP,Win10,Win11", "WinXP,Amiga,Win10,\n\t\t\tBeOS\n5")
        << QStringList{u"OS Support: \"Amiga\", \"BeOS 5\" are not in the list"_s,
                       u"7 values that the form does not show: File, More PAD Fields shows them."_s};
    QTest::newRow("markup in a note")
        << QByteArray(rich).replace("<Program_Type>Shareware<", "<Program_Type>&lt;b&gt;Free&lt;/b&gt;<")
        << QStringList{u"Program Type: \"<b>Free</b>\" is not in the list"_s,
                       u"7 values that the form does not show: File, More PAD Fields shows them."_s};
    QTest::newRow("written by Generate") << readAll(testDataPath(u"writer/full-form.xml"_s)) << QStringList();
}

// An import that went well opens no box: what it has to say shows in the
// bar above the form until it is closed or the form changes files.
void TestUpdate::importSaysWhatTheFormDoesNotShow()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    const QString path = m_dir.filePath(u"notes.xml"_s);
    QVERIFY(writeFile(path, bytes));
    MainWindow window;
    QVERIFY(showActive(window));
    ModalDriver nothing;
    window.importFile(path);
    QTest::qWait(50);
    QVERIFY2(nothing.unexpected().isEmpty(), qPrintable(nothing.unexpected()));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    for (const QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(widget == &window || !widget->isVisible(), widget->metaObject()->className());
    QCOMPARE(window.updateTarget(), path);

    const auto *notes = control<MessageBar>(window, u"importNotes"_s);
    QCOMPARE(notes->isVisible(), !lines.isEmpty());
    QCOMPARE(importNotes(window), lines);
    QCOMPARE(notes->accessibleDescription(), lines.join(u'\n'));
    // Shown as plain text, markup and all.
    QCOMPARE(notes->textLabel()->textFormat(), Qt::PlainText);
    QCOMPARE(notes->textLabel()->text(), lines.join(u'\n'));
    QCOMPARE(statusMessage(window), QString());

    // The notes go with the file: Clear All takes them away.
    window.clearForm();
    QVERIFY(!notes->isVisible());
}

namespace {

// What a question says and which buttons it has.
struct Question
{
    QString text;
    QStringList buttons;
    Qt::TextFormat format = Qt::AutoText;
};

// The driver's next dialog is a question, answered by pressing key as a user does.
void answerByKey(ModalDriver &driver, QKeyCombination key, Question &asked)
{
    driver.then<QMessageBox>([&asked, key](QMessageBox *box) {
        asked.text = box->text();
        asked.format = box->findChild<QLabel *>(u"qt_msgbox_label"_s)->textFormat();
        for (QAbstractButton *button : box->buttons())
            asked.buttons << button->text();
        QApplication::setActiveWindow(box);
        if (!QTest::qWaitForWindowActive(box))
            QTest::qFail("the question never became active", __FILE__, __LINE__);
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        // A mnemonic clicks its button a moment later, as a click shows.
        QTRY_VERIFY(!box->isVisible());
    });
}

void pressGenerate(MainWindow &window)
{
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
}

} // namespace

// The notes' bar offers More PAD Fields where values are shown only there,
// closes with its button, and goes with the next import and with Generate.
void TestUpdate::importNotesBarGoesWithTheFile()
{
    const QString rich = copyOf(fixture(u"rich.xml"_s));
    const QString plain = copyOf(testDataPath(u"writer/full-form.xml"_s));
    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(rich);
    auto *bar = control<MessageBar>(window, u"importNotes"_s);
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->accessibleName(), u"Import notes"_s);
    auto *more = control<QPushButton>(window, u"importNotesMoreFields"_s);
    QCOMPARE(more->text(), u"More PAD Fields..."_s);

    ModalDriver driver;
    driver.then<QDialog>([](QDialog *dialog) {
        QCOMPARE(dialog->objectName(), u"MoreFieldsDialog"_s);
        dialog->reject();
    });
    QTest::mouseClick(more, Qt::LeftButton);
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QVERIFY(bar->isVisible());

    QTest::mouseClick(bar->closeButton(), Qt::LeftButton);
    QVERIFY(!bar->isVisible());
    QCOMPARE(importNotes(window), QStringList());

    // Back with the next import of that file; gone with one that has nothing to say.
    window.importFile(rich);
    QVERIFY(bar->isVisible());
    window.importFile(plain);
    QVERIFY(!bar->isVisible());
    QVERIFY(!window.findChild<QPushButton *>(u"importNotesMoreFields"_s));

    // Generate writes a new file: the notes were about the old one.
    window.importFile(rich);
    QVERIFY(bar->isVisible());
    ModalDriver save;
    Question asked;
    answerByKey(save, QKeyCombination(Qt::AltModifier, Qt::Key_G), asked);
    save.chooseFile(m_dir.filePath(u"generated.xml"_s));
    control<QPushButton>(window, u"generateButton"_s)->click();
    QVERIFY2(save.done() && save.unexpected().isEmpty(), qPrintable(save.unexpected()));
    QVERIFY(!bar->isVisible());
}

// A file without a release date leaves the field without one, never with
// the last file's: Update then asks for a date, Clear All keeps the field
// as it is, and the date the author chooses is the one written.
void TestUpdate::aDateTheFileDoesNotGiveIsTheAuthorsToChoose()
{
    const QString dated = copyOf(fixture(u"cdata-comments.xml"_s));
    const QByteArray bytes = readAll(dated);
    QByteArray undated = bytes;
    undated.replace("<Program_Release_Month>06</Program_Release_Month>", "<Program_Release_Month></Program_Release_Month>");
    undated.replace("<Program_Release_Day>03</Program_Release_Day>", "<Program_Release_Day/>");
    undated.replace("<Program_Release_Year>2025</Program_Release_Year>", "<Program_Release_Year></Program_Release_Year>");
    const QString path = copyOf(dated, u"undated.xml"_s);
    QVERIFY(writeFile(path, undated));

    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(dated);
    auto *date = control<CalendarDateEdit>(window, u"releaseDateEdit"_s);
    QCOMPARE(date->chosenDate(), QDate(2025, 6, 3));
    window.importFile(path);
    QVERIFY(!date->hasDate());
    QCOMPARE(date->text(), u"Not in the file: choose a date"_s);
    QVERIFY(date->toolTip().startsWith(u"Download sites require a release date"_s));
    QCOMPARE(window.gatherValues().releaseDate, QDate());

    ModalDriver driver;
    driver.answer(QMessageBox::Ok);
    updateAction(window)->trigger();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(driver.boxes().first().text, u"Release Date must be filled"_s);
    QCOMPARE(window.focusWidget()->objectName(), u"releaseDateEdit"_s);
    QCOMPARE(readAll(path), undated);

    // The field takes typing at once: a date typed as the field shows dates.
    const QDate typed(2024, 6, 15);
    QTest::keyClicks(window.focusWidget(), QLocale().toString(typed, date->displayFormat()));
    QCOMPARE(date->chosenDate(), typed);
    window.importFile(path);
    QVERIFY(!date->hasDate());

    window.clearForm();
    QVERIFY(!date->hasDate());

    // A step from no date lands on today, which Update then writes.
    window.importFile(path);
    date->setFocus();
    QTest::keyClick(date, Qt::Key_Up);
    QCOMPARE(date->chosenDate(), QDate::currentDate());
    QCOMPARE(date->toolTip(), Pad::formField(Pad::FieldKind::ReleaseDate).tip);
    ModalDriver none;
    updateAction(window)->trigger();
    QVERIFY2(none.unexpected().isEmpty(), qPrintable(none.unexpected()));
    QCOMPARE(statusMessage(window), u"Updated undated.xml: Release Date"_s);
    const std::optional<Pad::PadDocument> written = Pad::loadPadFile(path, QDate::currentDate(), nullptr);
    QVERIFY(written);
    QCOMPARE(written->imported.values.releaseDate, QDate::currentDate());
}

// In the field that reads "Not in the file: choose a date", the first key
// that types starts a date, so that a date typed as the field shows dates
// (in the desktop's language) comes out as typed, after Ctrl+A too.
void TestUpdate::typingStartsADate_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("selectAllFirst");
    QTest::addColumn<QDate>("date");
    for (const char *locale : {"en_GB", "en_US", "de_DE"}) {
        QTest::addRow("%s", locale) << QString::fromLatin1(locale) << false << QDate(2024, 6, 15);
        QTest::addRow("%s, one-digit day", locale) << QString::fromLatin1(locale) << false << QDate(2023, 11, 3);
        QTest::addRow("%s, after Ctrl+A", locale) << QString::fromLatin1(locale) << true << QDate(2024, 1, 31);
    }
}

void TestUpdate::typingStartsADate()
{
    QFETCH(QString, locale);
    QFETCH(bool, selectAllFirst);
    QFETCH(QDate, date);
    const QLocale before;
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
    QByteArray undated = readAll(fixture(u"cdata-comments.xml"_s));
    undated.replace("<Program_Release_Day>03</Program_Release_Day>", "<Program_Release_Day/>");
    const QString path = copyOf(fixture(u"cdata-comments.xml"_s), u"typed.xml"_s);
    QVERIFY(writeFile(path, undated));

    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(path);
    auto *edit = control<CalendarDateEdit>(window, u"releaseDateEdit"_s);
    QVERIFY(!edit->hasDate());
    edit->setFocus();
    if (selectAllFirst)
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    const QString shown = QLocale().toString(date, edit->displayFormat());
    QTest::keyClicks(edit, shown);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(window.gatherValues().releaseDate, date);
}

// Generate would write a new file without what the imported file holds
// beyond the form; it asks first, once, and offers to update that file instead.
void TestUpdate::generateAsksBeforeLeavingValuesOut_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("Return updates the file") << QKeyCombination(Qt::Key_Return) << u"update"_s;
    QTest::newRow("Alt+U updates the file") << QKeyCombination(Qt::ALT, Qt::Key_U) << u"update"_s;
    QTest::newRow("Alt+G generates anyway") << QKeyCombination(Qt::ALT, Qt::Key_G) << u"generate"_s;
    QTest::newRow("Escape cancels") << QKeyCombination(Qt::Key_Escape) << u"cancel"_s;
}

void TestUpdate::generateAsksBeforeLeavingValuesOut()
{
    QFETCH(QKeyCombination, key);
    QFETCH(QString, outcome);
    QByteArray bytes = readAll(fixture(u"rich.xml"_s));
    bytes.replace("WinXP,Win10,Win11", "WinXP,Amiga,Win10,Win11");
    const QString path = m_dir.filePath(u"%1-rich.xml"_s.arg(++m_copies));
    const QString generated = m_dir.filePath(u"%1-new.xml"_s.arg(m_copies));
    QVERIFY(writeFile(path, bytes));
    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(path);
    typeInto(window, u"programVersionEdit"_s, u"2.0"_s);

    ModalDriver driver;
    Question asked;
    answerByKey(driver, key, asked);
    if (outcome == u"generate")
        driver.typeFile(generated);
    pressGenerate(window);
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    // The file's 7 values beyond the form and the system the list lacks.
    QVERIFY2(asked.text.startsWith(u"%1 holds 8 values that Generate PAD would leave out"_s
                                       .arg(QFileInfo(path).fileName())),
             qPrintable(asked.text));
    QCOMPARE(asked.format, Qt::PlainText);
    QCOMPARE(asked.buttons, (QStringList{u"&Update %1"_s.arg(QFileInfo(path).fileName()),
                                         u"&Generate Anyway"_s, u"Cancel"_s}));

    if (outcome == u"update") {
        QCOMPARE(readAll(path), QByteArray(bytes).replace("<Program_Version>1.2.0<", "<Program_Version>2.0<"));
        QCOMPARE(statusMessage(window), u"Updated %1: Program Version"_s.arg(QFileInfo(path).fileName()));
        QVERIFY(!QFile::exists(generated));
        return;
    }
    QCOMPARE(readAll(path), bytes);
    if (outcome == u"cancel") {
        QVERIFY(!QFile::exists(generated));
        QCOMPARE(window.updateTarget(), path);
        return;
    }
    QVERIFY(QFile::exists(generated));
    QCOMPARE(window.updateTarget(), generated);
    // Asked once: Generate now goes straight to its dialog.
    ModalDriver again;
    again.cancelFileDialog();
    pressGenerate(window);
    QVERIFY2(again.done() && again.unexpected().isEmpty(), qPrintable(again.unexpected()));
}

// A file that holds nothing beyond the form, as Generate writes them, gives
// nothing to ask about.
void TestUpdate::generateAsksNothingOfAFileItWrote()
{
    const QString path = copyOf(testDataPath(u"writer/full-form.xml"_s));
    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(path);
    ModalDriver driver;
    driver.cancelFileDialog();
    pressGenerate(window);
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
}

// What the window's fields make of a real file's values changes nothing in
// it, not even a date the file does not give: the form then has none either.
void TestUpdate::samplesComeBackFromTheFormUnchanged_data()
{
    QTest::addColumn<QString>("path");
    if (!QDir(samplesDir()).exists())
        return;
    QStringList paths = QDir(samplesDir()).entryList({u"*.xml"_s}, QDir::Files, QDir::Name);
    for (const QString &name : std::as_const(paths)) {
        const QString path = QDir(samplesDir()).filePath(name);
        QString error;
        if (Pad::loadPadFile(path, QDate::currentDate(), &error))
            QTest::newRow(qPrintable(name)) << path;
    }
}

void TestUpdate::samplesComeBackFromTheFormUnchanged()
{
    if (!QDir(samplesDir()).exists())
        QSKIP("The real PAD files are not here: they live in ../shared/pad-samples beside the checkout.");
    QFETCH(QString, path);
    QString error;
    const std::optional<Pad::PadDocument> source = Pad::loadPadFile(path, QDate::currentDate(), &error);
    QVERIFY2(source, qPrintable(error));
    MainWindow window;
    window.applyImport(source->imported);
    const std::optional<Pad::PadUpdate> update =
        Pad::updatePad(*source, window.gatherValues(), Pad::OtherFieldEdits(), QDate::currentDate(), &error);
    QVERIFY2(update, qPrintable(error));
    QStringList changed;
    for (const Pad::FieldChange &change : update->changes)
        changed << change.field;
    QCOMPARE(changed, QStringList());
}

void TestUpdate::commandLineAsksForAnUpdate_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<bool>("dryRun");
    QTest::addColumn<QString>("said"); // part of what goes to the terminal

    using M = Cli::StartRequest::Mode;
    QTest::newRow("settings in order, a dry run")
        << QStringList{u"--set"_s, u"Program_Version=2.1"_s, u"--update"_s, u"pad.xml"_s,
                       u"--dry-run"_s, u"--set=Program_Version=2.2"_s}
        << int(M::Update) << QStringList{u"Program_Version=2.1"_s, u"Program_Version=2.2"_s} << true
        << QString();
    QTest::newRow("nothing to set") << QStringList{u"--update"_s, u"pad.xml"_s} << int(M::Update)
                                    << QStringList() << false << QString();
    QTest::newRow("no file") << QStringList{u"--update"_s} << int(M::Done) << QStringList() << false
                             << u"Missing value after '--update'"_s;
    QTest::newRow("two files") << QStringList{u"--update"_s, u"a.xml"_s, u"b.xml"_s} << int(M::Done)
                               << QStringList() << false << u"--update takes one FILE"_s;
    QTest::newRow("with --check") << QStringList{u"--update"_s, u"a.xml"_s, u"--check"_s}
                                  << int(M::Done) << QStringList() << false
                                  << u"--update takes one FILE"_s;
    QTest::newRow("--set alone") << QStringList{u"--set"_s, u"Keywords=x"_s, u"pad.xml"_s}
                                 << int(M::Done) << QStringList() << false
                                 << u"--set and --dry-run go with --update FILE"_s;
    QTest::newRow("help") << QStringList{u"--help"_s} << int(M::Done) << QStringList() << false
                          << u"quillet --update pad.xml --set Program_Version=2.1"_s;
}

void TestUpdate::commandLineAsksForAnUpdate()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    const Cli::StartRequest request = Cli::parseCommandLine(QStringList{u"quillet"_s} + arguments, out, err);
    QTEST(int(request.mode), "mode");
    QTEST(request.settings, "settings");
    QTEST(request.dryRun, "dryRun");
    if (request.mode == Cli::StartRequest::Mode::Update)
        QCOMPARE(request.files, QStringList{u"pad.xml"_s});
    if (said.isEmpty())
        QCOMPARE(outText + errText, QString());
    else
        QVERIFY2((outText + errText).contains(said), qPrintable(outText + errText));
    if (request.mode == Cli::StartRequest::Mode::Done)
        QCOMPARE(request.exitCode, said.startsWith(u"quillet") ? 0 : 2);
}

// The built program, with no display at all, on copies of the fixtures.
void TestUpdate::commandLine_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("arguments"); // after --update FILE
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // %1: the file
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("expected"); // the file afterwards; empty: as it was

    const QString rich = fixture(u"rich.xml"_s);
    QTest::newRow("release") << rich
                             << QStringList{u"--set"_s, u"Program_Version=1.3.0"_s, u"--set"_s,
                                            u"Program_Release_Date=2026-02-01"_s}
                             << 0 << u"Updated %1: Program Version, Release Date\n"_s << QString()
                             << u"version 1.3.0, date 02/01/2026"_s;
    QTest::newRow("dry run") << rich
                             << QStringList{u"--dry-run"_s, u"--set"_s, u"Program_Version=1.3.0"_s}
                             << 0 << u"Program Version: 1.2.0 -> 1.3.0\n"_s << QString()
                             << QString();
    QTest::newRow("nothing to change") << rich << QStringList{} << 0
                                       << u"Nothing changed in %1\n"_s << QString() << QString();
    QTest::newRow("a rule broken") << rich
                                   << QStringList{u"--set"_s, u"Contact_Email=jo"_s}
                                   << 1 << u"Updated %1: Contact E-mail\n%1: error: Contact E-mail: \"jo\" "_s
                                   << QString() << u"email jo"_s;
    QTest::newRow("an unknown field") << rich << QStringList{u"--set"_s, u"Version=2"_s} << 2
                                      << QString() << u"%1: --set Version=2: Version is not a field"_s
                                      << QString();
    QTest::newRow("refused by the reader") << testDataPath(u"reader/wrong-root.xml"_s)
                                           << QStringList{} << 2 << QString()
                                           << u"%1: its document element is <XML_PAD>"_s
                                           << QString();
}

void TestUpdate::commandLine()
{
    QFETCH(QString, source);
    QFETCH(QStringList, arguments);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, expected);
    const QString path = copyOf(source);
    const QByteArray before = readAll(path);

    QProcess quillet;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    quillet.setProcessEnvironment(environment);
    quillet.start(QStringLiteral(QUILLET_BINARY), QStringList{u"--update"_s, path} + arguments);
    QVERIFY(quillet.waitForFinished(20000));
    QCOMPARE(quillet.exitStatus(), QProcess::NormalExit);
    QTEST(quillet.exitCode(), "exitCode");
    const QString printed = QString::fromLocal8Bit(quillet.readAllStandardOutput());
    const QString complained = QString::fromLocal8Bit(quillet.readAllStandardError());
    if (out.isEmpty() || out.endsWith(u'\n'))
        QCOMPARE(printed, out.isEmpty() ? QString() : out.arg(path));
    else
        QVERIFY2(printed.startsWith(out.arg(path)), qPrintable(printed));
    if (err.isEmpty())
        QCOMPARE(complained, QString());
    else
        QVERIFY2(complained.startsWith(err.arg(path)), qPrintable(complained));

    const QByteArray after = readAll(path);
    if (expected.isEmpty()) {
        QCOMPARE(after, before);
    } else if (expected.startsWith(u"version")) {
        QByteArray wanted = before;
        wanted.replace("<Program_Version>1.2.0<", "<Program_Version>1.3.0<");
        wanted.replace("<Program_Release_Month>06<", "<Program_Release_Month>02<");
        wanted.replace("<Program_Release_Day>03<", "<Program_Release_Day>01<");
        wanted.replace("<Program_Release_Year>2025<", "<Program_Release_Year>2026<");
        QCOMPARE(after, wanted);
    } else {
        QByteArray wanted = before;
        wanted.replace("<Contact_Email>jo@smith.example.com<", "<Contact_Email>jo<");
        QCOMPARE(after, wanted);
    }
}

QTEST_MAIN(TestUpdate)
#include "tst_update.moc"
