// File, Export: the dialog reached from the menu and driven by keys, the
// installer read with progress and a way to stop, Save, and the answers
// remembered for the program.
#include "exportdialog.h"
#include "exportfixture.h"
#include "hostileserver.h"
#include "modaldriver.h"
#include "windowsupport.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkProxy>
#include <QCryptographicHash>
#include <QProgressBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

QWidget *focused()
{
    return QApplication::focusWidget();
}

// The row of the values list for key: what is written and where it comes from.
QStringList row(const ExportDialog &dialog, const QString &key)
{
    const auto *values = control<QTreeWidget>(dialog, "exportValues");
    for (int i = 0; i < values->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = values->topLevelItem(i);
        if (item->text(0) == key)
            return {item->text(1), item->text(2)};
    }
    return {};
}

// Shows the dialog with the keyboard in it, as a desktop gives it.
bool showDialog(ExportDialog &dialog)
{
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    if (!QTest::qWaitForWindowActive(&dialog))
        return false;
    if (!focused())
        QTest::keyClick(&dialog, Qt::Key_Tab);
    return focused() != nullptr;
}

} // namespace

class TestExportDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareApplication(); }
    void init() { QSettings().clear(); }
    void menuOpensDialog_data();
    void menuOpensDialog();
    void answerReadAndSave();
    void stopReading();
    void unreadableInstaller();
    void downloadInstaller();
};

void TestExportDialog::menuOpensDialog_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("title");
    QTest::newRow("winget") << int(Qt::Key_W) << "Export: winget manifest";
    QTest::newRow("appstream") << int(Qt::Key_A) << "Export: AppStream metainfo";
}

// Alt+F, E and the catalog's letter open its dialog on the form's values;
// the File menu's other letters stay as they were.
void TestExportDialog::menuOpensDialog()
{
    QFETCH(int, key);
    QFETCH(QString, title);
    MainWindow window;
    fillForm(window, ownSource().form);
    QVERIFY(showActive(window));
    QString seenTitle;
    QStringList seenName;
    bool readsInstaller = false;
    ModalDriver driver;
    driver.then<ExportDialog>([&](ExportDialog *dialog) {
        seenTitle = dialog->windowTitle();
        readsInstaller = control<QPushButton>(*dialog, "exportReadInstaller")->isVisible();
        seenName = row(*dialog, dialog->plan().catalog == Export::Catalog::Winget ? "PackageName" : "name");
        dialog->reject();
    });
    QTest::keyClick(&window, Qt::Key_F, Qt::AltModifier);
    QVERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_E);
    QTRY_VERIFY(QApplication::activePopupWidget()
                && QApplication::activePopupWidget()->objectName() == u"exportMenu");
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key(key));
    QTRY_VERIFY(driver.done());
    QVERIFY2(driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(seenTitle, title);
    // Only winget's manifest describes the installer.
    QCOMPARE(readsInstaller, key == Qt::Key_W);
    QCOMPARE(seenName, (QStringList{"Widget: Notes", "PAD: Program Name"}));
    QTRY_COMPARE(QApplication::activePopupWidget(), nullptr);

    QStringList letters;
    for (QAction *action : window.menuBar()->actions().constFirst()->menu()->actions()) {
        const qsizetype at = action->text().indexOf(u'&');
        if (at >= 0)
            letters << action->text().mid(at + 1, 1).toLower();
    }
    QCOMPARE(letters, (QStringList{"g", "u", "i", "a", "o", "m", "e", "r", "x"}));
}

