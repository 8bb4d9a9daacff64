// Prints how long Quillet's main actions take on this machine:
//   build/bench/quillet_bench [--sizes] [PAD files to import and update]
// then, for generated worst cases just under the size limit, the import time,
// the added peak memory, and the time to read the file and show it in the
// window, and then the same shapes read from memory by the XML reader, by
// loadPad and by a plain QXmlStreamReader pass. --sizes also reads the same
// shapes at fixed sizes (most above the limit, so they are read from memory,
// past the file size check) to compare the reader with earlier versions. It runs without a display (offscreen)
// unless QT_QPA_PLATFORM says otherwise;
// QT_QPA_PLATFORM=xcb measures start-up on an X server, where windows are mapped.
#include "mainwindow.h"
#include "padreader.h"
#include "padupdate.h"
#include "padwriter.h"
#include "startup.h"
#include "startupbench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

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

// What the window does with a file, as the core does it: each reads the file
// once, as import, Update and --check do.
struct Read
{
    bool ok = false;
    qsizetype notes = 0; // characters of the import's notes
};

Read readAsImport(const std::optional<Pad::PadDocument> &document)
{
    Read read;
    read.ok = document.has_value();
    if (document) {
        for (const QString &note : document->imported.noteTexts())
            read.notes += note.size();
    }
    return read;
}

Read importFile(const QString &path, QString *error)
{
    return readAsImport(Pad::loadPadFile(path, QDate::currentDate(), error));
}

Read importBytes(const QByteArray &bytes, QString *error)
{
    return readAsImport(Pad::loadPad(bytes, QDate::currentDate(), error));
}

std::optional<Pad::PadValues> valuesOf(const std::optional<Pad::PadDocument> &document)
{
    return document ? std::optional(document->imported.values) : std::nullopt;
}

std::optional<Pad::PadValues> importedValues(const QString &path, QString *error)
{
    return valuesOf(Pad::loadPadFile(path, QDate::currentDate(), error));
}

std::optional<Pad::PadValues> importedValuesOf(const QByteArray &bytes, QString *error)
{
    return valuesOf(Pad::loadPad(bytes, QDate::currentDate(), error));
}

// The update of a file as read, without saving: the new bytes and their
// reading back, which also gives the other fields the window binds to; the
// number of fields changed, or -1.
int changesMade(const std::optional<Pad::PadDocument> &file, const Pad::PadValues &values, QString *error)
{
    if (!file)
        return -1;
    const std::optional<Pad::PadUpdate> update =
        Pad::updatePad(*file, values, Pad::OtherFieldEdits(), QDate::currentDate(), error);
    return update ? int(update->changes.size()) : -1;
}

// An update as the window makes it: reading the file, then changesMade.
int updateFile(const QString &path, const Pad::PadValues &values, QString *error)
{
    return changesMade(Pad::loadPadFile(path, QDate::currentDate(), error), values, error);
}

int updateBytes(const QByteArray &bytes, const Pad::PadValues &values, QString *error)
{
    return changesMade(Pad::loadPad(bytes, QDate::currentDate(), error), values, error);
}

QByteArray writtenBytes(const Pad::PadValues &values)
{
    return Pad::padFileBytes(Pad::padFileLines(values));
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
        ok = importFile(path, &error).ok && ok;
    std::printf("import %-34s %10.3f ms%s\n", what, timer.nsecsElapsed() / 1e6 / repeat,
                ok ? "" : qPrintable(QStringLiteral("  (refused: ") + error + u')'));
}

// The generated shapes: a form written by Quillet with something added where a
// reader is slowest, grown to about size bytes.
QByteArray writtenForm()
{
    return writtenBytes(sampleForm());
}

QByteArray insertAfterRoot(const QByteArray &piece)
{
    QByteArray bytes = writtenForm();
    const qsizetype at = bytes.indexOf("<XML_DIZ_INFO>") + int(std::strlen("<XML_DIZ_INFO>"));
    return bytes.insert(at, piece);
}

// Repeats unit, numbered, until the whole is about size bytes.
QByteArray numbered(const char *unit, qint64 size)
{
    QByteArray out;
    out.reserve(size);
    for (int i = 0; out.size() < size; ++i)
        out += QByteArray(unit).replace("#", QByteArray::number(i));
    return out;
}

