#include "session/operations.h"
#include "ui/colours.h"
#include "ui/form1.h"
#include "ui/locking.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <QWidgetItem>

#include <array>
#include <memory>

using stazione::ui::Form1;

namespace {

// A 1280x800 screen less a desktop panel and the window's own title bar and borders.
constexpr QSize kUsableScreen(1280 - 16, 800 - 80);

QWidget* pageOf(Form1& form, QWidget* widget)
{
    for (QWidget* ancestor = widget; ancestor != nullptr; ancestor = ancestor->parentWidget()) {
        if (form.SSTab1->indexOf(ancestor) >= 0)
            return ancestor;
    }
    return nullptr;
}

template<typename T, std::size_t N> QList<QWidget*> widgets(const std::array<T*, N>& array)
{
    return QList<QWidget*>(array.begin(), array.end());
}

QStringList numbered(const QString& base, int from, int to)
{
    QStringList names;
    for (int i = from; i <= to; ++i)
        names << QStringLiteral("%1_%2").arg(base).arg(i);
    return names;
}

QStringList designTimeHidden()
{
    return numbered(QStringLiteral("LABCANALI"), 2, 5) + numbered(QStringLiteral("continua"), 2, 5) +
           numbered(QStringLiteral("GPRSLABEL"), 0, 9) + numbered(QStringLiteral("GPRS"), 0, 9) +
           numbered(QStringLiteral("NUMERO_ALLARME_SMS"), 0, 9) + numbered(QStringLiteral("Label6"), 0, 10) +
           QStringList{QStringLiteral("NUMERO_ALLARMI_SMS"), QStringLiteral("LEGGI_GSM"),
                       QStringLiteral("SCRIVI_GSM"), QStringLiteral("Leggi_Allarmi"),
                       QStringLiteral("LeggiGPRS"), QStringLiteral("ScriviGPRS"), QStringLiteral("Rubrica"),
                       QStringLiteral("MostraPassword"),
                       // shown while a modem call holds the line
                       QStringLiteral("InLinea"), QStringLiteral("Riaggancia")};
}

// Every named control the window places: on the window itself, on a tab page or in a frame. The
// parts Qt builds inside its own widgets (scroll buttons, viewports) live elsewhere.
QList<QWidget*> namedWidgets(Form1& form)
{
    QList<QWidget*> named;
    for (QWidget* widget : form.findChildren<QWidget*>()) {
        QWidget* parent = widget->parentWidget();
        const bool placed = parent == &form || form.SSTab1->indexOf(parent) >= 0 ||
                            qobject_cast<QGroupBox*>(parent) != nullptr;
        if (placed && !widget->objectName().isEmpty())
            named << widget;
    }
    return named;
}

// What the six-channel model shows: everything, the notices and the frames it lacks aside.
void showEverything(Form1& form)
{
    for (const QString& name : designTimeHidden())
        form.findChild<QWidget*>(name)->setVisible(true);
    for (QLabel* label : form.nonattivo)
        label->setVisible(false);
}

} // namespace

