// Quillet on the desktop: its command line (also without a display), files
// dropped from the file manager, File, Open Recent, and the standard shortcuts.
#include "commandline.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "padwriter.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>

using Pad::TextField;

namespace {

QString padFile(const QTemporaryDir &dir, const QString &name, const Pad::PadValues &values)
{
    const QString path = dir.filePath(name);
    return writeFile(path, Pad::padFileBytes(Pad::padFileLines(values))) ? path : QString();
}

// Drags the file onto target and drops it there, as the file manager does.
void dropFile(QWidget *target, const QString &path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    data.setText(QUrl::fromLocalFile(path).toString()); // file managers send the address as text too
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
}

QStringList recentEntries(MainWindow &window)
{
    auto *menu = control<QMenu>(window, QStringLiteral("openRecentMenu"));
    emit menu->aboutToShow();
    QStringList entries;
    for (QAction *action : menu->actions())
        entries << action->toolTip();
    return entries;
}

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void commandLine_data();
    void commandLine();
    void answersWithoutDisplay_data();
    void answersWithoutDisplay();
    void checkAsJson_data();
    void checkAsJson();
    void fileFromCommandLineImports();

    void droppedFile_data();
    void droppedFile();
    void droppedTextStaysText();

    void openRecentKeepsEightNewestFirst();
    void openRecentInFirstSession_data();
    void openRecentInFirstSession();
    void openRecentDropsVanishedFile();

    void shortcutsFireTheirActions_data();
    void shortcutsFireTheirActions();

private:
    QTemporaryDir m_dir;
};

void TestDesktop::initTestCase()
{
    prepareApplication();
    QVERIFY(m_dir.isValid());
}

void TestDesktop::init()
{
    QSettings().clear();
}

void TestDesktop::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    using M = Cli::StartRequest::Mode;
    QTest::newRow("nothing") << QStringList{} << int(M::Window) << QStringList{} << 0 << "" << "";
    QTest::newRow("a file") << QStringList{"pad.xml"} << int(M::Window) << QStringList{"pad.xml"} << 0
                            << "" << "";
    QTest::newRow("two files") << QStringList{"a.xml", "b.xml"} << int(M::Done) << QStringList{"a.xml", "b.xml"}
                               << 2 << "" << "one PAD file at a time";
    QTest::newRow("help") << QStringList{"--help"} << int(M::Done) << QStringList{} << 0 << "--check"
                          << "";
    QTest::newRow("version") << QStringList{"--version"} << int(M::Done) << QStringList{} << 0
                             << "Quillet 1.0.1.13\n" << "";
    QTest::newRow("check") << QStringList{"--check", "a.xml", "b.xml"} << int(M::Check)
                           << QStringList{"a.xml", "b.xml"} << 0 << "" << "";
    QTest::newRow("check without files") << QStringList{"--check"} << int(M::Done) << QStringList{} << 2
                                         << "" << "--check needs at least one FILE";
    QTest::newRow("check as JSON") << QStringList{"--check", "--json", "a.xml"} << int(M::Check)
                                   << QStringList{"a.xml"} << 0 << "" << "";
    QTest::newRow("JSON without check") << QStringList{"--json", "a.xml"} << int(M::Done)
                                        << QStringList{"a.xml"} << 2 << "" << "--json goes with --check";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << int(M::Done) << QStringList{} << 2
                                    << "" << "Unknown option 'frobnicate'";
    // Qt's own options, left to QApplication, with one dash or two, a value
    // apart or after "=".
    QTest::newRow("Qt's options and a file")
        << QStringList{"-style", "Fusion", "-reverse", "-stylesheet=look.qss", "--platformtheme",
                       "gtk3", "-qwindowgeometry", "640x480+0+0", "pad.xml"}
        << int(M::Window) << QStringList{"pad.xml"} << 0 << "" << "";
    QTest::newRow("Qt's options and a check")
        << QStringList{"-style", "Fusion", "--check", "a.xml", "-widgetcount"} << int(M::Check)
        << QStringList{"a.xml"} << 0 << "" << "";
    QTest::newRow("help with Qt's options")
        << QStringList{"--help-all"} << int(M::Done) << QStringList{} << 0
        << "  --stylesheet <stylesheet>" << "";
    QTest::newRow("a Qt option without its value")
        << QStringList{"pad.xml", "-style"} << int(M::Done) << QStringList{} << 2 << ""
        << "Missing value after '-style'";
}

