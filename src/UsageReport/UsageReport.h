// Usage data events of the plug-in and the convention by which their values become texts.
//
// Every value is written into its own fresh std::stringstream with default flags: integers as
// signed 32-bit numbers (0xFFFFFFFF gives "-1"), booleans as "1" or "0", floating values with
// at most 6 significant digits ("1234.57", "0.5", "1.5e+06"). Reports never fail visibly: with
// no reporter nothing is reported, and the reporter's results are ignored.
#pragma once

#include <TandemDataReport.h>
// ReportEvent is a macro of the Windows API, which renames the function below alike wherever
// it is declared and called.
#include <windows.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace Vela::Ux {

// Event codes the plug-in reports, with their values in order.
enum class UsageEvent : int32_t {
    // direction (0 send, 1 receive), detail code.
    TransferFailed = 1034,
    // 0; the send side was disconnected after a successful transfer.
    SendDisconnectedAfterSuccess = 1035,
    PluginModuleInitialized = 7000,
    PluginModuleUninitialized = 7001,
    PluginInitialized = 7002,
    PluginStarted = 7003,
    PluginStopped = 7004,
    PluginUninitialized = 7005,
    // Duration records: module initialisation to plug-in Initialize, and plug-in Uninitialize
    // to module uninitialisation.
    PluginStartupDuration = 7006,
    PluginShutdownDuration = 7007,
    // One UserAction code.
    UserAction = 7008,
    TransferDialogShown = 7011,
    // source is not 1 (0/1), devTypeIsOne (0/1), share type (0, 1 or 2).
    SendRequested = 7012,
    // result, disconnectCode, devTypeIsOne, share type, average speed in KB/s (floating).
    SendFinished = 7013,
    // 0, failure code, devTypeIsOne, share type, 0.
    ReceiveFailed = 7015,
    // restart clicked (boolean).
    WlanDisconnectClicked = 10009,
};

// The action codes carried by UsageEvent::UserAction.
enum class UserAction : int32_t {
    SendFromContextMenu = 5,
    SendFromOther = 6,
    TransferDialogMinimize = 7,
    TransferDialogClose = 8,
    TransferDialogSystemClose = 9,
    TransferDialogRemoveCurrent = 10,
    TransferDialogRemoveQueued = 11,
    TransferDialogRetry = 12,
    ReceiveDialogAccept = 13,
    ReceiveDialogSave = 14,
    ReceiveDialogRefuse = 15,
    ReceiveDialogWindowClose = 16,
    ReceiveDialogCancel = 17,
    ReceiveDialogOpen = 18,
    ReceiveDialogOpenFolder = 19,
};

// Appends nothing; ends the expansion.
inline void ExpandArgs(std::vector<std::string>& /*values*/) {}

// Appends the text of `value`, then of the rest, in order.
template <typename T, typename... Rest>
void ExpandArgs(std::vector<std::string>& values, const T& value, const Rest&... rest) {
    std::stringstream text;
    if constexpr (std::is_same_v<T, bool>) {
        text << value;
    } else if constexpr (std::is_enum_v<T> || std::is_integral_v<T>) {
        text << static_cast<int32_t>(value);
    } else if constexpr (std::is_floating_point_v<T>) {
        text << value;
    } else {
        static_assert(std::is_convertible_v<const T&, std::string>,
                      "usage values are integers, booleans, floating values or texts");
        text << value;
    }
    values.push_back(text.str());
    ExpandArgs(values, rest...);
}

// Reports `type` with the texts of `values` to `reporter`; nothing when `reporter` is null.
template <typename... Values>
void ReportValues(TandemDataReportClass* reporter, TandemReportTypeEnum type,
                  const Values&... values) {
    if (reporter == nullptr) {
        return;
    }
    std::vector<std::string> list;
    list.reserve(sizeof...(Values));
    ExpandArgs(list, values...);
    reporter->Report(type, list);
}

inline TandemReportTypeEnum ToReportType(UsageEvent code) {
    return static_cast<TandemReportTypeEnum>(static_cast<int32_t>(code));
}

// Reports `code` with `values` to the process-wide reporter, if there is one.
template <typename... Values>
void ReportEvent(UsageEvent code, const Values&... values) {
    ReportValues(TandemDataReportClass::GetInstance(), ToReportType(code), values...);
}

// Opens and closes the duration record `code` on the process-wide reporter, if there is one.
void RecordBegin(UsageEvent code);
void RecordEnd(UsageEvent code);

}  // namespace Vela::Ux
