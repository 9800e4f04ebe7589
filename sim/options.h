#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace stazione::sim {

// The identifications the logger answers to "V". The client tells the models apart by
// comparing these texts exactly, so they are kept character for character.
inline const QString kBaseModel = QStringLiteral("KVE_M410_M610");
inline const QString kGsmModel = QStringLiteral("KVE_M610_M410");
inline const QString kVibratingWireModel = QStringLiteral("KVE_M510HX");

// What a dial ends in when the number is the right one.
enum class DialResult { Connect, Busy, NoCarrier, NoAnswer };

// One station of a simulated network: a number the modem answers, with its own logger.
struct NetworkStation {
    QString number;    // as given; a dial reaches it when the digits are the same
    QString model;     // identification or shorthand, as for Options::model
    QString name;      // the logger's station name; empty keeps the default
    int busyCalls = 0; // the first calls answer BUSY; -1: every call
};

// How the simulated logger behaves. The same settings are reachable from the command line of
// stazione-sim and from tests that run the simulator in-process.
struct Options {
    QString model = QStringLiteral("KVE_M610_M410"); // identification, or a shorthand (identificationFor)
    QString version = QStringLiteral("V3.2");
    int channels = -1;      // active channels at start; -1 takes the model's default
    int records = 120;      // recorded acquisitions at start
    double timeScale = 1.0; // factor on every pause of the logger

    bool pace = false; // send at 960 characters per second, as a 9600-baud line would
    // Time between the sets of the continuous streams; none: one second times the time scale, at
    // least 20 ms. Zero sends each set as soon as the line has taken the ones before it.
    std::optional<std::chrono::milliseconds> setPeriod;
    bool lfOnly = false; // end the lines of the "A" download with a bare LF instead of CR LF

    bool silent = false;       // a logger that is switched off: sends nothing at all
    bool greetOnly = false;    // greets when the line opens, then never answers
    bool garbage = false;      // every reply field turns into junk (wrong device, bad cable)
    bool refuseWrites = false; // acknowledged writes answer "ER,", the others are ignored
    qint64 stopAfter = -1;     // every stream falls silent after this many bytes; -1: never
    char dropOn = '\0';        // the line hangs up when this command letter arrives
    int outOfRange = 0;        // every K-th value of the counted download reads 99.9; 0: none
    int pTimeoutAfter = -1;    // after this many sets of "P" one channel reports "%%"; -1: never
    quint32 seed = 1;          // for the junk of `garbage`, so that runs repeat

    // A Hayes modem in front of the logger: the line starts in command mode and reaches the
    // logger only once a dial has brought a call up.
    bool modem = false;
    QString modemIdentification = QStringLiteral("Simulated GSM modem rev 1.0"); // the answer to ATI3
    DialResult dialResult = DialResult::Connect;
    QString connectWord = QStringLiteral("CONNECT"); // result code of a call that comes up
    // From the CR of the dial line to its result code, before the time scale. Longer than the
    // client's first poll of the modem (2 s), so the result comes in a read of its own.
    std::chrono::milliseconds dialDelay{3000};
    QString expectedNumber; // when set, any other number answers NO CARRIER
    // A network: the modem answers these numbers, each with a logger of its own that keeps its
    // memory from call to call; any other number answers NO CARRIER. Empty: the one logger.
    QList<NetworkStation> network;
    // New records appear with time, at each call found in the memory: one per this period of
    // the host's time, or, when 0, at the logger's acquisition interval on its own clock.
    std::chrono::milliseconds recordEvery{0};
    qint64 clockOffsetSeconds = 0; // every logger's clock this far from the host's at start
    QStringList sensorNames;       // every logger's first channels' names; empty keeps "CH0"...

    // Defaults, with the time scale the rest of the program uses (STAZIONE_TIME_SCALE).
    static Options fromEnvironment();
};

// STAZIONE_TIME_SCALE when it holds a positive number, else 1.
double timeScaleFromEnvironment();

// "410", "610" and "510" stand for the three identifications; anything else is taken as the
// identification itself, so that a test can present a device the client must not accept.
QString identificationFor(const QString& modelOrShorthand);

// "CONNECT", "BUSY", "NO CARRIER", "NO ANSWER"; read back without regard to case, and with a
// dash or underscore for the blank.
QString dialResultText(DialResult result);
std::optional<DialResult> dialResultFromText(const QString& text);

bool isVibratingWire(const QString& identification);

// Channels a model has active when it leaves the factory.
int defaultChannels(const QString& identification);

// Distance between the property slots of one channel: the base model packs two channels.
int propertyStride(const QString& identification);

} // namespace stazione::sim
