<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it_IT">
<context>
    <name>QObject</name>
    <message>
        <source>Impossibile scrivere %1.</source>
        <translation>Cannot write %1.</translation>
    </message>
    <message>
        <source>c&apos;è una cartella con quel nome</source>
        <translation>a folder has that name</translation>
    </message>
    <message>
        <source>il disco è pieno</source>
        <translation>the disk is full</translation>
    </message>
</context>
<context>
    <name>stazione::data::DownloadHandlers</name>
    <message>
        <source>Scarico dei dati: %1 righe, %2 kB, %3 kB/s, %4</source>
        <translation>Data download: %1 lines, %2 kB, %3 kB/s, %4</translation>
    </message>
    <message>
        <source>Scarico dei dati</source>
        <translation>Data download</translation>
    </message>
    <message>
        <source>Scarico delle temperature</source>
        <translation>Temperature download</translation>
    </message>
    <message>
        <source>Scarico delle temperature: %1%</source>
        <translation>Temperature download: %1%</translation>
    </message>
</context>
<context>
    <name>stazione::link::Messages</name>
    <message>
        <source>%1: porta inesistente</source>
        <translation>%1: no such port</translation>
    </message>
    <message>
        <source>%1: dispositivo non presente</source>
        <translation>%1: the device is not there</translation>
    </message>
    <message>
        <source>%1: porta già aperta</source>
        <translation>%1: the port is already open</translation>
    </message>
    <message>
        <source>%1: porta occupata da un altro programma</source>
        <translation>%1: the port is in use by another program</translation>
    </message>
    <message>
        <source>%1: porta non aperta</source>
        <translation>%1: the port is not open</translation>
    </message>
    <message>
        <source>%1: impostazioni della linea non accettate</source>
        <translation>%1: the line settings were not accepted</translation>
    </message>
    <message>
        <source>%1: errore della porta (%2)</source>
        <translation>%1: port error (%2)</translation>
    </message>
    <message>
        <source>risposta incompleta da %1 in %2 s (ricevuto &quot;%3&quot;)</source>
        <translation>incomplete reply from %1 within %2 s (received &quot;%3&quot;)</translation>
    </message>
    <message>
        <source>nessuna risposta da %1 in %2 s</source>
        <translation>no answer from %1 within %2 s</translation>
    </message>
    <message>
        <source>annullato</source>
        <translation>cancelled</translation>
    </message>
    <message>
        <source>connessione persa su %1</source>
        <translation>connection lost on %1</translation>
    </message>
    <message>
        <source>%1 trasmetteva ancora dopo %2 s</source>
        <translation>%1 was still sending after %2 s</translation>
    </message>
    <message>
        <source>%1: permesso negato — aggiungi l&apos;utente al gruppo dialout (sudo adduser $USER dialout), poi esci e rientra nella sessione</source>
        <translation>%1: permission denied — add the user to the dialout group (sudo adduser $USER dialout), then log out and in again</translation>
    </message>
</context>
<context>
    <name>stazione::modem::ModemHandlers</name>
    <message>
        <source>Avvio della chiamata: attesa del datalogger</source>
        <translation>Call start-up: waiting for the logger</translation>
    </message>
</context>
<context>
    <name>stazione::session::Connection</name>
    <message>
        <source>Ricerca del datalogger</source>
        <translation>Search for the logger</translation>
    </message>
    <message>
        <source>Ricerca del datalogger: nessun datalogger trovato</source>
        <translation>Search for the logger: no logger found</translation>
    </message>
    <message>
        <source>Datalogger %1 rilevato su %2</source>
        <translation>Logger %1 found on %2</translation>
    </message>
    <message>
        <source>Connessione Passo Passo</source>
        <translation>Step-by-step connection</translation>
    </message>
    <message>
        <source>Connessione Passo Passo: nessuna risposta da %1</source>
        <translation>Step-by-step connection: no answer from %1</translation>
    </message>
    <message>
        <source>Connessione Passo Passo: datalogger presente su %1</source>
        <translation>Step-by-step connection: logger present on %1</translation>
    </message>
    <message>
        <source>Reset del datalogger</source>
        <translation>Logger reset</translation>
    </message>
    <message>
        <source>Reset del datalogger inviato</source>
        <translation>Logger reset sent</translation>
    </message>
    <message>
        <source>Ricerca del datalogger: porta %1 di %2</source>
        <translation>Search for the logger: port %1 of %2</translation>
    </message>
    <message>
        <source>Porta scelta: %1</source>
        <translation>Port chosen: %1</translation>
    </message>
    <message>
        <source>nessuna porta seriale trovata</source>
        <translation>no serial port found</translation>
    </message>
