#include "checkcommand.h"

#include "interrupt.h"
#include "onlinecheck.h"
#include "padcheck.h"

#include <QDir>
#include <QEventLoop>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>

#include <memory>

namespace Cli {

namespace {

void print(const QList<Pad::FileCheck> &checks, bool json, bool interrupted, QTextStream &out)
{
    if (json) {
        QJsonDocument report = Pad::checkReport(checks);
        if (interrupted) {
            QJsonObject object = report.object();
            object.insert(QStringLiteral("interrupted"), true);
            report.setObject(object);
        }
        out << report.toJson(QJsonDocument::Indented);
    } else {
        for (const Pad::FileCheck &check : checks) {
            for (const QString &line : Pad::checkLines(check))
                out << line << u'\n';
        }
    }
    out.flush();
}

// One name given to --check, on its way through the checks.
struct Checked
{
    Pad::FileCheck check;
    std::optional<Pad::PadDocument> document;
    std::optional<QUrl> readFrom;
    std::optional<QUrl> readFromFinal;
    std::unique_ptr<Online::OnlineCheck> online;
};

} // namespace

bool isAddressArgument(const QString &argument)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(argument).hasMatch();
}

int runCheck(const QStringList &files, bool json, const QDate &today, QTextStream &out)
{
    CheckOptions options;
    options.json = json;
    return runCheck(files, options, today, out);
}

int runCheck(const QStringList &files, const CheckOptions &options, const QDate &today, QTextStream &out)
{
    const bool anyAddress = std::any_of(files.begin(), files.end(), isAddressArgument);
    if (!options.online && !anyAddress) {
        const QList<Pad::FileCheck> checks = Pad::checkPadFiles(files, today);
        print(checks, options.json, false, out);
        return Pad::worstStatus(checks);
    }

    // One fetcher for every file: an address they share is fetched once,
    // and the limits on connections hold over all of them.
    Online::AddressFetcher fetcher(options.fetch);
    QEventLoop loop;
    bool interrupted = false;
    QObject reading;
    std::unique_ptr<InterruptWatcher> watcher;
    std::vector<Checked> checked(std::size_t(files.size()));
    const auto stop = [&] {
        interrupted = true;
        fetcher.cancel(&reading);
        for (Checked &item : checked) {
            if (item.online)
                item.online->cancel();
        }
        loop.quit();
    };
    if (options.stopOnInterrupt) {
        watcher = std::make_unique<InterruptWatcher>();
        QObject::connect(watcher.get(), &InterruptWatcher::interrupted, &loop, stop);
    }

    int pending = 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        Checked &item = checked[std::size_t(i)];
        const QString &name = files[i];
        item.check.path = name;
        if (!isAddressArgument(name)) {
            QString reason;
            item.document = Pad::loadPadFile(name, today, &reason);
            if (!item.document)
                item.check.reason = reason;
            continue;
        }
        if (const std::optional<QString> breach = Online::addressBreach(name)) {
            item.check.reason = QStringLiteral("this %1, so it was not read").arg(*breach);
            continue;
        }
        const QUrl url(name, QUrl::TolerantMode);
        item.readFrom = url;
        ++pending;
        fetcher.fetch(url, Online::FetchKind::PadFile, &reading,
                      [&, i](const Online::FetchResult &result) {
                          Checked &done = checked[std::size_t(i)];
                          QString reason;
                          done.document = Online::readPublishedPad(result, today, &reason);
                          done.readFromFinal = result.finalUrl;
                          if (!done.document)
                              done.check.reason = QStringLiteral("the address ") + reason;
                          if (--pending == 0)
                              loop.quit();
                      });
    }
    if (pending > 0)
        loop.exec();
    if (interrupted) {
        for (Checked &item : checked) {
            if (item.readFrom && !item.document && !item.check.reason)
                item.check.reason = QStringLiteral("the check was interrupted before the file was read");
        }
    }

    for (Checked &item : checked) {
        if (item.document)
            item.check.problems = Pad::documentProblems(*item.document);
    }

    if (options.online && !interrupted) {
        int running = 0;
        for (Checked &item : checked) {
            if (!item.document)
                continue;
            Online::OnlineSubject subject = Online::onlineSubject(*item.document);
            subject.readFrom = item.readFrom;
            subject.readFromFinal = item.readFromFinal;
            item.online = std::make_unique<Online::OnlineCheck>(&fetcher);
            QObject::connect(item.online.get(), &Online::OnlineCheck::finished, &loop, [&] {
                if (--running == 0)
                    loop.quit();
            });
            ++running;
            item.online->start(subject, today);
        }
        if (running > 0)
            loop.exec();
        for (Checked &item : checked) {
            if (!item.online)
                continue;
            item.check.problems << item.online->problems();
        }
    }
    if (interrupted && options.online) {
        for (Checked &item : checked) {
            if (!item.document)
                continue;
            const QString what = item.online
                ? QStringLiteral("The online check was interrupted: %1 of %2 addresses were checked, "
                                 "and only their findings are shown.")
                      .arg(item.online->checkedCount())
                      .arg(item.online->addressCount())
                : QStringLiteral("The online check was interrupted before this file's addresses were checked.");
            item.check.problems << Pad::CheckProblem{Pad::Severity::Note, std::nullopt, std::nullopt, what};
        }
    }

    QList<Pad::FileCheck> checks;
    for (Checked &item : checked)
        checks << item.check;
    print(checks, options.json, interrupted, out);
    return interrupted ? InterruptedStatus : Pad::worstStatus(checks);
}

} // namespace Cli
