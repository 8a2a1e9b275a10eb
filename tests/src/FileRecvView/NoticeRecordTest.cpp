// The host notice record's wire form for every type, read back as the host reads it (the demo
// host's notice endpoint, written apart from the plug-in's writer).
#include "NoticeRecord.h"
#include "NoticeRecordReader.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

bool CarriesTexts(uint32_t type) {
    return type == 1 || type == 11 || type == 12;
}
bool CarriesItems(uint32_t type) {
    return CarriesTexts(type) || type == 6;
}
bool CarriesHandle(uint32_t type) {
    return (type >= 2 && type <= 5) || type == 13 || type == 14;
}

auto Tie(const NoticeItem& x) {
    return std::tie(x.a, x.b, x.c, x.blob, x.d, x.e, x.f, x.g, x.h, x.i);
}
auto Tie(const NoticeRow& x) {
    return std::tie(x.first, x.value, x.second);
}
template <typename T>
auto Ties(const std::vector<T>& list) {
    std::vector<decltype(Tie(list.front()))> ties;
    for (const T& x : list) {
        ties.push_back(Tie(x));
    }
    return ties;
}
auto Tie(const NoticeRecord& r) {
    return std::tuple_cat(
        std::tie(r.version, r.type, r.window, r.context, r.durationMs, r.title, r.handle, r.text1,
                 r.text2, r.text3, r.text4, r.text5, r.labels, r.single),
        std::make_tuple(Ties(r.items), Ties(r.rows)));
}

TEST(NoticeRecordTest, AWindowNoticeIs35BytesWithTheAddressTwice) {
    int object = 0;
    const NoticeRecord record = WindowNotice(&object, 5000);
    ASSERT_EQ(NoticeRecordLength(record), 35u);
    std::string bytes(35, '\0');
    ASSERT_EQ(WriteNoticeRecord(record, bytes.data()), 35u);
    const uint64_t raw = reinterpret_cast<uintptr_t>(&object);
    const std::string address(reinterpret_cast<const char*>(&raw), 8);
    // Magic, version, type 4, the window, no context, 5000 ms, an empty title, the handle.
    EXPECT_EQ(bytes, std::string("\xFC\x01\x04\0\0\0", 6) + address + std::string(8, '\0') +
                         std::string("\x88\x13\0\0\0", 5) + address);
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
        in.text1 = "one";  // text3 stays empty
        in.text2 = "two";
        in.text4 = "four";
        in.text5 = "five";
        in.items = {item, NoticeItem{}};
        in.labels = {{"l1", 1}, {"", 2}};
        in.rows = {{"r", 3, "s"}};
        in.single = {"single", 4};
        const size_t length = NoticeRecordLength(in);
        std::string bytes(length, '\0');
        ASSERT_EQ(WriteNoticeRecord(in, bytes.data()), length);
        NoticeRecord out;
        ASSERT_TRUE(demo::ReadNoticeRecord(bytes.data(), bytes.size(), out));
        // What the type does not carry comes back empty.
        NoticeRecord expected = in;
        if (!CarriesTexts(type)) {
            expected.text1 = expected.text2 = expected.text4 = expected.text5 = "";
        }
        if (!CarriesItems(type)) {
            expected.items.clear();
        }
        expected.handle = CarriesHandle(type) ? in.handle : 0;
        expected.labels = type == 8 ? in.labels : decltype(in.labels){};
        expected.rows = type == 9 ? in.rows : decltype(in.rows){};
        expected.single = type == 10 ? in.single : decltype(in.single){};
        EXPECT_TRUE(Tie(out) == Tie(expected));
    }
}

}  // namespace
