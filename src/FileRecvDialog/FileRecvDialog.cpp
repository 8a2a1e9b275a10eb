#include "FileRecvDialog.h"

#include "DataStream.h"
#include "IPCMessageIds.h"
#include "UIBackgroundProgress.h"
#include "UsageReport.h"

#include <KxProcess.h>
#include <Registry.h>
#include <SDK/Util/LogTool/LogTool.h>
#include <TandemUtil.h>
#include <shellapi.h>
#include <shlobj.h>
#include <unicode/fmtable.h>
#include <unicode/msgfmt.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <system_error>

using DuiLib::CControlUI;
using DuiLib::CDuiString;

namespace {

const wchar_t kWindowClassName[] = L"RECEIVE FILE DIALOG";
const wchar_t kSkinFile[] = L"../../res/layout/swiftsend/file_receive_dialog.xml";
const wchar_t kShareLinkIcon[] = L"../../res/drawable/swiftsend/icon_velmorashare.png";
const wchar_t kBluetoothIcon[] = L"../../res/drawable/swiftsend/icon_bluetooth.png";
const wchar_t kSeveralFilesIcon[] = L"drawable\\beamly\\pic_beamly_files_mini.png";
const wchar_t kFolderHelper[] = L"OpenDir.exe";
const wchar_t kOpenFolderArgument[] = L"openfolder";

// Size of the bitmap asked for a picture file's thumbnail, in design pixels.
constexpr int kThumbSize = 40;

const wchar_t* const kStandardFolders[] = {L"Desktop", L"Documents", L"Downloads",
                                           L"Music",   L"Pictures",  L"Videos"};

// Controls of the skin.
const wchar_t kTitle[] = L"file_recv_dialog_title";
const wchar_t kBackground[] = L"file_recv_dialog_background";
const wchar_t kDeviceType[] = L"file_recv_dialog_devicetype";
const wchar_t kHeaderLabel[] = L"file_recv_dialog_header_label";
const wchar_t kFileName[] = L"file_recv_dialog_filename";
const wchar_t kFileIcon[] = L"file_recv_dialog_file_icon";
const wchar_t kFileSize[] = L"file_recv_dialog_filesize";
const wchar_t kInitFooter[] = L"file_recv_dialog_init_footer";
const wchar_t kRecvingFooter[] = L"file_recv_dialog_recving_footer";
const wchar_t kCompleteFooter[] = L"file_recv_dialog_complete_footer";
const wchar_t kAcceptButton[] = L"file_recv_dialog_accept_button";
const wchar_t kRefuseButton[] = L"file_recv_dialog_refuse_button";
const wchar_t kSaveButton[] = L"file_recv_dialog_save_button";
const wchar_t kCancelButton[] = L"file_recv_dialog_cancel_button";
const wchar_t kOpenButton[] = L"file_recv_dialog_open_button";
const wchar_t kOpenDirButton[] = L"file_recv_dialog_opendir_button";
const wchar_t kFailIcon[] = L"file_recv_dialog_fail_icon";
const wchar_t kSpeed[] = L"file_recv_dialog_speed";
const wchar_t kTimeRemains[] = L"file_recv_dialog_time_remains";
const wchar_t kCloseButton[] = L"window_close_button";

std::wstring Text(const wchar_t* id) {
    return DuiLib::UICulture::GetInstance()->GetString(id).str();
}

DuiLib::CContainerUI* AsContainer(CControlUI* control) {
    return control ? static_cast<DuiLib::CContainerUI*>(control->GetInterface(L"Container"))
                   : nullptr;
}

// Makes CONTROL the only child of CONTAINER; a control already inside some container is taken
// out first so that clearing the container does not delete it.
void AdoptInto(DuiLib::CContainerUI* container, CControlUI* control) {
    if (DuiLib::CContainerUI* parent = AsContainer(control->GetParent())) {
        parent->Remove(control, true);
    }
    container->RemoveAll();
    container->Add(control);
}

void TakeOut(CControlUI* control) {
    if (control == nullptr) {
        return;
    }
    if (DuiLib::CContainerUI* parent = AsContainer(control->GetParent())) {
        parent->Remove(control, true);
    }
}

// A phone may name its files with either separator.
std::wstring AfterLastSeparator(const std::wstring& name) {
    const size_t slash = name.find_last_of(L"\\/");
    return slash == std::wstring::npos ? name : name.substr(slash + 1);
}

std::wstring LowerExtension(const std::wstring& name) {
    const size_t dot = name.rfind(L'.');
    std::wstring ext = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; });
    return ext;
}

