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

namespace {

// One run of --check that fetches: the files read (from disk or from their
// addresses), then, with --online, each file's addresses checked, all through
// one fetcher, so that an address they share is fetched once and the limits
// on connections hold over all of them. Ctrl+C stops it where it is.
class FetchingRun
{
public:
    FetchingRun(const QStringList &files, const CheckOptions &options, const QDate &today)
        : m_options(options), m_today(today), m_fetcher(options.fetch), m_checked(std::size_t(files.size()))
    {
        for (qsizetype i = 0; i < files.size(); ++i)
            m_checked[std::size_t(i)].check.path = files[i];
        if (options.stopOnInterrupt) {
            m_watcher = std::make_unique<InterruptWatcher>();
            QObject::connect(m_watcher.get(), &InterruptWatcher::interrupted, &m_loop, [this] { stop(); });
        }
    }

    bool interrupted() const { return m_interrupted; }

    void readFiles();
    void checkOnline();
    QList<Pad::FileCheck> checks() const;

private:
    void stop();
    void read(qsizetype index);

    const CheckOptions &m_options;
    const QDate m_today;
    Online::AddressFetcher m_fetcher;
    QEventLoop m_loop;
    QObject m_reading; // what the reading of files from addresses waits under
    std::unique_ptr<InterruptWatcher> m_watcher;
    std::vector<Checked> m_checked;
    bool m_interrupted = false;
    int m_pending = 0;
};

void FetchingRun::stop()
{
    m_interrupted = true;
    m_fetcher.cancel(&m_reading);
    for (Checked &item : m_checked) {
        if (item.online)
            item.online->cancel();
    }
    m_loop.quit();
}

void FetchingRun::readFiles()
{
    for (qsizetype i = 0; i < qsizetype(m_checked.size()); ++i)
        read(i);
    if (m_pending > 0)
        m_loop.exec();
    for (Checked &item : m_checked) {
        if (m_interrupted && item.readFrom && !item.document && !item.check.reason)
            item.check.reason = QStringLiteral("the check was interrupted before the file was read");
        if (item.document)
            item.check.problems = Pad::documentProblems(*item.document);
    }
}

void FetchingRun::read(qsizetype index)
{
    Checked &item = m_checked[std::size_t(index)];
    const QString &name = item.check.path;
    if (!isAddressArgument(name)) {
        QString reason;
        item.document = Pad::loadPadFile(name, m_today, &reason);
        if (!item.document)
            item.check.reason = reason;
        return;
    }
    if (const std::optional<QString> breach = Online::addressBreach(name)) {
        item.check.reason = QStringLiteral("this %1, so it was not read").arg(*breach);
        return;
    }
    const QUrl url(name, QUrl::TolerantMode);
    item.readFrom = url;
    ++m_pending;
    m_fetcher.fetch(url, Online::FetchKind::PadFile, &m_reading, [this, index](const Online::FetchResult &result) {
        Checked &done = m_checked[std::size_t(index)];
        QString reason;
        done.document = Online::readPublishedPad(result, m_today, &reason);
        done.readFromFinal = result.finalUrl;
        if (!done.document)
            done.check.reason = QStringLiteral("the address ") + reason;
        if (--m_pending == 0)
            m_loop.quit();
    });
}

void FetchingRun::checkOnline()
{
    int running = 0;
    for (Checked &item : m_checked) {
        if (!item.document || m_interrupted)
            continue;
        Online::OnlineSubject subject = Online::onlineSubject(*item.document);
        subject.readFrom = item.readFrom;
        subject.readFromFinal = item.readFromFinal;
        item.online = std::make_unique<Online::OnlineCheck>(&m_fetcher);
        QObject::connect(item.online.get(), &Online::OnlineCheck::finished, &m_loop, [this, &running] {
            if (--running == 0)
                m_loop.quit();
        });
        ++running;
        item.online->start(subject, m_today);
    }
    if (running > 0)
        m_loop.exec();
    for (Checked &item : m_checked) {
        if (item.online)
            item.check.problems << item.online->problems();
        if (!m_interrupted || !item.document)
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

QList<Pad::FileCheck> FetchingRun::checks() const
{
    QList<Pad::FileCheck> checks;
    for (const Checked &item : m_checked)
        checks << item.check;
    return checks;
}

} // namespace

int runCheck(const QStringList &files, const CheckOptions &options, const QDate &today, QTextStream &out)
{
    const bool anyAddress = std::any_of(files.begin(), files.end(), isAddressArgument);
    if (!options.online && !anyAddress) {
        const QList<Pad::FileCheck> checks = Pad::checkPadFiles(files, today);
        print(checks, options.json, false, out);
        return Pad::worstStatus(checks);
    }
    FetchingRun run(files, options, today);
    run.readFiles();
    if (options.online)
        run.checkOnline();
    const QList<Pad::FileCheck> checks = run.checks();
    print(checks, options.json, run.interrupted(), out);
    return run.interrupted() ? InterruptedStatus : Pad::worstStatus(checks);
}

} // namespace Cli