</context>
<context>
    <name>stazione::session::Retrieval</name>
    <message>
        <source>Recupero dei parametri interni</source>
        <translation>Reading the internal parameters</translation>
    </message>
    <message>
        <source>Recupero dei parametri interni: passo %1 di %2</source>
        <translation>Reading the internal parameters: step %1 of %2</translation>
    </message>
</context>
<context>
    <name>stazione::ui::ActivityPane</name>
    <message>
        <source>Attività</source>
        <translation>Activity</translation>
    </message>
    <message>
        <source>Pulisci</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Copia</source>
        <translation>Copy</translation>
    </message>
</context>
<context>
    <name>stazione::ui::ActivityTexts</name>
    <message>
        <source>sì</source>
        <translation>yes</translation>
    </message>
    <message>
        <source>no</source>
        <translation>no</translation>
    </message>
    <message>
        <source>indeterminato</source>
        <translation>undetermined</translation>
    </message>
    <message>
        <source>Data/Ora Interna</source>
        <translation>Internal date/time</translation>
    </message>
    <message>
        <source>Data/Ora Interna letta: %1</source>
        <translation>Internal date/time read: %1</translation>
    </message>
    <message>
        <source>Data/Ora Interna scritta: %1</source>
        <translation>Internal date/time written: %1</translation>
    </message>
    <message>
        <source>Data Start</source>
        <translation>Start date</translation>
    </message>
    <message>
        <source>Data Start letta: %1</source>
        <translation>Start date read: %1</translation>
    </message>
    <message>
        <source>Data Start scritta: %1</source>
        <translation>Start date written: %1</translation>
    </message>
    <message>
        <source>Misura immediata</source>
        <translation>Immediate measurement</translation>
    </message>
    <message>
        <source>Misura immediata avviata%1</source>
        <translation>Immediate measurement started%1</translation>
    </message>
    <message>
        <source>Stato Abilitazione</source>
        <translation>Acquisition enable</translation>
    </message>
    <message>
        <source>Stato Abilitazione letto: %1</source>
        <translation>Acquisition enable read: %1</translation>
    </message>
    <message>
        <source>Stato Abilitazione scritto: %1</source>
        <translation>Acquisition enable written: %1</translation>
    </message>
    <message>
        <source>Abilitazione GSM</source>
        <translation>GSM enable</translation>
    </message>
    <message>
        <source>Abilitazione GSM scritta: %1</source>
        <translation>GSM enable written: %1</translation>
    </message>
    <message>
        <source>Tempo di Acquisizione</source>
        <translation>Acquisition interval</translation>
    </message>
    <message>
        <source>Tempo di Acquisizione letto: %1</source>
        <translation>Acquisition interval read: %1</translation>
    </message>
    <message>
        <source>Tempo di Acquisizione scritto: %1</source>
        <translation>Acquisition interval written: %1</translation>
    </message>
    <message>
        <source>Preaccensione</source>
        <translation>Pre-heating</translation>
    </message>
    <message>
        <source>Preaccensione letta: %1</source>
        <translation>Pre-heating read: %1</translation>
    </message>
    <message>
        <source>Preaccensione scritta: %1</source>
        <translation>Pre-heating written: %1</translation>
    </message>
    <message>
        <source>Numero dei canali</source>
        <translation>Number of channels</translation>
    </message>
    <message>
        <source>Numero dei canali letto: %1</source>
        <translation>Number of channels read: %1</translation>
    </message>
    <message>
        <source>Numero dei canali scritto: %1</source>
        <translation>Number of channels written: %1</translation>
    </message>
    <message>
        <source>Nome Datalogger</source>
        <translation>Logger name</translation>
    </message>
    <message>
        <source>Nome Datalogger letto: %1</source>
        <translation>Logger name read: %1</translation>
    </message>
    <message>
        <source>Nome Datalogger scritto: %1</source>
        <translation>Logger name written: %1</translation>
    </message>
    <message>
        <source>Tensione di Batteria</source>
        <translation>Battery voltage</translation>
    </message>
    <message>
        <source>Tensione di Batteria letta: %1</source>
        <translation>Battery voltage read: %1</translation>
    </message>
    <message>
        <source>Stato Memoria</source>
        <translation>Memory state</translation>
    </message>
    <message>
        <source>Stato Memoria letto: %1</source>
        <translation>Memory state read: %1</translation>
    </message>
    <message>
        <source>%1 possibili, %2 disponibili</source>
        <translation>%1 possible, %2 available</translation>
    </message>
    <message>
        <source>Data Prossima Acquisizione</source>
        <translation>Next acquisition date</translation>
    </message>
    <message>
        <source>Data Prossima Acquisizione letta: %1</source>
        <translation>Next acquisition date read: %1</translation>
    </message>
    <message>
        <source>Blocco dell&apos;acquisizione</source>
        <translation>Acquisition stop</translation>
    </message>
    <message>
        <source>Acquisizione bloccata%1</source>
        <translation>Acquisition stopped%1</translation>
    </message>
    <message>
        <source>Modello Batteria</source>
        <translation>Battery type</translation>
    </message>
    <message>
        <source>Batteria al Piombo letta: %1</source>
        <translation>Lead-acid battery read: %1</translation>
    </message>
    <message>
        <source>Batteria al Piombo scritta: %1</source>
        <translation>Lead-acid battery written: %1</translation>
    </message>
    <message>
        <source>Minipannello</source>
        <translation>Mini-panel</translation>
    </message>
    <message>
        <source>Minipannello letto: %1</source>
        <translation>Mini-panel read: %1</translation>
    </message>
    <message>
        <source>Minipannello scritto: %1</source>
        <translation>Mini-panel written: %1</translation>
    </message>
    <message>
        <source>Contatore di eventi</source>
        <translation>Event counter</translation>
    </message>
    <message>
        <source>Contatore di eventi abilitato: %1</source>
        <translation>Event counter enabled: %1</translation>
    </message>
    <message>
        <source>Contatore di eventi letto: %1</source>
        <translation>Event counter read: %1</translation>
    </message>
    <message>
        <source>mm pioggia</source>
        <translation>Rain mm</translation>
    </message>
    <message>
        <source>mm pioggia letti: %1</source>
        <translation>Rain mm read: %1</translation>
    </message>
    <message>
        <source>mm pioggia scritti: %1</source>
        <translation>Rain mm written: %1</translation>
    </message>
    <message>
        <source>Numeri GSM</source>
        <translation>GSM numbers</translation>
    </message>
    <message>
        <source>Numeri GSM letti%1</source>
        <translation>GSM numbers read%1</translation>
    </message>
    <message>
        <source>Numeri GSM scritti%1</source>
        <translation>GSM numbers written%1</translation>
    </message>
    <message>
        <source>Parametri GPRS</source>
        <translation>GPRS settings</translation>
    </message>
    <message>
        <source>Parametri GPRS letti%1</source>
        <translation>GPRS settings read%1</translation>
    </message>
    <message>
        <source>Parametri GPRS scritti%1</source>
        <translation>GPRS settings written%1</translation>
    </message>
    <message>
        <source>Abilitazione EMAIL</source>
        <translation>E-mail enable</translation>
    </message>
    <message>
        <source>Abilitazione EMAIL letta: %1</source>
        <translation>E-mail enable read: %1</translation>
    </message>
    <message>
        <source>Abilitazione EMAIL scritta: %1</source>
        <translation>E-mail enable written: %1</translation>
    </message>
    <message>
        <source>Allarme SMS</source>
        <translation>SMS alarm</translation>
    </message>
    <message>
        <source>Allarme SMS abilitato: %1</source>
        <translation>SMS alarm enabled: %1</translation>
    </message>
    <message>
        <source>Allarme TELEFONO</source>
        <translation>Phone alarm</translation>
    </message>
    <message>
        <source>Allarme TELEFONO abilitato: %1</source>
        <translation>Phone alarm enabled: %1</translation>
    </message>
    <message>
        <source>Scarico dei dati</source>
        <translation>Data download</translation>
    </message>
    <message>
        <source>Scarico dei dati concluso: %1 righe</source>
        <translation>Data download finished: %1 lines</translation>
    </message>
    <message>
        <source>Scarico delle temperature</source>
        <translation>Temperature download</translation>
    </message>
    <message>
        <source>Scarico delle temperature concluso%1</source>
        <translation>Temperature download finished%1</translation>
    </message>
    <message>
        <source>Lettura continua</source>
        <translation>Continuous reading</translation>
    </message>
    <message>
        <source>Lettura continua terminata%1</source>
        <translation>Continuous reading ended%1</translation>
    </message>
    <message>
        <source>: fatto</source>
        <translation>: done</translation>
    </message>
</context>
<context>
    <name>stazione::ui::Allarmi_An</name>
    <message>
        <source>Chiudi</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>stazione::ui::Form2</name>
    <message>
        <source>Porta:</source>
        <translation>Port:</translation>
    </message>
</context>
<context>
    <name>stazione::ui::MainWindowHandler</name>
    <message>
        <source>: rifiutato, è in corso un altro scambio</source>
        <translation>: refused, another exchange is running</translation>
    </message>
    <message>
        <source>Trasmissione parametro OK</source>
        <translation>Parameter sent OK</translation>
    </message>
    <message>
        <source>Parametro non registrato</source>
        <translation>Parameter not stored</translation>
    </message>
</context>
<context>
    <name>stazione::ui::ProgressStrip</name>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>stazione::ui::Sensori_An</name>
    <message>
        <source>Chiudi</source>
        <translation>Close</translation>
    </message>
</context>
</TS>
