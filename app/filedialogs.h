#pragma once

#include <QString>

#include <array>
#include <optional>

class QWidget;

// The window's three file dialogs: choosing a file for its size, where to
// save a new PAD file, and a PAD file to import. Each proposes the path
// chosen in it last.
class FileDialogs
{
public:
    enum class Purpose { FileSize, Save, Import };

    // The path chosen, or nullopt when the dialog is cancelled.
    std::optional<QString> choose(Purpose purpose, QWidget *parent);

private:
    std::array<QString, 3> m_lastChosen;
};
