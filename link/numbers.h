#pragma once

#include <QString>
#include <QStringView>

namespace stazione::link {

// The number a text starts with: leading blanks skipped, an optional sign, digits, an optional
// decimal point and digits. 0 when the text does not start with a number ("", "abc", "%%").
double numericValue(QStringView text);

// numericValue rounded to the nearest whole number (halves to even, as the boxes always did),
// held at the limits of long long when it lies beyond them.
long long integerValue(QStringView text);

// The numeric value written as a plain number: "007" -> "7", "abc" -> "0", "12.50" -> "12.5".
QString plainNumber(QStringView text);

// A number the program computes and sends: one leading blank when zero or positive, a minus
// sign when negative (3 -> " 3", -1874 -> "-1874").
QString signedNotation(long long value);

// Display patterns. '0' is a digit always shown, '#' a digit shown only when needed; the
// decimal separator is always '.', whatever the system's regional setting.
namespace pattern {
inline constexpr const char* kTwoDigits = "00";
inline constexpr const char* kThreeDigits = "000";
inline constexpr const char* kFiveDigits = "00000";
inline constexpr const char* kVoltage = "00.00";
inline constexpr const char* kTemperature = "000.0";
inline constexpr const char* kReading = "######0.0##";
} // namespace pattern

// Formats a text that holds a number with the pattern, rounding halves away from zero on the
// decimal digits themselves (23.45 -> "023.5", never "023.4" from a binary approximation).
// A text that is not a number as a whole comes back unchanged ("abc" stays "abc").
QString formatNumber(QStringView text, const char* pattern);
QString formatNumber(double value, const char* pattern);

// True when the whole text, blanks around it aside, is a number (sign, digits, point, digits).
bool isNumber(QStringView text);

} // namespace stazione::link
