// Reset of the whole stand-in, for tests.
#include "StandInState.h"
#include "TandemDataReportStandIn.h"
#include "TandemUtilStandIn.h"

namespace tandemstandin {

void ResetAll() {
    detail::ResetPluginsAndShares();
    detail::ResetStringTable();
    detail::ResetSizeUnits();
    detail::ResetMessageBoxes();
    detail::ResetFirewallAndConfig();
    SetReporterPresent(true);
    SetReportFile(std::string());
    ClearReportedEvents();
}

}  // namespace tandemstandin