// The file system path of a Windows path: backslashes separate folders. Built from Unicode text,
// so that Windows opens it by its wide name rather than in the ANSI code page.
std::filesystem::path FsPath(const std::wstring& path) {
    std::string utf8 = DE::UnicodeToUTF8(path);
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    return std::filesystem::u8path(utf8);
}

bool IsDirectory(const std::wstring& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(FsPath(path), error);
}

bool Exists(const std::wstring& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::exists(FsPath(path), error);
}

// TEXT in UTF-8 followed by its terminating NUL, as the folder helper reads it.
std::string Utf8WithNul(const std::wstring& text) {
    std::string bytes = DE::UnicodeToUTF8(text);
    bytes.push_back('\0');
    return bytes;
}

// "{0}" of PATTERN (an ICU message pattern) replaced by ARGUMENT; PATTERN as it stands when it
// cannot be formatted.
std::wstring FormatMessage(const std::wstring& pattern, const std::wstring& argument) {
    const icu::UnicodeString icuPattern = icu::UnicodeString::fromUTF8(DE::UnicodeToUTF8(pattern));
    const icu::Formattable arguments[] = {
        icu::Formattable(icu::UnicodeString::fromUTF8(DE::UnicodeToUTF8(argument)))};
    icu::UnicodeString result;
    UErrorCode status = U_ZERO_ERROR;
    icu::MessageFormat::format(icuPattern, arguments, 1, result, status);
    if (U_FAILURE(status)) {
        LOG_WARN("header text is not a message pattern: " << u_errorName(status));
        return pattern;
    }
    std::string utf8;
    result.toUTF8String(utf8);
    return DE::UTF8ToUnicode(utf8);
}

}  // namespace

FileRecvDialog::FileRecvDialog() = default;

FileRecvDialog::~FileRecvDialog() {
    if (::IsWindow(m_hWnd)) {
        ::KillTimer(m_hWnd, kAutoCloseTimerId);
        ::KillTimer(m_hWnd, kPickerPostTimerId);
        ::KillTimer(m_hWnd, kOpenFolderPostTimerId);
        closed = true;
        ::DestroyWindow(m_hWnd);
    }
    ReclaimControls();
}

bool FileRecvDialog::Prepare() {
    std::unique_ptr<UIEx::CThumbControlUI> thumb(new (std::nothrow) UIEx::CThumbControlUI());
    std::unique_ptr<UIBackgroundProgress> bar(new (std::nothrow) UIBackgroundProgress());
    if (!thumb || !bar) {
        return false;
    }
    thumbControl = std::move(thumb);
    progress = std::move(bar);
    return true;
}

void FileRecvDialog::SetOfferedFiles(std::vector<std::wstring> names, int64_t totalBytes) {
    offeredNames = std::move(names);
    totalSize = totalBytes;
}

void FileRecvDialog::SetThumbnail(const uint8_t* data, uint32_t size) {
    thumbnailData.reset();
    thumbnailSize = 0;
    if (data == nullptr || size == 0) {
        return;
    }
    thumbnailData.reset(new (std::nothrow) uint8_t[size]);
    if (thumbnailData) {
        std::memcpy(thumbnailData.get(), data, size);
        thumbnailSize = size;
    }
}

void FileRecvDialog::SetReceivedPaths(std::vector<std::wstring> paths) {
    receivedPaths = std::move(paths);
}

void FileRecvDialog::SetState(RecvState newState) {
    state = static_cast<int32_t>(newState);
    RefreshStateViews();
}

const wchar_t* FileRecvDialog::GetWindowClassName() const {
    return kWindowClassName;
}

CDuiString FileRecvDialog::GetSkinFile() {
    return kSkinFile;
}

CControlUI* FileRecvDialog::Find(const wchar_t* name) const {
    return const_cast<DuiLib::CPaintManagerUI&>(m_pm).FindControl(name);
}

