// A view refreshed through the throttle shows the first change at once, folds quick changes into
// one refresh per interval, and always ends on the last state.
#include "documents/refresh_throttle.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

using namespace mv;

namespace {

struct Follower {
    int state = 0;       // the source
    QList<int> shown;    // what each refresh showed
    RefreshThrottle throttle{[this] { shown << state; }, 50};
    void change() {
        ++state;
        throttle.request();
    }
    bool settled() { return QTest::qWaitFor([&] { return !shown.isEmpty() && shown.last() == state; }, 1000); }
};

TEST(RefreshThrottle, AChangeAfterAQuietSpellIsShownAtOnce) {
    Follower f;
    f.change();
    EXPECT_EQ(f.shown, QList<int>{1});
    QTest::qWait(120);
    f.change();
    EXPECT_EQ(f.shown, (QList<int>{1, 2}));
    QTest::qWait(120);
    EXPECT_EQ(f.shown, (QList<int>{1, 2})) << "no refresh without a change";
}

TEST(RefreshThrottle, ABurstIsFoldedAndEndsOnTheLastState) {
    Follower f;
    for (int i = 0; i < 1000; ++i) f.change();
    EXPECT_EQ(f.shown, QList<int>{1});
    EXPECT_TRUE(f.throttle.pending());
    ASSERT_TRUE(f.settled());
    EXPECT_EQ(f.shown, (QList<int>{1, 1000}));
}

TEST(RefreshThrottle, AStreamOfChangesIsShownOncePerInterval) {
    Follower f;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 400) {
        f.change();
        QTest::qWait(2);
    }
    ASSERT_TRUE(f.settled());
    // About 400 / 50 refreshes; far fewer than the changes, but more than one: the view moves along.
    EXPECT_GE(f.shown.size(), 3);
    EXPECT_LE(f.shown.size(), 12);
    EXPECT_GT(f.state, f.shown.size());
    for (int i = 1; i < f.shown.size(); ++i) EXPECT_GT(f.shown[i], f.shown[i - 1]);
}

TEST(RefreshThrottle, ACancelledRefreshIsNotShownLater) {
    Follower f;
    f.change();
    f.change();
    f.throttle.cancelPending();
    QTest::qWait(120);
    EXPECT_EQ(f.shown, QList<int>{1});
    f.change();
    EXPECT_EQ(f.shown, (QList<int>{1, 3})) << "the next change after the interval is shown at once";
}

} // namespace
