#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QMenu;

// The PAD files last imported or generated, newest first, kept in the
// application's settings so that they outlive the session.
class RecentFiles : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxCount = 8;

    explicit RecentFiles(QObject *parent = nullptr);

    QStringList files() const;
    // Puts path first, dropping an older entry of the same file and any
    // beyond the eighth.
    void add(const QString &path);
    void remove(const QString &path);

    // Fills menu with the files as they stand whenever it or the menu holding
    // it opens, and keeps it enabled exactly while there is one, from the
    // moment this object adds it. Choosing a file emits chosen.
    void attach(QMenu *menu);

signals:
    void chosen(const QString &path);

private:
    void save(const QStringList &files);
    void fill(QMenu *menu);

    QList<QPointer<QMenu>> m_menus;
};
