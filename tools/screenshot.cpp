// Renders the main window and the More PAD Fields dialog for the README:
//   QT_QPA_PLATFORM=offscreen build/tools/quillet_screenshot docs/quillet.png docs/morefields.png
#include "mainwindow.h"
#include "morefieldsdialog.h"
#include "startup.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    configureApplication(app);
    if (argc < 2) {
        std::fputs("usage: quillet_screenshot <window.png> [<dialog.png>]\n", stderr);
        return 2;
    }
    MainWindow window;
    const auto set = [&](Pad::TextField field, const char *text) {
        window.findChild<QLineEdit *>(Pad::objectName(field))->setText(QString::fromUtf8(text));
    };
    set(Pad::TextField::Company_Name, "Tarnwick Software");
    set(Pad::TextField::Company_Website_URL, "https://tarnwick.example.org/");
    set(Pad::TextField::Contact_Email, "authors@tarnwick.example.org");
    set(Pad::TextField::Program_Name, "Inkwell");
    // The blank breaks the version rule, so the picture shows a hint.
    set(Pad::TextField::Program_Version, "v. 3.2");
    set(Pad::TextField::Program_Cost_Dollars, "19.95");
    set(Pad::TextField::File_Size_Bytes, "4718592");
    set(Pad::TextField::Keywords, "notes, writing, markdown");
    set(Pad::TextField::Application_Info_URL, "https://tarnwick.example.org/inkwell/");
    set(Pad::TextField::Application_XML_File_URL, "https://tarnwick.example.org/inkwell/pad.xml");
    set(Pad::TextField::Primary_Download_URL, "https://tarnwick.example.org/inkwell/inkwell-3.2.exe");
    window.findChild<QPlainTextEdit *>(Pad::objectName(Pad::TextField::Char_Desc_450))
        ->setPlainText(QStringLiteral("Inkwell keeps your notes in plain files and writes them up as tidy documents."));
    auto *os = window.findChild<QListWidget *>(QStringLiteral("osSupportList"));
    os->item(6)->setCheckState(Qt::Checked);
    os->item(11)->setCheckState(Qt::Checked);
    window.show();
    app.processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1])))
        return 1;
    if (argc < 3)
        return 0;

    Pad::OtherFields fields;
    const auto field = [&](const char *path, const char *text) {
        fields.values.insert(QLatin1String(path), QString::fromUtf8(text));
    };
    field("Program_Descriptions/English/Char_Desc_45", "Notes in plain files, written up tidily");
    // Two lines break the rule of a single-line description, so the picture shows a hint.
    field("Program_Descriptions/English/Char_Desc_80", "Keeps your notes in plain files\nand writes them up.");
    field("Program_Descriptions/English/Char_Desc_250",
          "Inkwell keeps your notes in plain text files, links them by their titles and writes "
          "them up as tidy documents for print or the web.");
    field("Program_Descriptions/English/Char_Desc_2000",
          "Inkwell keeps your notes in plain text files that any editor opens, so nothing is "
          "locked away.\n\nLinks between notes follow their titles, and a finished set of "
          "notes becomes a document for print or the web in one step.");
    field("Program_Descriptions/German/Char_Desc_45", "Notizen in einfachen Dateien");
    fields.languages << QStringLiteral("German");
    MoreFieldsDialog dialog(fields, {}, &window);
    dialog.show();
    auto *pages = dialog.findChild<QListWidget *>(QStringLiteral("MoreFieldsPages"));
    pages->setCurrentItem(pages->findItems(QStringLiteral("Descriptions"), Qt::MatchExactly).constFirst());
    app.processEvents();
    return dialog.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
