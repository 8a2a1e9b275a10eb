// Resets of the stand-in's parts, called by tandemstandin::ResetAll.
#pragma once

namespace tandemstandin {
namespace detail {

void ResetStringTable();
void ResetSizeUnits();
void ResetMessageBoxes();
void ResetFirewallAndConfig();
void ResetPluginsAndShares();

}  // namespace detail
}  // namespace tandemstandin
