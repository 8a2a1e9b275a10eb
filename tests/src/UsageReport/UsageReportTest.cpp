#include "UsageReport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <TandemDataReportStandIn.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Vela::Ux {
namespace {

using tandemstandin::ReportedEvent;
using Texts = std::vector<std::string>;

class UsageReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        tandemstandin::SetReporterPresent(true);
        tandemstandin::ClearReportedEvents();
    }
    void TearDown() override {
        tandemstandin::SetReporterPresent(true);
        tandemstandin::ClearReportedEvents();
    }

    // The values of the only event reported so far.
    static Texts OnlyValues() {
        std::vector<ReportedEvent> events = tandemstandin::ReportedEvents();
        EXPECT_EQ(events.size(), 1u);
        return events.empty() ? Texts{} : events[0].values;
    }
};

// Integers as signed 32-bit numbers, booleans as digits, floating values in the default stream
// format, each value from fresh formatting whatever came before it, and no values at all.
TEST_F(UsageReportTest, ValuesAreFormattedOneByOne) {
    const struct Case {
        void (*report)();
        Texts values;
    } cases[] = {
        {[] {
             ReportEvent(UsageEvent::SendFinished, 0xFFFFFFFFu, int32_t{-5}, uint8_t{7},
                         uint16_t{65535}, 0x80000000u, 2147483647, UserAction::TransferDialogRetry);
         },
         {"-1", "-5", "7", "65535", "-2147483648", "2147483647", "12"}},
        {[] { ReportEvent(UsageEvent::WlanDisconnectClicked, true, false); }, {"1", "0"}},
        {[] {
             ReportEvent(UsageEvent::SendFinished, 1234.567, 0.5, 1.5e6, 5.0, 1234.567f, 0.0001234,
                         10.25f);
         },
         {"1234.57", "0.5", "1.5e+06", "5", "1234.57", "0.0001234", "10.25"}},
        {[] { ReportEvent(UsageEvent::TransferFailed, 0.5, 10, true, 1e7, std::string("text")); },
         {"0.5", "10", "1", "1e+07", "text"}},
        {[] { ReportEvent(UsageEvent::PluginModuleInitialized); }, {}},
    };
    for (const Case& c : cases) {
        tandemstandin::ClearReportedEvents();
        c.report();
        EXPECT_EQ(OnlyValues(), c.values) << ::testing::PrintToString(c.values);
    }
}

TEST_F(UsageReportTest, ReportValuesGoesToTheGivenReporterOnly) {
    ReportValues(TandemDataReportClass::GetInstance(), static_cast<TandemReportTypeEnum>(7008),
                 UserAction::SendFromContextMenu);
    ReportValues(nullptr, static_cast<TandemReportTypeEnum>(7008), 1);
    EXPECT_EQ(tandemstandin::ReportedEvents(),
              (std::vector<ReportedEvent>{{ReportedEvent::Event, 7008, {"5"}}}));
}

TEST_F(UsageReportTest, DurationRecordsOpenAndClose) {
    RecordBegin(UsageEvent::PluginStartupDuration);
    RecordEnd(UsageEvent::PluginStartupDuration);
    EXPECT_EQ(tandemstandin::ReportedEvents(),
              (std::vector<ReportedEvent>{{ReportedEvent::Begin, 7006, {}},
                                          {ReportedEvent::End, 7006, {}}}));
}

TEST_F(UsageReportTest, NothingIsReportedWithoutAReporter) {
    tandemstandin::SetReporterPresent(false);
    ReportEvent(UsageEvent::PluginStarted);
    ReportEvent(UsageEvent::UserAction, UserAction::ReceiveDialogAccept);
    RecordBegin(UsageEvent::PluginShutdownDuration);
    RecordEnd(UsageEvent::PluginShutdownDuration);
    EXPECT_TRUE(tandemstandin::ReportedEvents().empty());
}

}  // namespace
}  // namespace Vela::Ux
