// The host's reading of a notice record (the body of 0x40003), as its notice endpoint does it.
#pragma once

#include "NoticeRecord.h"

#include <cstddef>

namespace demo {

// Reads the wire form of DATA into RECORD. False, with RECORD partly filled, when the bytes
// end early, the first byte is not 0xFC, a count is larger than the bytes left could hold, or
// bytes are left over.
bool ReadNoticeRecord(const char* data, size_t length, NoticeRecord& record);

}  // namespace demo
