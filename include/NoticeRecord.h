// The body of the host notice message 0x40003: a notice the host's notice endpoint shows, in
// this plug-in always a window object (type 4) that the host places and keeps for durationMs.
//
// Wire form (little-endian raw bytes, not a DataStream payload): 0xFC, version u8, type u32,
// window u64, context u64, durationMs u32, title; then by type:
//   1, 11, 12:             text3, text1, text2, text5, text4, items
//   2, 3, 4, 5, 13, 14:    handle u64
//   6:                     items
//   8:                     labels, each {string, u32}
//   9:                     rows, each {string, u32, string}
//   10:                    single {string, u32}
//   other types:           nothing more
// A string is its bytes and one NUL (an empty string is a single NUL), so a string must not
// hold a NUL of its own; a count is u64. An item is {a, b u32, c, blobLength u32, the blob
// bytes, d, e u32, f u32, g u8, h u32, i u8}.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

inline constexpr uint8_t kNoticeRecordMagic = 0xFC;
inline constexpr uint8_t kNoticeRecordVersion = 1;
inline constexpr uint32_t kNoticeTypeWindow = 4;
inline constexpr uint32_t kNoticeDefaultDurationMs = 5000;

struct NoticeItem {
    std::string a;
    uint32_t b = 0;
    std::string c;
    std::vector<uint8_t> blob;  // its length travels as the u32 blobLength
    std::string d;
    uint32_t e = 0;
    uint32_t f = 0;
    uint8_t g = 0;
    uint32_t h = 0;
    uint8_t i = 0;
};

struct NoticeRow {
    std::string first;
    uint32_t value = 0;
    std::string second;
};

struct NoticeRecord {
    uint8_t version = kNoticeRecordVersion;
    uint64_t window = 0;   // the window object's address
    uint64_t context = 0;  // 0 in this plug-in
    uint32_t type = kNoticeTypeWindow;
    uint32_t durationMs = kNoticeDefaultDurationMs;
    std::string title;
    std::pair<std::string, uint32_t> single;
    std::vector<NoticeRow> rows;
    uint64_t handle = 0;  // types 2, 3, 4, 5, 13, 14; for type 4 the window's address again
    std::string text1;
    std::string text2;
    std::string text3;
    std::string text4;
    std::string text5;
    std::vector<NoticeItem> items;
    std::vector<std::pair<std::string, uint32_t>> labels;
};

namespace noticerecord {

// Walks the wire form once: with a null OUT it only counts, so the length and the bytes come
// from the same rules.
class Writer {
public:
    explicit Writer(char* out) : out_(out) {}
    size_t Length() const { return length_; }

    void Bytes(const void* data, size_t size) {
        if (out_ != nullptr && size != 0) {
            std::memcpy(out_ + length_, data, size);
        }
        length_ += size;
    }
    template <typename T>
    void Number(T value) {
        unsigned char bytes[sizeof(T)];
        for (size_t n = 0; n < sizeof(T); ++n) {
            bytes[n] = static_cast<unsigned char>(static_cast<uint64_t>(value) >> (8 * n));
        }
        Bytes(bytes, sizeof(T));
    }
    void String(const std::string& text) {
        Bytes(text.data(), text.size());
        Number<uint8_t>(0);
    }
    void Count(size_t count) { Number<uint64_t>(count); }

    void Items(const std::vector<NoticeItem>& items) {
        Count(items.size());
        for (const NoticeItem& item : items) {
            String(item.a);
            Number<uint32_t>(item.b);
            String(item.c);
            Number<uint32_t>(static_cast<uint32_t>(item.blob.size()));
            Bytes(item.blob.data(), item.blob.size());
            String(item.d);
            Number<uint32_t>(item.e);
            Number<uint32_t>(item.f);
            Number<uint8_t>(item.g);
            Number<uint32_t>(item.h);
            Number<uint8_t>(item.i);
        }
    }

    void Record(const NoticeRecord& record) {
        Number<uint8_t>(kNoticeRecordMagic);
        Number<uint8_t>(record.version);
        Number<uint32_t>(record.type);
        Number<uint64_t>(record.window);
        Number<uint64_t>(record.context);
        Number<uint32_t>(record.durationMs);
        String(record.title);
        switch (record.type) {
            case 1:
            case 11:
            case 12:
                String(record.text3);
                String(record.text1);
                String(record.text2);
                String(record.text5);
                String(record.text4);
                Items(record.items);
                break;
            case 2:
            case 3:
            case 4:
            case 5:
            case 13:
            case 14:
                Number<uint64_t>(record.handle);
                break;
            case 6:
                Items(record.items);
                break;
            case 8:
                Count(record.labels.size());
                for (const auto& label : record.labels) {
                    String(label.first);
                    Number<uint32_t>(label.second);
                }
                break;
            case 9:
                Count(record.rows.size());
                for (const NoticeRow& row : record.rows) {
                    String(row.first);
                    Number<uint32_t>(row.value);
                    String(row.second);
                }
                break;
            case 10:
                String(record.single.first);
                Number<uint32_t>(record.single.second);
                break;
            default:
                break;
        }
    }

private:
    char* out_;
    size_t length_ = 0;
};

}  // namespace noticerecord

// Bytes of RECORD's wire form (35 for a window notice with an empty title).
inline size_t NoticeRecordLength(const NoticeRecord& record) {
    noticerecord::Writer counter(nullptr);
    counter.Record(record);
    return counter.Length();
}

// Writes RECORD into OUT, which holds at least NoticeRecordLength(record) bytes; returns the
// bytes written.
inline size_t WriteNoticeRecord(const NoticeRecord& record, char* out) {
    noticerecord::Writer writer(out);
    writer.Record(record);
    return writer.Length();
}

// The notice that hands a window object to the host for DURATIONMS.
inline NoticeRecord WindowNotice(const void* window, uint32_t durationMs) {
    NoticeRecord record;
    record.window = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(window));
    record.handle = record.window;
    record.type = kNoticeTypeWindow;
    record.durationMs = durationMs;
    return record;
}
