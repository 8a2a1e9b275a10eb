#include "DataStream.h"
#include "FakeTransferFile.h"
#include "IPCMessageIds.h"
#include "LogCapture.h"
#include "MyAlbumStatusModel.h"
#include "Utf16Le.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <TandemUtilStandIn.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>

#include <chrono>
#include <thread>

using namespace Vela::Ux;
using ::testing::ElementsAre;
using namespace std::chrono_literals;
using testsupport::Post;

namespace {

template <typename... Values>
std::string Bytes(const Values&... values) {
    tandem::Payload payload = tandem::BuildPayload(values...);
    return std::string(payload.block.get(), payload.size);
}

std::string DeviceStatusBytes(int32_t isPaired, const std::string& text1) {
    return Bytes(int32_t{7}, int32_t{8}, isPaired, int32_t{9}, uint64_t{0x1122334455667788},
                 std::string("t0"), text1, std::string("t2"), std::string("t3"), int32_t{1},
                 int32_t{0}, int32_t{0});
}

std::string PairingNotice(int32_t isPaired) {
    return Bytes(int32_t{0}) + DeviceStatusBytes(isPaired, isPaired ? "Phone" : "") +
           Bytes(int32_t{0});
}

// One dropped-file record: the claimed byte length, then the bytes.
std::string Record(int32_t claimed, const std::string& bytes) {
    return Bytes(claimed) + bytes;
}
std::string Record(const std::wstring& text) {
    std::string bytes = EncodeUtf16Le(text, false);
    return Record(static_cast<int32_t>(bytes.size()), bytes);
}

// A notice to the host, as the model posts them.
Post Host(uint32_t id, const std::string& data, uint32_t replyId = kReplyIdNone) {
    return Post{kEndpointHostNotice, id, replyId, data};
}
using Posts = std::vector<Post>;

class RecordingObserver : public IMyAlbumStateObserver {
public:
    void OnStateValue(uint32_t messageId, uint8_t value) override {
        values.emplace_back(messageId, value);
    }
    std::vector<std::pair<uint32_t, uint8_t>> values;
};

class MyAlbumStatusModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        win32standin::UseMockClock();
        waitsAtStart = win32standin::TimedWaitsBegun();
        tandemstandin::ResetAll();
        utilstandin::ResetAll();
        helper.SetShareCommandHandler(
            [this](const std::wstring& command, const std::vector<std::wstring>& files) {
                shareCommands.emplace_back(command, files);
                return true;
            });
    }
    void TearDown() override {
        helper.Stop();
        win32standin::UseRealClock();
        tandemstandin::ResetAll();
        utilstandin::ResetAll();
    }
    // True once BEGUN waits between attempts have begun in this test and WAITING workers wait.
    bool Waiting(uint64_t begun, size_t waiting) const {
        return win32standin::WaitForTimedWaits(waitsAtStart + begun, waiting, 10s);
    }
    // Delivers a notice whose handler pauses PAUSES times for PAUSEMS on the clock (with no
    // worker waiting meanwhile), moving the clock over each pause.
    void DeliverPausing(uint32_t id, const std::string& body, int pauses, uint64_t pauseMs) {
        const uint64_t begun = win32standin::TimedWaitsBegun();
        std::thread delivery([&] { fake.Deliver(id, body); });
        for (int i = 1; i <= pauses; ++i) {
            EXPECT_TRUE(win32standin::WaitForTimedWaits(begun + i, 1, 10s));
            win32standin::AdvanceClock(pauseMs);
        }
        delivery.join();
    }
    void PostProbe() { fake.PostMessage(kEndpointTandemService, 0x1500AA, 0x1C00AA, nullptr, 0); }

    testsupport::LogCapture logs;
    testsupport::FakeTransferFile fake;
    MyAlbumStatusModelHelper helper;
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> shareCommands;
    uint64_t waitsAtStart = 0;
};

// ---------------------------------------------------------------------------------------------
// Retried requests

