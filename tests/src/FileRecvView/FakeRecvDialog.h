// A receive dialog double for the dispatcher's tests: the dialog calls of RecvDialogOps.h over a
// plain record, with counts of what was created and destroyed.
#pragma once

#include "ITransferFile.h"
#include "RecvOffer.h"

#include <cstdint>
#include <string>
#include <vector>

class FileRecvDialog {
public:
    Vela::Ux::ITransferFile* transfer = nullptr;
    bool prepared = false;
    std::vector<uint32_t> failCodes;
    bool shown = false;
    bool closed = false;  // set by the test, as the user's close would
    RecvOffer offer;
    std::vector<uint32_t> percents;
    std::vector<std::wstring> received;
};

namespace fakerecvdialog {

struct Counts {
    int created = 0;
    int destroyed = 0;
    int destroyedOpen = 0;  // destroyed while not closed
    bool failShow = false;
};
Counts& Get();
void Reset();

}  // namespace fakerecvdialog
