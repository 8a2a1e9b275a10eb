#include "FileRecvView.h"

#include "BeamlyTipWnd.h"
#include "DataStream.h"
#include "DecoderErrorUI.h"
#include "FileTransferItem.h"
#include "IPCMessageIds.h"
#include "NoticeRecord.h"
#include "RadioRestart.h"
#include "RecvDialogOps.h"
#include "SDK/Util/LogTool/LogTool.h"
#include "WifiDisconnect.h"

#include <Registry.h>
#include <SmBiosHelper.h>
#include <TandemMessageBox.h>
#include <UIlib.h>
#include <UIStringLocale.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <new>

namespace {

constexpr const wchar_t* kFirstBrandName = L"Velmora Share";
constexpr const wchar_t* kSecondBrandName = L"LUMEN Glide";
// Number and button kind of the notices' message boxes.
constexpr int kMessageBoxFlags = 10;
constexpr int kMessageBoxButtons = 1;
// The decoder window: popup, border, system menu, minimise box; a tool window.
constexpr DWORD kDecoderStyle = 0x808A0000;
constexpr DWORD kDecoderExStyle = 0x80;
// The host notice buffer is allocated this much larger than the record.
constexpr size_t kNoticeSlack = 16;
// Size of the raw status record of the failure notice; its first u32 is the code.
constexpr uint32_t kStatusRecordSize = 8;

// The receive failures that end the current dialog's receive.
bool EndsReceive(uint32_t code) {
    using namespace Vela::Ux;
    switch (code) {
        case SHARE_ERROR_TIMEOUT:
        case SHARE_UNKNOWN_ERROR:
        case DTCP_ERR_SOCKET:
        case DTCP_ERR_REMOTE:
        case DTCP_ERR_NOSPACE:
        case DTCP_STATUS_RECV_SENDCANCEL:
            return true;
        default:
            return false;
    }
}

// The serialised record of a window notice, in a buffer kNoticeSlack bytes larger than it.
struct NoticeBuffer {
    std::unique_ptr<char[]> bytes;
    size_t length = 0;
};

NoticeBuffer BuildWindowNotice(const void* window, uint32_t durationMs) {
    const NoticeRecord record = WindowNotice(window, durationMs);
    NoticeBuffer buffer;
    buffer.length = NoticeRecordLength(record);
    buffer.bytes.reset(new (std::nothrow) char[buffer.length + kNoticeSlack]);
    if (buffer.bytes) {
        WriteNoticeRecord(record, buffer.bytes.get());
    }
    return buffer;
}

void DestroyWindowObject(DuiLib::WindowImplBase* window) {
    // A close posted to the window may still be queued; a destroyed window gets nothing, while
    // a live one would reach the deleted object.
    if (window != nullptr && IsWindow(window->GetHWND())) {
        DestroyWindow(window->GetHWND());
    }
}

}  // namespace

FileRecvView::FileRecvView(Vela::Ux::ITransferFile* transfer) : transfer(transfer) {
    if (transfer != nullptr) {
        RegisterHandlers();
    }
    FillPool();
    CollectUsedDialogs();
}

FileRecvView::~FileRecvView() {
    // Waits for a handler in progress on the IPC thread.
    lifetime.Expire();
    FileRecvDialog* dialog = nullptr;
    while (dialogPool.Pop(dialog)) {
        DestroyDialog(dialog);
    }
    while (usedDialogs.Pop(dialog)) {
        DestroyDialog(dialog);
    }
    if (currentDialog != nullptr) {
        DestroyDialog(currentDialog);
        currentDialog = nullptr;
    }
    DestroyWindowObject(wlanDialog.get());
    wlanDialog.reset();
    DestroyWindowObject(decoderDialog.get());
    decoderDialog.reset();
}

