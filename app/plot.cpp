// stazione-plot FILE --png OUT [--width W] [--height H]: the chart of a data file as a picture,
// drawn off screen. "stazione-cli plot" runs it, so that the command-line program itself needs no
// window toolkit and no display.

#include "data/csv_export.h"
#include "data/data_file.h"
#include "link/settings_file.h"
#include "ui/data_viewer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryFile>
#include <QTranslator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

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

// The picture goes into a new file beside OUT, which then takes OUT's name: a picture cut short
// (a full disk) never replaces a good one, and a link named OUT is replaced, never written
// through. Empty when done, else why not.
QString writePicture(const QImage& picture, const QString& output)
{
    const QFileInfo info(output);
    QTemporaryFile file(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                        QStringLiteral(".XXXXXX"));
    if (!file.open())
        return file.errorString();
    // A temporary file is its owner's alone; a picture is as readable as any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(file.handle(), mode_t{0666} & ~mask) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    QImageWriter writer(&file, "PNG");
    const bool written = writer.write(picture);
    QString why;
    if (!stazione::link::flushWhole(file, &why))
        return why;
    if (!written)
        return writer.errorString();
    if (::fsync(file.handle()) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    file.close();
    // rename() replaces the name itself, a link included.
    if (std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(output).constData()) !=
        0)
        return QString::fromLocal8Bit(std::strerror(errno));
    file.setAutoRemove(false);
    return {};
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
    const QString output = parser.value(png);
    // Checked before anything is written: the picture never takes the data file's place (also
    // through a link or another name), nor turns a device or a fifo into a file.
    switch (stazione::data::exportTarget(path, output)) {
    case stazione::data::ExportTarget::SameAsInput:
        say(QStringLiteral("stazione-plot: --png ") + output +
            QStringLiteral(" is the data file itself: the picture would replace it."));
        return 2;
    case stazione::data::ExportTarget::NotRegular:
        say(QStringLiteral("stazione-plot: --png ") + output + QStringLiteral(" is not a regular file."));
        return 2;
    case stazione::data::ExportTarget::Fine:
        break;
    }
    // The messages speak the command line's English; the picture is drawn as the window draws it.
    auto english = std::make_unique<QTranslator>();
    if (english->load(QStringLiteral(":/i18n/stazione_en")))
        QCoreApplication::installTranslator(english.get());
    auto read = stazione::data::readDataFile(path);
    if (!read) {
        say(path + QStringLiteral(": ") + read.error().message);
        return 1;
    }
    if (read->outOfRange > 0)
        say(path + QStringLiteral(": %1 values out of range drawn as gaps.").arg(read->outOfRange));
    QCoreApplication::removeTranslator(english.get());
    auto data = std::make_shared<stazione::data::DataSet>(std::move(*read));
    data->sortByTime();
    const QString title =
        QFileInfo(path).fileName() + QStringLiteral(" — ") + stazione::data::kindName(data->kind);
    const QImage picture = stazione::ui::chartPicture(std::move(data), title, QSize(w, h));
    if (const QString why = writePicture(picture, output); !why.isEmpty()) {
        say(QStringLiteral("stazione-plot: ") + output + QStringLiteral(" cannot be written: ") + why);
        return 1;
    }
    return 0;
}
