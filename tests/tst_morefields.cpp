// The More PAD Fields dialog, driven as a user drives it: opened from the File
// menu with Alt+F, M or its shortcut, groups chosen with the arrow keys,
// fields reached with Tab and filled with typed keys, languages added and
// removed with the buttons' keys, closed with Return or Escape.
#include "mainwindow.h"
#include "modaldriver.h"
#include "morefieldsdialog.h"
#include "padfields.h"
#include "padreader.h"
#include "padwriter.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>

#include <functional>
#include <optional>

using namespace Qt::StringLiterals;

namespace QTest {
template <>
char *toString(const std::optional<QString> &hint)
{
    return hint ? toString(*hint) : qstrdup("(no hint)");
}
} // namespace QTest

namespace {

QWidget *focused()
{
    return QApplication::focusWidget();
}

// Presses Tab until target has the focus; false when the chain never reaches it.
bool tabTo(QWidget *target)
{
    for (int presses = 0; presses < 400 && focused() != target; ++presses)
        QTest::keyClick(focused(), Qt::Key_Tab);
    return focused() == target;
}

// Chooses the group of that title in the dialog's list with the arrow keys.
bool chooseGroup(QWidget &dialog, const QString &title)
{
    auto *pages = control<QListWidget>(dialog, u"MoreFieldsPages"_s);
    pages->setFocus();
    QTest::keyClick(pages, Qt::Key_Home);
    for (int presses = 0; presses < pages->count(); ++presses) {
        if (pages->currentItem()->text() == title)
            return true;
        QTest::keyClick(pages, Qt::Key_Down);
    }
    return pages->currentItem()->text() == title;
}

// The hint that a dialog field's warning icon shows, or nullopt when it is hidden.
std::optional<QString> shownHint(const QWidget &dialog, const QString &path)
{
    const QString name = path + u"Hint"_s;
    if (const auto *action = dialog.findChild<QAction *>(name)) {
        for (QToolButton *button : dialog.findChildren<QToolButton *>()) {
            if (button->defaultAction() == action)
                return button->isVisible() ? std::optional(button->toolTip()) : std::nullopt;
        }
        return std::nullopt;
    }
    const QLabel *label = control<QLabel>(dialog, name);
    return label->isVisible() ? std::optional(label->toolTip()) : std::nullopt;
}

QString editorText(QWidget *editor)
{
    if (auto *line = qobject_cast<QLineEdit *>(editor))
        return line->text();
    return qobject_cast<QPlainTextEdit *>(editor)->toPlainText();
}

void replaceText(QWidget *editor, const QString &text)
{
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClicks(editor, text);
}

// Runs step on the dialog that File, More PAD Fields opens by Alt+F, M; step
// must close it. Returns what went wrong, or an empty text.
QString throughTheMenu(MainWindow &window, std::function<void(MoreFieldsDialog *)> step)
{
    ModalDriver driver;
    driver.then<MoreFieldsDialog>([step](MoreFieldsDialog *dialog) {
        // As on a desktop, the dialog that opens has the keyboard; the
        // offscreen platform leaves it with the window.
        QApplication::setActiveWindow(dialog);
        if (QTest::qWaitForWindowActive(dialog))
            step(dialog);
        else
            QTest::qFail("the dialog never became active", __FILE__, __LINE__);
        // A failed check leaves the dialog open; the test goes on to report it.
        if (dialog->isVisible())
            dialog->reject();
    });
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_F, Qt::AltModifier);
    QWidget *menu = QApplication::activePopupWidget();
    if (!menu)
        return u"Alt+F opened no menu"_s;
    QTest::keyClick(menu, Qt::Key_M);
    if (!driver.done())
        return u"no dialog opened"_s;
    if (QApplication::activePopupWidget())
        return u"a menu stayed open"_s;
    return driver.unexpected();
}

QString updateFixture(const QString &name)
{
    return testDataPath(u"update/"_s + name);
}

// Imports path as File, Import PAD File does; what the form does not show is
// said without a box.
bool importQuietly(MainWindow &window, const QString &path)
{
    ModalDriver nothing;
    window.importFile(path);
    QTest::qWait(20);
    return nothing.unexpected().isEmpty() && !QApplication::activeModalWidget();
}

