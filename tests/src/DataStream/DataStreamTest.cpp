#include "DataStream.h"

#include "LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace tandem {
namespace {

using Bytes = std::vector<uint8_t>;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

template <typename... Values>
Bytes Encode(const Values&... values) {
    Payload payload = BuildPayload(values...);
    EXPECT_TRUE(payload);
    const uint8_t* begin = reinterpret_cast<const uint8_t*>(payload.block.get());
    return Bytes(begin, begin + payload.size);
}

// A stream reading a copy of `bytes`.
struct Reader {
    explicit Reader(Bytes bytes)
        : data(std::move(bytes)),
          channel(data.data(), static_cast<uint32_t>(data.size()), true),
          stream(CreateDataStream(&channel)) {}
    Bytes data;
    IpcBufferBuild channel;
    std::unique_ptr<DataStream> stream;
};

Bytes StringField(const std::string& text) {
    Bytes bytes(2 + text.size());
    bytes[0] = static_cast<uint8_t>(text.size() & 0xFF);
    bytes[1] = static_cast<uint8_t>(text.size() >> 8);
    std::copy(text.begin(), text.end(), bytes.begin() + 2);
    return bytes;
}

Bytes ArrayField(int32_t count, const std::vector<std::string>& elements) {
    Bytes bytes(4);
    std::memcpy(bytes.data(), &count, 4);
    for (const std::string& element : elements) {
        Bytes field = StringField(element);
        bytes.insert(bytes.end(), field.begin(), field.end());
    }
    return bytes;
}

// Every field type as its bytes: numbers little-endian without padding, strings with a 16-bit
// length and no terminator, arrays with an int32 count, raw blocks bare.
TEST(DataStreamLayout, FieldsAsTheirBytes) {
    const std::string text(300, 'x');
    const char raw[] = {'\x01', '\x00', '\x02'};
    const std::pair<Bytes, Bytes> cases[] = {
        {Encode(int32_t{1}), {0x01, 0x00, 0x00, 0x00}},
        {Encode(int32_t{-2}), {0xFE, 0xFF, 0xFF, 0xFF}},
        {Encode(uint8_t{0xAB}, uint16_t{0x1234}, uint64_t{0x0102030405060708}),
         {0xAB, 0x34, 0x12, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}},
        {Encode(1.0f, 1.0), {0x00, 0x00, 0x80, 0x3F, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}},
        {Encode(std::string()), {0x00, 0x00}},
        {Encode(text), StringField(text)},
        {Encode(std::vector<std::string>{"ab", ""}), ArrayField(2, {"ab", ""})},
        {Encode(std::vector<std::string>{}), {0, 0, 0, 0}},
        {Encode(RawBlock{raw, 3}, RawBlock{nullptr, 0}), {0x01, 0x00, 0x02}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.first, c.second) << "case " << &c - cases;
    }
}

// Elements of every size an array copies differently (short, path-sized, long), one after another
// so that each starts at a different offset, in both byte orders; into a block with guard bytes
// after it, exactly as long as the array and one byte shorter.
TEST(DataStreamLayout, ArrayElementsOfEverySizeLandWhole) {
    std::vector<std::string> elements;
    for (size_t size : {0,   1,   15,  16,  17,  45,  46,  47,  77,  78,  79,
                        100, 110, 111, 112, 143, 144, 145, 511, 512, 513, 4000}) {
        std::string element;
        for (size_t i = 0; i < size; ++i) {
            element.push_back(static_cast<char>('!' + (size + i) % 90));
        }
        elements.push_back(element);
    }
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian);
        Bytes expected = ArrayField(static_cast<int32_t>(elements.size()), elements);
        if (bigEndian) {
            std::reverse(expected.begin(), expected.begin() + 4);
            for (size_t at = 4, i = 0; i < elements.size(); at += 2 + elements[i].size(), ++i) {
                std::swap(expected[at], expected[at + 1]);
            }
        }
        const size_t last = 2 + elements.back().size();
        for (size_t capacity : {expected.size(), expected.size() - 1}) {
            Bytes block(capacity + 64, 0xEE);
            IpcBufferBuild channel(block.data(), static_cast<uint32_t>(capacity), false);
            std::unique_ptr<DataStream> stream = CreateDataStream(&channel);
            stream->SetBigEndian(bigEndian);
            const int32_t result = stream->WriteUtf8StringArray(elements);
            const bool whole = capacity == expected.size();
            // Short by one byte: every element but the last is written, and counted.
            const size_t written = whole ? expected.size() : expected.size() - last;
            EXPECT_EQ(result, static_cast<int32_t>(written));
            EXPECT_EQ(Bytes(block.begin(), block.begin() + written),
                      Bytes(expected.begin(), expected.begin() + written));
            EXPECT_EQ(Bytes(block.begin() + capacity, block.end()), Bytes(64, 0xEE));
        }
    }
}

