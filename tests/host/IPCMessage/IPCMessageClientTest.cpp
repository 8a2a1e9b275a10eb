// What the plug-in relies on from the IPC message client, played on the in-process bus.
#include "IPCMessageIds.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <IPCMessageClient.h>
#include <IPCMessageStandIn.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using ::testing::ElementsAre;

// Which callback saw a message, its source, destination, message id, reply id and body.
using Received = std::tuple<std::string, uint32_t, uint32_t, uint32_t, uint32_t, std::string>;

// Collects what callbacks receive, from any thread.
class Inbox {
public:
    IPCMessageCallback Record(const std::string& via) {
        return [this, via](TagIPCMessageItem& item) {
            std::lock_guard<std::mutex> lock(mutex_);
            received_.push_back({via, item.source, item.destination, item.messageId, item.replyId,
                                 item.data ? std::string(item.data, item.dataLength) : ""});
        };
    }
    std::vector<Received> Items() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }
    std::vector<std::string> Bodies() const {
        std::vector<std::string> bodies;
        for (const Received& r : Items()) {
            bodies.push_back(std::get<5>(r));
        }
        return bodies;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Received> received_;
};

// A message with its header filled; BODY, when given, must outlive the item.
TagIPCMessageItem Item(uint32_t to, uint32_t id, uint32_t from = kEndpointPlugin,
                       uint32_t replyId = kReplyIdNone, std::string* body = nullptr) {
    TagIPCMessageItem item;
    item.destination = to;
    item.source = from;
    item.messageId = id;
    item.replyId = replyId;
    if (body != nullptr && !body->empty()) {
        item.data = &(*body)[0];
        item.dataLength = body->size();
    }
    return item;
}

bool Post(IPCMessageClient& client, uint32_t to, uint32_t id, std::string body = {},
          uint32_t from = kEndpointPlugin, uint32_t replyId = kReplyIdNone) {
    TagIPCMessageItem item = Item(to, id, from, replyId, &body);
    return client.PostIPCMessage(item);
}

class IPCMessageClientTest : public ::testing::Test {
protected:
    void TearDown() override {
        ipcstandin::SetTraceHook(nullptr);
        ipcstandin::SetRefuseMessages(false);
        EXPECT_TRUE(ipcstandin::WaitUntilIdle());
        EXPECT_EQ(ipcstandin::LiveClientCount(), 0u) << "a client outlived its test";
    }
};

// Every client of an id with a callback hears every message for it, and a subscriber hears its
// group's, in the order they were posted; a per-id callback is called instead of the general one.
TEST_F(IPCMessageClientTest, EveryClientOfAnIdHearsItsMessagesInPostOrder) {
    const uint32_t svc = kEndpointTandemService;
    const uint32_t me = kEndpointPlugin;
    Inbox inbox;
    IPCMessageClient plugin(me, true, false);
    plugin.RegisterMessageCallback(kMsgShareProgress, inbox.Record("per-id"));
    plugin.RegisterGeneralCallback(inbox.Record("general"));
    EXPECT_TRUE(plugin.SubscribeIPCMessage(kEndpointSubscribedGroup, 0));
    // Two more clients of the plug-in's id: one hears progress only, one has no callback.
    Inbox progressOnly;
    IPCMessageClient second(me, true, false);
    second.RegisterMessageCallback(kMsgShareProgress, progressOnly.Record("second"));
    IPCMessageClient silent(me, true, false);
    IPCMessageClient service(svc, true, false);

    std::vector<Received> heard;
    std::vector<std::string> progress;
    for (uint32_t i = 0; i < 300; ++i) {
        const uint32_t id = i % 3 ? kMsgShareProgress : kMsgShareStatus;
        const std::string body = std::to_string(i);
        ASSERT_TRUE(Post(service, me, id, body, svc, i));
        heard.push_back({id == kMsgShareProgress ? "per-id" : "general", svc, me, id, i, body});
        if (id == kMsgShareProgress) {
            progress.push_back(body);
        }
    }
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    EXPECT_TRUE(Post(plugin, me, kMsgTooManyFiles));
    heard.push_back({"general", me, me, kMsgTooManyFiles, kReplyIdNone, ""});
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    IPCMessageClient host(kEndpointHostNotice, true, false);
    EXPECT_TRUE(Post(host, kEndpointSubscribedGroup, 0x200001, "group", kEndpointHostNotice));
    EXPECT_TRUE(Post(host, kEndpointHostRestart, 0x200002, "elsewhere", kEndpointHostNotice));
    heard.push_back(
        {"general", kEndpointHostNotice, kEndpointSubscribedGroup, 0x200001, 0, "group"});
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());

    EXPECT_EQ(inbox.Items(), heard);
    EXPECT_EQ(progressOnly.Bodies(), progress);
}

