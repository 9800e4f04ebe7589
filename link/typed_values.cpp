#include "link/typed_values.h"

#include <QCoreApplication>

namespace stazione::link {

namespace {

struct TypedValues {
    Q_DECLARE_TR_FUNCTIONS(stazione::link::TypedValues)
};

bool isControl(char32_t c)
{
    return c < 0x20 || c == 0x7f;
}

QString describe(char32_t c)
{
    if (c == U',')
        return TypedValues::tr("la virgola \",\"");
    if (isControl(c))
        return TypedValues::tr("il carattere di controllo %1").arg(uint(c));
    return TypedValues::tr("il carattere \"%1\" (U+%2)")
        .arg(QString::fromUcs4(&c, 1),
             QString::number(uint(c), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

QString why(char32_t c, TypedFor target)
{
    if (c == U',')
        return TypedValues::tr("il datalogger prenderebbe quello che segue per un nuovo comando");
    if (isControl(c))
        return target == TypedFor::Modem
                   ? TypedValues::tr("il modem chiuderebbe lì il comando e manderebbe il resto al datalogger")
                   : TypedValues::tr("un carattere di controllo non può far parte di un valore");
    return TypedValues::tr("la linea trasmette solo i caratteri a 8 bit (Latin-1)");
}

} // namespace

std::optional<char32_t> refusedCharacter(QStringView value, TypedFor target)
{
    // A broken surrogate pair comes out as U+FFFD, which is refused like any character above 0xFF.
    for (const uint code : value.toUcs4()) {
        const auto c = char32_t(code);
        if (isControl(c) || c > 0xff || (c == U',' && target == TypedFor::Logger))
            return c;
    }
    return std::nullopt;
}

Status checkTyped(const QString& box, const QString& value, TypedFor target)
{
    const auto c = refusedCharacter(value, target);
    if (!c)
        return {};
    Error refused = Error::refused(box, TypedValues::tr("Il campo %1 contiene %2: %3. Nulla è stato inviato.")
                                            .arg(box, describe(*c), why(*c, target)));
    // The windows name the box themselves: the control's internal name is not the operator's.
    refused.shown = TypedValues::tr("Il valore contiene %1: %2. Nulla è stato inviato.")
                        .arg(describe(*c), why(*c, target));
    return refused;
}

Status checkTyped(const QList<TypedValue>& values, TypedFor target)
{
    for (const TypedValue& v : values) {
        if (auto s = checkTyped(v.box, v.value, target); !s)
            return s;
    }
    return {};
}

QString boxName(const char* array, int index)
{
    return QString::fromLatin1(array) + QLatin1Char('_') + QString::number(index);
}

} // namespace stazione::link