void FileRecvView::RegisterHandlers() {
    using Handler = void (FileRecvView::*)(char*, unsigned);
    const struct {
        uint32_t id;
        Handler handler;
    } handlers[] = {
        {kMsgRecvFailure, &FileRecvView::OnRecvFileFailed},
        {kMsgRestartNeeded, &FileRecvView::OnShowRestartMsg},
        {kMsgBluetoothFault, &FileRecvView::OnShowBtExceptionMsg},
        {kMsgDirectLinkBusy, &FileRecvView::OnShowGoChannelBusyMsg},
        {kMsgTooManyFiles, &FileRecvView::OnShowMaxFileCountTip},
        {kMsgWlanDisconnected, &FileRecvView::OnShowWlanDisconnect},
        {kMsgRecvOffer, &FileRecvView::OnRecvOffer},
        {kMsgRecvProgress, &FileRecvView::OnRecvProgress},
        {kMsgRecvDone, &FileRecvView::OnRecvDone},
        {kMsgFolderPicked, &FileRecvView::OnFolderPicked},
    };
    for (const auto& entry : handlers) {
        transfer->RegisterDataHandler(
            entry.id, lifetime.Wrap([this, handler = entry.handler](char* data, uint32_t length) {
                (this->*handler)(data, length);
            }));
    }
    transfer->RegisterDataHandler(kMsgMirrorDecoderError,
                                  lifetime.Wrap([this](char* data, uint32_t length) {
                                      OnShowMirrorDecoderUI(data, length);
                                  }));
}

// ---------------------------------------------------------------------------------------------
// Receive dialogs

FileRecvDialog* FileRecvView::PrepareDialog() {
    return recvdialogops::Create(transfer, [this](FileRecvDialog* opener) {
        // One picker at a time, so that its answer has one dialog to go to.
        if (pickerOwner != nullptr && pickerOwner != opener) {
            recvdialogops::ClosePicker(pickerOwner);
        }
        pickerOwner = opener;
    });
}

void FileRecvView::DestroyDialog(FileRecvDialog* dialog) {
    if (pickerOwner == dialog) {
        pickerOwner = nullptr;
    }
    recvdialogops::Destroy(dialog);
}

void FileRecvView::FillPool() {
    for (uint32_t attempt = 0; attempt < kPoolSlots; ++attempt) {
        FileRecvDialog* dialog = PrepareDialog();
        if (dialog == nullptr) {
            continue;
        }
        recvdialogops::Prepare(dialog);
        if (!dialogPool.Push(dialog)) {
            recvdialogops::Destroy(dialog);
            break;
        }
    }
}

void FileRecvView::CollectUsedDialogs(const std::function<void(FileRecvDialog*)>& visit) {
    // Every used dialog is taken out and the open ones put back in their order; only this
    // thread pops and pushes, so they all fit again.
    std::vector<FileRecvDialog*> open;
    FileRecvDialog* dialog = nullptr;
    while (open.size() < kUsedSlots && usedDialogs.Pop(dialog)) {
        if (dialog == nullptr) {
            continue;
        }
        if (visit) {
            visit(dialog);
        }
        if (recvdialogops::IsClosed(dialog)) {
            DestroyDialog(dialog);
        } else {
            open.push_back(dialog);
        }
    }
    for (FileRecvDialog* kept : open) {
        usedDialogs.Push(kept);
    }
}

void FileRecvView::Retire(FileRecvDialog* dialog) {
    if (usedDialogs.Push(dialog)) {
        return;
    }
    CollectUsedDialogs();
    FileRecvDialog* oldest = nullptr;
    if (!usedDialogs.Push(dialog) && usedDialogs.Pop(oldest)) {
        // Every slot holds an open dialog: the one open longest makes room.
        LOG_WARN("too many receive dialogs open, the oldest is closed");
        recvdialogops::Close(oldest);
        DestroyDialog(oldest);
        usedDialogs.Push(dialog);
    }
}