TEST_F(IPCMessageClientTest, CallbacksMayPostRegisterAndNotWaitForThemselves) {
    // A ping-pong between the plug-in and the service, every hop posted from inside a callback;
    // the plug-in also posts to itself and registers a callback while handling a message.
    IPCMessageClient plugin(kEndpointPlugin, true, false);
    IPCMessageClient service(kEndpointTandemService, true, false);
    std::atomic<int> pluginHops{0};
    std::atomic<int> selfPosts{0};
    std::atomic<bool> waitedInsideCallback{true};
    const int kHops = 100;

    service.RegisterGeneralCallback([&](TagIPCMessageItem& item) {
        Post(service, kEndpointPlugin, kMsgShareStatus, std::string(item.data, item.dataLength),
             kEndpointTandemService);
    });
    plugin.RegisterMessageCallback(kMsgTooManyFiles, [&](TagIPCMessageItem&) { ++selfPosts; });
    plugin.RegisterMessageCallback(kMsgShareStatus, [&](TagIPCMessageItem& item) {
        int hop = std::stoi(std::string(item.data, item.dataLength));
        ++pluginHops;
        if (hop == 0) {
            waitedInsideCallback = ipcstandin::WaitUntilIdle(std::chrono::seconds(5));
            plugin.RegisterMessageCallback(kMsgPluginRangeFirst, [](TagIPCMessageItem&) {});
        }
        Post(plugin, kEndpointPlugin, kMsgTooManyFiles);
        if (hop + 1 < kHops) {
            Post(plugin, kEndpointTandemService, kMsgTandemShareSend, std::to_string(hop + 1));
        }
    });

    ASSERT_TRUE(Post(service, kEndpointPlugin, kMsgShareStatus, "0", kEndpointTandemService));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());

    EXPECT_EQ(pluginHops, kHops);
    EXPECT_EQ(selfPosts, kHops);
    EXPECT_FALSE(waitedInsideCallback) << "WaitUntilIdle inside a callback must not wait";
}

