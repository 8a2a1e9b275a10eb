// Endpoint and message ids of the plug-in's IPC traffic.
//
// Message bodies are DataStream payloads unless the comment of an id says otherwise. A reply id
// is the id under which the receiver answers a message: one of the plug-in's own ids,
// kReplyIdNone, or kReplyIdUnset where the sender leaves it as constructed.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------------------------
// Endpoints

inline constexpr uint32_t kEndpointPlugin = 0x1C0000;           // this plug-in (both its clients)
inline constexpr uint32_t kEndpointTandemService = 0x150000;    // the tandem service's share side
inline constexpr uint32_t kEndpointHostNotice = 0x40000;        // host: notices, tray and menus
inline constexpr uint32_t kEndpointHostRestart = 0x30000;       // host: restart
inline constexpr uint32_t kEndpointFolderHelper = 0x350000;     // the folder helper program
inline constexpr uint32_t kEndpointSubscribedGroup = 0x200000;  // id the plug-in subscribes to

inline constexpr uint32_t kReplyIdNone = 0;
inline constexpr uint32_t kReplyIdUnset = 0xFFFFFFFF;

// ---------------------------------------------------------------------------------------------
// Ids the simple UI manager registers on its client, in registration order; every one of them
// goes to its dispatcher.

struct IPCMessageIdRange {
    uint32_t first;
    uint32_t last;  // inclusive
};

inline constexpr uint32_t kMsgPluginRangeFirst = 0x1C0001;  // answers and notices to the plug-in
inline constexpr uint32_t kMsgPluginRangeLast = 0x1C0028;
inline constexpr uint32_t kMsgRadioStateRangeFirst = 0x15024D;  // radio state of the service
inline constexpr uint32_t kMsgRadioStateRangeLast = 0x150254;
inline constexpr uint32_t kMsgLocalNoticeRangeFirst = 0x250001;  // notices the plug-in posts itself
inline constexpr uint32_t kMsgLocalNoticeRangeLast = 0x250016;

inline constexpr IPCMessageIdRange kRegisteredMessageRanges[] = {
    {kMsgPluginRangeFirst, kMsgPluginRangeLast},
    {kMsgRadioStateRangeFirst, kMsgRadioStateRangeLast},
    {kMsgLocalNoticeRangeFirst, kMsgLocalNoticeRangeLast},
};

