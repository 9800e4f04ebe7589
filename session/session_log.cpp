#include "session/session_log.h"

#include "data/file_names.h"
#include "link/settings_file.h"

#include <QDir>
#include <QFileInfo>

namespace stazione::session {

QByteArray sessionLogText(const SessionLogValues& v)
{
    const std::pair<const char*, const QString*> lines[] = {
        {"ID TELEMONITOR: ", &v.Nome_Centralina}, {"PO ACQUISITION: ", &v.Acq_possibili},
        {"AV ACQUISITION: ", &v.acq_disponibili}, {"ACQ HOURS     : ", &v.conversione[0]},
        {"ACQ MINUTES   : ", &v.conversione[1]},  {"ACQ SECONDS   : ", &v.conversione[2]},
        {"PRE-HEATING   : ", &v.preaccensione},
    };
    QByteArray text;
    for (const auto& [label, value] : lines)
        text += QByteArray(label) + value->toLatin1() + "\r\n";
    return text;
}

QString sessionLogPath(const QString& dataFolder, const QString& dataFileName)
{
    return QDir(dataFolder).filePath(QStringLiteral("LOGOUT_") + dataFileName);
}

QString sessionLogDataFileName(const QString& shown, const QString& station, const QDate& date)
{
    if (shown.isEmpty())
        return shown;
    QString name = QFileInfo(shown).fileName();
    if (name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        return name;
    return data::dataFileName(station, date);
}

link::Status writeSessionLog(const QString& path, const SessionLogValues& values)
{
    // Written whole or not at all, and in place of a link of that name, never through it.
    if (!link::writeSettingsFile(path, sessionLogText(values), link::FileAccess::Shared))
        return link::Error::file(QObject::tr("Impossibile scrivere %1.").arg(path));
    return {};
}

} // namespace stazione::session