class Form1Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_form = std::make_unique<Form1>(); }

    // The rows of the operations name controls the window has, one each, of the kind their
    // wiring needs: a row for a control that was renamed or dropped would wire nothing.
    void everyOperationNamesOneControl()
    {
        using stazione::session::Kind;
        for (const auto& row : stazione::session::operations()) {
            const QString name = QString::fromUtf8(row.control);
            const QList<QWidget*> found = m_form->findChildren<QWidget*>(name);
            QVERIFY2(found.size() == 1, qPrintable(name));
            QVERIFY2(qobject_cast<QAbstractButton*>(found.first()), qPrintable(name));
            if (row.kind == Kind::Exchange)
                QVERIFY2(row.run, qPrintable(name));
            if (row.kind == Kind::Query) {
                QVERIFY2(row.query && row.verb && row.summary, qPrintable(name));
                QVERIFY2(m_form->findChild<QLineEdit*>(QString::fromUtf8(row.boxes)), qPrintable(name));
            }
            if (row.boxes) {
                for (const QString& box : QString::fromUtf8(row.boxes).split(QLatin1Char(' ')))
                    QVERIFY2(m_form->findChild<QWidget*>(box), qPrintable(name + QLatin1Char('/') + box));
            }
        }
    }

    // Every button of the window is an operation with a lock decision, and every operation that
    // talks to the logger has the activity pane's texts: without a row the pane would show the
    // caption, and an exchange could leave the button enabled unnoticed.
    void everyButtonHasARowWithTextsAndALock()
    {
        using stazione::session::Kind;
        for (QPushButton* button : m_form->findChildren<QPushButton*>()) {
            if (button->objectName().isEmpty() || qobject_cast<QTabBar*>(button->parentWidget()))
                continue;
            QVERIFY2(stazione::session::findOperation(button->objectName()),
                     qPrintable(button->objectName()));
        }
        for (const auto& row : stazione::session::operations()) {
            const QString name = QString::fromUtf8(row.control);
            QVERIFY2(row.lock != stazione::session::Lock::Undecided, qPrintable(name));
            const bool talks = row.kind == Kind::Exchange || row.kind == Kind::Query;
            if (talks) {
                QVERIFY2(row.subject && row.done, qPrintable(name));
                QVERIFY2(QString::fromUtf8(row.done).contains(QLatin1String("%1")), qPrintable(name));
            }
            // A stop that an exchange switched off could not stop it.
            if (row.kind == Kind::Stop)
                QVERIFY2(row.lock == stazione::session::Lock::StaysOn, qPrintable(name));
        }
    }

    // Locking switches off exactly the controls whose rows say so, and unlocking on again.
    void lockingFollowsTheRows()
    {
        Form1 form;
        stazione::ui::Spegni_Tasti(form);
        for (const auto& row : stazione::session::operations()) {
            auto* control = form.findChild<QWidget*>(QString::fromUtf8(row.control));
            QVERIFY2(control->isEnabled() == (row.lock == stazione::session::Lock::StaysOn),
                     qPrintable(control->objectName()));
        }
        stazione::ui::Accendi_Tasti(form);
        for (const auto& row : stazione::session::operations())
            QVERIFY(form.findChild<QWidget*>(QString::fromUtf8(row.control))->isEnabled());
    }

    void objectNamesAreUnique()
    {
        QSet<QString> seen;
        for (QWidget* widget : namedWidgets(*m_form)) {
            QVERIFY2(!seen.contains(widget->objectName()), qPrintable(widget->objectName()));
            seen.insert(widget->objectName());
        }
        QVERIFY(seen.size() > 150);
    }

    // Exactly the controls that the model adaptation shows start hidden; everything else, the two
    // notices included, is visible on its page.
    void designTimeVisibility()
    {
        Form1& form = *m_form;
        const QStringList hiddenNames = designTimeHidden();
        for (const QString& name : hiddenNames)
            QVERIFY2(form.findChild<QWidget*>(name) != nullptr, qPrintable(name));

        int hiddenSeen = 0;
        for (QWidget* widget : namedWidgets(form)) {
            QWidget* page = pageOf(form, widget);
            QWidget* reference = page != nullptr ? page : &form;
            if (hiddenNames.contains(widget->objectName())) {
                ++hiddenSeen;
                QVERIFY2(widget->isHidden(), qPrintable(widget->objectName()));
                QVERIFY2(!widget->isVisibleTo(reference), qPrintable(widget->objectName()));
            } else {
                QVERIFY2(widget->isVisibleTo(reference), qPrintable(widget->objectName()));
            }
        }
        QCOMPARE(hiddenSeen, hiddenNames.size());

        QVERIFY(form.nonattivo[0]->isVisibleTo(form.SSTab1->widget(7)));
        QVERIFY(form.nonattivo[1]->isVisibleTo(form.SSTab1->widget(6)));
    }

    void startColours()
    {
        Form1& f = *m_form;
        // Values not read yet keep the plain colour: green there would claim the logger confirmed
        // them (the GSM numbers, the phone number, the GPRS settings and the next scan too).
        QList<QWidget*> plain =
            widgets(f.data) + widgets(f.conversione) + widgets(f.MUX) + widgets(f.Prox) + widgets(f.continua);
        plain += widgets(f.NUMERO_ALLARME_SMS) + widgets(f.GPRS) + widgets(f.data_allarme);
        plain << f.NUMERO_ALLARMI_SMS << f.NUMERO_ALLARME_TELEFONO;
        plain << f.preaccensione << f.Nome_Centralina << f.mmpioggia << f.Acq_possibili << f.Nome_File_Dati;
        for (QWidget* box : plain) {
            QVERIFY2(stazione::ui::backColour(box) != stazione::ui::kConfirmed,
                     qPrintable(box->objectName()));
            QVERIFY2(stazione::ui::backColour(box) != stazione::ui::kEdited, qPrintable(box->objectName()));
        }
    }

    // 192 of 8192 free is time to download: the box says so; a memory half free is plain again.
    void aNearlyFullMemoryStandsOut()
    {
        Form1 f;
        f.Acq_possibili->setText("8192");
        f.acq_disponibili->setText("192");
        QCOMPARE(stazione::ui::backColour(f.acq_disponibili), stazione::ui::kMemoryLow);
        QVERIFY(f.acq_disponibili->toolTip().contains("192"));
        f.acq_disponibili->setText("4000");
        QVERIFY(stazione::ui::backColour(f.acq_disponibili) != stazione::ui::kMemoryLow);
        QVERIFY(f.acq_disponibili->toolTip().isEmpty());
        // Read in the other order, or with nothing known, it is the same.
        f.acq_disponibili->setText("800");
        QCOMPARE(stazione::ui::backColour(f.acq_disponibili), stazione::ui::kMemoryLow);
        f.Acq_possibili->setText("");
        QVERIFY(stazione::ui::backColour(f.acq_disponibili) != stazione::ui::kMemoryLow);
    }

    // The two passwords are masked until the operator asks to see them; the other boxes never are.
    void thePasswordsAreMaskedUntilShown()
    {
        Form1 f;
        for (int i = 0; i < 10; ++i) {
            const bool password = i == Form1::kGprsPassword || i == Form1::kFtpPassword;
            QCOMPARE(f.GPRS[size_t(i)]->echoMode(), password ? QLineEdit::Password : QLineEdit::Normal);
        }
        QVERIFY(f.GPRSLABEL[Form1::kGprsPassword]->text().contains("PASSWORD"));
        QVERIFY(f.GPRSLABEL[Form1::kFtpPassword]->text().contains("PASSWORD"));
        f.MostraPassword->setChecked(true);
        QCOMPARE(f.GPRS[Form1::kGprsPassword]->echoMode(), QLineEdit::Normal);
        QCOMPARE(f.GPRS[Form1::kFtpPassword]->echoMode(), QLineEdit::Normal);
        f.MostraPassword->setChecked(false);
        QCOMPARE(f.GPRS[Form1::kFtpPassword]->echoMode(), QLineEdit::Password);
    }

    void smallControls()
    {
        Form1& f = *m_form;
        QVERIFY(!f.ModoAcq->autoExclusive());
        QVERIFY(!f.Image1->pixmap().isNull());
        // Four-digit years get wider boxes than the two-digit parts beside them.
        QVERIFY(f.data[2]->width() > f.data[0]->width());
        QVERIFY(f.data_allarme[2]->width() > f.data_allarme[1]->width());
        QVERIFY(f.Prox[2]->width() > f.Prox[3]->width());
        for (QLineEdit* box : f.data)
            QCOMPARE(box->minimumWidth(), box->maximumWidth());
        for (QLineEdit* box : f.MUX)
            QCOMPARE(box->minimumWidth(), box->maximumWidth());
    }

    void layout_data()
    {
        QTest::addColumn<bool>("everything");
        QTest::newRow("base model") << false;
        QTest::newRow("all controls shown") << true;
    }

    // At the starting size and at the minimum size, both within a 1280x800 screen, every tab shows
    // its controls whole, inside the page and without one covering another.
    void layout()
    {
        QFETCH(bool, everything);
        Form1 form;
        if (everything)
            showEverything(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QVERIFY(form.frameGeometry().width() <= kUsableScreen.width());
        QVERIFY(form.frameGeometry().height() <= kUsableScreen.height());
        const QSize minimum = form.minimumSizeHint().expandedTo(form.minimumSize());
        QVERIFY(minimum.width() <= kUsableScreen.width());
        QVERIFY(minimum.height() <= kUsableScreen.height());
        QVERIFY(form.width() >= minimum.width());
        QVERIFY(form.height() >= minimum.height());

        for (const QSize size : {form.size(), minimum}) {
            form.resize(size);
            for (int tab = 0; tab < form.SSTab1->count(); ++tab) {
                form.SSTab1->setCurrentIndex(tab);
                QCoreApplication::processEvents();
                checkPage(form.SSTab1->widget(tab));
                if (QTest::currentTestFailed())
                    return;
            }
            QVERIFY(form.SSTab1->tabBar()->width() >= form.SSTab1->tabBar()->sizeHint().width());
            QVERIFY(form.rect().contains(form.RIPRISTINA_DA_ERRORI->geometry()));
            QVERIFY(!form.RIPRISTINA_DA_ERRORI->geometry().intersects(form.SSTab1->geometry()));
        }
    }

private:
    static void checkPage(QWidget* page)
    {
        QList<QWidget*> parents{page};
        for (QGroupBox* frame : page->findChildren<QGroupBox*>())
            parents << frame;
        for (QWidget* parent : parents) {
            if (!parent->isVisibleTo(page) && parent != page)
                continue;
            QList<QWidget*> children;
            for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (child->isVisibleTo(page))
                    children << child;
            }
            for (int i = 0; i < children.size(); ++i) {
                QWidget* child = children.at(i);
                const QString name = page->objectName() + QLatin1Char('/') + child->objectName();
                const QRect onPage(child->mapTo(page, QPoint(0, 0)), child->size());
                QVERIFY2(page->rect().contains(onPage), qPrintable(name));
                const QSize needed = QWidgetItem(child).minimumSize();
                QVERIFY2(child->width() >= needed.width() && child->height() >= needed.height(),
                         qPrintable(name));
                for (int j = i + 1; j < children.size(); ++j) {
                    QVERIFY2(!child->geometry().intersects(children.at(j)->geometry()),
                             qPrintable(name + QLatin1String(" overlaps ") + children.at(j)->objectName()));
                }
            }
        }
    }

    std::unique_ptr<Form1> m_form;
};

QTEST_MAIN(Form1Test)
#include "ui_form1_test.moc"
