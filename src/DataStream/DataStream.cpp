#include "DataStream.h"

#include "SDK/Util/LogTool/LogTool.h"

#include <climits>
#include <cstring>
#include <limits>
#include <mutex>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tandem {

namespace {

using detail::kHostBigEndian;
using detail::Reversed;

// A string field carries its length in 16 bits and the reader takes that length as a signed
// number, so a longer string would come out as a different, shorter one followed by garbage.
// Such a string is refused (logged) rather than written.
bool Writable(const std::string& value, const char* function) {
    if (value.size() <= static_cast<size_t>(DataStream::kMaxStringLength)) {
        return true;
    }
    LOG_WARN_FN(function, "string of " << value.size()
                                       << " bytes refused: a payload string holds at most "
                                       << DataStream::kMaxStringLength << " bytes");
    return false;
}

// True when an element of SIZE bytes may be written, with its length field, from AT on.
inline bool ElementFits(size_t size, const uint8_t* at, const uint8_t* limit) {
    return size <= static_cast<size_t>(DataStream::kMaxStringLength) &&
           static_cast<size_t>(limit - at) >= 2 + size;
}

// The elements of a string array, each as its 16-bit length (swapped when `swap`) and its bytes,
// written from `at` on; returns the end of the last one, or null when an element is longer than
// kMaxStringLength or would pass `limit`.
uint8_t* PutElementsPortable(uint8_t* at, const uint8_t* limit, const std::string* value,
                             const std::string* end, bool swap) {
    for (; value != end; ++value) {
        const size_t size = value->size();
        if (!ElementFits(size, at, limit)) {
            return nullptr;
        }
        const uint16_t length = static_cast<uint16_t>(size);
        const uint16_t lengthField = swap ? Reversed(length) : length;
        std::memcpy(at, &lengthField, 2);
        std::memcpy(at + 2, value->data(), size);
        at += 2 + size;
    }
    return at;
}

#if defined(__GNUC__) && defined(__x86_64__)
__attribute__((target("avx"))) inline void Move32(uint8_t* to, const char* from) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)));
}

// PutElementsPortable with 32-byte moves, on processors with AVX. An element of 46 to 512 bytes
// goes as one 16-byte move of its length field with its first 14 bytes, then 32-byte moves of
// the rest, the last one ending at the element's end (overlapping the one before): no move
// reaches outside the element, on either side.
template <bool Swap>
__attribute__((target("avx"))) inline uint8_t* PutElementsWide(uint8_t* at, const uint8_t* limit,
                                                               const std::string* value,
                                                               const std::string* end) {
    for (; value != end; ++value) {
        const size_t size = value->size();
        if (!ElementFits(size, at, limit)) {
            return nullptr;
        }
        const uint16_t length = static_cast<uint16_t>(size);
        const uint16_t lengthField = Swap ? Reversed(length) : length;
        const char* text = value->data();
        if (size >= 46 && size <= 512) {
            __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
            head = _mm_insert_epi16(_mm_slli_si128(head, 2), lengthField, 0);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), head);
            const char* from = text + 14;
            uint8_t* to = at + 16;
            const size_t rest = size - 14;
            Move32(to, from);
            if (rest > 64) {
                Move32(to + 32, from + 32);
                for (size_t done = 64; done + 32 < rest; done += 32) {
                    Move32(to + done, from + done);
                }
            }
            Move32(to + rest - 32, from + rest - 32);
        } else {
            std::memcpy(at, &lengthField, 2);
            std::memcpy(at + 2, text, size);
        }
        at += 2 + size;
    }
    return at;
}

__attribute__((target("avx"))) uint8_t* PutElementsWide(uint8_t* at, const uint8_t* limit,
                                                        const std::string* value,
                                                        const std::string* end, bool swap) {
    return swap ? PutElementsWide<true>(at, limit, value, end)
                : PutElementsWide<false>(at, limit, value, end);
}

// PutElementsPortable, or PutElementsWide where the processor has AVX.
uint8_t* PutElements(uint8_t* at, const uint8_t* limit, const std::string* value,
                     const std::string* end, bool swap) {
    static const bool wide = __builtin_cpu_supports("avx");
    return wide ? PutElementsWide(at, limit, value, end, swap)
                : PutElementsPortable(at, limit, value, end, swap);
}
#else
uint8_t* PutElements(uint8_t* at, const uint8_t* limit, const std::string* value,
                     const std::string* end, bool swap) {
    return PutElementsPortable(at, limit, value, end, swap);
}
#endif

