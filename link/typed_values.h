#pragma once

#include "link/result.h"

#include <QList>
#include <QString>

#include <optional>

// Texts the operator typed, checked before any of them goes on the wire. The logger splits every
// transmission at commas and runs what follows a comma as a new command: a station name
// "X,b839," would erase its memory. No value the logger stores can hold a comma, a control
// character or a character outside the line's 8-bit text (Latin-1), so such a value is refused
// whole, before the first byte of its write is sent.
namespace stazione::link {

// Where the value goes. A modem's dial string may hold commas (a pause while dialling) but
// never a control character: a CR would end the AT command and send the rest to the logger.
enum class TypedFor { Logger, Modem };

// One box (or command-line value) and the text it holds. `box` names the box as the window
// does ("Nome_Centralina", "GPRS_7"), so that the operator can find it.
struct TypedValue {
    QString box;
    QString value;
};

// The first character of `value` that cannot go to the logger (or the modem), as one code point.
std::optional<char32_t> refusedCharacter(QStringView value, TypedFor target = TypedFor::Logger);

// Refused (ErrorKind::Refused, Error::box set) when the value holds such a character; the
// message names the box and the character.
Status checkTyped(const QString& box, const QString& value, TypedFor target = TypedFor::Logger);
// Every value in order; the first refusal. A write of a whole window checks all its boxes with
// this before its first transmission.
Status checkTyped(const QList<TypedValue>& values, TypedFor target = TypedFor::Logger);

// "GPRS" and 7 -> "GPRS_7": element i of an array of boxes, as its object name reads.
QString boxName(const char* array, int index);

// The texts of an array of boxes, element i named boxName(array, i).
template<class Texts> QList<TypedValue> typedArray(const char* array, const Texts& texts)
{
    QList<TypedValue> out;
    int i = 0;
    for (const QString& text : texts)
        out.append({boxName(array, i++), text});
    return out;
}

} // namespace stazione::link
