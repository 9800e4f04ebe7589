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
    <message>
        <source>troppi file .part di download interrotti</source>
        <translation>too many .part files of downloads cut short</translation>
    </message>
</context>
<context>
    <name>stazione::alarms::AnalogAlarms</name>
    <message>
        <source>Trasmissione parametro%1OK</source>
        <translation>Parameter%1: OK</translation>
    </message>
</context>
<context>
    <name>stazione::alarms::Messaging</name>
    <message>
        <source>Trasmissione parametro %1 : OK</source>
        <translation>Parameter %1 sent: OK</translation>
    </message>
</context>
<context>
    <name>stazione::config::SensorProperties</name>
    <message>
        <source>Trasmissione parametro%1OK</source>
        <translation>Parameter%1: OK</translation>
    </message>
</context>
<context>
    <name>stazione::config::SettingsHandlers</name>
    <message>
        <source>Nulla è stato inviato.</source>
        <translation>Nothing was sent.</translation>
    </message>
</context>
<context>
    <name>stazione::data::Archive</name>
    <message>
        <source>Lettura dell&apos;archivio</source>
        <translation>Reading the archive</translation>
    </message>
    <message>
        <source>Lettura del file</source>
        <translation>Reading the file</translation>
    </message>
    <message>
        <source>Riparazione dell&apos;archivio</source>
        <translation>Repairing the archive</translation>
    </message>
    <message>
        <source>Scrittura dell&apos;archivio</source>
        <translation>Writing the archive</translation>
    </message>
</context>
<context>
    <name>stazione::data::CsvExport</name>
    <message>
        <source>lo standard output</source>
        <translation>the standard output</translation>
    </message>
    <message>
        <source>Il file ha %1 canali (da 0 a %2): il canale %3 non c&apos;è.</source>
        <translation>The file has %1 channels (0 to %2): there is no channel %3.</translation>
    </message>
    <message>
        <source>La tabella non si scrive in %1: %2</source>
        <translation>The table cannot be written to %1: %2</translation>
    </message>
    <message>
        <source>Il file non si legge: %1</source>
        <translation>The file cannot be read: %1</translation>
    </message>
    <message>
        <source>Il file dei dati dei sensori contiene le righe del datalogger in una forma che il programma non conosce (non «data ora, valore, valore...»): non si esporta.
</source>
        <translation>The sensor data file holds the logger&apos;s lines in a layout the program does not know (not «date time, value, value...»): it is not exported.
</translation>
    </message>
</context>
<context>
    <name>stazione::data::DataFile</name>
    <message>
        <source>Riga %1: %2</source>
        <translation>Line %1: %2</translation>
    </message>
    <message>
        <source>il file è vuoto.</source>
        <translation>the file is empty.</translation>
    </message>
    <message>
        <source>il file della misura continua non ha la riga d&apos;intestazione.</source>
        <translation>the continuous measurement file has no header line.</translation>
    </message>
    <message>
        <source>l&apos;intestazione del file delle temperature non dice quanti canali ha.</source>
        <translation>the header of the temperature file does not say how many channels it has.</translation>
    </message>
    <message>
        <source>il numero di canali dell&apos;intestazione non si legge.</source>
        <translation>the number of channels in the header cannot be read.</translation>
    </message>
    <message>
        <source>dopo [INIZIO DATI] ci vuole l&apos;intestazione Date,CH 0,..., non %1.</source>
        <translation>after [INIZIO DATI] the header Date,CH 0,... is needed, not %1.</translation>
    </message>
    <message>
        <source>dopo la data e l&apos;ora ci vuole %1, non %2.</source>
        <translation>after the date and time %1 is needed, not %2.</translation>
    </message>
    <message>
        <source>il valore %1 del canale %2 non è un numero.</source>
        <translation>the value %1 of channel %2 is not a number.</translation>
    </message>
    <message>
        <source>%1 valori invece di %2.</source>
        <translation>%1 values instead of %2.</translation>
    </message>
    <message>
        <source>%1 non comincia con la data e l&apos;ora (%2).</source>
        <translation>%1 does not start with the date and time (%2).</translation>
    </message>
    <message>
        <source>la riga %1 non è nella forma «data ora, valore, valore...».</source>
        <translation>line %1 is not of the form «date time, value, value...».</translation>
    </message>
    <message>
        <source>Il file %1 non si apre: %2</source>
        <translation>The file %1 cannot be opened: %2</translation>
    </message>
    <message>
        <source>Il file %1 non si legge: %2</source>
        <translation>The file %1 cannot be read: %2</translation>
    </message>
    <message>
        <source>file delle temperature</source>
        <translation>temperature file</translation>
    </message>
    <message>
        <source>file della misura continua</source>
        <translation>continuous measurement file</translation>
    </message>
    <message>
        <source>file dei dati dei sensori</source>
        <translation>sensor data file</translation>
    </message>
    <message>
        <source>La riga %1 è più lunga di %2: non è un file di dati.</source>
        <translation>Line %1 is longer than %2: this is not a data file.</translation>
    </message>
    <message>
        <source>il file ha più di %1 canali.</source>
        <translation>the file has more than %1 channels.</translation>
    </message>
    <message>
        <source>più di %1 valori invece di %2.</source>
        <translation>more than %1 values instead of %2.</translation>
    </message>
</context>
<context>
    <name>stazione::data::DataTable</name>
    <message>
        <source>Data e ora</source>
        <translation>Date and time</translation>
    </message>
</context>
<context>
    <name>stazione::data::DownloadHandlers</name>
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
    <message>
        <source>%1 righe salvate in %2</source>
        <translation>%1 lines saved in %2</translation>
    </message>
    <message>
        <source>Registrazione eseguita</source>
        <translation>Recording done</translation>
    </message>
    <message>
        <source>%1 record su %2 salvati in %3</source>
        <translation>%1 records of %2 saved in %3</translation>
    </message>
    <message>
        <source>Check Dati: OK</source>
        <translation>Data check: OK</translation>
    </message>
    <message>
        <source>Check Dati 3: OK</source>
        <translation>Data check 3: OK</translation>
    </message>
    <message>
        <source>Scarico dei dati: %1 righe, %2</source>
        <translation>Data download: %1 lines, %2</translation>
    </message>
    <message>
        <source>Scarico dei dati: %1 di %2 righe (%3%), %4, tempo rimasto %5</source>
        <translation>Data download: %1 of %2 lines (%3%), %4, time left %5</translation>
    </message>
