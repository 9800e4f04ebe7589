#pragma once

#include <QWidget>

#include <functional>

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

    // Asked before the window closes (its close box, Escape, Ctrl+Q): false keeps it open.
    void setCloseCheck(std::function<bool()> check) { m_closeCheck = std::move(check); }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<bool()> m_closeCheck;
};

} // namespace stazione::ui
