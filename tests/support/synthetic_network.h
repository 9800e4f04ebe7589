#pragma once

// A station network on disk as a season of collections leaves it: DIR/raccolta.jsonl with a line
// per station per night and each station's archive of measurement lines, with problems planted
// where the tests and the benchmark of the web report look for them.

#include "data/file_names.h"
#include "network/archive.h"
#include "network/collection_report.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace stazione::synthetic {

struct SyntheticNetwork {
    int stations = 8;
    int nights = 40;
    int archiveLines = 2000; // per station, ending at the last night
    int minutesPerLine = 15;
    bool batteryAsText = false; // as older reports wrote it
    QDateTime lastNight = QDateTime(QDate::currentDate(), QTime(2, 0));
    // Planted problems, by directory number (0: none).
    int lowBattery = 2;   // battery sinks to 10.9 V
    int fullMemory = 3;   // 97 % used
    int failing = 4;      // the last three calls failed
    int stale = 5;        // no new line for the last ten nights
    int drifting = 6;     // clock 400 s ahead, not corrected
    int neverReached = 0; // every call failed
};

inline QString syntheticName(int row)
{
    return QStringLiteral("Stazione %1").arg(row);
}

// Writes the report and the archives under `dir`; false when a file could not be written.
inline bool writeSyntheticNetwork(const QString& dir, const SyntheticNetwork& n)
{
    QFile report(QDir(dir).filePath(data::kReportFileName));
    if (!report.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray reportText;
    for (int night = 0; night < n.nights; ++night) {
        const QDateTime start = n.lastNight.addDays(night - n.nights + 1);
        for (int row = 1; row <= n.stations; ++row) {
            const int fromEnd = n.nights - 1 - night; // 0 on the last night
            data::StationOutcome o;
            o.start = start.addSecs(row * 60);
            o.end = o.start.addSecs(45);
            o.row = row;
            o.name = syntheticName(row);
            o.number = QStringLiteral("0471%1").arg(row, 6, 10, QLatin1Char('0'));
            o.attempts = 1;
            const bool failed = (row == n.failing && fromEnd < 3) || row == n.neverReached;
            const QString folder = data::safeStationName(o.name);
            o.archive = QDir(QDir(dir).filePath(folder)).filePath(data::archiveFileName(folder));
            QJsonObject j;
            if (failed) {
                o.result = data::CollectResult::NoAnswer;
                o.attempts = 3;
                o.error = QStringLiteral("NO ANSWER");
                j = data::toJson(o);
            } else {
                o.result = data::CollectResult::Ok;
                o.complete = true;
                o.newLines = row == n.stale && fromEnd < 10 ? 0 : 96;
                o.totalLines = qint64(n.archiveLines);
                o.clockDrift = row == n.drifting ? 400 : (night % 5) - 2;
                j = data::toJson(o);
                double volts = 12.6 - 0.002 * night;
                if (row == n.lowBattery)
                    volts = 12.4 - 1.5 * double(night) / double(std::max(1, n.nights - 1));
                const int possible = 20000;
                const int used = row == n.fullMemory ? 19400 : 4000 + (night * 50) % 6000;
                if (n.batteryAsText) {
                    j.insert(QStringLiteral("battery"), QString::number(volts, 'f', 1));
                } else {
                    j.insert(QStringLiteral("battery"), std::round(volts * 100) / 100);
                }
                j.insert(QStringLiteral("memory_possible"), QString::number(possible));
                j.insert(QStringLiteral("memory_available"), QString::number(possible - used));
            }
            reportText += QJsonDocument(j).toJson(QJsonDocument::Compact) + '\n';
        }
    }
    if (report.write(reportText) != reportText.size())
        return false;
    report.close();

    for (int row = 1; row <= n.stations; ++row) {
        if (row == n.neverReached)
            continue;
        const QString folder = QDir(dir).filePath(data::safeStationName(syntheticName(row)));
        QDir().mkpath(folder);
        QFile archive(
            QDir(folder).filePath(data::archiveFileName(data::safeStationName(syntheticName(row)))));
        if (!archive.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        QDateTime end = n.lastNight;
        if (row == n.stale)
            end = end.addDays(-10);
        const QDateTime first = end.addSecs(-qint64(n.minutesPerLine) * 60 * (n.archiveLines - 1));
        QByteArray text;
        text.reserve(n.archiveLines * 40);
        char line[128];
        for (int i = 0; i < n.archiveLines; ++i) {
            const QDateTime at = first.addSecs(qint64(i) * n.minutesPerLine * 60);
            const QDate d = at.date();
            const QTime t = at.time();
            const int len =
                std::snprintf(line, sizeof line, "%02d/%02d/%02d %02d:%02d:%02d, %06.2f, %06.1f, %05.3f\r\n",
                              d.day(), d.month(), d.year() % 100, t.hour(), t.minute(), t.second(),
                              10.0 + (i % 96) * 0.1, 1000.0 + row, 0.5 + (i % 7) * 0.01);
            text.append(line, len);
        }
        if (archive.write(text) != text.size())
            return false;
    }
    return true;
}

} // namespace stazione::synthetic
