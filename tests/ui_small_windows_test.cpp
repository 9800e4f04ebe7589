#include "ui/allarmi_an.h"
#include "ui/colours.h"
#include "ui/sensori_an.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QWidgetItem>

#include <array>
#include <memory>

using stazione::ui::Allarmi_An;
using stazione::ui::Sensori_An;

namespace {

// A 1280x800 screen less a desktop panel and the window's own title bar and borders.
constexpr QSize kUsableScreen(1280 - 16, 800 - 80);

const QString kNotRead = QStringLiteral("Da Leggere");

template<typename T, std::size_t N> QList<QWidget*> widgets(const std::array<T*, N>& array)
{
    return QList<QWidget*>(array.begin(), array.end());
}

template<typename T, std::size_t N> QList<QLineEdit*> boxes(const std::array<T*, N>& array)
{
    return QList<QLineEdit*>(array.begin(), array.end());
}

QList<QLineEdit*> propertyBoxes(const Sensori_An& window)
{
    return boxes(window.NomeCanali) + boxes(window.CA) + boxes(window.CB) + boxes(window.CC) +
           boxes(window.CD);
}

QList<QLineEdit*> alarmBoxes(const Allarmi_An& window)
{
    return boxes(window.CA) + boxes(window.CB) + boxes(window.AllarmeAttivo) +
           boxes(window.SMS_PERSONALIZZATO);
}

// The room QLineEdit leaves for its text: the style's frame and two pixels of its own each side.
int textRoom(const QLineEdit* box)
{
    return box->width() - 2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box) - 4;
}

int centreY(const QWidget* widget)
{
    return widget->geometry().center().y();
}

} // namespace

class SmallWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_sensori = std::make_unique<Sensori_An>();
        m_allarmi = std::make_unique<Allarmi_An>();
    }

    void objectNamesAreUnique_data()
    {
        QTest::addColumn<QWidget*>("window");
        QTest::addColumn<int>("count");
        // 16 numbers, 80 boxes, 5 headings, the formula, the warning, 2 buttons, Chiudi.
        QTest::newRow("Sensori_An") << static_cast<QWidget*>(m_sensori.get()) << 16 + 80 + 5 + 2 + 2 + 1;
        // 4 headings, 16 numbers, 48 boxes, 8 row buttons, the message label, 5 lines, 2 buttons, Chiudi.
        QTest::newRow("Allarmi_An") << static_cast<QWidget*>(m_allarmi.get())
                                    << 4 + 16 + 48 + 8 + 1 + 5 + 2 + 1;
    }

    void objectNamesAreUnique()
    {
        QFETCH(QWidget*, window);
        QFETCH(int, count);
        QSet<QString> seen;
        for (QWidget* widget : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(!widget->objectName().isEmpty(), widget->metaObject()->className());
            QVERIFY2(!seen.contains(widget->objectName()), qPrintable(widget->objectName()));
            seen.insert(widget->objectName());
        }
        QCOMPARE(seen.size(), count);
    }

    void startColours()
    {
        const QColor plain = QLineEdit().palette().color(QPalette::Base);
        for (QLineEdit* box : propertyBoxes(*m_sensori) + alarmBoxes(*m_allarmi))
            QVERIFY2(stazione::ui::backColour(box) == plain, qPrintable(box->objectName()));
    }

    void resetBoxesRestoresTextAndColour()
    {
        Sensori_An window;
        const QList<QLineEdit*> all = propertyBoxes(window);
        QCOMPARE(all.size(), 80);
        const QColor plain = stazione::ui::backColour(all.first());
        QVERIFY(plain != stazione::ui::kEdited && plain != stazione::ui::kConfirmed);
        for (int i = 0; i < all.size(); ++i) {
            all.at(i)->setText(QStringLiteral("value %1").arg(i));
            stazione::ui::setBackColour(all.at(i),
                                        i % 2 == 0 ? stazione::ui::kConfirmed : stazione::ui::kEdited);
        }

        window.resetBoxes();

        for (QLineEdit* box : all) {
            QCOMPARE(box->text(), kNotRead);
            QCOMPARE(stazione::ui::backColour(box), plain);
            QVERIFY2(!box->autoFillBackground(), qPrintable(box->objectName()));
        }
        for (int i = 0; i < 16; ++i)
            QCOMPARE(window.Numero_Canali[i]->text(), QString::number(i));
    }

    // The boxes still work after a reset: an edit is coloured again as any other.
    void resetBoxesKeepsBoxesUsable()
    {
        Sensori_An window;
        window.resetBoxes();
        stazione::ui::setBackColour(window.CC[7], stazione::ui::kEdited);
        QCOMPARE(stazione::ui::backColour(window.CC[7]), stazione::ui::kEdited);
        QVERIFY(window.CC[7]->isEnabled());
        QVERIFY(!window.CC[7]->isReadOnly());
    }

    // Closing only hides the window: it is shown again the next time the operator opens it.
    void closedIsEmitted()
    {
        checkClosed<Sensori_An>();
        if (QTest::currentTestFailed())
            return;
        checkClosed<Allarmi_An>();
    }

    // Sixteen rows fit a 1280x800 screen, each control whole and apart from the others.
    void fitsOnScreen_data()
    {
        QTest::addColumn<QString>("which");
        QTest::newRow("Sensori_An") << QStringLiteral("Sensori_An");
        QTest::newRow("Allarmi_An") << QStringLiteral("Allarmi_An");
    }

    void fitsOnScreen()
    {
        QFETCH(QString, which);
        std::unique_ptr<QWidget> window;
        if (which == QLatin1String("Sensori_An"))
            window = std::make_unique<Sensori_An>();
        else
            window = std::make_unique<Allarmi_An>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));

        QVERIFY(window->frameGeometry().width() <= kUsableScreen.width());
        QVERIFY(window->frameGeometry().height() <= kUsableScreen.height());
        const QSize minimum = window->minimumSizeHint().expandedTo(window->minimumSize());
        QVERIFY(minimum.width() <= kUsableScreen.width());
        QVERIFY(minimum.height() <= kUsableScreen.height());

        for (const QSize size : {window->size(), minimum}) {
            window->resize(size);
            QCoreApplication::processEvents();
            checkChildren(window.get());
            if (QTest::currentTestFailed())
                return;
        }
    }

    void sensoriGrid()
    {
        Sensori_An window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const std::array<const std::array<QLineEdit*, 16>*, 5> columns{&window.NomeCanali, &window.CA,
                                                                       &window.CB, &window.CC, &window.CD};
        const std::array<QString, 5> headings{QStringLiteral("labelNome"), QStringLiteral("labelZero_V"),
                                              QStringLiteral("labelFS_V"), QStringLiteral("labelZero_Fisico"),
                                              QStringLiteral("labelFS_Fisico")};
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const auto* heading = window.findChild<QLabel*>(headings[k]);
            QVERIFY(heading != nullptr);
            checkColumn(*columns[k], heading);
            if (k > 0) {
                QVERIFY((*columns[k])[0]->x() > (*columns[k - 1])[0]->geometry().right());
                // The numbers share one width; the name gets more room than any of them.
                QCOMPARE((*columns[k])[0]->width(), window.CA[0]->width());
                QVERIFY(window.NomeCanali[0]->width() > (*columns[k])[0]->width());
            }
        }
        for (int i = 0; i < 16; ++i) {
            QVERIFY(window.Numero_Canali[i]->geometry().right() < window.NomeCanali[i]->x());
            for (const auto* column : columns)
                QVERIFY(qAbs(centreY((*column)[i]) - centreY(window.Numero_Canali[i])) <= 1);
        }
        for (QLineEdit* box : propertyBoxes(window)) {
            QVERIFY2(textRoom(box) >= box->fontMetrics().horizontalAdvance(kNotRead),
                     qPrintable(box->objectName()));
        }

        // The formula and the warning come after the table, the buttons after them.
        auto* formula = window.findChild<QLabel*>(QStringLiteral("labelFormula"));
        auto* warning = window.findChild<QLabel*>(QStringLiteral("labelAvviso"));
        QVERIFY(formula && warning);
        QVERIFY(formula->y() > window.NomeCanali[15]->geometry().bottom());
        QVERIFY(warning->y() > formula->geometry().bottom());
        QVERIFY(window.Leggi_prop->y() > warning->geometry().bottom());
        QVERIFY(window.ScriviProp->y() > warning->geometry().bottom());
    }

    // The warning must not read like the formula above it.
    void warningStandsOut()
    {
        Sensori_An window;
        auto* formula = window.findChild<QLabel*>(QStringLiteral("labelFormula"));
        auto* warning = window.findChild<QLabel*>(QStringLiteral("labelAvviso"));
        QVERIFY(formula && warning);
        const bool bolder = warning->font().bold() && !formula->font().bold();
        const bool coloured =
            warning->palette().color(QPalette::WindowText) != formula->palette().color(QPalette::WindowText);
        QVERIFY(bolder || coloured);
    }

    void allarmiGrid()
    {
        Allarmi_An window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        checkColumn(window.CA, window.Label1[1]);
        checkColumn(window.CB, window.Label1[2]);
        checkColumn(window.AllarmeAttivo, window.Label1[3]);
        QVERIFY(window.CB[0]->x() > window.CA[0]->geometry().right());
        QVERIFY(window.AllarmeAttivo[0]->x() > window.CB[0]->geometry().right());
        for (int i = 0; i < 16; ++i) {
            QVERIFY(window.Numero_Canali[i]->geometry().right() < window.CA[i]->x());
            QVERIFY(window.Numero_Canali[i]->y() > window.Label1[0]->geometry().bottom());
            for (const QLineEdit* box : {window.CA[i], window.CB[i], window.AllarmeAttivo[i]}) {
                QVERIFY(qAbs(centreY(box) - centreY(window.Numero_Canali[i])) <= 1);
                QVERIFY2(textRoom(box) >= box->fontMetrics().horizontalAdvance(kNotRead),
                         qPrintable(box->objectName()));
            }
        }
        for (int k = 1; k < 4; ++k) {
            QVERIFY(window.Leggi_all[k]->y() > window.Leggi_all[k - 1]->geometry().bottom());
            QCOMPARE(centreY(window.ScriviAll[k]), centreY(window.Leggi_all[k]));
        }
    }

    // A personal line is announced as 25 characters; the box shows that many, and takes more whole.
    void personalLines()
    {
        Allarmi_An window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString line25(25, u'X');
        const QString longLine = QStringLiteral("ALLARME LIVELLO POZZO NORD, SOGLIA SUPERATA");
        for (QLineEdit* box : window.SMS_PERSONALIZZATO) {
            QVERIFY2(textRoom(box) >= box->fontMetrics().horizontalAdvance(line25),
                     qPrintable(box->objectName()));
            // Not much wider either: the line's length should show at a glance.
            QVERIFY2(textRoom(box) < box->fontMetrics().horizontalAdvance(QString(45, u'X')),
                     qPrintable(box->objectName()));
            box->setText(longLine);
            QCOMPARE(box->text(), longLine);
            QTest::keyClick(box, Qt::Key_End);
            QTest::keyClicks(box, QStringLiteral("!!"));
            QCOMPARE(box->text(), longLine + QStringLiteral("!!"));
        }
        QVERIFY(window.SMS_PERSONALE->geometry().bottom() < window.SMS_PERSONALIZZATO[0]->y());
        for (int i = 1; i < 5; ++i)
            QVERIFY(window.SMS_PERSONALIZZATO[i]->y() >
                    window.SMS_PERSONALIZZATO[i - 1]->geometry().bottom());
        QVERIFY(window.MESSAGGIO_PERSONALE_LEGGI->y() > window.SMS_PERSONALIZZATO[4]->geometry().bottom());
        QVERIFY(window.MESSAGGIO_PERSONALE_SCRIVI->y() > window.SMS_PERSONALIZZATO[4]->geometry().bottom());
    }

