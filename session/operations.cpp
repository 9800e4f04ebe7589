#include "session/operations.h"

#include "link/exchange.h"

#include <QCoreApplication>

namespace stazione::session {

const std::vector<Operation>& operations()
{
    // control, kind, lock, run, subject, done, boxes, format, verb, query, summary
    static const std::vector<Operation> rows{
        {"leggidata", Kind::Exchange, Lock::Locks, "leggidata", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data/Ora Interna"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data/Ora Interna letta: %1"), "data_0 data_1 data_2 data_3 data_4 data_5", "%1/%2/%3 %4:%5:%6", "params"},
        {"impostadata", Kind::Exchange, Lock::Locks, "impostadata", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data/Ora Interna"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data/Ora Interna scritta: %1"), "data_0 data_1 data_2 data_3 data_4 data_5", "%1/%2/%3 %4:%5:%6", "set-clock"},
        {"dataPC", Kind::Local, Lock::StaysOn, nullptr, nullptr, nullptr, nullptr, nullptr, "set-clock"},
        {"LeggiDataAllarme", Kind::Exchange, Lock::Locks, "LeggiDataAllarme", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data Start"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data Start letta: %1"), "data_allarme_0 data_allarme_1 data_allarme_2 data_allarme_3 data_allarme_4 data_allarme_5", "%1/%2/%3 %4:%5:%6", "params"},
        {"ScriviDataAllarme", Kind::Exchange, Lock::Locks, "ScriviDataAllarme", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data Start"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data Start scritta: %1"), "data_allarme_0 data_allarme_1 data_allarme_2 data_allarme_3 data_allarme_4 data_allarme_5", "%1/%2/%3 %4:%5:%6", "set-start"},
        {"Subito", Kind::Exchange, Lock::Locks, "Subito", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Misura immediata"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Misura immediata avviata%1"), nullptr, nullptr, "start-now"},
        {"data_logging", Kind::Exchange, Lock::StaysOn, "data_logging_MouseDown", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Stato Abilitazione"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Stato Abilitazione scritto: %1"), "data_logging", nullptr, "enable"},
        {"ReadSt", Kind::Exchange, Lock::Locks, "ReadSt", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Stato Abilitazione"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Stato Abilitazione letto: %1"), "data_logging", nullptr, "params"},
        {"Telefono", Kind::Exchange, Lock::StaysOn, "Telefono_MouseDown", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Abilitazione GSM"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Abilitazione GSM scritta: %1"), "Telefono", nullptr, "set-gsm"},
        {"Command2", Kind::Exchange, Lock::Locks, "Command2", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Tempo di Acquisizione"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Tempo di Acquisizione letto: %1"), "conversione_0 conversione_1 conversione_2", "%1:%2:%3", "params"},
        {"Command1", Kind::Exchange, Lock::Locks, "Command1", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Tempo di Acquisizione"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Tempo di Acquisizione scritto: %1"), "conversione_0 conversione_1 conversione_2", "%1:%2:%3", "set-interval"},
        {"preacc", Kind::Exchange, Lock::Locks, "preacc", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Preaccensione"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Preaccensione letta: %1"), "preaccensione", nullptr, "params"},
        {"impostapreacc", Kind::Exchange, Lock::Locks, "impostapreacc", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Preaccensione"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Preaccensione scritta: %1"), "preaccensione", nullptr, "set-preheating"},
        {"leggicanali", Kind::Exchange, Lock::Locks, "leggicanali", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numero dei canali"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numero dei canali letto: %1"), "MUX_0", nullptr, "params"},
        {"Scrivicanali", Kind::Exchange, Lock::Locks, "Scrivicanali", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numero dei canali"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numero dei canali scritto: %1"), "MUX_0", nullptr, "set-channels"},
        {"PLUVIOMETRO", Kind::Exchange, Lock::StaysOn, "PLUVIOMETRO_MouseDown", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Contatore di eventi"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Contatore di eventi abilitato: %1"), "PLUVIOMETRO", nullptr, "set-counter"},
        {"Leggi_poprietà", Kind::Window, Lock::Locks, nullptr, nullptr, nullptr, nullptr, nullptr, "sensors"},
        {"Azzera_memoria", Kind::Own, Lock::Locks, nullptr, nullptr, nullptr, nullptr, nullptr, "erase"},
        {"Resetta", Kind::Own, Lock::Locks, nullptr, nullptr, nullptr, nullptr, nullptr, "reset"},
        {"leggi_nome", Kind::Exchange, Lock::Locks, "leggi_nome", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Nome Datalogger"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Nome Datalogger letto: %1"), "Nome_Centralina", nullptr, "params"},
        {"imposta_nome", Kind::Exchange, Lock::Locks, "imposta_nome", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Nome Datalogger"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Nome Datalogger scritto: %1"), "Nome_Centralina", nullptr, "set-name"},
        {"leggiprox", Kind::Exchange, Lock::StaysOn, "leggiprox", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data Prossima Acquisizione"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data Prossima Acquisizione letta: %1"), "Prox_0 Prox_1 Prox_2 Prox_3 Prox_4", "%1/%2 %3:%4:%5", "params"},
        {"Aggiorna_acq", Kind::Exchange, Lock::Locks, "Aggiorna_acq", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Stato Memoria"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Stato Memoria letto: %1"), "Acq_possibili acq_disponibili", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "%1 possibili, %2 disponibili"), "params"},
        {"BATTPB_READ", Kind::Exchange, Lock::Locks, "BATTPB_READ", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Modello Batteria"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Batteria al Piombo letta: %1"), "BATTPBX", nullptr, "params"},
        {"BATTPBX", Kind::Own, Lock::StaysOn, nullptr, QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Modello Batteria"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Batteria al Piombo scritta: %1"), "BATTPBX", nullptr, "set-battery"},
        {"minipan_read", Kind::Exchange, Lock::StaysOn, "minipan_read", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Minipannello"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Minipannello letto: %1"), "minipan", nullptr, "params"},
        {"minipan", Kind::Own, Lock::StaysOn, nullptr, QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Minipannello"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Minipannello scritto: %1"), "minipan", nullptr, "set-minipan"},
        {"leggifs", Kind::Own, Lock::StaysOn, nullptr, nullptr, nullptr, nullptr, nullptr, "fullscale"},
        {"stopacq", Kind::Exchange, Lock::StaysOn, "stopacq", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Blocco dell'acquisizione"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Acquisizione bloccata%1"), nullptr, nullptr, "stop"},
        {"Crea_Tabella", Kind::Local, Lock::StaysOn, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
        {"Acquisisci", Kind::Exchange, Lock::Locks, "Acquisisci", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Scarico dei dati"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Scarico dei dati concluso: %1 righe"), "NREC", nullptr, "download"},
        {"back", Kind::Local, Lock::StaysOn, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
        {"Grafico", Kind::Local, Lock::StaysOn, nullptr, nullptr, nullptr, nullptr, nullptr, "plot"},
        {"Acquisisci_Temp", Kind::Exchange, Lock::Locks, "Acquisisci_Temp", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Scarico delle temperature"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Scarico delle temperature concluso%1"), nullptr, nullptr, "download"},
        {"CONTAIMP", Kind::Exchange, Lock::StaysOn, "CONTAIMP", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Contatore di eventi"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Contatore di eventi letto: %1"), "Text2", nullptr, "events"},
        {"MISCONTINUA_0", Kind::Exchange, Lock::Locks, "MISCONTINUA", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Lettura continua"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Lettura continua terminata%1"), nullptr, nullptr, "live"},
        {"constop", Kind::Stop, Lock::StaysOn, nullptr, nullptr, nullptr, nullptr, nullptr, "live"},
        {"cmdGrafico", Kind::Exchange, Lock::Locks, "cmdGrafico", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Misura continua"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Finestra della misura continua aperta%1"), nullptr, nullptr, "monitor"},
        {"Status", Kind::Exchange, Lock::Locks, "Status", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Tensione di Batteria"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Tensione di Batteria letta: %1"), "parameters_2", nullptr, "params"},
        {"LeggiGPRS", Kind::Exchange, Lock::Locks, "LeggiGPRS", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Parametri GPRS"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Parametri GPRS letti%1"), nullptr, nullptr, "gprs"},
        {"ScriviGPRS", Kind::Exchange, Lock::StaysOn, "ScriviGPRS", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Parametri GPRS"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Parametri GPRS scritti%1"), nullptr, nullptr, "gprs"},
        {"mmpioggialeggi", Kind::Exchange, Lock::StaysOn, "mmpioggialeggi", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "mm pioggia"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "mm pioggia letti: %1"), "mmpioggia", nullptr, "rain"},
        {"mmpioggiatastoscrivi", Kind::Exchange, Lock::StaysOn, "mmpioggiatastoscrivi", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "mm pioggia"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "mm pioggia scritti: %1"), "mmpioggia", nullptr, "set-rain"},
        {"LEGGI_GSM", Kind::Exchange, Lock::Locks, "LEGGI_GSM", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numeri GSM"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numeri GSM letti%1"), nullptr, nullptr, "gsm"},
        {"SCRIVI_GSM", Kind::Exchange, Lock::Locks, "SCRIVI_GSM", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numeri GSM"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numeri GSM scritti%1"), nullptr, nullptr, "gsm"},
        {"Abilita_SMS", Kind::Exchange, Lock::Locks, "Abilita_SMS_MouseDown", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarme SMS"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarme SMS abilitato: %1"), "Abilita_SMS", nullptr, "set-sms"},
        {"Abilita_Telefono", Kind::Exchange, Lock::Locks, "Abilita_Telefono_MouseDown", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarme TELEFONO"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarme TELEFONO abilitato: %1"), "Abilita_Telefono", nullptr, "set-phone-alarm"},
        {"Leggi_Allarmi", Kind::Window, Lock::Locks, nullptr, nullptr, nullptr, nullptr, nullptr, "alarms"},
        {"Leggi_Email", Kind::Exchange, Lock::StaysOn, "Leggi_Email", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Abilitazione EMAIL"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Abilitazione EMAIL letta: %1"), "EMAIL", nullptr, "gprs"},
        {"EMAIL", Kind::Exchange, Lock::StaysOn, "EMAIL_MouseDown", QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Abilitazione EMAIL"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Abilitazione EMAIL scritta: %1"), "EMAIL", nullptr, "gprs"},
        {"RIPRISTINA_DA_ERRORI", Kind::Stop, Lock::StaysOn, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
        {"Riaggancia", Kind::Own, Lock::StaysOn, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    };
    return rows;
}