</context>
<context>
    <name>stazione::data::Downloads</name>
    <message>
        <source>Impossibile rinominare %1 in %2: %3</source>
        <translation>Cannot rename %1 to %2: %3</translation>
    </message>
    <message>
        <source>Scrittura del file %1 non riuscita: %2</source>
        <translation>Writing the file %1 failed: %2</translation>
    </message>
    <message>
        <source>Il datalogger ha smesso di inviare dati da %1 s.</source>
        <translation>The logger stopped sending data %1 s ago.</translation>
    </message>
    <message>
        <source>Scarico annullato.</source>
        <translation>Download cancelled.</translation>
    </message>
    <message>
        <source>La connessione con il datalogger si è interrotta.</source>
        <translation>The connection with the logger was broken.</translation>
    </message>
    <message>
        <source>Nome %1 non valido</source>
        <translation>Name %1 not valid</translation>
    </message>
    <message>
        <source>Il datalogger annuncia %1 record di %2 canali: lo scarico ne accetta da 0 a %3 di 0-%4 canali.</source>
        <translation>The logger announces %1 records of %2 channels: the download takes 0 to %3 records of 0-%4 channels.</translation>
    </message>
    <message>
        <source>ancora al massimo %1 s. Premi di nuovo Annulla per interrompere subito</source>
        <translation>at most %1 s more. Press Cancel again to stop at once</translation>
    </message>
    <message>
        <source>Il file %1 non è stato cambiato; i dati ricevuti sono in %2.</source>
        <translation>The file %1 was not changed; the data received are in %2.</translation>
    </message>
</context>
<context>
    <name>stazione::link::Files</name>
    <message>
        <source>è una cartella</source>
        <translation>it is a folder</translation>
    </message>
    <message>
        <source>non è un file normale</source>
        <translation>it is not a regular file</translation>
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
    <name>stazione::link::TypedValues</name>
    <message>
        <source>la virgola &quot;,&quot;</source>
        <translation>the comma &quot;,&quot;</translation>
    </message>
    <message>
        <source>il carattere di controllo %1</source>
        <translation>the control character %1</translation>
    </message>
    <message>
        <source>il carattere &quot;%1&quot; (U+%2)</source>
        <translation>the character &quot;%1&quot; (U+%2)</translation>
    </message>
    <message>
        <source>il datalogger prenderebbe quello che segue per un nuovo comando</source>
        <translation>the logger would take what follows for a new command</translation>
    </message>
    <message>
        <source>il modem chiuderebbe lì il comando e manderebbe il resto al datalogger</source>
        <translation>the modem would end the command there and send the rest to the logger</translation>
    </message>
    <message>
        <source>un carattere di controllo non può far parte di un valore</source>
        <translation>a control character cannot be part of a value</translation>
    </message>
    <message>
        <source>la linea trasmette solo i caratteri a 8 bit (Latin-1)</source>
        <translation>the line carries only 8-bit characters (Latin-1)</translation>
    </message>
    <message>
        <source>Il campo %1 contiene %2: %3. Nulla è stato inviato.</source>
        <translation>The field %1 contains %2: %3. Nothing was sent.</translation>
    </message>
    <message>
        <source>Il valore contiene %1: %2. Nulla è stato inviato.</source>
        <translation>The value contains %1: %2. Nothing was sent.</translation>
    </message>
</context>
<context>
    <name>stazione::live::Measurement</name>
    <message>
        <source>Scrittura del file %1 non riuscita.</source>
        <translation>Writing the file %1 failed.</translation>
    </message>
    <message>
        <source>Il datalogger non invia il canale %1.</source>
        <translation>The logger does not send channel %1.</translation>
    </message>
    <message>
        <source>Impossibile creare il file %1 (%2).</source>
        <translation>Cannot create the file %1 (%2).</translation>
    </message>
</context>
<context>
    <name>stazione::live::MeasurementWindow</name>
    <message>
        <source>Richiesta dati alla centralina...</source>
        <translation>Asking the logger for data...</translation>
    </message>
    <message>
        <source>Il file %1 è occupato. Chiudere le applicazioni che utilizzano il file.</source>
        <translation>The file %1 is in use. Close the programs that use the file.</translation>
    </message>
    <message>
        <source>Termino lettura in corso...</source>
        <translation>Ending the reading under way...</translation>
    </message>
    <message>
        <source>La misura continua è in corso.
Terminarla e chiudere la finestra?</source>
        <translation>The continuous measurement is running.
End it and close the window?</translation>
    </message>
</context>
<context>
    <name>stazione::live::SessionTable</name>
    <message>
        <source>Data</source>
        <translation>Date</translation>
    </message>
</context>
<context>
    <name>stazione::modem::Modem</name>
    <message>
        <source>Modem Trovato su Com%1</source>
        <translation>Modem found on Com%1</translation>
    </message>
    <message>
        <source>La stazione scelta non ha un numero da chiamare.</source>
        <translation>The station chosen has no number to call.</translation>
    </message>
    <message>
        <source>Dispositivo  M410-M610 %1 rilevato</source>
        <translation>Device  M410-M610 %1 found</translation>
    </message>
</context>
<context>
    <name>stazione::modem::ModemHandlers</name>
    <message>
        <source>Avvio della chiamata: attesa del datalogger</source>
        <translation>Call start-up: waiting for the logger</translation>
    </message>
    <message>
        <source>
Allarme: %1</source>
        <translation>
Alert: %1</translation>
    </message>
    <message>
        <source>Nessuna raccolta finora: il rapporto di rete nasce dalla prima.</source>
        <translation>No collection yet: the network report comes with the first one.</translation>
    </message>
    <message>
        <source>Rapporto di rete non creato: %1</source>
        <translation>Network report not made: %1</translation>
    </message>
    <message>
        <source>Il rapporto di rete è in %1</source>
        <translation>The network report is in %1</translation>
    </message>
    <message>
        <source>Rapporto di rete: %1</source>
        <translation>Network report: %1</translation>
    </message>
    <message>
        <source>Raccolta del %1: %2</source>
        <translation>Collection of %1: %2</translation>
    </message>
    <message>
        <source>
