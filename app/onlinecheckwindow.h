#pragma once

#include "addressfetch.h"
#include "onlinecheck.h"

#include <QDialog>

#include <memory>

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
// once, keeping what was checked; the results can be copied.
class OnlineCheckWindow : public QDialog
{
    Q_OBJECT

public:
    explicit OnlineCheckWindow(QWidget *parent = nullptr);
    ~OnlineCheckWindow() override;

    // Checks subject, replacing whatever check was under way or shown.
    void start(const Online::OnlineSubject &subject, const Online::FetchSettings &settings, const QDate &today);
    bool isRunning() const;

    QTreeWidget *resultList() const { return m_list; }
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
    QTreeWidgetItem *addRow(const QString &verdict, const QString &path, const QString &address,
                            const QString &details);
    void showProgress(int checked, int total);
    void finish();

    std::unique_ptr<Online::AddressFetcher> m_fetcher;
    std::unique_ptr<Online::OnlineCheck> m_check;
    QLabel *const m_status;
    QTreeWidget *const m_list;
    QProgressBar *const m_progress;
    QPushButton *const m_cancelButton;
    QPushButton *const m_copyButton;
    QPushButton *const m_closeButton;
};