const Operation* findOperation(const QString& control)
{
    for (const Operation& row : operations()) {
        if (control == QString::fromUtf8(row.control))
            return &row;
    }
    return nullptr;
}

link::Result<QString> runQuery(link::Link& link, const Operation& row)
{
    auto reply = link::requestField(link, link::cmd::Command{QString::fromLatin1(row.query), {}});
    if (!reply)
        return reply.error();
    return reply->trimmed();
}

const std::vector<Operation>& otherWindowOperations()
{
    static const std::vector<Operation> rows{
        {"cmdStart", Kind::Exchange, Lock::StaysOn, nullptr, QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Misura continua"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Misura continua terminata%1")},
        {"Leggi_prop", Kind::Exchange, Lock::StaysOn, nullptr, QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Proprietà dei sensori"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Proprietà dei sensori lette%1")},
        {"ScriviProp", Kind::Exchange, Lock::StaysOn, nullptr, QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Proprietà dei sensori"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Proprietà dei sensori scritte%1")},
        {"Leggi_all", Kind::Exchange, Lock::StaysOn, nullptr, QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarmi dei sensori"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarmi dei sensori letti%1")},
        {"ScriviAll", Kind::Exchange, Lock::StaysOn, nullptr, QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarmi dei sensori"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarmi dei sensori scritti%1")},
        {"MESSAGGIO_PERSONALE_LEGGI", Kind::Exchange, Lock::StaysOn, nullptr, QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Messaggi SMS personalizzati"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Messaggi SMS personalizzati letti%1")},
        {"MESSAGGIO_PERSONALE_SCRIVI", Kind::Exchange, Lock::StaysOn, nullptr, QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Messaggi SMS personalizzati"), QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Messaggi SMS personalizzati scritti%1")},
    };
    return rows;
}

} // namespace stazione::session
