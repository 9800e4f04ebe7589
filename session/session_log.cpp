#include "session/session_log.h"

#include <QDir>
#include <QSaveFile>

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

link::Status writeSessionLog(const QString& path, const SessionLogValues& values)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return link::Error::file(QObject::tr("Impossibile creare %1: %2").arg(path, file.errorString()));
    file.write(sessionLogText(values));
    if (!file.commit())
        return link::Error::file(QObject::tr("Impossibile scrivere %1: %2").arg(path, file.errorString()));
    return {};
}

} // namespace stazione::session