bool FileRecvView::ShowRecvOffer(const RecvOffer& offer) {
    CollectUsedDialogs();
    RecvOffer shown = offer;
    if (shown.savePath.empty()) {
        shown.savePath = recvdialogops::DefaultSaveFolder();
        if (shown.savePath.empty()) {
            LOG_WARN("receive offer dropped: no folder to save to");
            return false;
        }
    }
    FileRecvDialog* dialog = nullptr;
    if (!dialogPool.Pop(dialog) || dialog == nullptr) {
        LOG_WARN("no prepared receive dialog for the offer");
        return false;
    }
    // The next offer finds a prepared dialog too.
    if (FileRecvDialog* spare = PrepareDialog()) {
        recvdialogops::Prepare(spare);
        if (!dialogPool.Push(spare)) {
            DestroyDialog(spare);
        }
    }
    if (!recvdialogops::ShowOffer(dialog, shown)) {
        LOG_WARN("receive dialog window could not be created");
        DestroyDialog(dialog);
        return false;
    }
    std::lock_guard<std::recursive_mutex> guard(lock);
    // A new offer of a sender replaces its offer that is still unanswered.
    const auto supersede = [&offer](FileRecvDialog* old) {
        if (recvdialogops::IsUnansweredOfferFrom(old, offer.sender)) {
            recvdialogops::Close(old);
        }
    };
    CollectUsedDialogs(supersede);
    if (currentDialog != nullptr) {
        supersede(currentDialog);
        Retire(currentDialog);
    }
    currentDialog = dialog;
    return true;
}

FileRecvDialog* FileRecvView::CurrentDialog() {
    std::lock_guard<std::recursive_mutex> guard(lock);
    return currentDialog;
}

// ---------------------------------------------------------------------------------------------
// Offers

namespace {

// The bytes an offer with these texts takes: a shorter body lost names on the way (the array
// reader keeps what it could read), a longer one carries what no reader expects.
uint64_t OfferBytes(const std::string& nickName, const std::string& devName,
                    const std::vector<std::string>& names, const std::string& saveFolder) {
    uint64_t bytes = 2 + nickName.size() + 2 + devName.size() + 4 + 8 + 4 + 2 + saveFolder.size();
    for (const std::string& name : names) {
        bytes += 2 + name.size();
    }
    return bytes;
}

// The file name an offered path shows: the part after its last separator.
bool HasFileName(const std::string& path) {
    return !path.empty() && path.back() != '\\' && path.back() != '/';
}

}  // namespace

void FileRecvView::OnRecvOffer(char* data, unsigned length) {
    if (data == nullptr || length == 0) {
        LOG_WARN("receive offer without a body dropped");
        return;
    }
    tandem::IpcBufferBuild channel(data, length, true);
    std::unique_ptr<tandem::DataStream> stream = tandem::CreateDataStream(&channel);
    std::string nickName;
    std::string devName;
    int32_t shareType = 0;
    uint64_t totalSize = 0;
    std::vector<std::string> names;
    std::string saveFolder;
    if (stream->ReadUtf8String(nickName) < 0 || stream->ReadUtf8String(devName) < 0 ||
        stream->ReadInt32(shareType) < 0 || stream->ReadUInt64(totalSize) < 0 ||
        stream->ReadUtf8StringArray(names) < 0 || stream->ReadUtf8String(saveFolder) < 0 ||
        names.empty()) {
        LOG_WARN("receive offer of " << length << " bytes dropped: unreadable or without files");
        return;
    }
    // Optional at the end: the device type (one byte), then a thumbnail (int32 length and the
    // encoded picture).
    const uint64_t base = OfferBytes(nickName, devName, names, saveFolder);
    uint8_t devType = 0;
    int32_t thumbLength = 0;
    std::vector<uint8_t> thumbnail;
    bool endRead = length == base;
    if (length > base) {
        endRead = stream->ReadUInt8(devType) >= 0 && length == base + 1;
        if (length >= base + 5 && stream->ReadInt32(thumbLength) >= 0 && thumbLength >= 0 &&
            static_cast<uint32_t>(thumbLength) <= kMaxOfferThumbnailBytes &&
            base + 5 + static_cast<uint32_t>(thumbLength) == length) {
            thumbnail.resize(static_cast<size_t>(thumbLength));
            endRead = thumbLength == 0 ||
                      stream->ReadRaw(thumbnail.data(), static_cast<uint32_t>(thumbLength)) >= 0;
        }
    }
    const char* fault = !endRead      ? "unreadable end or a thumbnail over 256 KiB"
                        : devType > 1 ? "device type is neither 0 nor 1"
                        : shareType != 0 && shareType != 1
                            ? "share type is neither a share link (0) nor Bluetooth (1)"
                        : totalSize > static_cast<uint64_t>(INT64_MAX) ? "size out of range"
                        : !std::all_of(names.begin(), names.end(), HasFileName)
                            ? "a file without a name"
                            : nullptr;
    if (fault != nullptr) {
        LOG_WARN("receive offer of " << length << " bytes dropped: " << fault);
        return;
    }
    RecvOffer offer;
    offer.sender.nickName = DE::UTF8ToUnicode(nickName);
    offer.sender.devName = DE::UTF8ToUnicode(devName);
    offer.sender.shareType = static_cast<uint32_t>(shareType);
    offer.sender.devTypeIsOne = devType == 1;
    offer.thumbnail = std::move(thumbnail);
    offer.totalSize = static_cast<int64_t>(totalSize);
    offer.savePath = DE::UTF8ToUnicode(saveFolder);
    for (const std::string& name : names) {
        offer.offeredNames.push_back(DE::UTF8ToUnicode(name));
    }
    PostToUi(lifetime, [this, offer = std::move(offer)] { ShowRecvOffer(offer); });
}

