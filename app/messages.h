#pragma once

#include <QMessageBox>
#include <QStringList>

// Every message box of the program goes through these, so that names,
// paths and values from files and fields are shown exactly as they are
// (plain text, never guessed to be HTML) and no box outgrows the screen.

// A box with an OK button; the caption is its title.
void showMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                 const QString &text);

// Yes or No; No is the default.
bool askYesNo(QWidget *parent, QMessageBox::Icon icon, const QString &title,
              const QString &text);

// One of choices, or -1 when the author cancels (Escape, Cancel, the close
// button). Each choice is a button whose text may carry a mnemonic;
// defaultChoice is the one Return presses.
int askOneOf(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
             const QStringList &choices, int defaultChoice);

// A tooltip that shows lines of text as they are, markup characters and all.
QString plainToolTip(const QStringList &lines);

// One line per entry. A list longer than a screenful shows its first lines
// and how many more there are; the box's details then hold the whole list.
void showLines(QWidget *parent, QMessageBox::Icon icon, const QString &title,
               const QStringList &lines);

// What showLines puts into the box itself: at most maxLines lines and about
// maxCharacters characters (a line cut short ends in an ellipsis), the last
// line saying how many lines were left out.
QString summarizeLines(const QStringList &lines, int maxLines, int maxCharacters);

// What Generate does with a form from a file holding values that a new file
// would leave out, as the author answers when asked.
enum class LeaveOutChoice { UpdateInstead, GenerateAnyway, Cancel };
// Asks, naming the file and how many of its values a new file leaves out.
LeaveOutChoice askBeforeLeavingOut(QWidget *parent, const QString &fileName, int valuesLeftOut);