TEST_F(MyAlbumStatusModelTest,
       RequestRepeatsUpToItsCountALateAnswerEndsItAndAnAnswerWakesTheWorker) {
    helper.SetTransfer(&fake);
    int answers = 0;
    ASSERT_TRUE(helper.AddRequest(
        0x1C00AA, [this] { PostProbe(); }, [&](uint32_t, const char*, uint32_t) { ++answers; }, 5,
        3));
    for (uint64_t attempt = 1; attempt <= 3; ++attempt) {
        ASSERT_TRUE(Waiting(attempt, 1));
        EXPECT_EQ(fake.CountOf(0x1500AA), attempt);
        win32standin::AdvanceClock(4);  // not due yet
        EXPECT_EQ(fake.CountOf(0x1500AA), attempt);
        win32standin::AdvanceClock(1);
    }
    win32standin::AdvanceClock(1000);
    EXPECT_EQ(fake.CountOf(0x1500AA), 3u);
    EXPECT_TRUE(helper.HasPendingRequest(0x1C00AA));

    helper.OnIPCAnswer(0x1C00AA, "x", 1);
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(helper.PendingRequestCount(), 0u);

    // Asked again: the clock stands still, so only the answer can end the worker's wait, and it
    // joins it; its callback runs once, with the answer's bytes.
    std::vector<std::string> bodies;
    ASSERT_TRUE(helper.AddRequest(
        0x1C00AA, [this] { PostProbe(); },
        [&](uint32_t id, const char* data, uint32_t length) {
            EXPECT_EQ(id, 0x1C00AAu);
            bodies.emplace_back(data, length);
        },
        10000, 20));
    ASSERT_TRUE(Waiting(4, 1));
    helper.OnIPCAnswer(0x1C00AA, "ok", 2);
    helper.OnIPCAnswer(0x1C00AA, "again", 5);  // nothing pending any more: ignored
    EXPECT_THAT(bodies, ElementsAre("ok"));
    EXPECT_EQ(helper.PendingRequestCount(), 0u);
    EXPECT_EQ(fake.CountOf(0x1500AA), 4u);
}

TEST_F(MyAlbumStatusModelTest, StopEndsWaitingWorkersAndRefusesNewRequests) {
    helper.SetTransfer(&fake);
    helper.Start();
    ASSERT_TRUE(Waiting(5, 5));
    EXPECT_EQ(helper.PendingRequestCount(), 5u);
    helper.Stop();  // with the clock standing still, returns only if it wakes the workers
    EXPECT_EQ(helper.PendingRequestCount(), 0u);

    // Workers are joined: a notice starts no new request, and no attempt follows.
    const size_t requestsAtStop = fake.PostsTo(kEndpointTandemService).size();
    fake.Deliver(kMsgConnectionState, std::string(1, '\x01'));
    win32standin::AdvanceClock(10000);
    EXPECT_EQ(helper.PendingRequestCount(), 0u);
    EXPECT_TRUE(helper.IsConnected());  // the state is still followed
    EXPECT_EQ(fake.PostsTo(kEndpointTandemService).size(), requestsAtStop);
}

TEST_F(MyAlbumStatusModelTest, WithoutTransferStartLogsAndNothingIsRequested) {
    helper.Start();
    EXPECT_FALSE(helper.AddRequest(
        0x1C00AA, [] {}, nullptr, 10, 1));
    EXPECT_EQ(helper.PendingRequestCount(), 0u);
    auto records = logs.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].level, 40000);
    EXPECT_EQ(records[0].message,
              "transfer mgr is null(Vela::Ux::MyAlbumStatusModelHelper::Start)");
}

// ---------------------------------------------------------------------------------------------
// Start-up

