// What the plug-in relies on from the IPC message client, played on the in-process bus.
#include "IPCMessageClient.h"
#include "IPCMessageIds.h"
#include "IPCMessageStandIn.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Received {
    std::string via;  // which callback saw it
    uint32_t source;
    uint32_t destination;
    uint32_t messageId;
    uint32_t replyId;
    std::string data;
    bool operator==(const Received& o) const {
        return via == o.via && source == o.source && destination == o.destination &&
               messageId == o.messageId && replyId == o.replyId && data == o.data;
    }
};

void PrintTo(const Received& r, std::ostream* os) {
    *os << r.via << " " << std::hex << r.source << "->" << r.destination << " id " << r.messageId
        << " reply " << r.replyId << " '" << r.data << "'";
}

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
            bodies.push_back(r.data);
        }
        return bodies;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Received> received_;
};

// A one-shot signal between threads.
class Gate {
public:
    void Open() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            open_ = true;
        }
        cv_.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool open_ = false;
};

bool Post(IPCMessageClient& client, uint32_t to, uint32_t id, std::string body = {},
          uint32_t from = kEndpointPlugin, uint32_t replyId = kReplyIdNone) {
    TagIPCMessageItem item;
    item.destination = to;
    item.source = from;
    item.messageId = id;
    item.replyId = replyId;
    if (!body.empty()) {
        item.data = &body[0];
        item.dataLength = body.size();
    }
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

TEST_F(IPCMessageClientTest, PerIdCallbackWinsOverGeneralCallback) {
    Inbox inbox;
    IPCMessageClient plugin(kEndpointPlugin, true, false);
    plugin.RegisterMessageCallback(kMsgShareProgress, inbox.Record("per-id"));
    plugin.RegisterGeneralCallback(inbox.Record("general"));
    IPCMessageClient service(kEndpointTandemService, true, false);

    EXPECT_TRUE(Post(service, kEndpointPlugin, kMsgShareProgress, "p1", kEndpointTandemService));
    EXPECT_TRUE(Post(service, kEndpointPlugin, kMsgShareStatus, "s", kEndpointTandemService, 7));
    EXPECT_TRUE(Post(service, kEndpointPlugin, kMsgShareProgress, "p2", kEndpointTandemService));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());

    const uint32_t svc = kEndpointTandemService;
    EXPECT_THAT(inbox.Items(),
                ElementsAre(Received{"per-id", svc, kEndpointPlugin, kMsgShareProgress, 0, "p1"},
                            Received{"general", svc, kEndpointPlugin, kMsgShareStatus, 7, "s"},
                            Received{"per-id", svc, kEndpointPlugin, kMsgShareProgress, 0, "p2"}));
}

TEST_F(IPCMessageClientTest, SharedIdReachesEveryClientWithACallbackInPostOrder) {
    // The plug-in has two clients of its id; only the one with callbacks hears anything, and each
    // client with a callback gets every message in the order it was posted.
    Inbox viaGeneral;
    Inbox viaPerId;
    IPCMessageClient manager(kEndpointPlugin, true, false);
    manager.RegisterGeneralCallback(viaGeneral.Record("manager"));
    IPCMessageClient second(kEndpointPlugin, true, false);
    second.RegisterMessageCallback(kMsgShareProgress, viaPerId.Record("second"));
    IPCMessageClient silent(kEndpointPlugin, true, false);
    IPCMessageClient service(kEndpointTandemService, true, false);

    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        expected.push_back(std::to_string(i));
        ASSERT_TRUE(Post(service, kEndpointPlugin, kMsgShareProgress, expected.back()));
    }
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());

    EXPECT_EQ(viaGeneral.Bodies(), expected);
    EXPECT_EQ(viaPerId.Bodies(), expected);
}

TEST_F(IPCMessageClientTest, SelfPostComesBackToOwnCallbacks) {
    Inbox inbox;
    IPCMessageClient plugin(kEndpointPlugin, true, false);
    plugin.RegisterMessageCallback(kMsgTooManyFiles, inbox.Record("own"));

    EXPECT_TRUE(Post(plugin, kEndpointPlugin, kMsgTooManyFiles));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());

    EXPECT_THAT(inbox.Items(), ElementsAre(Received{"own", kEndpointPlugin, kEndpointPlugin,
                                                    kMsgTooManyFiles, kReplyIdNone, ""}));
}

TEST_F(IPCMessageClientTest, SubscriberReceivesMessagesForTheSubscribedId) {
    Inbox inbox;
    IPCMessageClient plugin(kEndpointPlugin, true, false);
    plugin.RegisterGeneralCallback(inbox.Record("plugin"));
    EXPECT_TRUE(plugin.SubscribeIPCMessage(kEndpointSubscribedGroup, 0));
    IPCMessageClient host(kEndpointHostNotice, true, false);

    EXPECT_TRUE(Post(host, kEndpointSubscribedGroup, 0x200001, "group", kEndpointHostNotice));
    EXPECT_TRUE(Post(host, kEndpointHostRestart, 0x200002, "elsewhere", kEndpointHostNotice));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());

    EXPECT_THAT(inbox.Bodies(), ElementsAre("group"));
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

