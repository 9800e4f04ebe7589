#include "session/retrieval.h"

#include "link/messages.h"
#include "link/models.h"
#include "session/activity.h"
#include "session/progress.h"

#include <QCoreApplication>

#include <optional>

namespace stazione::session {

namespace {

// The steps' texts are kept as written and shown in the language of the run.
QString translated(const QString& text)
{
    return text.isEmpty()
               ? text
               : QCoreApplication::translate("stazione::session::Retrieval", text.toUtf8().constData());
}

} // namespace

const QList<RetrievalStepInfo>& retrievalSteps()
{
    static const QList<RetrievalStepInfo> steps{
        {RetrievalStep::Channels,
         QStringLiteral(QT_TRANSLATE_NOOP("stazione::session::Retrieval", "Informazione Sensori: OK"))},
        {RetrievalStep::Clock,
         QStringLiteral(QT_TRANSLATE_NOOP("stazione::session::Retrieval", "Data/Ora Interna: OK"))},
        {RetrievalStep::StartDate,
         QStringLiteral(QT_TRANSLATE_NOOP("stazione::session::Retrieval", "Data Prossima Scansione: OK"))},
        {RetrievalStep::Interval,
         QStringLiteral(QT_TRANSLATE_NOOP("stazione::session::Retrieval", "Timer: OK"))},
        {RetrievalStep::Preheating,
         QStringLiteral(QT_TRANSLATE_NOOP("stazione::session::Retrieval", "Preaccensione: OK")), true, true},
        {RetrievalStep::BatteryVoltage,
         QStringLiteral(QT_TRANSLATE_NOOP("stazione::session::Retrieval", "Tensione di Batteria: OK"))},
        {RetrievalStep::Memory,
         QStringLiteral(QT_TRANSLATE_NOOP("stazione::session::Retrieval", "Memoria: OK"))},
        {RetrievalStep::StationName,
         QStringLiteral(QT_TRANSLATE_NOOP("stazione::session::Retrieval", "Nome Datalogger: OK"))},
        {RetrievalStep::AcquisitionState,
         QStringLiteral(QT_TRANSLATE_NOOP("stazione::session::Retrieval", "Stato Abilitazione: OK"))},
        {RetrievalStep::BatteryType,
         QStringLiteral(QT_TRANSLATE_NOOP("stazione::session::Retrieval", "Tipo Batteria: OK")), true, false},
        {RetrievalStep::MiniPanel,
         QStringLiteral(QT_TRANSLATE_NOOP("stazione::session::Retrieval", "Minipannello: OK")), true, false},
        {RetrievalStep::NextAcquisition, QString()},
    };
    return steps;
}

QString failedStepMessage(const RetrievalStepInfo& info, const link::Error& error)
{
    QString what = info.message.isEmpty() ? QCoreApplication::translate("stazione::session::Retrieval",
                                                                        "Data Prossima Acquisizione: OK")
                                          : info.message;
    what.chop(2); // "OK"
    if (error.kind == link::ErrorKind::Cancelled)
        return what + QCoreApplication::translate("stazione::session::Retrieval", "interrotto");
    return what + QCoreApplication::translate("stazione::session::Retrieval", "NON RIUSCITO - ") +
           link::operatorMessage(error);
}

QString stepSubject(const RetrievalStepInfo& info)
{
    QString what = info.message.isEmpty() ? QCoreApplication::translate("stazione::session::Retrieval",
                                                                        "Data Prossima Acquisizione: OK")
                                          : info.message;
    what.chop(4); // ": OK"
    return what;
}

link::Status runRetrieval(link::Link& link, const QString& modello,
                          const std::function<link::Status(RetrievalStep)>& execute,
                          const std::function<void(const QString&)>& report, RetrievalKind kind,
                          Activity* activity, Progress* progress)
{
    const bool remote = kind == RetrievalKind::Remote;
    if (!remote) {
        link.Ritardo(10);
        report(QCoreApplication::translate("stazione::session::Retrieval", "Recupero dei Parametri interni"));
    }
    const bool vibratingWire =
        remote ? modello.endsWith(QLatin1String("HX")) : modello == link::kModelVibratingWire;
    // Step k of the steps that run and are reported: 11, or 8 on the vibrating-wire logger.
    qsizetype total = 0;
    for (const RetrievalStepInfo& info : retrievalSteps())
        total += !info.message.isEmpty() && !(vibratingWire && info.skippedForVibratingWire);
    std::optional<Progress::Scope> shown;
    if (progress)
        shown.emplace(
            *progress,
            QCoreApplication::translate("stazione::session::Retrieval", "Recupero dei parametri interni"),
            total, [&link] { link.abort(); });
    qsizetype done = 0;
    for (RetrievalStepInfo info : retrievalSteps()) {
        info.message = translated(info.message);
        if (progress && !info.message.isEmpty() && !(vibratingWire && info.skippedForVibratingWire))
            progress->step(done, QCoreApplication::translate("stazione::session::Retrieval",
                                                             "Recupero dei parametri interni: passo %1 di %2")
                                     .arg(done + 1)
                                     .arg(total));
        if (remote && info.step == RetrievalStep::BatteryType)
            info.message =
                QCoreApplication::translate("stazione::session::Retrieval", "Modello Batteria: OK");
        if (vibratingWire && info.skippedForVibratingWire) {
            if (info.pauseWhenSkipped && !remote)
                link.Ritardo(10);
            continue;
        }
        if (auto s = execute(info.step); !s) {
            report(failedStepMessage(info, s.error()));
            if (activity)
                activity->failed(stepSubject(info), s.error());
            return s;
        }
        if (info.message.isEmpty())
            continue;
        report(info.message);
        ++done;
        if (activity)
            activity->add(info.message);
        link.Ritardo(10);
    }
    return {};
}

} // namespace stazione::session
