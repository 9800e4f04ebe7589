#include "link/numbers.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace stazione::link {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// A decimal number split into its parts, exactly as written.
struct Decimal {
    bool negative = false;
    QString integer;  // digits, may be empty
    QString fraction; // digits, may be empty
};

// Reads a number at the start of text. Returns how many characters it took (0 = none).
qsizetype scanNumber(QStringView text, Decimal* out)
{
    qsizetype i = 0;
    Decimal d;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        d.negative = text[i] == QLatin1Char('-');
        ++i;
    }
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128)
        d.integer += text[i++];
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        qsizetype j = i + 1;
        QString fraction;
        while (j < text.size() && text[j].isDigit() && text[j].unicode() < 128)
            fraction += text[j++];
        if (!d.integer.isEmpty() || !fraction.isEmpty()) {
            d.fraction = fraction;
            i = j;
        }
    }
    if (d.integer.isEmpty() && d.fraction.isEmpty())
        return 0;
    *out = d;
    return i;
}

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

struct Pattern {
    int minInteger = 0;
    int minFraction = 0;
    int maxFraction = 0;
};

Pattern parsePattern(const char* text)
{
    Pattern p;
    const char* point = std::strchr(text, '.');
    const char* end = point ? point : text + std::strlen(text);
    for (const char* c = text; c != end; ++c)
        p.minInteger += *c == '0';
    if (point) {
        for (const char* c = point + 1; *c; ++c) {
            if (*c == '0')
                ++p.minFraction;
            if (*c == '0' || *c == '#')
                ++p.maxFraction;
        }
    }
    return p;
}

// Rounds the digits to maxFraction decimals, halves away from zero, working on the text.
void roundDecimal(Decimal& d, int maxFraction)
{
    if (d.fraction.size() <= maxFraction)
        return;
    const bool roundUp = d.fraction.at(maxFraction) >= QLatin1Char('5');
    d.fraction.truncate(maxFraction);
    if (!roundUp)
        return;
    QString digits = d.integer + d.fraction;
    int k = int(digits.size()) - 1;
    for (; k >= 0; --k) {
        if (digits[k] == QLatin1Char('9')) {
            digits[k] = QLatin1Char('0');
        } else {
            digits[k] = QChar(digits[k].unicode() + 1);
            break;
        }
    }
    if (k < 0)
        digits.prepend(QLatin1Char('1'));
    const qsizetype integerLength = digits.size() - d.fraction.size();
    d.integer = digits.left(integerLength);
    d.fraction = digits.mid(integerLength);
}

QString render(Decimal d, const Pattern& p)
{
    roundDecimal(d, p.maxFraction);
    while (d.fraction.size() > p.minFraction && d.fraction.endsWith(QLatin1Char('0')))
        d.fraction.chop(1);
    while (d.fraction.size() < p.minFraction)
        d.fraction += QLatin1Char('0');
    while (d.integer.size() > 1 && d.integer.startsWith(QLatin1Char('0')))
        d.integer.remove(0, 1);
    if (d.integer == QLatin1String("0") && p.minInteger == 0)
        d.integer.clear();
    while (d.integer.size() < p.minInteger)
        d.integer.prepend(QLatin1Char('0'));
    if (d.integer.isEmpty() && d.fraction.isEmpty())
        d.integer = QStringLiteral("0");

    bool zero = true;
    for (QChar c : d.integer + d.fraction)
        zero = zero && c == QLatin1Char('0');
    QString out;
    if (d.negative && !zero)
        out += QLatin1Char('-');
    out += d.integer;
    if (!d.fraction.isEmpty())
        out += QLatin1Char('.') + d.fraction;
    return out;
}

} // namespace

double numericValue(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    Decimal d;
    const qsizetype taken = scanNumber(text.mid(i), &d);
    if (taken == 0)
        return 0.0;
    const QString literal = (d.negative ? QStringLiteral("-") : QString()) +
                            (d.integer.isEmpty() ? QStringLiteral("0") : d.integer) + QLatin1Char('.') +
                            (d.fraction.isEmpty() ? QStringLiteral("0") : d.fraction);
    return literal.toDouble();
}

long long integerValue(QStringView text)
{
    // A logger or a settings file may hold any number of digits: beyond the range of long long
    // the value is held at its end (converting it would be undefined).
    constexpr double kTwoTo63 = 9223372036854775808.0;
    const double value = std::nearbyint(numericValue(text));
    if (std::isnan(value))
        return 0;
    if (value >= kTwoTo63)
        return std::numeric_limits<long long>::max();
    if (value < -kTwoTo63)
        return std::numeric_limits<long long>::min();
    return static_cast<long long>(value);
}

QString plainNumber(QStringView text)
{
    return QString::number(numericValue(text), 'g', 15);
}

QString signedNotation(long long value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

bool isNumber(QStringView text)
{
    const QStringView t = trimmed(text);
    Decimal d;
    return !t.isEmpty() && scanNumber(t, &d) == t.size();
}

QString formatNumber(QStringView text, const char* pattern)
{
    const QStringView t = trimmed(text);
    Decimal d;
    if (t.isEmpty() || scanNumber(t, &d) != t.size())
        return text.toString();
    return render(d, parsePattern(pattern));
}

QString formatNumber(double value, const char* pattern)
{
    if (!std::isfinite(value))
        return QString::number(value);
    // 15 significant digits give back the decimal the value was written from.
    const int integerDigits = int(std::log10(std::fabs(value) + 1));
    return formatNumber(QString::number(value, 'f', std::max(0, 15 - integerDigits)), pattern);
}

} // namespace stazione::link