// A send returns the receiver's one answer; it fails at its time-out, and at once where nobody
// has the destination's id.
TEST_F(IPCMessageClientTest, SendReturnsTheReceiversAnswerOrFailsOnTimeOutAndWithoutReceiver) {
    IPCMessageClient plugin(kEndpointPlugin, true, false);
    IPCMessageClient service(kEndpointTandemService, true, false);
    std::string requestBody;
    std::atomic<bool> secondAnswerTaken{true};
    service.RegisterMessageCallback(kMsgTandemPairingState, [&](TagIPCMessageItem& item) {
        requestBody.assign(item.data, item.dataLength);
        EXPECT_TRUE(ipcstandin::Reply(item, std::string("pa\0ir", 5)));
        secondAnswerTaken = ipcstandin::Reply(item, "again");
    });
    std::mutex mutex;
    TagIPCMessageItem unanswered;
    service.RegisterGeneralCallback([&](TagIPCMessageItem& item) {
        std::lock_guard<std::mutex> lock(mutex);
        unanswered = item;
        unanswered.data = nullptr;  // valid only during the callback
    });

    std::string body = "question";
    // The UI manager carries its time-out as the reply id.
    TagIPCMessageItem item =
        Item(kEndpointTandemService, kMsgTandemPairingState, kEndpointPlugin, 5000, &body);
    TagIPCMessageItemRecv reply;
    ASSERT_TRUE(plugin.SendIPCMessage(item, 5000, reply, 0));
    EXPECT_EQ(reply.data, std::string("pa\0ir", 5));
    EXPECT_EQ(
        (std::vector<uint32_t>{reply.source, reply.destination, reply.messageId}),
        (std::vector<uint32_t>{kEndpointTandemService, kEndpointPlugin, kMsgTandemPairingState}));
    EXPECT_EQ(requestBody, "question");
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    EXPECT_FALSE(secondAnswerTaken) << "a request is answered once";

    item = Item(kEndpointTandemService, kMsgTandemConnectionState);
    reply = {};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(plugin.SendIPCMessage(item, 50, reply, 0));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(unanswered.messageId, kMsgTandemConnectionState);
        EXPECT_FALSE(ipcstandin::Reply(unanswered, "late")) << "the sender has given up";
    }
    EXPECT_TRUE(reply.data.empty());

    // Nobody has the folder helper's id: the send fails without waiting for its time-out.
    item.destination = kEndpointFolderHelper;
    const auto noReceiver = std::chrono::steady_clock::now();
    EXPECT_FALSE(plugin.SendIPCMessage(item, 60000, reply, 0));
    EXPECT_LT(std::chrono::steady_clock::now() - noReceiver, std::chrono::seconds(30));
}

// Unregistering all callbacks or destroying the client drops the messages queued behind the
// running callback: from inside that callback at once, from another thread once it returns.
TEST_F(IPCMessageClientTest, UnregisteringOrDestroyingWaitsForTheRunningCallbackAndStopsDelivery) {
    for (bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroy" : "unregister all");
        IPCMessageClient service(kEndpointTandemService, true, false);
        std::unique_ptr<IPCMessageClient> plugin;
        const auto end = [&] {
            if (destroy) {
                plugin.reset();
            } else {
                plugin->UnRegisterMessageCallbackAll();
            }
        };
        std::atomic<int> calls{0};
        const auto postMany = [&] {
            calls = 0;
            for (int i = 0; i < 50; ++i) {
                ASSERT_TRUE(
                    Post(service, kEndpointPlugin, kMsgShareProgress, std::string(64, 'x')));
            }
        };
        plugin = std::make_unique<IPCMessageClient>(kEndpointPlugin, true, false);
        plugin->RegisterGeneralCallback([&](TagIPCMessageItem&) {
            ++calls;
            end();
        });
        postMany();
        ASSERT_TRUE(ipcstandin::WaitUntilIdle());
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(plugin == nullptr, destroy);

        plugin = std::make_unique<IPCMessageClient>(kEndpointPlugin, true, false);
        std::promise<void> entered;
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::atomic<bool> callbackFinished{false};
        plugin->RegisterGeneralCallback([&](TagIPCMessageItem&) {
            if (calls++ == 0) {
                entered.set_value();
                released.wait();
                callbackFinished = true;
            }
        });
        postMany();
        entered.get_future().wait();
        std::atomic<bool> finishedWhenReturned{false};
        std::future<void> ended = std::async(std::launch::async, [&] {
            end();
            finishedWhenReturned = callbackFinished.load();
        });
        // A destroyed client leaves the bus before it waits for its running callback.
        while (destroy && ipcstandin::LiveClientCount() != 1) {
            std::this_thread::yield();
        }
        // The callback is still blocked, so the client must still be waiting.
        EXPECT_EQ(ended.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
        release.set_value();
        ended.get();
        EXPECT_TRUE(finishedWhenReturned);

        EXPECT_TRUE(Post(service, kEndpointPlugin, kMsgShareStatus)) << "posts never fail for "
                                                                        "lack of a receiver";
        ASSERT_TRUE(ipcstandin::WaitUntilIdle());
        EXPECT_EQ(calls, 1);
    }
}

TEST_F(IPCMessageClientTest, PayloadIsCopiedWhenPosted) {
    IPCMessageClient first(kEndpointPlugin, true, false);
    IPCMessageClient second(kEndpointPlugin, true, false);
    IPCMessageClient service(kEndpointTandemService, true, false);
    Inbox inbox;
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    first.RegisterMessageCallback(kMsgShareStatus, [&](TagIPCMessageItem&) {
        entered.set_value();
        released.wait();
    });
    // Each receiver gets its own copy: scribbling over it does not reach the other one.
    const auto scribble = [&](TagIPCMessageItem& item) {
        inbox.Record("")(item);
        std::fill(item.data, item.data + item.dataLength, '#');
    };
    first.RegisterMessageCallback(kMsgShareProgress, scribble);
    second.RegisterMessageCallback(kMsgShareProgress, scribble);

    ASSERT_TRUE(Post(service, kEndpointPlugin, kMsgShareStatus));
    entered.get_future().wait();
    {
        auto buffer = std::make_unique<std::string>("abc\0def", 7);
        TagIPCMessageItem item =
            Item(kEndpointPlugin, kMsgShareProgress, kEndpointTandemService, 0, buffer.get());
        ASSERT_TRUE(service.PostIPCMessage(item));
        std::fill(buffer->begin(), buffer->end(), 'X');
    }  // freed before the receivers see it
    release.set_value();
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());

    const std::string sent("abc\0def", 7);
    EXPECT_THAT(inbox.Bodies(), ElementsAre(sent, sent));

    TagIPCMessageItem malformed = Item(kEndpointPlugin, kMsgShareProgress);
    malformed.dataLength = 4;  // but no data
    EXPECT_FALSE(service.PostIPCMessage(malformed));
}

