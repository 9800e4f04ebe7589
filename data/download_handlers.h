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

    link::Status Acquisisci();      // the recorded data into the sensor data file
    link::Status Acquisisci_Temp(); // the counted download into the temperature file

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

    // "Scarico dei dati: 1200 righe, 45.3 kB, 0.95 kB/s, 00:48".
    static QString downloadProgressText(qint64 lines, qint64 bytes, qint64 elapsedMs);

private:
    QDate today() const { return m_today.isValid() ? m_today : QDate::currentDate(); }
    QString folder() const;
    void fillDrives();
    // What the operator is told when the download could not start or stopped early.
    void reportStopped(const link::Error& why, const QString& saved);

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
