#pragma once

#include <QWidget>

namespace stazione::ui {

// The splash window shown while the program starts.
class Ini : public QWidget {
    Q_OBJECT

public:
    explicit Ini(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace stazione::ui
