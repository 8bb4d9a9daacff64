#pragma once

#include <QFrame>
#include <QStringList>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QScrollArea;
class QToolButton;

// A bar inside the window that tells the author something worth reading
// without stopping them, as a message box would: an icon, the message's
// lines in full (scrolling past a few lines, so that the window stays on the
// screen), buttons for what to do about it, and a close button. It shows
// plain text only, and screen readers are told when it appears.
class MessageBar : public QFrame
{
    Q_OBJECT

public:
    enum class Kind { Information, Warning };

    explicit MessageBar(QWidget *parent = nullptr);

    // Shows lines, one per line, with the buttons added since the last call.
    void showLines(Kind kind, const QStringList &lines);
    // A button beside the text; it goes with the message.
    QPushButton *addButton(const QString &text);
    QStringList lines() const { return m_lines; }
    QLabel *textLabel() const { return m_text; }
    QToolButton *closeButton() const { return m_close; }

public slots:
    // Hides the bar and forgets its message and buttons.
    void dismiss();

signals:
    void dismissed();

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyColors();
    // The text takes the lines it needs, up to MaxShownLines; beyond them it scrolls.
    void fitTextHeight();

    Kind m_kind = Kind::Information;
    QStringList m_lines;
    QLabel *const m_icon;
    QLabel *const m_text;
    QScrollArea *const m_textArea;
    QHBoxLayout *const m_buttons;
    QToolButton *const m_close;
    bool m_applyingColors = false;
};