// Every field type through the counting pass, into a block of exactly the counted size and
// back, in both byte orders.
TEST(DataStreamSerialize, CountingPassMatchesWritingPassAndReadsBackInBothByteOrders) {
    const std::vector<std::string> paths = {"C:\\a.txt", std::string(200, 'p'), ""};
    const uint8_t thumb[5] = {1, 2, 3, 4, 5};
    const auto write = [&](IpcBufferBuild& channel, bool bigEndian) {
        std::unique_ptr<DataStream> stream = CreateDataStream(&channel);
        stream->SetBigEndian(bigEndian);
        EXPECT_EQ(stream->IsBigEndian(), bigEndian);
        return Serialize(*stream, int32_t{-7}, uint16_t{0x1234}, uint64_t{0x0102030405060708},
                         -1.25f, 3.5, uint8_t{0x80}, std::string("nick"), paths,
                         RawBlock{thumb, 5});
    };
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian);
        IpcBufferBuild counter(nullptr, 0, false);
        const int32_t counted = write(counter, bigEndian);
        EXPECT_EQ(counted, 4 + 2 + 8 + 4 + 8 + 1 + (2 + 4) + (4 + 10 + 202 + 2) + 5);

        Bytes block(static_cast<size_t>(counted) + 16, 0xEE);
        IpcBufferBuild writer(block.data(), static_cast<uint32_t>(counted), false);
        EXPECT_EQ(write(writer, bigEndian), counted);
        // Nothing beyond the exact block, and no room left in it.
        EXPECT_EQ(block[counted], 0xEE);
        EXPECT_EQ(writer.Write("x", 1), -1);
        if (bigEndian) {
            const Bytes head = {
                0xFF, 0xFF, 0xFF, 0xF9,              // -7
                0x12, 0x34,                          // uint16
                1,    2,    3,    4,    5, 6, 7, 8,  // uint64
                0xBF, 0xA0, 0,    0,                 // -1.25f
                0x40, 0x0C, 0,    0,    0, 0, 0, 0,  // 3.5
                0x80,                                // uint8
                0x00, 0x04,                          // the string's length
            };
            EXPECT_EQ(Bytes(block.begin(), block.begin() + head.size()), head);
        }

        Reader reader(Bytes(block.begin(), block.begin() + counted));
        DataStream& in = *reader.stream;
        in.SetBigEndian(bigEndian);
        EXPECT_EQ(in.ReadInt32(), -7);
        EXPECT_EQ(in.ReadUInt16(), 0x1234);
        EXPECT_EQ(in.ReadUInt64(), 0x0102030405060708u);
        float f = 0;
        EXPECT_EQ(in.ReadFloat(f), 4);
        EXPECT_EQ(f, -1.25f);
        EXPECT_EQ(in.ReadDouble(), 3.5);
        EXPECT_EQ(in.ReadUInt8(), 0x80);
        EXPECT_EQ(in.ReadUtf8String(), "nick");
        std::vector<std::string> read;
        // An empty element reads with result 0, so its two length bytes are not in the total.
        EXPECT_EQ(in.ReadUtf8StringArray(read), 4 + 10 + 202);
        EXPECT_EQ(read, paths);
        uint8_t readThumb[5] = {};
        EXPECT_EQ(in.ReadRaw(readThumb, 5), 5);
        EXPECT_THAT(readThumb, ElementsAreArray(thumb));
        int32_t past = 0;
        EXPECT_EQ(in.ReadInt32(past), -1);
    }
}

TEST(DataStreamSerialize, ReturnsTheFirstFailureAndKeepsWriting) {
    uint8_t block[6] = {};
    IpcBufferBuild channel(block, sizeof(block), false);
    std::unique_ptr<DataStream> stream = CreateDataStream(&channel);
    // The 8-byte value does not fit; the int32 and uint16 after it still do.
    EXPECT_EQ(Serialize(*stream, uint64_t{1}, int32_t{0x04030201}, uint16_t{0x0605}), -1);
    EXPECT_THAT(block, ElementsAre(1, 2, 3, 4, 5, 6));

    IpcBufferBuild none(nullptr, 0, false);
    EXPECT_EQ(Serialize(*CreateDataStream(nullptr), int32_t{1}), -1);
    EXPECT_EQ(Serialize(*CreateDataStream(&none)), 0);
}

