// Importing through the window: a generated file comes back whole, a refused
// file changes nothing, and what the form cannot show is said.
#include "mainwindow.h"
#include "modaldriver.h"
#include "padreader.h"
#include "padupdate.h"
#include "padwriter.h"
#include "startup.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QDirIterator>
#include <QPushButton>
#include <QLabel>
#include <QListWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QTemporaryDir>

using Pad::TextField;

namespace {

// Something else in every field, so an import that skips one shows.
Pad::PadValues otherForm()
{
    Pad::PadValues v;
    for (QString &text : v.texts)
        text = QStringLiteral("left over");
    v.releaseDate = QDate(1999, 12, 31);
    v.programType = QStringLiteral("Adware");
    v.osSupport = QStringList{QStringLiteral("Win 3.1x"), QStringLiteral("BEOS"), QStringLiteral("Java")};
    return v;
}

// Imports path through the button or the menu, answering the dialogs given.
struct ImportRun
{
    QList<SeenBox> boxes;
    QString unexpected;
};

ImportRun importThroughWindow(MainWindow &window, const QString &path, bool expectBox,
                              bool throughMenu = false)
{
    ModalDriver driver;
    driver.chooseFile(path);
    if (expectBox)
        driver.answer(QMessageBox::Ok);
    if (throughMenu)
        control<QAction>(window, QStringLiteral("importAction"))->trigger();
    else
        control<QPushButton>(window, QStringLiteral("importButton"))->click();
    QString unexpected = driver.unexpected();
    if (!driver.done())
        unexpected += QStringLiteral(" (a dialog never came)");
    return {driver.boxes(), unexpected};
}

} // namespace

class TestImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void generatedFileComesBack_data();
    void generatedFileComesBack();
    void refusedFileChangesNothing_data();
    void refusedFileChangesNothing();
    void whatCouldNotBeTakenOverIsSaid();
    void cancelChangesNothing();
    void tickedSystemsComeIntoSight();
    void fileChangedOnDiskIsReadAnew();
    void samplesImportOrAreRefused_data();
    void samplesImportOrAreRefused();

private:
    QTemporaryDir m_dir;
};

void TestImport::initTestCase()
{
    prepareApplication();
    QVERIFY(m_dir.isValid());
}

void TestImport::generatedFileComesBack_data()
{
    QTest::addColumn<Pad::PadValues>("values");
    QTest::addColumn<bool>("throughMenu");

    for (const QString &type : Pad::ProgramTypeList()) {
        Pad::PadValues v = completeForm();
        v.programType = type;
        QTest::newRow(qPrintable(QStringLiteral("type ") + type)) << v << false;
    }
    Pad::PadValues oneOs = completeForm();
    oneOs.osSupport = QStringList{QStringLiteral("Not Applicable")};
    QTest::newRow("one OS, through the menu") << oneOs << true;

    Pad::PadValues hostile = completeForm();
    hostile.osSupport = Pad::OsSupportList();
    hostile.text(TextField::Company_Name) = QStringLiteral("Smith & Sons <UK> ]]> \"q\" 'a'");
    hostile.text(TextField::Program_Name) = QStringLiteral("Caf\u00e9 \u65e5\u672c \U0001F600");
    hostile.text(TextField::Char_Desc_450) = QStringLiteral("line one\nline two &lt;");
    hostile.text(TextField::Program_Cost_Dollars).clear();
    hostile.text(TextField::Application_Screenshot_URL).clear();
    hostile.releaseDate = QDate(2024, 2, 29);
    QTest::newRow("all OS, markup and non-ASCII text, empty optionals") << hostile << false;

    Pad::PadValues longest = completeForm();
    longest.text(TextField::Keywords) = QString(Pad::KeywordsLimit, u'k');
    longest.text(TextField::Char_Desc_450) = QString(Pad::DescriptionLimit, u'd');
    longest.text(TextField::Primary_Download_URL) = QString(5000, u'u');
    longest.releaseDate = QDate(9999, 12, 31);
    QTest::newRow("longest texts") << longest << false;
}

void TestImport::generatedFileComesBack()
{
    QFETCH(Pad::PadValues, values);
    QFETCH(bool, throughMenu);
    const QString path = m_dir.filePath(QStringLiteral("roundtrip.xml"));
    QFile::remove(path);

    MainWindow window;
    fillForm(window, values);
    QVERIFY(showActive(window));
    ModalDriver generate;
    generate.chooseFile(path);
    control<QPushButton>(window, QStringLiteral("generateButton"))->click();
    QVERIFY2(generate.done() && generate.unexpected().isEmpty(), qPrintable(generate.unexpected()));

    fillForm(window, otherForm());
    const ImportRun run = importThroughWindow(window, path, false, throughMenu);
    QVERIFY2(run.unexpected.isEmpty(), qPrintable(run.unexpected));
    QCOMPARE(shownValues(window), values);
}

