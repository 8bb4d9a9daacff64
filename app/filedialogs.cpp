#include "filedialogs.h"

#include <QFileDialog>

std::optional<QString> FileDialogs::choose(Purpose purpose, QWidget *parent)
{
    // A dialog lives for one use only: one kept and shown again leaves its
    // name completer's popup on screen, where it swallows the next click.
    // Building it only when asked also keeps start-up free of its cost.
    static constexpr const char *names[] = {"fileSizeDialog", "saveDialog", "importDialog"};
    QFileDialog dialog(parent);
    dialog.setObjectName(QLatin1String(names[int(purpose)]));
    dialog.setAcceptMode(purpose == Purpose::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A typed name need not exist yet: the caller says what is wrong with it.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setSizeGripEnabled(true);
    // The writer may change the extension, so it asks about the file it will
    // really replace instead of the one typed in the dialog.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, purpose == Purpose::Save);
    if (purpose != Purpose::FileSize)
        dialog.setNameFilter(QStringLiteral("XML Document (*.xml)"));

    QString &last = m_lastChosen[int(purpose)];
    if (!last.isEmpty())
        dialog.selectFile(last);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    last = dialog.selectedFiles().constFirst();
    return last;
}
