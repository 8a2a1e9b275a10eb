// Transfer items: the records and codes every part of the send side shares, and the abstract
// item the send model owns.
#pragma once

#include "ITransferFile.h"
#include "KxShareDevices.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Vela::Ux {

enum class TransferStage : uint32_t {
    None = 0,          // never started
    Preparing = 1,     // waiting for the service to report Bluetooth and Wi-Fi ready
    Connecting = 2,    // the send request has been handed to the service
    Transferring = 3,  // the service reports the transfer; `result` says how it goes
    Finished = 4,      // the transfer is over; `result` says how it ended
};

enum class TransferResult : uint32_t {
    Ok = 0,               // running, or succeeded
    Failed = 1,           // failed
    CancelledByUser = 2,  // cancelled on this computer
    Cancelled = 3,        // cancelled without a local request, e.g. by the receiver
    Rejected = 4,         // the receiver refused
};

// The reason a send item gives for its state; the controller turns it into a text.
enum class FailReason : int32_t {
    None = 0,
    InProgress = 5,
    Succeeded = 8,
    Cancelled = 9,
    Rejected = 10,
    SendFailed = 11,
    ReceiverBusy = 13,
    NoSpace = 15,
    ConfirmTimeout = 16,
    BluetoothClosed = 17,
    WifiClosed = 18,
    BothClosed = 19,
    BluetoothUnavailable = 20,
    WifiUnavailable = 21,
    BothUnavailable = 22,
    MissedPair = 23,
    VersionMismatch = 24,
};

// The code carried by the status message of the tandem service.
enum ShareStatusCode : uint32_t {
    SHARE_SUCCESS = 0,
    SHARE_OK,
    SHARE_ERROR_BASE,
    SHARE_INVALID_PARAM,
    SHARE_INVALID_OPERATION,
    SHARE_ERROR_IO,  // 5
    SHARE_ERROR_UNSUPPORTED,
    SHARE_ERROR_BUSY,
    SHARE_ERROR_INIT,
    SHARE_ERROR_SOCKET,  // 9
    SHARE_ERROR_TIMEOUT,
    SHARE_ERROR_REMOTE,
    SHARE_ERROR_PUBLISH,
    SHARE_ERROR_SUBSCRIBE,
    SHARE_ERROR_UNPUBLISH,
    SHARE_ERROR_UNSUBSCRIBE,
    SHARE_ERROR_SERVER_BUSY,  // 16
    SHARE_ERROR_CLIENT_BUSY,
    SHARE_ERROR_SELF_CHANNEL_BUSY,
    SHARE_ERROR_OTHER_CHANNEL_BUSY,
    SHARE_UNKNOWN_ERROR,  // 20
    RTN_ERROR_END,
    DTCP_ERR_BASE,
    DTCP_ERR_SOCKET,  // 23
    DTCP_ERR_MISSED_PAIR_DEVICE,
    DTCP_ERR_REMOTE,
    DTCP_ERR_VERSION_MISMATCH,  // 26
    DTCP_ERR_NOSPACE,           // 27
    DTCP_ERR_IO,
    DTCP_ERR_UNKNOWN,
    DTCP_ERR_END,  // 30
    DTCP_TIMEOUT_BASE,
    DTCP_TIMEOUT_CONFIRM,  // 32
    DTCP_TIMEOUT_FINISH,
    DTCP_TIMEOUT_FINISHOK,
    DTCP_TIMEOUT_CANCEL,  // 35
    DTCP_TIMEOUT_PREVIEWDATA,
    DTCP_TIMEOUT_FILEDATA,
    DTCP_TIMEOUT_END,
    DTCP_STATUS_SEND_BASE,
    DTCP_STATUS_SEND_CONNECTING,  // 40
    DTCP_STATUS_SEND_CONNECTED,
    DTCP_STATUS_SEND_PREVIEW,
    DTCP_STATUS_SEND_PREVIEWOK,
    DTCP_STATUS_SEND_DATA,  // 44
    DTCP_STATUS_SEND_DATAOK,
    DTCP_STATUS_SEND_DISCONNECTED,  // 46
    DTCP_STATUS_SEND_RECVCANCEL,
    DTCP_STATUS_SEND_CANCEL,
    DTCP_STATUS_SEND_CANCELING,
    DTCP_STATUS_SEND_RECVREJCT,  // 50
    DTCP_STATUS_SEND_EMTPY,
    DTCP_STATUS_SEND_SUCCESS,  // 52
    DTCP_STATUS_SEND_WAITING,
    DTCP_STATUS_SEND_END,
    DTCP_STATUS_RECV_BASE,  // 55
    DTCP_STATUS_RECV_DATA,
    DTCP_STATUS_RECV_DATAOK,
    DTCP_STATUS_RECV_DISCONNECTED,
    DTCP_STATUS_RECV_SENDCANCEL,
    DTCP_STATUS_RECV_CANCEL,  // 60
    DTCP_STATUS_RECV_REJECT,
    DTCP_STATUS_RECV_EMTPYDATA,
    DTCP_STATUS_RECV_SUCCESS,  // 63
};
static_assert(DTCP_STATUS_RECV_SUCCESS == 63, "64 status codes");