void TestImport::refusedFileChangesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");

    auto fixture = [](const char *name) { return testDataPath(QStringLiteral("reader/") + QLatin1String(name)); };
    QTest::newRow("not well-formed") << fixture("not-well-formed.xml") << "not well-formed XML (line";
    QTest::newRow("another document element") << fixture("wrong-root.xml") << "document element";
    QTest::newRow("markup inside a mapped element") << fixture("markup-in-keywords.xml") << "Keywords";
    QTest::newRow("invalid UTF-8") << fixture("utf8-invalid-bytes.xml") << "not valid UTF-8 (line 4, column 19)";
    QTest::newRow("entity bomb") << fixture("entity-bomb.xml") << "entit";
    QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("never-written.xml")) << "cannot be opened";
    const QString huge = m_dir.filePath(QStringLiteral("huge.xml"));
    QFile file(huge);
    if (file.open(QIODevice::WriteOnly) && file.resize(Pad::MaxPadFileSize + 1))
        QTest::newRow("larger than the limit") << huge << "larger than 1 MiB";
}

void TestImport::refusedFileChangesNothing()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    MainWindow window;
    fillForm(window, otherForm());
    QVERIFY(showActive(window));

    const ImportRun run = importThroughWindow(window, path, true);
    QVERIFY2(run.unexpected.isEmpty(), qPrintable(run.unexpected));
    const SeenBox &box = run.boxes.first();
    QCOMPARE(box.title, QStringLiteral("Error"));
    QVERIFY2(box.text.contains(QDir::toNativeSeparators(path)), qPrintable(box.text));
    QVERIFY2(box.text.contains(reason), qPrintable(box.text));
    QCOMPARE(shownValues(window), otherForm());
}

void TestImport::whatCouldNotBeTakenOverIsSaid()
{
    const QString path = m_dir.filePath(QStringLiteral("foreign.xml"));
    QVERIFY(writeFile(path, R"(<?xml version="1.0" encoding="UTF-8"?>
<XML_DIZ_INFO>
  <Company_Info><Company_Name>A &amp; B</Company_Name></Company_Info>
  <Program_Info>
    <Program_Name>Tool</Program_Name>
    <Program_Type>Open Source</Program_Type>
    <Program_OS_Support>Win7 x86, winxp ,Vista,win10,Linux,,Win7 x86</Program_OS_Support>
    <Program_Release_Month>2</Program_Release_Month>
    <Program_Release_Day>30</Program_Release_Day>
    <Program_Release_Year>2005</Program_Release_Year>
  </Program_Info>
</XML_DIZ_INFO>
)"));
    MainWindow window;
    fillForm(window, otherForm());
    QVERIFY(showActive(window));

    const ImportRun run = importThroughWindow(window, path, false);
    QVERIFY2(run.unexpected.isEmpty(), qPrintable(run.unexpected));
    QVERIFY(run.boxes.isEmpty());
    const QStringList notes{"Program Type: \"Open Source\" is not in the list",
                            "OS Support: \"Win7 x86\", \"Vista\" are not in the list",
                            "Release Date: \"2/30/2005\" is not a valid date"};
    QCOMPARE(importNotes(window), notes);
    QCOMPARE(control<MessageBar>(window, QStringLiteral("importNotes"))->accessibleDescription(), notes.join(u'\n'));
    // The keyboard is in the form's first field, and the bar is reached with
    // Tab, past the release date without a date.
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget(), window.findChild<QWidget *>(QStringLiteral("companyNameEdit")));
    const QWidget *close = control<MessageBar>(window, QStringLiteral("importNotes"))->closeButton();
    for (int presses = 0; presses < 40 && QApplication::focusWidget() != close; ++presses)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), close);

    Pad::PadValues expected;
    expected.text(TextField::Company_Name) = QStringLiteral("A & B");
    expected.text(TextField::Program_Name) = QStringLiteral("Tool");
    // A date that does not exist is no date: the field reads "not in the file"
    // rather than keeping the one the form had.
    expected.releaseDate = QDate();
    expected.osSupport = QStringList{QStringLiteral("WinXP"), QStringLiteral("Linux"), QStringLiteral("Win10")};
    QCOMPARE(shownValues(window), expected);
}