Righe nuove: %1%2</source>
        <translation>
New lines: %1%2</translation>
    </message>
    <message>
        <source> (scarico incompleto)</source>
        <translation> (download incomplete)</translation>
    </message>
    <message>
        <source>
Batteria: %1 V</source>
        <translation>
Battery: %1 V</translation>
    </message>
    <message>
        <source>Impossibile salvare %1</source>
        <translation>Cannot save %1</translation>
    </message>
    <message>
        <source>%1 non è stato letto per intero e non viene sovrascritto: %2</source>
        <translation>%1 was not read whole and is not written over: %2</translation>
    </message>
    <message>
        <source>%1 è salvato in UTF-8: %2 non rientra in Latin-1 e un programma che legge l&apos;elenco in Latin-1 lo mostra storpiato.</source>
        <translation>%1 is saved in UTF-8: %2 does not fit Latin-1, and a program that reads the directory as Latin-1 shows it garbled.</translation>
    </message>
    <message>
        <source>Sto riprovando...</source>
        <translation>Retrying...</translation>
    </message>
    <message>
        <source>Chiamata in corso: %1, %2</source>
        <translation>Calling: %1, %2</translation>
    </message>
    <message>
        <source>In linea: %1 (%2)</source>
        <translation>On the line: %1 (%2)</translation>
    </message>
    <message>
        <source>Chiamata: in linea con %1 (%2)</source>
        <translation>Call: on the line with %1 (%2)</translation>
    </message>
    <message>
        <source>Chiamata chiusa</source>
        <translation>Call ended</translation>
    </message>
    <message>
        <source>Chiamata</source>
        <translation>Call</translation>
    </message>
    <message>
        <source>Com%1 è la porta del datalogger: il modem non vi è stato cercato</source>
        <translation>COM%1 is the logger&apos;s port: no modem was looked for on it</translation>
    </message>
    <message>
        <source>Nessun modem trovato: scegli la porta del modem prima di chiamare.</source>
        <translation>No modem found: choose the modem&apos;s port before calling.</translation>
    </message>
    <message>
        <source>riuscita</source>
        <translation>succeeded</translation>
    </message>
    <message>
        <source>numero occupato</source>
        <translation>number busy</translation>
    </message>
    <message>
        <source>linea caduta</source>
        <translation>carrier lost</translation>
    </message>
    <message>
        <source>nessuna risposta</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>tempo scaduto</source>
        <translation>timed out</translation>
    </message>
    <message>
        <source>interrotta</source>
        <translation>cancelled</translation>
    </message>
    <message>
        <source>numero rifiutato</source>
        <translation>number refused</translation>
    </message>
    <message>
        <source>orologio non accettato dal datalogger</source>
        <translation>clock refused by the logger</translation>
    </message>
    <message>
        <source>connessione persa</source>
        <translation>connection lost</translation>
    </message>
    <message>
        <source>errore del file</source>
        <translation>file error</translation>
    </message>
    <message>
        <source>Chiamata chiusa: scegli la prossima stazione da chiamare</source>
        <translation>Call ended: choose the next station to call</translation>
    </message>
    <message>
        <source>Ricerca del modem</source>
        <translation>Modem search</translation>
    </message>
    <message>
        <source>Ricerca del modem: COM%1 (%2 di %3)</source>
        <translation>Modem search: COM%1 (%2 of %3)</translation>
    </message>
    <message>
        <source>Ricerca del modem interrotta</source>
        <translation>Modem search stopped</translation>
    </message>
    <message>
        <source>Nessuna porta da provare oltre a quella del datalogger</source>
        <translation>No port to try besides the logger&apos;s</translation>
    </message>
    <message>
        <source>Elenco delle stazioni salvato in %1</source>
        <translation>Station directory saved in %1</translation>
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
    <message>
        <source> QX455 Resettato</source>
        <translation> QX455 Reset</translation>
    </message>
    <message>
        <source>GSM/GPRS: NON RIUSCITO - </source>
        <translation>GSM/GPRS: FAILED - </translation>
    </message>
    <message>
        <source>Vuoi veramente resettare il datalogger?<byte value="xd"/>
Perderai tutti i dati e tutte le impostazioni!</source>
        <translation>Do you really want to reset the logger?<byte value="xd"/>
You will lose all the data and all the settings!</translation>
    </message>
    <message>
        <source>Connessione Passo Passo: attendo il datalogger su %1...</source>
        <translation>Step-by-step connection: waiting for the logger on %1...</translation>
    </message>
    <message>
        <source> Telemonitor trovato</source>
        <translation> Telemonitor Found</translation>
    </message>
    <message>
        <source>Reset del datalogger: annullato</source>
        <translation>Logger reset: cancelled</translation>
    </message>
    <message>
        <source>Il dispositivo non è presente nel sistema.</source>
        <translation>The device is not in the system.</translation>
    </message>
    <message>
        <source>Il dispositivo è già in uso.</source>
        <translation>The device is already in use.</translation>
    </message>
    <message>
        <source>Accesso al dispositivo negato: esegui &quot;sudo adduser $USER dialout&quot;, poi esci e rientra nella sessione.</source>
        <translation>Permission denied on the device: run &quot;sudo adduser $USER dialout&quot;, then log out and in again.</translation>
    </message>
    <message>
        <source> Impossibile trovare il Telemonitor.</source>
        <translation> Impossible to find the Telemonitor.</translation>
    </message>
    <message>
        <source>Telemonitor non trovato. Controlla che sia acceso e il collegamento</source>
        <translation>Telemonitor not found. Try to check if it is on and the connection</translation>
    </message>
</context>
<context>
    <name>stazione::session::MainWindowSession</name>
    <message>
        <source>Impossibile scrivere %1: %2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>Vuoi veramente resettare il datalogger?<byte value="xd"/>
