#pragma once

#include "data/data_file.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableView;

namespace stazione::data {
class DataTable;
}

namespace stazione::ui {

class Dialogs;
class TraceChart;

// The window that shows a data file: the temperature file and the continuous measurement file as
// a chart of every channel against time and as a table; the sensor data file as the logger's text,
// with the chart and the table as well when its lines read "date time, value, value...".
class DataViewer : public QWidget {
    Q_OBJECT

public:
    explicit DataViewer(Dialogs& dialogs, QWidget* parent = nullptr);
    ~DataViewer() override;

    // Reads and shows the file; false (with the reason in the status line and a message) when it
    // cannot be read. A sensor data file of unknown layout is shown as text and returns true.
    bool openFile(const QString& path);
    QString path() const { return m_path; }
    // Where "Apri..." starts.
    void setFolder(const QString& folder) { m_folder = folder; }

    bool exportPng(const QString& path);
    bool exportCsv(const QString& path);

    QPushButton* cmdApri = nullptr;
    QPushButton* cmdTutto = nullptr;
    QPushButton* cmdEsportaPng = nullptr;
    QPushButton* cmdEsportaCsv = nullptr;
    QPushButton* cmdChiudi = nullptr;
    QTabWidget* tabs = nullptr;
    TraceChart* chart = nullptr;
    QTableView* table = nullptr;
    QPlainTextEdit* text = nullptr;
    QLabel* status = nullptr;
    std::vector<QCheckBox*> channelBoxes;

    QWidget* chartPage = nullptr;
    QWidget* tablePage = nullptr;
    QWidget* textPage = nullptr;

private:
    void Apri_Click();
    void EsportaPng_Click();
    void EsportaCsv_Click();
    void showData(std::shared_ptr<data::DataSet> data);
    void showText(const QString& path);
    void clear();
    QString baseName() const;

    Dialogs& m_dialogs;
    QString m_path;
    QString m_folder;
    QString m_summary; // what the status line shows when the mouse is off the chart
    data::DataTable* m_table = nullptr;
    QWidget* m_boxes = nullptr;
};

// A picture of every channel of `data`, with its title and a legend, `size` pixels: what
// "stazione-cli plot" writes.
QImage chartPicture(std::shared_ptr<const data::DataSet> data, const QString& title, QSize size);

} // namespace stazione::ui