TEST_F(MyAlbumStatusModelTest, StartRegistersDropTargetThenRequestsEveryStateAndRepeatsThem) {
    helper.SetTransfer(&fake);
    helper.Start();
    ASSERT_TRUE(Waiting(5, 5));  // each request posted once, its worker waiting
    const std::map<uint32_t, uint32_t> replyOf = {
        {kMsgTandemPairingState, kMsgPairingState},
        {kMsgTandemConnectionState, kMsgConnectionState},
        {kMsgTandemStartupQuery1, kMsgStartupAnswer1},
        {kMsgTandemStartupQuery2, kMsgStartupAnswer2},
        {kMsgTandemPairedDevice, kMsgPairedDeviceAnswer},
    };
    Posts posts = fake.Posts();
    ASSERT_EQ(posts.size(), 6u);
    EXPECT_EQ(posts[0], Host(kMsgHostDropTarget, "", kMsgDroppedFiles));
    for (size_t i = 1; i < posts.size(); ++i) {
        SCOPED_TRACE(posts[i].messageId);
        ASSERT_EQ(replyOf.count(posts[i].messageId), 1u);
        EXPECT_EQ(posts[i], (Post{kEndpointTandemService, posts[i].messageId,
                                  replyOf.at(posts[i].messageId), ""}));
    }

    // Clock step, then the attempts so far: the paired device's every 300 ms, each start-up
    // request's every 500 ms.
    const struct Step {
        uint64_t advance;
        uint64_t waits;
        size_t paired;
        size_t others;
    } steps[] = {{299, 5, 1, 1}, {1, 6, 2, 1}, {200, 10, 2, 2}, {100, 11, 3, 2}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.waits);
        win32standin::AdvanceClock(step.advance);
        ASSERT_TRUE(Waiting(step.waits, 5));
        for (const auto& [request, reply] : replyOf) {
            EXPECT_EQ(fake.CountOf(request),
                      request == kMsgTandemPairedDevice ? step.paired : step.others)
                << request;
        }
    }

    // Answers end the start-up requests; the standing handlers still see them.
    fake.Deliver(kMsgStartupAnswer1, std::string(1, '\x01'));
    fake.Deliver(kMsgStartupAnswer2, std::string(1, '\x00'));
    EXPECT_FALSE(helper.HasPendingRequest(kMsgStartupAnswer1));
    EXPECT_FALSE(helper.HasPendingRequest(kMsgStartupAnswer2));
    EXPECT_EQ(helper.PendingRequestCount(), 3u);
}

// ---------------------------------------------------------------------------------------------
// Connection and pairing state

TEST_F(MyAlbumStatusModelTest, ConnectedWhileUnpairedAsksForPairedDeviceAndChangesAreReported) {
    helper.SetTransfer(&fake);
    fake.Deliver(kMsgConnectionState, std::string(1, '\x01'));

    EXPECT_TRUE(helper.IsConnected());
    EXPECT_TRUE(helper.HasPendingRequest(kMsgPairedDeviceAnswer));
    EXPECT_TRUE(
        logs.Contains("connected: 1 helper->connected: 0(Vela::Ux::MyAlbumStatusModelHelper::"
                      "IPCAvtiveConnectChangedID)"));
    EXPECT_TRUE(
        logs.Contains("[DaVirir] device connected when not paired.(Vela::Ux::"
                      "MyAlbumStatusModelHelper::IPCAvtiveConnectChangedID)"));
    EXPECT_EQ(fake.PostsTo(kEndpointHostNotice),
              (Posts{Host(kMsgHostConnectionState, Bytes(int32_t{2})),
                     Host(kMsgHostSendPossible, std::string(1, '\x01')),
                     Host(kMsgHostConnectionFlag, Bytes(int32_t{1}, uint8_t{1}))}));

    // The request repeats until answered.
    ASSERT_TRUE(Waiting(1, 1));
    win32standin::AdvanceClock(300);
    ASSERT_TRUE(fake.WaitForCount(kMsgTandemPairedDevice, 2));
    fake.Deliver(kMsgPairedDeviceAnswer, DeviceStatusBytes(1, "Phone"));
    EXPECT_TRUE(helper.IsPaired());
    EXPECT_EQ(helper.PendingRequestCount(), 0u);

    // Connected again while paired: no new request, no new report.
    fake.ClearPosts();
    fake.Deliver(kMsgConnectionState, std::string(1, '\x01'));
    EXPECT_EQ(helper.PendingRequestCount(), 0u);
    EXPECT_TRUE(fake.Posts().empty());

    // The IT edition is never told that sending is possible.
    utilstandin::SetITVersion(true);
    fake.Deliver(kMsgConnectionState, std::string(1, '\x00'));
    fake.Deliver(kMsgConnectionState, std::string(1, '\x01'));
    EXPECT_EQ(fake.PostsTo(kEndpointHostNotice),
              (Posts{Host(kMsgHostConnectionState, Bytes(int32_t{1})),
                     Host(kMsgHostConnectionFlag, Bytes(int32_t{1}, uint8_t{0})),
                     Host(kMsgHostConnectionState, Bytes(int32_t{2})),
                     Host(kMsgHostConnectionFlag, Bytes(int32_t{1}, uint8_t{1}))}));
    EXPECT_EQ(logs.CountStartingWith(
                  "[DaVirir] Current system is IT Version, prevent send files to others("),
              2u);
}

