// The alert rules at their thresholds: each rule just below, at and just above its threshold, and
// the run of failures with a cancelled call between them.

#include "network/alerts.h"
#include "network/network_status.h"

#include <QDateTime>

#include <gtest/gtest.h>
#include <initializer_list>

using namespace stazione;

namespace {

const QDateTime kNow(QDate(2026, 3, 10), QTime(6, 0));

data::Call callWith(const QString& result)
{
    data::StationOutcome o;
    o.start = kNow.addDays(-1);
    o.end = o.start.addSecs(60);
    o.row = 4;
    o.name = QStringLiteral("Pozzo");
    return data::callOf(o, result, std::nullopt, std::nullopt, std::nullopt);
}

data::StationHistory stationOf(std::vector<data::Call> calls)
{
    data::StationHistory s;
    s.row = 4;
    s.name = QStringLiteral("Pozzo");
    s.calls = std::move(calls);
    return s;
}

bool holds(const data::StationHistory& s, data::AlertKind kind, double threshold)
{
    const auto judged = data::judge(s, kind, threshold, kNow);
    EXPECT_TRUE(judged.has_value());
    return judged && judged->holds;
}

// A station whose calls end as given, oldest first.
data::StationHistory runOf(std::initializer_list<const char*> results)
{
    std::vector<data::Call> calls;
    for (const char* r : results)
        calls.push_back(callWith(QString::fromLatin1(r)));
    return stationOf(std::move(calls));
}

} // namespace

TEST(AlertRules, BatteryBelowItsThresholdOnly)
{
    for (const auto& [volts, expected] : {std::pair{11.79, true}, {11.8, false}, {11.81, false}}) {
        data::Call c = callWith("ok");
        c.battery = volts;
        EXPECT_EQ(holds(stationOf({c}), data::AlertKind::Battery, 11.8), expected) << volts;
    }
}

TEST(AlertRules, MemoryAboveItsThresholdOnly)
{
    for (const auto& [available, expected] : {std::pair{1999.0, true}, {2000.0, false}, {2001.0, false}}) {
        // 10000 records, 2000 free: 80 % used; one record more or less either side.
        data::StationOutcome o = callWith("ok").outcome;
        const data::Call c = data::callOf(o, "ok", std::nullopt, 10000.0, available);
        EXPECT_EQ(holds(stationOf({c}), data::AlertKind::Memory, 80), expected) << available;
    }
}

TEST(AlertRules, DriftAboveItsThresholdEitherWayAndNotOnceCorrected)
{
    for (const auto& [drift, expected] : {std::pair{qint64(301), true},
                                          {qint64(300), false},
                                          {qint64(299), false},
                                          {qint64(-301), true},
                                          {qint64(-300), false}}) {
        data::Call c = callWith("ok");
        c.outcome.clockDrift = drift;
        EXPECT_EQ(holds(stationOf({c}), data::AlertKind::Drift, 300), expected) << drift;
        c.outcome.clockCorrected = true;
        EXPECT_FALSE(holds(stationOf({c}), data::AlertKind::Drift, 300)) << drift;
    }
}

TEST(AlertRules, FailuresFromTheirCount)
{
    EXPECT_FALSE(holds(runOf({"ok", "busy", "timeout"}), data::AlertKind::Failures, 3));
    EXPECT_TRUE(holds(runOf({"ok", "busy", "timeout", "no-answer"}), data::AlertKind::Failures, 3));
    EXPECT_TRUE(
        holds(runOf({"ok", "busy", "timeout", "no-answer", "line-lost"}), data::AlertKind::Failures, 3));
    // A success ends the run.
    EXPECT_FALSE(holds(runOf({"busy", "timeout", "no-answer", "ok"}), data::AlertKind::Failures, 1));
}

// A cancelled call (the collection stopped by a signal) says nothing about the station: it is no
// success, so it does not end the run of failures, and no failure, so it does not lengthen it.
TEST(AlertRules, ACancelledCallNeitherCountsNorEndsTheRunOfFailures)
{
    const auto between = runOf({"ok", "busy", "cancelled", "timeout", "no-answer"});
    EXPECT_TRUE(holds(between, data::AlertKind::Failures, 3));
    EXPECT_FALSE(holds(between, data::AlertKind::Failures, 4));
    EXPECT_DOUBLE_EQ(data::judge(between, data::AlertKind::Failures, 3, kNow)->value, 3);

    const auto last = runOf({"ok", "busy", "timeout", "cancelled", "cancelled"});
    EXPECT_TRUE(holds(last, data::AlertKind::Failures, 2));
    EXPECT_FALSE(holds(last, data::AlertKind::Failures, 3));

    EXPECT_FALSE(holds(runOf({"busy", "ok", "cancelled"}), data::AlertKind::Failures, 1));
}

TEST(AlertRules, StaleFromTheExactTimeNotItsRoundedDays)
{
    for (const auto& [hours, expected] :
         {std::pair{26.2, true}, {24.0 + 1.0 / 60, true}, {24.0, false}, {23.9, false}}) {
        data::Call c = callWith("ok");
        c.outcome.newLines = 5;
        c.outcome.end = kNow.addSecs(qint64(-hours * 3600));
        EXPECT_EQ(holds(stationOf({c}), data::AlertKind::Stale, 1), expected) << hours;
    }
    // The value told stays the days to a tenth, never more than they are.
    data::Call c = callWith("ok");
    c.outcome.newLines = 5;
    c.outcome.end = kNow.addSecs(-qint64(1.09 * 86400));
    EXPECT_DOUBLE_EQ(data::judge(stationOf({c}), data::AlertKind::Stale, 1, kNow)->value, 1.0);
}

// The rows name each kind once: the log's word reads back as its kind, and each reads in both
// languages with its value in it.
TEST(AlertRuleRows, EachKindHasOneRowWithItsWordsInBothLanguages)
{
    QStringList names;
    for (const data::AlertRuleRow& row : data::alertRuleRows()) {
        const QString name = QString::fromLatin1(row.name);
        EXPECT_FALSE(names.contains(name)) << row.name;
        names << name;
        EXPECT_EQ(&data::alertRule(row.kind), &row) << row.name;
        EXPECT_EQ(data::alertKindText(row.kind), name);
        EXPECT_EQ(data::alertKindFromText(name), row.kind);
        const QString italian =
            data::alertWords(row.kind, QStringLiteral("it"), QStringLiteral("<v>"), QStringLiteral("<t>"));
        const QString english =
            data::alertWords(row.kind, QStringLiteral("en"), QStringLiteral("<v>"), QStringLiteral("<t>"));
        EXPECT_TRUE(italian.contains(QStringLiteral("<v>"))) << qPrintable(italian);
        EXPECT_TRUE(english.contains(QStringLiteral("<v>"))) << qPrintable(english);
        EXPECT_NE(italian, english);
        EXPECT_LE(row.lowest, row.highest);
    }
    EXPECT_EQ(data::alertKindFromText(QStringLiteral("Battery")), std::nullopt);
    // A value that holds a placeholder is put in as it is.
    EXPECT_EQ(data::alertWords(data::AlertKind::Failures, QStringLiteral("en"), QStringLiteral("%2"),
                               QStringLiteral("3")),
              QStringLiteral("%2 failed collections in a row"));
}
