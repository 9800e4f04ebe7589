#include "ui/progress_strip.h"

#include "link/link.h"
#include "link/timing.h"
#include "session/progress.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace stazione::ui {

ProgressStrip::ProgressStrip(session::Progress& progress, link::Link& link, QWidget* parent)
    : QWidget(parent)
    , m_progress(progress)
    , m_pauseTimer(new QTimer(this))
    , m_pauseClock(new QElapsedTimer)
{
    setObjectName(QStringLiteral("ProgressStrip"));
    Avanzamento = new QLabel(this);
    Avanzamento->setObjectName(QStringLiteral("Avanzamento"));
    Barra = new QProgressBar(this);
    Barra->setObjectName(QStringLiteral("Barra"));
    Barra->setTextVisible(true);
    Pausa = new QProgressBar(this);
    Pausa->setObjectName(QStringLiteral("Pausa"));
    Pausa->setMaximumHeight(8);
    Pausa->setTextVisible(false);
    Pausa->setRange(0, 1000);
    Pausa->hide();
    // The thin bar says what it measures: the logger's own pause, which no click shortens.
    PausaTesto = new QLabel(tr("Pausa del datalogger"), this);
    PausaTesto->setObjectName(QStringLiteral("PausaTesto"));
    PausaTesto->hide();
    Annulla = new QPushButton(tr("Annulla"), this);
    Annulla->setObjectName(QStringLiteral("Annulla"));
    // The operator is heard during the logger's pauses too.
    link::markAsCancel(Annulla);
    connect(Annulla, &QPushButton::clicked, &progress, &session::Progress::cancel);

    auto* bars = new QVBoxLayout;
    bars->setSpacing(2);
    bars->addWidget(Avanzamento);
    bars->addWidget(Barra);
    auto* pause = new QHBoxLayout;
    pause->addWidget(PausaTesto);
    pause->addWidget(Pausa, 1, Qt::AlignVCenter);
    bars->addLayout(pause);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bars, 1);
    layout->addWidget(Annulla, 0, Qt::AlignBottom);

    m_pauseTimer->setInterval(100);
    connect(m_pauseTimer, &QTimer::timeout, this, [this] {
        const qint64 done = m_pauseClock->elapsed();
        Pausa->setValue(m_pauseMs > 0 ? int(std::min<qint64>(1000, done * 1000 / m_pauseMs)) : 1000);
        if (done >= m_pauseMs) {
            m_pauseTimer->stop();
            Pausa->hide();
            PausaTesto->hide();
        }
    });
    connect(&progress, &session::Progress::changed, this, &ProgressStrip::refresh);
    connect(&progress, &session::Progress::ended, this, &ProgressStrip::refresh);
    connect(&link, &link::Link::pauseStarted, this, &ProgressStrip::startPause);
    refresh();
}

ProgressStrip::~ProgressStrip()
{
    delete m_pauseClock;
}

void ProgressStrip::refresh()
{
    if (!m_progress.active()) {
        m_pauseTimer->stop();
        Pausa->hide();
        PausaTesto->hide();
        hide();
        return;
    }
    Avanzamento->setText(m_progress.text());
    const qint64 maximum = m_progress.maximum();
    if (maximum <= 0) {
        Barra->setRange(0, 0); // it goes on, its end is not known
    } else {
        // QProgressBar counts in int: a count beyond it is shown in thousandths.
        Barra->setRange(0, 1000);
        Barra->setValue(int(std::clamp<qint64>(m_progress.value() * 1000 / maximum, 0, 1000)));
    }
    Barra->setFormat(maximum > 0 ? QStringLiteral("%p%") : QString());
    show();
}

void ProgressStrip::startPause(std::chrono::milliseconds duration)
{
    if (!m_progress.active())
        return;
    m_pauseMs = duration.count();
    m_pauseClock->start();
    Pausa->setValue(0);
    Pausa->show();
    PausaTesto->show();
    m_pauseTimer->start();
}

} // namespace stazione::ui
