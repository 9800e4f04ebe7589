#include "ui/handler.h"

#include "session/operations.h"
#include "session/session.h"
#include "ui/activity_texts.h"
#include "ui/colours.h"
#include "ui/dialogs.h"
#include "ui/form1.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QTimer>
#include <QVariant>

namespace stazione::ui {

namespace {

// Kept on the window itself: several handlers write results into one title.
constexpr const char* kOwnTitle = "stazioneOwnTitle";
constexpr const char* kResultTitle = "stazioneResultTitle";
constexpr const char* kResultNumber = "stazioneResultNumber";
int g_resultCaptionMs = MainWindowHandler::kResultCaptionMs;

class PressFilter : public QObject {
public:
    PressFilter(QCheckBox* box, std::function<void()> action)
        : QObject(box)
        , m_action(std::move(action))
    {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                m_action();
            return true;
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_Space && key->key() != Qt::Key_Select)
                return false;
            if (event->type() == QEvent::KeyPress && !key->isAutoRepeat())
                m_action();
            return true;
        }
        default:
            return false;
        }
    }

private:
    std::function<void()> m_action;
};

} // namespace

MainWindowHandler::MainWindowHandler(session::Session& session, Form1& form, Dialogs& dialogs,
                                     QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_form(form)
    , m_dialogs(dialogs)
    , m_window(&form)
{
    // The next exchange gives the windows their own titles back: a result stands for its write.
    connect(&session.guard(), &session::ExchangeGuard::started, this, [this] {
        restoreTitle(&m_form);
        restoreTitle(m_window);
    });
}

void MainWindowHandler::report(const link::Status& outcome)
{
    if (!outcome)
        reportError(m_dialogs, m_window, outcome.error());
}

void MainWindowHandler::setCaption(const QString& text)
{
    setCaption(m_window, text);
}

void MainWindowHandler::setResultCaptionTime(int ms)
{
    g_resultCaptionMs = ms;
}

void MainWindowHandler::setCaption(QWidget* window, const QString& text)
{
    if (text == kParameterRefused)
        m_refused = true;
    const QString shown = text == kParameterSent      ? parameterSent()
                          : text == kParameterRefused ? parameterRefused()
                                                      : text;
    // The title the window had before this run of results: the model of the logger.
    if (window->windowTitle() != window->property(kResultTitle).toString())
        window->setProperty(kOwnTitle, window->windowTitle());
    window->setProperty(kResultTitle, shown);
    window->setWindowTitle(shown);
    // Only the last result's timer puts the title back.
    const int number = window->property(kResultNumber).toInt() + 1;
    window->setProperty(kResultNumber, number);
    QTimer::singleShot(g_resultCaptionMs, window, [window, number] {
        if (window->property(kResultNumber).toInt() == number)
            restoreTitle(window);
    });
}

void restoreTitle(QWidget* window)
{
    const QVariant own = window->property(kOwnTitle);
    if (own.isValid() && window->windowTitle() == window->property(kResultTitle).toString())
        window->setWindowTitle(own.toString());
    window->setProperty(kResultTitle, QVariant());
}

void MainWindowHandler::run(const QObject* control, const std::function<link::Status()>& operation)
{
    // An operation that another one calls outside its waits joins it; its cancel is the outer one's.
    const bool outermost = !m_session.guard().busy();
    const auto exchange = m_session.guard().begin();
    if (!exchange) {
        refuse(control);
        return;
    }
    if (outermost) {
        m_refused = false;
        link().clearAbort();
    }
    const link::Status outcome = operation();
    record(control, outcome);
    report(outcome);
}

void MainWindowHandler::refuse(const QObject* control)
{
    m_dialogs.beep();
    m_session.activity().add(activityText(m_form, control).subject +
                                 tr(": rifiutato, è in corso un altro scambio"),
                             session::Activity::Outcome::Refused);
}

void MainWindowHandler::record(const QObject* control, const link::Status& outcome)
{
    const ActivityText text = activityText(m_form, control);
    if (!outcome) {
        m_session.activity().failed(text.subject, outcome.error());
        // The title bar must not keep the success of an earlier write; like any result, the
        // refusal gives the window its own title back with the next exchange.
        if (outcome.error().kind == link::ErrorKind::Refused && m_window)
            setCaption(m_window, kParameterRefused);
    } else if (m_refused)
        m_session.activity().add(text.subject + QStringLiteral(": ") + parameterRefused(),
                                 session::Activity::Outcome::Refused);
    else
        m_session.activity().add(text.done());
    m_refused = false;
}

link::Link& MainWindowHandler::link()
{
    return m_session.link();
}

void MainWindowHandler::onClick(QAbstractButton* button, std::function<link::Status()> operation)
{
    connect(button, &QAbstractButton::clicked, this,
            [this, button, operation = std::move(operation)] { run(button, operation); });
}

void MainWindowHandler::wire()
{
    const QMetaObject* meta = metaObject();
    const auto method = [meta](const char* name, const char* arguments) {
        const QByteArray signature = QByteArray(name) + arguments;
        const int index = meta->indexOfMethod(signature.constData());
        return index < 0 ? QMetaMethod() : meta->method(index);
    };
    // Runs the method; one that returns nothing cannot fail. A method that could not be called
    // is a failure, never an operation done.
    const auto invoke = [this](const QMetaMethod& m, auto... arguments) -> link::Status {
        link::Status status;
        const bool called =
            m.returnMetaType() == QMetaType::fromType<void>()
                ? m.invoke(this, Qt::DirectConnection, arguments...)
                : m.invoke(this, Qt::DirectConnection, Q_RETURN_ARG(link::Status, status), arguments...);
        if (!called)
            return link::Error::data(
                QStringLiteral("%1 could not be run").arg(QString::fromLatin1(m.name())));
        return status;
    };
    for (const session::Operation& row : session::operations()) {
        if (row.kind != session::Kind::Exchange || !row.run)
            continue;
        auto* control = m_form.findChild<QAbstractButton*>(QString::fromUtf8(row.control));
        if (!control)
            continue;
        if (const QMetaMethod m = method(row.run, "()"); m.isValid()) {
            onClick(control, [invoke, m] { return invoke(m); });
        } else if (const QMetaMethod m = method(row.run, "(bool)"); m.isValid()) {
            if (auto* box = qobject_cast<QCheckBox*>(control))
                onPress(box, [invoke, m](bool checked) { return invoke(m, Q_ARG(bool, checked)); });
        } else if (const QMetaMethod m = method(row.run, "(int)"); m.isValid()) {
            const QString name = control->objectName();
            const int index = name.mid(name.lastIndexOf(QLatin1Char('_')) + 1).toInt();
            onClick(control, [invoke, m, index] { return invoke(m, Q_ARG(int, index)); });
        }
    }
}

void MainWindowHandler::wireQueries()
{
    for (const session::Operation& row : session::operations()) {
        if (row.kind != session::Kind::Query)
            continue;
        auto* control = m_form.findChild<QAbstractButton*>(QString::fromUtf8(row.control));
        auto* box = m_form.findChild<QLineEdit*>(QString::fromUtf8(row.boxes));
        if (!control || !box)
            continue;
        onClick(control, [this, &row, box]() -> link::Status {
            const auto exchange = m_session.guard().hold();
            auto value = session::runQuery(link(), row);
            if (!value)
                return value.error();
            box->setText(*value);
            setBackColour(box, kConfirmed);
            return {};
        });
    }
}

void MainWindowHandler::onPress(QCheckBox* box, std::function<link::Status(bool)> operation)
{
    box->installEventFilter(new PressFilter(box, [this, box, operation = std::move(operation)] {
        if (!box->isEnabled())
            return;
        run(box, [box, &operation] { return operation(box->isChecked()); });
    }));
}

QString parameterSent()
{
    return QCoreApplication::translate("stazione::ui::MainWindowHandler", "Trasmissione parametro OK");
}

QString parameterRefused()
{
    return QCoreApplication::translate("stazione::ui::MainWindowHandler", "Parametro non registrato");
}

void redOnEdit(QLineEdit* box)
{
    QObject::connect(box, &QLineEdit::textEdited, box, [box] { setBackColour(box, kEdited); });
}

void trimOnChange(QLineEdit* box)
{
    QObject::connect(box, &QLineEdit::textChanged, box, [box](const QString& text) {
        const QString trimmed = text.trimmed();
        if (trimmed != text)
            box->setText(trimmed);
    });
}

void setCheckValue(QCheckBox* box, long long value)
{
    box->setCheckState(value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked);
}

int checkValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    default:
        return 2;
    }
}

} // namespace stazione::ui
