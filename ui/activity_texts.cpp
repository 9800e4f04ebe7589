#include "ui/activity_texts.h"

#include "session/operations.h"
#include "ui/form1.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>

namespace stazione::ui {

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(stazione::ui::ActivityTexts)
};

QString yesNo(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return Texts::tr("sì");
    case Qt::Unchecked:
        return Texts::tr("no");
    default:
        return Texts::tr("indeterminato");
    }
}

// The texts of the boxes that hold the value, in `format` (blank-separated without one).
QString shown(Form1& form, const session::Operation& row)
{
    if (!row.boxes)
        return {};
    QStringList values;
    for (const QString& name : QString::fromUtf8(row.boxes).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QObject* box = form.findChild<QObject*>(name);
        if (const auto* check = qobject_cast<const QCheckBox*>(box))
            values << yesNo(check);
        else if (const auto* edit = qobject_cast<const QLineEdit*>(box))
            values << edit->text();
    }
    if (!row.format)
        return values.join(QLatin1Char(' '));
    // %1 to %9 in one pass, so that a value holding "%2" stays as it is.
    const QString format = Texts::tr(row.format);
    QString text;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const int n = i + 1 < format.size() ? format[i + 1].digitValue() : -1;
        if (format[i] == QLatin1Char('%') && n >= 1 && n <= values.size()) {
            text += values[n - 1];
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}

const session::Operation* rowOf(const QString& control)
{
    if (const session::Operation* row = session::findOperation(control); row && row->subject)
        return row;
    for (const session::Operation& row : session::otherWindowOperations()) {
        if (control == QString::fromUtf8(row.control))
            return &row;
    }
    return nullptr;
}

} // namespace

ActivityText activityText(Form1& form, const QObject* control)
{
    if (const session::Operation* row = rowOf(control->objectName()))
        return {Texts::tr(row->subject),
                [&form, row] { return Texts::tr(row->done).arg(shown(form, *row)); }};
    // A control of another window: its caption says what it does.
    QString caption = control->objectName();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        caption = button->text().remove(QLatin1Char('&'));
    return {caption, [caption] { return caption + Texts::tr(": fatto"); }};
}

} // namespace stazione::ui
