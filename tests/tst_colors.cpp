// The window's colours on light and dark palettes: the optional fields' blue
// labels and the counters' red keep their meaning and stay readable, also
// when the desktop changes its palette while the window is open.
#include "accentcolor.h"
#include "mainwindow.h"
#include "messagebar.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

const QColor navy(0x00, 0x00, 0x80);
const QColor classicRed(0xb0, 0x20, 0x00);

const char *const optionalLabels[] = {"screenshotUrlLabel", "programCostLabel", "optionalLegend"};
const char *const counters[] = {"keywordsCounter", "descriptionCounter"};

// A desktop palette built from its window and text colours, as a theme gives them.
QPalette desktopPalette(const QColor &window, const QColor &text)
{
    QPalette palette(window, window);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, text);
    palette.setColor(QPalette::Base, window.lightness() < 128 ? window.darker(130) : Qt::white);
    return palette;
}

QColor textColor(const QWidget *widget)
{
    return widget->palette().color(widget->foregroundRole());
}

// What the text is drawn on: the labels paint no background of their own.
QColor backgroundColor(const QWidget *widget)
{
    return widget->parentWidget()->palette().color(widget->parentWidget()->backgroundRole());
}

bool isBluish(const QColor &color)
{
    const int hue = color.toHsv().hue();
    return hue >= 190 && hue <= 250 && color.toHsv().saturation() > 60;
}

bool isReddish(const QColor &color)
{
    const int hue = color.toHsv().hue();
    return (hue >= 0 && hue <= 30) && color.toHsv().saturation() > 60;
}

} // namespace

class TestColors : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void contrastOfKnownPairs_data();
    void contrastOfKnownPairs();
    void accentsStayReadable_data();
    void accentsStayReadable();
    void messageBarFollowsTheTheme();

private:
    QPalette m_original;
};

void TestColors::initTestCase()
{
    prepareApplication();
    m_original = QApplication::palette();
}

void TestColors::cleanup()
{
    QApplication::setPalette(m_original);
}

// Pairs whose WCAG contrast is published.
void TestColors::contrastOfKnownPairs_data()
{
    QTest::addColumn<QColor>("first");
    QTest::addColumn<QColor>("second");
    QTest::addColumn<double>("ratio");
    QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
    QTest::newRow("white on black") << QColor(Qt::white) << QColor(Qt::black) << 21.0;
    QTest::newRow("the same grey") << QColor(0x77, 0x77, 0x77) << QColor(0x77, 0x77, 0x77) << 1.0;
    QTest::newRow("#777 on white, just short of AA") << QColor(0x77, 0x77, 0x77) << QColor(Qt::white) << 4.48;
    QTest::newRow("navy on white") << navy << QColor(Qt::white) << 16.01;
    QTest::newRow("navy on a dark theme's window") << navy << QColor(0x35, 0x35, 0x35) << 1.31;
}

void TestColors::contrastOfKnownPairs()
{
    QFETCH(QColor, first);
    QFETCH(QColor, second);
    QFETCH(double, ratio);
    QVERIFY2(qAbs(AccentColor::contrastRatio(first, second) - ratio) < 0.01,
             qPrintable(QString::number(AccentColor::contrastRatio(first, second))));
}

void TestColors::accentsStayReadable_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::addColumn<bool>("classic"); // navy and the classic red stay as they are

    QTest::newRow("light grey") << desktopPalette(QColor(0xef, 0xef, 0xef), Qt::black) << true;
    QTest::newRow("white") << desktopPalette(Qt::white, Qt::black) << true;
    QTest::newRow("Adwaita dark") << desktopPalette(QColor(0x35, 0x35, 0x35), QColor(0xee, 0xee, 0xec))
                                  << false;
    QTest::newRow("black") << desktopPalette(Qt::black, Qt::white) << false;
    QTest::newRow("dark grey") << desktopPalette(QColor(0x5a, 0x5a, 0x5a), Qt::white) << false;
    QTest::newRow("mid grey") << desktopPalette(QColor(0x7a, 0x7a, 0x7a), Qt::black) << false;
    QTest::newRow("dark blue") << desktopPalette(QColor(0x1e, 0x24, 0x3a), QColor(0xdd, 0xdd, 0xee))
                               << false;
}