void TestDesktop::commandLine()
{
    QFETCH(QStringList, arguments);
    QString outText, errText;
    QTextStream outStream(&outText), errStream(&errText);
    const Cli::StartRequest request =
        Cli::parseCommandLine(QStringList{QStringLiteral("quillet")} + arguments, outStream, errStream);
    QTEST(int(request.mode), "mode");
    QTEST(request.files, "files");
    QTEST(request.exitCode, "exitCode");
    QFETCH(QString, out);
    QFETCH(QString, err);
    QVERIFY2(outText.contains(out), qPrintable(outText));
    QVERIFY2(errText.contains(err), qPrintable(errText));
    if (out.isEmpty())
        QCOMPARE(outText, QString());
    if (err.isEmpty())
        QCOMPARE(errText, QString());
}

// The real program, with no display at all.
void TestDesktop::answersWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // %1: the test data folder

    const QString data = testDataPath(QStringLiteral("check/"));
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage:";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "Quillet 1.0.1.13\n";
    QTest::newRow("clean file") << QStringList{"--check", data + "clean.xml"} << 0 << "";
    QTest::newRow("refused file")
        << QStringList{"--check", data + "refused.xml"} << 2
        << data + "refused.xml: error: its document element is <XML_PAD>, not <XML_DIZ_INFO>\n";
    // Warnings and notes are printed and pass.
    QTest::newRow("advice only") << QStringList{"--check", data + "advice-only.xml"} << 0
                                 << data + "advice-only.xml: warning: Program Name: \"Widget 2.1\"";
    QTest::newRow("a note only")
        << QStringList{"--check", data + "note-only.xml"} << 0
        << data + "note-only.xml: note: OS Support: \"Amiga\" is not in the list\n";
    QTest::newRow("an error among advice")
        << QStringList{"--check", data + "advice-only.xml", data + "unknown-os.xml"} << 1
        << data + "unknown-os.xml: error: OS Support: must have at least one system ticked";
    QTest::newRow("window without display") << QStringList{} << 1 << "needs a graphical display";
    QTest::newRow("help with Qt's options")
        << QStringList{"--help-all"} << 0 << "  --platform <platformName[:options]>";
    QTest::newRow("a style and the version")
        << QStringList{"-style", "Fusion", "--version"} << 0 << "Quillet 1.0.1.13\n";
    QTest::newRow("Qt's options and a check")
        << QStringList{"-style=Fusion", "-reverse", "-platform", "offscreen", "--check",
                       data + "clean.xml"}
        << 0 << "";
    QTest::newRow("window with a style, without display")
        << QStringList{"-style", "Fusion"} << 1 << "needs a graphical display";
    QTest::newRow("window on X11, without display")
        << QStringList{"-platform", "xcb"} << 1 << "needs a graphical display";
}

void TestDesktop::answersWithoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    QProcess quillet;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    quillet.setProcessEnvironment(environment);
    quillet.start(QStringLiteral(QUILLET_BINARY), arguments);
    QVERIFY(quillet.waitForFinished(20000));
    QCOMPARE(quillet.exitStatus(), QProcess::NormalExit);
    QTEST(quillet.exitCode(), "exitCode");
    const QString printed = QString::fromLocal8Bit(quillet.readAllStandardOutput() + quillet.readAllStandardError());
    if (output.isEmpty())
        QCOMPARE(printed, QString());
    else if (output.endsWith(u'\n'))
        QCOMPARE(printed, output);
    else
        QVERIFY2(printed.contains(output), qPrintable(printed));
}

// The report a CI system reads: one JSON document on standard output,
// nothing else, and the same exit status as the lines.
void TestDesktop::checkAsJson_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QList<int>>("statuses");
    QTest::addColumn<int>("exitCode");

    const QString data = testDataPath(QStringLiteral("check/"));
    QTest::newRow("clean and advised") << QStringList{data + "clean.xml", data + "advice-only.xml"}
                                       << QList<int>{0, 0} << 0;
    QTest::newRow("with an error") << QStringList{data + "advice-only.xml", data + "broken-rules.xml"}
                                   << QList<int>{0, 1} << 1;
    QTest::newRow("with a refusal") << QStringList{data + "refused.xml", data + "broken-rules.xml"}
                                    << QList<int>{2, 1} << 2;
}

