#include "startupbench.h"

#include "mainwindow.h"
#include "padform.h"
#include "startup.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char ChildFlag[] = "--startup-child";

// The window Quillet shows, without anything of Quillet's own: the yardstick.
QMainWindow *bareWindow()
{
    auto *window = new QMainWindow;
    auto *central = new QWidget;
    auto *column = new QVBoxLayout(central);
    for (int group = 0; group < 4; ++group) {
        auto *box = new QGroupBox(QStringLiteral("Group"));
        auto *grid = new QGridLayout(box);
        for (int row = 0; row < 4; ++row) {
            grid->addWidget(new QLabel(QStringLiteral("Label :")), row, 0);
            grid->addWidget(new QLineEdit, row, 1);
        }
        column->addWidget(box);
    }
    column->addWidget(new QDateEdit(QDate::currentDate()));
    auto *combo = new QComboBox;
    combo->addItems({QStringLiteral("Shareware"), QStringLiteral("Freeware")});
    column->addWidget(combo);
    auto *list = new QListWidget;
    for (qsizetype i = 0; i < Pad::OsSupportList().size(); ++i)
        list->addItem(QStringLiteral("OS %1").arg(i));
    column->addWidget(list);
    column->addWidget(new QPlainTextEdit);
    for (int i = 0; i < 4; ++i)
        column->addWidget(new QPushButton(QStringLiteral("Button")));
    window->setCentralWidget(central);
    window->menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("E&xit"));
    window->menuBar()->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&About"));
    window->statusBar()->addWidget(new QLabel(QStringLiteral("Status")), 1);
    return window;
}

// Peak resident memory of this process in kB, from the kernel.
long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

struct Figure
{
    double milliseconds = 0;
    double megabytes = 0;
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int runStartupChild(int argc, char **argv)
{
    if (argc < 3 || std::strcmp(argv[1], ChildFlag) != 0)
        return -1;
    const bool quillet = std::strcmp(argv[2], "quillet") == 0;
    QElapsedTimer timer;
    timer.start();
    QApplication app(argc, argv);
    QMainWindow *window = nullptr;
    if (quillet) {
        configureApplication(app);
        window = new MainWindow;
    } else {
        window = bareWindow();
    }
    window->show();
    // Shown means mapped and painted once.
    while (!window->windowHandle() || !window->windowHandle()->isExposed())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("%.3f %ld\n", ms, peakKilobytes());
    delete window;
    return 0;
}

void printStartupComparison(const char *program, int rounds)
{
    std::vector<double> times[2], memory[2];
    const char *kinds[2] = {"quillet", "bare"};
    for (int round = 0; round < rounds; ++round) {
        for (int kind = 0; kind < 2; ++kind) {
            QProcess child;
            child.start(QString::fromLocal8Bit(program),
                        {QLatin1String(ChildFlag), QLatin1String(kinds[kind])});
            if (!child.waitForFinished(30000) || child.exitCode() != 0)
                continue;
            const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
            if (fields.size() != 2)
                continue;
            times[kind].push_back(fields[0].toDouble());
            memory[kind].push_back(fields[1].toDouble() / 1024.0);
        }
    }
    const double quilletMs = median(times[0]);
    const double bareMs = median(times[1]);
    std::printf("start-up to a shown window (median of %d, %s)\n", rounds,
                qPrintable(QString::fromLocal8Bit(qgetenv("QT_QPA_PLATFORM"))));
    std::printf("  Quillet    %8.1f ms  %6.1f MB peak\n", quilletMs, median(memory[0]));
    std::printf("  bare Qt    %8.1f ms  %6.1f MB peak\n", bareMs, median(memory[1]));
    std::printf("  ratio      %8.2f\n", bareMs > 0 ? quilletMs / bareMs : 0.0);
}