constexpr bool IsRegisteredMessageId(uint32_t id) {
    for (const IPCMessageIdRange& range : kRegisteredMessageRanges) {
        if (id >= range.first && id <= range.last) {
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Tandem service -> plug-in

// Send side, handled by the send model.
inline constexpr uint32_t kMsgShareProgress = 0x1C0005;  // raw 12 bytes: percent, time left, speed
inline constexpr uint32_t kMsgShareStatus = 0x1C0008;    // int32, 8 raw bytes (status code first)

// Radio state, handled by the send model; the two ids of each state are handled alike.
inline constexpr uint32_t kMsgWifiOn = 0x15024D;
inline constexpr uint32_t kMsgWifiOff = 0x15024E;
inline constexpr uint32_t kMsgBluetoothOn = 0x15024F;
inline constexpr uint32_t kMsgBluetoothOff = 0x150250;
inline constexpr uint32_t kMsgWifiOnAlt = 0x150251;
inline constexpr uint32_t kMsgWifiOffAlt = 0x150252;
inline constexpr uint32_t kMsgBluetoothOnAlt = 0x150253;
inline constexpr uint32_t kMsgBluetoothOffAlt = 0x150254;

// Pairing and connection state, handled by the pairing responder.
inline constexpr uint32_t kMsgPairedDeviceAnswer = 0x1C000B;  // answer to kMsgTandemPairedDevice
inline constexpr uint32_t kMsgPairingState = 0x1C000C;        // answer and change notice
inline constexpr uint32_t kMsgConnectionState = 0x1C000D;     // answer and change notice, u8 first
inline constexpr uint32_t kMsgStartupAnswer1 = 0x1C0023;      // answer to kMsgTandemStartupQuery1
inline constexpr uint32_t kMsgStartupAnswer2 = 0x1C0024;      // answer to kMsgTandemStartupQuery2

// Receive side and service notices, handled by the receive-side notice dispatcher.
// A phone's offer to send files here: DataStream of the sender's nickname and device name
// (strings), its share type (int32), the offered size in bytes (uint64), the offered file
// names (string array) and the folder the files go to unless the user picks another (string).
// Shown in a receive dialog.
inline constexpr uint32_t kMsgRecvOffer = 0x1C0011;
// The accepted offer's progress: 12 raw bytes like kMsgShareProgress (percent, time left,
// speed), and its end: DataStream string array of the received files' paths.
inline constexpr uint32_t kMsgRecvProgress = 0x1C0010;
inline constexpr uint32_t kMsgRecvDone = 0x1C0012;
inline constexpr uint32_t kMsgRecvFailure = 0x1C0013;     // int32, 8 raw bytes (status code first)
inline constexpr uint32_t kMsgRestartNeeded = 0x1C0015;   // no body used
inline constexpr uint32_t kMsgBluetoothFault = 0x1C0016;  // no body used
inline constexpr uint32_t kMsgDirectLinkBusy = 0x1C0017;  // no body used
inline constexpr uint32_t kMsgWlanDisconnected = 0x1C001A;    // no body used
inline constexpr uint32_t kMsgMirrorDecoderError = 0x1C0028;  // narrow NUL-terminated text or none

// ---------------------------------------------------------------------------------------------
// Host notice endpoint -> plug-in, handled by the pairing responder

inline constexpr uint32_t kMsgDroppedFiles = 0x1C001E;   // records: int32 n, n bytes of UTF-16
inline constexpr uint32_t kMsgMenuNameQuery = 0x1C0021;  // u32 menu kind

// ---------------------------------------------------------------------------------------------
// Plug-in -> plug-in (kEndpointPlugin), handled by the receive-side notice dispatcher

inline constexpr uint32_t kMsgTooManyFiles = 0x250015;  // no body; reply id kReplyIdNone

// ---------------------------------------------------------------------------------------------
// Plug-in -> tandem service (kEndpointTandemService)

// Share request; reply id kMsgShareProgress.
inline constexpr uint32_t kMsgTandemShareSend = 0x150046;
inline constexpr const char kMsgTandemShareSendName[] = "MSG_TANDEM_SHARE_SEND_ID";
inline constexpr uint32_t kMsgTandemShareCancel = 0x150047;  // no body; reply id kReplyIdNone

// Receive dialog; reply id kReplyIdUnset.
inline constexpr uint32_t kMsgTandemRecvAccept = 0x15004A;  // one string: the save folder
inline constexpr uint32_t kMsgTandemRecvRefuse = 0x15004C;  // no body
inline constexpr uint32_t kMsgTandemRecvCancel = 0x15004D;  // no body

// Send item while preparing; no body, reply id kReplyIdNone.
inline constexpr uint32_t kMsgTandemPrepareRadios = 0x15023B;
inline constexpr uint32_t kMsgTandemBluetoothWasOff = 0x15023D;
inline constexpr uint32_t kMsgTandemWifiWasOff = 0x15023E;

// Pairing responder's requests; no body, each answered under the id named beside it.
inline constexpr uint32_t kMsgTandemPairedDevice = 0x150055;     // kMsgPairedDeviceAnswer
inline constexpr uint32_t kMsgTandemConnectionState = 0x15026A;  // kMsgConnectionState
inline constexpr uint32_t kMsgTandemPairingState = 0x15026B;     // kMsgPairingState
inline constexpr uint32_t kMsgTandemStartupQuery1 = 0x150270;    // kMsgStartupAnswer1
inline constexpr uint32_t kMsgTandemStartupQuery2 = 0x150271;    // kMsgStartupAnswer2

// ---------------------------------------------------------------------------------------------
// Plug-in -> host notice endpoint (kEndpointHostNotice)

inline constexpr uint32_t kMsgHostNotice = 0x40003;  // notice record; reply id kReplyIdUnset
// Pairing responder; reply id kReplyIdNone unless given. Connection state: u32 0 unpaired,
// 1 paired, 2 connected.
inline constexpr uint32_t kMsgHostConnectionState = 0x40007;
inline constexpr uint32_t kMsgHostSendPossible = 0x40008;     // u8 connected
inline constexpr uint32_t kMsgHostValidPhoneText = 0x40009;   // UTF-8 text, no terminator
inline constexpr uint32_t kMsgHostDropTarget = 0x40015;       // no body; reply id kMsgDroppedFiles
inline constexpr uint32_t kMsgHostConnectionFlag = 0x40017;   // u32 1, u8 connected
inline constexpr uint32_t kMsgHostAddPhoneMenu = 0x40019;     // reply id kMsgMenuNameQuery
inline constexpr uint32_t kMsgHostRemovePhoneMenu = 0x4001A;  // u32 menu kind
// UTF-16LE text with its terminator, not a DataStream payload: a menu name from the pairing
// responder, or the decoder error window's fix command "para /doctor" (reply id kReplyIdUnset).
inline constexpr uint32_t kMsgHostMenuName = 0x4001B;
inline constexpr uint32_t kMsgHostDoctor = kMsgHostMenuName;

// ---------------------------------------------------------------------------------------------
// Plug-in -> host restart endpoint (kEndpointHostRestart)

inline constexpr uint32_t kMsgHostRestart = 0xF0006;  // no body; reply id kReplyIdUnset

// ---------------------------------------------------------------------------------------------
// Plug-in -> folder helper (kEndpointFolderHelper); reply id kReplyIdUnset

inline constexpr uint32_t kMsgFolderClosePicker = 0x350002;  // no body
inline constexpr uint32_t kMsgFolderOpenPicker = 0x350003;   // UTF-8 start folder with its NUL
// UTF-8 "save folder|file|file..." with its NUL.
inline constexpr uint32_t kMsgFolderOpenAndSelect = 0x350005;

// Folder helper -> the sender of kMsgFolderOpenPicker: the folder the picker settled on, UTF-8
// with its NUL (the form of kMsgFolderOpenPicker): the current receive dialog saves there.
inline constexpr uint32_t kMsgFolderPicked = 0x1C0014;

// Every id the plug-in handles arrives through its registered ranges.
static_assert(
    IsRegisteredMessageId(kMsgShareProgress) && IsRegisteredMessageId(kMsgShareStatus) &&
        IsRegisteredMessageId(kMsgWifiOn) && IsRegisteredMessageId(kMsgBluetoothOffAlt) &&
        IsRegisteredMessageId(kMsgPairedDeviceAnswer) && IsRegisteredMessageId(kMsgPairingState) &&
        IsRegisteredMessageId(kMsgConnectionState) && IsRegisteredMessageId(kMsgStartupAnswer1) &&
        IsRegisteredMessageId(kMsgStartupAnswer2) && IsRegisteredMessageId(kMsgRecvFailure) &&
        IsRegisteredMessageId(kMsgRestartNeeded) && IsRegisteredMessageId(kMsgBluetoothFault) &&
        IsRegisteredMessageId(kMsgDirectLinkBusy) && IsRegisteredMessageId(kMsgWlanDisconnected) &&
        IsRegisteredMessageId(kMsgMirrorDecoderError) && IsRegisteredMessageId(kMsgDroppedFiles) &&
        IsRegisteredMessageId(kMsgMenuNameQuery) && IsRegisteredMessageId(kMsgTooManyFiles),
    "a handled message id lies outside the registered ranges");
