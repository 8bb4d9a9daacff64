#include "filesize.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using Files = QMap<QString, qint64>;

class TestFileSize : public QObject
{
    Q_OBJECT

private slots:
    void sizeOfName_data();
    void sizeOfName();
    void errorForName_data();
    void errorForName();

private:
    static void populate(const QDir &dir, const Files &files, const QStringList &folders);
};

void TestFileSize::populate(const QDir &dir, const Files &files, const QStringList &folders)
{
    for (const QString &folder : folders)
        QVERIFY2(dir.mkpath(folder), qPrintable(folder));
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QFile file(dir.filePath(it.key()));
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
        // Big files are left sparse so that they take no room on disk.
        if (it.value() <= 4096)
            QCOMPARE(file.write(QByteArray(it.value(), 'q')), it.value());
        else
            QVERIFY2(file.resize(it.value()), qPrintable(file.errorString()));
    }
}

void TestFileSize::sizeOfName_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("size");

    const qint64 fourGiB = qint64(1) << 32;

    QTest::newRow("empty file") << Files{{u"empty.bin"_s, 0}} << QStringList() << u"empty.bin"_s
                                << qint64(0);
    QTest::newRow("small file") << Files{{u"setup.exe"_s, 1234}} << QStringList() << u"setup.exe"_s
                                << qint64(1234);
    // Both 32-bit halves non-zero, so a lost high half or a truncation shows.
    QTest::newRow("above 4 GiB") << Files{{u"huge.iso"_s, fourGiB + 5}} << QStringList()
                                 << u"huge.iso"_s << fourGiB + 5;
    QTest::newRow("file in a subfolder") << Files{{u"dist/app.zip"_s, 77}} << QStringList{u"dist"_s}
                                         << u"dist/app.zip"_s << qint64(77);

    QTest::newRow("star takes the first in name order")
            << Files{{u"setup-3.exe"_s, 30}, {u"setup-1.exe"_s, 10}, {u"setup-2.exe"_s, 20}}
            << QStringList() << u"setup-*.exe"_s << qint64(10);
    QTest::newRow("question mark takes the first in name order")
            << Files{{u"v2.zip"_s, 2}, {u"v1.zip"_s, 1}, {u"v10.zip"_s, 10}} << QStringList()
            << u"v?.zip"_s << qint64(1);
    QTest::newRow("wildcard skips folders")
            << Files{{u"data2"_s, 4}} << QStringList{u"data1"_s} << u"data*"_s << qint64(4);
    QTest::newRow("wildcard in a subfolder")
            << Files{{u"dist/b.zip"_s, 2}, {u"dist/a.zip"_s, 1}, {u"a.zip"_s, 9}}
            << QStringList{u"dist"_s} << u"dist/*.zip"_s << qint64(1);
    QTest::newRow("wildcard matches hidden files")
            << Files{{u"dist/.build-2.zip"_s, 2}, {u"dist/.build-1.zip"_s, 1}}
            << QStringList{u"dist"_s} << u"dist/.build-*.zip"_s << qint64(1);
    QTest::newRow("wildcard above 4 GiB")
            << Files{{u"disc1.iso"_s, fourGiB + 1}} << QStringList() << u"disc*.iso"_s
            << fourGiB + 1;
    // "!" sorts before "*" and "?", so a pattern search would pick the other file.
    QTest::newRow("literal star wins over the pattern")
            << Files{{u"a*.txt"_s, 5}, {u"a!.txt"_s, 9}} << QStringList() << u"a*.txt"_s
            << qint64(5);
    QTest::newRow("literal question mark wins over the pattern")
            << Files{{u"why?.txt"_s, 6}, {u"why!.txt"_s, 8}} << QStringList() << u"why?.txt"_s
            << qint64(6);
    // Read as a character set, "[v1]" would match "1.exe".
    QTest::newRow("brackets are plain characters")
            << Files{{u"1.exe"_s, 2}, {u"[v1] setup.exe"_s, 11}} << QStringList() << u"[v1]*.exe"_s
            << qint64(11);
}

void TestFileSize::sizeOfName()
{
    QFETCH(Files, files);
    QFETCH(QStringList, folders);
    QFETCH(QString, name);
    QFETCH(qint64, size);

    QTemporaryDir temp;
    QVERIFY2(temp.isValid(), qPrintable(temp.errorString()));
    const QDir dir(temp.path());
    populate(dir, files, folders);
    if (QTest::currentTestFailed())
        return;

    QString error;
    const std::optional<qint64> result = Pad::fileSize(dir.filePath(name), &error);
    QVERIFY2(result.has_value(), qPrintable(error));
    QCOMPARE(*result, size);
}

void TestFileSize::errorForName_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");

    const QString notFound = u"%1 was not found"_s;
    const QString notAFile = u"%1 is not a file"_s;

    QTest::newRow("missing name") << Files{{u"setup.exe"_s, 3}} << QStringList() << u"setup.ex"_s
                                  << notFound;
    QTest::newRow("missing folder") << Files() << QStringList() << u"gone/setup.exe"_s << notFound;
    QTest::newRow("folder") << Files{{u"dist/app.zip"_s, 3}} << QStringList{u"dist"_s} << u"dist"_s
                            << notAFile;
    QTest::newRow("wildcard matching nothing")
            << Files{{u"setup.exe"_s, 3}} << QStringList() << u"*.zip"_s << notFound;
    QTest::newRow("wildcard matching only folders")
            << Files() << QStringList{u"build1"_s, u"build2"_s} << u"build*"_s << notFound;
    QTest::newRow("folder named with a star")
            << Files() << QStringList{u"out*"_s} << u"out*"_s << notAFile;
}

void TestFileSize::errorForName()
{
    QFETCH(Files, files);
    QFETCH(QStringList, folders);
    QFETCH(QString, name);
    QFETCH(QString, message);

    QTemporaryDir temp;
    QVERIFY2(temp.isValid(), qPrintable(temp.errorString()));
    const QDir dir(temp.path());
    populate(dir, files, folders);
    if (QTest::currentTestFailed())
        return;

    const QString path = dir.filePath(name);
    QString error;
    const std::optional<qint64> result = Pad::fileSize(path, &error);
    QVERIFY2(!result.has_value(), qPrintable(QString::number(result.value_or(-1))));
    QCOMPARE(error, message.arg(QDir::toNativeSeparators(path)));
}

QTEST_GUILESS_MAIN(TestFileSize)
#include "tst_filesize.moc"