TEST_F(IPCMessageClientTest, TraceSeesPostsSendsAndReplies) {
    std::mutex mutex;
    std::vector<ipcstandin::TracedMessage> traced;
    ipcstandin::SetTraceHook([&](const ipcstandin::TracedMessage& message) {
        std::lock_guard<std::mutex> lock(mutex);
        traced.push_back(message);
    });
    IPCMessageClient plugin(kEndpointPlugin, true, false);
    IPCMessageClient service(kEndpointTandemService, true, false);
    service.RegisterGeneralCallback(
        [](TagIPCMessageItem& item) { ipcstandin::Reply(item, std::string("\x01\x00", 2)); });

    // Nobody plays the host here: the post still crosses the bus.
    EXPECT_TRUE(Post(plugin, kEndpointHostNotice, kMsgHostDropTarget, "ab", kEndpointPlugin,
                     kMsgDroppedFiles));
    TagIPCMessageItem request = Item(kEndpointTandemService, kMsgTandemPairedDevice,
                                     kEndpointPlugin, kMsgPairedDeviceAnswer);
    TagIPCMessageItemRecv reply;
    ASSERT_TRUE(plugin.SendIPCMessage(request, 5000, reply, 0));

    ipcstandin::SetRefuseMessages(true);
    EXPECT_FALSE(Post(plugin, kEndpointHostNotice, kMsgHostRestart));
    EXPECT_FALSE(plugin.SendIPCMessage(request, 5000, reply, 0));
    ipcstandin::SetRefuseMessages(false);
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());

    std::lock_guard<std::mutex> lock(mutex);
    // An answer runs from the request's destination to its source under its ids.
    const ipcstandin::TracedMessage expected[] = {
        {kEndpointPlugin, kEndpointHostNotice, kMsgHostDropTarget, kMsgDroppedFiles, 2, "ab"},
        {kEndpointPlugin, kEndpointTandemService, kMsgTandemPairedDevice, kMsgPairedDeviceAnswer, 0,
         ""},
        {kEndpointTandemService, kEndpointPlugin, kMsgTandemPairedDevice, kMsgPairedDeviceAnswer, 2,
         std::string("\x01\x00", 2)},
    };
    const auto fields = [](const ipcstandin::TracedMessage& t) {
        return std::make_tuple(t.source, t.destination, t.messageId, t.replyId, t.dataLength,
                               t.data);
    };
    ASSERT_EQ(traced.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(fields(traced[i]), fields(expected[i])) << "message " << i;
    }
}

}  // namespace
