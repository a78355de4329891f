#include "key_contacts.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

namespace klavet {
namespace {

constexpr std::array<KeySource, 4> kSources = {KeySource::Mouse, KeySource::LeftCtrl, KeySource::RightCtrl,
                                               KeySource::SerialPort};

TEST(KeyContacts, TheKeyFollowsTheFirstSourceDownAndTheLastUp) {
    KeyContacts contacts;
    EXPECT_FALSE(contacts.Down());
    EXPECT_EQ(contacts.Set(KeySource::LeftCtrl, true), KeyEdge::Down);
    EXPECT_EQ(contacts.Set(KeySource::Mouse, true), KeyEdge::None);
    EXPECT_EQ(contacts.Set(KeySource::LeftCtrl, false), KeyEdge::None);
    EXPECT_TRUE(contacts.Down());
    EXPECT_TRUE(contacts.Holds(KeySource::Mouse));
    EXPECT_FALSE(contacts.Holds(KeySource::LeftCtrl));
    EXPECT_EQ(contacts.Set(KeySource::Mouse, false), KeyEdge::Up);
    EXPECT_FALSE(contacts.Down());
}

TEST(KeyContacts, RepeatedChangesOfOneSourceDoNothing) {
    KeyContacts contacts;
    EXPECT_EQ(contacts.Set(KeySource::SerialPort, false), KeyEdge::None);
    EXPECT_EQ(contacts.Set(KeySource::SerialPort, true), KeyEdge::Down);
    EXPECT_EQ(contacts.Set(KeySource::SerialPort, true), KeyEdge::None);
    EXPECT_EQ(contacts.Set(KeySource::SerialPort, false), KeyEdge::Up);
    EXPECT_EQ(contacts.Set(KeySource::SerialPort, false), KeyEdge::None);
}

// Random changes of all four sources against contacts wired in parallel:
// the key is down exactly while one is closed, the edges alternate starting
// with a key down, and an edge comes exactly when the parallel circuit
// changes.
TEST(KeyContacts, BehaveAsContactsInParallelUnderRandomChanges) {
    for (unsigned seed = 1; seed <= 50; ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<std::size_t> pick(0, kSources.size() - 1);
        std::bernoulli_distribution close(0.5);
        KeyContacts contacts;
        std::array<bool, 4> wired{};
        KeyEdge last = KeyEdge::Up;
        for (int step = 0; step < 2000; ++step) {
            const std::size_t source = pick(random);
            const bool closed = close(random);
            const bool before = wired[0] || wired[1] || wired[2] || wired[3];
            wired[source] = closed;
            const bool after = wired[0] || wired[1] || wired[2] || wired[3];

            const KeyEdge edge = contacts.Set(kSources[source], closed);
            ASSERT_EQ(contacts.Down(), after) << "seed " << seed << " step " << step;
            ASSERT_EQ(contacts.Holds(kSources[source]), closed);
            const KeyEdge expected = before == after ? KeyEdge::None : (after ? KeyEdge::Down : KeyEdge::Up);
            ASSERT_EQ(edge, expected) << "seed " << seed << " step " << step;
            if (edge != KeyEdge::None) {
                ASSERT_NE(edge, last);
                last = edge;
            }
        }
    }
}

} // namespace
} // namespace klavet
