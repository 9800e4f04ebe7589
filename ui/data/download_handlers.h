#pragma once

#include "ui/handler.h"

#include <QDate>

#include <memory>

class QAbstractFileIconProvider;
class QFileSystemModel;
class QSortFilterProxyModel;

namespace stazione::data {

// The tab "ACQUISIZ. DATI": the folder and file choosers and the two downloads.
class DownloadHandlers : public ui::MainWindowHandler {
    Q_OBJECT

public:
    DownloadHandlers(session::Session& session, ui::Form1& form, ui::Dialogs& dialogs,
                     QObject* parent = nullptr);
    ~DownloadHandlers() override;

    Q_INVOKABLE link::Status Acquisisci();      // the recorded data into the sensor data file
    Q_INVOKABLE link::Status Acquisisci_Temp(); // the counted download into the temperature file

    // The choosers: a volume, a folder on it, a file in the folder.
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click(const QModelIndex& index);
    // Shows a folder in the choosers, as if the operator had picked it.
    void chooseFolder(const QString& folder);

    // "Grafici": the file just written, else the file picked in the list, else nothing (the
    // viewer then offers "Apri...").
    void Grafico_Click();
    QString lastWritten() const { return m_lastWritten; }

    // The date the file names carry (today, unless a test says otherwise).
    void setToday(const QDate& date) { m_today = date; }

    // "Scarico dei dati: 1200 righe, 45.3 kB, 0.95 kB/s, 00:48"; with the number of records the
    // memory counters promise, "Scarico dei dati: 1200 di 4800 righe (25%), 45.3 kB, 0.95 kB/s,
    // 00:48, tempo rimasto 02:24".
    static QString downloadProgressText(qint64 lines, qint64 bytes, qint64 elapsedMs, qint64 expected = 0);
    // The records in the logger's memory by the counters read at connection (possible less
    // available); 0 when the boxes do not tell.
    qint64 expectedRecords() const;

private:
    QDate today() const { return m_today.isValid() ? m_today : QDate::currentDate(); }
    QString folder() const;
    void fillDrives();
    // A download that stopped early, as its outcome: why, and `saved` (what was kept) when its
    // file `kept` is the .part that holds it.
    link::Error stopped(link::Error why, const QString& kept, const QString& saved);
    // A download that came whole: a beep, the `checks` it passed said in turn, "Registrazione
    // eseguita" and a second beep, the buttons back, and after a second the file's `name`.
    link::Status finished(const QString& name, const QStringList& checks = {});

    QFileSystemModel* m_folders;
    QFileSystemModel* m_files;
    QSortFilterProxyModel* m_tree; // m_folders as the tree shows it
    std::unique_ptr<QAbstractFileIconProvider> m_icons;
    QDate m_today;
    QString m_lastWritten;

signals:
    void chartRequested(const QString& path);
};

} // namespace stazione::data