Tu perderai tutti i dati</source>
        <translation>Do you really want to reset the logger?<byte value="xd"/>
You will lose all the data</translation>
    </message>
    <message>
        <source>Vuoi veramente canncellare la memoria?<byte value="xd"/>
Tutti i dati saranno persi.</source>
        <translation>Do you really want to erase the memory?<byte value="xd"/>
All the data will be lost.</translation>
    </message>
    <message>
        <source>Il file di log della sessione non è stato scritto.
%1</source>
        <translation>The session log file was not written.
%1</translation>
    </message>
    <message>
        <source>Uno scambio con il datalogger è in corso.
Interromperlo e chiudere?</source>
        <translation>An exchange with the logger is running.
Stop it and close?</translation>
    </message>
    <message>
        <source>RESTORE: attesa del datalogger interrotta; il prossimo comando attende prima la fine dei dati in arrivo</source>
        <translation>RESTORE: the wait for the logger was stopped; the next command first waits for the incoming data to end</translation>
    </message>
    <message>
        <source>RESTORE: nessuno scambio in corso; il prossimo comando attende prima la fine dei dati in arrivo</source>
        <translation>RESTORE: no exchange running; the next command first waits for any incoming data to end</translation>
    </message>
    <message>
        <source>Chiamata</source>
        <translation>Call</translation>
    </message>
    <message>
        <source>Chiamata chiusa</source>
        <translation>Call ended</translation>
    </message>
</context>
<context>
    <name>stazione::session::PortScan</name>
    <message>
        <source>Dispositivo  %1 %2 rilevato sulla porta #%3</source>
        <translation>Device  %1 %2 found on port #%3</translation>
    </message>
    <message>
        <source>Scansione in corso sulla porta #%1</source>
        <translation>Scanning port #%1</translation>
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
    <message>
        <source>Informazione Sensori: OK</source>
        <translation>Sensor information: OK</translation>
    </message>
    <message>
        <source>Data/Ora Interna: OK</source>
        <translation>Internal date/time: OK</translation>
    </message>
    <message>
        <source>Data Prossima Scansione: OK</source>
        <translation>Next scan date: OK</translation>
    </message>
    <message>
        <source>Timer: OK</source>
        <translation>Timer: OK</translation>
    </message>
    <message>
        <source>Preaccensione: OK</source>
        <translation>Pre-heating: OK</translation>
    </message>
    <message>
        <source>Tensione di Batteria: OK</source>
        <translation>Battery voltage: OK</translation>
    </message>
    <message>
        <source>Memoria: OK</source>
        <translation>Memory: OK</translation>
    </message>
    <message>
        <source>Nome Datalogger: OK</source>
        <translation>Logger name: OK</translation>
    </message>
    <message>
        <source>Stato Abilitazione: OK</source>
        <translation>Acquisition state: OK</translation>
    </message>
    <message>
        <source>Tipo Batteria: OK</source>
        <translation>Battery type: OK</translation>
    </message>
    <message>
        <source>Minipannello: OK</source>
        <translation>Mini-panel: OK</translation>
    </message>
    <message>
        <source>Data Prossima Acquisizione: OK</source>
        <translation>Next acquisition date: OK</translation>
    </message>
    <message>
        <source>interrotto</source>
        <translation>interrupted</translation>
    </message>
    <message>
        <source>NON RIUSCITO - </source>
        <translation>FAILED - </translation>
    </message>
    <message>
        <source>Recupero dei Parametri interni</source>
        <translation>Reading the internal parameters</translation>
    </message>
    <message>
        <source>Modello Batteria: OK</source>
        <translation>Battery model: OK</translation>
    </message>
</context>
<context>
    <name>stazione::session::Session</name>
    <message>
        <source>(ancora al massimo %1 s)</source>
        <translation>(at most %1 s more)</translation>
    </message>
    <message>
        <source>Il datalogger sta ancora inviando i dati di uno scambio interrotto: il comando attende che finisca</source>
        <translation>The logger is still sending the data of an exchange that was cut short: the command waits for its end</translation>
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
    <message>
        <source>Misura continua</source>
        <translation>Continuous measurement</translation>
    </message>
    <message>
        <source>Misura continua terminata%1</source>
        <translation>Continuous measurement ended%1</translation>
    </message>
    <message>
        <source>Finestra della misura continua aperta%1</source>
        <translation>Continuous measurement window opened%1</translation>
    </message>
    <message>
        <source>Proprietà dei sensori</source>
        <translation>Sensor properties</translation>
    </message>
    <message>
        <source>Proprietà dei sensori lette%1</source>
        <translation>Sensor properties read%1</translation>
    </message>
    <message>
        <source>Proprietà dei sensori scritte%1</source>
        <translation>Sensor properties written%1</translation>
    </message>
    <message>
        <source>Allarmi dei sensori</source>
        <translation>Sensor alarms</translation>
    </message>
    <message>
        <source>Allarmi dei sensori letti%1</source>
        <translation>Sensor alarms read%1</translation>
    </message>
    <message>
        <source>Allarmi dei sensori scritti%1</source>
        <translation>Sensor alarms written%1</translation>
    </message>
    <message>
        <source>Messaggi SMS personalizzati</source>
        <translation>Custom SMS messages</translation>
    </message>
    <message>
        <source>Messaggi SMS personalizzati letti%1</source>
        <translation>Custom SMS messages read%1</translation>
    </message>
    <message>
        <source>Messaggi SMS personalizzati scritti%1</source>
        <translation>Custom SMS messages written%1</translation>
    </message>
</context>
<context>
    <name>stazione::ui::Allarmi_An</name>
    <message>
        <source>Chiudi</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Da Leggere</source>
        <translation>To be read</translation>
    </message>
    <message>
        <source>Allarmi dei sensori</source>
        <translation>Sensor alarms</translation>
    </message>
    <message>
        <source>Numero</source>
        <translation>Number</translation>
    </message>
    <message>
        <source>Allarme Up</source>
        <translation>Alarm Up</translation>
    </message>
    <message>
        <source>Allarme Down</source>
        <translation>Alarm Down</translation>
    </message>
    <message>
        <source>Attivo</source>
        <translation>Active</translation>
    </message>
    <message>
        <source>Leggi MUX%1</source>
        <translation>Read MUX%1</translation>
    </message>
    <message>
        <source>Scrivi MUX%1</source>
        <translation>Write MUX%1</translation>
    </message>
    <message>
        <source>SMS PERSONALIZZATO (5 X 25 CARATTERI)</source>
        <translation>PERSONAL SMS (5 X 25 CHARACTERS)</translation>
    </message>
    <message>
        <source>LEGGI SMS</source>
        <translation>READ SMS</translation>
    </message>
    <message>
        <source>SCRIVI SMS</source>
        <translation>WRITE SMS</translation>
    </message>
