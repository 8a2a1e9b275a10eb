// The decoders of the pairing responder over arbitrary bytes: dropped-file records, the
// paired-device record and the pairing notice (int32, record, int32).
#include "DataStream.h"
#include "MyAlbumStatusModel.h"
#include "Utf16Le.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace Vela::Ux;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) {
        return 0;
    }
    // Copied into an exact heap block so that any read past the end is caught; never a null
    // block, which a reading channel would treat as "read everything".
    std::unique_ptr<char[]> owned(new char[size > 0 ? size : 1]);
    if (size > 0) {
        std::memcpy(owned.get(), data, size);
    }
    char* block = owned.get();
    const char* bytes = block;
    const auto length = static_cast<uint32_t>(size);

    std::vector<std::wstring> files = DecodeDroppedFileRecords(bytes, length);
    size_t textBytes = 0;
    for (const std::wstring& file : files) {
        if (file.empty()) {
            std::abort();  // empty texts are skipped
        }
        // A decoded text encodes back to the same text, in at most the bytes it came from.
        const std::string encoded = EncodeUtf16Le(file, false);
        if (DecodeUtf16Le(encoded.data(), encoded.size()) != file) {
            std::abort();
        }
        textBytes += encoded.size();
    }
    if (textBytes + 4 * files.size() > size) {
        std::abort();
    }

    {
        tandem::IpcBufferBuild channel(block, length, true);
        DeviceStatus device;
        device.Read(*tandem::CreateDataStream(&channel));
    }
    {
        tandem::IpcBufferBuild channel(block, length, true);
        std::unique_ptr<tandem::DataStream> stream = tandem::CreateDataStream(&channel);
        int32_t leading = 0;
        stream->ReadInt32(leading);
        DeviceStatus device;
        const bool complete = device.Read(*stream);
        // A field that cannot be read keeps its default: word4 lies at least 36 bytes in.
        if (size < 36 && (complete || device.word4 != 1)) {
            std::abort();
        }
    }
    return 0;
}
