// Cost of a send request through AddSendItem and the UI loop, and how it grows with the number
// of waiting items. Requests for a phone that already waits are merged into its item, so the
// queue never holds more items than there are phones; the merge walks the queue from the
// front, so a request costs more the further back its phone's item waits.
//
//   BM_RequestIntoQueue/N: one running item and N waiting items (N phones); each request
//     merges into one of them, round robin.
//   BM_TenThousandRequests: 10,000 requests spread over 100 phones, made on a second thread
//     (as the shell-menu listener does) and then run through the UI loop; per-request time.
#include "FileTransferModel.h"

#include <benchmark/benchmark.h>
#include <DuiLibStandIn.h>
#include <TandemDataReportStandIn.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using namespace Vela::Ux;

class NullTransferFile : public ITransferFile {
public:
    void RegisterDataHandler(uint32_t, DataHandler) override {}
    void RegisterMessageHandler(uint32_t, MessageHandler) override {}
    void RegisterItemHandler(uint32_t, ItemHandler) override {}
    bool PostMessage(uint32_t, uint32_t, uint32_t, const char*, uint32_t) override { return true; }
    bool SendMessage(uint32_t, uint32_t, int32_t, std::string&, uint32_t) override { return true; }
    bool SendShareRequest(const KxShareDevices&, const std::vector<std::wstring>&) override {
        return true;
    }
    bool CancelSend() override { return true; }
    IPCMessageClient* GetIPCClient() override { return nullptr; }
};

class NullCallback : public FileTransferModelCallback {
public:
    void OnItemQueued(FileTransferItem*) override {}
    void OnItemStarted(FileTransferItem*) override {}
    void OnItemRemoved(FileTransferItem*) override {}
    void OnItemStateChanged(FileTransferItem*) override {}
};

std::vector<KxShareDevices> Phones(int count) {
    std::vector<KxShareDevices> phones(count);
    for (int i = 0; i < count; ++i) {
        phones[i].summary = "phone-summary-" + std::to_string(i);
        phones[i].nickName = L"Phone " + std::to_wstring(i);
        phones[i].devName = L"device-" + std::to_wstring(i);
        phones[i].shareType = 2;
    }
    return phones;
}

const std::vector<std::wstring> kFiles = {L"/nonexistent/swiftsend-bench/report.pdf"};

void BM_RequestIntoQueue(benchmark::State& state) {
    duistandin::SetMainThread();
    const int queueLength = static_cast<int>(state.range(0));
    NullTransferFile hub;
    NullCallback callback;
    FileTransferModel model(&hub);
    model.SetCallback(&callback);
    KxShareDevices running;
    running.summary = "running";
    model.AddSendItem(running, kFiles, SendSponsorSource::FromContextMenu);
    std::vector<KxShareDevices> phones = Phones(queueLength);
    for (const KxShareDevices& phone : phones) {
        model.AddSendItem(phone, kFiles, SendSponsorSource::FromContextMenu);
    }
    duistandin::RunUntilIdle();
    size_t next = 0;
    int64_t made = 0;
    for (auto _ : state) {
        model.AddSendItem(phones[next], kFiles, SendSponsorSource::FromContextMenu);
        duistandin::RunUntilIdle();
        next = (next + 1) % phones.size();
        if (++made % 4096 == 0) {
            state.PauseTiming();
            tandemstandin::ClearReportedEvents();  // the stand-in keeps every event
            state.ResumeTiming();
        }
    }
    state.counters["queued"] = static_cast<double>(model.GetQueuedCount());
    state.SetItemsProcessed(state.iterations());
    model.Clear();
    tandemstandin::ClearReportedEvents();
}
BENCHMARK(BM_RequestIntoQueue)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_TenThousandRequests(benchmark::State& state) {
    duistandin::SetMainThread();
    constexpr int kRequests = 10000;
    constexpr int kPhones = 100;
    std::vector<KxShareDevices> phones = Phones(kPhones);
    NullTransferFile hub;
    NullCallback callback;
    for (auto _ : state) {
        state.PauseTiming();
        auto model = std::make_unique<FileTransferModel>(&hub);
        model->SetCallback(&callback);
        tandemstandin::ClearReportedEvents();
        state.ResumeTiming();
        std::thread pipe([&] {
            for (int i = 0; i < kRequests; ++i) {
                model->AddSendItem(phones[i % kPhones], kFiles, SendSponsorSource::FromContextMenu);
            }
        });
        pipe.join();
        duistandin::RunUntilIdle();
        state.PauseTiming();
        state.counters["queued"] = static_cast<double>(model->GetQueuedCount());
        model.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRequests);
    state.counters["per_request_us"] = benchmark::Counter(
        static_cast<double>(state.iterations() * kRequests),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_TenThousandRequests)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