</context>
<context>
    <name>stazione::ui::DataViewer</name>
    <message>
        <source>Grafici</source>
        <translation>Charts</translation>
    </message>
    <message>
        <source>Grafico</source>
        <translation>Chart</translation>
    </message>
    <message>
        <source>Tabella</source>
        <translation>Table</translation>
    </message>
    <message>
        <source>Testo</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Apri…</source>
        <translation>Open…</translation>
    </message>
    <message>
        <source>Tutto</source>
        <translation>All</translation>
    </message>
    <message>
        <source>Mostra tutti i dati (trascina per ingrandire un&apos;area, la rotella ingrandisce il tempo, il tasto destro sposta).</source>
        <translation>Show all the data (drag to zoom into an area, the wheel zooms the time, the right button pans).</translation>
    </message>
    <message>
        <source>Esporta PNG</source>
        <translation>Export PNG</translation>
    </message>
    <message>
        <source>Esporta CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>Chiudi</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Grafici - %1</source>
        <translation>Charts - %1</translation>
    </message>
    <message>
        <source>Le righe di questo file dei dati dei sensori non sono nella forma «data ora, valore, valore...»: si mostra il testo. (%1)</source>
        <translation>The lines of this sensor data file are not of the form «date time, value, value...»: the text is shown. (%1)</translation>
    </message>
    <message>
        <source>Il file %1 non si legge.
%2</source>
        <translation>The file %1 cannot be read.
%2</translation>
    </message>
    <message>
        <source>%1: %2 righe, %3 canali</source>
        <translation>%1: %2 lines, %3 channels</translation>
    </message>
    <message>
        <source> (righe riordinate per data e ora: l&apos;orologio del datalogger è tornato indietro)</source>
        <translation> (lines sorted by date and time: the logger&apos;s clock went back)</translation>
    </message>
    <message>
        <source>
[... il file continua: se ne mostrano i primi %1 MB]</source>
        <translation>
[... the file goes on: its first %1 MB are shown]</translation>
    </message>
    <message>
        <source>File di dati (*.txt);;Tutti i file (*)</source>
        <translation>Data files (*.txt);;All files (*)</translation>
    </message>
    <message>
        <source>La tabella %1 non si scrive: %2</source>
        <translation>The table %1 cannot be written: %2</translation>
    </message>
    <message>
        <source>Grafico salvato in %1</source>
        <translation>Chart saved in %1</translation>
    </message>
    <message>
        <source>Il grafico %1 non si salva.</source>
        <translation>The chart %1 cannot be saved.</translation>
    </message>
    <message>
        <source>Salva come tabella CSV i canali spuntati: dalla scheda Grafico l&apos;intervallo mostrato, dalla scheda Tabella tutte le righe.</source>
        <translation>Saves the ticked channels as a CSV table: from the Chart tab the span shown, from the Table tab every row.</translation>
    </message>
    <message>
        <source>; %1 valori fuori scala mostrati come interruzioni</source>
        <translation>; %1 values out of range shown as gaps</translation>
    </message>
    <message>
        <source>è il file dei dati stesso.</source>
        <translation>it is the data file itself.</translation>
    </message>
    <message>
        <source>non è un file normale.</source>
        <translation>it is not a regular file.</translation>
    </message>
    <message>
        <source>%1 righe dell&apos;intervallo mostrato (da %2 a %3) salvate in %4</source>
        <translation>%1 rows of the span shown (%2 to %3) saved in %4</translation>
    </message>
    <message>
        <source>%1 righe (tutta la tabella) salvate in %2</source>
        <translation>%1 rows (the whole table) saved in %2</translation>
    </message>
