// stazione-plot FILE --png OUT [--width W] [--height H]: the chart of a data file as a picture,
// drawn off screen. "stazione-cli plot" runs it, so that the command-line program itself needs no
// window toolkit and no display.

#include "data/data_file.h"
#include "ui/data_viewer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char** argv)
{
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
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(read.error().message));
        return 1;
    }
    auto data = std::make_shared<stazione::data::DataSet>(std::move(*read));
    data->sortByTime();
    const QString title =
        QFileInfo(path).fileName() + QStringLiteral(" — ") + stazione::data::kindName(data->kind);
    const QImage picture = stazione::ui::chartPicture(std::move(data), title, QSize(w, h));
    if (!picture.save(parser.value(png), "PNG")) {
        std::fprintf(stderr, "stazione-plot: %s cannot be written.\n", qPrintable(parser.value(png)));
        return 1;
    }
    return 0;
}
