#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;
class QTableView;

namespace stazione::ui {

// The continuous measurement window: a grid with a row per set of readings, and the session file.
class MisCont : public QWidget {
    Q_OBJECT

public:
    explicit MisCont(QWidget* parent = nullptr);

    QPushButton* cmdStart = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdGraf = nullptr;
    QPushButton* cmdChiudi = nullptr;
    QLineEdit* txtAvviso = nullptr; // what the window is doing while it is not reading
    QTableView* Grid1 = nullptr;

    // Column widths of the grid: the time stamp column, and each channel. The old grid's widths,
    // widened where the font needs more to show a whole time stamp or value.
    int dateColumnWidth() const;
    int channelColumnWidth() const;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace stazione::ui