</context>
<context>
    <name>stazione::ui::Form1</name>
    <message>
        <source>Stazione</source>
        <translation>Stazione</translation>
    </message>
    <message>
        <source>DATA-MODALITA&apos;</source>
        <translation>DATE-MODE</translation>
    </message>
    <message>
        <source>TIMERS</source>
        <translation>TIMERS</translation>
    </message>
    <message>
        <source>GESTIONE CANALI</source>
        <translation>CHANNELS</translation>
    </message>
    <message>
        <source>DATI GENERALI</source>
        <translation>GENERAL DATA</translation>
    </message>
    <message>
        <source>ACQUISIZ. DATI</source>
        <translation>DATA ACQUISITION</translation>
    </message>
    <message>
        <source>LETTURA CONTINUA</source>
        <translation>CONTINUOUS READING</translation>
    </message>
    <message>
        <source>GPRS</source>
        <translation>GPRS</translation>
    </message>
    <message>
        <source>ALLARMI</source>
        <translation>ALARMS</translation>
    </message>
    <message>
        <source>RESTORE</source>
        <translation>RESTORE</translation>
    </message>
    <message>
        <source>Traccia comunicazione</source>
        <translation>Trace the communication</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Dates</translation>
    </message>
    <message>
        <source>Giorno</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>Mese</source>
        <translation>Month</translation>
    </message>
    <message>
        <source>Anno</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>Ore</source>
        <translation>Hours</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>Sec</source>
        <translation>Sec</translation>
    </message>
    <message>
        <source>Data Attuale</source>
        <translation>Current date</translation>
    </message>
    <message>
        <source>Data Start</source>
        <translation>Start date</translation>
    </message>
    <message>
        <source>Leggi la Data Attuale</source>
        <translation>Read the current date</translation>
    </message>
    <message>
        <source>Scrivi la Data Attuale</source>
        <translation>Write the current date</translation>
    </message>
    <message>
        <source>Leggi la Data Start</source>
        <translation>Read the start date</translation>
    </message>
    <message>
        <source>Scrivi la Data Start</source>
        <translation>Write the start date</translation>
    </message>
    <message>
        <source>Esegui Subito La Misura</source>
        <translation>Measure now</translation>
    </message>
    <message>
        <source>Data e Ora del PC</source>
        <translation>PC date and time</translation>
    </message>
    <message>
        <source>Datalogger Abilitato per Acquisizione</source>
        <translation>Logger enabled for acquisition</translation>
    </message>
    <message>
        <source>Leggi il parametro</source>
        <translation>Read the setting</translation>
    </message>
    <message>
        <source>Datalogger Abilitato per GSM</source>
        <translation>Logger enabled for GSM</translation>
    </message>
    <message>
        <source>Immediate Conversion</source>
        <translation>Immediate Conversion</translation>
    </message>
    <message>
        <source>Tempo di Acquisizione</source>
        <translation>Acquisition interval</translation>
    </message>
    <message>
        <source>Hh</source>
        <translation>Hh</translation>
    </message>
    <message>
        <source>Mm</source>
        <translation>Mm</translation>
    </message>
    <message>
        <source>Ss</source>
        <translation>Ss</translation>
    </message>
    <message>
        <source>Leggi i tempi di acquisizione</source>
        <translation>Read the acquisition interval</translation>
    </message>
    <message>
        <source>Scrivi i tempi di acquisizione</source>
        <translation>Write the acquisition interval</translation>
    </message>
    <message>
        <source>Preaccensione Strumenti</source>
        <translation>Instrument pre-heating</translation>
    </message>
    <message>
        <source>Leggi Preaccensione</source>
        <translation>Read pre-heating</translation>
    </message>
    <message>
        <source>Scrivi Preaccensione</source>
        <translation>Write pre-heating</translation>
    </message>
    <message>
        <source>x 10^-3 Sec</source>
        <translation>x 10^-3 s</translation>
    </message>
    <message>
        <source>Leggi il numero dei canali</source>
        <translation>Read the number of channels</translation>
    </message>
    <message>
        <source>Scrivi il numero dei canali</source>
        <translation>Write the number of channels</translation>
    </message>
    <message>
        <source>Abilitazione del contatore di eventi (Ingresso Pluviometro)</source>
        <translation>Enable the event counter (rain-gauge input)</translation>
    </message>
    <message>
        <source>Accedi alle proprietà dei sensori</source>
        <translation>Open the sensor properties</translation>
    </message>
    <message>
        <source>Azzera la memoria</source>
        <translation>Erase the memory</translation>
    </message>
    <message>
        <source>Resetta il datalogger</source>
        <translation>Reset the logger</translation>
    </message>
    <message>
        <source>Identificazione</source>
        <translation>Identification</translation>
    </message>
    <message>
        <source>Leggi Identificativo</source>
        <translation>Read the name</translation>
    </message>
    <message>
        <source>Scrivi Identificativo</source>
        <translation>Write the name</translation>
    </message>
    <message>
        <source>Nome Datalogger</source>
        <translation>Logger name</translation>
    </message>
    <message>
        <source>Next Acquisition Date</source>
        <translation>Next Acquisition Date</translation>
    </message>
    <message>
        <source>NEW CONVERSION DATE</source>
        <translation>NEW CONVERSION DATE</translation>
    </message>
    <message>
        <source>Stato Memoria</source>
        <translation>Memory state</translation>
    </message>
    <message>
        <source>Possibili             Disponibili</source>
        <translation>Possible               Available</translation>
    </message>
    <message>
        <source>Modello Batteria</source>
        <translation>Battery model</translation>
    </message>
    <message>
        <source>Batteria al Piombo</source>
        <translation>Lead-acid battery</translation>
    </message>
    <message>
        <source>Minipannello</source>
        <translation>Mini-panel</translation>
    </message>
    <message>
        <source>leggifs</source>
        <translation>Read FS values</translation>
    </message>
    <message>
        <source>FILE</source>
        <translation>FILE</translation>
    </message>
    <message>
        <source>Blocca l&apos;acquisizione</source>
        <translation>Stop the acquisition</translation>
    </message>
    <message>
        <source>Crea Tabella</source>
        <translation>Create table</translation>
    </message>
    <message>
        <source>#RECORDS</source>
        <translation>#RECORDS</translation>
    </message>
    <message>
        <source>Nome File</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>Ultimo Record</source>
        <translation>Last record</translation>
    </message>
    <message>
        <source>Acquisisci i dati</source>
        <translation>Download the data</translation>
    </message>
    <message>
        <source>Acquisisci i dati dal fondo della memoria</source>
        <translation>Download the data from the bottom of the memory</translation>
    </message>
    <message>
        <source>Acquisisci le Temperature</source>
        <translation>Download the temperatures</translation>
    </message>
    <message>
        <source>Backup</source>
        <translation>Backup</translation>
    </message>
    <message>
        <source>Grafici</source>
        <translation>Charts</translation>
    </message>
    <message>
        <source>Leggi il contatore di eventi</source>
        <translation>Read the event counter</translation>
    </message>
    <message>
        <source>CH</source>
        <translation>CH</translation>
    </message>
    <message>
        <source>Esegui la misura continua</source>
        <translation>Start the continuous measurement</translation>
    </message>
    <message>
        <source>Termina la misura continua</source>
        <translation>End the continuous measurement</translation>
    </message>
    <message>
        <source>Tensione di batteria</source>
        <translation>Battery voltage</translation>
    </message>
    <message>
        <source>VBATT</source>
        <translation>VBATT</translation>
    </message>
    <message>
        <source>Leggi Parametri GPRS</source>
        <translation>Read the GPRS settings</translation>
    </message>
    <message>
        <source>Scrivi Parametri GPRS</source>
        <translation>Write the GPRS settings</translation>
    </message>
    <message>
        <source>FUNZIONE NON DISPONIBILE</source>
        <translation>FUNCTION NOT AVAILABLE</translation>
    </message>
    <message>
        <source>Numeri di Telefono</source>
        <translation>Telephone numbers</translation>
    </message>
    <message>
        <source>Numero di sms da inviare</source>
        <translation>Number of SMS to send</translation>
    </message>
    <message>
        <source>Leggi</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Scrivi</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Abilita Allarme SMS</source>
        <translation>Enable SMS alarm</translation>
    </message>
    <message>
        <source>Abilita Allarme TELEFONO</source>
        <translation>Enable TELEPHONE alarm</translation>
    </message>
    <message>
        <source>Datalogger Abilitato per invio EMAIL</source>
        <translation>Logger enabled for sending EMAIL</translation>
    </message>
    <message>
        <source>Leggi_Email</source>
        <translation>Read_Email</translation>
    </message>
    <message>
        <source>leggi mm pioggia</source>
        <translation>read rain mm</translation>
    </message>
    <message>
        <source>scrivi mm pioggia</source>
        <translation>write rain mm</translation>
    </message>
    <message>
        <source>Accedi alle proprietà di allarme dei sensori</source>
        <translation>Open the sensor alarm properties</translation>
    </message>
    <message>
        <source>Numero Telefono</source>
        <translation>Telephone number</translation>
    </message>
    <message>
        <source>mm pioggia</source>
        <translation>rain mm</translation>
    </message>
    <message>
        <source># CANALI ATTIVI</source>
        <translation># ACTIVE CHANNELS</translation>
    </message>
    <message>
        <source>CH MUX1</source>
        <translation>CH MUX1</translation>
    </message>
    <message>
        <source>CH MUX2</source>
        <translation>CH MUX2</translation>
    </message>
    <message>
        <source>CH MUX3</source>
        <translation>CH MUX3</translation>
    </message>
    <message>
        <source>GPRS USERNAME</source>
        <translation>GPRS USERNAME</translation>
    </message>
    <message>
        <source>GPRS PASSWORD</source>
        <translation>GPRS PASSWORD</translation>
    </message>
    <message>
        <source>APN SERVER</source>
        <translation>APN SERVER</translation>
    </message>
    <message>
        <source>FTP SERVER</source>
        <translation>FTP SERVER</translation>
    </message>
    <message>
        <source>FTP USERNAME</source>
        <translation>FTP USERNAME</translation>
    </message>
    <message>
        <source>FTP PASSWORD</source>
        <translation>FTP PASSWORD</translation>
    </message>
    <message>
        <source>FTP DIRECTORY</source>
        <translation>FTP DIRECTORY</translation>
    </message>
    <message>
        <source>FTP PORTA</source>
        <translation>FTP PORT</translation>
    </message>
    <message>
        <source>TRASMETTI OGNI</source>
        <translation>SEND EVERY</translation>
    </message>
    <message>
        <source>INVIA SEMPRE TUTTO</source>
        <translation>ALWAYS SEND EVERYTHING</translation>
    </message>
    <message>
        <source>Riaggancia</source>
        <translation>Hang up</translation>
    </message>
    <message>
        <source>Mostra le password</source>
        <translation>Show the passwords</translation>
    </message>
    <message>
        <source>Memoria quasi piena: %1 acquisizioni libere su %2. Scarica i dati.</source>
        <translation>Memory nearly full: %1 free acquisitions of %2. Download the data.</translation>
    </message>
