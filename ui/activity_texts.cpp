#include "ui/activity_texts.h"

#include "ui/form1.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QHash>
#include <QLineEdit>

#include <array>

namespace stazione::ui {

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(stazione::ui::ActivityTexts)
};

QString date(const std::array<QLineEdit*, 6>& boxes)
{
    return QStringLiteral("%1/%2/%3 %4:%5:%6")
        .arg(boxes[0]->text(), boxes[1]->text(), boxes[2]->text(), boxes[3]->text(), boxes[4]->text(),
             boxes[5]->text());
}

QString yesNo(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return Texts::tr("sì");
    case Qt::Unchecked:
        return Texts::tr("no");
    default:
        return Texts::tr("indeterminato");
    }
}

// Subject, line of success with %1 for the value, and the value.
struct Row {
    const char* subject;
    const char* done;
    std::function<QString(Form1&)> value;
};

const QHash<QString, Row>& rows()
{
    using F = Form1&;
    static const QHash<QString, Row> table{
        {QStringLiteral("leggidata"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data/Ora Interna"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data/Ora Interna letta: %1"),
          [](F f) { return date(f.data); }}},
        {QStringLiteral("impostadata"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data/Ora Interna"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data/Ora Interna scritta: %1"),
          [](F f) { return date(f.data); }}},
        {QStringLiteral("LeggiDataAllarme"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data Start"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data Start letta: %1"),
          [](F f) { return date(f.data_allarme); }}},
        {QStringLiteral("ScriviDataAllarme"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data Start"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data Start scritta: %1"),
          [](F f) { return date(f.data_allarme); }}},
        {QStringLiteral("Subito"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Misura immediata"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Misura immediata avviata%1"), nullptr}},
        {QStringLiteral("ReadSt"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Stato Abilitazione"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Stato Abilitazione letto: %1"),
          [](F f) { return yesNo(f.data_logging); }}},
        {QStringLiteral("data_logging"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Stato Abilitazione"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Stato Abilitazione scritto: %1"),
          [](F f) { return yesNo(f.data_logging); }}},
        {QStringLiteral("Telefono"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Abilitazione GSM"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Abilitazione GSM scritta: %1"),
          [](F f) { return yesNo(f.Telefono); }}},
        {QStringLiteral("Command2"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Tempo di Acquisizione"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Tempo di Acquisizione letto: %1"),
          [](F f) {
              return QStringLiteral("%1:%2:%3")
                  .arg(f.conversione[0]->text(), f.conversione[1]->text(), f.conversione[2]->text());
          }}},
        {QStringLiteral("Command1"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Tempo di Acquisizione"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Tempo di Acquisizione scritto: %1"),
          [](F f) {
              return QStringLiteral("%1:%2:%3")
                  .arg(f.conversione[0]->text(), f.conversione[1]->text(), f.conversione[2]->text());
          }}},
        {QStringLiteral("preacc"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Preaccensione"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Preaccensione letta: %1"),
          [](F f) { return f.preaccensione->text(); }}},
        {QStringLiteral("impostapreacc"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Preaccensione"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Preaccensione scritta: %1"),
          [](F f) { return f.preaccensione->text(); }}},
        {QStringLiteral("leggicanali"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numero dei canali"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numero dei canali letto: %1"),
          [](F f) { return f.MUX[0]->text(); }}},
        {QStringLiteral("Scrivicanali"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numero dei canali"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numero dei canali scritto: %1"),
          [](F f) { return f.MUX[0]->text(); }}},
        {QStringLiteral("leggi_nome"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Nome Datalogger"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Nome Datalogger letto: %1"),
          [](F f) { return f.Nome_Centralina->text(); }}},
        {QStringLiteral("imposta_nome"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Nome Datalogger"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Nome Datalogger scritto: %1"),
          [](F f) { return f.Nome_Centralina->text(); }}},
        {QStringLiteral("Status"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Tensione di Batteria"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Tensione di Batteria letta: %1"),
          [](F f) { return f.parameters[2]->text(); }}},
        {QStringLiteral("Aggiorna_acq"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Stato Memoria"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Stato Memoria letto: %1"),
          [](F f) {
              return Texts::tr("%1 possibili, %2 disponibili")
                  .arg(f.Acq_possibili->text(), f.acq_disponibili->text());
          }}},
        {QStringLiteral("leggiprox"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data Prossima Acquisizione"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Data Prossima Acquisizione letta: %1"),
          [](F f) {
              return QStringLiteral("%1/%2 %3:%4:%5")
                  .arg(f.Prox[0]->text(), f.Prox[1]->text(), f.Prox[2]->text(), f.Prox[3]->text(),
                       f.Prox[4]->text());
          }}},
        {QStringLiteral("stopacq"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Blocco dell'acquisizione"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Acquisizione bloccata%1"), nullptr}},
        {QStringLiteral("BATTPB_READ"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Modello Batteria"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Batteria al Piombo letta: %1"),
          [](F f) { return yesNo(f.BATTPBX); }}},
        {QStringLiteral("BATTPBX"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Modello Batteria"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Batteria al Piombo scritta: %1"),
          [](F f) { return yesNo(f.BATTPBX); }}},
        {QStringLiteral("minipan_read"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Minipannello"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Minipannello letto: %1"),
          [](F f) { return yesNo(f.minipan); }}},
        {QStringLiteral("minipan"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Minipannello"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Minipannello scritto: %1"),
          [](F f) { return yesNo(f.minipan); }}},
        {QStringLiteral("PLUVIOMETRO"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Contatore di eventi"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Contatore di eventi abilitato: %1"),
          [](F f) { return yesNo(f.PLUVIOMETRO); }}},
        {QStringLiteral("CONTAIMP"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Contatore di eventi"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Contatore di eventi letto: %1"),
          [](F f) { return f.Text2->text(); }}},
        {QStringLiteral("mmpioggialeggi"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "mm pioggia"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "mm pioggia letti: %1"),
          [](F f) { return f.mmpioggia->text(); }}},
        {QStringLiteral("mmpioggiatastoscrivi"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "mm pioggia"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "mm pioggia scritti: %1"),
          [](F f) { return f.mmpioggia->text(); }}},
        {QStringLiteral("LEGGI_GSM"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numeri GSM"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numeri GSM letti%1"), nullptr}},
        {QStringLiteral("SCRIVI_GSM"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numeri GSM"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Numeri GSM scritti%1"), nullptr}},
        {QStringLiteral("LeggiGPRS"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Parametri GPRS"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Parametri GPRS letti%1"), nullptr}},
        {QStringLiteral("ScriviGPRS"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Parametri GPRS"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Parametri GPRS scritti%1"), nullptr}},
        {QStringLiteral("Leggi_Email"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Abilitazione EMAIL"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Abilitazione EMAIL letta: %1"),
          [](F f) { return yesNo(f.EMAIL); }}},
        {QStringLiteral("EMAIL"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Abilitazione EMAIL"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Abilitazione EMAIL scritta: %1"),
          [](F f) { return yesNo(f.EMAIL); }}},
        {QStringLiteral("Abilita_SMS"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarme SMS"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarme SMS abilitato: %1"),
          [](F f) { return yesNo(f.Abilita_SMS); }}},
        {QStringLiteral("Abilita_Telefono"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarme TELEFONO"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarme TELEFONO abilitato: %1"),
          [](F f) { return yesNo(f.Abilita_Telefono); }}},
        {QStringLiteral("Acquisisci"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Scarico dei dati"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Scarico dei dati concluso: %1 righe"),
          [](F f) { return f.NREC->text(); }}},
        {QStringLiteral("Acquisisci_Temp"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Scarico delle temperature"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Scarico delle temperature concluso%1"), nullptr}},
        {QStringLiteral("MISCONTINUA_0"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Lettura continua"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Lettura continua terminata%1"), nullptr}},
        // The other windows' controls, named by what they do rather than by their captions.
        {QStringLiteral("cmdStart"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Misura continua"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Misura continua terminata%1"), nullptr}},
        {QStringLiteral("cmdGrafico"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Misura continua"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Finestra della misura continua aperta%1"),
          nullptr}},
        {QStringLiteral("Leggi_prop"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Proprietà dei sensori"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Proprietà dei sensori lette%1"), nullptr}},
        {QStringLiteral("ScriviProp"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Proprietà dei sensori"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Proprietà dei sensori scritte%1"), nullptr}},
        {QStringLiteral("Leggi_all"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarmi dei sensori"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarmi dei sensori letti%1"), nullptr}},
        {QStringLiteral("ScriviAll"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarmi dei sensori"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Allarmi dei sensori scritti%1"), nullptr}},
        {QStringLiteral("MESSAGGIO_PERSONALE_LEGGI"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Messaggi SMS personalizzati"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Messaggi SMS personalizzati letti%1"), nullptr}},
        {QStringLiteral("MESSAGGIO_PERSONALE_SCRIVI"),
         {QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Messaggi SMS personalizzati"),
          QT_TRANSLATE_NOOP("stazione::ui::ActivityTexts", "Messaggi SMS personalizzati scritti%1"),
          nullptr}},
    };
    return table;
}

} // namespace

ActivityText activityText(Form1& form, const QObject* control)
{
    const auto found = rows().constFind(control->objectName());
    if (found != rows().constEnd()) {
        const Row& row = *found;
        return {Texts::tr(row.subject),
                [&form, row] { return Texts::tr(row.done).arg(row.value ? row.value(form) : QString()); }};
    }
    // A control of another window: its caption says what it does.
    QString caption = control->objectName();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        caption = button->text().remove(QLatin1Char('&'));
    return {caption, [caption] { return caption + Texts::tr(": fatto"); }};
}

} // namespace stazione::ui
