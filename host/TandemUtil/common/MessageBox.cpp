// Message boxes: recorded in order with their actions, confirmed or cleared by the controls.
#include "StandInState.h"
#include "TandemMessageBox.h"
#include "TandemUtilStandIn.h"

#include <memory>
#include <mutex>

namespace {

struct Box {
    tandemstandin::ShownMessageBox shown;
    std::unique_ptr<tandem::MsgBoxEvent> action;
};

std::mutex mutex;
std::vector<Box>* boxes = new std::vector<Box>;
std::function<void(const tandemstandin::ShownMessageBox&)>* observer =
    new std::function<void(const tandemstandin::ShownMessageBox&)>;

}  // namespace

namespace tandem {

int ShowMessageBox(const std::wstring& text, MsgBoxEvent* event, const std::string& key, int flags,
                   int buttons) {
    Box box;
    box.action.reset(event);
    box.shown.text = text;
    box.shown.hasEvent = event != nullptr;
    box.shown.key = key;
    box.shown.flags = flags;
    box.shown.buttons = buttons;
    tandemstandin::ShownMessageBox shown = box.shown;
    std::function<void(const tandemstandin::ShownMessageBox&)> notify;
    {
        std::lock_guard<std::mutex> guard(mutex);
        boxes->push_back(std::move(box));
        notify = *observer;
    }
    if (notify) {
        notify(shown);
    }
    return 1;
}

}  // namespace tandem

namespace tandemstandin {

std::vector<ShownMessageBox> ShownMessageBoxes() {
    std::lock_guard<std::mutex> guard(mutex);
    std::vector<ShownMessageBox> shown;
    for (const Box& box : *boxes) {
        shown.push_back(box.shown);
    }
    return shown;
}

void ClearMessageBoxes() {
    std::vector<Box> cleared;
    {
        std::lock_guard<std::mutex> guard(mutex);
        cleared.swap(*boxes);
    }
    // The actions are deleted here, outside the lock: a destructor may show another box.
}

void ConfirmMessageBox(size_t index) {
    std::unique_ptr<tandem::MsgBoxEvent> action;
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (index < boxes->size()) {
            action = std::move((*boxes)[index].action);
        }
    }
    if (action) {
        action->OnConfirm();
    }
}

void SetMessageBoxObserver(std::function<void(const ShownMessageBox&)> callback) {
    std::lock_guard<std::mutex> guard(mutex);
    *observer = std::move(callback);
}

namespace detail {

void ResetMessageBoxes() {
    ClearMessageBoxes();
    SetMessageBoxObserver(nullptr);
}

}  // namespace detail
}  // namespace tandemstandin