// Who started a send; the usage data carries it, the send request does not.
enum class SendSponsorSource : uint32_t {
    FromContextMenu = 0,
    FromOther = 1,
};

// The body of the progress message: 12 raw little-endian bytes.
struct KxShareProgress {
    uint32_t progress = 0;  // percent done, 0..100
    uint32_t leftTime = 0;  // remaining time as the service reports it
    uint32_t speed = 0;     // transfer speed as the service reports it
};
static_assert(sizeof(KxShareProgress) == 12, "the progress body is 12 bytes");

// An item's state, copied by value. Every change builds a fresh record and fills only the
// fields it names.
struct TransferItemState {
    TransferStage stage = TransferStage::None;
    TransferResult result = TransferResult::Ok;  // meaningful while Transferring and Finished
    uint32_t progress = 0;                       // percent done
    uint32_t speed = 0;                          // as the service reports it
    int32_t leftTime = -1;                       // as the service reports it; -1 unknown
};
static_assert(sizeof(TransferItemState) == 20, "the state record is 20 bytes");

class FileTransferItem;

struct FileTransferItemData;

// One outgoing share job: files bound for one device. Owned by the send model; used on the UI
// thread, except that the delayed send (DelayExecutor) changes the state from its worker.
class FileTransferItem {
public:
    // The one observer of an item's state changes (the send model).
    class IStateNotifier {
    public:
        virtual ~IStateNotifier() = default;
        virtual void OnStateChanged(FileTransferItem* item) = 0;
    };

    virtual ~FileTransferItem();
    FileTransferItem(const FileTransferItem&) = delete;
    FileTransferItem& operator=(const FileTransferItem&) = delete;

    // Folds another request for the same device into this item.
    virtual void Merge(FileTransferItem* other) = 0;
    // A message of the service for the running item, on the UI thread.
    virtual void OnIPCResponse(uint32_t id, const char* payload, uint32_t length) = 0;
    virtual void Start() = 0;
    virtual void Cancel() = 0;

    uint32_t GetId() const;
    TransferItemState GetState() const;
    KxShareDevices GetDevice() const;
    std::wstring GetDevName() const;
    std::wstring GetNickName() const;
    int32_t GetDelay() const;
    // 0 or 1 as the device says, 2 for every other value.
    uint32_t GetShareType() const;
    bool IsDevTypeOne() const;

    void SetNotifier(IStateNotifier* notifier);
    void SetSendHelper(ITransferFile* sendHelper);
    // Stores the state (a finished state reads CancelledByUser once the user cancelled) and
    // tells the notifier.
    void SetState(const TransferItemState& state);
    // Sets the delay before the real send, then starts.
    void StartWithDelay(int32_t delayMs);
    // Cancels once; a second call does nothing.
    void CancelByUser();

protected:
    // Takes the next id from the process-wide serial counter.
    FileTransferItem(uint32_t direction, const KxShareDevices& device);

    std::unique_ptr<FileTransferItemData> data;  // null when it could not be allocated
};

// The record an item owns. `state` and `cancelRequested` are the fields the delayed-send worker
// reads and writes besides the UI thread; `stateLock` guards them (never held while the item
// calls out).
struct FileTransferItemData {
    uint32_t direction = 0;  // 0: send
    uint32_t id = 0;
    TransferItemState state;
    KxShareDevices device;
    FileTransferItem::IStateNotifier* notifier = nullptr;  // not owned
    ITransferFile* sendHelper = nullptr;                   // not owned
    bool cancelRequested = false;
    int32_t delayMs = 0;
    mutable std::mutex stateLock;
};

}  // namespace Vela::Ux
