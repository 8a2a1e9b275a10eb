// Controls of the system library stand-in (the two radios), for tests and the demo host.
#pragma once

#include <chrono>
#include <cstddef>

namespace systemapistandin {

enum class Radio { Bluetooth, Wifi };

// Sets the radio's state as the user's own switch would (1 on, 2 off, anything else a state the
// radio reports, e.g. 0 for no radio); a change is reported to the registered callbacks.
void SetState(Radio radio, int state);
int State(Radio radio);

// Makes the radio's switch-off (EnableX(false)) fail: the call returns false and the state stays.
// With THROWS every EnableX call throws std::runtime_error instead.
void SetSwitchOffFails(Radio radio, bool fails);
void SetEnableThrows(Radio radio, bool throws);

// Reports STATE to the registered callbacks without changing the radio's state (a driver's
// passing state while the radio turns).
void PostStateNotice(Radio radio, int state);

// Number of Enable calls with on = true / false so far, failed ones included.
struct EnableCalls {
    int on = 0;
    int off = 0;
};
EnableCalls Calls(Radio radio);
// Number of callbacks registered now.
size_t RegisteredCount(Radio radio);

// Blocks, for at most TIMEOUT of real time, until every notice reported so far has been handed
// to its callbacks and no callback is running. False on time-out, and at once when called on the
// callback thread.
bool WaitForCallbacks(std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Both radios on, no failures, no callbacks, calls counted from 0. Waits for callbacks first.
void ResetAll();

}  // namespace systemapistandin
