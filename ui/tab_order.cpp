#include "ui/tab_order.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLayout>
#include <QWidget>

#include <algorithm>
#include <functional>

namespace stazione::ui {

namespace {

// A control the keyboard stops at by itself (not a part of a composite control).
bool stopsHere(QWidget* w, QWidget* page)
{
    if (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy() != nullptr || w->isWindow())
        return false;
    for (QWidget* a = w->parentWidget(); a != nullptr && a != page; a = a->parentWidget()) {
        if (qobject_cast<QAbstractItemView*>(a) || qobject_cast<QComboBox*>(a) ||
            qobject_cast<QAbstractSpinBox*>(a))
            return false;
    }
    return true;
}

// The frame a control belongs to: its nearest group box below the page, else the page.
QWidget* frameOf(QWidget* w, QWidget* page)
{
    for (QWidget* a = w->parentWidget(); a != nullptr && a != page; a = a->parentWidget()) {
        if (qobject_cast<QGroupBox*>(a))
            return a;
    }
    return page;
}

// Reading order of rectangles: rows first (two rectangles share a row when their vertical centres
// are closer than half the smaller height), then left to right.
template<class T> void sortByRows(QList<T>& items, const std::function<QRect(const T&)>& rectOf)
{
    std::stable_sort(items.begin(), items.end(),
                     [&](const T& a, const T& b) { return rectOf(a).center().y() < rectOf(b).center().y(); });
    QList<QList<T>> rows;
    int rowCentre = 0;
    int rowHeight = 0;
    for (const T& item : items) {
        const QRect r = rectOf(item);
        if (rows.isEmpty() || r.center().y() - rowCentre > std::max(4, std::min(rowHeight, r.height()) / 2)) {
            rows.append(QList<T>());
            rowCentre = r.center().y();
            rowHeight = r.height();
        }
        rows.last().append(item);
    }
    items.clear();
    for (QList<T>& row : rows) {
        std::stable_sort(row.begin(), row.end(),
                         [&](const T& a, const T& b) { return rectOf(a).x() < rectOf(b).x(); });
        items += row;
    }
}

} // namespace

void orderTabsByRows(QWidget* page)
{
    if (page->layout())
        page->layout()->activate();
    for (QGroupBox* frame : page->findChildren<QGroupBox*>()) {
        if (frame->layout())
            frame->layout()->activate();
    }
    QList<QWidget*> frames;
    QList<QWidget*> controls;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!stopsHere(w, page))
            continue;
        controls.append(w);
        QWidget* frame = frameOf(w, page);
        if (!frames.contains(frame))
            frames.append(frame);
    }
    auto rectInPage = [page](QWidget* const& w) {
        return w == page ? QRect(QPoint(0, 0), page->size()) : QRect(w->mapTo(page, QPoint(0, 0)), w->size());
    };
    // The page's own controls (outside any frame) count as a frame of their own where they stand:
    // each is placed among the frames by its position.
    QList<QWidget*> blocks;
    for (QWidget* frame : frames) {
        if (frame != page)
            blocks.append(frame);
    }
    for (QWidget* w : controls) {
        if (frameOf(w, page) == page)
            blocks.append(w);
    }
    sortByRows<QWidget*>(blocks, rectInPage);

    QWidget* previous = nullptr;
    auto chain = [&previous](QWidget* next) {
        if (previous)
            QWidget::setTabOrder(previous, next);
        previous = next;
    };
    for (QWidget* block : blocks) {
        if (!qobject_cast<QGroupBox*>(block) || controls.contains(block)) {
            chain(block);
            continue;
        }
        QList<QWidget*> inFrame;
        for (QWidget* w : controls) {
            if (frameOf(w, page) == block)
                inFrame.append(w);
        }
        sortByRows<QWidget*>(inFrame, rectInPage);
        for (QWidget* w : inFrame)
            chain(w);
    }
}

} // namespace stazione::ui
