// The share request payload (500 paths of about 100 bytes, no thumbnail) built with the
// two-pass rule, against one memcpy of the finished payload, in the same run; for reference
// also against copying the same bytes from buffers that already hold them encoded (one buffer
// for the fixed fields, one per path, one for the thumbnail length). The ratio to the one
// memcpy is printed at the end as "ratio X (limit 2.5)".
#include "DataStream.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <time.h>

namespace {

constexpr double kRatioLimit = 2.5;

struct ShareRequest {
    int32_t devTypeIsOne = 1;
    int32_t reserved = 0;
    int32_t shareType = 2;
    uint64_t macAddr = 0x0000A1B2C3D4E5F6;
    std::string nickName = "Phone of the user";
    std::string summary = "summary text of the paired phone";
    std::string devName = "device-name-0123";
    std::string userName = "user name";
    int32_t wifi5GAbility = 1;
    std::vector<std::string> paths;
};

ShareRequest MakeRequest() {
    ShareRequest request;
    for (int i = 0; i < 500; ++i) {
        std::string path = "C:\\Users\\someone\\Documents\\Projects\\quarterly-report\\exports\\";
        path += "file-" + std::to_string(i) + ".dat";
        path.resize(100, 'x');
        request.paths.push_back(path);
    }
    return request;
}

tandem::Payload BuildShareRequest(const ShareRequest& r) {
    return tandem::BuildPayload(int32_t{0}, r.devTypeIsOne, r.reserved, r.shareType, r.macAddr,
                                r.nickName, r.summary, r.devName, r.userName, r.wifi5GAbility,
                                int32_t{0}, int32_t{0}, r.paths, int32_t{0},
                                tandem::RawBlock{nullptr, 0});
}

// The same payload, already encoded: the fixed fields up to the path count, one buffer per
// path (length and text), and the thumbnail length.
struct PrebuiltPieces {
    std::vector<std::vector<char>> pieces;
    size_t total = 0;
    std::vector<char> destination;
};

PrebuiltPieces MakePieces(const ShareRequest& r) {
    PrebuiltPieces prebuilt;
    tandem::Payload head =
        tandem::BuildPayload(int32_t{0}, r.devTypeIsOne, r.reserved, r.shareType, r.macAddr,
                             r.nickName, r.summary, r.devName, r.userName, r.wifi5GAbility,
                             int32_t{0}, int32_t{0}, static_cast<int32_t>(r.paths.size()));
    prebuilt.pieces.emplace_back(head.block.get(), head.block.get() + head.size);
    for (const std::string& path : r.paths) {
        tandem::Payload piece = tandem::BuildPayload(path);
        prebuilt.pieces.emplace_back(piece.block.get(), piece.block.get() + piece.size);
    }
    tandem::Payload tail = tandem::BuildPayload(int32_t{0});
    prebuilt.pieces.emplace_back(tail.block.get(), tail.block.get() + tail.size);
    for (const std::vector<char>& piece : prebuilt.pieces) {
        prebuilt.total += piece.size();
    }
    prebuilt.destination.resize(prebuilt.total);
    return prebuilt;
}

void CopyPieces(PrebuiltPieces& prebuilt) {
    char* out = prebuilt.destination.data();
    for (const std::vector<char>& piece : prebuilt.pieces) {
        std::memcpy(out, piece.data(), piece.size());
        out += piece.size();
    }
    benchmark::DoNotOptimize(prebuilt.destination.data());
    benchmark::ClobberMemory();
}

void BM_ShareRequestTwoPass(benchmark::State& state) {
    const ShareRequest request = MakeRequest();
    for (auto _ : state) {
        tandem::Payload payload = BuildShareRequest(request);
        benchmark::DoNotOptimize(payload.block.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * BuildShareRequest(request).size);
}
BENCHMARK(BM_ShareRequestTwoPass);

void BM_ShareRequestMemcpyPieces(benchmark::State& state) {
    PrebuiltPieces prebuilt = MakePieces(MakeRequest());
    for (auto _ : state) {
        CopyPieces(prebuilt);
    }
    state.SetBytesProcessed(state.iterations() * prebuilt.total);
}
BENCHMARK(BM_ShareRequestMemcpyPieces);

void BM_ShareRequestMemcpyBlock(benchmark::State& state) {
    const ShareRequest request = MakeRequest();
    tandem::Payload source = BuildShareRequest(request);
    std::vector<char> destination(source.size);
    for (auto _ : state) {
        std::memcpy(destination.data(), source.block.get(), source.size);
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * source.size);
}
BENCHMARK(BM_ShareRequestMemcpyBlock);

double gRatio = 0.0;

// CPU time of the calling thread, so that time spent preempted by other processes on a shared
// machine is not counted.
double ThreadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// Both sides timed in turn in every iteration, in batches long enough for the clock's own cost
// not to matter: the two-pass build, the copy of the encoded pieces, and for reference a copy
// of the whole payload as one block.
void BM_ShareRequestRatio(benchmark::State& state) {
    constexpr int kBatch = 16;
    const ShareRequest request = MakeRequest();
    PrebuiltPieces prebuilt = MakePieces(request);
    tandem::Payload whole = BuildShareRequest(request);
    if (whole.size != prebuilt.total) {
        state.SkipWithError("prebuilt pieces differ in size from the payload");
        return;
    }
    std::vector<char> destination(whole.size);
    double twoPass = 0;
    double pieces = 0;
    double block = 0;
    for (auto _ : state) {
        const double start = ThreadCpuNs();
        for (int i = 0; i < kBatch; ++i) {
            tandem::Payload payload = BuildShareRequest(request);
            benchmark::DoNotOptimize(payload.block.get());
            benchmark::ClobberMemory();
        }
        const double built = ThreadCpuNs();
        for (int i = 0; i < kBatch; ++i) {
            CopyPieces(prebuilt);
        }
        const double copied = ThreadCpuNs();
        for (int i = 0; i < kBatch; ++i) {
            std::memcpy(destination.data(), whole.block.get(), whole.size);
            benchmark::DoNotOptimize(destination.data());
            benchmark::ClobberMemory();
        }
        const double end = ThreadCpuNs();
        twoPass += built - start;
        pieces += copied - built;
        block += end - copied;
    }
    const double runs = static_cast<double>(state.iterations()) * kBatch;
    gRatio = block > 0 ? twoPass / block : 0.0;
    state.counters["two_pass_ns"] = twoPass / runs;
    state.counters["one_block_ns"] = block / runs;
    state.counters["ratio_vs_one_block"] = gRatio;
    state.counters["limit"] = kRatioLimit;
    state.counters["ratio_vs_pieces"] = pieces > 0 ? twoPass / pieces : 0.0;
}
BENCHMARK(BM_ShareRequestRatio)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (gRatio > 0) {
        std::printf("ratio %.2f (limit %.1f)\n", gRatio, kRatioLimit);
    }
    return 0;
}
