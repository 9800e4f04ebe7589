#include "ui/ini.h"

#include <QLinearGradient>
#include <QPainter>

namespace stazione::ui {

Ini::Ini(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Ini"));
    setWindowTitle(tr("Stazione"));
}

void Ini::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(40, 90, 150));
    sky.setColorAt(1, QColor(150, 200, 230));
    p.fillRect(rect(), sky);

    // A station on a hill: a mast with its logger box and a rain gauge.
    const int ground = height() * 3 / 4;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 120, 60));
    p.drawEllipse(QPointF(width() / 2.0, ground + height() * 0.45), width() * 0.8, height() * 0.5);
    p.setPen(QPen(QColor(60, 60, 60), 4));
    const int mast = width() / 2;
    p.drawLine(mast, ground - 4, mast, ground - height() / 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 230, 220));
    p.drawRect(mast + 4, ground - height() / 5, width() / 12, height() / 10);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(mast - width() / 7, ground - height() / 7, width() / 30, height() / 7 - 4);

    p.setPen(Qt::white);
    QFont title = font();
    title.setPointSize(28);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(0, height() / 12, width(), height() / 5), Qt::AlignCenter, QStringLiteral("Stazione"));
    QFont sub = font();
    sub.setPointSize(11);
    p.setFont(sub);
    p.drawText(QRect(0, height() / 12 + height() / 6, width(), height() / 8), Qt::AlignCenter,
               tr("Configurazione e scarico dati dei datalogger"));
}

} // namespace stazione::ui