// The author answers what the PAD file lacks, reads the installer and
// saves, all from the keyboard; the next export of the program asks nothing.
void TestExportDialog::answerReadAndSave()
{
    QTemporaryDir dir;
    const QString installer = dir.filePath("widget-2.10.exe");
    QVERIFY(writeFile(installer, peFile(0x8664, {}, 1536)));
    const Export::ExportSource source = ownSource();
    {
        ExportDialog dialog(Export::Catalog::Winget, source);
        QVERIFY(showDialog(dialog));
        auto *save = control<QPushButton>(dialog, "exportSave");
        QCOMPARE(row(dialog, "Installers/InstallerSha256").constFirst(), u"Missing");
        QVERIFY(!save->isEnabled());

        QTest::keyClick(focused(), Qt::Key_I, Qt::AltModifier);
        QCOMPARE(focused(), control<QLineEdit>(dialog, "answer-id"));
        QCOMPARE(control<QLineEdit>(dialog, "answer-id")->placeholderText(), u"TarnwickTools.WidgetNotes");
        QTest::keyClicks(focused(), "Tarnwick.Widget");
        QCOMPARE(row(dialog, "PackageIdentifier"), (QStringList{"Tarnwick.Widget", "your answer"}));

        ModalDriver driver;
        driver.chooseFile(installer);
        QTest::keyClick(focused(), Qt::Key_R, Qt::AltModifier);
        QTRY_VERIFY(driver.done());
        // A desktop gives the keyboard back to the dialog when the file dialog closes.
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTRY_VERIFY(!dialog.isReadingInstaller());
        QCOMPARE(focused(), control<QPushButton>(dialog, "exportReadInstaller"));
        QCOMPARE(row(dialog, "Installers/Architecture"), (QStringList{"x64", "the installer"}));
        QCOMPARE(row(dialog, "Installers/InstallerType"), (QStringList{"exe", "the installer"}));
        // A plain exe: the switches are asked before anything is saved.
        QVERIFY(!save->isEnabled());
        QVERIFY(control<QPlainTextEdit>(dialog, "exportNotes")->toPlainText().contains(u"a plain exe installer needs"));
        QTest::keyClick(focused(), Qt::Key_W, Qt::AltModifier);
        QTest::keyClicks(focused(), "/S");
        QVERIFY(save->isEnabled());

        QTest::keyClick(focused(), Qt::Key_F, Qt::AltModifier);
        QCOMPARE(focused(), control<QLineEdit>(dialog, "exportFolder"));
        focused()->setProperty("text", QString());
        QTest::keyClicks(focused(), dir.filePath("out"));
        QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier);
        const QString folder = dir.filePath("out/manifests/t/Tarnwick/Widget/2.10/");
        QTRY_VERIFY(QFileInfo::exists(folder + "Tarnwick.Widget.installer.yaml"));
        const QString saved = control<QLabel>(dialog, "exportSaved")->text();
        QVERIFY2(saved.contains(QDir::toNativeSeparators(folder + "Tarnwick.Widget.locale.en-US.yaml")), qPrintable(saved));
        QVERIFY(readAll(folder + "Tarnwick.Widget.installer.yaml").contains("Silent: /S"));
        QTest::keyClick(focused(), Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
    }
    // The same program again: its answers and folder come back.
    ExportDialog again(Export::Catalog::Winget, source);
    QCOMPARE(control<QLineEdit>(again, "answer-id")->text(), u"Tarnwick.Widget");
    QCOMPARE(control<QLineEdit>(again, "answer-silent")->text(), u"/S");
    QCOMPARE(control<QLineEdit>(again, "exportFolder")->text(), dir.filePath("out"));
    // Another program asks afresh.
    Export::ExportSource other = source;
    other.form.text(Pad::TextField::Application_XML_File_URL) = "https://example.net/pad.xml";
    ExportDialog fresh(Export::Catalog::Winget, other);
    QCOMPARE(control<QLineEdit>(fresh, "answer-id")->text(), QString());
}

// Reading goes a chunk at a time, so the dialog keeps answering; Stop ends
// it and leaves the installer unread.
void TestExportDialog::stopReading()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("large.exe");
    QFile large(path);
    QVERIFY(large.open(QIODevice::WriteOnly));
    QVERIFY(large.resize(512LL * 1024 * 1024));
    large.close();
    ExportDialog dialog(Export::Catalog::Winget, ownSource());
    QVERIFY(showDialog(dialog));
    dialog.readInstaller(std::make_unique<Export::LocalInstallerSource>(path));
    auto *progress = control<QProgressBar>(dialog, "exportProgress");
    QTRY_VERIFY(progress->value() > 0);
    QVERIFY(dialog.isReadingInstaller());
    QCOMPARE(focused(), control<QPushButton>(dialog, "exportStopReading"));
    QTest::keyClick(focused(), Qt::Key_T, Qt::AltModifier);
    QTRY_VERIFY(!dialog.isReadingInstaller());
    QVERIFY(!progress->isVisible());
    QCOMPARE(row(dialog, "Installers/InstallerSha256").constFirst(), u"Missing");
    QVERIFY(control<QLabel>(dialog, "exportInstaller")->text().contains(u"stopped"));
}

