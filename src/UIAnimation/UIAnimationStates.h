// The dialog's animation states: the fixed item's progress, and the window growing or
// shrinking with the queue.
#pragma once

#include "FileTransferViewAnimationCallback.h"
#include "UIAnimationState.h"

class FileTransferView;
class UIAnimationManagerHelper;
class UIFixedItem;

// Moves the fixed item's progress up to a target over 150 ms, and the title percent with it.
// A newer progress state replaces it.
class UIItemProgressAnimation : public UIAnimationState {
public:
    UIItemProgressAnimation(FileTransferView* view, UIFixedItem* fixedItem, unsigned target);
    void CollectTypesA(std::vector<int>& types) override;
    void CollectReplacedBy(std::vector<int>& types) override;
    bool Prepare(DuiLib::VariantAnimation* animation) override;
    void OnValueChanged(const DuiLib::Variant& value) override;
    void OnEnd() override {}

private:
    FileTransferView* view;
    UIFixedItem* fixedItem;
    unsigned start;
    unsigned target;
    unsigned lastWritten;
};

// Resizes the window to a target height with the toolkit's animated resize. Driven from
// outside its own animation: it ends once the resize is handed to the window. While it waits
// behind other states, the ends of earlier resizes leave it queued. It compares its target with
// the height the window is heading to (the manager's HeadingHeight), so that it also holds
// when it runs while an earlier resize is still animating.
class UIWindowHeightAnimation : public UIAnimationState, public FileTransferViewAnimationCallback {
public:
    ~UIWindowHeightAnimation() override;
    void CollectTypesA(std::vector<int>& types) override;
    bool Prepare(DuiLib::VariantAnimation* animation) override;
    void OnValueChanged(const DuiLib::Variant&) override {}
    void OnEnd() override {}
    void OnResizeAnimationEnd() override;
    int Target() const { return target; }

protected:
    UIWindowHeightAnimation(int type, FileTransferView* view, UIAnimationManagerHelper* manager,
                            int target);

private:
    FileTransferView* view;
    UIAnimationManagerHelper* manager;
    int target;
};

class UIWindowHeightIncreaseAnimation : public UIWindowHeightAnimation {
public:
    UIWindowHeightIncreaseAnimation(FileTransferView* view, UIAnimationManagerHelper* manager,
                                    int target)
        : UIWindowHeightAnimation(kWindowHeightIncrease, view, manager, target) {}
};

class UIWindowHeightDecreaseAnimation : public UIWindowHeightAnimation {
public:
    UIWindowHeightDecreaseAnimation(FileTransferView* view, UIAnimationManagerHelper* manager,
                                    int target)
        : UIWindowHeightAnimation(kWindowHeightDecrease, view, manager, target) {}
};
