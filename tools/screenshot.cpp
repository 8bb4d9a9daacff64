// Renders the main window for the README:
//   QT_QPA_PLATFORM=offscreen build/tools/quillet_screenshot docs/quillet.png
#include "mainwindow.h"
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
        std::fputs("usage: quillet_screenshot <file.png>\n", stderr);
        return 2;
    }
    TFMain window;
    const auto set = [&](const char *name, const char *text) {
        window.findChild<QLineEdit *>(QLatin1String(name))->setText(QString::fromUtf8(text));
    };
    set("Company_Name", "Tarnwick Software");
    set("Company_Website_URL", "https://tarnwick.example.org/");
    set("Contact_Email", "authors@tarnwick.example.org");
    set("Program_Name", "Inkwell");
    // The blank breaks the version rule, so the picture shows a hint.
    set("Program_Version", "v. 3.2");
    set("Program_Cost_Dollars", "19.95");
    set("File_Size_Bytes", "4718592");
    set("Keywords", "notes, writing, markdown");
    set("Application_Info_URL", "https://tarnwick.example.org/inkwell/");
    set("Application_XML_File_URL", "https://tarnwick.example.org/inkwell/pad.xml");
    set("Primary_Download_URL", "https://tarnwick.example.org/inkwell/inkwell-3.2.exe");
    window.findChild<QPlainTextEdit *>(QStringLiteral("Char_Desc_450"))
        ->setPlainText(QStringLiteral("Inkwell keeps your notes in plain files and writes them up as tidy documents."));
    auto *os = window.findChild<QListWidget *>(QStringLiteral("Program_OS_Support"));
    os->item(6)->setCheckState(Qt::Checked);
    os->item(11)->setCheckState(Qt::Checked);
    window.show();
    app.processEvents();
    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
