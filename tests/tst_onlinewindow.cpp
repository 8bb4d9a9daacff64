// File, Check Online and File, Import from Address in the real window,
// driven by keys, against web servers of the test's own on 127.0.0.1.
#include "addressimport.h"
#include "modaldriver.h"
#include "morefieldsdialog.h"
#include "onlinecheckwindow.h"
#include "onlineserver.h"
#include "padwriter.h"
#include "windowsupport.h"

#include <QCheckBox>
#include <QClipboard>
#include <QInputDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using Pad::TextField;

Q_DECLARE_METATYPE(Answer)

namespace {

Online::FetchSettings testSettings()
{
    Online::FetchSettings settings;
    settings.proxy = QNetworkProxy(QNetworkProxy::NoProxy);
    settings.timeoutMs = 5000;
    settings.allowPrivateAddresses = true; // the test servers are on 127.0.0.1
    return settings;
}

// A form whose four addresses are on server: the program's page, the PAD
// file (served as the form would write it), the download (of the form's
// size) and a screenshot the server lacks.
Pad::PadValues formOn(TestWebServer &server)
{
    Pad::PadValues values = completeForm();
    values.text(TextField::Company_Website_URL) = server.url(u"company"_s);
    values.text(TextField::Application_Info_URL) = server.url(u"info"_s);
    values.text(TextField::Application_XML_File_URL) = server.url(u"pad.xml"_s);
    values.text(TextField::Primary_Download_URL) = server.url(u"setup.exe"_s);
    values.text(TextField::Application_Screenshot_URL) = server.url(u"missing.png"_s);
    values.text(TextField::File_Size_Bytes) = u"4096"_s;
    server.set(u"company"_s, Answer{.body = "<html>Smith</html>", .contentType = "text/html"});
    server.set(u"info"_s, Answer{.body = "<html>Widget</html>", .contentType = "text/html"});
    server.set(u"pad.xml"_s, Answer{.body = Pad::padFileBytes(Pad::padFileLines(values)), .contentType = "text/xml"});
    server.set(u"setup.exe"_s, Answer{.body = QByteArray(4096, 'x')});
    return values;
}

// The rows of the check's list: result, field and address.
QStringList rows(const OnlineCheckWindow &check)
{
    QStringList listed;
    const QTreeWidget *list = check.resultList();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        listed << row->text(0) + u" | "_s + row->text(1) + u" | "_s + row->text(2);
    }
    listed.sort();
    return listed;
}

// The driver's next dialog asks for an address: it is typed, and Return pressed.
void typeAddress(ModalDriver &driver, const QString &address)
{
    driver.then<AddressDialog>([address](AddressDialog *dialog) {
        auto *edit = dialog->findChild<QLineEdit *>(u"addressEdit"_s);
        QTest::keyClicks(edit, address);
        QTest::keyClick(edit, Qt::Key_Return);
    });
}

void pressCheckOnline(MainWindow &window)
{
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_L, Qt::ControlModifier);
}

// Moves the list's current row down to the first row whose field is named field.
bool moveTo(QTreeWidget *list, const QString &field)
{
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->currentItem() && list->currentItem()->text(1) == field)
            return true;
        QTest::keyClick(list, Qt::Key_Down);
    }
    return list->currentItem() && list->currentItem()->text(1) == field;
}

} // namespace

class TestOnlineWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void checkFillsTheListAndARowLeadsToItsField();
    void cancelStopsTheCheck();
    void aRowOfAnotherFieldOpensMoreFields();
    void importFromAddress_data();
    void importFromAddress();
    void importFromAddressCanBeCancelled();
    void privateAddressesNeedTheBox();
    void importFromAddressWaitsForTheUpdatesQuestion();

private:
    QTemporaryDir m_dir;
};

void TestOnlineWindow::initTestCase()
{
    prepareApplication();
    QVERIFY(m_dir.isValid());
}

