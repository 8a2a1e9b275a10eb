// The folder helper on the bus: the picker reports the folder it was opened at (or the one set as
// the choice) to its sender, closes on request, and the folder-opening text splits into the folder
// and its files even where the paths themselves hold bars.
#include "BusPost.h"
#include "EndpointRecorder.h"
#include "IPCMessageIds.h"
#include "OpenDirEndpoint.h"

#include <gtest/gtest.h>
#include <IPCMessageStandIn.h>

#include <string>
#include <vector>

namespace {

bool PostText(IPCMessageClient& from, uint32_t messageId, const std::string& text) {
    return demo::PostFrom(from, kEndpointPlugin, kEndpointFolderHelper, messageId, text.c_str(),
                          text.size() + 1);
}

TEST(OpenDirTest, PickerReportsItsFolderToTheSenderClosesAndSelectionsAreRecorded) {
    opendir::OpenDirEndpoint endpoint([](const std::string&) {});
    ASSERT_TRUE(endpoint.Start());
    testsupport::EndpointRecorder picked(kEndpointPlugin, kMsgFolderPicked);
    IPCMessageClient& plugin = picked.Client();
    const std::string folder = "C:\\Users\\me\\..\\..\\Desktop\xE2\x82\xAC";
    ASSERT_TRUE(PostText(plugin, kMsgFolderOpenPicker, folder));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    EXPECT_TRUE(endpoint.IsPickerOpen());
    EXPECT_EQ(endpoint.PickerFolder(), folder);
    // A choice of the user's is reported instead of the start folder.
    endpoint.SetChoice("D:\\picked");
    ASSERT_TRUE(PostText(plugin, kMsgFolderOpenPicker, folder));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    EXPECT_EQ(picked.Bodies(),
              (std::vector<std::string>{folder + std::string(1, '\0'),
                                        std::string("D:\\picked") + std::string(1, '\0')}));
    bool closed = false;
    endpoint.SetOnPickerClosed([&closed] { closed = true; });
    ASSERT_TRUE(
        demo::PostFrom(plugin, kEndpointPlugin, kEndpointFolderHelper, kMsgFolderClosePicker));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    EXPECT_FALSE(endpoint.IsPickerOpen());
    EXPECT_TRUE(closed);

    // The folder-opening text is recorded as its selection.
    ASSERT_TRUE(PostText(plugin, kMsgFolderOpenAndSelect, "C:\\in|C:\\in\\a.jpg"));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    ASSERT_EQ(endpoint.Selections().size(), 1u);
    EXPECT_EQ(endpoint.Selections()[0].files, (std::vector<std::string>{"C:\\in\\a.jpg"}));
    endpoint.Stop();
}

TEST(OpenDirTest, SelectionSplitsIntoFolderAndFiles) {
    struct Case {
        std::string text;
        std::string folder;
        std::vector<std::string> files;
    } cases[] = {
        {"C:\\in|C:\\in\\a.jpg|C:\\in\\b.txt", "C:\\in", {"C:\\in\\a.jpg", "C:\\in\\b.txt"}},
        {"/r/in|box|/r/in|box/a.jpg|/r/in|box/b|c.txt",
         "/r/in|box",
         {"/r/in|box/a.jpg", "/r/in|box/b|c.txt"}},
        {"C:\\in|D:\\x.txt", "C:\\in", {"D:\\x.txt"}},
        {"C:\\in", "C:\\in", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const opendir::Selection selection = opendir::ParseSelection(c.text);
        EXPECT_EQ(selection.folder, c.folder);
        EXPECT_EQ(selection.files, c.files);
    }
}

}  // namespace
