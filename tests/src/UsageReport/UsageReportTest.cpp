#include "UsageReport.h"

#include "TandemDataReportStandIn.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

TEST_F(UsageReportTest, IntegersAreSigned32BitNumbers) {
    ReportEvent(UsageEvent::SendFinished, 0xFFFFFFFFu, int32_t{-5}, uint8_t{7}, uint16_t{65535},
                0x80000000u, 2147483647, UserAction::TransferDialogRetry);
    EXPECT_EQ(OnlyValues(), (Texts{"-1", "-5", "7", "65535", "-2147483648", "2147483647", "12"}));
}

TEST_F(UsageReportTest, BooleansAreDigits) {
    ReportEvent(UsageEvent::WlanDisconnectClicked, true, false);
    EXPECT_EQ(OnlyValues(), (Texts{"1", "0"}));
}

TEST_F(UsageReportTest, FloatingValuesUseDefaultStreamFormatting) {
    ReportEvent(UsageEvent::SendFinished, 1234.567, 0.5, 1.5e6, 5.0, 1234.567f, 0.0001234, 10.25f);
    EXPECT_EQ(OnlyValues(),
              (Texts{"1234.57", "0.5", "1.5e+06", "5", "1234.57", "0.0001234", "10.25"}));
}

TEST_F(UsageReportTest, EachValueStartsFromFreshFormatting) {
    // A value formatted after a floating one is not affected by it, and vice versa.
    ReportEvent(UsageEvent::TransferFailed, 0.5, 10, true, 1e7, std::string("text"));
    EXPECT_EQ(OnlyValues(), (Texts{"0.5", "10", "1", "1e+07", "text"}));
}

TEST_F(UsageReportTest, NoValuesReportAnEmptyList) {
    ReportEvent(UsageEvent::PluginModuleInitialized);
    std::vector<ReportedEvent> events = tandemstandin::ReportedEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], (ReportedEvent{ReportedEvent::Event, 7000, {}}));
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
