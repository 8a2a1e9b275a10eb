// The receive dialog's tests: a dialog built from the project's layout, opened on an offer,
// and clicks through its window procedure.
#pragma once

#include "FakeTransferFile.h"
#include "FileRecvDialog.h"
#include "RecvDialogOps.h"
#include "TempPath.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <TandemDataReportStandIn.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace recvdialogtest {

namespace fs = std::filesystem;
using tandemstandin::ReportedEvent;

using testsupport::Post;

// A DataStream string: 16-bit length, then the bytes.
inline std::string StreamString(const std::string& text) {
    const auto n = static_cast<uint16_t>(text.size());
    return std::string{static_cast<char>(n & 0xFF), static_cast<char>(n >> 8)} + text;
}

class FileRecvDialogTest : public testsupport::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        root = testsupport::TempPath("recvdialog");
        fs::remove_all(root);
        fs::create_directories(root);
        sender.devName = L"Ana's phone";
        sender.shareType = 0;
    }
    void TearDown() override {
        dialog.reset();
        fs::remove_all(root);
        UiTest::TearDown();
    }
    void Open(std::vector<std::wstring> files = {L"C:\\Users\\me\\holiday.mp4"},
              int64_t size = 3 * 1048576, bool withTransfer = true) {
        dialog = std::make_unique<FileRecvDialog>();
        ASSERT_TRUE(dialog->Prepare());
        dialog->SetTransfer(withTransfer ? &transfer : nullptr);
        dialog->SetSender(sender);
        dialog->SetOfferedFiles(std::move(files), size);
        ASSERT_NE(dialog->Create(nullptr, L"", WS_POPUP, WS_EX_TOOLWINDOW), nullptr);
    }
    // An offer of "a.mp4" shown as the dispatcher shows it, with a thumbnail that does not decode.
    void ShowOfferWithABadThumbnail() {
        const std::string garbage = "not a picture";
        RecvOffer offer;
        offer.sender = sender;
        offer.offeredNames = {L"a.mp4"};
        offer.thumbnail.assign(garbage.begin(), garbage.end());
        dialog = std::make_unique<FileRecvDialog>();
        ASSERT_TRUE(dialog->Prepare());
        ASSERT_TRUE(recvdialogops::ShowOffer(dialog.get(), offer));
    }
    DuiLib::CControlUI* Control(const wchar_t* name) {
        return dialog->GetPaintManager()->FindControl(name);
    }
    std::wstring TextOf(const wchar_t* name) { return Control(name)->GetText().str(); }
    // A user's click: through the window procedure, nothing for a hidden or disabled button.
    void ClickOn(const wchar_t* name) {
        duistandin::Click(Control(name));
        duistandin::RunUntilIdle();
    }

    fs::path root;
    KxShareDevices sender;
    testsupport::FakeTransferFile transfer;
    std::unique_ptr<FileRecvDialog> dialog;
};

}  // namespace recvdialogtest
