#include "filedrops.h"

#include <QAbstractScrollArea>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

// The one local file a drag carries; empty for text, several files or
// anything that is not a local file.
QString droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return {};
    return urls.first().toLocalFile();
}

} // namespace

FileDrops::FileDrops(Action importFile, Action fillSize, QObject *parent)
    : QObject(parent)
    , m_importFile(std::move(importFile))
    , m_fillSize(std::move(fillSize))
{
}

void FileDrops::watch(QWidget *window, const QList<QWidget *> &sizeTargets)
{
    QList<QWidget *> watched{window};
    // The fields take drops of their own, and a file dropped on them would
    // otherwise arrive as its address in the text.
    for (QLineEdit *edit : window->findChildren<QLineEdit *>())
        watched << edit;
    for (QAbstractScrollArea *area : window->findChildren<QAbstractScrollArea *>())
        watched << area->viewport();
    for (QWidget *target : sizeTargets) {
        watched << target;
        m_sizeTargets << target;
    }
    for (QWidget *widget : std::as_const(watched)) {
        widget->setAcceptDrops(true);
        widget->installEventFilter(this);
    }
}

bool FileDrops::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (droppedFile(drag->mimeData()).isEmpty())
            return false;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = droppedFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // Acted on once the drag has ended, so that the file manager is not
        // kept waiting while a message box is open.
        const Action &action = m_sizeTargets.contains(watched) ? m_fillSize : m_importFile;
        QMetaObject::invokeMethod(this, [action, path] { action(path); }, Qt::QueuedConnection);
        return true;
    }
    default:
        return false;
    }
}
