// A message box action that counts its confirmations and its deletion in a record the test keeps.
#pragma once

#include <TandemMessageBox.h>

namespace testsupport {

struct ActionCounts {
    int confirmed = 0;
    int deleted = 0;
};

class CountingAction : public tandem::MsgBoxEvent {
public:
    explicit CountingAction(ActionCounts& counts) : counts_(counts) {}
    ~CountingAction() override { ++counts_.deleted; }
    void OnConfirm() override { ++counts_.confirmed; }

private:
    ActionCounts& counts_;
};

}  // namespace testsupport