void FileRecvDialog::InitWindow() {
    CControlUI* title = Find(kTitle);
    DuiLib::CContainerUI* background = AsContainer(Find(kBackground));
    CControlUI* deviceType = Find(kDeviceType);
    if (!title || !background || !deviceType) {
        return;
    }
    title->SetText(Text(L"IDS_FILERECEIVE_DIALOG_TITLE").c_str());
    if (sender.shareType != 0 && sender.shareType != 1) {
        return;
    }
    deviceType->SetBkImage(sender.shareType == 0 ? kShareLinkIcon : kBluetoothIcon);
    ShowFileNameAndIcon();
    ShowFileSize();
    if (progress) {
        progress->SetPercent(0);
        AdoptInto(background, progress.get());
    }
    if (autoAccept != 0) {
        OnAcceptClick();
        state = static_cast<int32_t>(RecvState::Receiving);
    }
    RefreshStateViews();
}

void FileRecvDialog::ShowFileNameAndIcon() {
    const std::wstring first = offeredNames.empty() ? std::wstring() : offeredNames.front();
    const std::wstring name = AfterLastSeparator(first);
    if (CControlUI* label = Find(kFileName)) {
        label->SetText(name.c_str());
        label->SetToolTip(name.c_str());
    }
    DuiLib::CContainerUI* iconBox = AsContainer(Find(kFileIcon));
    if (!iconBox || !thumbControl) {
        return;
    }
    if (offeredNames.size() >= 2) {
        thumbControl->LoadFromFile(kSeveralFilesIcon);
    } else if (!thumbnailData || thumbnailSize == 0 ||
               !thumbControl->LoadFromData(thumbnailData.get(), thumbnailSize)) {
        // A thumbnail that does not decode shows as the file's own picture or type icon.
        const std::wstring ext = LowerExtension(name);
        const int size = DuiLib::CResourceManager::GetInstance()->Scale(kThumbSize);
        void* bitmap = nullptr;
        if (ext == L".png" || ext == L".jpg" || ext == L".bmp") {
            bitmap = PngThumbNailUtils::GetFileThumb(first, size, size);
        }
        if (bitmap == nullptr || !thumbControl->LoadFromHBITMAP(bitmap)) {
            const int type = GetFileType(TandemUtilClass::GetFileExt(name));
            thumbControl->LoadFromFile(GetDefaultIconPath(type));
        }
    }
    AdoptInto(iconBox, thumbControl.get());
}

void FileRecvDialog::ShowFileSize() {
    CControlUI* label = Find(kFileSize);
    if (!label) {
        return;
    }
    float value = static_cast<float>(totalSize);
    const wchar_t* unit = L"IDS_INSTANTHOTSPOT_BYTE";
    if (totalSize > 0x40000000LL) {
        value = value / 1024.0f / 1024.0f / 1024.0f;
        unit = L"IDS_INSTANTHOTSPOT_GIGABYTE";
    } else if (totalSize > 0x100000LL) {
        value = value / 1024.0f / 1024.0f;
        unit = L"IDS_INSTANTHOTSPOT_MILLIONBYTE";
    } else if (totalSize > 0x400LL) {
        value = value / 1024.0f;
        unit = L"IDS_INSTANTHOTSPOT_KILOBYTE";
    }
    char number[64];
    std::snprintf(number, sizeof number, "%0.2f", static_cast<double>(value));
    const std::wstring text = DE::UTF8ToUnicode(number) + Text(unit);
    label->SetText(text.c_str());
    label->SetToolTip(text.c_str());
}

void FileRecvDialog::RefreshStateViews() {
    RefreshHeader();
    RefreshFooters();
}

void FileRecvDialog::RefreshHeader() {
    CControlUI* header = Find(kHeaderLabel);
    if (!header) {
        return;
    }
    std::wstring text;
    switch (GetState()) {
        case RecvState::Waiting: {
            const CDuiString count = std::to_wstring(offeredNames.size());
            const std::wstring pattern =
                DuiLib::UICulture::GetInstance()
                    ->GetMultiVarStr(L"IDS_FILERECEIVE_DIALOG_SENDING_FILE_TXT", {count}, 1)
                    .str();
            text = FormatMessage(pattern, sender.devName);
            break;
        }
        case RecvState::Receiving:
            text = Text(L"IDS_FILERECEIVE_DIALOG_RECVING_TXT");
            break;
        case RecvState::Received:
            text = Text(L"IDS_FILERECEIVE_DIALOG_RECVING_SUCCESS_TXT");
            break;
        case RecvState::Failed:
            text = Text(L"IDS_FILERECEIVE_DIALOG_RECVING_FAIL_TXT");
            break;
    }
    header->SetText(text.c_str());
    header->SetToolTip(header->GetText());
}

