// One PAD file held open, without a window: what it holds after an open, an
// update on top of the file as it is now, a save that fails, and Generate's
// new file.
#include "padsession.h"
#include "testsupport.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using Pad::TextField;

namespace {

const QDate Today(2026, 6, 15);

const QString ShortPath = u"Program_Descriptions/English/Char_Desc_80"_s;
const QString DutchPath = u"Program_Descriptions/Dutch/Keywords"_s;
using Outcome = Pad::PadSession::UpdateResult::Outcome;

// For a file that did not change on disk, which asks nothing.
Pad::PadSession::Asker neverAsked()
{
    return [](Pad::PadSession::Question) {
        QTest::qFail("a question where none was due", __FILE__, __LINE__);
        return false;
    };
}

} // namespace

class TestPadSession : public QObject
{
    Q_OBJECT

private slots:
    void openHoldsTheFile();
    void refusedOpenKeepsWhatWasHeld();
    void updateWritesAndHoldsTheNewFile();
    void updateGoesOnTopOfAFileChangedOnDisk_data();
    void updateGoesOnTopOfAFileChangedOnDisk();
    void failedSaveChangesNothing();
    void generatedFileKeepsTheAuthorsFields();
    void dateFromFile_data();
    void dateFromFile();

private:
    QString copyOf(const QString &name);

    QTemporaryDir m_dir;
    int m_copies = 0;
};

QString TestPadSession::copyOf(const QString &name)
{
    const QString folder = m_dir.filePath(QString::number(++m_copies));
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(u"pad.xml"_s);
    return writeFile(path, readAll(testDataPath(u"update/"_s + name))) ? path : QString();
}

void TestPadSession::openHoldsTheFile()
{
    const QString path = copyOf(u"rich.xml"_s);
    Pad::PadSession session;
    QVERIFY(!session.isOpen());
    QString reason;
    const Pad::PadDocument *document = session.open(path, Today, &reason);
    QVERIFY2(document, qPrintable(reason));
    QVERIFY(session.isOpen());
    QCOMPARE(session.path(), path);
    QCOMPARE(session.fileName(), u"pad.xml"_s);
    QCOMPARE(session.document().bytes, readAll(path));
    QCOMPARE(session.otherFields(), session.fileFields());
    QCOMPARE(session.otherFields(), document->otherFields);
    QCOMPARE(session.keptElements(), document->kept);
    QCOMPARE(session.valuesLeftOut(), document->unshownValues);
    QVERIFY(!session.holdsUnwrittenFields());

    session.close();
    QVERIFY(!session.isOpen());
    QCOMPARE(session.otherFields(), Pad::OtherFields());
    QCOMPARE(session.keptElements(), QList<Pad::PathText>());
}

void TestPadSession::refusedOpenKeepsWhatWasHeld()
{
    const QString path = copyOf(u"other-fields.xml"_s);
    Pad::PadSession session;
    QString reason;
    QVERIFY(session.open(path, Today, &reason));
    Pad::OtherFields author = session.otherFields();
    author.values.insert(ShortPath, u"Mine"_s);
    session.setOtherFields(author);

    QVERIFY(!session.open(testDataPath(u"reader/not-well-formed.xml"_s), Today, &reason));
    QVERIFY2(reason.startsWith(u"it is not well-formed XML"_s), qPrintable(reason));
    QCOMPARE(session.path(), path);
    QCOMPARE(session.otherFields(), author);
}

