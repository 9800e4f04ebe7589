#include "live/measurement.h"

#include "link/exchange.h"
#include "link/numbers.h"

#include <QCoreApplication>
#include <QFile>

namespace stazione::live {

namespace {

// How many fields may come before a channel's marker before the set counts as out of shape.
constexpr int kMarkerSearch = 64;

link::Error fileError(const QString& path)
{
    return link::Error::file(
        QCoreApplication::translate("stazione::live::Measurement", "Scrittura del file %1 non riuscita.")
            .arg(path));
}

} // namespace

QString defaultSessionFileName(const QDateTime& when)
{
    return QStringLiteral("mc_") + when.toString(QStringLiteral("dd-MM-yyyy_hh.m.ss")) +
           QStringLiteral(".txt");
}

AllInputScope::AllInputScope(link::CommPort& port)
    : m_port(port)
{
    m_port.setInputLen(0);
}

AllInputScope::~AllInputScope()
{
    m_port.setInputLen(1);
}

link::Result<int> requestSessionChannels(link::Link& link)
{
    auto field = link::requestField(link, link::cmd::readChannelCountForSession());
    if (!field)
        return field.error();
    const QString count = field->trimmed();
    if (count.isEmpty() || count == QLatin1String(link::cmd::kLoggerTimeout))
        return link::Error::data(kConnectionError);
    // The multiplexer has 16 channels: a count beyond them is not one the session can lay out.
    const long long channels = link::integerValue(count);
    if (channels < 0 || channels > kMaxSessionChannels)
        return link::Error::data(
            QStringLiteral(
                "Il datalogger annuncia %1 canali attivi: la misura continua ne accetta da 0 a %2.")
                .arg(count.left(24), QString::number(kMaxSessionChannels)));
    return static_cast<int>(channels);
}

link::Status readSet(link::Link& link, SessionTable& table, bool* timedOut)
{
    auto stamp = link.Leggi_Risposta();
    if (!stamp)
        return stamp.error();
    table.setCell(0, QString(*stamp).remove(QStringLiteral("\r\n")).trimmed());
    bool late = false;
    for (int k = 1; k <= table.channels(); ++k) {
        if (late) {
            table.setCell(k, kTimeoutCell);
            continue;
        }
        const QString marker = k == 1 ? QStringLiteral("CHA%") : k == 2 ? QStringLiteral("CHB%") : QString();
        for (int searched = 0;; ++searched) {
            auto field = link.Leggi_Risposta();
            if (!field)
                return field.error();
            if (marker.isEmpty() || *field == marker)
                break;
            if (searched == kMarkerSearch)
                return link::Error::data(QCoreApplication::translate("stazione::live::Measurement",
                                                                     "Il datalogger non invia il canale %1.")
                                             .arg(k));
        }
        auto unused = link.Leggi_Risposta();
        if (!unused)
            return unused.error();
        auto value = link.Leggi_Risposta();
        if (!value)
            return value.error();
        QString cell = value->trimmed();
        if (cell == QLatin1String(link::cmd::kLoggerTimeout)) {
            cell = kTimeoutCell;
            late = true;
        }
        table.setCell(k, cell);
    }
    *timedOut = late;
    return {};
}

QString SessionFile::create(const QString& path)
{
    m_file.close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return m_file.errorString();
    return {};
}

QString SessionFile::append(const QString& line)
{
    const QByteArray bytes = line.toLatin1() + "\r\n";
    if (m_file.write(bytes) == bytes.size())
        return {};
    return m_file.errorString().isEmpty() ? QStringLiteral("short write") : m_file.errorString();
}

void deleteQuietly(const QString& path)
{
    QFile::remove(path);
}

bool fileIsBusy(const QString& path, const std::function<bool()>& retry)
{
    for (;;) {
        if (!QFile::exists(path))
            return false;
        const QString aside = path + QStringLiteral(".temp");
        if (QFile::rename(path, aside) && QFile::rename(aside, path))
            return false;
        if (!retry())
            return true;
    }
}

SessionEnd runSession(link::Link& link, SessionTable& table, int channels, const QString& path,
                      const SessionHooks& hooks)
{
    SessionEnd end;
    SessionFile file;
    // Each line is on disk before it is shown: whatever was shown survives a program killed
    // right after.
    auto appendLine = [&](const QString&, const QString& text) {
        const QString failure = path.isEmpty() ? QString() : file.append(text);
        if (hooks.line)
            hooks.line(text);
        return failure.isEmpty();
    };
    // A broken session ends with both marks, when there is a file to put them in.
    auto markBroken = [&](const QString&) {
        if (!file.isOpen())
            return;
        appendLine(path, kEndMark);
        appendLine(path, kBrokenMark);
    };
    auto broken = [&](link::Error error) {
        // Ask the logger to stop streaming, at once; what it still sends is dropped by the next command.
        (void)link::sendKeepingInput(link, link::cmd::endContinuousMeasurement());
        markBroken(path);
        end.error = std::move(error);
        return end;
    };
    table.start(channels);
    // Nothing has been asked of the logger yet: "a" would start the counted download on an idle
    // logger, so a file that cannot be made ends the session here, with nothing sent.
    if (!path.isEmpty()) {
        QString failure = file.create(path);
        if (failure.isEmpty())
            failure = file.append(kStartMark);
        if (!failure.isEmpty()) {
            end.error = link::Error::file(QCoreApplication::translate("stazione::live::Measurement",
                                                                      "Impossibile creare il file %1 (%2).")
                                              .arg(path, failure));
            return end;
        }
    }
    if (hooks.line)
        hooks.line(kStartMark);
    if (!appendLine(path, table.header().join(QLatin1Char(',')))) {
        markBroken(path);
        end.error = fileError(path);
        return end;
    }
    table.setSessionFile(path);
    if (auto s = link::send(link, link::cmd::startContinuousMeasurement()); !s)
        return broken(s.error());

    bool stop = false;
    while (!stop) {
        if (hooks.stopRequested && hooks.stopRequested())
            break;
        bool timedOut = false;
        if (auto s = readSet(link, table, &timedOut); !s)
            return broken(s.error());
        if (timedOut) {
            end.timedOut = true;
            stop = true;
        }
        if (hooks.setRead)
            hooks.setRead();
        if (hooks.stopRequested && hooks.stopRequested())
            stop = true;
        const QString line = table.fillingLine();
        if (!stop)
            table.completeRow();
        if (!appendLine(path, line))
            return broken(fileError(path));
        ++end.sets;
    }
    if (auto s = link::sendKeepingInput(link, link::cmd::endContinuousMeasurement()); !s) {
        markBroken(path);
        end.error = s.error();
        return end;
    }
    if (!appendLine(path, kEndMark))
        end.error = fileError(path);
    return end;
}

} // namespace stazione::live
