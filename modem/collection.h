#pragma once

#include "link/link.h"
#include "link/result.h"
#include "modem/stations.h"
#include "network/collection_report.h"

#include <QString>

#include <chrono>
#include <functional>
#include <optional>

// The unattended collection of a station network: each station is called, started up as the
// modem window starts a call, its parameters read, its recorded data downloaded into the day's
// file and merged into its archive, its clock checked, and the call hung up. The same for the one
// logger on a cable, without the call.
namespace stazione::modem {

struct CollectSettings {
    QString dir;                                  // the data root: a folder per station, the report
    int retries = 2;                              // further attempts after a failure worth retrying
    std::chrono::milliseconds retryWait{60000};   // between attempts at one station (before scaling)
    std::optional<int> syncClockSeconds;          // correct a clock off by more than this
    bool fromEnd = false;                         // download mode "1": from the end of the memory
    std::chrono::milliseconds callTimeout{90000}; // from the dial to CONNECT (before scaling)
    int modemPort = 0;                            // 0: the logger is on the cable, already open
    // The channels' names and scaling are read on a station's first call, when asked, and
    // otherwise once they are this many days old.
    bool readSensors = false;
    int sensorsEveryDays = 7;
    // Asked between steps: a text (why, e.g. "stopped by SIGTERM") once the collection is being
    // stopped, empty until then. Whoever stops it also aborts the link's waits and pauses.
    std::function<QString()> stopped;
};

struct CollectTarget {
    int row = 0;       // directory number from 1; 0 for the logger on the cable
    QString name{};    // directory name; on the cable the logger's own
    QString number{};  // to dial; empty on the cable
    QString modello{}; // on the cable, the model the connection identified
    QString folder{};  // the folder's name under the data root (stationFolders); empty: from the name
};

// The names of the stations' folders under the data root, one a directory row: the directory
// name made safe for a file name ("stazione_<n>" for a station without a name, or one that is
// only dots). When several rows make the same safe name, each of them gets its row number added
// ("A_B_3"), so two stations never share a folder; a name without a clash keeps its folder.
std::array<QString, kStations> stationFolders(const StationDirectory& directory);

// The folder of a station under the data root: target.folder, else from its name alone.
QString stationFolder(const QString& dir, const CollectTarget& target);

// The attempts left, the time of the next one, and what each attempt ended in.
struct Attempt {
    data::StationOutcome outcome;
    bool retry = false; // a failure worth another call (busy, no answer, time-out, lost line)
};

// One attempt at a station over a link whose port is open: dial and wait for CONNECT (skipped
// on the cable), the modem window's start-up, the parameter retrieval, the download into
// DIR/<station>/<logger name>_DD_MM_YY_SENS.txt, the merge into <station>_archivio.txt, when due
// the read of the channels' names and scaling into <station>/sensori.json (a failed read fails
// nothing), the clock check and, when asked, its correction, then the hang-up. `callUp` is called when a call
// connected (the directory's "Ultimo Controllo" is kept then, as the window does).
Attempt collectOnce(link::Link& link, const CollectTarget& target, const CollectSettings& settings,
                    const std::function<void(const QString&)>& progress,
                    const std::function<void()>& callUp = {});

// Every station in turn on one link, with the retries: a station that failed in a way worth
// retrying goes to the back of the line and is called again once the retry wait has passed;
// the others are called meanwhile. `done` gets each station's final outcome (its attempts
// counted), which is also appended to DIR/raccolta.jsonl. Once `settings.stopped` says so, the
// call under way is hung up and it, every station waiting for a retry and every station not
// called yet end as "cancelled".
void collectAll(link::Link& link, const QList<CollectTarget>& targets, const CollectSettings& settings,
                const std::function<void(const QString&)>& progress,
                const std::function<void(const data::StationOutcome&)>& done,
                const std::function<void(const CollectTarget&)>& callUp = {});

// The result code of a dial in the modem's replies (the word itself in `word`): nothing while
// none has come.
std::optional<data::CollectResult> dialResult(const QByteArray& replies, QString* word = nullptr);

// The report of the last collection, as the modem window finds it: its path is kept in
// raccolta.ini in the settings folder by every collection.
QString rememberedReport();
void rememberReport(const QString& path);

// The outcome of a station that was not (or no longer) called because the collection was stopped.
data::StationOutcome cancelledOutcome(const CollectTarget& target, const QString& why);

// Sets "Ultimo Controllo" of directory row `row` (from 1) to today in the directory files, under a
// lock, as the modem window does when a call connects.
bool keepCallDate(int row, const QDate& today);

} // namespace stazione::modem
