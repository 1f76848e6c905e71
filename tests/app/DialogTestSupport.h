// Helpers for the tests of the station's dialogs.
#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace doravo::testing {

inline QString TextOf(const QAbstractButton* w)
{
    return w->text();
}
inline QString TextOf(const QLabel* w)
{
    return w->text();
}
inline QString TextOf(const QGroupBox* w)
{
    return w->title();
}

// The one child of kind W showing text; null (and a failure) otherwise.
template <class W> W* ChildByText(QWidget* parent, const QString& text)
{
    W* found = nullptr;
    int count = 0;
    for (W* child : parent->findChildren<W*>()) {
        if (TextOf(child) == text) {
            found = child;
            ++count;
        }
    }
    EXPECT_EQ(count, 1) << "child showing " << text.toStdString();
    return count == 1 ? found : nullptr;
}

// A window laid out at its fixed size must not cut its texts: every label
// and button on a shown page gets at least the width its text needs and
// lies inside the window.
inline void ExpectTextsFit(QWidget* window)
{
    window->show();
    window->adjustSize();
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (!child->isVisible())
            continue;
        const auto* label = qobject_cast<QLabel*>(child);
        const auto* button = qobject_cast<QAbstractButton*>(child);
        if (!button && !(label && label->pixmap().isNull()))
            continue;
        const QString text = label ? label->text() : button->text();
        if (label && label->wordWrap())
            EXPECT_GE(child->height(), label->heightForWidth(child->width())) << text.toStdString();
        else
            EXPECT_GE(child->width(), child->minimumSizeHint().width()) << text.toStdString();
        const QRect inWindow(child->mapTo(window, QPoint(0, 0)), child->size());
        EXPECT_TRUE(window->rect().contains(inWindow)) << text.toStdString();
    }
}

} // namespace doravo::testing
