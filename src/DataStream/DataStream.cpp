#include "DataStream.h"

#include "SDK/Util/LogTool/LogTool.h"

#include <climits>
#include <cstring>
#include <limits>
#include <mutex>

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

// Copies a path-sized text in 16-byte moves the compiler keeps inline (the last one overlapping
// the one before), which beats a library call for the hundred-byte strings of a share request.
inline void CopyText(uint8_t* to, const char* from, size_t size) {
    if (size < 16 || size > 256) {
        std::memcpy(to, from, size);
        return;
    }
    size_t at = 0;
    for (; at + 16 <= size; at += 16) {
        std::memcpy(to + at, from + at, 16);
    }
    if (at < size) {
        std::memcpy(to + size - 16, from + size - 16, 16);
    }
}

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
        uint8_t* const end = block->base + block->capacity;
        const int32_t count = static_cast<int32_t>(values.size());
        const int32_t countField = swap ? Reversed(count) : count;
        std::memcpy(start, &countField, 4);
        uint8_t* at = start + 4;
        bool whole = true;
        for (const std::string& value : values) {
            const size_t size = value.size();
            if (size > static_cast<size_t>(kMaxStringLength) ||
                static_cast<size_t>(end - at) < 2 + size) {
                whole = false;
                break;
            }
            const uint16_t length = static_cast<uint16_t>(size);
            const uint16_t lengthField = swap ? Reversed(length) : length;
            std::memcpy(at, &lengthField, 2);
            CopyText(at + 2, value.data(), size);
            at += 2 + size;
        }
        if (whole && at - start <= INT32_MAX) {
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
