#pragma once

// What the two catalogs' mappings share: finding the PAD fields they read,
// the values both derive, and how their notes name a value.
#include "catalogrules.h"
#include "exportplan.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Export {

// The path of the format's field whose path ends in "/" + suffix, such as
// "English/Char_Desc_80": the table says where each field lives.
QString tablePath(const char *suffix);
// The path of one of the form's fields.
QString formPath(Pad::TextField field);

// "is missing: ..." with what would give the value.
QString missingMessage(const ExportValue &value);
// The value quoted, and where it came from, to begin a note: "\"Widget\" (Program Name) ".
QString quotedSource(const ExportValue &value);

// Whether a version can name a folder on every system: not "." or "..",
// and not ending in a dot or a blank, which Windows drops.
bool isFolderName(const QString &text);
// A name as a part of a package identifier: without blanks, dots and the
// characters the identifier's pattern refuses, cut to 32 characters.
QString identifierPart(const QString &name);

// The author's first and last name, from the PAD file's contact details.
ExportValue authorValue(const ExportSource &source);
// The 80 character description, else the 45, else the first sentence of
// the 450 (the form's description).
ExportValue shortDescription(const ExportSource &source, const QString &key);
// The text's first sentence: up to the first full stop, question or
// exclamation mark that a blank or the end follows.
QString firstSentence(const QString &text);
// Keywords as tags: separated by commas or semicolons, lower case, blanks
// as hyphens, each once.
QStringList tagsOf(const QString &keywords);

// What the installer's facts say beside the values: a size that differs
// from the PAD file's, a zip that needs its nested installer named, an
// installer whose own processor may not be the program's.
void noteInstaller(ExportPlan &plan, const ExportSource &source, const std::optional<InstallerFacts> &installer);

// One of the manifest's three files as YAML, from the plan's values.
QByteArray manifestYaml(ManifestFile file, const ExportPlan &plan);
// Whether YAML would read text, written without quotes, as something other
// than a string: a number ("1.10", "007"), a date, true, null and the like.
bool readsAsNonString(const QString &text);

} // namespace Export