// What follows an accepted offer, for the current dialog (UI thread).
void FileRecvView::OnRecvProgress(char* data, unsigned length) {
    Vela::Ux::KxShareProgress report{};
    if (data == nullptr || length != sizeof(report)) {
        LOG_WARN("receive progress of " << length << " bytes dropped, " << sizeof(report)
                                        << " expected");
        return;
    }
    std::memcpy(&report, data, sizeof(report));
    PostToUi(lifetime, [this, report] {
        std::lock_guard<std::recursive_mutex> guard(lock);
        if (currentDialog != nullptr) {
            recvdialogops::ShowProgress(currentDialog, std::min(report.progress, 100u),
                                        static_cast<int32_t>(report.leftTime), report.speed);
        }
    });
}

void FileRecvView::OnRecvDone(char* data, unsigned length) {
    std::vector<std::string> paths;
    if (data == nullptr || length == 0) {
        LOG_WARN("receive end without a body dropped");
        return;
    }
    tandem::IpcBufferBuild channel(data, length, true);
    uint64_t bytes = 4;
    if (tandem::CreateDataStream(&channel)->ReadUtf8StringArray(paths) < 0) {
        LOG_WARN("receive end of " << length << " bytes dropped: unreadable");
        return;
    }
    for (const std::string& path : paths) {
        bytes += 2 + path.size();
    }
    if (bytes != length) {
        LOG_WARN("receive end of " << length << " bytes dropped: unreadable");
        return;
    }
    std::vector<std::wstring> wide;
    for (const std::string& path : paths) {
        wide.push_back(DE::UTF8ToUnicode(path));
    }
    PostToUi(lifetime, [this, wide] {
        std::lock_guard<std::recursive_mutex> guard(lock);
        // A finished receive is over: no later notice of the service is about it.
        if (currentDialog != nullptr && recvdialogops::Complete(currentDialog, wide)) {
            Retire(currentDialog);
            currentDialog = nullptr;
        }
    });
}

