#include "calendardateedit.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace {

// Whether the key opens or closes a drop-down list on the desktop.
bool isDropDownKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_F4:
        return modifiers == Qt::NoModifier;
    case Qt::Key_Down:
    case Qt::Key_Up:
        return modifiers == Qt::AltModifier;
    default:
        return false;
    }
}

// Whether the key types a character, as a digit or a letter does.
bool typesCharacter(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return !(event->modifiers() & commands) && !event->text().isEmpty() && event->text().front().isPrint();
}

} // namespace

CalendarDateEdit::CalendarDateEdit(QWidget *parent)
    : QDateEdit(parent)
{
    setCalendarPopup(true);
}

void CalendarDateEdit::setNoDateText(const QString &text)
{
    setSpecialValueText(text);
}

void CalendarDateEdit::setNoDate()
{
    setDate(minimumDate());
}

bool CalendarDateEdit::hasDate() const
{
    return specialValueText().isEmpty() || date() != minimumDate();
}

QDate CalendarDateEdit::chosenDate() const
{
    return hasDate() ? date() : QDate();
}

bool CalendarDateEdit::canShow(const QDate &date) const
{
    return date > minimumDate() && date <= maximumDate();
}

void CalendarDateEdit::stepBy(int steps)
{
    // From no date, a step lands on today rather than on the minimum's neighbour.
    if (!hasDate()) {
        setDate(QDate::currentDate());
        return;
    }
    QDateEdit::stepBy(steps);
}

QWidget *CalendarDateEdit::calendarPopup() const
{
    const QCalendarWidget *calendar = calendarWidget();
    return calendar ? calendar->window() : nullptr;
}

bool CalendarDateEdit::calendarShown() const
{
    const QWidget *popup = calendarPopup();
    return popup && popup != window() && popup->isVisible();
}

void CalendarDateEdit::showCalendar()
{
    if (calendarShown())
        return;
    // A click on the arrow opens the calendar where the editor places it, kept
    // on the screen; the keys press there.
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.editable = true;
    option.subControls = QStyle::SC_All;
    const QRect arrow =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
    QMouseEvent press(QEvent::MouseButtonPress, arrow.center(), mapToGlobal(arrow.center()),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    mousePressEvent(&press);
}

void CalendarDateEdit::mousePressEvent(QMouseEvent *event)
{
    const QDate before = date();
    QDateEdit::mousePressEvent(event);
    if (!calendarShown())
        return;
    m_dateAtOpening = before;
    if (!hasDate()) {
        const QDate today = QDate::currentDate();
        calendarWidget()->setCurrentPage(today.year(), today.month());
    }
    if (!m_watchingCalendar) {
        // The keys that close the calendar reach its table of days, which
        // holds the focus, not this editor. The year's spin box and the
        // month's menu keep their own Escape.
        QCalendarWidget *calendar = calendarWidget();
        QWidget *days = calendar->focusProxy();
        (days ? days : calendar)->installEventFilter(this);
        m_watchingCalendar = true;
    }
}

bool CalendarDateEdit::focusNextPrevChild(bool next)
{
    // Without a date there are no parts to move between, and the plain
    // editor would keep Tab for ever: it leaves the field.
    if (!hasDate())
        return QWidget::focusNextPrevChild(next);
    return QDateEdit::focusNextPrevChild(next);
}

void CalendarDateEdit::keyPressEvent(QKeyEvent *event)
{
    // The text for no date takes no typing: the first key that types starts
    // a date, as the arrow keys do, and goes into its first part, so that a
    // date typed as the editor shows dates comes out as typed.
    if (!hasDate() && typesCharacter(event)) {
        setDate(QDate::currentDate());
        setSelectedSection(sectionAt(0));
    }
    // A part typed in full moves on to the next by itself; the separator the
    // author then types is the one passed already, not a move to the part after.
    const bool typed = typesCharacter(event);
    const bool separator = typed && !event->text().front().isLetterOrNumber();
    if (separator && m_movedOnByItself) {
        m_movedOnByItself = false;
        event->accept();
        return;
    }
    if (!isDropDownKey(event)) {
        const int section = currentSectionIndex();
        QDateEdit::keyPressEvent(event);
        m_movedOnByItself = typed && !separator && currentSectionIndex() != section;
        return;
    }
    m_movedOnByItself = false;
    event->accept();
    // Alt+Up finds the calendar closed already.
    if (event->key() != Qt::Key_Up)
        showCalendar();
}

bool CalendarDateEdit::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::ShortcutOverride || type == QEvent::KeyPress) && calendarShown()) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool cancel = key->matches(QKeySequence::Cancel);
        if (cancel || isDropDownKey(key)) {
            if (type == QEvent::KeyPress) {
                // Each day the arrows pass is the editor's date already:
                // Escape goes back to the one the calendar opened with, the
                // other keys keep it.
                if (cancel)
                    setDate(m_dateAtOpening);
                calendarPopup()->close();
            }
            key->accept();
            return true;
        }
    }
    return QDateEdit::eventFilter(watched, event);
}