TEST_F(MyAlbumStatusModelTest, PairedDeviceAnswerNeedsNameAndPairedFlagAndEndsTheLatestRequest) {
    helper.SetTransfer(&fake);
    // Only a paired phone is reported, as paired but not connected.
    const Posts reported = {Host(kMsgHostConnectionState, Bytes(int32_t{1})),
                            Host(kMsgHostSendPossible, std::string(1, '\0')),
                            Host(kMsgHostConnectionFlag, Bytes(int32_t{1}, uint8_t{0}))};
    struct Case {
        int32_t isPaired;
        std::string text1;
        bool paired;
    };
    for (const Case& c : {Case{1, "", false}, Case{0, "Phone", false}, Case{3, "Phone", true}}) {
        SCOPED_TRACE(c.text1 + std::to_string(c.isPaired));
        fake.ClearPosts();
        helper.RequestPairedDevice();
        ASSERT_TRUE(fake.WaitForCount(kMsgTandemPairedDevice, 1));
        helper.RequestPairedDevice();  // replaces the pending one: one answer, one report
        ASSERT_TRUE(fake.WaitForCount(kMsgTandemPairedDevice, 2));
        EXPECT_EQ(helper.PendingRequestCount(), 1u);
        fake.Deliver(kMsgPairedDeviceAnswer, DeviceStatusBytes(c.isPaired, c.text1));
        EXPECT_EQ(helper.IsPaired(), c.paired);
        EXPECT_EQ(helper.PendingRequestCount(), 0u);
        EXPECT_EQ(fake.PostsTo(kEndpointHostNotice), c.paired ? reported : Posts{});
    }
}

TEST_F(MyAlbumStatusModelTest, PairedNoticeReportsStateAndTextUnpairedClearsAndRemovesMenus) {
    tandemstandin::SetString(L"IDS_DAVIRIR_PHONE_VALID", L"Phone \u00e9 ok");
    helper.SetTransfer(&fake);
    fake.Deliver(kMsgConnectionState, std::string(1, '\x01'));
    helper.Stop();  // the paired-device request is not what this test is about
    fake.ClearPosts();

    fake.Deliver(kMsgPairingState, PairingNotice(1));
    EXPECT_TRUE(helper.IsPaired());
    EXPECT_TRUE(
        logs.Contains("device.isPaired: 1 helper->connected: 1(Vela::Ux::MyAlbumStatusModelHelper::"
                      "IPCAvtivePairDeviceChangedID)"));
    EXPECT_EQ(fake.PostsTo(kEndpointHostNotice),
              (Posts{Host(kMsgHostConnectionState, Bytes(int32_t{2})),
                     Host(kMsgHostValidPhoneText, "Phone \xc3\xa9 ok")}));

    fake.ClearPosts();
    DeliverPausing(kMsgPairingState, PairingNotice(0), 3, 100);  // a pause after each removal
    EXPECT_FALSE(helper.IsPaired());
    EXPECT_FALSE(helper.IsConnected());
    EXPECT_EQ(fake.PostsTo(kEndpointHostNotice),
              (Posts{Host(kMsgHostConnectionState, Bytes(int32_t{0})),
                     Host(kMsgHostConnectionFlag, Bytes(int32_t{1}, uint8_t{0})),
                     Host(kMsgHostRemovePhoneMenu, Bytes(int32_t{kMenuMusic})),
                     Host(kMsgHostRemovePhoneMenu, Bytes(int32_t{kMenuVideo})),
                     Host(kMsgHostRemovePhoneMenu, Bytes(int32_t{kMenuAlbum}))}));

    // Only the menus of supported plug-ins are removed.
    tandemstandin::SetPluginSupported("vela_plugin_myvideo", false);
    tandemstandin::SetPluginSupported("vela_plugin_myalbum", false);
    fake.ClearPosts();
    DeliverPausing(kMsgPairingState, PairingNotice(0), 1, 100);
    EXPECT_EQ(fake.PostsOf(kMsgHostRemovePhoneMenu),
              Posts{Host(kMsgHostRemovePhoneMenu, Bytes(int32_t{kMenuMusic}))});
}

