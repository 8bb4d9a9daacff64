// The window's hints, offscreen: the warning icons that the field rules show
// as values are typed and imported, the controls' tooltips, and the counters
// of Keywords and the description.
#include "fieldhints.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "padreader.h"
#include "padrules.h"
#include "padwriter.h"
#include "startup.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QAccessible>
#include <QComboBox>
#include <QTemporaryDir>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <optional>

using Pad::TextField;

namespace QTest {
template <>
char *toString(const std::optional<QString> &hint)
{
    return hint ? toString(*hint) : qstrdup("(no hint)");
}
} // namespace QTest

namespace {

const QString dateName = QStringLiteral("releaseDateEdit");

// The warning icon of a field (by object name) as the user meets it: the
// line edit's trailing button, or the label beside the memo's scroll bar.
QWidget *hintIcon(const QWidget &window, const QString &field)
{
    const QString name = field + QStringLiteral("Hint");
    if (const auto *action = window.findChild<QAction *>(name)) {
        for (QToolButton *button : window.findChildren<QToolButton *>()) {
            if (button->defaultAction() == action)
                return button;
        }
        qFatal("the hint of %s has no button", qPrintable(field));
    }
    return control<QLabel>(window, name);
}

// The hint a field shows, or nullopt when its icon is hidden.
std::optional<QString> shownHint(const QWidget &window, const QString &field)
{
    const QWidget *icon = hintIcon(window, field);
    if (!icon->isVisible())
        return std::nullopt;
    return icon->toolTip();
}

QString accessibleText(QWidget *widget, QAccessible::Text text)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(text) : QString();
}

QWidget *textControl(const QWidget &window, TextField field)
{
    return control<QWidget>(window, Pad::objectName(field));
}

void selectAll(QWidget *edit)
{
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
}

Pad::PadImport importOf(const Pad::PadValues &values)
{
    Pad::PadImport imported;
    imported.values = values;
    return imported;
}

QString counterName(TextField field)
{
    return field == TextField::Keywords ? QStringLiteral("keywordsCounter")
                                        : QStringLiteral("descriptionCounter");
}

} // namespace

class TestHints : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void everyControlExplainsItself();
    void hintsFollowTyping_data();
    void hintsFollowTyping();
    void emptyFieldShowsNoHint();
    void dateHintFollowsTheYear();
    void importShowsHintsAtOnce();
    void emptyProgramTypeIsHinted_data();
    void emptyProgramTypeIsHinted();

    void countersFollowTheText_data();
    void countersFollowTheText();
    void hintsAndCountersKeepTheLayout();
};

void TestHints::initTestCase()
{
    prepareApplication();
}

void TestHints::everyControlExplainsItself()
{
    MainWindow window;
    for (int i = 0; i < Pad::TextFieldCount; ++i) {
        const auto field = static_cast<TextField>(i);
        QCOMPARE(textControl(window, field)->toolTip(), Pad::formField(field).tip);
    }
    QCOMPARE(control<QWidget>(window, dateName)->toolTip(), Pad::formField(Pad::FieldKind::ReleaseDate).tip);
    QCOMPARE(control<QWidget>(window, "programTypeBox")->toolTip(),
             Pad::formField(Pad::FieldKind::ProgramType).tip);
    // The list names what is ticked, since it shows only a few entries.
    auto *systems = control<QListWidget>(window, "osSupportList");
    QCOMPARE(systems->toolTip(), Pad::formField(Pad::FieldKind::OsSupport).tip + QStringLiteral("\nNothing is ticked."));
    QCOMPARE(systems->accessibleDescription(), QStringLiteral("Nothing is ticked."));
    systems->item(int(Pad::OsSupportList().indexOf(QStringLiteral("Win11"))))->setCheckState(Qt::Checked);
    systems->item(int(Pad::OsSupportList().indexOf(QStringLiteral("Win95"))))->setCheckState(Qt::Checked);
    QCOMPARE(systems->accessibleDescription(), QStringLiteral("Ticked: Win95, Win11."));
    QVERIFY(systems->toolTip().endsWith(QStringLiteral("\nTicked: Win95, Win11.")));
}

