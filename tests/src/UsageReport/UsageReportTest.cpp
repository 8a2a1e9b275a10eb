#include "UsageReport.h"

#include <gtest/gtest.h>
#include <TandemDataReportStandIn.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Vela::Ux {
namespace {

using tandemstandin::ReportedEvent;
using Events = std::vector<ReportedEvent>;

ReportedEvent Event(int32_t code, std::vector<std::string> values = {}) {
    return {ReportedEvent::Event, code, std::move(values)};
}

class UsageReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        tandemstandin::SetReporterPresent(true);
        tandemstandin::ClearReportedEvents();
    }
    void TearDown() override { SetUp(); }
};

// Integers as signed 32-bit numbers, booleans as digits, floating values in the default stream
// format, each value from fresh formatting whatever came before it, and no values at all; a
// reporter given by the caller, and duration records. Without a reporter none of it is reported.
TEST_F(UsageReportTest, ValuesAreFormattedOneByOneAndNothingGoesOutWithoutAReporter) {
    const struct Case {
        void (*report)();
        Events events;
    } cases[] = {
        {[] {
             ReportEvent(UsageEvent::SendFinished, 0xFFFFFFFFu, int32_t{-5}, uint8_t{7},
                         uint16_t{65535}, 0x80000000u, 2147483647, UserAction::TransferDialogRetry);
         },
         {Event(7013, {"-1", "-5", "7", "65535", "-2147483648", "2147483647", "12"})}},
        {[] { ReportEvent(UsageEvent::WlanDisconnectClicked, true, false); },
         {Event(10009, {"1", "0"})}},
        {[] {
             ReportEvent(UsageEvent::SendFinished, 1234.567, 0.5, 1.5e6, 5.0, 1234.567f, 0.0001234,
                         10.25f);
         },
         {Event(7013, {"1234.57", "0.5", "1.5e+06", "5", "1234.57", "0.0001234", "10.25"})}},
        {[] { ReportEvent(UsageEvent::TransferFailed, 0.5, 10, true, 1e7, std::string("text")); },
         {Event(1034, {"0.5", "10", "1", "1e+07", "text"})}},
        {[] { ReportEvent(UsageEvent::PluginModuleInitialized); }, {Event(7000)}},
        {[] {
             ReportValues(TandemDataReportClass::GetInstance(),
                          static_cast<TandemReportTypeEnum>(7008), UserAction::SendFromContextMenu);
             ReportValues(nullptr, static_cast<TandemReportTypeEnum>(7008), 1);
         },
         {Event(7008, {"5"})}},
        {[] {
             RecordBegin(UsageEvent::PluginStartupDuration);
             RecordEnd(UsageEvent::PluginShutdownDuration);
         },
         {{ReportedEvent::Begin, 7006, {}}, {ReportedEvent::End, 7007, {}}}},
    };
    for (const Case& c : cases) {
        tandemstandin::ClearReportedEvents();
        c.report();
        EXPECT_EQ(tandemstandin::ReportedEvents(), c.events)
            << ::testing::PrintToString(c.events[0].values);
    }
    tandemstandin::ClearReportedEvents();
    tandemstandin::SetReporterPresent(false);
    for (const Case& c : cases) {
        c.report();
    }
    EXPECT_TRUE(tandemstandin::ReportedEvents().empty());
}

}  // namespace
}  // namespace Vela::Ux