void TestExportDialog::unreadableInstaller()
{
    QTemporaryDir dir;
    ExportDialog dialog(Export::Catalog::Winget, ownSource());
    QVERIFY(showDialog(dialog));
    dialog.readInstaller(std::make_unique<Export::LocalInstallerSource>(dir.filePath("missing.exe")));
    QTRY_VERIFY(!dialog.isReadingInstaller());
    QVERIFY2(control<QLabel>(dialog, "exportInstaller")->text().startsWith(u"Cannot read the installer"),
             qPrintable(control<QLabel>(dialog, "exportInstaller")->text()));
    QVERIFY(!control<QPushButton>(dialog, "exportSave")->isEnabled());
}

// Download It reads the installer from the PAD file's address, hashing it as
// it comes; Stop ends a download that stalls. Without an http address the
// button is off.
void TestExportDialog::downloadInstaller()
{
    const QByteArray bytes = peFile(0x8664, {}, 2 * 1024 * 1024 + 5);
    HostileServer served(HostileServer::Behaviour::Served, 0, bytes);
    HostileServer stalls(HostileServer::Behaviour::Stalls, bytes.size());
    Online::FetchSettings settings;
    settings.proxy = QNetworkProxy(QNetworkProxy::NoProxy);
    settings.allowPrivateAddresses = true; // the test's servers are on 127.0.0.1
    Export::ExportSource source = ownSource();
    source.form.text(Pad::TextField::File_Size_Bytes) = QString::number(bytes.size());

    source.form.text(Pad::TextField::Primary_Download_URL) = served.url("widget-2.10.exe");
    {
        ExportDialog dialog(Export::Catalog::Winget, source, settings);
        QVERIFY(showDialog(dialog));
        QTest::keyClick(focused(), Qt::Key_D, Qt::AltModifier);
        // A mnemonic clicks after a moment, and a local download is over as soon.
        QTRY_VERIFY(row(dialog, "Installers/InstallerSha256").constFirst() != u"Missing");
        QVERIFY(!dialog.isReadingInstaller());
        const QString sha = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toUpper());
        QCOMPARE(row(dialog, "Installers/InstallerSha256"), (QStringList{sha, "the installer"}));
        QCOMPARE(row(dialog, "Installers/Architecture"), (QStringList{"x64", "the installer"}));
        QVERIFY(control<QLabel>(dialog, "exportInstaller")->text().contains(served.url("widget-2.10.exe")));
    }

    source.form.text(Pad::TextField::Primary_Download_URL) = stalls.url("widget-2.10.exe");
    {
        ExportDialog dialog(Export::Catalog::Winget, source, settings);
        QVERIFY(showDialog(dialog));
        QTest::keyClick(focused(), Qt::Key_D, Qt::AltModifier);
        QTRY_VERIFY(control<QProgressBar>(dialog, "exportProgress")->value() > 0);
        QCOMPARE(focused(), control<QPushButton>(dialog, "exportStopReading"));
        QTest::keyClick(focused(), Qt::Key_T, Qt::AltModifier);
        QTRY_VERIFY(!dialog.isReadingInstaller());
        QCOMPARE(row(dialog, "Installers/InstallerSha256").constFirst(), u"Missing");
    }

    source.form.text(Pad::TextField::Primary_Download_URL) = "ftp://example.com/widget.exe";
    ExportDialog dialog(Export::Catalog::Winget, source, settings);
    QVERIFY(!control<QPushButton>(dialog, "exportDownloadInstaller")->isEnabled());
}

QTEST_MAIN(TestExportDialog)
#include "tst_exportdialog.moc"
