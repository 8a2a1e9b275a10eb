// The host notice record's wire form for every type, read back by a decoder of the test's own.
#include "NoticeRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>
#include <memory>
#include <string>

namespace {

// Reads the wire form byte by byte; any read past the end marks the whole read failed.
class Reader {
public:
    Reader(const char* data, size_t size) : data(data), size(size) {}
    bool ok = true;
    bool AtEnd() const { return at == size; }
    uint64_t Number(int bytes) {
        uint64_t value = 0;
        for (int n = 0; n < bytes; ++n) {
            if (at >= size) {
                ok = false;
                return 0;
            }
            value |= static_cast<uint64_t>(static_cast<uint8_t>(data[at++])) << (8 * n);
        }
        return value;
    }
    std::string String() {
        const void* end = at < size ? std::memchr(data + at, 0, size - at) : nullptr;
        if (end == nullptr) {
            ok = false;
            return {};
        }
        std::string text(data + at, static_cast<const char*>(end));
        at += text.size() + 1;
        return text;
    }
    NoticeItem Item() {
        NoticeItem item;
        item.a = String();
        item.b = static_cast<uint32_t>(Number(4));
        item.c = String();
        const uint32_t blob = static_cast<uint32_t>(Number(4));
        for (uint32_t n = 0; n < blob && ok; ++n) {
            item.blob.push_back(static_cast<uint8_t>(Number(1)));
        }
        item.d = String();
        item.e = static_cast<uint32_t>(Number(4));
        item.f = static_cast<uint32_t>(Number(4));
        item.g = static_cast<uint8_t>(Number(1));
        item.h = static_cast<uint32_t>(Number(4));
        item.i = static_cast<uint8_t>(Number(1));
        return item;
    }

private:
    const char* data;
    size_t size;
    size_t at = 0;
};

NoticeRecord Decode(const std::string& bytes, bool& ok) {
    Reader in(bytes.data(), bytes.size());
    NoticeRecord r;
    const bool magic = in.Number(1) == 0xFC;
    r.version = static_cast<uint8_t>(in.Number(1));
    r.type = static_cast<uint32_t>(in.Number(4));
    r.window = in.Number(8);
    r.context = in.Number(8);
    r.durationMs = static_cast<uint32_t>(in.Number(4));
    r.title = in.String();
    auto items = [&] {
        for (uint64_t n = in.Number(8); n > 0 && in.ok; --n) {
            r.items.push_back(in.Item());
        }
    };
    switch (r.type) {
        case 1:
        case 11:
        case 12:
            r.text3 = in.String();
            r.text1 = in.String();
            r.text2 = in.String();
            r.text5 = in.String();
            r.text4 = in.String();
            items();
            break;
        case 2:
        case 3:
        case 4:
        case 5:
        case 13:
        case 14:
            r.handle = in.Number(8);
            break;
        case 6:
            items();
            break;
        case 8:
            for (uint64_t n = in.Number(8); n > 0 && in.ok; --n) {
                std::string text = in.String();
                r.labels.emplace_back(text, static_cast<uint32_t>(in.Number(4)));
            }
            break;
        case 9:
            for (uint64_t n = in.Number(8); n > 0 && in.ok; --n) {
                NoticeRow row;
                row.first = in.String();
                row.value = static_cast<uint32_t>(in.Number(4));
                row.second = in.String();
                r.rows.push_back(row);
            }
            break;
        case 10:
            r.single.first = in.String();
            r.single.second = static_cast<uint32_t>(in.Number(4));
            break;
        default:
            break;
    }
    ok = magic && in.ok && in.AtEnd();
    return r;
}

auto Fields(const NoticeItem& x) {
    return std::tie(x.a, x.b, x.c, x.blob, x.d, x.e, x.f, x.g, x.h, x.i);
}
bool SameItems(const std::vector<NoticeItem>& x, const std::vector<NoticeItem>& y) {
    return std::equal(
        x.begin(), x.end(), y.begin(), y.end(),
        [](const NoticeItem& a, const NoticeItem& b) { return Fields(a) == Fields(b); });
}

TEST(NoticeRecordTest, AWindowNoticeIs35BytesWithTheAddressTwice) {
    int object = 0;
    const NoticeRecord record = WindowNotice(&object, 5000);
    ASSERT_EQ(NoticeRecordLength(record), 35u);
    std::string bytes(35, '\0');
    ASSERT_EQ(WriteNoticeRecord(record, bytes.data()), 35u);
    const uint64_t address = reinterpret_cast<uintptr_t>(&object);
    std::string expected("\xFC\x01\x04\0\0\0", 6);
    for (int round = 0; round < 2; ++round) {
        expected.append(reinterpret_cast<const char*>(&address), 8);  // window, then handle
        if (round == 0) {
            expected.append(8, '\0');            // context
            expected.append("\x88\x13\0\0", 4);  // 5000 ms
            expected.push_back('\0');            // empty title
        }
    }
    EXPECT_EQ(bytes, expected);
}

TEST(NoticeRecordTest, EveryTypeRoundTrips) {
    // NULs inside a blob are bytes like any other.
    const NoticeItem item{"a", 0x01020304, "cc", {0, 0xFF, 0}, "", 5, 0xFFFFFFFF, 7, 8, 0xFE};
    for (uint32_t type : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 12u, 13u, 14u, 99u}) {
        SCOPED_TRACE(type);
        NoticeRecord in;
        in.type = type;
        in.window = 0x1122334455667788;
        in.context = 3;
        in.durationMs = 42;
        in.title = "title";
        in.handle = 0x99;
        in.text1 = "one";
        in.text2 = "two";
        in.text3 = "";
        in.text4 = "four";
        in.text5 = "five";
        in.items = {item, NoticeItem{}};
        in.labels = {{"l1", 1}, {"", 2}};
        in.rows = {{"r", 3, "s"}};
        in.single = {"single", 4};
        const size_t length = NoticeRecordLength(in);
        std::string bytes(length, '\0');
        ASSERT_EQ(WriteNoticeRecord(in, bytes.data()), length);
        bool ok = false;
        const NoticeRecord out = Decode(bytes, ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(out.version, 1);
        EXPECT_EQ(out.window, in.window);
        EXPECT_EQ(out.context, in.context);
        EXPECT_EQ(out.durationMs, in.durationMs);
        EXPECT_EQ(out.title, in.title);
        const bool texts = type == 1 || type == 11 || type == 12;
        const bool handle =
            type == 2 || type == 3 || type == 4 || type == 5 || type == 13 || type == 14;
        EXPECT_EQ(out.handle, handle ? in.handle : 0);
        EXPECT_EQ(out.text1 + out.text2 + out.text4 + out.text5,
                  texts ? std::string("onetwofourfive") : std::string());
        EXPECT_TRUE(
            SameItems(out.items, texts || type == 6 ? in.items : std::vector<NoticeItem>{}));
        EXPECT_EQ(out.labels.size(), type == 8 ? 2u : 0u);
        EXPECT_EQ(out.rows.size(), type == 9 ? 1u : 0u);
        EXPECT_EQ(out.single.first, type == 10 ? "single" : "");
        if (type == 8) {
            EXPECT_EQ(out.labels, in.labels);
        }
        if (type == 9) {
            EXPECT_EQ(out.rows[0].second, "s");
            EXPECT_EQ(out.rows[0].value, 3u);
        }
    }
}

}  // namespace
