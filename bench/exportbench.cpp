// What reading an installer costs: the SHA-256 of a 256 MiB local file (by
// default; a size in MiB may be given) through the export's inspector,
// against coreutils' sha256sum on the same file and against Qt's own hash,
// which the inspector could have used:
//   build/bench/quillet_exportbench [MiB]
// and the same file downloaded from a server on 127.0.0.1 (in a thread of
// its own) and hashed as it streams through the online fetcher.
// The file is read once first so that every run finds it in the page cache;
// each figure is the best of three runs.
#include "hostileserver.h"
#include "installerdownload.h"
#include "installerfacts.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkProxy>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double bestSeconds(const std::function<void()> &run)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

bool writeInstaller(const QString &path, qint64 mebibytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk(1024 * 1024, Qt::Uninitialized);
    // An executable's header, so that the inspector looks for its markers all the way.
    for (qint64 i = 0; i < mebibytes; ++i) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(chunk.data()), chunk.size() / 4);
        if (i == 0)
            chunk.replace(0, 2, "MZ");
        if (file.write(chunk) != chunk.size())
            return false;
    }
    return true;
}

void report(const char *what, double seconds, double bytes, double reference)
{
    std::printf("  %-42s %7.3f s %8.0f MB/s   %.2f x sha256sum\n", what, seconds, bytes / seconds / 1e6,
                seconds / reference);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 mebibytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 256;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("setup.exe"));
    if (mebibytes <= 0 || !writeInstaller(path, mebibytes)) {
        std::fprintf(stderr, "cannot write the test file\n");
        return 1;
    }
    const double bytes = double(mebibytes) * 1024 * 1024;
    QString sums;
    const double sha256sum = bestSeconds([&] {
        QProcess process;
        process.start(QStringLiteral("sha256sum"), {path});
        process.waitForFinished(-1);
        sums = QString::fromLatin1(process.readAllStandardOutput()).section(u' ', 0, 0).toUpper();
    });
    QString inspected;
    const double inspector = bestSeconds([&] {
        QString reason;
        inspected = Export::inspectInstallerFile(path, &reason).value_or(Export::InstallerFacts{}).sha256;
    });
    const double qtHash = bestSeconds([&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(&file);
    });
    std::printf("SHA-256 of a %lld MiB local file (an executable, so every marker is looked for):\n", mebibytes);
    report("sha256sum (coreutils)", sha256sum, bytes, sha256sum);
    report("the export's inspector (libcrypto, markers)", inspector, bytes, sha256sum);
    report("QCryptographicHash alone", qtHash, bytes, sha256sum);
    HostileServer server(HostileServer::Behaviour::ServedFile, 0, path.toUtf8());
    Online::FetchSettings settings;
    settings.proxy = QNetworkProxy(QNetworkProxy::NoProxy);
    settings.allowPrivateAddresses = true;
    QString downloaded;
    const double download = bestSeconds([&] {
        Export::DownloadInstallerSource source(QUrl(server.url(QStringLiteral("setup.exe"))), qint64(bytes), settings);
        QEventLoop loop;
        QObject::connect(&source, &Export::InstallerSource::finished, &loop, [&](const Export::InstallerFacts &facts) {
            downloaded = facts.sha256;
            loop.quit();
        });
        QObject::connect(&source, &Export::InstallerSource::failed, &loop, [&](const QString &why) {
            downloaded = why;
            loop.quit();
        });
        source.start();
        loop.exec();
    });
    report("downloaded from 127.0.0.1 and inspected", download, bytes, sha256sum);
    if (downloaded != sums) {
        std::fprintf(stderr, "the download's hash differs: %s\n", qPrintable(downloaded));
        return 1;
    }
    if (inspected != sums) {
        std::fprintf(stderr, "the hashes differ: %s and %s\n", qPrintable(inspected), qPrintable(sums));
        return 1;
    }
    return 0;
}
