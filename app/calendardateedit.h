#pragma once

#include <QDate>
#include <QDateEdit>

// A date editor whose calendar opens and closes from the keyboard as every
// drop-down of the desktop does: Alt+Down or F4 open it, and Alt+Up, Alt+Down
// or F4 close it again, keeping the day chosen in it. None of these keys steps
// the date, as the plain editor would do with Alt+Down. In the open calendar
// the arrows move the day, Return takes it and Escape goes back to the date
// the calendar opened with. Without a date, the calendar opens on today's month.
class CalendarDateEdit : public QDateEdit
{
    Q_OBJECT

public:
    explicit CalendarDateEdit(QWidget *parent = nullptr);

    // The editor can also hold no date, reading text until a date is typed
    // (its first key starts one), stepped to or picked; it then stands at its
    // minimum date, which is never a date of its own.
    void setNoDateText(const QString &text);
    void setNoDate();
    bool hasDate() const;
    // The date shown, or an invalid date when the editor holds none.
    QDate chosenDate() const;
    // Whether the editor can show date as a date of its own.
    bool canShow(const QDate &date) const;

    void stepBy(int steps) override;

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showCalendar();
    // The calendar's own window, made on first use.
    QWidget *calendarPopup() const;
    bool calendarShown() const;

    QDate m_dateAtOpening;
    // The last key typed a part in full, and the editor moved on to the next.
    bool m_movedOnByItself = false;
    bool m_watchingCalendar = false;
};
