#include "NoticeRecordReader.h"

#include <cstdint>
#include <cstring>

namespace demo {
namespace {

class Cursor {
public:
    Cursor(const char* data, size_t length) : data(data), left(data != nullptr ? length : 0) {}
    bool ok = true;
    size_t Left() const { return left; }

    template <typename T>
    T Number() {
        T value = 0;
        if (left < sizeof(T)) {
            ok = false;
            left = 0;
            return value;
        }
        for (size_t n = 0; n < sizeof(T); ++n) {
            value = static_cast<T>(
                value |
                static_cast<T>(static_cast<uint64_t>(static_cast<uint8_t>(data[n])) << (8 * n)));
        }
        Skip(sizeof(T));
        return value;
    }
    std::string String() {
        const void* end = left > 0 ? std::memchr(data, '\0', left) : nullptr;
        if (end == nullptr) {
            ok = false;
            left = 0;
            return {};
        }
        std::string text(data, static_cast<const char*>(end));
        Skip(text.size() + 1);
        return text;
    }
    std::vector<uint8_t> Bytes(uint32_t count) {
        if (left < count) {
            ok = false;
            left = 0;
            return {};
        }
        std::vector<uint8_t> bytes(data, data + count);
        Skip(count);
        return bytes;
    }
    // A count of elements each at least MINSIZE bytes long; refused when the bytes left
    // cannot hold that many.
    uint64_t Count(size_t minSize) {
        const uint64_t count = Number<uint64_t>();
        if (ok && count > left / minSize) {
            ok = false;
            left = 0;
            return 0;
        }
        return count;
    }

private:
    void Skip(size_t n) {
        data += n;
        left -= n;
    }
    const char* data;
    size_t left;
};

void ReadItems(Cursor& in, std::vector<NoticeItem>& items) {
    // Smallest item: four empty strings, five u32, two u8.
    for (uint64_t n = in.Count(4 + 5 * 4 + 2); n > 0 && in.ok; --n) {
        NoticeItem item;
        item.a = in.String();
        item.b = in.Number<uint32_t>();
        item.c = in.String();
        item.blob = in.Bytes(in.Number<uint32_t>());
        item.d = in.String();
        item.e = in.Number<uint32_t>();
        item.f = in.Number<uint32_t>();
        item.g = in.Number<uint8_t>();
        item.h = in.Number<uint32_t>();
        item.i = in.Number<uint8_t>();
        items.push_back(std::move(item));
    }
}

}  // namespace

bool ReadNoticeRecord(const char* data, size_t length, NoticeRecord& record) {
    Cursor in(data, length);
    if (in.Number<uint8_t>() != kNoticeRecordMagic) {
        return false;
    }
    record.version = in.Number<uint8_t>();
    record.type = in.Number<uint32_t>();
    record.window = in.Number<uint64_t>();
    record.context = in.Number<uint64_t>();
    record.durationMs = in.Number<uint32_t>();
    record.title = in.String();
    switch (record.type) {
        case 1:
        case 11:
        case 12:
            record.text3 = in.String();
            record.text1 = in.String();
            record.text2 = in.String();
            record.text5 = in.String();
            record.text4 = in.String();
            ReadItems(in, record.items);
            break;
        case 2:
        case 3:
        case 4:
        case 5:
        case 13:
        case 14:
            record.handle = in.Number<uint64_t>();
            break;
        case 6:
            ReadItems(in, record.items);
            break;
        case 8:
            for (uint64_t n = in.Count(5); n > 0 && in.ok; --n) {
                std::string text = in.String();
                record.labels.emplace_back(std::move(text), in.Number<uint32_t>());
            }
            break;
        case 9:
            for (uint64_t n = in.Count(6); n > 0 && in.ok; --n) {
                NoticeRow row;
                row.first = in.String();
                row.value = in.Number<uint32_t>();
                row.second = in.String();
                record.rows.push_back(std::move(row));
            }
            break;
        case 10:
            record.single.first = in.String();
            record.single.second = in.Number<uint32_t>();
            break;
        default:
            break;
    }
    return in.ok && in.Left() == 0;
}

}  // namespace demo