void TestOnlineWindow::checkFillsTheListAndARowLeadsToItsField()
{
    TestWebServer server;
    QVERIFY(server.isListening());
    MainWindow window;
    window.setFetchSettings(testSettings());
    fillForm(window, formOn(server));
    QVERIFY(showActive(window));

    pressCheckOnline(window);
    OnlineCheckWindow *check = window.onlineCheckWindow();
    QVERIFY(check);
    QVERIFY(check->isVisible());
    QVERIFY(!check->isModal());
    QTRY_VERIFY(!check->isRunning());
    QCOMPARE(rows(*check),
             (QStringList{u"Error | Application Screenshot URL | "_s + server.url(u"missing.png"_s),
                          u"OK | Application Info URL | "_s + server.url(u"info"_s),
                          u"OK | Company Website | "_s + server.url(u"company"_s),
                          u"OK | PAD XML File URL | "_s + server.url(u"pad.xml"_s),
                          u"Warning | Primary Download URL | "_s + server.url(u"setup.exe"_s)}));
    const auto *progress = check->findChild<QProgressBar *>(u"onlineCheckProgress"_s);
    QCOMPARE(progress->value(), progress->maximum());
    QVERIFY2(check->findChild<QLabel *>(u"onlineCheckStatus"_s)->text().startsWith(u"Checked 5 addresses. 1 error"_s),
             qPrintable(check->findChild<QLabel *>(u"onlineCheckStatus"_s)->text()));

    // The last column says what was found, the field and the address having
    // their own, each as wide as its contents; the whole finding is the tooltip.
    const QTreeWidget *list = check->resultList();
    const QList<QTreeWidgetItem *> errors = list->findItems(u"Error"_s, Qt::MatchExactly, 0);
    QCOMPARE(errors.size(), 1);
    const QTreeWidgetItem *error = errors.first();
    QCOMPARE(error->text(3), u"answers 404 Not Found"_s);
    const QString whole = u"Application Screenshot URL: \""_s + server.url(u"missing.png"_s)
        + u"\" answers 404 Not Found"_s;
    QCOMPARE(error->toolTip(3), whole);
    for (const int column : {1, 2}) {
        QVERIFY2(list->columnWidth(column) >= list->fontMetrics().horizontalAdvance(error->text(column)),
                 qPrintable(error->text(column)));
    }

    // Copied, every row comes along as text, each finding whole.
    QTest::keyClick(check->resultList(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(check->resultList(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text().split(u'\n').size(), 5);
    QVERIFY(QApplication::clipboard()->text().contains(u"\t"_s + whole));

    // The main window stays usable, and Return on a row puts the cursor in its field.
    QVERIFY(window.isEnabled());
    QVERIFY(moveTo(check->resultList(), u"Application Screenshot URL"_s));
    QTest::keyClick(check->resultList(), Qt::Key_Return);
    QTRY_COMPARE(QApplication::focusWidget(), control<QWidget>(window, u"screenshotUrlEdit"_s));

    // A second check replaces the first, in the same window.
    server.set(u"missing.png"_s, Answer{.status = 404, .body = "<html>still not here</html>", .contentType = "text/html"});
    typeInto(window, Pad::objectName(TextField::Application_Screenshot_URL), server.url(u"gone.png"_s));
    pressCheckOnline(window);
    QCOMPARE(window.onlineCheckWindow(), check);
    QTRY_VERIFY(!check->isRunning());
    QCOMPARE(rows(*check).first(), u"Error | Application Screenshot URL | "_s + server.url(u"gone.png"_s));
    QCOMPARE(rows(*check).size(), 5);

    // Escape closes it.
    check->activateWindow();
    QTest::keyClick(check->resultList(), Qt::Key_Escape);
    QVERIFY(!check->isVisible());
}

void TestOnlineWindow::cancelStopsTheCheck()
{
    TestWebServer server;
    QVERIFY(server.isListening());
    MainWindow window;
    window.setFetchSettings(testSettings());
    const Pad::PadValues values = formOn(server);
    for (const QString &path : {u"company"_s, u"info"_s, u"pad.xml"_s, u"setup.exe"_s})
        server.set(path, Answer{.body = "<html>late</html>", .contentType = "text/html", .hold = true});
    fillForm(window, values);
    QVERIFY(showActive(window));

    pressCheckOnline(window);
    OnlineCheckWindow *check = window.onlineCheckWindow();
    QTRY_VERIFY(server.held() > 0);
    QVERIFY(check->isRunning());
    auto *cancel = control<QPushButton>(*check, u"onlineCheckCancel"_s);
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Space);
    QVERIFY(!check->isRunning());
    QVERIFY(!cancel->isEnabled());
    const QString status = check->findChild<QLabel *>(u"onlineCheckStatus"_s)->text();
    QVERIFY2(status.startsWith(u"Cancelled: "_s), qPrintable(status));
    const QStringList before = rows(*check);
    server.release();
    QTest::qWait(100);
    QCOMPARE(rows(*check), before);
}

// A finding on a field that only More PAD Fields shows opens the dialog there.
void TestOnlineWindow::aRowOfAnotherFieldOpensMoreFields()
{
    TestWebServer server;
    QVERIFY(server.isListening());
    const QString icon = u"Web_Info/Application_URLs/Application_Icon_URL"_s;
    QByteArray bytes = readAll(testDataPath(u"update/other-fields.xml"_s));
    bytes.replace("</Application_URLs>", "\t<Application_Icon_URL>" + server.url(u"icon.png"_s).toUtf8()
                                             + "</Application_Icon_URL>\r\n\t\t</Application_URLs>");
    const QString path = m_dir.filePath(u"icon.xml"_s);
    QVERIFY(writeFile(path, bytes));
    MainWindow window;
    window.setFetchSettings(testSettings());
    QVERIFY(showActive(window));
    window.importFile(path);

    pressCheckOnline(window);
    OnlineCheckWindow *check = window.onlineCheckWindow();
    QTRY_VERIFY(!check->isRunning());
    QVERIFY(moveTo(check->resultList(), u"Icon URL"_s));
    QWidget *focused = nullptr;
    ModalDriver driver;
    driver.then<MoreFieldsDialog>([&](MoreFieldsDialog *dialog) {
        focused = dialog->focusWidget();
        QCOMPARE(focused, dialog->editor(icon));
        QVERIFY(focused->isVisible());
        dialog->reject();
    });
    QTest::keyClick(check->resultList(), Qt::Key_Return);
    QTRY_VERIFY(driver.done());
    QVERIFY2(driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QVERIFY(focused);
}

void TestOnlineWindow::importFromAddress_data()
{
    QTest::addColumn<QString>("path");      // on the server; empty: the address typed is "text"
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("text");      // the address typed, when not on the server
    QTest::addColumn<QString>("refusal");   // part of the box's text; empty: imported

    const QByteArray rich = readAll(testDataPath(u"update/rich.xml"_s));
    QTest::newRow("a PAD file") << u"pad.xml"_s << Answer{.body = rich, .contentType = "text/xml"} << QString()
                                << QString();
    QTest::newRow("not found") << u"gone.xml"_s
                               << Answer{.status = 404, .body = "<html>no</html>", .contentType = "text/html"}
                               << QString() << u"answers 404"_s;
    QTest::newRow("a page") << u"page.xml"_s
                            << Answer{.body = "<html><body>Download</body></html>", .contentType = "text/html"}
                            << QString() << u"serves an HTML page, not a PAD file"_s;
    QTest::newRow("no web address") << QString() << Answer() << u"ftp://example.invalid/pad.xml"_s
                                    << u"the address is a ftp: address"_s;
}

// File, Import from Address reads the file into the form as Import does,
// binding the form to no file; a refusal says why and changes nothing.
void TestOnlineWindow::importFromAddress()
{
    QFETCH(QString, path);
    QFETCH(Answer, answer);
    QFETCH(QString, text);
    QFETCH(QString, refusal);
    TestWebServer server;
    QVERIFY(server.isListening());
    if (!path.isEmpty())
        server.set(path, answer);
    const QString address = path.isEmpty() ? text : server.url(path);

    MainWindow window;
    window.setFetchSettings(testSettings());
    const Pad::PadValues before = completeForm();
    fillForm(window, before);
    QVERIFY(showActive(window));

    ModalDriver driver;
    typeAddress(driver, address);
    if (!refusal.isEmpty())
        driver.answer(QMessageBox::Ok);
    // Alt+F, then A, as from the keyboard.
    QTest::keyClick(&window, Qt::Key_F, Qt::AltModifier);
    QVERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_A);
    QTRY_VERIFY(driver.done());
    QVERIFY2(driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(QApplication::activePopupWidget(), nullptr);

    if (!refusal.isEmpty()) {
        QCOMPARE(driver.boxes().first().title, u"Error"_s);
        QVERIFY2(driver.boxes().first().text.startsWith(u"Cannot import \""_s + address + u"\": "_s),
                 qPrintable(driver.boxes().first().text));
        QVERIFY2(driver.boxes().first().text.contains(refusal), qPrintable(driver.boxes().first().text));
        QCOMPARE(shownValues(window), before);
        QCOMPARE(window.updateTarget(), QString());
        return;
    }
    QString reason;
    const std::optional<Pad::PadDocument> expected = Pad::loadPad(answer.body, QDate::currentDate(), &reason);
    QVERIFY2(expected, qPrintable(reason));
    QTRY_COMPARE(shownValues(window), expected->imported.values);
    QCOMPARE(window.otherFields(), expected->otherFields);
    QCOMPARE(importNotes(window).constLast(),
             u"%1 values that the form does not show: File, More PAD Fields shows them."_s.arg(expected->unshownValues));
    // Bound to no file: Update has nowhere to write, and Generate asks where to save.
    QCOMPARE(window.updateTarget(), QString());
    QVERIFY(!control<QAction>(window, u"updateAction"_s)->isEnabled());
    ModalDriver save;
    save.cancelFileDialog();
    control<QPushButton>(window, u"generateButton"_s)->click();
    QVERIFY2(save.done() && save.unexpected().isEmpty(), qPrintable(save.unexpected()));
}

// A server that holds its answer: the bar says the file is being read, and
// its Cancel stops the reading with the form as it was.
void TestOnlineWindow::importFromAddressCanBeCancelled()
{
    TestWebServer server;
    QVERIFY(server.isListening());
    server.set(u"slow.xml"_s, Answer{.body = readAll(testDataPath(u"update/rich.xml"_s)), .contentType = "text/xml",
                                     .hold = true});
    MainWindow window;
    window.setFetchSettings(testSettings());
    const Pad::PadValues before = completeForm();
    fillForm(window, before);
    QVERIFY(showActive(window));

    ModalDriver driver;
    typeAddress(driver, server.url(u"slow.xml"_s));
    control<QAction>(window, u"importFromAddressAction"_s)->trigger();
    QTRY_VERIFY(server.held() > 0);
    QCOMPARE(importNotes(window), QStringList{u"Reading the PAD file at %1..."_s.arg(server.url(u"slow.xml"_s))});
    QVERIFY(window.isEnabled());
    QTest::mouseClick(control<QPushButton>(window, u"addressImportCancel"_s), Qt::LeftButton);
    QCOMPARE(importNotes(window), QStringList());
    server.release();
    QTest::qWait(100);
    QCOMPARE(shownValues(window), before);
    QVERIFY2(driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
}

// Without the settings' leave, addresses on 127.0.0.1 are errors and never
// fetched; ticking the box (Alt+P) in Check Online checks them again, and in
// Import from Address reads the file.
void TestOnlineWindow::privateAddressesNeedTheBox()
{
    TestWebServer server;
    QVERIFY(server.isListening());
    Online::FetchSettings settings = testSettings();
    settings.allowPrivateAddresses = false;
    MainWindow window;
    window.setFetchSettings(settings);
    fillForm(window, formOn(server));
    QVERIFY(showActive(window));

    pressCheckOnline(window);
    OnlineCheckWindow *check = window.onlineCheckWindow();
    QTRY_VERIFY(!check->isRunning());
    const QTreeWidget *list = check->resultList();
    // Each of the five addresses, and the download's plain http besides.
    const QList<QTreeWidgetItem *> errors = list->findItems(u"Error"_s, Qt::MatchExactly, 0);
    QCOMPARE(errors.size(), 5);
    for (const QTreeWidgetItem *error : errors)
        QCOMPARE(error->text(3), u"points at a private network address that download sites cannot reach; not fetched"_s);
    QCOMPARE(server.requests().size(), 0);
    QApplication::setActiveWindow(check);
    QTest::keyClick(check->windowHandle(), Qt::Key_P, Qt::AltModifier);
    QTRY_VERIFY(check->privateAddressesBox()->isChecked()); // a mnemonic clicks after a moment
    QTRY_VERIFY(!check->isRunning());
    QCOMPARE(rows(*check).first(), u"Error | Application Screenshot URL | "_s + server.url(u"missing.png"_s));
    QCOMPARE(rows(*check).filter(u"OK | "_s).size(), 3);

    server.set(u"pad.xml"_s, Answer{.body = readAll(testDataPath(u"update/rich.xml"_s)), .contentType = "text/xml"});
    ModalDriver refused;
    typeAddress(refused, server.url(u"pad.xml"_s));
    refused.answer(QMessageBox::Ok);
    control<QAction>(window, u"importFromAddressAction"_s)->trigger();
    QTRY_VERIFY(refused.done());
    QVERIFY2(refused.boxes().first().text.endsWith(
                 u"points at a private network address that download sites cannot reach; not fetched"_s),
             qPrintable(refused.boxes().first().text));

    const int fetched = server.requestsFor(u"pad.xml"_s); // by the check
    ModalDriver allowed;
    allowed.then<AddressDialog>([](AddressDialog *dialog) {
        auto *edit = dialog->findChild<QLineEdit *>(u"addressEdit"_s);
        QCOMPARE(QApplication::focusWidget(), edit); // the last address, ready to take Return
        QTest::keyClick(dialog->windowHandle(), Qt::Key_P, Qt::AltModifier);
        QTRY_VERIFY(dialog->allowPrivateAddresses());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    control<QAction>(window, u"importFromAddressAction"_s)->trigger();
    QTRY_VERIFY(allowed.done());
    QVERIFY2(allowed.unexpected().isEmpty(), qPrintable(allowed.unexpected()));
    QTRY_COMPARE(window.otherFields().values.isEmpty(), false);
    QCOMPARE(server.requestsFor(u"pad.xml"_s), fetched + 1);
}

// An action holds its file from start to end: a read from an address that
// lands while Update asks whether to write into a file changed on disk
// waits until Update is done, and the file Update asked about is the one it
// writes.
void TestOnlineWindow::importFromAddressWaitsForTheUpdatesQuestion()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"A.xml"_s);
    const QByteArray rich = readAll(testDataPath(u"update/rich.xml"_s));
    QVERIFY(writeFile(path, rich));
    TestWebServer server;
    QVERIFY(server.isListening());
    const QByteArray fetched = readAll(testDataPath(u"update/other-fields.xml"_s));
    server.set(u"slow.xml"_s, Answer{.body = fetched, .contentType = "text/xml", .hold = true});

    MainWindow window;
    window.setFetchSettings(testSettings());
    QVERIFY(showActive(window));
    window.importFile(path);
    const Pad::PadValues form = shownValues(window);
    QByteArray changed = rich;
    changed.replace("<Program_Version>1.2.0<", "<Program_Version>1.2.1<");
    QVERIFY(writeFile(path, changed));

    ModalDriver driver;
    typeAddress(driver, server.url(u"slow.xml"_s));
    control<QAction>(window, u"importFromAddressAction"_s)->trigger();
    QTRY_VERIFY(server.held() > 0);
    QVERIFY(driver.done());

    // While the question is open, the answer comes and the read lands.
    driver.then<QMessageBox>([&](QMessageBox *box) {
        QVERIFY(box->text().startsWith(u"A.xml has changed on disk since it was read."_s));
        server.release();
        QTRY_COMPARE(importNotes(window), QStringList());
        QCOMPARE(window.updateTarget(), path);
        QCOMPARE(shownValues(window), form);
        QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
    });
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
    QVERIFY(driver.done());
    QVERIFY2(driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);

    // The form's values went into A.xml, and only then did the read take over.
    const std::optional<Pad::PadDocument> written = Pad::loadPadFile(path, QDate::currentDate(), nullptr);
    QVERIFY(written);
    QCOMPARE(written->imported.values, form);
    const std::optional<Pad::PadDocument> read = Pad::loadPad(fetched, QDate::currentDate(), nullptr);
    QCOMPARE(shownValues(window), read->imported.values);
    QCOMPARE(window.updateTarget(), QString());
    QCOMPARE(importNotes(window).constFirst(),
             u"Read from %1. No file is bound to the form: Generate PAD asks where to save it."_s.arg(
                 server.url(u"slow.xml"_s)));
}

QTEST_MAIN(TestOnlineWindow)
#include "tst_onlinewindow.moc"