void FileRecvDialog::RefreshFooters() {
    CControlUI* init = Find(kInitFooter);
    CControlUI* receiving = Find(kRecvingFooter);
    CControlUI* complete = Find(kCompleteFooter);
    if (!init || !receiving || !complete) {
        return;
    }
    const RecvState now = GetState();
    init->SetVisible(now == RecvState::Waiting);
    receiving->SetVisible(now == RecvState::Receiving);
    complete->SetVisible(now == RecvState::Received || now == RecvState::Failed);
    CControlUI* open = Find(kOpenButton);
    if (receivedPaths.size() >= 2 && open) {
        open->SetVisible(false);
    }
}

bool FileRecvDialog::OnAcceptClick() {
    if (!transfer) {
        return false;
    }
    if (savePath.empty()) {
        LOG_WARN("fail to get receive file path.");
        return false;
    }
    const std::string folder = DE::UnicodeToUTF8(savePath);
    if (folder.empty()) {
        LOG_WARN("kxshare:OnAccept() UnicodeToUTF8 fail.");
        return false;
    }
    tandem::IpcBufferBuild counter(nullptr, 0, false);
    const int32_t size = tandem::Serialize(*tandem::CreateDataStream(&counter), folder);
    if (size < 0) {
        LOG_WARN("fail to packetSavePath. len=" << size);
        return false;
    }
    if (!transfer) {
        return false;
    }
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<size_t>(size) + 1]);
    if (!buffer) {
        LOG_WARN("fail tonew char[");
        return false;
    }
    tandem::IpcBufferBuild writer(buffer.get(), static_cast<uint32_t>(size), false);
    std::unique_ptr<tandem::DataStream> stream = tandem::CreateDataStream(&writer);
    tandem::Serialize(*stream, folder);
    stream->Flush();
    transfer->PostMessage(kEndpointTandemService, kMsgTandemRecvAccept, kReplyIdUnset, buffer.get(),
                          static_cast<uint32_t>(size));
    acceptTicks = GetTickCount64();
    return true;
}

bool FileRecvDialog::OnRefuseClick() {
    if (!transfer) {
        return false;
    }
    transfer->PostMessage(kEndpointTandemService, kMsgTandemRecvRefuse, kReplyIdUnset, nullptr, 0);
    Close();
    return true;
}

bool FileRecvDialog::OnCancelClick() {
    SetState(RecvState::Failed);
    if (!transfer) {
        return false;
    }
    transfer->PostMessage(kEndpointTandemService, kMsgTandemRecvCancel, kReplyIdUnset, nullptr, 0);
    ArmAutoClose();
    Close();
    return true;
}

void FileRecvDialog::OnCloseClick() {
    const RecvState now = GetState();
    if (now == RecvState::Waiting) {
        OnRefuseClick();
    } else if (now == RecvState::Receiving) {
        OnCancelClick();
    }
    Close();
}

std::wstring FileRecvDialog::DefaultSaveFolder() {
    wchar_t appData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) {
        return std::wstring();
    }
    for (const wchar_t* name : kStandardFolders) {
        const std::wstring candidate = std::wstring(appData) + L"\\..\\..\\" + name;
        if (VelaShare::OnCreateDirectory(candidate) != 0) {
            return candidate;
        }
    }
    return std::wstring();
}

bool FileRecvDialog::OnSaveClick() {
    const std::wstring folder = savePath.empty() ? DefaultSaveFolder() : savePath;
    if (folder.empty()) {
        return false;
    }
    OpenDirDialog(folder);
    return true;
}