// ---------------------------------------------------------------------------------------------
// Dropped files

TEST(DroppedFileRecords, LengthPrefixedUtf16LeTextsAndTheirShortOddOrUnpairedRecords) {
    const std::string ab = EncodeUtf16Le(L"ab", false);
    const struct Case {
        const char* name;
        std::string data;
        std::vector<std::wstring> files;
    } cases[] = {
        {"two texts",
         Record(L"C:\\a.txt") + Record(L"D:\\\u00e9\U0001F600.png"),
         {L"C:\\a.txt", L"D:\\\u00e9\U0001F600.png"}},
        {"a length of 0 is skipped", Record(0, "") + Record(L"x"), {L"x"}},
        {"a length past the end takes what remains",
         Record(L"y") + Record(1000, ab),
         {L"y", L"ab"}},
        {"an odd length steps over its last byte",
         Record(3, ab.substr(0, 3)) + Record(L"z"),
         {L"a", L"z"}},
        {"fewer than 5 bytes left end the list", Record(L"q") + Bytes(int32_t{2}), {L"q"}},
        {"a negative length ends the list",
         Record(L"kept") + Record(-2, EncodeUtf16Le(L"lost", false)) + Record(L"x"),
         {L"kept"}},
        {"the least length", Record(INT32_MIN, "abcd"), {}},
        {"a lone high surrogate reads as U+FFFD",
         Record(4, std::string("\x3D\xD8\x42\0", 4)),
         {L"\uFFFDB"}},
        {"a low half before its high one: two U+FFFD",
         Record(4, std::string("\x00\xDE\x3D\xD8", 4)),
         {L"\uFFFD\uFFFD"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeDroppedFileRecords(c.data.data(), static_cast<uint32_t>(c.data.size())),
                  c.files)
            << c.name;
    }
    EXPECT_TRUE(DecodeDroppedFileRecords(nullptr, 10).empty());
}

TEST_F(MyAlbumStatusModelTest, FiveHundredDroppedFilesArePassedOnFiveHundredOneAreRefused) {
    helper.SetTransfer(&fake);
    std::string data;
    std::vector<std::wstring> files;
    for (int i = 0; i < 500; ++i) {
        files.push_back(L"C:\\files\\" + std::to_wstring(i) + L".jpg");
        data += Record(files.back());
    }
    fake.Deliver(kMsgDroppedFiles, data);
    ASSERT_EQ(shareCommands.size(), 1u);
    EXPECT_EQ(shareCommands[0].first, L"KXSHARE_PHONE");
    EXPECT_EQ(shareCommands[0].second, files);
    EXPECT_TRUE(fake.Posts().empty());

    data += Record(L"C:\\files\\500.jpg");
    fake.Deliver(kMsgDroppedFiles, data);
    EXPECT_EQ(shareCommands.size(), 1u);
    EXPECT_EQ(fake.Posts(), (Posts{{kEndpointPlugin, kMsgTooManyFiles, kReplyIdNone, ""}}));
    EXPECT_TRUE(
        logs.Contains("connected device reveive upperlimited fileCount(Vela::Ux::"
                      "MyAlbumStatusModelHelper::IPCAvtiveRecvDropFilesID)"));

    // A drop of empty records only does nothing.
    fake.ClearPosts();
    fake.Deliver(kMsgDroppedFiles, Record(0, "") + Record(1, "a"));
    EXPECT_EQ(shareCommands.size(), 1u);
    EXPECT_TRUE(fake.Posts().empty());
}

// ---------------------------------------------------------------------------------------------
// Phone menus

TEST_F(MyAlbumStatusModelTest, MenuEntriesWithinTheirLimitAndMenuNamesGoOutAsUtf16Le) {
    tandemstandin::SetString(L"IDS_MYMUSIC_MENU_NAME", L"M\u00fcsic \U0001F3B5");
    tandemstandin::SetString(L"IDS_MYALBUM_MENU_NAME", L"Album");
    helper.SetTransfer(&fake);
    EXPECT_TRUE(helper.AddMenuEntry(kMenuVideo, L"Vid"));
    EXPECT_TRUE(helper.AddMenuEntry(kMenuMusic, std::wstring(124, L'm')));  // 8 + 248 = 256
    EXPECT_FALSE(helper.AddMenuEntry(kMenuMusic, std::wstring(125, L'm')));
    EXPECT_FALSE(helper.AddMenuEntry(kMenuAlbum, L""));
    fake.Deliver(kMsgMenuNameQuery, Bytes(int32_t{kMenuMusic}));
    fake.Deliver(kMsgMenuNameQuery, Bytes(int32_t{kMenuAlbum}));
    fake.Deliver(kMsgMenuNameQuery, Bytes(int32_t{3}));                 // unknown kind
    fake.Deliver(kMsgMenuNameQuery, Bytes(int32_t{kMenuMusic}) + "x");  // not exactly 4 bytes

    Posts posts = fake.Posts();
    ASSERT_EQ(posts.size(), 4u);
    EXPECT_EQ(posts[0], Host(kMsgHostAddPhoneMenu,
                             Bytes(int32_t{kMenuVideo}, int32_t{6}) + EncodeUtf16Le(L"Vid", false),
                             kMsgMenuNameQuery));
    EXPECT_EQ(posts[1].data.size(), 256u);
    // 8 characters in UTF-16 (the note takes a surrogate pair), then the terminator.
    EXPECT_EQ(posts[2],
              Host(kMsgHostMenuName, std::string("M\0\xFC\0s\0i\0c\0 \0\x3C\xD8\xB5\xDF\0\0", 18)));
    EXPECT_EQ(posts[3], Host(kMsgHostMenuName, std::string("A\0l\0b\0u\0m\0\0\0", 12)));
}

// ---------------------------------------------------------------------------------------------
// Registrations, and the standing handlers of the two start-up answers

// Every notice is registered, its answer routing and its standing handler where it has one;
// empty notices do nothing. The start-up answers' one-byte values reach the observer while
// there is one.
TEST_F(MyAlbumStatusModelTest, SetTransferRegistersEveryNoticeAndStartupValuesReachTheObserver) {
    RecordingObserver observer;
    helper.SetTransfer(nullptr);
    helper.SetTransfer(&fake);
    fake.Deliver(kMsgStartupAnswer1, std::string(1, '\x01'));  // no observer yet: no effect
    helper.SetStateObserver(&observer);
    const std::pair<uint32_t, size_t> handlers[] = {
        {kMsgPairedDeviceAnswer, 1}, {kMsgPairingState, 2},   {kMsgConnectionState, 2},
        {kMsgStartupAnswer1, 2},     {kMsgStartupAnswer2, 2}, {kMsgDroppedFiles, 1},
        {kMsgMenuNameQuery, 1}};
    for (const auto& [id, count] : handlers) {
        EXPECT_EQ(fake.HandlerCount(id), count) << id;
        fake.Deliver(id, std::string());
    }
    EXPECT_TRUE(logs.Records().empty());
    EXPECT_FALSE(helper.IsConnected());
    fake.Deliver(kMsgStartupAnswer1, std::string(1, '\x01'));
    fake.Deliver(kMsgStartupAnswer1, std::string("\x01\x02", 2));  // not one byte: ignored
    fake.Deliver(kMsgStartupAnswer2, std::string("\x05\x06", 2));
    helper.SetStateObserver(nullptr);
    fake.Deliver(kMsgStartupAnswer2, std::string(1, '\x07'));
    using Value = std::pair<uint32_t, uint8_t>;
    EXPECT_THAT(observer.values,
                ElementsAre(Value{kMsgStartupAnswer1, 1}, Value{kMsgStartupAnswer2, 5}));
    EXPECT_TRUE(fake.Posts().empty());
}

}  // namespace
