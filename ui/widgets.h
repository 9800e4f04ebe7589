#pragma once

#include <QKeySequence>
#include <QString>
#include <QStringView>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Building blocks of the windows: every control carries the name the handlers and tests find it by.
namespace stazione::ui {

// The object name of element `index` of a control array: "data_3".
QString indexedName(QStringView base, int index);

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption);
// The window closes with `keys` (Escape for a window opened from another, Ctrl+Q for one whose
// closing ends the program): without a window manager there is no title bar to close it from.
void closeOnKeys(QWidget* window, const QKeySequence& keys);
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption);
QCheckBox* makeCheck(QWidget* parent, const QString& name, const QString& caption);
QGroupBox* makeFrame(QWidget* parent, const QString& name, const QString& title);
QLineEdit* makeEdit(QWidget* parent, const QString& name, const QString& text = {});

// The width a box needs to show `sample` without scrolling.
int boxWidth(const QLineEdit* box, const QString& sample);
// Fixes the box at that width, so that it does not take the row's spare width.
void fixWidth(QLineEdit* box, const QString& sample);

} // namespace stazione::ui
