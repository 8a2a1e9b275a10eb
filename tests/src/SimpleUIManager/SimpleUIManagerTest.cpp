// The IPC hub: dispatch order of the handler kinds, the paired phone from the registry and the
// share request on the wire.
#include "EndpointRecorder.h"
#include "FileTransferModel.h"
#include "IPCMessageIds.h"
#include "LogCapture.h"
#include "SimpleUIManager.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <IPCMessageStandIn.h>
#include <UtilStandIn.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using Vela::Ux::SimpleUIManager;

const char kPairedPhone[] = R"(Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\SOFTWARE\Velmora\Corvix\Beamly\PairPhone2]
"IsPaired"=dword:00000001
"Summary"="sum-42"
"DevName"="Pad"
"UserName"="ann"
"NickName"="Ann's phone"
"MacAddr"=hex:01,02,03,04,05,06,07,08
"DevType"=dword:00000001
"ShareType"=dword:00000001
)";

// Plays the tandem service and keeps what reaches it.
using ServiceRecorder = testsupport::EndpointRecorder;

// Share request fields as the payload holds them: a 32-bit number, a text behind its 16-bit
// length, and the request's end: its paths as a counted array, then no thumbnail.
std::string Int32(int32_t value) {
    return std::string(reinterpret_cast<const char*>(&value), 4);
}
std::string Text(const std::string& text) {
    const auto n = static_cast<uint16_t>(text.size());
    return std::string(reinterpret_cast<const char*>(&n), 2) + text;
}
std::string PathsTail(const std::vector<std::string>& paths) {
    std::string tail = Int32(static_cast<int32_t>(paths.size()));
    for (const std::string& path : paths) {
        tail += Text(path);
    }
    return tail + Int32(0);
}
// What a message carried besides its body.
std::vector<uint64_t> Header(const TagIPCMessageItem& item) {
    return {item.messageId, item.source, item.replyId, item.dataLength};
}

class SimpleUIManagerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(utilstandin::LoadRegistryText(kPairedPhone)); }
    void TearDown() override { utilstandin::ClearRegistry(); }
};

TEST_F(SimpleUIManagerTest, HandlersRunKindAThenCThenBEachInRegistrationOrder) {
    SimpleUIManager manager;
    std::vector<std::string> calls;  // only touched on the bus thread, read after idle
    manager.RegisterMessageHandler(0x1C0030,
                                   [&](uint32_t, const char*, uint32_t) { calls.push_back("B1"); });
    manager.RegisterItemHandler(0x1C0030, [&](TagIPCMessageItem&) { calls.push_back("C1"); });
    manager.RegisterDataHandler(0x1C0030, [&](char* data, uint32_t length) {
        calls.push_back("A1:" + std::string(data, length));
    });
    manager.RegisterMessageHandler(0x1C0030, [&](uint32_t id, const char*, uint32_t length) {
        calls.push_back("B2:" + std::to_string(id) + "/" + std::to_string(length));
    });
    manager.RegisterDataHandler(0x1C0030, nullptr);  // empty handlers are skipped
    manager.RegisterDataHandler(0x1C0030, [&](char*, uint32_t) { calls.push_back("A2"); });
    // Reaches the manager through its general callback.
    ASSERT_TRUE(manager.PostMessage(kEndpointPlugin, 0x1C0030, 0, "hi", 2));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    EXPECT_EQ(calls, (std::vector<std::string>{"A1:hi", "A2", "C1", "B1", "B2:1835056/2"}));
}

TEST_F(SimpleUIManagerTest, ReadsThePairedPhoneAndNoneWithoutKeyOrWhenNotPaired) {
    SimpleUIManager manager;
    KxShareDevices device;
    // The names, the device type and the address are checked on the wire in the share request.
    ASSERT_TRUE(manager.ReadPairedDevice(device));
    EXPECT_EQ(device.shareType, 1u);
    EXPECT_FALSE(device.wifi5GAbility);  // no "Wifi5GAbility" value: read as 0

    // No phone without the key or when not paired.
    utilstandin::ClearRegistry();
    EXPECT_FALSE(manager.ReadPairedDevice(device));
    std::string unpaired = kPairedPhone;
    unpaired.replace(unpaired.find("dword:00000001"), 14, "dword:00000002");
    ASSERT_TRUE(utilstandin::LoadRegistryText(unpaired));
    EXPECT_FALSE(manager.ReadPairedDevice(device));
}