QByteArray oneLongText(qint64 size)
{
    const QByteArray form = writtenForm();
    QByteArray bytes = form;
    const QByteArray tag = "<Char_Desc_450>";
    const qsizetype at = bytes.indexOf(tag) + tag.size();
    const qsizetype end = bytes.indexOf("</Char_Desc_450>");
    return bytes.replace(at, end - at, QByteArray(std::max<qint64>(0, size - form.size() + (end - at)), 'x'));
}

QByteArray manySmallElements(qint64 size)
{
    const QByteArray form = writtenForm();
    QByteArray bytes = form;
    const qsizetype at = bytes.lastIndexOf("</XML_DIZ_INFO>");
    return bytes.insert(at, "<Extra>" + numbered("<Item_#>value #</Item_#>", size - form.size() - 16) + "</Extra>");
}

QByteArray siblingsBeforeCompany(qint64 size)
{
    return insertAfterRoot(numbered("<Sibling_#>value #</Sibling_#>", size - writtenForm().size()));
}

QByteArray deepNesting(int depth)
{
    return insertAfterRoot(QByteArray("<d>").repeated(depth) + QByteArray("</d>").repeated(depth));
}

qint64 depthFor(qint64 size)
{
    return (size - writtenForm().size()) / 7;
}

QByteArray manyAttributes(qint64 size)
{
    return insertAfterRoot("<Many" + numbered(" a#=\"1\"", size - writtenForm().size() - 8) + "/>");
}

QByteArray manyOsNames(qint64 size)
{
    QByteArray bytes = writtenForm();
    const QByteArray tag = "<Program_OS_Support>";
    const qsizetype at = bytes.indexOf(tag) + tag.size();
    return bytes.insert(at, numbered("OS #,", size - bytes.size()));
}

// Linux keeps the peak resident size; writing 5 to clear_refs starts it anew.
// Memory that earlier cases freed is handed back first, so that it does not
// hide what this case takes.
qint64 statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