private:
    template<typename Window> static void checkClosed()
    {
        auto owner = std::make_unique<Window>();
        QPointer<Window> window = owner.get();
        QSignalSpy spy(window.data(), &Window::closed);
        QVERIFY(spy.isValid());

        for (int round = 1; round <= 2; ++round) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QVERIFY(window->close());
            QCoreApplication::processEvents();
            QVERIFY2(!window.isNull(), Window::staticMetaObject.className());
            QVERIFY(!window->isVisible());
            QCOMPARE(spy.count(), round);
        }
    }

    // Every control inside the window, at least as large as it needs and covering no other.
    static void checkChildren(QWidget* window)
    {
        QList<QWidget*> children;
        for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisibleTo(window))
                children << child;
        }
        QVERIFY(children.size() > 50);
        for (int i = 0; i < children.size(); ++i) {
            QWidget* child = children.at(i);
            QVERIFY2(window->rect().contains(child->geometry()), qPrintable(child->objectName()));
            const QSize needed = QWidgetItem(child).minimumSize();
            QVERIFY2(child->width() >= needed.width() && child->height() >= needed.height(),
                     qPrintable(child->objectName()));
            for (int j = i + 1; j < children.size(); ++j) {
                QVERIFY2(!child->geometry().intersects(children.at(j)->geometry()),
                         qPrintable(child->objectName() + QLatin1String(" overlaps ") +
                                    children.at(j)->objectName()));
            }
        }
    }

    // A column of sixteen boxes: one below the other in channel order, left edges in line, under
    // their heading.
    static void checkColumn(const std::array<QLineEdit*, 16>& column, const QWidget* heading)
    {
        QVERIFY(heading->geometry().bottom() < column[0]->y());
        QVERIFY(heading->x() >= column[0]->x() - 8);
        QVERIFY(heading->geometry().right() <= column[0]->geometry().right() + 8);
        for (int i = 1; i < 16; ++i) {
            QCOMPARE(column[i]->x(), column[0]->x());
            QCOMPARE(column[i]->width(), column[0]->width());
            QVERIFY(column[i]->y() > column[i - 1]->geometry().bottom());
        }
    }

    std::unique_ptr<Sensori_An> m_sensori;
    std::unique_ptr<Allarmi_An> m_allarmi;
};

QTEST_MAIN(SmallWindowsTest)
#include "ui_small_windows_test.moc"