TEST_F(IPCMessageClientTest, SendReturnsTheReceiversAnswer) {
    IPCMessageClient plugin(kEndpointPlugin, true, false);
    IPCMessageClient service(kEndpointTandemService, true, false);
    std::string requestBody;
    std::atomic<bool> secondAnswerTaken{true};
    service.RegisterMessageCallback(kMsgTandemPairingState, [&](TagIPCMessageItem& item) {
        requestBody.assign(item.data, item.dataLength);
        EXPECT_TRUE(ipcstandin::Reply(item, std::string("pa\0ir", 5)));
        secondAnswerTaken = ipcstandin::Reply(item, "again");
    });

    std::string body = "question";
    TagIPCMessageItem item;
    item.destination = kEndpointTandemService;
    item.source = kEndpointPlugin;
    item.messageId = kMsgTandemPairingState;
    item.replyId = 5000;  // the UI manager carries its time-out here
    item.data = &body[0];
    item.dataLength = body.size();
    TagIPCMessageItemRecv reply;
    ASSERT_TRUE(plugin.SendIPCMessage(item, 5000, reply, 0));

    EXPECT_EQ(reply.data, std::string("pa\0ir", 5));
    EXPECT_EQ(reply.source, kEndpointTandemService);
    EXPECT_EQ(reply.destination, kEndpointPlugin);
    EXPECT_EQ(reply.messageId, kMsgTandemPairingState);
    EXPECT_EQ(requestBody, "question");
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    EXPECT_FALSE(secondAnswerTaken) << "a request is answered once";
}

TEST_F(IPCMessageClientTest, SendFailsOnTimeOutAndWithoutReceiver) {
    IPCMessageClient plugin(kEndpointPlugin, true, false);
    IPCMessageClient service(kEndpointTandemService, true, false);
    std::mutex mutex;
    TagIPCMessageItem unanswered;
    service.RegisterGeneralCallback([&](TagIPCMessageItem& item) {
        std::lock_guard<std::mutex> lock(mutex);
        unanswered = item;
        unanswered.data = nullptr;  // valid only during the callback
    });

    TagIPCMessageItem item;
    item.destination = kEndpointTandemService;
    item.source = kEndpointPlugin;
    item.messageId = kMsgTandemConnectionState;
    TagIPCMessageItemRecv reply;
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

TEST_F(IPCMessageClientTest, UnRegisterAllWaitsForTheRunningCallbackAndStopsDelivery) {
    IPCMessageClient plugin(kEndpointPlugin, true, false);
    IPCMessageClient service(kEndpointTandemService, true, false);
    std::promise<void> entered;
    Gate release;
    std::atomic<int> calls{0};
    std::atomic<bool> callbackFinished{false};
    plugin.RegisterGeneralCallback([&](TagIPCMessageItem&) {
        if (calls++ == 0) {
            entered.set_value();
            release.Wait();
            callbackFinished = true;
        }
    });

    ASSERT_TRUE(Post(service, kEndpointPlugin, kMsgShareStatus));
    entered.get_future().wait();
    std::atomic<bool> finishedWhenReturned{false};
    std::future<void> unregistered = std::async(std::launch::async, [&] {
        plugin.UnRegisterMessageCallbackAll();
        finishedWhenReturned = callbackFinished.load();
    });
    // The callback is still blocked, so UnRegisterMessageCallbackAll must still be waiting.
    EXPECT_EQ(unregistered.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    release.Open();
    unregistered.get();
    EXPECT_TRUE(finishedWhenReturned);

    ASSERT_TRUE(Post(service, kEndpointPlugin, kMsgShareStatus));
    ASSERT_TRUE(Post(service, kEndpointPlugin, kMsgShareProgress));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    EXPECT_EQ(calls, 1);
}

TEST_F(IPCMessageClientTest, UnRegisterAllFromInsideOwnCallbackReturns) {
    IPCMessageClient plugin(kEndpointPlugin, true, false);
    std::atomic<int> calls{0};
    plugin.RegisterGeneralCallback([&](TagIPCMessageItem&) {
        ++calls;
        plugin.UnRegisterMessageCallbackAll();
    });

    ASSERT_TRUE(Post(plugin, kEndpointPlugin, kMsgTooManyFiles));
    ASSERT_TRUE(Post(plugin, kEndpointPlugin, kMsgTooManyFiles));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    EXPECT_EQ(calls, 1);
}

TEST_F(IPCMessageClientTest, DestroyingAClientDropsItsQueuedMessages) {
    auto plugin = std::make_unique<IPCMessageClient>(kEndpointPlugin, true, false);
    IPCMessageClient service(kEndpointTandemService, true, false);
    std::promise<void> entered;
    Gate release;
    std::atomic<int> calls{0};
    plugin->RegisterGeneralCallback([&](TagIPCMessageItem&) {
        if (calls++ == 0) {
            entered.set_value();
            release.Wait();
        }
    });

    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(Post(service, kEndpointPlugin, kMsgShareProgress, std::string(64, 'x')));
    }
    entered.get_future().wait();
    std::future<void> destroyed = std::async(std::launch::async, [&] { plugin.reset(); });
    // The client leaves the bus before it waits for its running callback.
    while (ipcstandin::LiveClientCount() != 1) {
        std::this_thread::yield();
    }
    release.Open();
    destroyed.get();

    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(Post(service, kEndpointPlugin, kMsgShareProgress)) << "posts never fail for lack "
                                                                      "of a receiver";
}

TEST_F(IPCMessageClientTest, ClientMayBeDestroyedFromInsideItsOwnCallback) {
    auto plugin = std::make_unique<IPCMessageClient>(kEndpointPlugin, true, false);
    IPCMessageClient service(kEndpointTandemService, true, false);
    std::atomic<int> calls{0};
    plugin->RegisterGeneralCallback([&](TagIPCMessageItem&) {
        ++calls;
        plugin.reset();
    });

    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(Post(service, kEndpointPlugin, kMsgShareProgress));
    }
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(plugin, nullptr);
}