TEST(DataStreamSerialize, SendPayloadHandsOverTheExactBlock) {
    Bytes sent;
    bool result = SendPayload(
        [&sent](const char* block, uint32_t size) {
            sent.assign(block, block + size);
            return true;
        },
        int32_t{1}, std::string("a"));
    EXPECT_TRUE(result);
    EXPECT_THAT(sent, ElementsAre(1, 0, 0, 0, 1, 0, 'a'));

    EXPECT_FALSE(SendPayload([](const char*, uint32_t) { return false; }, int32_t{1}));
    // An empty payload still has a block.
    Payload empty = BuildPayload();
    EXPECT_TRUE(empty);
    EXPECT_EQ(empty.size, 0u);
}

// An empty string reads with result 0; a length of 0x8000 or more is no string and a length past
// the end fails: either way the text is empty and only the length was consumed.
TEST(DataStreamStrings, EmptyNoStringAndTruncatedReadAsEmptyAfterTheirLength) {
    const struct Case {
        Bytes bytes;
        bool fails;
    } cases[] = {{{0x00, 0x00, 0x2A}, false},
                 {{0x00, 0x80, 0x2A, 0x2B}, false},
                 {{0xFF, 0xFF, 0x2A, 0x2B}, false},
                 {{0x05, 0x00, 0x2A, 'b'}, true}};
    for (const Case& c : cases) {
        Reader reader(c.bytes);
        std::string out = "stale";
        const int32_t result = reader.stream->ReadUtf8String(out);
        EXPECT_EQ(result < 0, c.fails) << int(c.bytes[1]) << " " << result;
        EXPECT_TRUE(c.fails || result == 0);
        EXPECT_EQ(out, "");
        EXPECT_EQ(reader.stream->ReadUInt8(), 0x2A);
    }
    Reader byValue({0x05, 0x00, 'a'});
    EXPECT_EQ(byValue.stream->ReadUtf8String(), "");
}

