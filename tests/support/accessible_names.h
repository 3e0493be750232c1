#pragma once

#include <QAbstractButton>
#include <QAccessible>
#include <QRegularExpression>
#include <QWidget>

namespace gb::test {

// The controls of `window` that a screen reader can land on or press (buttons that take no focus
// included) but would read out with no name, or one without a letter ("<", "..."), by object
// name and class.
inline QStringList UnnamedControls(const QWidget& window)
{
    QStringList unnamed;
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (control->focusPolicy() == Qt::NoFocus && !qobject_cast<QAbstractButton*>(control))
            continue;
        const QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
        if (!face || !face->text(QAccessible::Name).contains(QRegularExpression("\\w")))
            unnamed += control->objectName() + " " + control->metaObject()->className();
    }
    return unnamed;
}

} // namespace gb::test
