#pragma once

#include "db/database.h"
#include "link/result.h"
#include "network/collection_report.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <vector>

// What goes into the database and what comes out of it. The archives stay the source of truth:
// every table can be rebuilt from the data root (the station folders and raccolta.jsonl). A line
// is stored once for its station, by its text, whichever PC's archive brought it: archives of one
// station on two PCs may begin at different records (its memory wrapped in between) and hold
// the same record at different places.
namespace stazione::db {

// An archive line as the table "lines" holds it: UTF-8 when the bytes are UTF-8, else Latin-1
// (the logger's own characters), a NUL as "␀", so that every line has one text on both
// databases and compares the same way.
QString lineText(const QByteArray& line);
// The same as UTF-8 bytes: the line itself when it is plain ASCII.
QByteArray lineUtf8(const QByteArray& line);

// The station folders of a data root that hold an archive: folder name -> archive path.
QMap<QString, QString> archivesIn(const QString& dir);

struct StationKey {
    QString folder; // the station's folder under the data root; empty when not known
    QString name;
    QString number;
};

enum class Resume { FromMarks, CheckEvery };

struct ImportSummary;
struct PreparedLine;

class Store {
public:
    explicit Store(Database& db)
        : m_db(db)
    {}

    // The station's id: found by folder (else, without a folder, by name), made when new. A
    // name and number given replace the stored ones.
    link::Result<qint64> station(const StationKey& key);

    // Stores the lines of the archive that the station does not hold yet, and their readings, in
    // one transaction; the number of lines added. Two PCs storing one station at once take turns.
    // FromMarks skips the beginning of the archive that a store before found stored whole (its
    // digest is kept in "archive_marks"); CheckEvery looks each line up, so that lines taken out
    // of the database by hand come back.
    link::Result<qint64> storeArchive(qint64 stationId, const QString& archivePath,
                                      Resume resume = Resume::FromMarks);
    link::Result<qint64> storeLines(qint64 stationId, const QList<QByteArray>& archive,
                                    Resume resume = Resume::FromMarks);

    // One row of "collections" for a report line (its station found or made by the archive's
    // folder, else by name); false when the line was stored before.
    link::Result<bool> storeOutcome(const data::StationOutcome& outcome);

private:
    friend link::Result<ImportSummary> importFolder(Database& db, const QString& dir);
    // With `prepared`, the archive's lines made ready already, from its first.
    link::Result<qint64> storeLines(qint64 stationId, const QList<QByteArray>& archive, Resume resume,
                                    const std::vector<PreparedLine>* prepared);

    // Keeps the channels' names and scaling of a read newer than the stored one.
    link::Status storeSensors(qint64 stationId, const data::StationSensors& sensors);
    // Keeps on the station's row what its latest collection knew of it (the directory row, 0 for
    // the logger on the cable).
    link::Status noteStation(qint64 stationId, const data::StationOutcome& outcome);
    link::Status begin();
    link::Status commit();
    void rollback();
    bool relaxForeignKeys();
    link::Status restoreForeignKeys();

    Database& m_db;
    bool m_inTransaction = false; // an import's: the stores of its stations begin none
};

// The station key of a report line: its station's folder (in a line of an earlier version, its
// archive's) when it names one.
StationKey stationKey(const data::StationOutcome& outcome);

struct ImportSummary {
    int stations = 0;
    qint64 lines = 0;       // lines added now
    qint64 collections = 0; // report lines added now
    qint64 reportLines = 0; // report lines read
};

// Stores every station archive of the data root and every line of its report; what is there
// already is not stored again.
link::Result<ImportSummary> importFolder(Database& db, const QString& dir);

// Every difference between the stations' archives under the data root and their stored lines,
// one text each; empty when they match.
link::Result<QStringList> checkFolder(Database& db, const QString& dir);

// The time of a read of the channels' names as the table "sensors" keeps it: UTC, so that its
// text sorts as the time does.
QString sensorsTime(const QDateTime& time);
// The channels' names and scaling of one station; nothing when it has none.
link::Result<std::optional<data::StationSensors>> readStationSensors(Database& db, qint64 stationId);
// Those of every station that has them, by the station's folder (a station known by no folder
// has none).
link::Result<std::map<QString, data::StationSensors>> readSensorsByFolder(Database& db);

struct QueryOptions {
    QString station;             // the station's name or folder
    std::optional<QString> from; // ISO 8601 local clock time, inclusive
    std::optional<QString> to;
    std::vector<int> channels; // empty: every channel the station has
    bool names = false;        // the header names the channels ("CH 0 Piezometro P1")
};

// The station's values as the CSV table "export" writes (time, one column per channel, an
// empty cell for a gap, CR LF); the number of rows written.
link::Result<qint64> queryCsv(Database& db, const QueryOptions& options, QIODevice& output);

} // namespace stazione::db