// The text bytes of an array's elements, and the bitwise or of their sizes: since the longest
// string is one less than a power of two, some element is too long exactly when the or has a
// bit above it. Four running sums, so that the additions do not wait on one another.
struct ArraySizes {
    uint64_t text = 0;
    size_t anyBits = 0;
};
static_assert((DataStream::kMaxStringLength & (DataStream::kMaxStringLength + 1)) == 0,
              "the or of the sizes finds a long string only below a power of two");

ArraySizes MeasureArray(const std::vector<std::string>& values) {
    const std::string* value = values.data();
    const std::string* const end = value + values.size();
    uint64_t sums[4] = {0, 0, 0, 0};
    size_t bits[2] = {0, 0};
    for (; end - value >= 4; value += 4) {
        const size_t a = value[0].size();
        const size_t b = value[1].size();
        const size_t c = value[2].size();
        const size_t d = value[3].size();
        sums[0] += a;
        sums[1] += b;
        sums[2] += c;
        sums[3] += d;
        bits[0] |= a | b;
        bits[1] |= c | d;
    }
    for (; value != end; ++value) {
        sums[0] += value->size();
        bits[0] |= value->size();
    }
    return {sums[0] + sums[1] + sums[2] + sums[3], bits[0] | bits[1]};
}

}  // namespace

// Staging area of the string reads, made by the first one (a stream that only writes, as every
// request does, never needs it). Members are destroyed mutex first, then the bytes.
struct DataStream::Scratch {
    std::vector<char> bytes;
    std::mutex mutex;
};

DataStream::DataStream(IOChannel* channel)
    : channel(channel), block(dynamic_cast<IpcBufferBuild*>(channel)) {}

DataStream::DataStream(IpcBufferBuild* channel) : channel(channel), block(channel) {}

DataStream::~DataStream() = default;

std::unique_ptr<DataStream> CreateDataStream(IOChannel* channel) {
    return std::make_unique<DataStream>(channel);
}

template <typename T>
int32_t DataStream::ReadNumber(T& out) {
    out = T();
    if (channel == nullptr) {
        return -1;
    }
    T value = T();
    int32_t result = ChannelRead(&value, sizeof(T));
    if (result < 0) {
        return result;
    }
    out = bigEndian != kHostBigEndian ? Reversed(value) : value;
    return result;
}

int32_t DataStream::ReadRaw(void* destination, uint32_t length) {
    return channel != nullptr ? ChannelRead(destination, length) : -1;
}

int32_t DataStream::ReadInt32() {
    int32_t value = 0;
    return channel != nullptr ? (ReadNumber(value), value) : -1;
}

int32_t DataStream::ReadInt32(int32_t& out) {
    return ReadNumber(out);
}

uint16_t DataStream::ReadUInt16() {
    uint16_t value = 0;
    return channel != nullptr ? (ReadNumber(value), value) : std::numeric_limits<uint16_t>::max();
}

int32_t DataStream::ReadUInt16(uint16_t& out) {
    return ReadNumber(out);
}

float DataStream::ReadFloat() {
    float value = 0.0f;
    return channel != nullptr ? (ReadNumber(value), value) : 0.0f;
}

int32_t DataStream::ReadFloat(float& out) {
    return ReadNumber(out);
}

double DataStream::ReadDouble() {
    double value = 0.0;
    return channel != nullptr ? (ReadNumber(value), value) : -1.0;
}

int32_t DataStream::ReadDouble(double& out) {
    return ReadNumber(out);
}

uint8_t DataStream::ReadUInt8() {
    uint8_t value = 0;
    return channel != nullptr ? (ReadNumber(value), value) : 0;
}

int32_t DataStream::ReadUInt8(uint8_t& out) {
    return ReadNumber(out);
}

uint64_t DataStream::ReadUInt64() {
    uint64_t value = 0;
    return channel != nullptr ? (ReadNumber(value), value) : std::numeric_limits<uint64_t>::max();
}

int32_t DataStream::ReadUInt64(uint64_t& out) {
    return ReadNumber(out);
}

std::string DataStream::ReadUtf8String() {
    std::string value;
    ReadUtf8String(value);
    return value;
}

