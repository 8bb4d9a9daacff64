#include "messages.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTextDocument>

namespace {

// A box of this much text fits the smallest screens a desktop still has,
// even when every line wraps a few times.
constexpr int MaxShownLines = 15;
constexpr int MaxShownCharacters = 1500;

void preparePlain(QMessageBox &box)
{
    box.setTextFormat(Qt::PlainText);
}

} // namespace

void showMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    showLines(parent, icon, title, text.split(u'\n'));
}

bool askYesNo(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(icon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    preparePlain(box);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int askOneOf(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
             const QStringList &choices, int defaultChoice)
{
    QMessageBox box(icon, title, text, QMessageBox::Cancel, parent);
    preparePlain(box);
    QList<QPushButton *> buttons;
    for (const QString &choice : choices)
        buttons << box.addButton(choice, QMessageBox::AcceptRole);
    box.setDefaultButton(buttons.value(defaultChoice));
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    return int(buttons.indexOf(qobject_cast<QPushButton *>(box.clickedButton())));
}

QString plainToolTip(const QStringList &lines)
{
    return Qt::convertFromPlainText(lines.join(u'\n'), Qt::WhiteSpaceNormal);
}

QString summarizeLines(const QStringList &lines, int maxLines, int maxCharacters)
{
    QStringList out;
    qsizetype budget = maxCharacters;
    qsizetype taken = 0;
    for (; taken < lines.size() && budget > 0; ++taken) {
        // The last line is kept for the count of what is left out.
        if (taken == maxLines - 1 && lines.size() > maxLines)
            break;
        const QString &line = lines.at(taken);
        out << (line.size() > budget ? line.left(budget) + QChar(0x2026) : line);
        budget -= line.size();
    }
    if (taken < lines.size())
        out << QMessageBox::tr("... and %n more", nullptr, int(lines.size() - taken));
    return out.join(u'\n');
}

void showLines(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QStringList &lines)
{
    const QString shown = summarizeLines(lines, MaxShownLines, MaxShownCharacters);
    QMessageBox box(icon, title, shown, QMessageBox::Ok, parent);
    preparePlain(box);
    const QString whole = lines.join(u'\n');
    if (shown != whole)
        box.setDetailedText(whole);
    box.exec();
}

LeaveOutChoice askBeforeLeavingOut(QWidget *parent, const QString &fileName, int valuesLeftOut)
{
    const QString values = valuesLeftOut == 1 ? QCoreApplication::translate("MainWindow", "1 value")
                                              : QCoreApplication::translate("MainWindow", "%1 values").arg(valuesLeftOut);
    const int choice = askOneOf(
        parent, QMessageBox::Question, QCoreApplication::translate("MainWindow", "Generate PAD"),
        QCoreApplication::translate("MainWindow",
                                    "%1 holds %2 that Generate PAD would leave out of a new file: values that only "
                                    "File, More PAD Fields shows, such as other languages' descriptions, and "
                                    "operating systems the list lacks.\nFile, Update PAD File writes the form "
                                    "into %1 and keeps them.")
            .arg(fileName, values),
        {QCoreApplication::translate("MainWindow", "&Update %1").arg(QString(fileName).replace(u'&', QStringLiteral("&&"))),
         QCoreApplication::translate("MainWindow", "&Generate Anyway")},
        0);
    if (choice == 0)
        return LeaveOutChoice::UpdateInstead;
    return choice == 1 ? LeaveOutChoice::GenerateAnyway : LeaveOutChoice::Cancel;
}
