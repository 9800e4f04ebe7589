// stazione-plot FILE --png OUT [--width W] [--height H]: the chart of a data file as a picture,
// drawn off screen. "stazione-cli plot" runs it, so that the command-line program itself needs no
// window toolkit and no display.

#include "data/data_file.h"
#include "ui/data_viewer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

namespace {

// A file's bytes reach the terminal in an error message: an escape sequence would retitle or
// clear it. Control characters are shown as \xNN, as stazione-cli shows them.
QByteArray printable(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\n' || u == '\t' || !(u < 0x20 || (u >= 0x7f && u < 0xa0)))
            shown += c;
        else
            shown += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
    }
    return shown.toLocal8Bit();
}

void say(const QString& text)
{
    std::fputs(printable(text).constData(), stderr);
    std::fputc('\n', stderr);
}

// The off-screen platform's remarks ("does not support propagateSizeHints()", no XDG_RUNTIME_DIR)
// are about drawing without a screen, which is the point here: they are not the user's business.
void quietPlatform(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    const bool platform = (context.category && qstrncmp(context.category, "qt.qpa", 6) == 0) ||
                          text.contains(QLatin1String("propagateSizeHints")) ||
                          text.contains(QLatin1String("XDG_RUNTIME_DIR"));
    if (platform && type != QtCriticalMsg && type != QtFatalMsg)
        return;
    say(qFormatLogMessage(type, context, text));
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(quietPlatform);
    // The picture never needs a screen, whatever display there is.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption png(QStringLiteral("png"), QString(), QStringLiteral("OUT"));
    const QCommandLineOption width(QStringLiteral("width"), QString(), QStringLiteral("W"),
                                   QStringLiteral("1200"));
    const QCommandLineOption height(QStringLiteral("height"), QString(), QStringLiteral("H"),
                                    QStringLiteral("600"));
    parser.addOptions({png, width, height});
    if (!parser.parse(QCoreApplication::arguments()) || parser.positionalArguments().size() != 1 ||
        !parser.isSet(png)) {
        std::fputs("Usage: stazione-plot FILE --png OUT [--width W] [--height H]\n", stderr);
        return 2;
    }
    bool wideOk = false;
    bool highOk = false;
    const int w = parser.value(width).toInt(&wideOk);
    const int h = parser.value(height).toInt(&highOk);
    if (!wideOk || !highOk || w < 16 || h < 16 || w > 10000 || h > 10000) {
        std::fputs("stazione-plot: --width and --height take pixels from 16 to 10000.\n", stderr);
        return 2;
    }
    const QString path = parser.positionalArguments().first();
    auto read = stazione::data::readDataFile(path);
    if (!read) {
        say(path + QStringLiteral(": ") + read.error().message);
        return 1;
    }
    if (read->outOfRange > 0)
        say(QStringLiteral("%1: %2 values out of range drawn as gaps.").arg(path).arg(read->outOfRange));
    auto data = std::make_shared<stazione::data::DataSet>(std::move(*read));
    data->sortByTime();
    const QString title =
        QFileInfo(path).fileName() + QStringLiteral(" — ") + stazione::data::kindName(data->kind);
    const QImage picture = stazione::ui::chartPicture(std::move(data), title, QSize(w, h));
    if (!picture.save(parser.value(png), "PNG")) {
        say(QStringLiteral("stazione-plot: %1 cannot be written.").arg(parser.value(png)));
        return 1;
    }
    return 0;
}