// Presses File, Update PAD File's shortcut in the window.
void pressUpdate(MainWindow &window)
{
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
}

QString keyAsText(Qt::Key key)
{
    return QKeySequence(key).toString();
}

} // namespace

class TestMoreFields : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void opensFromTheMenuAndItsShortcut();
    void fieldOfEachGroup_data();
    void fieldOfEachGroup();
    void languagesAddedAndRemoved();
    void cancelDropsTheValues();
    void everyOtherFieldIsOffered();
    void keptElementsAreReadOnly();
    void importFillsTheDialog_data();
    void importFillsTheDialog();
    void updateWritesTheDialogsValues();
    void updateOfAFileChangedOnDiskKeepsItsNewValues();
    void generateStaysAndUpdateAdds();

private:
    QTemporaryDir m_dir;
};

void TestMoreFields::initTestCase()
{
    prepareApplication();
}

void TestMoreFields::opensFromTheMenuAndItsShortcut()
{
    MainWindow window;
    QVERIFY(showActive(window));
    const QSize windowSize = window.size();
    QSize dialogSize;
    const QString problem = throughTheMenu(window, [&](MoreFieldsDialog *dialog) {
        QCOMPARE(dialog->windowTitle(), u"More PAD Fields"_s);
        QVERIFY(dialog->isSizeGripEnabled());
        QVERIFY(dialog->minimumSize() != dialog->maximumSize());
        dialogSize = dialog->size();
        dialog->resize(dialogSize + QSize(200, 100));
        QTest::keyClick(focused(), Qt::Key_Escape);
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(dialogSize.isValid());
    QCOMPARE(window.size(), windowSize);

    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    bool opened = false;
    ModalDriver driver;
    driver.then<MoreFieldsDialog>([&](MoreFieldsDialog *dialog) {
        opened = true;
        dialog->reject();
    });
    QTest::keyClick(&window, Qt::Key_M, Qt::ControlModifier);
    QVERIFY(opened);
    QVERIFY2(driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
}

// In each group a field, a value that breaks its rule and one that keeps it.
void TestMoreFields::fieldOfEachGroup_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("wrong"); // empty: the field has no rule
    QTest::addColumn<QString>("right");

    QTest::newRow("company and contact") << u"Company_Info/Contact_Info/Author_Email"_s
                                         << u"jo@example"_s << u"jo@example.com"_s;
    QTest::newRow("support") << u"Company_Info/Support_Info/Support_Phone"_s << u"call us"_s
                             << u"+1 (555) 123-4567"_s;
    QTest::newRow("program") << u"Program_Info/Program_Language"_s << u"English, German"_s
                             << u"English,German"_s;
    QTest::newRow("file") << u"Program_Info/File_Info/File_Size_K"_s << u"1,5"_s << u"1.5"_s;
    QTest::newRow("expiry") << u"Program_Info/Expire_Info/Expire_Month"_s << u"13"_s << u"12"_s;
    QTest::newRow("descriptions") << u"Program_Descriptions/English/Char_Desc_45"_s
                                  << u"A <b>fast</b> tool"_s << u"A fast tool"_s;
    QTest::newRow("web addresses") << u"Web_Info/Application_URLs/Application_Icon_URL"_s
                                   << u"https://example.com/icon.bmp"_s
                                   << u"https://example.com/icon.png"_s;
    QTest::newRow("downloads") << u"Web_Info/Download_URLs/Secondary_Download_URL"_s
                               << u"https://example.com/setup.pkg"_s
                               << u"https://example.com/setup.zip"_s;
    QTest::newRow("permissions") << u"Permissions/EULA"_s << u"Use <i>freely</i>."_s
                                 << u"Use it freely."_s;
    QTest::newRow("press release") << u"Press_Release/Headline"_s << u"Too short"_s
                                   << u"Quillet now reaches every field"_s;
    QTest::newRow("news feed") << u"NewsFeed/NewsFeed_Type"_s << u"RSS 3"_s << u"RSS 2.0"_s;
    QTest::newRow("affiliates") << u"Affiliates/Affiliates_ShareIt_Vendor_ID"_s << QString()
                                << u"12345"_s;
    QTest::newRow("ASP") << u"ASP/ASP_Member"_s << u"Yes"_s << u"Y"_s;
}

void TestMoreFields::fieldOfEachGroup()
{
    QFETCH(QString, path);
    QFETCH(QString, wrong);
    QFETCH(QString, right);
    MainWindow window;
    QVERIFY(showActive(window));
    const QString group = Pad::groupTitle(Pad::fieldGroup(path));

    const QString problem = throughTheMenu(window, [&](MoreFieldsDialog *dialog) {
        QVERIFY(chooseGroup(*dialog, group));
        QWidget *editor = dialog->editor(path);
        QVERIFY(editor);
        QVERIFY(tabTo(editor));
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->toolTip().section(u'\n', 0, 0), path.section(u'/', -1));
        QCOMPARE(shownHint(*dialog, path), std::nullopt);
        if (!wrong.isEmpty()) {
            QTest::keyClicks(editor, wrong);
            const std::optional<QString> hint = Pad::formatRuleHint(path, wrong);
            QVERIFY(hint);
            QCOMPARE(shownHint(*dialog, path), hint);
            QCOMPARE(editor->accessibleDescription(), *hint);
        }
        replaceText(editor, right);
        QCOMPARE(editorText(editor), right);
        QCOMPARE(shownHint(*dialog, path), std::nullopt);
        // Return in a line accepts the dialog; a memo takes it as a line break.
        if (qobject_cast<QLineEdit *>(editor)) {
            QTest::keyClick(editor, Qt::Key_Return);
        } else {
            QPushButton *ok = control<QDialogButtonBox>(*dialog, QString())->button(QDialogButtonBox::Ok);
            QVERIFY(tabTo(ok));
            QTest::keyClick(ok, Qt::Key_Space);
        }
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(window.otherFields().values.value(path), right);

    // The dialog opens again with what OK kept.
    const QString again = throughTheMenu(window, [&](MoreFieldsDialog *dialog) {
        QCOMPARE(editorText(dialog->editor(path)), right);
        QTest::keyClick(focused(), Qt::Key_Escape);
    });
    QVERIFY2(again.isEmpty(), qPrintable(again));
}

void TestMoreFields::languagesAddedAndRemoved()
{
    MainWindow window;
    QVERIFY(showActive(window));
    const QString germanKeywords = u"Program_Descriptions/German/Keywords"_s;
    const QString germanShort = u"Program_Descriptions/German/Char_Desc_45"_s;

    QString problem = throughTheMenu(window, [&](MoreFieldsDialog *dialog) {
        QVERIFY(chooseGroup(*dialog, u"Descriptions"_s));
        auto *tabs = control<QTabWidget>(*dialog, u"LanguageTabs"_s);
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(tabs->tabText(0), u"English"_s);
        auto *remove = control<QPushButton>(*dialog, u"RemoveLanguage"_s);
        QVERIFY(!remove->isEnabled());

        // Alt+L reaches the list of languages, whose first letters choose one.
        QTest::keyClick(focused(), Qt::Key_L, Qt::AltModifier);
        auto *choice = control<QComboBox>(*dialog, u"LanguageChoice"_s);
        QCOMPARE(focused(), choice);
        QVERIFY(choice->findText(u"English"_s) < 0);
        QTest::keyClicks(choice, u"Germ"_s);
        QCOMPARE(choice->currentText(), u"German"_s);
        // A button's mnemonic clicks it a moment later, as a click shows.
        QTest::keyClick(focused(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(1), u"German"_s);
        QCOMPARE(tabs->currentIndex(), 1);
        QVERIFY(remove->isEnabled());
        QCOMPARE(choice->findText(u"German"_s), -1);
        QCOMPARE(focused(), dialog->editor(germanKeywords));
        QTest::keyClicks(focused(), u"schnell, klein"_s);
        QTest::keyClick(focused(), Qt::Key_Tab);
        QCOMPARE(focused(), dialog->editor(germanShort));
        const QString tooLong(46, u'x');
        QTest::keyClicks(focused(), tooLong);
        QCOMPARE(shownHint(*dialog, germanShort), Pad::formatRuleHint(germanShort, tooLong));
        QCOMPARE(control<QLabel>(*dialog, germanShort + u"Counter"_s)->text(), u"46/45"_s);
        replaceText(focused(), u"Ein schnelles Werkzeug"_s);
        QCOMPARE(shownHint(*dialog, germanShort), std::nullopt);

        // A second language, removed again. Letters typed after a pause
        // start a new search in the list.
        QTest::qWait(QApplication::keyboardInputInterval() + 100);
        QTest::keyClick(focused(), Qt::Key_L, Qt::AltModifier);
        QTest::keyClicks(choice, u"Fre"_s);
        QCOMPARE(choice->currentText(), u"French"_s);
        QTest::keyClick(focused(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(2), u"French"_s);
        QTest::keyClicks(focused(), u"rapide"_s);
        QTest::keyClick(focused(), Qt::Key_R, Qt::AltModifier);
        QTRY_COMPARE(tabs->count(), 2);
        QVERIFY(choice->findText(u"French"_s) >= 0);
        QCOMPARE(dialog->editor(u"Program_Descriptions/French/Keywords"_s), nullptr);
        QTest::keyClick(focused(), Qt::Key_Return);
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(window.otherFields().languages, QStringList{u"German"_s});
    QCOMPARE(window.otherFields().values.value(germanKeywords), u"schnell, klein"_s);
    QCOMPARE(window.otherFields().values.value(germanShort), u"Ein schnelles Werkzeug"_s);
    QVERIFY(!window.otherFields().values.contains(u"Program_Descriptions/French/Keywords"_s));

    // The language is there when the dialog opens again, and goes.
    problem = throughTheMenu(window, [&](MoreFieldsDialog *dialog) {
        QVERIFY(chooseGroup(*dialog, u"Descriptions"_s));
        auto *tabs = control<QTabWidget>(*dialog, u"LanguageTabs"_s);
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(editorText(dialog->editor(germanKeywords)), u"schnell, klein"_s);
        QVERIFY(tabTo(tabs->tabBar()));
        QTest::keyClick(focused(), Qt::Key_Right);
        QCOMPARE(tabs->currentIndex(), 1);
        QTest::keyClick(focused(), Qt::Key_R, Qt::AltModifier);
        QTRY_COMPARE(tabs->count(), 1);
        QTest::keyClick(focused(), Qt::Key_Return);
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(window.otherFields().languages.isEmpty());
    QVERIFY(!window.otherFields().values.contains(germanKeywords));
}

void TestMoreFields::cancelDropsTheValues()
{
    MainWindow window;
    QVERIFY(showActive(window));
    const QString path = u"Company_Info/City_Town"_s;
    for (const Qt::Key close : {Qt::Key_Return, Qt::Key_Escape}) {
        const QString problem = throughTheMenu(window, [&](MoreFieldsDialog *dialog) {
            QVERIFY(chooseGroup(*dialog, u"Company and Contact"_s));
            QVERIFY(tabTo(dialog->editor(path)));
            replaceText(focused(), close == Qt::Key_Return ? u"Berlin"_s : u"Paris"_s);
            QTest::keyClick(focused(), close);
        });
        QVERIFY2(problem.isEmpty(), qPrintable(keyAsText(close) + u": "_s + problem));
        QCOMPARE(window.otherFields().values.value(path), u"Berlin"_s);
    }
    // Clear All empties them too.
    QTest::mouseClick(control<QPushButton>(window, u"clearButton"_s), Qt::LeftButton);
    QCOMPARE(window.otherFields(), Pad::OtherFields());
}

void TestMoreFields::everyOtherFieldIsOffered()
{
    Pad::OtherFields values;
    values.values.insert(u"Program_Info/Program_Category_Class"_s, u"Business::Other"_s);
    values.values.insert(u"Program_Descriptions/Dutch/Char_Desc_2000"_s, u"Een.\nTwee."_s);
    values.languages << u"Dutch"_s;
    MoreFieldsDialog dialog(values, {});
    for (const Pad::FormatField &field : Pad::formatFields()) {
        const bool offered = !Pad::shownInWindow(field.path)
                             && Pad::fieldGroup(field.path) != Pad::FieldGroup::PadFile;
        QWidget *editor = dialog.editor(field.path);
        QVERIFY2((editor != nullptr) == offered, qPrintable(field.path));
        if (!editor)
            continue;
        QCOMPARE(qobject_cast<QPlainTextEdit *>(editor) != nullptr, Pad::isLongText(field));
        QCOMPARE(editorText(editor), values.values.value(field.path));
    }
    for (const QString &element : Pad::descriptionElements())
        QVERIFY(dialog.editor(u"Program_Descriptions/Dutch/"_s + element));
    QCOMPARE(editorText(dialog.editor(u"Program_Descriptions/Dutch/Char_Desc_2000"_s)),
             u"Een.\nTwee."_s);
    // What the dialog gives back is what it was given: the fields left empty
    // stay out, so that they keep what a file holds.
    const Pad::OtherFields back = dialog.fields();
    QCOMPARE(back, values);
}

void TestMoreFields::keptElementsAreReadOnly()
{
    const QList<Pad::PathText> kept{{u"Program_Info/Includes_JAVA_VM"_s, u"N"_s},
                                    {u"Download_Site_Extensions/Site/Rating"_s, u"5 stars"_s}};
    MoreFieldsDialog dialog({}, kept);
    QVERIFY(showActive(dialog));
    QVERIFY(chooseGroup(dialog, u"Kept Elements"_s));
    auto *table = control<QTableWidget>(dialog, u"KeptElements"_s);
    QVERIFY(table->isVisible());
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(1, 0)->text(), kept[1].path);
    QCOMPARE(table->item(1, 1)->text(), kept[1].text);
    QVERIFY(tabTo(table));
    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_F2);
    QTest::keyClicks(focused(), u"changed"_s);
    QCOMPARE(table->item(1, 1)->text(), kept[1].text);
    QCOMPARE(table->item(0, 1)->text(), kept[0].text);
    // Without kept elements there is no such page.
    MoreFieldsDialog plain({}, {});
    QCOMPARE(plain.findChild<QTableWidget *>(), nullptr);
}

void TestMoreFields::importFillsTheDialog_data()
{
    QTest::addColumn<bool>("prefixed");
    QTest::addColumn<QByteArray>("foreign"); // an element of another namespace before the English Char_Desc_45
    QTest::newRow("plain") << false << QByteArray();
    // Every element under a namespace prefix: the same dialog, by local names.
    QTest::newRow("prefixed") << true << QByteArray();
    // A foreign element of the same local name is listed apart, by its qualified name.
    QTest::newRow("foreign element first")
        << false << "<ext:Char_Desc_45 xmlns:ext=\"urn:vendor-ext\">Short blurb</ext:Char_Desc_45>"_ba;
}

void TestMoreFields::importFillsTheDialog()
{
    QFETCH(bool, prefixed);
    QFETCH(QByteArray, foreign);
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(u"rich.xml"_s);
    QByteArray bytes = readAll(updateFixture(u"rich.xml"_s));
    bytes.replace("<Char_Desc_45>", foreign + "<Char_Desc_45>");
    QVERIFY(writeFile(path, prefixed ? withPrefix(bytes) : bytes));
    MainWindow window;
    QVERIFY(showActive(window));
    QVERIFY(importQuietly(window, path));
    QCOMPARE(window.otherFields().languages, QStringList{u"German"_s});
    QCOMPARE(window.otherFields().values.value(u"Permissions/EULA"_s), u"Free for all."_s);
    const QString shortPath = u"Program_Descriptions/English/Char_Desc_45"_s;
    const QString problem = throughTheMenu(window, [&](MoreFieldsDialog *dialog) {
        QCOMPARE(editorText(dialog->editor(shortPath)), u"A widget."_s);
        QCOMPARE(editorText(dialog->editor(u"Program_Descriptions/German/Keywords"_s)), u"Werkzeug"_s);
        QCOMPARE(editorText(dialog->editor(u"Program_Info/Program_Language"_s)), u"English,German"_s);
        QVERIFY(chooseGroup(*dialog, u"Kept Elements"_s));
        auto *kept = control<QTableWidget>(*dialog, u"KeptElements"_s);
        QCOMPARE(kept->rowCount(), foreign.isEmpty() ? 1 : 2);
        QCOMPARE(kept->item(0, 0)->text(), u"Program_Info/Includes_JAVA_VM"_s);
        if (!foreign.isEmpty()) {
            QCOMPARE(kept->item(1, 0)->text(), u"Program_Descriptions/English/ext:Char_Desc_45"_s);
            QCOMPARE(kept->item(1, 1)->text(), u"Short blurb"_s);
        }
        QVERIFY(chooseGroup(*dialog, u"Descriptions"_s));
        QVERIFY(tabTo(dialog->editor(shortPath)));
        replaceText(focused(), u"A better widget."_s);
        QTest::keyClick(focused(), Qt::Key_Return);
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    // Update writes the file's own element, and the foreign one keeps every byte.
    pressUpdate(window);
    QByteArray expected = bytes;
    expected.replace("<Char_Desc_45>A widget.<", "<Char_Desc_45>A better widget.<");
    QCOMPARE(readAll(path), prefixed ? withPrefix(expected) : expected);
}

// What the dialog changes, Update writes into the file in place, and nothing else.
void TestMoreFields::updateWritesTheDialogsValues()
{
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(u"update.xml"_s);
    QFile::remove(path);
    QVERIFY(QFile::copy(updateFixture(u"other-fields.xml"_s), path));
    const QByteArray before = readAll(path);
    MainWindow window;
    QVERIFY(showActive(window));
    QVERIFY(importQuietly(window, path));

    const QString shortPath = u"Program_Descriptions/English/Char_Desc_80"_s;
    const QString problem = throughTheMenu(window, [&](MoreFieldsDialog *dialog) {
        QVERIFY(chooseGroup(*dialog, u"Descriptions"_s));
        QVERIFY(tabTo(dialog->editor(shortPath)));
        replaceText(focused(), u"A small widget"_s);
        // German goes: its tab chosen with the arrow keys, then Alt+R.
        auto *tabs = control<QTabWidget>(*dialog, u"LanguageTabs"_s);
        QVERIFY(tabTo(tabs->tabBar()));
        QTest::keyClick(focused(), Qt::Key_Right);
        QCOMPARE(tabs->tabText(tabs->currentIndex()), u"German"_s);
        QTest::keyClick(focused(), Qt::Key_R, Qt::AltModifier);
        QTRY_COMPARE(tabs->count(), 2);
        QTest::keyClick(focused(), Qt::Key_Return);
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(readAll(path), before); // nothing is written before Update

    pressUpdate(window);
    QByteArray expected = before;
    expected.replace("<Char_Desc_80>A widget.<", "<Char_Desc_80>A small widget<");
    expected.replace("\r\n\t\t<German>\r\n\t\t\t<Char_Desc_45>Ein Werkzeug.</Char_Desc_45>\r\n\t\t</German>", "");
    QCOMPARE(readAll(path), expected);
    QCOMPARE(window.statusBar()->currentMessage(),
             u"Updated update.xml: 80 character description, Descriptions in German"_s);

    // The form now stands for the file as written: a second Update changes nothing.
    pressUpdate(window);
    QCOMPARE(window.statusBar()->currentMessage(), u"Nothing changed in update.xml"_s);
    QCOMPARE(readAll(path), expected);
}

// The author adds Dutch in the dialog while someone else adds a Dutch block
// to the file; written anyway, the file keeps that block's values and gains
// the author's, and a language the author did not touch stays.
void TestMoreFields::updateOfAFileChangedOnDiskKeepsItsNewValues()
{
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(u"changed.xml"_s);
    QFile::remove(path);
    QVERIFY(QFile::copy(updateFixture(u"other-fields.xml"_s), path));
    MainWindow window;
    QVERIFY(showActive(window));
    QVERIFY(importQuietly(window, path));

    const QString problem = throughTheMenu(window, [&](MoreFieldsDialog *dialog) {
        QVERIFY(chooseGroup(*dialog, u"Descriptions"_s));
        QTest::keyClick(focused(), Qt::Key_L, Qt::AltModifier);
        QTest::keyClicks(focused(), u"Dut"_s);
        QTest::keyClick(focused(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(control<QTabWidget>(*dialog, u"LanguageTabs"_s)->count(), 4);
        QTest::keyClicks(focused(), u"gereedschap"_s);
        QTest::keyClick(focused(), Qt::Key_Return);
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    QByteArray changed = readAll(path);
    changed.replace("\t\t</French>\r\n",
                    "\t\t</French>\r\n\t\t<Dutch>\r\n\t\t\t<Char_Desc_45>Een gereedschap.</Char_Desc_45>\r\n"
                    "\t\t</Dutch>\r\n\t\t<Italian>\r\n\t\t\t<Char_Desc_45>Un utensile.</Char_Desc_45>\r\n"
                    "\t\t</Italian>\r\n");
    QVERIFY(writeFile(path, changed));

    ModalDriver driver;
    driver.answer(QMessageBox::Yes);
    pressUpdate(window);
    QVERIFY2(driver.done() && driver.unexpected().isEmpty(), qPrintable(driver.unexpected()));
    QByteArray expected = changed;
    expected.replace("<Char_Desc_45>Een gereedschap.</Char_Desc_45>\r\n",
                     "<Char_Desc_45>Een gereedschap.</Char_Desc_45>\r\n\t\t\t<Keywords>gereedschap</Keywords>\r\n");
    QCOMPARE(readAll(path), expected);
    QCOMPARE(window.statusBar()->currentMessage(), u"Updated changed.xml: Keywords (Dutch)"_s);
}

// Generate writes what it always wrote, whatever the dialog holds; the
// status bar says how to add the rest, and Update adds it.
void TestMoreFields::generateStaysAndUpdateAdds()
{
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(u"generated.xml"_s);
    QFile::remove(path);
    MainWindow window;
    QVERIFY(showActive(window));
    const Pad::PadValues form = completeForm();
    fillForm(window, form);
    const QString shortPath = u"Program_Descriptions/English/Char_Desc_45"_s;
    const QString problem = throughTheMenu(window, [&](MoreFieldsDialog *dialog) {
        QVERIFY(chooseGroup(*dialog, u"Descriptions"_s));
        QVERIFY(tabTo(dialog->editor(shortPath)));
        QTest::keyClicks(focused(), u"A small widget"_s);
        QTest::keyClick(focused(), Qt::Key_L, Qt::AltModifier);
        QTest::keyClicks(focused(), u"Dut"_s);
        QTest::keyClick(focused(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(control<QTabWidget>(*dialog, u"LanguageTabs"_s)->count(), 2);
        QTest::keyClicks(focused(), u"gereedschap"_s);
        QTest::keyClick(focused(), Qt::Key_Return);
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    ModalDriver save;
    save.typeFile(path);
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    QVERIFY2(save.done() && save.unexpected().isEmpty(), qPrintable(save.unexpected()));
    const QByteArray generated = Pad::padFileBytes(Pad::padFileLines(form));
    QCOMPARE(readAll(path), generated);
    const QString said = window.statusBar()->currentMessage();
    QVERIFY2(said.contains(u"generated.xml"_s) && said.contains(u"Update PAD File"_s), qPrintable(said));
    QCOMPARE(window.updateTarget(), path);

    pressUpdate(window);
    const QByteArray updated = readAll(path);
    QString reason;
    const std::optional<Pad::PadDocument> document = Pad::loadPad(updated, form.releaseDate, &reason);
    QVERIFY2(document, qPrintable(reason));
    const Pad::OtherFields &written = document->otherFields;
    QCOMPARE(written.values.value(shortPath), u"A small widget"_s);
    QCOMPARE(written.languages, QStringList{u"Dutch"_s});
    QCOMPARE(written.values.value(u"Program_Descriptions/Dutch/Keywords"_s), u"gereedschap"_s);
    // The form's lines stay as Generate wrote them.
    QCOMPARE(document->imported.values, form);
    QVERIFY(updated.contains("\t\t\t<Char_Desc_45>A small widget</Char_Desc_45>\r\n"));
    QVERIFY(updated.startsWith(generated.left(generated.indexOf("<Char_Desc_45"))));
}

QTEST_MAIN(TestMoreFields)
#include "tst_morefields.moc"
