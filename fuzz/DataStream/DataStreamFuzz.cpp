// Every read operation over arbitrary bytes, and write/read round trips of values taken from
// the input. A broken invariant aborts.
#include "DataStream.h"

#include "SDK/Util/LogTool/LogTool.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// What the reads of a stream over `bytes` must deliver: the cursor and byte order of a model
// of the format, against which every result, value and cursor move is checked.
class Model {
public:
    explicit Model(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    bool Has(uint64_t length) const { return bytes_.size() - position_ >= length; }
    void SetBigEndian(bool bigEndian) { bigEndian_ = bigEndian; }

    // The number at the cursor, consumed; false (nothing consumed) past the end.
    template <typename T>
    bool Number(T& value) {
        value = T();
        if (!Has(sizeof(T))) {
            return false;
        }
        uint8_t raw[sizeof(T)];
        std::memcpy(raw, bytes_.data() + position_, sizeof(T));
        if (bigEndian_) {
            std::reverse(raw, raw + sizeof(T));
        }
        std::memcpy(&value, raw, sizeof(T));
        position_ += sizeof(T);
        return true;
    }

    int32_t String(std::string& out) {
        out.clear();
        uint16_t length = 0;
        Number(length);
        const int16_t signedLength = static_cast<int16_t>(length);
        if (signedLength <= 0) {
            return 0;
        }
        if (!Has(static_cast<uint64_t>(signedLength))) {
            return -1;
        }
        out.assign(reinterpret_cast<const char*>(bytes_.data()) + position_, signedLength);
        position_ += signedLength;
        return signedLength + 2;
    }

    int32_t Array(std::vector<std::string>& out) {
        int32_t count = 0;
        int32_t total = Number(count) ? 4 : -1;
        if (count > tandem::DataStream::kMaxArrayCount) {
            return -1;
        }
        for (int32_t i = 0; i < count; ++i) {
            std::string element;
            int32_t result = String(element);
            if (result < 0) {
                break;
            }
            out.push_back(element);
            total += result;
        }
        return total;
    }

    int32_t Line(std::string& out) {
        out.clear();
        while (position_ < bytes_.size() && bytes_[position_] != '\n') {
            out.push_back(static_cast<char>(bytes_[position_++]));
        }
        if (position_ < bytes_.size()) {
            ++position_;
        }
        return static_cast<int32_t>(out.size());
    }

    int32_t Raw(uint32_t length, std::vector<uint8_t>& out) {
        if (!Has(length)) {
            return -1;
        }
        out.assign(bytes_.begin() + position_, bytes_.begin() + position_ + length);
        position_ += length;
        return static_cast<int32_t>(length);
    }

private:
    const std::vector<uint8_t>& bytes_;
    size_t position_ = 0;
    bool bigEndian_ = false;
};

template <typename T>
bool SameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// One number read in both forms: by reference, or by value.
template <typename T>
void CheckNumber(tandem::DataStream& stream, Model& model, bool byValue,
                 int32_t (tandem::DataStream::*byReference)(T&), T (tandem::DataStream::*value)()) {
    T expected;
    const bool present = model.Number(expected);
    if (byValue) {
        Check(SameBits((stream.*value)(), expected));
    } else {
        T out = T(1);
        int32_t result = (stream.*byReference)(out);
        Check(result == (present ? int32_t(sizeof(T)) : -1) && SameBits(out, expected));
    }
}

// Reads a random sequence of fields from `bytes`.
void ReadAll(FuzzedDataProvider& ops, const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> block(bytes);
    block.push_back(0x5A);  // a valid address even for empty data, and a guard byte
    tandem::IpcBufferBuild channel(block.data(), static_cast<uint32_t>(bytes.size()), true);
    std::unique_ptr<tandem::DataStream> stream = tandem::CreateDataStream(&channel);
    tandem::DataStream& in = *stream;
    Model model(bytes);
    using S = tandem::DataStream;
    while (ops.remaining_bytes() > 0) {
        const bool byValue = ops.ConsumeBool();
        switch (ops.ConsumeIntegralInRange<int>(0, 12)) {
            case 0:
                CheckNumber<int32_t>(in, model, byValue, &S::ReadInt32, &S::ReadInt32);
                break;
            case 1:
                CheckNumber<uint16_t>(in, model, byValue, &S::ReadUInt16, &S::ReadUInt16);
                break;
            case 2:
                CheckNumber<float>(in, model, byValue, &S::ReadFloat, &S::ReadFloat);
                break;
            case 3:
                CheckNumber<double>(in, model, byValue, &S::ReadDouble, &S::ReadDouble);
                break;
            case 4:
                CheckNumber<uint8_t>(in, model, byValue, &S::ReadUInt8, &S::ReadUInt8);
                break;
            case 5:
                CheckNumber<uint64_t>(in, model, byValue, &S::ReadUInt64, &S::ReadUInt64);
                break;
            case 6: {
                std::string expected;
                int32_t expectedResult = model.String(expected);
                if (byValue) {
                    Check(in.ReadUtf8String() == expected);
                } else {
                    std::string out = "stale";
                    Check(in.ReadUtf8String(out) == expectedResult && out == expected);
                }
                break;
            }
            case 7: {
                std::vector<std::string> expected(1, "kept");
                std::vector<std::string> out(1, "kept");
                Check(in.ReadUtf8StringArray(out) == model.Array(expected) && out == expected);
                break;
            }
            case 8: {
                std::string expected;
                std::string out = "stale";
                Check(in.ReadLine(out) == model.Line(expected) && out == expected);
                break;
            }
            case 9: {
                const uint32_t length = ops.ConsumeIntegralInRange<uint32_t>(0, 64);
                std::vector<uint8_t> expected;
                std::vector<uint8_t> out(length, 0xA5);
                const int32_t expectedResult = model.Raw(length, expected);
                Check(in.ReadRaw(out.data(), length) == expectedResult);
                Check(expectedResult < 0 || out == expected);
                break;
            }
            case 10: {
                // Lengths beyond what is left, up to 0xFFFFFFFF, are refused and copy nothing.
                const uint32_t length = ops.ConsumeIntegral<uint32_t>();
                if (!model.Has(length)) {
                    uint8_t out = 0xA5;
                    Check(in.ReadRaw(&out, length) == -1 && out == 0xA5);
                }
                break;
            }
            case 11: {
                const bool bigEndian = ops.ConsumeBool();
                in.SetBigEndian(bigEndian);
                model.SetBigEndian(bigEndian);
                Check(in.IsBigEndian() == bigEndian);
                break;
            }
            default:
                // A reading channel takes no writes, and they do not move its cursor.
                Check(in.WriteInt32(0) == -1);
                Check(in.WriteUtf8String("x") < 0);
                Check(in.WriteLine("") < 0);
                break;
        }
    }
    Check(block.back() == 0x5A);
}

// Values taken from the input, written with the two-pass rule and read back.
void RoundTrip(FuzzedDataProvider& input) {
    const bool bigEndian = input.ConsumeBool();
    const int32_t i32 = input.ConsumeIntegral<int32_t>();
    const uint16_t u16 = input.ConsumeIntegral<uint16_t>();
    const uint8_t u8 = input.ConsumeIntegral<uint8_t>();
    const uint64_t u64 = input.ConsumeIntegral<uint64_t>();
    const uint32_t floatBits = input.ConsumeIntegral<uint32_t>();
    const uint64_t doubleBits = input.ConsumeIntegral<uint64_t>();
    float f;
    double d;
    std::memcpy(&f, &floatBits, sizeof(f));
    std::memcpy(&d, &doubleBits, sizeof(d));
    const std::string text = input.ConsumeRandomLengthString(300);
    std::vector<std::string> list(input.ConsumeIntegralInRange<size_t>(0, 8));
    for (std::string& element : list) {
        element = input.ConsumeRandomLengthString(40);
    }
    std::string line = input.ConsumeRandomLengthString(40);
    line.erase(std::remove(line.begin(), line.end(), '\n'), line.end());
    const std::string raw = input.ConsumeRandomLengthString(40);

    auto write = [&](tandem::DataStream& stream) {
        stream.SetBigEndian(bigEndian);
        int32_t size = tandem::Serialize(stream, i32, u16, u8, u64, f, d, text, list,
                                         tandem::RawBlock{raw.data(), uint32_t(raw.size())});
        int32_t lineSize = stream.WriteLine(line);
        return size < 0 || lineSize < 0 ? -1 : size + lineSize;
    };
    tandem::IpcBufferBuild counter(nullptr, 0, false);
    const int32_t size = write(*tandem::CreateDataStream(&counter));
    Check(size > 0);
    std::vector<char> block(static_cast<size_t>(size));
    tandem::IpcBufferBuild writer(block.data(), static_cast<uint32_t>(size), false);
    Check(write(*tandem::CreateDataStream(&writer)) == size);

    tandem::IpcBufferBuild reader(block.data(), static_cast<uint32_t>(size), true);
    std::unique_ptr<tandem::DataStream> in = tandem::CreateDataStream(&reader);
    in->SetBigEndian(bigEndian);
    Check(in->ReadInt32() == i32);
    Check(in->ReadUInt16() == u16);
    Check(in->ReadUInt8() == u8);
    Check(in->ReadUInt64() == u64);
    float readFloat;
    double readDouble;
    Check(in->ReadFloat(readFloat) == 4 && std::memcmp(&readFloat, &f, 4) == 0);
    Check(in->ReadDouble(readDouble) == 8 && std::memcmp(&readDouble, &d, 8) == 0);
    std::string readText;
    Check(in->ReadUtf8String(readText) == (text.empty() ? 0 : int32_t(text.size()) + 2));
    Check(readText == text);
    std::vector<std::string> readList;
    in->ReadUtf8StringArray(readList);
    Check(readList == list);
    std::string readRaw(raw.size(), '\0');
    Check(in->ReadRaw(readRaw.data(), uint32_t(raw.size())) == int32_t(raw.size()));
    Check(readRaw == raw);
    std::string readLine;
    Check(in->ReadLine(readLine) == int32_t(line.size()) && readLine == line);
    uint8_t past = 0;
    Check(in->ReadUInt8(past) == -1);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The refused-array record would be written for most inputs.
    LogTool::GetLogger().setLogLevel(log4cplus::OFF_LOG_LEVEL);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool roundTrip = input.ConsumeBool();
    if (roundTrip) {
        RoundTrip(input);
        return 0;
    }
    std::vector<uint8_t> bytes =
        input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 4096));
    ReadAll(input, bytes);
    return 0;
}
