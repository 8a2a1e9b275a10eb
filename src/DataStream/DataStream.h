// Payload encoding of every IPC message body: untagged primitives in the stream's byte order
// (little-endian unless switched), strings with a 16-bit length, string arrays with a 32-bit
// count. Requests are sized by a counting pass and then written into an exact block
// (BuildPayload / SendPayload below); replies are read in the order their handler expects.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace tandem {

namespace detail {

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
inline constexpr bool kHostBigEndian = true;
#else
inline constexpr bool kHostBigEndian = false;
#endif

template <typename T>
T Reversed(T value) {
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (size_t i = 0; i < sizeof(T) / 2; ++i) {
        std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
    }
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

}  // namespace detail

// Abstract byte channel.
class IOChannel {
public:
    virtual ~IOChannel() = default;
    // Bytes read, or -1.
    virtual int32_t Read(void* destination, uint32_t length) = 0;
    // Bytes written, or -1.
    virtual int32_t Write(const void* source, uint32_t length) = 0;
};

// A channel over one caller-owned memory block, either for reading or for writing. A writing
// channel over a null block only counts: every write reports its full length and stores
// nothing. The block is never freed by the channel.
class IpcBufferBuild final : public IOChannel {
public:
    IpcBufferBuild(void* base, uint32_t capacity, bool readMode)
        : capacity(capacity),
          base(static_cast<uint8_t*>(base)),
          cursor(static_cast<uint8_t*>(base)),
          readMode(readMode) {}
    IpcBufferBuild(const IpcBufferBuild&) = delete;
    IpcBufferBuild& operator=(const IpcBufferBuild&) = delete;

    // With a null destination or block: `length`, nothing copied. On a writing channel: -1.
    // Past the end of the block: -1, cursor unchanged.
    int32_t Read(void* destination, uint32_t length) override {
        if (destination == nullptr || cursor == nullptr) {
            return static_cast<int32_t>(length);
        }
        if (!readMode || !Fits(length)) {
            return -1;
        }
        std::memcpy(destination, cursor, length);
        cursor += length;
        return static_cast<int32_t>(length);
    }
    // With a null source or block: `length`, nothing stored (counting). On a reading channel:
    // -1. Past the end of the block: -1, cursor unchanged.
    int32_t Write(const void* source, uint32_t length) override {
        if (cursor == nullptr || source == nullptr) {
            return static_cast<int32_t>(length);
        }
        if (readMode || !Fits(length)) {
            return -1;
        }
        std::memcpy(cursor, source, length);
        cursor += length;
        return static_cast<int32_t>(length);
    }

    // True for a channel over a null block, whose writes only count.
    bool Counting() const { return cursor == nullptr; }

private:
    friend class DataStream;

    // A string field as two writes, the 16-bit length field (already in stream byte order) and
    // then the text, with the results of Write: 2 + n, or -1 when either write fails (the length
    // stays written when only the text does not fit).
    int32_t WriteString(uint16_t lengthField, const void* text, uint32_t length) {
        if (cursor == nullptr) {
            return static_cast<int32_t>(length) + 2;
        }
        if (readMode || !Fits(2)) {
            return -1;
        }
        uint8_t* at = cursor;
        std::memcpy(at, &lengthField, 2);
        at += 2;
        cursor = at;
        if (text == nullptr) {
            return static_cast<int32_t>(length) + 2;
        }
        if (!Fits(length)) {
            return -1;
        }
        std::memcpy(at, text, length);
        cursor = at + length;
        return static_cast<int32_t>(length) + 2;
    }

    bool Fits(uint32_t length) const {
        return static_cast<int64_t>(cursor - base) + static_cast<int64_t>(length) <=
               static_cast<int64_t>(capacity);
    }