void TestDesktop::checkAsJson()
{
    QFETCH(QStringList, files);
    QFETCH(QList<int>, statuses);
    QFETCH(int, exitCode);

    QProcess quillet;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    quillet.setProcessEnvironment(environment);
    quillet.start(QStringLiteral(QUILLET_BINARY), QStringList{"--check", "--json"} + files);
    QVERIFY(quillet.waitForFinished(20000));
    QCOMPARE(quillet.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quillet.exitCode(), exitCode);
    QCOMPARE(quillet.readAllStandardError(), QByteArray());

    QJsonParseError error;
    const QJsonDocument report = QJsonDocument::fromJson(quillet.readAllStandardOutput(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray reported = report.object().value(QStringLiteral("files")).toArray();
    QCOMPARE(reported.size(), files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QJsonObject file = reported[i].toObject();
        QCOMPARE(file.value(QStringLiteral("file")).toString(), files[i]);
        QCOMPARE(file.value(QStringLiteral("status")).toInt(-1), statuses[i]);
        QCOMPARE(file.value(QStringLiteral("reason")).isNull(), statuses[i] != 2);
        for (const QJsonValue &problem : file.value(QStringLiteral("problems")).toArray()) {
            const QString severity = problem[QStringLiteral("severity")].toString();
            QVERIFY2(severity == "error" || severity == "warning" || severity == "note",
                     qPrintable(severity));
            QVERIFY(!problem[QStringLiteral("message")].toString().isEmpty());
        }
    }
}

void TestDesktop::fileFromCommandLineImports()
{
    const QString good = padFile(m_dir, QStringLiteral("given.xml"), completeForm());
    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(good);
    QCOMPARE(shownValues(window), completeForm());

    // A file that cannot be imported leaves the empty form and says why.
    MainWindow second;
    QVERIFY(showActive(second));
    const Pad::PadValues empty = shownValues(second);
    ModalDriver driver;
    driver.answer(QMessageBox::Ok);
    second.importFile(testDataPath(QStringLiteral("reader/wrong-root.xml")));
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(driver.boxes().first().title, QStringLiteral("Error"));
    QVERIFY(driver.boxes().first().text.contains(QStringLiteral("wrong-root.xml")));
    QCOMPARE(shownValues(second), empty);
}

void TestDesktop::droppedFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("fillsSize");
    QTest::newRow("on a label") << "companyNameLabel" << false;
    QTest::newRow("on a field") << "companyNameEdit" << false;
    QTest::newRow("on the description") << "descriptionEdit" << false;
    QTest::newRow("on the size button") << "fileSizeButton" << true;
    QTest::newRow("on the size field") << "fileSizeEdit" << true;
}

void TestDesktop::droppedFile()
{
    QFETCH(QString, target);
    QFETCH(bool, fillsSize);
    const QString path = padFile(m_dir, QStringLiteral("dropped.xml"), completeForm());
    MainWindow window;
    QVERIFY(showActive(window));
    QWidget *widget = control<QWidget>(window, target);
    if (auto *memo = qobject_cast<QPlainTextEdit *>(widget))
        widget = memo->viewport();
    dropFile(widget, path);

    if (fillsSize) {
        QTRY_COMPARE(fieldText(window, TextField::File_Size_Bytes),
                     QString::number(QFileInfo(path).size()));
        QCOMPARE(fieldText(window, TextField::Company_Name), QString());
    } else {
        QTRY_COMPARE(shownValues(window), completeForm());
        QCOMPARE(recentEntries(window), QStringList{path});
    }
}

void TestDesktop::droppedTextStaysText()
{
    MainWindow window;
    QVERIFY(showActive(window));
    auto *edit = control<QLineEdit>(window, QStringLiteral("companyNameEdit"));
    QMimeData data;
    data.setText(QStringLiteral("Dropped Text"));
    const QPoint at = edit->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit, &drop);
    QCOMPARE(edit->text(), QStringLiteral("Dropped Text"));
}

void TestDesktop::openRecentKeepsEightNewestFirst()
{
    MainWindow window;
    QVERIFY(showActive(window));
    QCOMPARE(recentEntries(window), QStringList{});
    QVERIFY(!control<QMenu>(window, QStringLiteral("openRecentMenu"))->isEnabled());

    QStringList imported;
    for (int i = 0; i < 10; ++i) {
        Pad::PadValues values = completeForm();
        values.text(TextField::Program_Version) = QString::number(i);
        imported.prepend(padFile(m_dir, QStringLiteral("recent%1.xml").arg(i), values));
        window.importFile(imported.first());
    }
    // Importing one again moves it to the top instead of listing it twice.
    QVERIFY(imported.at(5).endsWith(QStringLiteral("recent4.xml")));
    window.importFile(imported.at(5));
    imported.move(5, 0);
    QCOMPARE(recentEntries(window), imported.mid(0, 8));

    // A generated file joins the list, and the list outlives the window.
    const QString generated = m_dir.filePath(QStringLiteral("generated.xml"));
    ModalDriver driver;
    driver.chooseFile(generated);
    control<QPushButton>(window, QStringLiteral("generateButton"))->click();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    MainWindow later;
    QCOMPARE(recentEntries(later).first(), generated);

    // Choosing an entry imports that file.
    auto *menu = control<QMenu>(later, QStringLiteral("openRecentMenu"));
    emit menu->aboutToShow();
    menu->actions().at(1)->trigger();
    QCOMPARE(fieldText(later, TextField::Program_Version), QStringLiteral("4"));
}