int32_t DataStream::ReadUtf8String(std::string& out) {
    out.clear();
    const int16_t length = static_cast<int16_t>(ReadUInt16());
    if (length <= 0) {
        return 0;
    }
    if (channel == nullptr) {
        return -1;
    }
    if (scratch == nullptr) {
        scratch.reset(new (std::nothrow) Scratch);
        if (scratch == nullptr) {
            return -1;
        }
    }
    std::lock_guard<std::mutex> guard(scratch->mutex);
    scratch->bytes.resize(static_cast<size_t>(length));
    int32_t result = ChannelRead(scratch->bytes.data(), static_cast<uint32_t>(length));
    if (result < 0) {
        return result;
    }
    out.append(scratch->bytes.data(), scratch->bytes.size());
    return length + 2;
}

int32_t DataStream::ReadUtf8StringArray(std::vector<std::string>& out) {
    int32_t count = 0;
    int32_t total = ReadInt32(count);
    if (count > kMaxArrayCount) {
        LOG_ERROR_FN("tandem::DataStream::ReadUtf8StringArray",
                     "readPrimitiveTypes int32_t :" << count);
        // Refused: the caller sees a failure rather than a partial array.
        return -1;
    }
    if (count < 1) {
        return total;
    }
    std::string element;
    for (int32_t i = 0; i < count; ++i) {
        int32_t result = ReadUtf8String(element);
        if (result < 0) {
            break;
        }
        out.push_back(std::move(element));
        total += result;
    }
    return total;
}

int32_t DataStream::ReadLine(std::string& out) {
    out.clear();
    uint8_t byte = 0;
    while (ReadUInt8(byte) >= 0 && byte != '\n') {
        out.push_back(static_cast<char>(byte));
    }
    return static_cast<int32_t>(out.size());
}

int32_t DataStream::WriteRaw(const void* source, uint32_t length) {
    return channel != nullptr ? ChannelWrite(source, length) : -1;
}

int32_t DataStream::WriteStringChecked(const std::string& value) {
    if (!Writable(value, "tandem::DataStream::WriteUtf8String")) {
        return -1;
    }
    if (block != nullptr) {
        return WriteStringToBlock(value);
    }
    int32_t result = WriteNumber(static_cast<uint16_t>(value.size()));
    if (result < 0) {
        return result;
    }
    result = ChannelWrite(value.data(), static_cast<uint32_t>(value.size()));
    return result < 0 ? result : result + 2;
}

int32_t DataStream::WriteUtf8StringArray(const std::vector<std::string>& values) {
    static constexpr char kFunction[] = "tandem::DataStream::WriteUtf8StringArray";
    if (block != nullptr && !block->readMode && !block->Counting() && block->Fits(4)) {
        // Into a memory block, in one go: each element is its length field and its bytes. An
        // element that is too long or does not fit undoes the whole array (nothing is left
        // behind under a full count) and is handled below.
        const bool swap = bigEndian != kHostBigEndian;
        uint8_t* const start = block->cursor;
        const int32_t count = static_cast<int32_t>(values.size());
        const int32_t countField = swap ? Reversed(count) : count;
        std::memcpy(start, &countField, 4);
        uint8_t* const at = PutElements(start + 4, block->base + block->capacity, values.data(),
                                        values.data() + values.size(), swap);
        if (at != nullptr && at - start <= INT32_MAX) {
            block->cursor = at;
            return static_cast<int32_t>(at - start);
        }
        block->cursor = start;
    }
    // Every element looked at once: the bytes it takes, and whether any is too long. Checked
    // before the count is written, so that a refused array leaves nothing behind.
    const ArraySizes sizes = MeasureArray(values);
    const uint64_t needed = 4 + 2 * static_cast<uint64_t>(values.size()) + sizes.text;
    if ((sizes.anyBits & ~static_cast<size_t>(kMaxStringLength)) != 0) {
        for (const std::string& value : values) {
            if (!Writable(value, kFunction)) {
                return -1;
            }
        }
    }
    if (needed > static_cast<uint64_t>(INT32_MAX)) {
        return -1;
    }
    if (block != nullptr && block->Counting()) {
        return static_cast<int32_t>(needed);  // the sizing pass of a request
    }
    int32_t total = WriteInt32(static_cast<int32_t>(values.size()));
    if (total < 0) {
        return total;
    }
    for (const std::string& value : values) {
        int32_t result = block != nullptr ? WriteStringToBlock(value) : WriteUtf8String(value);
        if (result < 0) {
            break;
        }
        total += result;
    }
    return total;
}

int32_t DataStream::WriteLine(const std::string& value) {
    int32_t result = WriteRaw(value.data(), static_cast<uint32_t>(value.size()));
    if (result < 0) {
        return result;
    }
    result = WriteUInt8('\n');
    return result < 0 ? result : static_cast<int32_t>(value.size()) + 1;
}

}  // namespace tandem