    uint32_t capacity;
    uint8_t* base;
    uint8_t* cursor;
    bool readMode;
};

// Abstract typed stream. Results are byte counts, or negative on failure.
class IOStream {
public:
    virtual ~IOStream() = default;
    virtual int32_t ReadRaw(void* destination, uint32_t length) = 0;
    virtual int32_t ReadInt32() = 0;
    virtual int32_t ReadInt32(int32_t& out) = 0;
    virtual uint16_t ReadUInt16() = 0;
    virtual int32_t ReadUInt16(uint16_t& out) = 0;
    virtual float ReadFloat() = 0;
    virtual int32_t ReadFloat(float& out) = 0;
    virtual double ReadDouble() = 0;
    virtual int32_t ReadDouble(double& out) = 0;
    virtual uint8_t ReadUInt8() = 0;
    virtual int32_t ReadUInt8(uint8_t& out) = 0;
    virtual uint64_t ReadUInt64() = 0;
    virtual int32_t ReadUInt64(uint64_t& out) = 0;
    virtual std::string ReadUtf8String() = 0;
    virtual int32_t ReadUtf8String(std::string& out) = 0;
    virtual int32_t ReadUtf8StringArray(std::vector<std::string>& out) = 0;
    virtual int32_t ReadLine(std::string& out) = 0;
    virtual int32_t WriteRaw(const void* source, uint32_t length) = 0;
    virtual int32_t WriteInt32(int32_t value) = 0;
    virtual int32_t WriteUInt16(uint16_t value) = 0;
    virtual int32_t WriteFloat(float value) = 0;
    virtual int32_t WriteDouble(double value) = 0;
    virtual int32_t WriteUInt8(uint8_t value) = 0;
    virtual int32_t WriteUInt64(uint64_t value) = 0;
    virtual int32_t WriteUtf8String(const std::string& value) = 0;
    virtual int32_t WriteUtf8StringArray(const std::vector<std::string>& values) = 0;
    virtual int32_t WriteLine(const std::string& value) = 0;
    virtual bool IsBigEndian() = 0;
    virtual void SetBigEndian(bool bigEndian) = 0;
    virtual void Flush() = 0;
};

// The typed stream over an IOChannel. Without a channel every operation fails: the
// by-reference reads and the writes return -1 and the by-value reads return their "no
// channel" value (-1, 65535, 0.0, -1.0, 0, all bits set, empty).
//
// A failed channel read leaves a by-value read at 0 and a by-reference read's `out` at 0.
// A stream is used by one thread at a time.
class DataStream final : public IOStream {
public:
    // Longest string the reader accepts and the writers write; the length field is read as a
    // signed 16-bit number.
    static constexpr int32_t kMaxStringLength = 32767;
    // Most elements the array reader accepts.
    static constexpr int32_t kMaxArrayCount = 5000;

    explicit DataStream(IOChannel* channel);
    // The same over a memory block, known to be one.
    explicit DataStream(IpcBufferBuild* channel);
    ~DataStream() override;
    DataStream(const DataStream&) = delete;
    DataStream& operator=(const DataStream&) = delete;

