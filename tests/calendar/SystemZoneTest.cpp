// The zone a run places floating times and all-day dates in: the system's own, by its IANA name,
// where libical knows it; UTC (the empty name) otherwise.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "calendar/SystemZone.h"

namespace tolvane::calendar {
namespace {

class SystemZone : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ"))
            saved_ = tz;
    }
    void TearDown() override {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
    }

    std::optional<std::string> saved_;
};

TEST_F(SystemZone, TheSystemsZoneByNameWhereLibicalKnowsItElseUtc) {
    setenv("TZ", "Europe/Berlin", 1);
    EXPECT_EQ(systemZoneName(), "Europe/Berlin");
    setenv("TZ", ":America/New_York", 1);
    EXPECT_EQ(systemZoneName(), "America/New_York");
    // A POSIX rule, a name libical does not know, and UTC itself: UTC.
    for (const char* other : {"CET-1CEST,M3.5.0,M10.5.0/3", "Nowhere/Land", "UTC"}) {
        setenv("TZ", other, 1);
        EXPECT_EQ(systemZoneName(), "") << other;
    }
}

}  // namespace
}  // namespace tolvane::calendar