TEST_F(SimpleUIManagerTest, ShareRequestIsWrittenFieldByFieldAndTheCancelFollows) {
    ServiceRecorder service(kEndpointTandemService);
    SimpleUIManager manager;
    KxShareDevices device;
    ASSERT_TRUE(manager.ReadPairedDevice(device));
    device.shareType = 2;
    device.wifi5GAbility = true;
    ASSERT_TRUE(manager.SendShareRequest(device, {L"/tmp/caf\u00e9.txt", L"/tmp/b.PNG"}));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());

    // Built by hand from the request's field table: a 0, devTypeIsOne, a reserved 0, the share
    // type, the address, the four names, wifi5GAbility, two zeros, the paths and no thumbnail
    // (the extension test is case-sensitive).
    const std::string expected = Int32(0) + Int32(1) + Int32(0) + Int32(2) +
                                 std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8) +
                                 Text("Ann's phone") + Text("sum-42") + Text("Pad") + Text("ann") +
                                 Int32(1) + Int32(0) + Int32(0) +
                                 PathsTail({"/tmp/caf\xc3\xa9.txt", "/tmp/b.PNG"});

    // The cancel follows with no body and no reply.
    EXPECT_TRUE(manager.CancelSend());
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    ASSERT_EQ(service.Items().size(), 2u);
    EXPECT_EQ(Header(service.Items()[0]),
              (std::vector<uint64_t>{kMsgTandemShareSend, kEndpointPlugin, kMsgShareProgress,
                                     expected.size()}));
    EXPECT_EQ(service.Bodies()[0], expected);
    EXPECT_EQ(Header(service.Items()[1]),
              (std::vector<uint64_t>{kMsgTandemShareCancel, kEndpointPlugin, 0, 0}));
}

// A path's UTF-8 form must fit a payload string (at most 32,767 bytes): a longer one would wrap
// its 16-bit length and the service would read the rest of the request as other paths.
TEST_F(SimpleUIManagerTest, ShareRequestIsRefusedWithoutFilesOrWithAnOverlongPath) {
    struct Case {
        std::vector<std::wstring> files;
        const char* warning;  // empty: sent
    } const cases[] = {
        {{}, nullptr},
        {{L"/a", std::wstring(70005, L'p')}, "path 2 of 2 is 70005 bytes in UTF-8"},
        {{std::wstring(32767, L'p') + L"x"}, "path 1 of 1 is 32768 bytes in UTF-8"},
        {{std::wstring(32766, L'p') + L"\u00e9"}, "path 1 of 1 is 32768 bytes in UTF-8"},
        {{L"/a", std::wstring(32767, L'p')}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.warning == nullptr ? "no files" : c.warning);
        ServiceRecorder service(kEndpointTandemService);
        SimpleUIManager manager;
        testsupport::LogCapture log;
        const bool sent = c.warning != nullptr && *c.warning == '\0';
        EXPECT_EQ(manager.SendShareRequest(KxShareDevices{}, c.files), sent);
        ASSERT_TRUE(ipcstandin::WaitUntilIdle());
        ASSERT_EQ(service.Items().size(), sent ? 1u : 0u);
        if (sent) {
            // Fixed fields, four empty texts, wifi5GAbility and two zeros, then "/a" and the
            // long path.
            EXPECT_EQ(service.Bodies()[0], std::string(24, '\0') + Text("") + Text("") + Text("") +
                                               Text("") + Int32(1) + std::string(8, '\0') +
                                               PathsTail({"/a", std::string(32767, 'p')}));
        } else if (c.warning != nullptr) {
            EXPECT_EQ(log.CountStartingWith(std::string("share request refused: ") + c.warning),
                      1u);
            EXPECT_EQ(log.Records().size(), 1u);  // before the payload: no second line
        }
    }
}

TEST_F(SimpleUIManagerTest, SendMessageCarriesTheTerminatorAndReturnsTheReply) {
    IPCMessageClient service(kEndpointTandemService, true, false);
    std::string seen;
    service.RegisterGeneralCallback([&](TagIPCMessageItem& item) {
        seen.assign(item.data, item.dataLength);
        ipcstandin::Reply(item, "pong");
    });
    SimpleUIManager manager;
    std::string body = "ping";
    ASSERT_TRUE(manager.SendMessage(kEndpointTandemService, 0x150099, 1000, body, 0));
    EXPECT_EQ(seen, std::string("ping\0", 5));
    EXPECT_EQ(body, "pong");
}