    int32_t ReadRaw(void* destination, uint32_t length) override;
    int32_t ReadInt32() override;
    int32_t ReadInt32(int32_t& out) override;
    uint16_t ReadUInt16() override;
    int32_t ReadUInt16(uint16_t& out) override;
    float ReadFloat() override;
    int32_t ReadFloat(float& out) override;
    double ReadDouble() override;
    int32_t ReadDouble(double& out) override;
    uint8_t ReadUInt8() override;
    int32_t ReadUInt8(uint8_t& out) override;
    uint64_t ReadUInt64() override;
    int32_t ReadUInt64(uint64_t& out) override;
    // Empty on any failure.
    std::string ReadUtf8String() override;
    // 2 + n; 0 (and `out` empty) for a length of 0 or 0x8000 and above, or an unreadable
    // length, in which case only the length bytes are consumed; negative when the text itself
    // cannot be read.
    int32_t ReadUtf8String(std::string& out) override;
    // Appends to `out` (elements already there stay). Returns 4 for the count plus the result
    // of each element read (0 for an empty one); stops at the first element that cannot be
    // read, keeping those before it. A count above kMaxArrayCount
    // is logged and refused with -1, nothing read past the count.
    int32_t ReadUtf8StringArray(std::vector<std::string>& out) override;
    // Bytes up to a line feed (not stored) or the end of the data; returns out.size().
    // The loop ends only when a read fails, so it must not be used on a reading channel over a
    // null block, which reports every read as done.
    int32_t ReadLine(std::string& out) override;
    int32_t WriteRaw(const void* source, uint32_t length) override;
    int32_t WriteInt32(int32_t value) override { return WriteNumber(value); }
    int32_t WriteUInt16(uint16_t value) override { return WriteNumber(value); }
    int32_t WriteFloat(float value) override { return WriteNumber(value); }
    int32_t WriteDouble(double value) override { return WriteNumber(value); }
    int32_t WriteUInt8(uint8_t value) override { return WriteNumber(value); }
    int32_t WriteUInt64(uint64_t value) override { return WriteNumber(value); }
    // The 16-bit length, then the bytes: 2 + n, or the first negative result. A string longer
    // than kMaxStringLength is logged and refused with -1, nothing written.
    int32_t WriteUtf8String(const std::string& value) override {
        if (block != nullptr && value.size() <= static_cast<size_t>(kMaxStringLength)) {
            return WriteStringToBlock(value);
        }
        return WriteStringChecked(value);
    }
    // The count as int32, then each element; stops at the first element that fails and returns
    // the bytes written before it (the count's result when the count itself failed). An array
    // with an element longer than kMaxStringLength is logged and refused with -1 before
    // anything is written, so no payload holds a partial array under its full count.
    int32_t WriteUtf8StringArray(const std::vector<std::string>& values) override;
    // The bytes, then a line feed: n + 1, or the first negative result.
    int32_t WriteLine(const std::string& value) override;
    bool IsBigEndian() override { return bigEndian; }
    void SetBigEndian(bool value) override { bigEndian = value; }
    void Flush() override {}

private:
    struct Scratch;

    // Inline, so that the fields of a request are written without a call each.
    template <typename T>
    int32_t WriteNumber(T value) {
        if (channel == nullptr) {
            return -1;
        }
        if (bigEndian != detail::kHostBigEndian) {
            value = detail::Reversed(value);
        }
        return ChannelWrite(&value, sizeof(T));
    }
    template <typename T>
    int32_t ReadNumber(T& out);
    // WriteUtf8String over `block`, of a string known not to be too long.
    int32_t WriteStringToBlock(const std::string& value) {
        const uint16_t length = static_cast<uint16_t>(value.size());
        return block->WriteString(
            bigEndian != detail::kHostBigEndian ? detail::Reversed(length) : length, value.data(),
            static_cast<uint32_t>(value.size()));
    }
    // WriteUtf8String of any other string: one that is refused, or over a channel that is not a
    // memory block.
    int32_t WriteStringChecked(const std::string& value);

    // The channel's Read and Write; direct calls when the channel is a memory block, which is
    // what every payload goes through.
    int32_t ChannelRead(void* destination, uint32_t length) {
        return block != nullptr ? block->Read(destination, length)
                                : channel->Read(destination, length);
    }
    int32_t ChannelWrite(const void* source, uint32_t length) {
        return block != nullptr ? block->Write(source, length) : channel->Write(source, length);
    }