// The form's values and the author's other fields go into the file; the
// session then holds the file as written, so the same update changes nothing.
void TestPadSession::updateWritesAndHoldsTheNewFile()
{
    const QString path = copyOf(u"other-fields.xml"_s);
    const QByteArray before = readAll(path);
    Pad::PadSession session;
    QString reason;
    QVERIFY(session.open(path, Today, &reason));
    Pad::PadValues values = session.document().imported.values;
    values.text(TextField::Program_Version) = u"1.3"_s;
    Pad::OtherFields author = session.otherFields();
    author.values.insert(ShortPath, u"A small widget"_s);
    session.setOtherFields(author);
    QVERIFY(session.holdsUnwrittenFields());

    // Without writing, the update is made and nothing changes.
    const Pad::PadSession::UpdateResult dry = session.update(values, Today, neverAsked(), false);
    QCOMPARE(dry.outcome, Outcome::Done);
    QCOMPARE(dry.pending->update.changes.size(), 2);
    QCOMPARE(readAll(path), before);
    QVERIFY(session.holdsUnwrittenFields());

    const Pad::PadSession::UpdateResult result = session.update(values, Today, neverAsked());
    QCOMPARE(result.outcome, Outcome::Done);
    QCOMPARE(result.summary, u"Updated pad.xml: Program Version, 80 character description"_s);
    QByteArray expected = before;
    expected.replace("<Program_Version>1.2.0<", "<Program_Version>1.3<");
    expected.replace("<Char_Desc_80>A widget.<", "<Char_Desc_80>A small widget<");
    QCOMPARE(readAll(path), expected);
    QCOMPARE(session.document().bytes, expected);
    QVERIFY(!session.holdsUnwrittenFields());

    const Pad::PadSession::UpdateResult again = session.update(values, Today, neverAsked());
    QCOMPARE(again.outcome, Outcome::Done);
    QVERIFY(!again.pending->changesAnything());
    QCOMPARE(again.summary, u"Nothing changed in pad.xml"_s);
    QCOMPARE(readAll(path), expected);

    // A file gone from disk is refused with the reader's reason.
    QVERIFY(QFile::remove(path));
    const Pad::PadSession::UpdateResult gone = session.update(values, Today, neverAsked());
    QCOMPARE(gone.outcome, Outcome::Refused);
    QVERIFY2(gone.reason.startsWith(u"the file cannot be opened"_s), qPrintable(gone.reason));
    QVERIFY(!QFileInfo::exists(path));
}

// Someone else changed the file since it was read: the update starts from
// the file as it is now, so it keeps what the file gained, and sets only
// what the author changed.
void TestPadSession::updateGoesOnTopOfAFileChangedOnDisk_data()
{
    QTest::addColumn<QByteArray>("onDisk");          // what replaces the German block on disk
    QTest::addColumn<QList<Pad::PathText>>("author"); // the author's other fields set since the open
    QTest::addColumn<QStringList>("languages");      // the author's languages
    QTest::addColumn<QByteArray>("expected");        // what replaces the German block in the end

    const QByteArray german = "\t\t<German>\r\n\t\t\t<Char_Desc_45>Ein Werkzeug.</Char_Desc_45>\r\n\t\t</German>";
    const QByteArray changedGerman = "\t\t<German>\r\n\t\t\t<Char_Desc_45>Ein neues Werkzeug.</Char_Desc_45>\r\n\t\t</German>";
    QTest::newRow("the file's new value stays") << changedGerman << QList<Pad::PathText>()
                                                << QStringList{u"German"_s, u"French"_s} << changedGerman;
    QTest::newRow("the author's change goes on top")
        << changedGerman
        << QList<Pad::PathText>{{u"Program_Descriptions/German/Char_Desc_45"_s, u"Mein Werkzeug."_s}}
        << QStringList{u"German"_s, u"French"_s}
        << QByteArray("\t\t<German>\r\n\t\t\t<Char_Desc_45>Mein Werkzeug.</Char_Desc_45>\r\n\t\t</German>");
    QTest::newRow("a language the author removed goes")
        << changedGerman << QList<Pad::PathText>() << QStringList{u"French"_s} << QByteArray();
}

void TestPadSession::updateGoesOnTopOfAFileChangedOnDisk()
{
    QFETCH(QByteArray, onDisk);
    QFETCH(QList<Pad::PathText>, author);
    QFETCH(QStringList, languages);
    QFETCH(QByteArray, expected);
    const QByteArray german = "\t\t<German>\r\n\t\t\t<Char_Desc_45>Ein Werkzeug.</Char_Desc_45>\r\n\t\t</German>";

    const QString path = copyOf(u"other-fields.xml"_s);
    const QByteArray before = readAll(path);
    Pad::PadSession session;
    QString reason;
    QVERIFY(session.open(path, Today, &reason));
    Pad::OtherFields fields = session.otherFields();
    for (const Pad::PathText &value : author)
        fields.values.insert(value.path, value.text);
    fields.languages = languages;
    fields.values.removeIf([&](const auto &value) {
        const QStringView language = Pad::descriptionLanguage(value.key());
        return !language.isEmpty() && language != Pad::DefaultLanguage && !languages.contains(language);
    });
    session.setOtherFields(fields);
    QByteArray changed = before;
    changed.replace(german, onDisk);
    QVERIFY(writeFile(path, changed));

    // Asked first; a no writes nothing, a yes writes into the file as it is now.
    QList<Pad::PadSession::Question> asked;
    const auto answer = [&](bool yes) {
        return [&asked, yes](Pad::PadSession::Question question) {
            asked << question;
            return yes;
        };
    };
    const Pad::PadValues values = session.document().imported.values;
    QCOMPARE(session.update(values, Today, answer(false)).outcome, Outcome::Declined);
    QCOMPARE(readAll(path), changed);
    const Pad::PadSession::UpdateResult written = session.update(values, Today, answer(true));
    QCOMPARE(written.outcome, Outcome::Done);
    QCOMPARE(asked, QList<Pad::PadSession::Question>(2, Pad::PadSession::Question::ChangedOnDisk));
    QByteArray result = before;
    if (expected.isEmpty())
        result.replace("\r\n" + german, "");
    else
        result.replace(german, expected);
    QCOMPARE(readAll(path), result);
}

