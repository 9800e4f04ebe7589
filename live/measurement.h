#pragma once

#include "link/link.h"
#include "link/result.h"
#include "live/session_table.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QIODevice>
#include <QString>

#include <functional>

// The continuous measurement session: the logger measures its channels again and again and sends
// each set at once; every set becomes a row of the grid and a line of the session file.
namespace stazione::live {

inline const QString kConnectionError =
    QStringLiteral(QT_TRANSLATE_NOOP("stazione::ui::Messages", "Errore di connessione."));
inline const QString kNoChannel =
    QStringLiteral(QT_TRANSLATE_NOOP("stazione::ui::Messages", "Attivare almeno un canale."));
inline const QString kCancelledTitle =
    QStringLiteral(QT_TRANSLATE_NOOP("stazione::ui::Messages", "Azione annullata"));
inline const QString kTimeoutCell = QStringLiteral("Timeout");
inline const QString kStartMark = QStringLiteral("[INIZIO DATI]");
inline const QString kEndMark = QStringLiteral("[FINE DATI]");
inline const QString kBrokenMark = QStringLiteral("[FILE TERMINATO INASPETTATAMENTE]");

// "mc_" and the date and time: mc_05-12-2026_14.7.09.txt.
QString defaultSessionFileName(const QDateTime& when);

// While a session runs the port hands out everything waiting at each read; on every way out of the
// session it goes back to a character at a time.
class AllInputScope {
public:
    explicit AllInputScope(link::CommPort& port);
    ~AllInputScope();
    AllInputScope(const AllInputScope&) = delete;
    AllInputScope& operator=(const AllInputScope&) = delete;

private:
    link::CommPort& m_port;
};

// "H" with "0,": the number of active channels. A Data error with "Errore di connessione." when
// the logger answers "%%" or nothing, and one that names the count when it lies outside 0-16.
inline constexpr int kMaxSessionChannels = 16;
link::Result<int> requestSessionChannels(link::Link& link);

// Reads one set into the table's row being filled: the time stamp (CR LF pairs removed, trimmed),
// then for each channel its marker ("CHA%" for channel 1 and "CHB%" for channel 2, the fields
// before them skipped), a field that is not used, and the value. A value "%%" reads "Timeout",
// and so do the channels after it; `timedOut` tells.
link::Status readSet(link::Link& link, SessionTable& table, bool* timedOut);

void deleteQuietly(const QString& path);

// The session's own file, open from its start mark to its end mark. Each line goes to the system
// in one write of its own, so a program killed right after a set loses nothing, and a set costs a
// write instead of an open, a seek, a write and a close.
class SessionFile {
public:
    // Starts the file anew (an older one of the same name is replaced); the reason when it fails.
    QString create(const QString& path);
    // The line and its CR LF; the reason when it was not written whole.
    QString append(const QString& line);
    bool isOpen() const { return m_file.isOpen(); }

private:
    QFile m_file;
};
// True when the file exists and cannot be renamed and back (another program holds it). `retry`
// is asked whether to try again.
bool fileIsBusy(const QString& path, const std::function<bool()>& retry);

struct SessionHooks {
    std::function<bool()> stopRequested;
    std::function<void()> setRead; // after each set is in the table, before its line is written
    std::function<void(const QString& line)> line; // every line of the file, as it is written
};

struct SessionEnd {
    int sets = 0;                     // lines written to the file
    bool timedOut = false;            // the logger reported a channel time-out
    std::optional<link::Error> error; // the session broke off; the file ends with both marks
};

// Runs a session whose file already holds nothing (no file when `path` is empty): writes the start mark and
// the header, sends "P", reads sets until a stop is asked for (checked before each set) or a channel times
// out, then sends "a" and writes the end mark. A failure of the link or of the file ends the session with
// "[FINE DATI]" and "[FILE TERMINATO INASPETTATAMENTE]".
SessionEnd runSession(link::Link& link, SessionTable& table, int channels, const QString& path,
                      const SessionHooks& hooks);

} // namespace stazione::live