bool resetPeakMemory()
{
    malloc_trim(0);
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

struct Measured
{
    double medianMs = 0;
    double peakMb = -1;
    QString outcome;
};

// The median of runs imports and the peak memory added by the first, or with
// everyRun the median of the peaks of all runs, which what earlier cases left
// in the heap sways less.
Measured measureImport(const std::function<Read(QString *)> &import, int runs, bool everyRun = false)
{
    Measured m;
    std::vector<double> times;
    std::vector<double> peaks;
    for (int i = 0; i < runs; ++i) {
        const bool peak = (i == 0 || everyRun) && resetPeakMemory();
        const qint64 before = statusKilobytes("VmRSS:");
        QString error;
        QElapsedTimer timer;
        timer.start();
        const Read read = import(&error);
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (peak)
            peaks.push_back((statusKilobytes("VmHWM:") - before) / 1024.0);
        if (read.ok) {
            m.outcome = read.notes ? QStringLiteral("read, notes of %1 characters").arg(read.notes)
                                   : QStringLiteral("read");
        } else {
            // An import's refusal names the file first; the reader's does not.
            const qsizetype named = error.indexOf(QStringLiteral("\": "));
            m.outcome = QStringLiteral("refused: ") + error.mid(named < 0 ? 0 : named + 3).left(90);
        }
    }
    std::sort(times.begin(), times.end());
    m.medianMs = times[times.size() / 2];
    if (!peaks.empty()) {
        const double first = peaks.front();
        std::sort(peaks.begin(), peaks.end());
        m.peakMb = everyRun ? peaks[peaks.size() / 2] : first;
    }
    return m;
}

void printMeasured(const QString &what, qint64 bytes, const Measured &m, double windowMs = -1)
{
    std::printf("  %-40s %9.2f MB %10.1f ms %+9.1f MB", qPrintable(what), bytes / 1048576.0,
                m.medianMs, m.peakMb);
    if (windowMs >= 0)
        std::printf(" %10.1f ms", windowMs);
    std::printf("  %s\n", qPrintable(m.outcome));
}

struct Shape
{
    QString name;
    QByteArray bytes;
};

std::vector<Shape> shapesAt(qint64 size)
{
    return {
        {QStringLiteral("one long description"), oneLongText(size)},
        {QStringLiteral("many small elements"), manySmallElements(size)},
        {QStringLiteral("siblings before Company_Info"), siblingsBeforeCompany(size)},
        {QStringLiteral("nested %1 deep").arg(depthFor(size)), deepNesting(int(depthFor(size)))},
        {QStringLiteral("one element, many attributes"), manyAttributes(size)},
        {QStringLiteral("many unknown OS names"), manyOsNames(size)},
    };
}

// Reads the file as the window does, counting what the form does not show,
// hands the values to the window and paints it.
double windowMilliseconds(const QString &path)
{
    MainWindow window;
    window.show();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (const std::optional<Pad::PadDocument> read = Pad::loadPadFile(path, QDate::currentDate(), &error))
        window.applyImport(read->imported);
    window.repaint();
    QApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

void worstCasesAtTheLimit(const QTemporaryDir &dir)
{
    std::printf("\nworst cases just under the size limit of %lld bytes (median import, added peak memory,"
                " read and shown in the window):\n",
                qint64(Pad::MaxPadFileSize));
    for (const Shape &shape : shapesAt(Pad::MaxPadFileSize - 64)) {
        const QString path = dir.filePath(QStringLiteral("shape.xml"));
        writeFile(path, shape.bytes);
        const Measured m = measureImport(
            [&](QString *error) { return importFile(path, error); }, 5);
        printMeasured(shape.name, shape.bytes.size(), m, windowMilliseconds(path));
    }
}

// Each shape held in memory read three ways: by the reader alone (readXml),
// as loadPad reads it for the window's import (the reader, the form's values,
// the leaves and the other fields), and by a plain QXmlStreamReader pass over
// the same bytes that builds nothing, which bounds what the reader can cost.
// The plain pass is left out where the reader refuses the shape before it
// parses it (its start tag is too long for the XML reader to read quickly).
void readersSideBySide()
{
    std::printf("\nthe same worst cases read from memory (median time and added peak memory of 9 runs):"
                "\n  %-40s %20s %20s %20s  %s\n",
                "", "readXml", "loadPad", "QXmlStreamReader", "readXml / plain pass");
    constexpr int runs = 9;
    for (const Shape &shape : shapesAt(Pad::MaxPadFileSize - 64)) {
        const Measured xml = measureImport([&](QString *error) {
            return Read{Pad::readXml(shape.bytes, error).has_value(), 0};
        }, runs, true);
        const Measured pad = measureImport([&](QString *error) {
            return importBytes(shape.bytes, error);
        }, runs, true);
        std::printf("  %-40s %8.1f ms %+7.1f MB %8.1f ms %+7.1f MB", qPrintable(shape.name), xml.medianMs,
                    xml.peakMb, pad.medianMs, pad.peakMb);
        if (xml.outcome != QLatin1String("read")) {
            std::printf(" %20s  %6s  %s\n", "-", "-", qPrintable(xml.outcome));
            continue;
        }
        const Measured plain = measureImport([&](QString *error) {
            QXmlStreamReader reader(shape.bytes);
            while (!reader.atEnd())
                reader.readNext();
            *error = reader.errorString();
            return Read{!reader.hasError(), 0};
        }, runs, true);
        std::printf(" %8.1f ms %+7.1f MB  %6.2f\n", plain.medianMs, plain.peakMb, xml.medianMs / plain.medianMs);
    }
}

// What a release changes: version, date, size and download address; with
// everything, also the description and the OS list.
Pad::PadValues released(Pad::PadValues values, bool everything)
{
    using F = Pad::TextField;
    values.text(F::Program_Version) = QStringLiteral("9.8.7");
    values.releaseDate = QDate(2031, 1, 2);
    values.text(F::File_Size_Bytes) = QStringLiteral("123456789");
    values.text(F::Primary_Download_URL) = QStringLiteral("https://example.com/setup-9.8.7.exe");
    if (everything) {
        values.text(F::Char_Desc_450) = QStringLiteral("A new description.");
        values.osSupport = values.osSupport.contains(QStringLiteral("Win11"))
                               ? QStringList{QStringLiteral("Linux")}
                               : values.osSupport + QStringList{QStringLiteral("Win11")};
    }
    return values;
}

// The median time of an update as the window makes it, from reading the file
// to the read-back check, without saving; or why it cannot be made. The form
// holds what the file held, with a new release in it.
QString updateFigure(const QString &path, int runs)
{
    QString error;
    const std::optional<Pad::PadValues> imported = importedValues(path, &error);
    if (!imported)
        return QStringLiteral("refused: ") + error.left(80);
    const Pad::PadValues values = released(*imported, false);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (updateFile(path, values, &error) < 0)
            return QStringLiteral("refused: ") + error.left(80);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return QString::asprintf("%10.3f ms", times[times.size() / 2]);
}

// The median time of an update of bytes held in memory, as updateFile makes
// it: reading them, the new bytes and reading those back. The form holds
// what the bytes hold, with a release and more in it.
double updateMilliseconds(const QByteArray &bytes, int runs, QString *outcome)
{
    QString error;
    const std::optional<Pad::PadValues> imported = importedValuesOf(bytes, &error);
    if (!imported) {
        *outcome = QStringLiteral("refused: ") + error.left(80);
        return 0;
    }
    const Pad::PadValues values = released(*imported, true);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const int changed = updateBytes(bytes, values, &error);
        times.push_back(timer.nsecsElapsed() / 1e6);
        *outcome = changed >= 0 ? QStringLiteral("%1 fields changed").arg(changed)
                                : QStringLiteral("refused: ") + error.left(80);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Each worst case at a quarter, half and all of the size limit: an update
// that grows with the file shows as times that double with it.
void updatesGrowLinearly()
{
    std::printf("\nupdate (read, change version, date, size, address, description and OS list, read back)"
                "\nof the worst cases at 1/4, 1/2 and all of the size limit (median):\n");
    const qint64 limit = Pad::MaxPadFileSize - 64;
    const std::vector<Shape> quarter = shapesAt(limit / 4), half = shapesAt(limit / 2), whole = shapesAt(limit);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        QString outcome;
        const double a = updateMilliseconds(quarter[i].bytes, 5, &outcome);
        const double b = updateMilliseconds(half[i].bytes, 5, &outcome);
        const double c = updateMilliseconds(whole[i].bytes, 5, &outcome);
        std::printf("  %-40s %8.1f ms %8.1f ms %8.1f ms  %s\n", qPrintable(whole[i].name), a, b, c,
                    qPrintable(outcome));
    }
}

// The shapes of the issue that started the streaming reader, at their sizes.
void fixedSizes(const QTemporaryDir &dir)
{
    std::printf("\nthe same shapes at fixed sizes (median import, added peak memory):\n");
    std::vector<Shape> shapes = {
        {QStringLiteral("16 MiB of small elements"), manySmallElements(16 << 20)},
        {QStringLiteral("30 MiB of small elements"), manySmallElements(30 << 20)},
        {QStringLiteral("16 MiB of siblings before Company_Info"), siblingsBeforeCompany(16 << 20)},
        {QStringLiteral("nested 20,000 deep"), deepNesting(20000)},
        {QStringLiteral("nested 100,000 deep"), deepNesting(100000)},
        {QStringLiteral("nested 200,000 deep"), deepNesting(200000)},
        {QStringLiteral("80,000 attributes"), insertAfterRoot("<Many" + numbered(" a#=\"1\"", 80000 * 11) + "/>")},
        {QStringLiteral("80,000 unknown OS names"), manyOsNames(writtenForm().size() + 80000 * 8)},
        {QStringLiteral("16 MiB description"), oneLongText(16 << 20)},
    };
    for (const Shape &shape : shapes) {
        const QString path = dir.filePath(QStringLiteral("fixed.xml"));
        writeFile(path, shape.bytes);
        const Measured m = measureImport([&](QString *error) {
            return importBytes(shape.bytes, error);
        }, 3);
        printMeasured(shape.name, shape.bytes.size(), m);
    }
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
                meanMicroseconds([&] { writtenBytes(form); }));

    QTemporaryDir dir;
    const QString written = dir.filePath(QStringLiteral("written.xml"));
    const QByteArray bytes = writtenBytes(form);
    QString error;
    std::printf("save one file (atomically)                %10.3f us\n",
                meanMicroseconds([&] { Pad::savePadFile(written, bytes, &error); }));
    importFigure("a generated file", written, 200);
    std::printf("update %-34s %s\n", "a generated file", qPrintable(updateFigure(written, 200)));
    bool sizes = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sizes") == 0) {
            sizes = true;
        } else {
            importFigure(argv[i], QString::fromLocal8Bit(argv[i]), 200);
            std::printf("update %-34s %s\n", argv[i],
                        qPrintable(updateFigure(QString::fromLocal8Bit(argv[i]), 200)));
        }
    }

    Pad::PadValues big = form;
    big.text(Pad::TextField::Char_Desc_450) = QString(16 * 1024 * 1024, u'x');
    const QString large = dir.filePath(QStringLiteral("large.xml"));
    if (writeFile(large, writtenBytes(big)))
        importFigure("a 16 MiB file", large, 3);

    worstCasesAtTheLimit(dir);
    readersSideBySide();
    updatesGrowLinearly();
    if (sizes)
        fixedSizes(dir);
    return 0;
}
