// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Acceptance.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>

namespace quaverly {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Names the row in test listings instead of dumping its bytes.
template <class Row>
    requires requires(const Row &row) { row.name; }
std::ostream &operator<<(std::ostream &os, const Row &row)
{
    return os << row.name;
}

struct AcceptRow {
    const char *name;
    float frequency;
    float raw;
    bool accepted;
    float after;
};

class AcceptFrequency : public ::testing::TestWithParam<AcceptRow> {};

TEST_P(AcceptFrequency, AveragesSmallStepsAndTakesJumps)
{
    const AcceptRow &row = GetParam();
    float frequency = row.frequency;
    float raw = row.raw;
    EXPECT_EQ(acceptFrequency(frequency, raw), row.accepted);
    EXPECT_EQ(frequency, row.after);
    EXPECT_TRUE(row.accepted ? raw == 0.0f : raw == row.raw || raw != raw) << "mailbox holds " << raw;
}

INSTANTIATE_TEST_SUITE_P(Readings, AcceptFrequency, ::testing::Values(
    AcceptRow{"SmallStepIsAveraged", 444.0f, 445.0f, true, 444.5f},
    AcceptRow{"LargeStepIsTaken", 444.0f, 450.0f, true, 450.0f},
    AcceptRow{"JustInsideOnePercent", 400.0f, 403.9f, true, (400.0f + 403.9f) * 0.5f},
    AcceptRow{"JustOutsideOnePercent", 400.0f, 404.1f, true, 404.1f},
    AcceptRow{"DownwardStepIsAveraged", 400.0f, 396.1f, true, (400.0f + 396.1f) * 0.5f},
    AcceptRow{"LowestLimitIsRefused", 440.0f, 26.717f, false, 440.0f},
    AcceptRow{"JustAboveLowest", 440.0f, 26.72f, true, 26.72f},
    // The float nearest 4311.76 lies below it, and the test runs in double.
    AcceptRow{"HighestLimitFloatIsBelowIt", 440.0f, 4311.76f, true, 4311.76f},
    AcceptRow{"NextFloatIsRefused", 440.0f, 4311.7603f, false, 440.0f},
    AcceptRow{"EmptyMailbox", 440.0f, 0.0f, false, 440.0f}, AcceptRow{"NaNReading", 440.0f, kNaN, false, 440.0f},
    // A broken current value must not stick.
    AcceptRow{"NaNCurrentIsReplaced", kNaN, 440.0f, true, 440.0f},
    AcceptRow{"ZeroCurrentIsReplaced", 0.0f, 440.0f, true, 440.0f}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace quaverly