void TestPadSession::failedSaveChangesNothing()
{
    const QString path = copyOf(u"other-fields.xml"_s);
    const QByteArray before = readAll(path);
    const QString folder = QFileInfo(path).path();
    Pad::PadSession session;
    QString reason;
    QVERIFY(session.open(path, Today, &reason));
    Pad::PadValues values = session.document().imported.values;
    values.text(TextField::Program_Version) = u"1.3"_s;
    if (QProcess::execute(u"chattr"_s, {u"+i"_s, folder}) != 0)
        QSKIP("chattr +i is not available on this file system");
    const auto unlock = qScopeGuard([&] { QProcess::execute(u"chattr"_s, {u"-i"_s, folder}); });

    const Pad::PadSession::UpdateResult result = session.update(values, Today, neverAsked());
    QCOMPARE(result.outcome, Outcome::NotSaved);
    QVERIFY(!result.reason.isEmpty());
    QCOMPARE(readAll(path), before);
    QCOMPARE(session.document().bytes, before);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"pad.xml"_s});
}

// Generate writes the form only: the session then stands for the new file,
// keeping the author's other fields for an Update to add.
void TestPadSession::generatedFileKeepsTheAuthorsFields()
{
    const QString path = copyOf(u"rich.xml"_s);
    Pad::PadSession session;
    QString reason;
    QVERIFY(session.open(path, Today, &reason));
    QVERIFY(session.valuesLeftOut() > 0);
    const Pad::OtherFields author = session.otherFields();

    const QString written = m_dir.filePath(u"generated.xml"_s);
    const QByteArray bytes = readAll(testDataPath(u"writer/full-form.xml"_s));
    QVERIFY(writeFile(written, bytes));
    session.adoptWritten(written, bytes, Today);
    QCOMPARE(session.path(), written);
    QCOMPARE(session.document().bytes, bytes);
    QCOMPARE(session.otherFields(), author);
    QCOMPARE(session.valuesLeftOut(), 0);
    QVERIFY(session.holdsUnwrittenFields());
}

void TestPadSession::dateFromFile_data()
{
    QTest::addColumn<QByteArray>("date"); // replaces the fixture's month, day and year
    QTest::addColumn<bool>("fromFile");
    const QByteArray given = "<Program_Release_Month>06</Program_Release_Month>";
    QTest::newRow("given") << given << true;
    QTest::newRow("none") << QByteArray("<Program_Release_Month/>") << false;
    QTest::newRow("a day that does not exist")
        << QByteArray("<Program_Release_Month>02</Program_Release_Month>"
                      "<Program_Release_Day>30</Program_Release_Day>")
        << false;
}

void TestPadSession::dateFromFile()
{
    QFETCH(QByteArray, date);
    QFETCH(bool, fromFile);
    const QString path = copyOf(u"other-fields.xml"_s);
    QByteArray bytes = readAll(path);
    bytes.replace("<Program_Release_Day>03</Program_Release_Day>", "");
    bytes.replace("<Program_Release_Month>06</Program_Release_Month>",
                  date.contains("Day") ? date : date + "<Program_Release_Day>03</Program_Release_Day>");
    QVERIFY(writeFile(path, bytes));
    Pad::PadSession session;
    QString reason;
    QVERIFY2(session.open(path, Today, &reason), qPrintable(reason));
    QCOMPARE(session.dateFromFile(), fromFile);
}

QTEST_GUILESS_MAIN(TestPadSession)
#include "tst_padsession.moc"
