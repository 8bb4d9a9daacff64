#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Takes a local file dragged from the file manager onto the window: dropped
// on a size target it fills in that file's size, anywhere else it imports
// the file. Text dragged between fields is left to the fields.
class FileDrops : public QObject
{
    Q_OBJECT

public:
    using Action = std::function<void(const QString &path)>;

    FileDrops(Action importFile, Action fillSize, QObject *parent);

    // window and its inputs import what is dropped on them; sizeTargets fill in its size.
    void watch(QWidget *window, const QList<QWidget *> &sizeTargets);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Action m_importFile;
    Action m_fillSize;
    QList<QObject *> m_sizeTargets;
};
