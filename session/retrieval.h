#pragma once

#include "link/link.h"
#include "link/result.h"

#include <QList>
#include <QString>

#include <functional>

namespace stazione::session {

class Activity;
class Progress;

// The reads that follow an identification, in their order. The main window's reading buttons do
// each of them; the retrieval runs them one after the other and reports each in the connection
// window's status text.
enum class RetrievalStep {
    Channels,         // leggicanali
    Clock,            // leggidata
    StartDate,        // LeggiDataAllarme
    Interval,         // Command2
    Preheating,       // preacc
    BatteryVoltage,   // Status
    Memory,           // Aggiorna_acq
    StationName,      // leggi_nome
    AcquisitionState, // "O" into data_logging
    BatteryType,      // "F" into BATTPBX
    MiniPanel,        // "U" into minipan
    NextAcquisition,  // leggiprox: not reported, it completes the general data
};

struct RetrievalStepInfo {
    RetrievalStep step;
    QString message; // appended to the status text once the step has run; none for a quiet step
    // The vibrating-wire logger has no pre-heating, battery type or mini-panel.
    bool skippedForVibratingWire = false;
    // A skipped step still takes its pause (the pre-heating does, the last two do not).
    bool pauseWhenSkipped = false;
};

const QList<RetrievalStepInfo>& retrievalSteps();
inline const QString kRetrievalStart = QStringLiteral("Recupero dei Parametri interni");

// The status line of a step that failed: its message with the reason in place of "OK".
QString failedStepMessage(const RetrievalStepInfo& info, const link::Error& error);

// Over a modem call the same steps run with a few differences: a model is taken for the
// vibrating-wire one by the "HX" at the end of its name, the battery step reads "Modello Batteria",
// and a skipped step takes no pause.
enum class RetrievalKind { Direct, Remote };

// Runs the retrieval: `execute` performs one step, `report` shows a step's status line. Stops
// at the first step that fails, after reporting its failure line, and returns that failure.
// With an `activity`, every step also goes there, a failure as "what: reason" in the operator's words.
link::Status runRetrieval(link::Link& link, const QString& modello,
                          const std::function<link::Status(RetrievalStep)>& execute,
                          const std::function<void(const QString&)>& report,
                          RetrievalKind kind = RetrievalKind::Direct, Activity* activity = nullptr,
                          Progress* progress = nullptr);

// The name of a step without its ": OK" ("Tensione di Batteria").
QString stepSubject(const RetrievalStepInfo& info);

} // namespace stazione::session