void TestHints::hintsFollowTyping_data()
{
    QTest::addColumn<TextField>("field");
    QTest::addColumn<QString>("wrong");
    QTest::addColumn<QString>("right");

    using F = TextField;
    QTest::newRow("company name too short") << F::Company_Name << "X" << "XY Software";
    QTest::newRow("website without scheme") << F::Company_Website_URL << "www.example.org"
                                            << "https://www.example.org";
    QTest::newRow("e-mail without dot") << F::Contact_Email << "jo@example" << "jo@example.org";
    QTest::newRow("name with version") << F::Program_Name << "Widget 2.1" << "Widget";
    QTest::newRow("version with v.") << F::Program_Version << "v. 1.2" << "1.2";
    QTest::newRow("cost with dollar") << F::Program_Cost_Dollars << "$19.95" << "19.95";
    QTest::newRow("size with commas") << F::File_Size_Bytes << "1,048,576" << "1048576";
    QTest::newRow("keywords with markup") << F::Keywords << "pad<xml" << "pad, xml";
    QTest::newRow("description with markup") << F::Char_Desc_450 << "A <b>bold</b> tool."
                                             << "A bold tool.";
    QTest::newRow("info address without scheme") << F::Application_Info_URL << "example.org"
                                                 << "http://example.org";
    QTest::newRow("pad address without .xml") << F::Application_XML_File_URL
                                              << "https://example.org/pad"
                                              << "https://example.org/pad.xml?v=2";
    QTest::newRow("download without extension") << F::Primary_Download_URL
                                                 << "ftp://example.org/setup"
                                                 << "ftp://example.org/setup.exe";
    QTest::newRow("screenshot as bmp") << F::Application_Screenshot_URL
                                       << "https://example.org/shot.bmp"
                                       << "https://example.org/shot.png";
}

void TestHints::hintsFollowTyping()
{
    QFETCH(TextField, field);
    QFETCH(QString, wrong);
    QFETCH(QString, right);
    MainWindow window;
    QVERIFY(showActive(window));
    const QString name = Pad::objectName(field);
    QWidget *edit = textControl(window, field);
    edit->setFocus();

    QTest::keyClicks(edit, wrong);
    QCOMPARE(fieldText(window, field), wrong);
    const std::optional<QString> expected = Pad::ruleHint(field, wrong);
    QVERIFY(expected);
    QCOMPARE(shownHint(window, name), expected);
    QCOMPARE(accessibleText(edit, QAccessible::Description), *expected);
    // The field itself keeps explaining what belongs there.
    QCOMPARE(edit->toolTip(), Pad::formField(field).tip);

    selectAll(edit);
    QTest::keyClicks(edit, right);
    QCOMPARE(fieldText(window, field), right);
    QCOMPARE(shownHint(window, name), std::nullopt);
    QCOMPARE(edit->accessibleDescription(), QString());
    QCOMPARE(accessibleText(edit, QAccessible::Description), Pad::formField(field).tip);
}

void TestHints::emptyFieldShowsNoHint()
{
    MainWindow window;
    QVERIFY(showActive(window));
    QCOMPARE(shownHint(window, dateName), std::nullopt);
    // "<" breaks a rule of every field, so each field proves its icon works
    // before it is emptied again.
    for (int i = 0; i < Pad::TextFieldCount; ++i) {
        const auto field = static_cast<TextField>(i);
        const QString name = Pad::objectName(field);
        QWidget *edit = textControl(window, field);
        QCOMPARE(shownHint(window, name), std::nullopt);
        QTest::keyClicks(edit, QStringLiteral("<"));
        QVERIFY2(shownHint(window, name), qPrintable(name));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(fieldText(window, field), QString());
        QVERIFY2(!shownHint(window, name), qPrintable(name));
        QCOMPARE(edit->accessibleDescription(), QString());
    }
}

void TestHints::dateHintFollowsTheYear()
{
    MainWindow window;
    QVERIFY(showActive(window));
    auto *date = control<QDateEdit>(window, dateName);
    date->setDate(QDate(2024, 2, 29));
    date->setFocus();
    date->setSelectedSection(QDateTimeEdit::YearSection);
    QTest::keyClicks(date, QStringLiteral("1899"));
    QCOMPARE(date->date().year(), 1899);
    const QString hint = QStringLiteral("A release date lies in the years 1900 to 2199.");
    QCOMPARE(shownHint(window, dateName), hint);
    QCOMPARE(accessibleText(date, QAccessible::Description), hint);

    date->setSelectedSection(QDateTimeEdit::YearSection);
    QTest::keyClicks(date, QStringLiteral("2199"));
    QCOMPARE(date->date().year(), 2199);
    QCOMPARE(shownHint(window, dateName), std::nullopt);
    QCOMPARE(date->accessibleDescription(), QString());
}