// Only the phone command sends, and only once the window and its model are up. The pipe
// listener and the responder's IPC thread (dropped files) store selections at once; each send reads
// the selection back. A race here is what ThreadSanitizer reports.
TEST_F(SimpleUIManagerTest, ShareCommandsAndSelectionsFromTwoThreadsAtOnce) {
    utilstandin::ClearRegistry();  // no phone: each send ends after reading its selection
    duistandin::SetMainThread();
    SimpleUIManager manager;
    testsupport::LogCapture log;
    EXPECT_TRUE(manager.HandleShareCommand(L"KXSHARE_DEVICES", {L"a"}));
    EXPECT_FALSE(manager.HandleShareCommand(L"kxshare_phone", {L"a"}));
    EXPECT_TRUE(log.Messages().empty());
    EXPECT_TRUE(manager.HandleShareCommand(L"KXSHARE_PHONE", {L"a"}));
    EXPECT_TRUE(log.Contains(
        "transfer list view's model is null.(Vela::Ux::SimpleUIManager::SendFileToMyPhone)"));

    manager.ShowSimpleUI();
    duistandin::RunUntilIdle();
    ASSERT_NE(manager.GetSendModel(), nullptr);
    log.Clear();
    auto select = [&manager](const std::wstring& path) {
        for (int i = 0; i < 300; ++i) {
            EXPECT_TRUE(manager.HandleShareCommand(L"KXSHARE_PHONE", {path, path + L"2"}));
            manager.SendFileToMyPhone();
        }
    };
    std::thread pipe(select, L"/pipe");
    std::thread drop(select, L"/drop");
    pipe.join();
    drop.join();
    EXPECT_TRUE(log.Records().empty());
}

// Refusing a request when its item starts would leave that item "Connecting" for good, with
// every later request queued behind it: what cannot be sent never reaches the queue.
TEST_F(SimpleUIManagerTest, WhatCannotBeSentIsLeftOutBeforeAnythingIsQueued) {
    using Paths = std::vector<std::wstring>;
    const std::wstring overlong = std::wstring(32767, L'p') + L"x";
    const std::wstring loneSurrogate = std::wstring(L"/tmp/") + wchar_t(0xD800);
    const struct Case {
        std::vector<Paths> requests;  // one after another
        std::string registryEdit;     // appended to the paired phone's key
        std::vector<std::string> sent;
        std::vector<std::string> warnings;
    } cases[] = {
        {{{overlong}, {L"/tmp/a"}},
         "",
         {"/tmp/a"},
         {"share request: path 1 of 1 left out: 32768 bytes in UTF-8, more than 32767",
          "share request dropped: none of its 1 paths can be sent"}},
        {{{L"/tmp/a", overlong, loneSurrogate, L"/tmp/b"}},
         "",
         {"/tmp/a", "/tmp/b"},
         {"share request: path 2 of 4 left out: 32768",
          "share request: path 3 of 4 left out: "
          "not valid UTF-16"}},
        {{{L"/tmp/a"}},
         "\"NickName\"=\"" + std::string(32768, 'n') + "\"\n",
         {},
         {"paired phone's NickName is 32768 bytes in UTF-8, more than 32767: nothing can be sent"}},
    };
    duistandin::SetMainThread();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.warnings.front());
        ASSERT_TRUE(utilstandin::LoadRegistryText(kPairedPhone + c.registryEdit));
        ServiceRecorder service(kEndpointTandemService);
        SimpleUIManager manager;
        manager.ShowSimpleUI();
        duistandin::RunUntilIdle();
        testsupport::LogCapture log;
        for (const Paths& request : c.requests) {
            manager.HandleShareCommand(L"KXSHARE_PHONE", request);
            duistandin::RunUntilIdle();
            // The service reports both radios on: a started item sends its request.
            for (uint32_t id : {kMsgBluetoothOn, kMsgWifiOn}) {
                TagIPCMessageItem radio;
                radio.messageId = id;
                manager.OnIPCMessage(radio);
            }
            duistandin::RunUntilIdle();
        }
        ASSERT_TRUE(ipcstandin::WaitUntilIdle());
        // At most one request goes out; it ends with the paths that can be sent.
        const std::vector<TagIPCMessageItem> items = service.Items();
        std::vector<std::string> sent;
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].messageId == kMsgTandemShareSend) {
                sent.push_back(service.Bodies().at(i));
            }
        }
        ASSERT_EQ(sent.size(), c.sent.empty() ? 0u : 1u);
        if (!sent.empty()) {
            const std::string tail = PathsTail(c.sent);
            ASSERT_GE(sent[0].size(), tail.size());
            EXPECT_EQ(sent[0].substr(sent[0].size() - tail.size()), tail);
        }
        for (const std::string& warning : c.warnings) {
            EXPECT_EQ(log.CountStartingWith(warning), 1u) << warning;
        }
        EXPECT_EQ(log.CountStartingWith("share request") + log.CountStartingWith("paired phone"),
                  c.warnings.size());
        // Nothing is left waiting.
        EXPECT_EQ(manager.GetSendModel()->GetQueuedCount(), 0u);
    }
}

}  // namespace
