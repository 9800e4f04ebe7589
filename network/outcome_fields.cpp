#include "network/outcome_fields.h"

#include <QJsonValue>

#include <cmath>

namespace stazione::data {

namespace {

template<class... F> struct Overloaded : F... {
    using F::operator()...;
};
template<class... F> Overloaded(F...) -> Overloaded<F...>;

QVariant nullOf(QMetaType::Type type)
{
    return QVariant(QMetaType(type));
}

// The logger's volts as a number; empty when none was read or its text is not a number.
std::optional<double> volts(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

std::optional<qint64> count(const QString& text)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    return ok ? std::optional(n) : std::nullopt;
}

// Volts with the two decimals the logger sends them with.
QString voltsText(double value)
{
    return QString::number(value, 'f', 2);
}

} // namespace

void writeField(const OutcomeField& f, const StationOutcome& o, QJsonObject& line)
{
    const QString key = QLatin1String(f.key);
    const bool ifAny = f.shape == FieldShape::IfAny;
    std::visit(Overloaded{
                   [&](QDateTime StationOutcome::*m) { line.insert(key, isoTime(o.*m)); },
                   [&](int StationOutcome::*m) { line.insert(key, o.*m); },
                   [&](qint64 StationOutcome::*m) { line.insert(key, double(o.*m)); },
                   [&](bool StationOutcome::*m) {
                       if (!ifAny || o.*m)
                           line.insert(key, o.*m);
                   },
                   [&](QString StationOutcome::*m) {
                       const QString& text = o.*m;
                       switch (f.shape) {
                       case FieldShape::Plain:
                           line.insert(key, text);
                           break;
                       case FieldShape::IfAny:
                           if (!text.isEmpty())
                               line.insert(key, text);
                           break;
                       case FieldShape::Count:
                           line.insert(key, text.isEmpty() ? QJsonValue() : QJsonValue(text));
                           break;
                       case FieldShape::Volts: {
                           const auto v = volts(text);
                           line.insert(key, v ? QJsonValue(*v) : QJsonValue());
                           break;
                       }
                       }
                   },
                   [&](std::optional<qint64> StationOutcome::*m) {
                       line.insert(key, (o.*m) ? QJsonValue(double(*(o.*m))) : QJsonValue());
                   },
                   [&](CollectResult StationOutcome::*m) { line.insert(key, resultText(o.*m)); },
               },
               f.member);
}

void readField(const OutcomeField& f, const QJsonObject& line, StationOutcome& o)
{
    const QJsonValue v = line.value(QLatin1String(f.key));
    std::visit(
        Overloaded{
            [&](QDateTime StationOutcome::*m) { o.*m = QDateTime::fromString(v.toString(), Qt::ISODate); },
            [&](int StationOutcome::*m) { o.*m = v.toInt(); },
            [&](qint64 StationOutcome::*m) { o.*m = qint64(v.toDouble()); },
            [&](bool StationOutcome::*m) { o.*m = v.toBool(); },
            [&](QString StationOutcome::*m) {
                // Reports written before the battery was a number hold the logger's text.
                o.*m = f.shape == FieldShape::Volts && v.isDouble() ? voltsText(v.toDouble()) : v.toString();
            },
            [&](std::optional<qint64> StationOutcome::*m) {
                o.*m = v.isDouble() ? std::optional(qint64(v.toDouble())) : std::nullopt;
            },
            [&](CollectResult StationOutcome::*m) {
                o.*m = resultFromText(v.toString()).value_or(CollectResult::FileError);
            },
        },
        f.member);
}

QVariant sqlValue(const OutcomeField& f, const StationOutcome& o)
{
    return std::visit(Overloaded{
                          [&](QDateTime StationOutcome::*m) { return QVariant(isoTime(o.*m)); },
                          [&](int StationOutcome::*m) { return QVariant(o.*m); },
                          [&](qint64 StationOutcome::*m) { return QVariant(o.*m); },
                          [&](bool StationOutcome::*m) {
                              if (f.shape == FieldShape::IfAny && !(o.*m))
                                  return nullOf(QMetaType::Int);
                              return QVariant(o.*m ? 1 : 0);
                          },
                          [&](QString StationOutcome::*m) {
                              const QString& text = o.*m;
                              switch (f.shape) {
                              case FieldShape::Plain:
                                  // Qt binds a null QString as NULL.
                                  return QVariant(text.isNull() ? QStringLiteral("") : text);
                              case FieldShape::IfAny:
                                  return text.isEmpty() ? nullOf(QMetaType::QString) : QVariant(text);
                              case FieldShape::Count: {
                                  const auto n = count(text);
                                  return n ? QVariant(*n) : nullOf(QMetaType::LongLong);
                              }
                              case FieldShape::Volts: {
                                  const auto v = volts(text);
                                  return v ? QVariant(*v) : nullOf(QMetaType::Double);
                              }
                              }
                              return QVariant();
                          },
                          [&](std::optional<qint64> StationOutcome::*m) {
                              return (o.*m) ? QVariant(*(o.*m)) : nullOf(QMetaType::LongLong);
                          },
                          [&](CollectResult StationOutcome::*m) { return QVariant(resultText(o.*m)); },
                      },
                      f.member);
}

void setFromSql(const OutcomeField& f, const QVariant& v, StationOutcome& o)
{
    std::visit(
        Overloaded{
            [&](QDateTime StationOutcome::*m) { o.*m = QDateTime::fromString(v.toString(), Qt::ISODate); },
            [&](int StationOutcome::*m) { o.*m = v.toInt(); },
            [&](qint64 StationOutcome::*m) { o.*m = v.toLongLong(); },
            [&](bool StationOutcome::*m) { o.*m = v.toInt() != 0; },
            [&](QString StationOutcome::*m) {
                if (v.isNull())
                    o.*m = QString();
                else if (f.shape == FieldShape::Count)
                    o.*m = QString::number(v.toLongLong());
                else if (f.shape == FieldShape::Volts)
                    o.*m = voltsText(v.toDouble());
                else
                    o.*m = v.toString();
            },
            [&](std::optional<qint64> StationOutcome::*m) {
                o.*m = v.isNull() ? std::nullopt : std::optional(v.toLongLong());
            },
            [&](CollectResult StationOutcome::*m) {
                o.*m = resultFromText(v.toString()).value_or(CollectResult::FileError);
            },
        },
        f.member);
}

} // namespace stazione::data
