#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// Tells what Quillet does and who made it. One instance lives as long as the
// main window and is shown again by every Help, About; exec() shows it
// modally, and OK or the close button hides it.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void centreOnScreen();

    QPlainTextEdit *const m_memo;
    QLabel *const m_image;
    QPushButton *const m_buttonOk;
};