void TestHints::importShowsHintsAtOnce()
{
    MainWindow window;
    QVERIFY(showActive(window));
    {
        // The file's program type is not in the list, which the import says
        // in the status bar.
        ModalDriver driver;
        driver.chooseFile(testDataPath(QStringLiteral("check/broken-rules.xml")));
        control<QPushButton>(window, "importButton")->click();
        QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    }
    using F = TextField;
    const QList<F> broken{F::Company_Website_URL, F::Program_Version,          F::Program_Cost_Dollars,
                          F::Char_Desc_450,       F::Application_XML_File_URL, F::Primary_Download_URL};
    for (int i = 0; i < Pad::TextFieldCount; ++i) {
        const auto field = static_cast<F>(i);
        const QString name = Pad::objectName(field);
        const std::optional<QString> shown = shownHint(window, name);
        if (broken.contains(field)) {
            QVERIFY2(shown, qPrintable(name));
            QCOMPARE(*shown, Pad::ruleHint(field, fieldText(window, field)).value_or(QString()));
            QCOMPARE(textControl(window, field)->accessibleDescription(), *shown);
        } else {
            QVERIFY2(!shown, qPrintable(name + u' ' + shown.value_or(QString())));
        }
    }
    QCOMPARE(shownHint(window, QStringLiteral("programVersionEdit")),
             QStringLiteral("A version has 1 to 15 letters, digits, dots, dashes or underscores, "
                            "without \"v.\""));
    QCOMPARE(shownHint(window, dateName),
             QStringLiteral("A release date lies in the years 1900 to 2199."));

    // A file that keeps every rule takes every hint away. Typed, so that the
    // dialog drops the proposed file from its selection, as it does for a user.
    {
        ModalDriver driver;
        driver.typeFile(testDataPath(QStringLiteral("check/clean.xml")));
        control<QPushButton>(window, "importButton")->click();
        QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    }
    for (int i = 0; i < Pad::TextFieldCount; ++i) {
        const QString name = Pad::objectName(static_cast<F>(i));
        QVERIFY2(!shownHint(window, name), qPrintable(name));
    }
    QCOMPARE(shownHint(window, dateName), std::nullopt);
}

// An import of a type the list lacks, or of none, empties the type; the
// field says in its place and its tooltip that the sites want one, until
// one is chosen. Generate still writes the empty type the field shows.
void TestHints::emptyProgramTypeIsHinted_data()
{
    QTest::addColumn<QString>("imported");
    QTest::newRow("not in the list") << "Careware";
    QTest::newRow("not given") << "";
}

void TestHints::emptyProgramTypeIsHinted()
{
    QFETCH(QString, imported);
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("typeless.xml"));
    QString xml = QString::fromUtf8(Pad::padFileBytes(Pad::padFileLines(completeForm())));
    xml.replace(QStringLiteral("<Program_Type>Freeware</Program_Type>"),
                QStringLiteral("<Program_Type>%1</Program_Type>").arg(imported));
    QVERIFY(writeFile(source, xml.toUtf8()));

    MainWindow window;
    QVERIFY(showActive(window));
    auto *type = control<QComboBox>(window, QStringLiteral("programTypeBox"));
    const QImage chosen = type->grab().toImage();
    {
        ModalDriver nothing;
        window.importFile(source);
        QVERIFY2(nothing.unexpected().isEmpty(), qPrintable(nothing.unexpected()));
    }

    const QString hint = *Pad::programTypeHint(QString());
    QCOMPARE(type->currentIndex(), -1);
    QCOMPARE(type->toolTip(), hint);
    QCOMPARE(accessibleText(type, QAccessible::Description), hint);
    QVERIFY(!type->placeholderText().isEmpty());
    QVERIFY(type->grab().toImage() != chosen);

    const QString written = dir.filePath(QStringLiteral("written.xml"));
    ModalDriver save;
    save.chooseFile(written);
    control<QPushButton>(window, QStringLiteral("generateButton"))->click();
    QVERIFY2(save.done() && save.unexpected().isEmpty(), qPrintable(save.unexpected()));
    QVERIFY(readAll(written).contains("<Program_Type></Program_Type>"));

    // Choosing a type by keyboard takes the hint away.
    type->setFocus();
    QTest::keyClick(type, Qt::Key_Down);
    QVERIFY(type->currentIndex() >= 0);
    QCOMPARE(type->toolTip(), Pad::formField(Pad::FieldKind::ProgramType).tip);
    QCOMPARE(accessibleText(type, QAccessible::Description), type->toolTip());
}

