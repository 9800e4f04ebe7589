#pragma once

#include "session/activity.h"

#include <QColor>
#include <QWidget>

class QListWidget;
class QPushButton;

namespace stazione::ui {

// The activity of the session as a list, newest last, failures in red and refusals in orange.
// It can be cleared and copied; the list follows the newest line unless the operator scrolled up.
class ActivityPane : public QWidget {
    Q_OBJECT

public:
    explicit ActivityPane(session::Activity& activity, QWidget* parent = nullptr);

    QListWidget* Attivita = nullptr;
    QPushButton* Pulisci = nullptr;
    QPushButton* Copia = nullptr;

    // All lines as text, one a line, as Copia puts them on the clipboard.
    QString text() const;

    static const QColor kFailed;
    static const QColor kRefused;
    static const QColor kCancelled;

private:
    void append(const session::Activity::Entry& entry);

    session::Activity& m_activity;
};

} // namespace stazione::ui
