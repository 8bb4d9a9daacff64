// Prints how long Quillet's main actions take on this machine:
//   build/bench/quillet_bench [a PAD file to import]
// It runs without a display (offscreen) unless QT_QPA_PLATFORM says otherwise;
// QT_QPA_PLATFORM=xcb measures start-up on an X server, where windows are mapped.
#include "mainwindow.h"
#include "padreader.h"
#include "padwriter.h"
#include "startup.h"
#include "startupbench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

Pad::PadValues sampleForm()
{
    Pad::PadValues v;
    for (int i = 0; i < Pad::TextFieldCount; ++i)
        v.texts[i] = Pad::objectName(static_cast<Pad::TextField>(i)) + QStringLiteral(" & <value>");
    v.text(Pad::TextField::Char_Desc_450) = QString(450, u'd');
    v.releaseDate = QDate(2026, 12, 10);
    v.programType = QStringLiteral("Shareware");
    v.osSupport = Pad::OsSupportList();
    return v;
}

// Runs action repeatedly for about a quarter of a second; the mean in microseconds.
double meanMicroseconds(const std::function<void()> &action)
{
    QElapsedTimer timer;
    timer.start();
    int runs = 0;
    do {
        action();
        ++runs;
    } while (timer.nsecsElapsed() < 250'000'000);
    return timer.nsecsElapsed() / 1000.0 / runs;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void importFigure(const char *what, const QString &path, int repeat)
{
    QString error;
    QElapsedTimer timer;
    timer.start();
    bool ok = true;
    for (int i = 0; i < repeat; ++i)
        ok = Pad::readPadFile(path, QDate::currentDate(), &error).has_value() && ok;
    std::printf("import %-34s %10.3f ms%s\n", what, timer.nsecsElapsed() / 1e6 / repeat,
                ok ? "" : qPrintable(QStringLiteral("  (refused: ") + error + u')'));
}

} // namespace

int main(int argc, char **argv)
{
    if (const int code = runStartupChild(argc, argv); code >= 0)
        return code;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    printStartupComparison(argv[0], 15);

    QApplication app(argc, argv);
    configureApplication(app);

    const Pad::PadValues form = sampleForm();
    std::printf("build the lines and bytes of one file     %10.3f us\n",
                meanMicroseconds([&] { Pad::padFileBytes(Pad::PadOutputLines(form)); }));

    QTemporaryDir dir;
    const QString written = dir.filePath(QStringLiteral("written.xml"));
    const QByteArray bytes = Pad::padFileBytes(Pad::PadOutputLines(form));
    QString error;
    std::printf("save one file (atomically)                %10.3f us\n",
                meanMicroseconds([&] { Pad::savePadFile(written, bytes, &error); }));
    importFigure("a generated file", written, 200);
    if (argc > 1)
        importFigure(argv[1], QString::fromLocal8Bit(argv[1]), 200);

    Pad::PadValues big = form;
    big.text(Pad::TextField::Char_Desc_450) = QString(16 * 1024 * 1024, u'x');
    const QString large = dir.filePath(QStringLiteral("large.xml"));
    if (writeFile(large, Pad::padFileBytes(Pad::PadOutputLines(big))))
        importFigure("a 16 MiB file", large, 3);
    return 0;
}
