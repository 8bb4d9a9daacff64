#include "recentfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {

const QString SettingsKey = QStringLiteral("recentFiles");

QString canonical(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

RecentFiles::RecentFiles(QObject *parent)
    : QObject(parent)
{
}

QStringList RecentFiles::files() const
{
    QStringList files = QSettings().value(SettingsKey).toStringList();
    files.removeAll(QString());
    return files.mid(0, MaxCount);
}

void RecentFiles::add(const QString &path)
{
    const QString file = canonical(path);
    QStringList list = files();
    list.removeAll(file);
    list.prepend(file);
    save(list.mid(0, MaxCount));
}

void RecentFiles::remove(const QString &path)
{
    QStringList list = files();
    if (list.removeAll(canonical(path)) > 0)
        save(list);
}

void RecentFiles::save(const QStringList &files)
{
    {
        QSettings settings;
        settings.setValue(SettingsKey, files);
    }
    // Only enabled here: the entries may be running one of their own
    // actions, which the menu fills in anew when it opens.
    for (const QPointer<QMenu> &menu : std::as_const(m_menus)) {
        if (menu)
            menu->setEnabled(!files.isEmpty());
    }
}

void RecentFiles::attach(QMenu *menu)
{
    m_menus << menu;
    // Read again when the menus open, and so current also after another
    // Quillet window changed the list. A disabled menu never opens, so the
    // menu it sits in refreshes it first.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { fill(menu); });
    if (auto *holder = qobject_cast<QMenu *>(menu->parentWidget()))
        connect(holder, &QMenu::aboutToShow, this, [this, menu] { fill(menu); });
    fill(menu);
}

void RecentFiles::fill(QMenu *menu)
{
    menu->clear();
    const QStringList list = files();
    menu->setEnabled(!list.isEmpty());
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString &path = list.at(i);
        // The number is the accelerator; an ampersand in a name stays literal.
        QString name = QFileInfo(path).fileName();
        name.replace(u'&', QStringLiteral("&&"));
        QAction *action = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        action->setObjectName(QStringLiteral("RecentFile%1").arg(i + 1));
        action->setToolTip(QDir::toNativeSeparators(path));
        action->setStatusTip(QDir::toNativeSeparators(path));
        connect(action, &QAction::triggered, this, [this, path] { emit chosen(path); });
    }
}