// With empty settings, the first file imported or generated is on the menu
// at once, found by keyboard as a user does: Alt+F, then R.
void TestDesktop::openRecentInFirstSession_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("imported") << "import";
    QTest::newRow("generated") << "generate";
    QTest::newRow("dropped") << "drop";
    QTest::newRow("imported in another window") << "other window";
}

void TestDesktop::openRecentInFirstSession()
{
    QFETCH(QString, how);
    QVERIFY(QSettings().allKeys().isEmpty());
    MainWindow window;
    QVERIFY(showActive(window));
    auto *recent = control<QMenu>(window, QStringLiteral("openRecentMenu"));
    QVERIFY(!recent->isEnabled());

    const QString imported = padFile(m_dir, QStringLiteral("first.xml"), completeForm());
    QString listed = imported;
    if (how == QLatin1String("import")) {
        window.importFile(imported);
    } else if (how == QLatin1String("drop")) {
        dropFile(control<QWidget>(window, QStringLiteral("companyNameLabel")), imported);
        QTRY_COMPARE(shownValues(window), completeForm());
    } else if (how == QLatin1String("generate")) {
        listed = m_dir.filePath(QStringLiteral("first-generated.xml"));
        fillForm(window, completeForm());
        ModalDriver driver;
        driver.chooseFile(listed);
        control<QPushButton>(window, QStringLiteral("generateButton"))->click();
        QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    } else {
        MainWindow other;
        other.importFile(imported);
    }
    if (how != QLatin1String("other window"))
        QVERIFY(recent->isEnabled());
    // A closed dialog hands the focus back to the window.
    QVERIFY(showActive(window));

    QTest::keyClick(window.windowHandle(), Qt::Key_F, Qt::AltModifier);
    QTRY_COMPARE(QApplication::activePopupWidget(), control<QMenu>(window, QStringLiteral("fileMenu")));
    QTest::keyClick(window.windowHandle(), Qt::Key_R);
    QTRY_COMPARE(QApplication::activePopupWidget(), recent);
    QStringList entries;
    for (const QAction *action : recent->actions())
        entries << action->toolTip();
    QCOMPARE(entries, QStringList{listed});
    QVERIFY(recent->actions().constFirst()->isEnabled());

    // Return on the entry imports it again.
    window.clearForm();
    QTest::keyClick(window.windowHandle(), Qt::Key_Down);
    QTest::keyClick(window.windowHandle(), Qt::Key_Return);
    QTRY_COMPARE(QApplication::activePopupWidget(), nullptr);
    QTRY_COMPARE(fieldText(window, TextField::Company_Name),
                 completeForm().text(TextField::Company_Name));
}

void TestDesktop::openRecentDropsVanishedFile()
{
    const QString kept = padFile(m_dir, QStringLiteral("kept.xml"), completeForm());
    const QString vanishing = padFile(m_dir, QStringLiteral("vanishing.xml"), completeForm());
    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(kept);
    window.importFile(vanishing);
    QVERIFY(QFile::remove(vanishing));
    window.clearForm();

    auto *menu = control<QMenu>(window, QStringLiteral("openRecentMenu"));
    emit menu->aboutToShow();
    ModalDriver driver;
    driver.answer(QMessageBox::Ok);
    menu->actions().first()->trigger();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(driver.boxes().first().text,
             vanishing + QStringLiteral(" no longer exists; it has been taken off the list of recent files."));
    QCOMPARE(recentEntries(window), QStringList{kept});
    QCOMPARE(fieldText(window, TextField::Company_Name), QString());
}

void TestDesktop::shortcutsFireTheirActions_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("opens"); // the dialog that opens; empty: the window closes
    QTest::newRow("Ctrl+S generates") << QKeySequence(Qt::CTRL | Qt::Key_S) << "saveDialog";
    QTest::newRow("Ctrl+O imports") << QKeySequence(Qt::CTRL | Qt::Key_O) << "importDialog";
    QTest::newRow("F1 shows About") << QKeySequence(Qt::Key_F1) << "aboutDialog";
    QTest::newRow("Ctrl+Q exits") << QKeySequence(Qt::CTRL | Qt::Key_Q) << "";
}

void TestDesktop::shortcutsFireTheirActions()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QString, opens);
    MainWindow window;
    fillForm(window, completeForm());
    QVERIFY(showActive(window));
    control<QWidget>(window, QStringLiteral("companyNameEdit"))->setFocus();

    QString opened;
    ModalDriver driver;
    if (!opens.isEmpty()) {
        driver.then<QDialog>([&](QDialog *dialog) {
            opened = dialog->objectName();
            dialog->reject();
        });
    }
    QTest::keySequence(&window, keys);
    if (opens.isEmpty()) {
        QTRY_VERIFY(!window.isVisible());
    } else {
        QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
        QCOMPARE(opened, opens);
        QVERIFY(window.isVisible());
    }
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