</context>
<context>
    <name>stazione::ui::Form2</name>
    <message>
        <source>Porta:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Collegare il datalogger. Premere &apos;Connessione&apos;.
KVE_M410_M610   KVE_M610_M410   KVE_M510HX</source>
        <translation>Connect the logger. Press &apos;Connection&apos;.
KVE_M410_M610   KVE_M610_M410   KVE_M510HX</translation>
    </message>
    <message>
        <source>Stazione</source>
        <translation>Stazione</translation>
    </message>
    <message>
        <source>RS232</source>
        <translation>RS232</translation>
    </message>
    <message>
        <source>CONNESSIONE</source>
        <translation>CONNECTION</translation>
    </message>
    <message>
        <source>Connessione Passo Passo</source>
        <translation>Step-by-step connection</translation>
    </message>
    <message>
        <source>CONNESSIONE CON MODEM</source>
        <translation>CONNECTION BY MODEM</translation>
    </message>
    <message>
        <source>Resetta QX455</source>
        <translation>Reset QX455</translation>
    </message>
    <message>
        <source>Versione GSM</source>
        <translation>GSM version</translation>
    </message>
</context>
<context>
    <name>stazione::ui::Grafici</name>
    <message>
        <source>Grafici</source>
        <translation>Charts</translation>
    </message>
    <message>
        <source>CH%1</source>
        <translation>CH%1</translation>
    </message>
    <message>
        <source>Disegna ultimi dati</source>
        <translation>Draw the latest data</translation>
    </message>
    <message>
        <source>Disegna tutti i dati</source>
        <translation>Draw all the data</translation>
    </message>
    <message>
        <source>Chiudi</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>stazione::ui::Ini</name>
    <message>
        <source>Stazione</source>
        <translation>Stazione</translation>
    </message>
    <message>
        <source>Configurazione e scarico dati dei datalogger</source>
        <translation>Configuration and data download of the loggers</translation>
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
    <name>stazione::ui::Messages</name>
    <message>
        <source>Datalogger non trovato, controllare la connessione</source>
        <translation>Logger not found, check the connection</translation>
    </message>
    <message>
        <source>Questa operazione necessita l&apos;azzeramento della memoria. Vuoi proseguire?<byte value="xd"/>
Tutti i dati verranno persi.</source>
        <translation>This operation needs the memory to be erased. Continue?<byte value="xd"/>