void TestHints::countersFollowTheText_data()
{
    QTest::addColumn<TextField>("field");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("warning");
    QTest::addColumn<QString>("spoken");

    using F = TextField;
    QTest::newRow("keywords empty") << F::Keywords << 0 << true << "0/250" << false
                                    << "0 of 250 characters used";
    QTest::newRow("keywords below the limit") << F::Keywords << 249 << true << "249/250" << false
                                              << "249 of 250 characters used";
    QTest::newRow("keywords at the limit") << F::Keywords << 250 << true << "250/250" << true
                                           << "250 of 250 characters used: the limit";
    QTest::newRow("keywords imported over") << F::Keywords << 300 << false << "300/250" << true
                                            << "300 of 250 characters used: 50 over the limit";
    QTest::newRow("description empty") << F::Char_Desc_450 << 0 << true << "0/450" << false
                                       << "0 of 450 characters used";
    QTest::newRow("description imported") << F::Char_Desc_450 << 77 << false << "77/450" << false
                                          << "77 of 450 characters used";
    QTest::newRow("description at the limit") << F::Char_Desc_450 << 450 << true << "450/450"
                                              << true << "450 of 450 characters used: the limit";
    QTest::newRow("description imported over") << F::Char_Desc_450 << 600 << false << "600/450"
                                               << true
                                               << "600 of 450 characters used: 150 over the limit";
}

void TestHints::countersFollowTheText()
{
    QFETCH(TextField, field);
    QFETCH(int, length);
    QFETCH(bool, typed);
    QFETCH(QString, shown);
    QFETCH(bool, warning);
    QFETCH(QString, spoken);

    MainWindow window;
    QVERIFY(showActive(window));
    auto *counter = control<LengthCounter>(window, counterName(field));
    const QColor normal = control<QLabel>(window, "descriptionLimitLabel")->palette().color(QPalette::WindowText);
    QCOMPARE(counter->palette().color(QPalette::WindowText), normal);

    // Something first, so that the counter must follow a change to reach the row's state.
    Pad::PadValues values = completeForm();
    window.applyImport(importOf(values));
    const QString text(length, u'k');
    if (typed) {
        QWidget *edit = textControl(window, field);
        edit->setFocus();
        selectAll(edit);
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    } else {
        values.text(field) = text;
        window.applyImport(importOf(values));
    }
    QCOMPARE(fieldText(window, field).size(), length);

    QCOMPARE(counter->text(), shown);
    QCOMPARE(counter->palette().color(QPalette::WindowText),
             warning ? LengthCounter::warningColor(window.palette()) : normal);
    QVERIFY(counter->isVisible());
    QVERIFY(counter->width() >= counter->fontMetrics().horizontalAdvance(counter->text()));
    const QString fieldName = field == TextField::Keywords ? "Keywords" : "Description";
    QCOMPARE(accessibleText(counter, QAccessible::Name), fieldName + " length");
    QCOMPARE(accessibleText(counter, QAccessible::Description), spoken);
    // Over the limit, the field's hint says so as well.
    QCOMPARE(shownHint(window, Pad::objectName(field)).has_value(), length > counter->limit());
}

void TestHints::hintsAndCountersKeepTheLayout()
{
    MainWindow window;
    QVERIFY(showActive(window));
    const QSize before = window.size();
    const auto *group = control<QGroupBox>(window, "otherGroup");
    const auto *keywords = control<QLineEdit>(window, "keywordsEdit");
    const auto *description = control<QWidget>(window, "descriptionEdit");
    const auto *keywordsCounter = control<QLabel>(window, "keywordsCounter");
    const auto *descriptionCounter = control<QLabel>(window, "descriptionCounter");
    const auto *limitLabel = control<QLabel>(window, "descriptionLimitLabel");
    const auto inGroup = [group](const QWidget *widget) {
        return QRect(widget->mapTo(group, QPoint(0, 0)), widget->size());
    };

    // The Keywords counter ends its row where the memo ends; the description's
    // counter hangs under "(450 chars.)" within the memo's height.
    QCOMPARE(inGroup(keywordsCounter).right(), inGroup(description).right());
    QVERIFY(inGroup(keywordsCounter).left() > inGroup(keywords).right());
    QVERIFY(qAbs(inGroup(keywordsCounter).center().y() - inGroup(keywords).center().y()) <= 1);
    QVERIFY(inGroup(descriptionCounter).top() >= inGroup(limitLabel).bottom());
    QVERIFY(inGroup(descriptionCounter).bottom() <= inGroup(description).bottom());

    // Hints everywhere and four-digit counts move nothing.
    Pad::PadValues values = completeForm();
    for (QString &text : values.texts)
        text.prepend(u'<');
    values.text(TextField::Keywords) = QString(1200, u'<');
    values.text(TextField::Char_Desc_450) = QString(9999, u'<');
    values.releaseDate = QDate(1800, 1, 1);
    window.applyImport(importOf(values));
    for (int i = 0; i < Pad::TextFieldCount; ++i)
        QVERIFY(shownHint(window, Pad::objectName(static_cast<TextField>(i))));
    QVERIFY(shownHint(window, dateName));
    QCOMPARE(descriptionCounter->text(), QStringLiteral("9999/450"));
    QApplication::processEvents();
    QCOMPARE(window.size(), before);
}

QTEST_MAIN(TestHints)
#include "tst_hints.moc"
