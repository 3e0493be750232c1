#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace gb::test {

// Drives a window that runs its own modal loop: `open()` starts it (and returns only when it
// closes); once `find()` returns the window, shown and active, `body(window)` runs inside that
// loop. The body must close the window; one still open afterwards fails the test and is closed.
// Returns whether the body ran. A window made before `open()` is found with `[&] { return &w; }`.
template <typename Find, typename Body, typename Open>
bool RunModal(Find find, Body body, Open open)
{
    bool ran = false;
    QTimer poll; // the window may be made by `open()`, so it is looked for until it is up
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* window = find();
        if (!window || !window->isVisible())
            return;
        poll.stop();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        ran = true;
        body(*window);
        if (window->isVisible()) {
            ADD_FAILURE() << "the modal window is still open";
            window->close();
        }
    });
    poll.start();
    open();
    EXPECT_TRUE(ran) << "the modal window never came up";
    return ran;
}

} // namespace gb::test