// The list shows five of its entries; after an import its first ticked one
// is among them, wherever it stands, and the list names the ticked ones.
void TestImport::tickedSystemsComeIntoSight()
{
    Pad::PadValues values = otherForm();
    values.osSupport = QStringList{QStringLiteral("Win7 x32"), QStringLiteral("Win11")};
    const QString path = m_dir.filePath(QStringLiteral("late-systems.xml"));
    QVERIFY(writeFile(path, Pad::padFileBytes(Pad::padFileLines(values))));
    MainWindow window;
    QVERIFY(showActive(window));
    window.importFile(path);
    const auto *list = control<QListWidget>(window, QStringLiteral("osSupportList"));
    const QListWidgetItem *first = list->findItems(QStringLiteral("Win7 x32"), Qt::MatchExactly).first();
    QVERIFY(list->viewport()->rect().contains(list->visualItemRect(first)));
    QVERIFY(!list->viewport()->rect().intersects(list->visualItemRect(list->item(0))));
    QCOMPARE(list->accessibleDescription(), QStringLiteral("Ticked: Win7 x32, Win11."));
    QVERIFY(list->toolTip().endsWith(QStringLiteral("\nTicked: Win7 x32, Win11.")));
}

void TestImport::cancelChangesNothing()
{
    MainWindow window;
    fillForm(window, otherForm());
    QVERIFY(showActive(window));
    ModalDriver driver;
    driver.cancelFileDialog();
    control<QPushButton>(window, QStringLiteral("importButton"))->click();
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QCOMPARE(shownValues(window), otherForm());
}

void TestImport::fileChangedOnDiskIsReadAnew()
{
    const QString path = m_dir.filePath(QStringLiteral("changing.xml"));
    Pad::PadValues values = completeForm();
    QVERIFY(writeFile(path, Pad::padFileBytes(Pad::padFileLines(values))));
    MainWindow window;
    QVERIFY(showActive(window));
    QVERIFY(importThroughWindow(window, path, false).unexpected.isEmpty());
    QCOMPARE(shownValues(window), values);

    values.text(TextField::Program_Version) = QStringLiteral("2.0");
    QVERIFY(writeFile(path, Pad::padFileBytes(Pad::padFileLines(values))));
    QVERIFY(importThroughWindow(window, path, false).unexpected.isEmpty());
    QCOMPARE(shownValues(window), values);
}

// Every real file either comes into the window as the reader maps it, or is
// refused with the reader's reason and changes nothing. The reader's own
// tests state, file by file, which outcome each one has.
void TestImport::samplesImportOrAreRefused_data()
{
    QTest::addColumn<QString>("path");
    if (!QDir(samplesDir()).exists())
        return;
    QDirIterator it(samplesDir(), {QStringLiteral("*.xml")}, QDir::Files);
    QStringList paths;
    while (it.hasNext())
        paths << it.next();
    paths.sort();
    for (const QString &path : paths)
        QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
}

void TestImport::samplesImportOrAreRefused()
{
    if (!QDir(samplesDir()).exists())
        QSKIP("The real PAD files are not here: they live in ../shared/pad-samples beside the checkout.");
    QFETCH(QString, path);
    QString reason;
    const std::optional<Pad::PadDocument> source = Pad::loadPadFile(path, QDate::currentDate(), &reason);
    const std::optional<Pad::PadImport> expected = source ? std::optional(source->imported) : std::nullopt;
    const QString error = Pad::importRefusal(path, reason);

    MainWindow window;
    fillForm(window, otherForm());
    QVERIFY(showActive(window));
    // Only a refusal opens a box.
    const ImportRun run = importThroughWindow(window, path, !expected);
    QVERIFY2(run.unexpected.isEmpty(), qPrintable(run.unexpected));

    if (!expected) {
        QCOMPARE(run.boxes.first().title, QStringLiteral("Error"));
        QCOMPARE(run.boxes.first().text, error);
        QCOMPARE(shownValues(window), otherForm());
        return;
    }
    // A file without a date leaves the field without one, never with the last form's.
    Pad::PadValues shown = expected->values;
    QCOMPARE(shownValues(window), shown);
    const QStringList said = importNotes(window);
    QCOMPARE(said.mid(0, expected->notes.size()), expected->noteTexts());
    if (source->unshownValues > 1) {
        QCOMPARE(said.last(), QStringLiteral("%1 values that the form does not show: File, More PAD Fields shows them.")
                                  .arg(source->unshownValues));
    }
    // The first ticked system is in sight, and the list names them all.
    const auto *list = control<QListWidget>(window, QStringLiteral("osSupportList"));
    if (!shown.osSupport.isEmpty()) {
        const QListWidgetItem *first = list->findItems(shown.osSupport.first(), Qt::MatchExactly).first();
        QVERIFY(list->viewport()->rect().contains(list->visualItemRect(first)));
        QVERIFY2(list->accessibleDescription().contains(shown.osSupport.join(QStringLiteral(", "))),
                 qPrintable(list->accessibleDescription()));
    }
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