    std::unique_ptr<Scratch> scratch;
    IOChannel* channel;
    bool bigEndian = false;
    // `channel` itself when it is an IpcBufferBuild, otherwise null.
    IpcBufferBuild* block;
};

// A new stream over `channel` (not owned; may be null).
std::unique_ptr<DataStream> CreateDataStream(IOChannel* channel);

// A "raw block" field: the bytes as they stand, with no length (write the length as its own
// field where the message needs one). The bytes are not owned.
struct RawBlock {
    const void* data = nullptr;
    uint32_t length = 0;
};

namespace detail {

template <typename>
inline constexpr bool kUnsupportedField = false;

template <typename Stream, typename T>
inline int32_t WriteField(Stream& stream, const T& value) {
    if constexpr (std::is_same_v<T, int32_t>) {
        return stream.WriteInt32(value);
    } else if constexpr (std::is_same_v<T, uint16_t>) {
        return stream.WriteUInt16(value);
    } else if constexpr (std::is_same_v<T, uint8_t>) {
        return stream.WriteUInt8(value);
    } else if constexpr (std::is_same_v<T, uint64_t>) {
        return stream.WriteUInt64(value);
    } else if constexpr (std::is_same_v<T, float>) {
        return stream.WriteFloat(value);
    } else if constexpr (std::is_same_v<T, double>) {
        return stream.WriteDouble(value);
    } else if constexpr (std::is_same_v<T, std::string>) {
        return stream.WriteUtf8String(value);
    } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
        return stream.WriteUtf8StringArray(value);
    } else if constexpr (std::is_same_v<T, RawBlock>) {
        return stream.WriteRaw(value.data, value.length);
    } else {
        // Field types are exact so that no value is silently narrowed or widened on the wire:
        // cast bools and unsigned 32-bit values to int32_t, texts to std::string.
        static_assert(kUnsupportedField<T>, "unsupported DataStream field type");
        return -1;
    }
}

}  // namespace detail

// Writes each value in order with its write operation (int32_t, uint16_t, uint8_t, uint64_t,
// float, double, std::string, std::vector<std::string>, RawBlock). Returns the sum of the
// results, which is the payload size, or the first negative result when a write failed.
template <typename Stream, typename... Values>
int32_t Serialize(Stream& stream, const Values&... values) {
    static_assert(std::is_base_of_v<IOStream, Stream>, "Serialize writes to an IOStream");
    int32_t total = 0;
    int32_t failure = 0;
    [[maybe_unused]] auto keep = [&total, &failure](int32_t result) {
        if (result < 0) {
            failure = failure < 0 ? failure : result;
        } else {
            total += result;
        }
    };
    (keep(detail::WriteField(stream, values)), ...);
    return failure < 0 ? failure : total;
}

// A payload block built by BuildPayload; owns its bytes.
struct Payload {
    std::unique_ptr<char[]> block;
    uint32_t size = 0;

    explicit operator bool() const { return block != nullptr; }
};

// The two-pass rule of every request: a counting pass gives the exact size S, S bytes are
// allocated without throwing, and the same fields are written again into them. An empty
// Payload when the counting pass fails, the allocation fails or the second pass does not
// write exactly S bytes.
template <typename... Values>
Payload BuildPayload(const Values&... values) {
    IpcBufferBuild counter(nullptr, 0, false);
    DataStream counting(&counter);
    int32_t size = Serialize(counting, values...);
    if (size < 0) {
        return {};
    }
    Payload payload;
    // At least one byte so that an empty payload still has a block to free.
    payload.block.reset(new (std::nothrow) char[size > 0 ? size : 1]);
    if (!payload.block) {
        return {};
    }
    IpcBufferBuild writer(payload.block.get(), static_cast<uint32_t>(size), false);
    DataStream stream(&writer);
    int32_t written = Serialize(stream, values...);
    stream.Flush();
    if (written != size) {
        return {};
    }
    payload.size = static_cast<uint32_t>(size);
    return payload;
}

// Builds the payload of `values` and hands it to `send(const char* block, uint32_t size)`;
// the block is freed when `send` returns. False without calling `send` when the payload cannot
// be built, otherwise the result of `send`.
template <typename Send, typename... Values>
bool SendPayload(Send&& send, const Values&... values) {
    Payload payload = BuildPayload(values...);
    if (!payload) {
        return false;
    }
    return static_cast<bool>(
        std::forward<Send>(send)(static_cast<const char*>(payload.block.get()), payload.size));
}

}  // namespace tandem
