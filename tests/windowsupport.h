#pragma once

// Reaches the main window's controls by their object names, as a user sees
// them, without going through the window's own gathering code.
#include "calendardateedit.h"
#include "mainwindow.h"
#include "messagebar.h"
#include "startup.h"
#include "padform.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// Names the application as at start-up, keeps the file dialogs Qt's own, and
// gives this process settings of its own (the recent files, the file dialogs'
// history) in a folder that starts empty and goes at exit. So tests never
// touch the user's settings, and test programs running side by side never see
// each other's: Qt's test mode would share one folder among all of them.
// Must run before anything creates a QSettings.
inline void prepareApplication()
{
    static const QTemporaryDir home;
    if (!home.isValid())
        qFatal("no temporary folder for the settings: %s", qPrintable(home.errorString()));
    const QString config = home.filePath(QStringLiteral("config"));
    const QString data = home.filePath(QStringLiteral("data"));
    if (!QDir().mkpath(config) || !QDir().mkpath(data))
        qFatal("cannot make the settings folders in %s", qPrintable(home.path()));
    // Also reaches what reads the standard locations, and programs started from the tests.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, config);

    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    configureApplication(*qApp);
    if (!QSettings().fileName().startsWith(config))
        qFatal("the settings are not in the test's own folder: %s", qPrintable(QSettings().fileName()));
}

template <typename T>
T *control(const QWidget &window, const QString &name)
{
    T *found = window.findChild<T *>(name);
    if (!found)
        qFatal("no control named %s", qPrintable(name));
    return found;
}

inline QString fieldText(const QWidget &window, Pad::TextField field)
{
    const QString name = Pad::objectName(field);
    if (field == Pad::TextField::Char_Desc_450)
        return control<QPlainTextEdit>(window, name)->toPlainText();
    return control<QLineEdit>(window, name)->text();
}

inline QStringList tickedEntries(const QWidget &window)
{
    const auto *list = control<QListWidget>(window, QStringLiteral("osSupportList"));
    QStringList ticked;
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->checkState() == Qt::Checked)
            ticked << list->item(row)->text();
    }
    return ticked;
}

inline Pad::PadValues shownValues(const QWidget &window)
{
    Pad::PadValues values;
    for (int i = 0; i < Pad::TextFieldCount; ++i)
        values.texts[i] = fieldText(window, static_cast<Pad::TextField>(i));
    values.releaseDate = control<CalendarDateEdit>(window, QStringLiteral("releaseDateEdit"))->chosenDate();
    values.programType = control<QComboBox>(window, QStringLiteral("programTypeBox"))->currentText();
    values.osSupport = tickedEntries(window);
    return values;
}

inline void fillForm(QWidget &window, const Pad::PadValues &values)
{
    for (int i = 0; i < Pad::TextFieldCount; ++i) {
        const auto field = static_cast<Pad::TextField>(i);
        if (field == Pad::TextField::Char_Desc_450)
            control<QPlainTextEdit>(window, Pad::objectName(field))->setPlainText(values.texts[i]);
        else
            control<QLineEdit>(window, Pad::objectName(field))->setText(values.texts[i]);
    }
    auto *date = control<CalendarDateEdit>(window, QStringLiteral("releaseDateEdit"));
    if (values.releaseDate.isValid())
        date->setDate(values.releaseDate);
    else
        date->setNoDate();
    auto *type = control<QComboBox>(window, QStringLiteral("programTypeBox"));
    type->setCurrentIndex(type->findText(values.programType));
    auto *list = control<QListWidget>(window, QStringLiteral("osSupportList"));
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        item->setCheckState(values.osSupport.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
    }
}

// Replaces a field's text by typing, as a user does.
inline void typeInto(QWidget &window, const QString &field, const QString &text)
{
    auto *edit = control<QLineEdit>(window, field);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// The lines of the bar above the form that holds an import's notes; none
// while it is hidden.
inline QStringList importNotes(const QWidget &window)
{
    const auto *bar = control<MessageBar>(window, QStringLiteral("importNotes"));
    return bar->isVisible() ? bar->lines() : QStringList();
}

// A form that passes every check, with something in every field.
inline Pad::PadValues completeForm()
{
    Pad::PadValues v;
    for (int i = 0; i < Pad::TextFieldCount; ++i)
        v.texts[i] = Pad::objectName(static_cast<Pad::TextField>(i)) + QStringLiteral(" value");
    v.releaseDate = QDate(2024, 2, 29);
    v.programType = QStringLiteral("Freeware");
    v.osSupport = QStringList{QStringLiteral("WinXP"), QStringLiteral("Linux")};
    return v;
}

// Shows the window and waits until it has the focus, as it would on a desktop.
inline bool showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}