// The palette changes while the window is open, then changes back.
void TestColors::accentsStayReadable()
{
    QFETCH(QPalette, palette);
    QFETCH(bool, classic);

    MainWindow window;
    QVERIFY(showActive(window));
    // The counters are red from their limit on; the description's reaches it
    // only once the palette has changed, the keywords' before.
    control<QLineEdit>(window, QStringLiteral("keywordsEdit"))->setText(QString(Pad::KeywordsLimit, u'k'));

    const auto check = [&](bool expectClassic) {
        for (const char *name : optionalLabels) {
            const QLabel *label = control<QLabel>(window, QLatin1String(name));
            const QColor text = textColor(label);
            const double contrast = AccentColor::contrastRatio(text, backgroundColor(label));
            const QString what = QLatin1String(name) + QStringLiteral(" %1 on %2: %3")
                                     .arg(text.name(), backgroundColor(label).name())
                                     .arg(contrast);
            QVERIFY2(contrast >= 4.5, qPrintable(what));
            QVERIFY2(isBluish(text), qPrintable(what));
            if (expectClassic)
                QCOMPARE(text, navy);
        }
        for (const char *name : counters) {
            const QLabel *counter = control<QLabel>(window, QLatin1String(name));
            const QColor text = textColor(counter);
            const double contrast = AccentColor::contrastRatio(text, backgroundColor(counter));
            const QString what = QLatin1String(name) + QStringLiteral(" %1 on %2: %3")
                                     .arg(text.name(), backgroundColor(counter).name())
                                     .arg(contrast);
            QVERIFY2(contrast >= 4.5, qPrintable(what));
            QVERIFY2(isReddish(text), qPrintable(what));
            if (expectClassic)
                QCOMPARE(text, classicRed);
        }
    };

    const QLabel *someLabel = control<QLabel>(window, QLatin1String(optionalLabels[0]));
    QApplication::setPalette(palette);
    QTRY_COMPARE(backgroundColor(someLabel), palette.color(QPalette::Window));
    control<QPlainTextEdit>(window, QStringLiteral("descriptionEdit"))
        ->setPlainText(QString(Pad::DescriptionLimit, u'd'));
    check(classic);
    if (QTest::currentTestFailed())
        return;

    QApplication::setPalette(desktopPalette(Qt::white, Qt::black));
    QTRY_COMPARE(backgroundColor(someLabel), QColor(Qt::white));
    check(true);
}

// The notes bar is tinted from the window's colour, light or dark, and
// keeps the theme's text colour, as the theme changes while it is shown.
void TestColors::messageBarFollowsTheTheme()
{
    QApplication::setPalette(desktopPalette(Qt::white, Qt::black));
    MainWindow window;
    window.show();
    MessageBar *bar = window.messageBar();
    bar->showLines(MessageBar::Kind::Information, {QStringLiteral("A note")});
    const QColor light = bar->palette().color(QPalette::Window);
    QVERIFY(light.lightness() > 160);
    QVERIFY(light != QColor(Qt::white));

    const QColor darkWindow(0x20, 0x20, 0x20);
    QApplication::setPalette(desktopPalette(darkWindow, Qt::white));
    QTRY_VERIFY(bar->palette().color(QPalette::Window).lightness() < 96);
    QVERIFY(bar->palette().color(QPalette::Window) != darkWindow);
    QCOMPARE(textColor(bar->textLabel()), QColor(Qt::white));
    QVERIFY(AccentColor::contrastRatio(textColor(bar->textLabel()), bar->palette().color(QPalette::Window)) >= 4.5);
}

QTEST_MAIN(TestColors)
#include "tst_colors.moc"