All the data will be lost.</translation>
    </message>
    <message>
        <source>Controlla il tempo di conversione ( ore&lt;=23, minuti e secondi &lt;=59 e tempo di conversione &gt;= 1 min per la versione non GSM e &gt;= 10 min per la versione GSM)! </source>
        <translation>Check the acquisition interval (hours &lt;= 23, minutes and seconds &lt;= 59 and an interval &gt;= 1 min for the non-GSM version and &gt;= 10 min for the GSM version)! </translation>
    </message>
    <message>
        <source>Seleziona almeno un canale!</source>
        <translation>Select at least one channel!</translation>
    </message>
    <message>
        <source>Controlla i dati inseriti! </source>
        <translation>Check the data entered! </translation>
    </message>
    <message>
        <source>Attenzione!!</source>
        <translation>Warning!!</translation>
    </message>
    <message>
        <source>Tempo di preaccensione troppo lungo </source>
        <translation>Pre-heating time too long </translation>
    </message>
    <message>
        <source>Il numero dei canali attivi non è noto: leggerlo nella scheda GESTIONE CANALI (&quot;Leggi il numero dei canali&quot;).</source>
        <translation>The number of active channels is not known: read it on the CHANNELS tab (&quot;Read the number of channels&quot;).</translation>
    </message>
    <message>
        <source>Dispositivo non presente!</source>
        <translation>Device not present!</translation>
    </message>
    <message>
        <source>Attendo la fine dei dati dal datalogger...</source>
        <translation>Waiting for the end of the data from the logger...</translation>
    </message>
    <message>
        <source>Errore di connessione.</source>
        <translation>Connection error.</translation>
    </message>
    <message>
        <source>Attivare almeno un canale.</source>
        <translation>Enable at least one channel.</translation>
    </message>
    <message>
        <source>Azione annullata</source>
        <translation>Action cancelled</translation>
    </message>
    <message>
        <source>Per consentire un continuo flusso di dati si consiglia di disabilitare lo spegnimento automatico del computer, il salvaschermo e le opzioni di risparmio energia.</source>
        <translation>For a continuous flow of data, turn off the computer&apos;s automatic shutdown, the screen saver and the power-saving options.</translation>
    </message>
    <message>
        <source>Modem non presente su questa porta</source>
        <translation>No modem on this port</translation>
    </message>
    <message>
        <source>Ricerca Modem in corso...</source>
        <translation>Looking for the modem...</translation>
    </message>
    <message>
        <source>Recupero dei parametri interni</source>
        <translation>Reading the internal parameters</translation>
    </message>
    <message>
        <source>Attenzione</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>ATTENZIONE</source>
        <translation>WARNING</translation>
    </message>
    <message>
        <source>Non Attivo</source>
        <translation>Not active</translation>
    </message>
</context>
<context>
    <name>stazione::ui::MisCont</name>
    <message>
        <source>Misura continua</source>
        <translation>Continuous measurement</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Grafici</source>
        <translation>Charts</translation>
    </message>
    <message>
        <source>Chiudi</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>stazione::ui::ModemWindow</name>
    <message>
        <source>Centraline</source>
        <translation>Stations</translation>
    </message>
    <message>
        <source>Datalogger</source>
        <translation>Logger</translation>
    </message>
    <message>
        <source>Telefono</source>
        <translation>Telephone</translation>
    </message>
    <message>
        <source>GSM</source>
        <translation>GSM</translation>
    </message>
    <message>
        <source>Scadenza</source>
        <translation>Expiry</translation>
    </message>
    <message>
        <source>Data gine</source>
        <translation>End date</translation>
    </message>
    <message>
        <source>Data fine </source>
        <translation>End date </translation>
    </message>
    <message>
        <source>GSM CONNECTION</source>
        <translation>GSM CONNECTION</translation>
    </message>
    <message>
        <source>Salva i dati</source>
        <translation>Save the data</translation>
    </message>
    <message>
        <source>Connetti</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Download and Go</source>
        <translation>Download and Go</translation>
    </message>
    <message>
        <source>Riprova</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Nome</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Ultimo Controllo</source>
        <translation>Last check</translation>
    </message>
    <message>
        <source>Seriale</source>
        <translation>Serial</translation>
    </message>
    <message>
        <source>Rapporto di rete</source>
        <translation>Network report</translation>
    </message>
    <message>
        <source>Apre nel browser il rapporto dell&apos;ultima raccolta, rifatto se non è aggiornato.</source>
        <translation>Opens the report of the last collection in the browser, made again when it is out of date.</translation>
    </message>
    <message>
        <source>Cerca Modem</source>
        <translation>Find modem</translation>
    </message>
    <message>
        <source>Modem Window</source>
        <translation>Modem Window</translation>
    </message>
</context>
<context>
    <name>stazione::ui::ProgressStrip</name>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Pausa del datalogger</source>
        <translation>Logger pause</translation>
    </message>
</context>
<context>
    <name>stazione::ui::Sensori_An</name>
    <message>
        <source>Chiudi</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Da Leggere</source>
        <translation>To be read</translation>
    </message>
    <message>
        <source>Proprietà dei sensori</source>
        <translation>Sensor properties</translation>
    </message>
    <message>
        <source>Nome</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Zero_V/Digits</source>
        <translation>Zero_V/Digits</translation>
    </message>
    <message>
        <source>FS_V/Digits</source>
        <translation>FS_V/Digits</translation>
    </message>
    <message>
        <source>Zero_Fisico</source>
        <translation>Zero_Physical</translation>
    </message>
    <message>
        <source>FS_Fisico</source>
        <translation>FS_Physical</translation>
    </message>
    <message>
        <source>VALUE=((VOLT_OUT-ZERO_VOLT)/(FS_VOLT-ZERO_VOLT))*(FS_PH-ZERO_PH)+ZERO_PH</source>
        <translation>VALUE=((VOLT_OUT-ZERO_VOLT)/(FS_VOLT-ZERO_VOLT))*(FS_PH-ZERO_PH)+ZERO_PH</translation>
    </message>
    <message>
        <source>Le modifiche sui fondi scala non hanno effetto sui sensori a corda vibrante</source>
        <translation>Changes to the full scales have no effect on vibrating-wire sensors</translation>
    </message>
    <message>
        <source>Leggi Parametri dei sensori</source>
        <translation>Read the sensor settings</translation>
    </message>
    <message>
        <source>Scrivi parametri dei sensori</source>
        <translation>Write the sensor settings</translation>
    </message>
</context>
<context>
    <name>stazione::ui::TraceChart</name>
    <message>
        <source>   (puntatore: %1)</source>
        <translation>   (cursor: %1)</translation>
    </message>
</context>
</TS>
