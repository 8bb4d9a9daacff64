#include "aboutdialog.h"
#include "quilletinfo.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QImageReader>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void caption();
    void modalWhenShown();
    void lines();
    void textShowsWholeAndCentred();
    void logo();
    void closes_data();
    void closes();
    void keyboardOrder();
    void fixedSize();

private:
    // Runs action on the dialog once exec() has made it the modal window, and
    // returns what exec() returned; modalWidget tells which window was modal.
    static int execAndThen(AboutDialog &dialog, const std::function<void(AboutDialog &)> &action,
                           QWidget **modalWidget);
    static QPlainTextEdit *memo(const AboutDialog &dialog);
};

QPlainTextEdit *TestAbout::memo(const AboutDialog &dialog)
{
    return dialog.findChild<QPlainTextEdit *>(u"Memo1"_s);
}

int TestAbout::execAndThen(AboutDialog &dialog, const std::function<void(AboutDialog &)> &action,
                           QWidget **modalWidget)
{
    *modalWidget = nullptr;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        QWidget *const modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        poll.stop();
        *modalWidget = modal;
        action(dialog);
    });
    poll.start();
    return dialog.exec();
}

void TestAbout::caption()
{
    AboutDialog dialog;
    QCOMPARE(dialog.windowTitle(), u"About Quillet"_s);
}

void TestAbout::modalWhenShown()
{
    QWidget mainWindow;
    mainWindow.show();
    AboutDialog dialog(&mainWindow);
    dialog.show();
    QCOMPARE(QApplication::activeModalWidget(), &dialog);
}

void TestAbout::lines()
{
    AboutDialog dialog;
    QPlainTextEdit *const text = memo(dialog);
    QVERIFY(text);
    QVERIFY(text->isReadOnly());

    const QStringList expected{
        u"Quillet generate minimum required fields "_s,
        u"requires by Brindlow ("_s + QLatin1StringView(Quillet::ValidationKitUrl) + u')',
        QString(),
        u"For more complex fields, try our Online PAD Generator at "_s,
        QLatin1StringView(Quillet::MakerUrl),
        QString(),
        u"Quillet"_s,
        QLatin1StringView(Quillet::CopyrightLine),
        u"Tarnwick"_s,
    };
    QCOMPARE(text->toPlainText().split(u'\n'), expected);
}

void TestAbout::textShowsWholeAndCentred()
{
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QPlainTextEdit *const text = memo(dialog);
    QVERIFY(text);

    QCOMPARE(text->verticalScrollBar()->maximum(), 0);
    QCOMPARE(text->horizontalScrollBar()->maximum(), 0);

    const int viewportWidth = text->viewport()->width();
    const int tolerance = text->fontMetrics().horizontalAdvance(u' ') + 2;
    for (QTextBlock block = text->document()->begin(); block.isValid(); block = block.next()) {
        const QString line = block.text();
        QCOMPARE(block.layout()->lineCount(), 1);
        if (line.trimmed().isEmpty())
            continue;
        QTextCursor cursor(block);
        const int left = text->cursorRect(cursor).left();
        cursor.movePosition(QTextCursor::EndOfBlock);
        const int right = viewportWidth - text->cursorRect(cursor).right();
        QVERIFY2(left > tolerance, qPrintable(line));
        QVERIFY2(qAbs(left - right) <= tolerance,
                 qPrintable(u"%1: %2 px left, %3 px right"_s.arg(line).arg(left).arg(right)));
    }
}

void TestAbout::logo()
{
    AboutDialog dialog;
    auto *const image = dialog.findChild<QLabel *>(u"Image1"_s);
    QVERIFY(image);

    const QPixmap pixmap = image->pixmap();
    QVERIFY2(!pixmap.isNull(),
             qPrintable(u"the JPEG logo was not decoded; image formats here: "_s
                        + QString::fromLatin1(QImageReader::supportedImageFormats().join(' '))));
    QCOMPARE(pixmap.size(), QSize(150, 30));

    // Navy lettering on white, not a blank or garbled picture.
    const QImage picture = pixmap.toImage();
    QCOMPARE(picture.pixelColor(0, 0).lightness() > 240, true);
    bool hasNavy = false;
    for (int y = 0; y < picture.height() && !hasNavy; ++y) {
        for (int x = 0; x < picture.width() && !hasNavy; ++x) {
            const QColor c = picture.pixelColor(x, y);
            hasNavy = c.red() < 40 && c.green() < 40 && c.blue() > 100 && c.blue() < 160;
        }
    }
    QVERIFY(hasNavy);

    // Drawn unscaled from the label's top-left corner.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QImage shown = image->grab(QRect(QPoint(0, 0), pixmap.size()))
                                 .toImage()
                                 .convertToFormat(picture.format());
    QCOMPARE(shown, picture);
}

void TestAbout::closes_data()
{
    QTest::addColumn<std::function<void(AboutDialog &)>>("action");
    QTest::addColumn<int>("result");

    QTest::newRow("OK clicked") << std::function<void(AboutDialog &)>([](AboutDialog &dialog) {
        QTest::mouseClick(dialog.findChild<QPushButton *>(u"ButtonOK"_s), Qt::LeftButton);
    }) << int(QDialog::Accepted);
    QTest::newRow("Return pressed") << std::function<void(AboutDialog &)>([](AboutDialog &dialog) {
        QTest::keyClick(&dialog, Qt::Key_Return);
    }) << int(QDialog::Accepted);
    QTest::newRow("Escape pressed") << std::function<void(AboutDialog &)>([](AboutDialog &dialog) {
        QTest::keyClick(&dialog, Qt::Key_Escape);
    }) << int(QDialog::Rejected);
    QTest::newRow("window closed") << std::function<void(AboutDialog &)>([](AboutDialog &dialog) {
        dialog.close();
    }) << int(QDialog::Rejected);
}

void TestAbout::closes()
{
    QFETCH(std::function<void(AboutDialog &)>, action);
    QFETCH(int, result);

    QWidget mainWindow;
    mainWindow.show();
    QPointer<AboutDialog> dialog = new AboutDialog(&mainWindow);
    QVERIFY(dialog->findChild<QPushButton *>(u"ButtonOK"_s));
    QCOMPARE(dialog->findChild<QPushButton *>(u"ButtonOK"_s)->text(), u"&OK"_s);

    // The same instance serves every Help, About.
    for (int round = 1; round <= 2; ++round) {
        QWidget *modal = nullptr;
        QCOMPARE(execAndThen(*dialog, action, &modal), result);
        QCOMPARE(modal, dialog.data());
        QVERIFY2(dialog, "closing must hide the dialog, not delete it");
        QVERIFY(dialog->isHidden());
        QVERIFY(mainWindow.isVisible());
    }
}

void TestAbout::keyboardOrder()
{
    AboutDialog dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *const button = dialog.findChild<QPushButton *>(u"ButtonOK"_s);
    QVERIFY(button);

    QCOMPARE(QApplication::focusWidget(), memo(dialog));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), memo(dialog));
}

void TestAbout::fixedSize()
{
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QSize shown = dialog.size();

    QCOMPARE(dialog.minimumSize(), shown);
    QCOMPARE(dialog.maximumSize(), shown);
    dialog.resize(shown * 2);
    QCOMPARE(dialog.size(), shown);
    dialog.resize(shown / 2);
    QCOMPARE(dialog.size(), shown);

    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
