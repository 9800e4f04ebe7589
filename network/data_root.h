#pragma once

#include <QString>

// The names in a data root: the files and folders the program writes there itself, and the
// folder of each station beside them.
namespace stazione::data {

// The database file of "--db" alone, in the data root.
inline const QString kDatabaseFileName = QStringLiteral("stazione.sqlite");

// Whether a name in a data root is one the program writes itself: the site folder ("sito") and
// its temporaries, raccolta.jsonl, allarmi.jsonl, stazione.sqlite, and what goes beside them.
bool reservedInDataRoot(const QString& name);

// The name of a station's folder: its safe name, or "stazione_<row>" when the name is empty or
// made only of dots and blanks ("." and ".." would be the data root and the folder above it), or
// "stazione_<row>_<safe name>" when the safe name is reserved in the data root ("sito" would be
// the site, which the next report replaces; "allarmi.jsonl" the alerts' log).
QString safeFolderName(const QString& station, int row);

} // namespace stazione::data
