// The phone's pairing and connection state as the tandem service reports it, kept in step with
// the host's tray and phone menus, and the files the user drops onto the host's phone window.
//
// One global object (GetInstance). The plug-in calls SetTransfer when it initialises, Start
// when it starts and Stop when it uninitialises. Handlers run on the IPC library's threads.
#pragma once

#include "DataStream.h"
#include "IPCRespondor.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace Vela::Ux {

// The service's record of the paired phone, fields in wire order.
struct DeviceStatus {
    int32_t word0 = 0;
    int32_t word1 = 0;
    int32_t isPaired = 0;  // 1 or more: paired
    int32_t word3 = 0;
    uint64_t wide0 = 0;
    std::string text0;
    std::string text1;  // empty when no phone is paired
    std::string text2;
    std::string text3;
    int32_t word4 = 1;
    int32_t word5 = 0;
    int32_t word6 = 0;

    // Reads the fields in order; a field that cannot be read keeps its value. True when every
    // field was read.
    bool Read(tandem::IOStream& stream);
};

// Phone menu kinds of the host.
enum MenuKind : uint32_t {
    kMenuAlbum = 0,
    kMenuVideo = 1,
    kMenuMusic = 2,
};

// Most dropped files passed on in one drop.
inline constexpr size_t kMaxDroppedFiles = 500;
// Largest payload of an added menu entry (8 bytes of header, then the UTF-16 text).
inline constexpr uint32_t kMaxMenuEntryPayload = 256;

// The texts of a dropped-file notice: records of an int32 byte length n and n bytes of UTF-16LE.
// A length that claims more than the bytes left takes the bytes left; an empty text is skipped;
// fewer than 5 bytes left end the list. A negative length cannot be measured against anything,
// so the list ends there: the texts before it are kept, nothing after it is read.
std::vector<std::wstring> DecodeDroppedFileRecords(const char* data, uint32_t length);

// Receives the values of the answers 0x1C0023 (a payload of exactly one byte) and 0x1C0024
// (its first payload byte).
class IMyAlbumStateObserver {
public:
    virtual ~IMyAlbumStateObserver() = default;
    virtual void OnStateValue(uint32_t messageId, uint8_t value) = 0;
};

class MyAlbumStatusModelHelper : public IPCRespondor {
public:
    // Runs the share command for dropped files ("KXSHARE_PHONE", files); returns its result.
    using ShareCommandHandler =
        std::function<bool(const std::wstring& command, const std::vector<std::wstring>& files)>;

    // The one object of the plug-in: constructed when the library loads, destroyed when it
    // unloads.
    static MyAlbumStatusModelHelper* GetInstance();

    MyAlbumStatusModelHelper();
    ~MyAlbumStatusModelHelper() override;

    // Keeps T (not owned) for requests, state and menu messages and registers the handlers on
    // it. A null T registers nothing. Call once per interface.
    void SetTransfer(ITransferFile* t);
    // Tells the host where dropped files go and asks the service for the pairing, connection
    // and paired-device state, each repeated until answered.
    void Start();
    // Stop() of the base ends every pending request.

    // Where dropped files are handed; without one they are dropped after decoding.
    void SetShareCommandHandler(ShareCommandHandler handler);
    // Not owned; null removes it. The observer must outlive its registration.
    void SetStateObserver(IMyAlbumStateObserver* observer);

    // Posts the connection state to the host's tray.
    void OnSetConnectUIState();
    // Asks the service for the paired phone, every 300 ms, at most 15 times.
    void RequestPairedDevice();
    // Posts a phone menu entry; nothing for an empty text or a payload over 256 bytes. The
    // one-argument form takes the kind's own entry text.
    bool AddMenuEntry(uint32_t kind);
    bool AddMenuEntry(uint32_t kind, const std::wstring& text);

    // Handlers, registered by SetTransfer.
    void IPCAvtiveRecvFunc(uint32_t id, const char* data, uint32_t length);
    static void IPCAvtivePairDeviceChangedID(MyAlbumStatusModelHelper* statusModel, uint32_t id,
                                             const char* data, uint32_t length);
    static void IPCAvtiveConnectChangedID(MyAlbumStatusModelHelper* statusModel, uint32_t id,
                                          const char* data, uint32_t length);
    static void IPCAvtiveRecvDropFilesID(MyAlbumStatusModelHelper* statusModel, uint32_t id,
                                         const char* data, uint32_t length);
    void IPCAvtiveMenuNameID(uint32_t id, const char* data, uint32_t length);
    void IPCAvtiveStateValueID(uint32_t id, const char* data, uint32_t length);

    bool IsPaired() const { return paired.load(); }
    bool IsConnected() const { return connected.load(); }

private:
    void OnPairedDeviceAnswer(const char* data, uint32_t length);
    void RemovePhoneMenus();
    bool RunShareCommand(const std::vector<std::wstring>& files);
    bool PostToHost(uint32_t id, const char* data, uint32_t length);

    std::atomic<bool> paired{false};
    std::atomic<bool> connected{false};
    std::atomic<ITransferFile*> menuTransfer{nullptr};

    std::mutex hookLock;
    ShareCommandHandler shareCommand;  // guarded by hookLock
    std::atomic<IMyAlbumStateObserver*> stateObserver{nullptr};
};

}  // namespace Vela::Ux