// The length field has 16 bits and reads back signed: 32,767 bytes is the longest string.
TEST(DataStreamStrings, WritersRefuseStringsOf32768BytesOrMore) {
    struct Case {
        size_t length;
        bool written;
    } const cases[] = {{32767, true}, {32768, false}, {70005, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string text(c.length, 's');
        const std::vector<std::string> paths = {"a", text};
        testsupport::LogCapture log;
        Payload single = BuildPayload(int32_t{1}, text);
        Payload array = BuildPayload(paths, int32_t{2});
        EXPECT_EQ(static_cast<bool>(single), c.written);
        EXPECT_EQ(static_cast<bool>(array), c.written);
        if (c.written) {
            Reader reader(Bytes(array.block.get(), array.block.get() + array.size));
            std::vector<std::string> read;
            EXPECT_EQ(reader.stream->ReadUtf8StringArray(read), int32_t(4 + 3 + c.length + 2));
            Reader alone(Bytes(single.block.get() + 4, single.block.get() + single.size));
            EXPECT_EQ(alone.stream->ReadUtf8String(), text);
            EXPECT_EQ(read, paths);
            EXPECT_EQ(reader.stream->ReadInt32(), 2);
            EXPECT_TRUE(log.Records().empty());
            continue;
        }
        // One WARN per refused counting pass; the writing passes never ran.
        const std::string warned = "string of " + std::to_string(c.length) +
                                   " bytes refused: a payload string holds at most 32767 bytes";
        EXPECT_TRUE(log.Contains(warned + "(tandem::DataStream::WriteUtf8String)"));
        EXPECT_TRUE(log.Contains(warned + "(tandem::DataStream::WriteUtf8StringArray)"));
        EXPECT_EQ(log.Records().size(), 2u);
        EXPECT_EQ(log.Records()[0].level, 30000);

        // Written straight into a block: refused before any byte, the count included.
        Bytes block(c.length + 16, 0xEE);
        IpcBufferBuild channel(block.data(), static_cast<uint32_t>(block.size()), false);
        std::unique_ptr<DataStream> stream = CreateDataStream(&channel);
        EXPECT_EQ(stream->WriteUtf8StringArray(paths), -1);
        EXPECT_EQ(stream->WriteUtf8String(text), -1);
        EXPECT_EQ(stream->WriteUInt8(7), 1);
        EXPECT_EQ(block[0], 7);
    }
}

// An array reads its elements onto the end of the list, up to its count or the first one that
// cannot be read; a count below one reads as no elements and one above 5000 is refused whole.
TEST(DataStreamArrays, ReadsUpToItsCountOrTheFirstShortElement) {
    Bytes cut = ArrayField(3, {"ab", "c"});
    cut.insert(cut.end(), {0x04, 0x00, 'x'});  // the third element's text is cut off
    const std::vector<std::string> many(5000, "e");
    const struct Case {
        const char* name;
        Bytes bytes;
        int32_t result;
        std::vector<std::string> read;
        bool refused = false;  // at the count, with an ERROR
    } cases[] = {
        {"5000 elements", Encode(many), 4 + 5000 * 3, many},
        {"no elements", ArrayField(0, {}), 4, {}},
        {"negative count", ArrayField(-3, {}), 4, {}},
        {"no count", {0x01, 0x00}, -1, {}},
        {"cut off", cut, 4 + 4 + 3, {"ab", "c"}},
        {"5001 elements", ArrayField(5001, {"e"}), -1, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reader reader(c.bytes);
        std::vector<std::string> out = {"kept"};
        testsupport::LogCapture log;
        EXPECT_EQ(reader.stream->ReadUtf8StringArray(out), c.result);
        std::vector<std::string> expected = {"kept"};
        expected.insert(expected.end(), c.read.begin(), c.read.end());
        EXPECT_EQ(out, expected);
        EXPECT_EQ(log.Messages().size(), c.refused ? 1u : 0u);
        if (c.refused) {
            EXPECT_EQ(log.Records()[0].level, 40000);
            EXPECT_EQ(log.Messages()[0],
                      "readPrimitiveTypes int32_t :5001(tandem::DataStream::ReadUtf8StringArray)");
            EXPECT_EQ(reader.stream->ReadUtf8String(), "e");  // nothing was read past the count
        }
    }
}

// A line is its bytes and a line feed; reading one stops at the line feed or the end.
TEST(DataStreamLines, WrittenWithALineFeedAndReadUpToItOrTheEnd) {
    uint8_t block[6] = {};
    IpcBufferBuild channel(block, sizeof(block), false);
    std::unique_ptr<DataStream> stream = CreateDataStream(&channel);
    EXPECT_EQ(stream->WriteLine("ab"), 3);
    EXPECT_EQ(stream->WriteLine(""), 1);
    EXPECT_EQ(stream->WriteRaw("cd", 2), 2);
    EXPECT_THAT(block, ElementsAre('a', 'b', '\n', '\n', 'c', 'd'));

    Reader reader(Bytes(block, block + 6));
    std::string out = "stale";
    EXPECT_EQ(reader.stream->ReadLine(out), 2);
    EXPECT_EQ(out, "ab");
    EXPECT_EQ(reader.stream->ReadLine(out), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(reader.stream->ReadLine(out), 2);
    EXPECT_EQ(out, "cd");
    EXPECT_EQ(reader.stream->ReadLine(out), 0);
}

// Reads past the end, writes beyond the capacity and operations against the channel's mode fail
// and leave the cursor where it was.
TEST(DataStreamFailures, OutOfBoundsOrWrongModeFailsAndLeavesTheCursor) {
    Reader reader({0x01, 0x02, 0x03});
    DataStream& in = *reader.stream;
    int32_t value = 77;
    EXPECT_EQ(in.ReadInt32(value), -1);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(in.ReadDouble(), 0.0);
    uint8_t raw[4] = {};
    EXPECT_EQ(in.ReadRaw(raw, 4), -1);

    uint16_t half = 0;
    EXPECT_EQ(in.ReadUInt16(half), 2);
    EXPECT_EQ(half, 0x0201);
    EXPECT_EQ(in.ReadUInt8(), 0x03);
    uint8_t byte = 77;
    EXPECT_EQ(in.ReadUInt8(byte), -1);
    EXPECT_EQ(byte, 0);

    uint8_t block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    IpcBufferBuild reading(block, sizeof(block), true);
    std::unique_ptr<DataStream> readOnly = CreateDataStream(&reading);
    EXPECT_EQ(readOnly->WriteInt32(1), -1);
    EXPECT_EQ(readOnly->WriteRaw(block, 1), -1);
    EXPECT_LT(readOnly->WriteUtf8String("a"), 0);
    EXPECT_EQ(readOnly->ReadUInt8(), 1);  // the failed writes did not move the cursor

    IpcBufferBuild writing(block, sizeof(block), false);
    std::unique_ptr<DataStream> writeOnly = CreateDataStream(&writing);
    EXPECT_EQ(writeOnly->ReadInt32(value), -1);
    EXPECT_EQ(writeOnly->ReadRaw(block, 1), -1);
    EXPECT_EQ(writeOnly->WriteUInt8(9), 1);
    EXPECT_EQ(block[0], 9);

    uint8_t small[5] = {};
    IpcBufferBuild channel(small, sizeof(small), false);
    std::unique_ptr<DataStream> stream = CreateDataStream(&channel);
    EXPECT_EQ(stream->WriteUtf8String("abcd"), -1);  // length fits, text does not
    EXPECT_EQ(stream->WriteInt32(0x01020304), -1);   // 3 bytes left
    EXPECT_EQ(stream->WriteUInt16(0xAAAA), 2);
    EXPECT_EQ(stream->WriteUInt8(0xBB), 1);
    EXPECT_THAT(small, ElementsAre(0x04, 0x00, 0xAA, 0xAA, 0xBB));
    EXPECT_EQ(stream->WriteLine(""), -1);
    EXPECT_EQ(stream->WriteUtf8StringArray({}), -1);
}

TEST(DataStreamFailures, WithoutChannelEveryOperationFails) {
    std::unique_ptr<DataStream> stream = CreateDataStream(nullptr);
    // Each by-value read has a failure value of its own.
    EXPECT_EQ(std::make_tuple(stream->ReadInt32(), stream->ReadUInt16(), stream->ReadFloat(),
                              stream->ReadDouble(), stream->ReadUInt8(), stream->ReadUInt64(),
                              stream->ReadUtf8String()),
              std::make_tuple(-1, uint16_t{65535}, 0.0f, -1.0, uint8_t{0},
                              std::numeric_limits<uint64_t>::max(), std::string()));

    // The number types share one reader and one writer, and with them the channel check.
    int32_t i32 = 5;
    double d = 5;
    EXPECT_EQ(stream->ReadInt32(i32), -1);
    EXPECT_EQ(stream->ReadDouble(d), -1);
    EXPECT_EQ(i32 + d, 0);
    EXPECT_EQ(stream->ReadRaw(&i32, 4), -1);

    std::string text = "stale";
    EXPECT_EQ(stream->ReadUtf8String(text), 0);  // the 65535 length reads as "no string"
    EXPECT_EQ(text, "");
    std::vector<std::string> list;
    EXPECT_EQ(stream->ReadUtf8StringArray(list), -1);
    EXPECT_EQ(stream->ReadLine(text), 0);

    EXPECT_EQ((std::vector<int32_t>{stream->WriteRaw("a", 1), stream->WriteInt32(1),
                                    stream->WriteDouble(1), stream->WriteUtf8String("a"),
                                    stream->WriteUtf8StringArray({"a"}), stream->WriteLine("a")}),
              std::vector<int32_t>(6, -1));
}

TEST(DataStreamChannel, NullBlockCountsWritesAndIgnoresReads) {
    IpcBufferBuild counter(nullptr, 0, false);
    EXPECT_EQ(counter.Write("abc", 3), 3);
    EXPECT_EQ(counter.Write("abc", 3), 3);  // no capacity applies
    EXPECT_EQ(counter.Write(nullptr, 9), 9);

    uint8_t block[2] = {1, 2};
    IpcBufferBuild reading(block, sizeof(block), true);
    EXPECT_EQ(reading.Read(nullptr, 100), 100);  // a null destination is not checked
    uint8_t out[2] = {7, 7};
    EXPECT_EQ(reading.Read(out, 2), 2);
    EXPECT_THAT(out, ElementsAre(1, 2));

    IpcBufferBuild nullReading(nullptr, 0, true);
    EXPECT_EQ(nullReading.Read(out, 2), 2);
    EXPECT_THAT(out, ElementsAre(1, 2));
}

}  // namespace
}  // namespace tandem
