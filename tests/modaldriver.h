#pragma once

// Answers the modal dialogs that a window opens, in order, from the event
// loop they block in, so tests drive the real window without hanging.
#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    QString shownText;  // what its label shows
    Qt::TextFormat format = Qt::AutoText;
    QString detailedText;
    bool fitsScreen = false;
};

class ModalDriver : public QObject
{
public:
    ModalDriver()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, &ModalDriver::poll);
        m_timer.start();
    }

    // The next modal dialog must be a T; step handles it and must close it.
    template <typename T>
    ModalDriver &then(std::function<void(T *)> step)
    {
        m_hadSteps = true;
        m_steps.push_back([step](QWidget *widget) {
            auto *dialog = qobject_cast<T *>(widget);
            if (dialog)
                step(dialog);
            return dialog != nullptr;
        });
        return *this;
    }

    // Types path into a file dialog's name box and accepts it.
    ModalDriver &chooseFile(const QString &path)
    {
        return then<QFileDialog>([this, path](QFileDialog *dialog) {
            auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            m_proposedPaths << edit->text();
            // A name set without typing leaves the file the dialog proposed
            // selected, and the dialog would return that one instead.
            for (QAbstractItemView *view : dialog->findChildren<QAbstractItemView *>())
                view->clearSelection();
            edit->setText(path);
            QMetaObject::invokeMethod(dialog, "accept");
        });
    }
    // Types path into a file dialog's name box key by key, as a user does,
    // letting the name completer pop up on the way, and presses Return. The
    // keys go where a user's keys would: to the completer's popup while it
    // is open.
    ModalDriver &typeFile(const QString &path)
    {
        return then<QFileDialog>([this, path](QFileDialog *dialog) {
            auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            m_proposedPaths << edit->text();
            edit->setFocus();
            edit->selectAll();
            const auto target = [edit]() -> QWidget * {
                QWidget *popup = QApplication::activePopupWidget();
                return popup ? popup : edit;
            };
            for (const QChar c : path)
                QTest::keyClick(target(), c.toLatin1(), Qt::NoModifier, 2);
            QTest::qWait(50);
            m_popupsWhileTyping = QApplication::activePopupWidget() != nullptr;
            QTest::keyClick(target(), Qt::Key_Return);
        });
    }
    ModalDriver &cancelFileDialog()
    {
        return then<QFileDialog>([this](QFileDialog *dialog) {
            m_proposedPaths << dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
            dialog->reject();
        });
    }
    // Notes what the message box says and clicks one of its buttons.
    ModalDriver &answer(QMessageBox::StandardButton button)
    {
        return then<QMessageBox>([this, button](QMessageBox *box) {
            SeenBox seen;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            seen.shownText = label ? label->text() : QString();
            seen.format = label ? label->textFormat() : Qt::AutoText;
            seen.detailedText = box->detailedText();
            const QRect screen = box->screen()->availableGeometry();
            seen.fitsScreen = screen.contains(box->frameGeometry());
            for (QAbstractButton *b : box->buttons())
                seen.buttons << box->standardButton(b);
            m_boxes << seen;
            if (QAbstractButton *wanted = box->button(button)) {
                wanted->click();
            } else {
                m_unexpected = QStringLiteral("no such button on: ") + box->text();
                box->done(QMessageBox::Cancel);
            }
        });
    }

    bool done() const { return m_steps.empty(); }
    const QList<SeenBox> &boxes() const { return m_boxes; }
    // What each file dialog proposed in its name box when it opened.
    const QStringList &proposedPaths() const { return m_proposedPaths; }
    // Whether the name completer was open when typeFile pressed Return.
    bool popupWhileTyping() const { return m_popupsWhileTyping; }
    // A dialog nobody expected, or one of the wrong kind; closed so the test ends.
    QString unexpected() const { return m_unexpected; }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        // A driver whose steps are all done leaves later dialogs to the next one.
        if (!modal || !modal->isVisible() || modal == m_handled || (m_hadSteps && m_steps.empty()))
            return;
        m_handled = modal;
        if (m_steps.empty() || !m_steps.front()(modal)) {
            m_unexpected = QString::fromLatin1(modal->metaObject()->className());
            if (auto *box = qobject_cast<QMessageBox *>(modal))
                m_unexpected += QStringLiteral(": ") + box->text();
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            return;
        }
        m_steps.pop_front();
    }

    QTimer m_timer;
    std::deque<std::function<bool(QWidget *)>> m_steps;
    QPointer<QWidget> m_handled;
    bool m_hadSteps = false;
    QList<SeenBox> m_boxes;
    QStringList m_proposedPaths;
    QString m_unexpected;
    bool m_popupsWhileTyping = false;
};