TEST_F(IPCMessageClientTest, PayloadIsCopiedWhenPosted) {
    IPCMessageClient first(kEndpointPlugin, true, false);
    IPCMessageClient second(kEndpointPlugin, true, false);
    IPCMessageClient service(kEndpointTandemService, true, false);
    Inbox inbox;
    std::promise<void> entered;
    Gate release;
    first.RegisterMessageCallback(kMsgShareStatus, [&](TagIPCMessageItem&) {
        entered.set_value();
        release.Wait();
    });
    // Each receiver gets its own copy: scribbling over it does not reach the other one.
    first.RegisterMessageCallback(kMsgShareProgress, [&](TagIPCMessageItem& item) {
        inbox.Record("first")(item);
        std::fill(item.data, item.data + item.dataLength, '#');
    });
    second.RegisterMessageCallback(kMsgShareProgress, [&](TagIPCMessageItem& item) {
        inbox.Record("second")(item);
        std::fill(item.data, item.data + item.dataLength, '#');
    });

    ASSERT_TRUE(Post(service, kEndpointPlugin, kMsgShareStatus));
    entered.get_future().wait();
    {
        auto buffer = std::make_unique<char[]>(7);
        std::copy_n("abc\0def", 7, buffer.get());
        TagIPCMessageItem item;
        item.destination = kEndpointPlugin;
        item.source = kEndpointTandemService;
        item.messageId = kMsgShareProgress;
        item.data = buffer.get();
        item.dataLength = 7;
        ASSERT_TRUE(service.PostIPCMessage(item));
        std::fill(buffer.get(), buffer.get() + 7, 'X');
    }  // freed before the receivers see it
    release.Open();
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());

    const std::string sent("abc\0def", 7);
    std::vector<Received> items = inbox.Items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].data, sent);
    EXPECT_EQ(items[1].data, sent);

    TagIPCMessageItem malformed;
    malformed.destination = kEndpointPlugin;
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
    TagIPCMessageItem request;
    request.destination = kEndpointTandemService;
    request.source = kEndpointPlugin;
    request.messageId = kMsgTandemPairedDevice;
    request.replyId = kMsgPairedDeviceAnswer;
    TagIPCMessageItemRecv reply;
    ASSERT_TRUE(plugin.SendIPCMessage(request, 5000, reply, 0));

    ipcstandin::SetRefuseMessages(true);
    EXPECT_FALSE(Post(plugin, kEndpointHostNotice, kMsgHostRestart));
    EXPECT_FALSE(plugin.SendIPCMessage(request, 5000, reply, 0));
    ipcstandin::SetRefuseMessages(false);
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());

    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_EQ(traced.size(), 3u);
    const ipcstandin::TracedMessage& post = traced[0];
    EXPECT_EQ(post.source, kEndpointPlugin);
    EXPECT_EQ(post.destination, kEndpointHostNotice);
    EXPECT_EQ(post.messageId, kMsgHostDropTarget);
    EXPECT_EQ(post.replyId, kMsgDroppedFiles);
    EXPECT_EQ(post.dataLength, 2u);
    EXPECT_EQ(post.data, "ab");
    EXPECT_FALSE(post.isSend);
    EXPECT_FALSE(post.isReply);

    const ipcstandin::TracedMessage& send = traced[1];
    EXPECT_EQ(send.destination, kEndpointTandemService);
    EXPECT_EQ(send.messageId, kMsgTandemPairedDevice);
    EXPECT_TRUE(send.isSend);
    EXPECT_FALSE(send.isReply);

    const ipcstandin::TracedMessage& answer = traced[2];
    EXPECT_EQ(answer.source, kEndpointTandemService);
    EXPECT_EQ(answer.destination, kEndpointPlugin);
    EXPECT_EQ(answer.messageId, kMsgTandemPairedDevice);
    EXPECT_EQ(answer.replyId, kMsgPairedDeviceAnswer);
    EXPECT_EQ(answer.data, std::string("\x01\x00", 2));
    EXPECT_EQ(answer.dataLength, 2u);
    EXPECT_TRUE(answer.isReply);
}

}  // namespace