bool FileRecvDialog::OnOpenClick() {
    if (receivedPaths.size() != 1 || !Exists(receivedPaths.front())) {
        return false;
    }
    const auto result = reinterpret_cast<intptr_t>(::ShellExecuteW(
        nullptr, L"open", receivedPaths.front().c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    // Results above 32 mean the file was handed to its program.
    if (result <= 32) {
        LOG_WARN("received file could not be opened: " << result);
        return false;
    }
    return true;
}

void FileRecvDialog::OpenDirDialog(const std::wstring& folder) {
    if (!transfer) {
        return;
    }
    if (pickerListener) {
        pickerListener(this);
    }
    folderDialogOpen = true;
    if (!KXPROCESS::CreateProcessNormal(kFolderHelper, folder, nullptr, 1)) {
        // No helper, no picker: the window goes on answering.
        LOG_WARN("folder helper could not be started");
        folderDialogOpen = false;
        return;
    }
    pendingPickerPost = Utf8WithNul(folder);
    if (!::IsWindow(m_hWnd) ||
        ::SetTimer(m_hWnd, kPickerPostTimerId, kHelperStartWaitMs, nullptr) == 0) {
        SendPendingHelperPost(kPickerPostTimerId);
    }
}

void FileRecvDialog::CloseDirDialog() {
    if (!folderDialogOpen) {
        return;
    }
    folderDialogOpen = false;
    if (::IsWindow(m_hWnd)) {
        ::KillTimer(m_hWnd, kPickerPostTimerId);
    }
    pendingPickerPost.clear();
    if (transfer) {
        transfer->PostMessage(kEndpointFolderHelper, kMsgFolderClosePicker, kReplyIdUnset, nullptr,
                              0);
    }
}

bool FileRecvDialog::OnFolderPicked(const std::wstring& folder) {
    if (!folderDialogOpen) {
        return false;
    }
    if (!folder.empty()) {
        savePath = folder;
    }
    CloseDirDialog();
    m_pm.Invalidate();
    return true;
}

bool FileRecvDialog::OnOpenDirClick() {
    if (!transfer || !IsDirectory(savePath)) {
        return false;
    }
    std::vector<std::wstring> kept;
    for (const std::wstring& path : receivedPaths) {
        if (Exists(path)) {
            kept.push_back(path);
        }
    }
    if (kept.empty()) {
        return false;
    }
    KXPROCESS::CreateProcessNormal(kFolderHelper, kOpenFolderArgument, nullptr, 1);
    std::wstring selection = savePath;
    for (const std::wstring& path : kept) {
        selection += L"|" + path;
    }
    pendingOpenFolderPost = Utf8WithNul(selection);
    if (!::IsWindow(m_hWnd) ||
        ::SetTimer(m_hWnd, kOpenFolderPostTimerId, kHelperStartWaitMs, nullptr) == 0) {
        SendPendingHelperPost(kOpenFolderPostTimerId);
    }
    return true;
}

void FileRecvDialog::PostToFolderHelper(uint32_t messageId, const std::string& utf8WithNul) {
    if (!transfer) {
        return;
    }
    const bool posted =
        transfer->PostMessage(kEndpointFolderHelper, messageId, kReplyIdUnset, utf8WithNul.data(),
                              static_cast<uint32_t>(utf8WithNul.size()));
    if (!posted && messageId == kMsgFolderOpenPicker) {
        LOG_WARN("open dir dialog SendIPCMsg result is Failed.");
    }
}

void FileRecvDialog::SendPendingHelperPost(UINT_PTR timerId) {
    if (::IsWindow(m_hWnd)) {
        ::KillTimer(m_hWnd, timerId);
    }
    std::string& pending =
        timerId == kPickerPostTimerId ? pendingPickerPost : pendingOpenFolderPost;
    if (pending.empty()) {
        return;
    }
    const std::string bytes = std::move(pending);
    pending.clear();
    PostToFolderHelper(
        timerId == kPickerPostTimerId ? kMsgFolderOpenPicker : kMsgFolderOpenAndSelect, bytes);
}

void FileRecvDialog::OnRecvFail(uint32_t code) {
    if (closed) {
        return;
    }
    Vela::Ux::ReportEvent(Vela::Ux::UsageEvent::TransferFailed, 1, code);
    Vela::Ux::ReportEvent(Vela::Ux::UsageEvent::ReceiveFailed, 0, code, sender.devTypeIsOne,
                          sender.shareType, 0);
    SetState(RecvState::Failed);
    CControlUI* open = Find(kOpenButton);
    CControlUI* openDir = Find(kOpenDirButton);
    CControlUI* failIcon = Find(kFailIcon);
    CControlUI* speed = Find(kSpeed);
    CControlUI* timeRemains = Find(kTimeRemains);
    if (!open || !openDir || !failIcon || !speed || !timeRemains) {
        return;
    }
    failIcon->SetVisible(true);
    open->SetEnabled(false);
    openDir->SetEnabled(false);
    speed->SetVisible(false);
    timeRemains->SetVisible(false);
    if (progress) {
        progress->SetPercent(0);
    }
    ArmAutoClose();
    CloseDirDialog();
}

void FileRecvDialog::ArmAutoClose() {
    lastActivity = _time64(nullptr);
    if (autoCloseTimer != 0) {
        ::KillTimer(m_hWnd, autoCloseTimer);
        autoCloseTimer = 0;
    }
    autoCloseTimer = ::SetCoalescableTimer(m_hWnd, kAutoCloseTimerId, kAutoCloseTickMs, nullptr, 0);
    autoCloseArmed = true;
}

void FileRecvDialog::OnAutoCloseTick() {
    const __time64_t now = _time64(nullptr);
    if (std::difftime(static_cast<time_t>(now), static_cast<time_t>(lastActivity)) >
        kAutoCloseIdleSeconds) {
        ::KillTimer(m_hWnd, kAutoCloseTimerId);
        autoCloseTimer = 0;
        Close();
    }
}

void FileRecvDialog::MoveToCorner() {
    RECT window{};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetWindowRect(m_hWnd, &window) ||
        !::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &info)) {
        return;
    }
    const int w = window.right - window.left;
    const int h = window.bottom - window.top;
    const int margin = DuiLib::CResourceManager::GetInstance()->Scale(kCornerMargin);
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, info.rcWork.right - w - margin,
                   info.rcWork.bottom - h - margin, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void FileRecvDialog::Close() {
    thumbnailData.reset();
    thumbnailSize = 0;
    if (::IsWindow(m_hWnd)) {
        ::KillTimer(m_hWnd, kAutoCloseTimerId);
        // A selection still waiting for the helper to start goes now rather than never.
        if (!pendingOpenFolderPost.empty()) {
            SendPendingHelperPost(kOpenFolderPostTimerId);
        }
    }
    autoCloseTimer = 0;
    CloseDirDialog();
    CWindowWnd::Close(1);
}

void FileRecvDialog::Notify(DuiLib::TNotifyUI& msg) {
    if (autoCloseArmed) {
        POINT cursor{};
        if (::GetCursorPos(&cursor) && ::WindowFromPoint(cursor) == m_hWnd && m_hWnd) {
            lastActivity = _time64(nullptr);
        }
    }
    if (msg.sType != L"click" || !msg.pSender) {
        WindowImplBase::Notify(msg);
        return;
    }
    using Vela::Ux::UserAction;
    const CDuiString name = msg.pSender->GetName();
    auto report = [](UserAction action) {
        Vela::Ux::ReportEvent(Vela::Ux::UsageEvent::UserAction, action);
    };
    if (name == kCloseButton) {
        report(UserAction::ReceiveDialogWindowClose);
        OnCloseClick();
    } else if (name == kAcceptButton) {
        report(UserAction::ReceiveDialogAccept);
        SetState(RecvState::Receiving);
        OnAcceptClick();
    } else if (name == kSaveButton) {
        report(UserAction::ReceiveDialogSave);
        OnSaveClick();
    } else if (name == kRefuseButton) {
        report(UserAction::ReceiveDialogRefuse);
        OnRefuseClick();
    } else if (name == kCancelButton) {
        report(UserAction::ReceiveDialogCancel);
        OnCancelClick();
    } else if (name == kOpenButton) {
        report(UserAction::ReceiveDialogOpen);
        OnOpenClick();
    } else if (name == kOpenDirButton) {
        report(UserAction::ReceiveDialogOpenFolder);
        OnOpenDirClick();
    }
}

LRESULT FileRecvDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    // The helper's start-up wait ends whatever else the window is doing.
    if (msg == WM_TIMER && (wParam == kPickerPostTimerId || wParam == kOpenFolderPostTimerId)) {
        SendPendingHelperPost(wParam);
        return 0;
    }
    if (folderDialogOpen) {
        return 0;
    }
    if (closed) {
        return 0;
    }
    if (autoCloseArmed && msg == WM_TIMER && wParam == kAutoCloseTimerId) {
        OnAutoCloseTick();
        return 0;
    }
    return WindowImplBase::HandleMessage(msg, wParam, lParam);
}

LRESULT FileRecvDialog::OnClose(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    closed = true;
    return WindowImplBase::OnClose(msg, wParam, lParam, handled);
}

void FileRecvDialog::OnFinalMessage(HWND hWnd) {
    ReclaimControls();
    WindowImplBase::OnFinalMessage(hWnd);
}

void FileRecvDialog::ReclaimControls() {
    TakeOut(progress.get());
    TakeOut(thumbControl.get());
}
