#pragma once

#include <QString>

#include <optional>

namespace Pad {

// The size in bytes of the file that fileName names. A name with * or ? that
// names no file literally takes the first matching file, in name order, of
// its folder. nullopt with errorMessage set when nothing matches or the name
// is a folder.
std::optional<qint64> fileSize(const QString &fileName, QString *errorMessage);

} // namespace Pad