void FileRecvView::OnFolderPicked(char* data, unsigned length) {
    // The folder, or an empty text when the picker closed without a choice; with its NUL.
    const char* end =
        data != nullptr ? static_cast<const char*>(std::memchr(data, '\0', length)) : nullptr;
    if (end == nullptr) {
        LOG_WARN("picked folder of " << length << " bytes dropped: no text");
        return;
    }
    const std::string utf8(data, static_cast<size_t>(end - data));
    const std::wstring folder = DE::UTF8ToUnicode(utf8);
    if (folder.empty() != utf8.empty()) {
        LOG_WARN("picked folder of " << length << " bytes dropped: not UTF-8");
        return;
    }
    PostToUi(lifetime, [this, folder] {
        // The answer belongs to the dialog whose picker is open.
        FileRecvDialog* owner = pickerOwner;
        pickerOwner = nullptr;
        if (owner == nullptr || !recvdialogops::FolderPicked(owner, folder)) {
            LOG_WARN("picked folder dropped: no folder picker is open");
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Receive failure

void FileRecvView::OnRecvFileFailed(char* data, unsigned length) {
    if (data == nullptr || length == 0) {
        return;
    }
    tandem::IpcBufferBuild channel(data, length, true);
    std::unique_ptr<tandem::DataStream> stream = tandem::CreateDataStream(&channel);
    int32_t param = 0;
    unsigned char record[kStatusRecordSize] = {};
    if (stream->ReadInt32(param) < 0 || stream->ReadRaw(record, sizeof(record)) < 0) {
        LOG_WARN("receive failure notice too short: " << length << " bytes, "
                                                      << 4 + kStatusRecordSize << " needed");
        return;
    }
    uint32_t code = 0;
    std::memcpy(&code, record, sizeof(code));
    if (!EndsReceive(code)) {
        return;
    }
    PostToUi(lifetime, [this, code] { ApplyRecvFailure(code); });
}

void FileRecvView::ApplyRecvFailure(uint32_t code) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    // A failure ends an offer still open, never one refused, cancelled or completed.
    if (currentDialog == nullptr || !recvdialogops::IsInProgress(currentDialog)) {
        return;
    }
    recvdialogops::OnRecvFail(currentDialog, code);
    Retire(currentDialog);
    currentDialog = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Message boxes and the tip

void FileRecvView::OnShowRestartMsg(char*, unsigned) {
    ShowMessageNotice(kMsgRestartNeeded);
}

void FileRecvView::OnShowBtExceptionMsg(char*, unsigned) {
    ShowMessageNotice(kMsgBluetoothFault);
}

void FileRecvView::OnShowGoChannelBusyMsg(char*, unsigned) {
    ShowMessageNotice(kMsgDirectLinkBusy);
}

void FileRecvView::ShowMessageNotice(uint32_t messageId) {
    const bool bluetooth = messageId == kMsgBluetoothFault;
    std::unique_ptr<tandem::MsgBoxEvent> action;
    if (bluetooth) {
        action.reset(new (std::nothrow) BtErrorEvent);
    } else {
        action.reset(new (std::nothrow) WifiRestartEvent);
    }
    std::wstring title =
        UIEx::UIStringLocale::GetString(bluetooth ? L"IDS_BEAMLY_DIALOG_BLUETOOTHEXCEPTION_TITLE"
                                                  : L"IDS_BEAMLY_DIALOG_GOEXCEPTION_TITLE2");
    if (messageId != kMsgRestartNeeded) {
        SmBiosHelper* brand = SmBiosHelper::GetInstance();
        if (brand != nullptr && brand->IsLumenDevice()) {
            const std::wstring first(kFirstBrandName);
            const size_t at = title.find(first);
            if (at != std::wstring::npos) {
                title.replace(at, first.size(), kSecondBrandName);
            }
        }
    }
    const char* key = messageId == kMsgRestartNeeded    ? "PCRESTART_MSG"
                      : messageId == kMsgBluetoothFault ? "BTEXCEPTION_MSG"
                                                        : "GOCHANNEL_BUSY_MSG";
    tandem::ShowMessageBox(title, action.release(), key, kMessageBoxFlags, kMessageBoxButtons);
}

void FileRecvView::OnShowMaxFileCountTip(char*, unsigned) {
    const std::wstring text = DuiLib::UICulture::GetInstance()
                                  ->GetMultiVarStr(L"IDS_FILETRANSFER_TIP_MAX_FILE_COUNT_EXCEPTION",
                                                   {std::to_wstring(kMaxFileCount).c_str()}, 0)
                                  .str();
    auto* tip = new (std::nothrow) Vela::Ux::BeamlyTipWnd(text);
    if (tip == nullptr) {
        return;
    }
    // The host owns a tip it was handed; one that never reached it has no window yet.
    if (!ShowMsgTipWnd(tip, kTipDurationMs)) {
        delete tip;
    }
}

bool FileRecvView::ShowMsgTipWnd(void* window, unsigned durationMs) {
    if (window == nullptr || durationMs == 0) {
        return false;
    }
    NoticeBuffer buffer = BuildWindowNotice(window, durationMs);
    if (!buffer.bytes) {
        LOG_WARN("alloc message buffer failed.");
        return false;
    }
    if (transfer == nullptr) {
        return false;
    }
    return transfer->PostMessage(kEndpointHostNotice, kMsgHostNotice, kReplyIdUnset,
                                 buffer.bytes.get(), static_cast<uint32_t>(buffer.length));
}

void FileRecvView::ShowNoitfyWindow(DuiLib::WindowImplBase* window, int durationMs) {
    if (window == nullptr) {
        LOG_WARN("window is null");
        return;
    }
    NoticeBuffer buffer = BuildWindowNotice(window, static_cast<uint32_t>(durationMs));
    IPCMessageClient* client = transfer != nullptr ? transfer->GetIPCClient() : nullptr;
    if (!buffer.bytes || client == nullptr) {
        return;
    }
    TagIPCMessageItem item;
    item.destination = kEndpointHostNotice;
    item.source = kEndpointPlugin;
    item.messageId = kMsgHostNotice;
    item.data = buffer.bytes.get();
    item.dataLength = buffer.length;
    if (!client->PostIPCMessage(item)) {
        LOG_ERROR("post ShowNoitfyWindow msg failed");
    }
}

// ---------------------------------------------------------------------------------------------
// WLAN-disconnect window

void FileRecvView::OnShowWlanDisconnect(char*, unsigned) {
    LOG_WARN("FileRecvView::OnShowWlanDisconnect begin\n");
    PostToUi(lifetime, [this] { ShowWlanWindow(); });
}

void FileRecvView::ShowWlanWindow() {
    constexpr const char* kFunction = "FileRecvView::OnShowWlanDisconnect";
    LOG_WARN_FN(kFunction, "FileRecvView::OnShowWlanDisconnect show window start");
    std::unique_ptr<WifiRestartEvent> action(new (std::nothrow) WifiRestartEvent);
    if (wlanDialog) {
        if (IsWindow(wlanDialog->GetHWND())) {
            LOG_WARN_FN(kFunction, "Close Last Wnd.");
            wlanDialog->ActionDataReport();
            wlanDialog->CloseWindow();
        }
        DestroyWindowObject(wlanDialog.get());
        wlanDialog.reset();
    }
    wlanDialog.reset(new (std::nothrow) WifiDisconnect(action.get()));
    if (wlanDialog) {
        action.release();  // the window owns it now
    }
    ShowNoitfyWindow(wlanDialog.get(), kWlanDurationMs);
    LOG_WARN_FN(kFunction, "FileRecvView::OnShowWlanDisconnect show recalcheight window");
}

// ---------------------------------------------------------------------------------------------
// Decoder error window

void FileRecvView::OnShowMirrorDecoderUI(const char* data, unsigned length) {
    LOG_WARN("FileRecvView::OnShowMirrorDecoderUI begin");
    std::string text;
    if (data == nullptr) {
        LOG_WARN("FileRecvView::OnShowMirrorDecoderUI msg is null");
        text = "0";
    } else {
        // The text ends at its NUL, or with the body when the sender left the NUL out.
        const void* end = std::memchr(data, '\0', length);
        text.assign(data, end != nullptr ? static_cast<const char*>(end) - data : length);
    }
    PostToUi(lifetime, [this, text = std::move(text)] { ShowDecoderWindow(text); });
}

void FileRecvView::ShowDecoderWindow(const std::string& text) {
    constexpr const char* kFunction = "FileRecvView::OnShowMirrorDecoderUI";
    LOG_WARN_FN(kFunction, "FileRecvView::OnShowMirrorDecoderUI show window start");
    if (decoderDialog) {
        DestroyWindowObject(decoderDialog.get());
        decoderDialog.reset();
    }
    decoderDialog.reset(new (std::nothrow) DecoderErrorUI);
    if (!decoderDialog) {
        LOG_WARN_FN(kFunction, "FileRecvView::OnShowMirrorDecoderUI is null.\n");
    } else {
        if (text != "0") {
            decoderDialog->SetMode(DecoderErrorUI::kModeRestart);
        }
        decoderDialog->SetIPCClient(transfer != nullptr ? transfer->GetIPCClient() : nullptr);
        decoderDialog->Create(nullptr, L"DecoderErrorUI", kDecoderStyle, kDecoderExStyle,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT);
        decoderDialog->ShowWindow(true, true);
        LOG_WARN_FN(kFunction, "FileRecvView::OnShowMirrorDecoderUI show end");
        decoderDialog->MoveToCorner();
    }
    LOG_WARN_FN(kFunction, "FileRecvView::OnShowMirrorDecoderUI show recalcheight window");
}
