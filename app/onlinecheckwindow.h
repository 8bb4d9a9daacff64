#pragma once

#include "addressfetch.h"
#include "onlinecheck.h"

#include <QDate>
#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// File, Check Online: the form's web addresses checked as download sites
// fetch them, in a window of its own beside the main one, which stays usable.
// Each address is listed with its field and what was found as its answer
// comes, problems marked by severity and the rest as OK; a row activated
// (Return, a double click) asks for the cursor in its field. Cancel stops at
// once, keeping what was checked; the results can be copied. A box lets the
// author fetch addresses on private networks (a local server tried first),
// checking again at once.
class OnlineCheckWindow : public QDialog
{
    Q_OBJECT

public:
    explicit OnlineCheckWindow(QWidget *parent = nullptr);
    ~OnlineCheckWindow() override;

    // Checks subject, replacing whatever check was under way or shown. The
    // window's "private network addresses" box starts ticked when settings
    // allow them, and decides from then on.
    void start(const Online::OnlineSubject &subject, const Online::FetchSettings &settings, const QDate &today);
    bool isRunning() const;

    QTreeWidget *resultList() const { return m_list; }
    QCheckBox *privateAddressesBox() const { return m_allowPrivate; }
    // Every row as text, one line each: result, field, address and what was found.
    QString resultsText(bool selectedOnly = false) const;

public slots:
    void cancel();
    void copyResults();
    // Escape closes the window as Close does, stopping a check under way.
    void reject() override;

signals:
    // The author wants the cursor in the field at path.
    void fieldActivated(const QString &path);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void addResult(const Online::AddressResult &result);
    void addProblemRow(const Pad::CheckProblem &problem, const QString &address);
    QTreeWidgetItem *addRow(const QString &verdict, const QString &path, const QString &address,
                            const QString &found, const QString &message);
    void showProgress(int checked, int total);
    void finish();
    void run();

    Online::OnlineSubject m_subject;
    Online::FetchSettings m_settings;
    QDate m_today;
    std::unique_ptr<Online::AddressFetcher> m_fetcher;
    std::unique_ptr<Online::OnlineCheck> m_check;
    QLabel *const m_status;
    QTreeWidget *const m_list;
    QCheckBox *const m_allowPrivate;
    QProgressBar *const m_progress;
    QPushButton *const m_cancelButton;
    QPushButton *const m_copyButton;
    QPushButton *const m_closeButton;
};
