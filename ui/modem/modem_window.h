#pragma once

#include <QWidget>

#include <array>

class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QRadioButton;

class QVBoxLayout;

namespace stazione::ui {

// The modem window: the directory of the remote stations, the modem's port and the dial commands.
// The 70 station rows sit on seven pages of ten, one frame per page at the same place, and only one
// page shows at a time. The controls are public so that the modem handlers can reach them.
class ModemWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRows = 70;
    static constexpr int kPages = 7;
    static constexpr int kRowsPerPage = kRows / kPages;

    explicit ModemWindow(QWidget* parent = nullptr);

    // The station rows; element i of each array belongs to row i and lies on page i / 10.
    std::array<QRadioButton*, kRows> Sel{};
    std::array<QLineEdit*, kRows> Nome{};
    std::array<QLineEdit*, kRows> Telefono{};
    std::array<QLineEdit*, kRows> Scadenza{};
    std::array<QLineEdit*, kRows> Uldata{}; // "Ultimo Controllo": date of the last good call
    // Beside each date, the outcome of the station's last night collection: a coloured mark with
    // the details in its tooltip; empty when the report holds none.
    std::array<QLabel*, kRows> Raccolta{};

    // The page frames and, on each page, one frame per column (index = page):
    // Frame2 names, Frame4 numbers, Frame5 dates, Frame6 last calls.
    std::array<QGroupBox*, kPages> Centraline{};
    std::array<QGroupBox*, kPages> Frame2{};
    std::array<QGroupBox*, kPages> Frame4{};
    std::array<QGroupBox*, kPages> Frame5{};
    std::array<QGroupBox*, kPages> Frame6{};
    std::array<QRadioButton*, kPages> Primi10{};

    QGroupBox* serialeFrame = nullptr; // "Seriale"
    QLineEdit* SERMODEM = nullptr;     // number of the modem's serial port
    QPushButton* CERCAMODEM = nullptr;
    QPushButton* Rapporto = nullptr;       // the web report of the network
    QGroupBox* modemWindowFrame = nullptr; // "Modem Window"
    QLineEdit* Text1 = nullptr;            // the modem's replies and the progress of a call

    QMenuBar* menuBar = nullptr;
    QAction* Salva = nullptr;
    QAction* Connetti = nullptr;
    QAction* Scarica_Vai = nullptr;
    QAction* Riprova = nullptr;
    QAction* Interrompi = nullptr;

    // The group that keeps one row selected across all pages; a button's id is its row.
    QButtonGroup* selGroup() const { return m_selGroup; }

    // Shows page p (rows 10p to 10p+9) alone and checks its page button.
    void showPage(int p);
    // The mark of a row: `colour` (invalid: no mark) and its tooltip.
    void setCollectionMark(int row, const QColor& colour, const QString& tooltip);

    // Light green for every row's boxes, red for the four boxes of `row`.
    void setSelectedRowColours(int row);
    // Puts the progress of the call's start-up, with its "Annulla", under the status line.
    void setProgressStrip(QWidget* strip);

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QButtonGroup* m_selGroup = nullptr;
    QButtonGroup* m_pageGroup = nullptr;
    QVBoxLayout* m_layout = nullptr;
};

} // namespace stazione::ui
