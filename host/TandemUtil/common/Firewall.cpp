// The firewall rule manager and the configuration: settable answers, counted calls.
#include "StandInState.h"
#include "TandemUtil.h"
#include "TandemUtilStandIn.h"

#include <mutex>

namespace {

struct State {
    bool tryEnableRule = true;
    bool checkRule = false;
    bool allow = false;
    tandemstandin::FirewallCalls calls;
};

std::mutex mutex;
State* state = new State;

}  // namespace

FireWallRuleManger& FireWallRuleManger::GetInstance() {
    static FireWallRuleManger* instance = new FireWallRuleManger;
    return *instance;
}

void FireWallRuleManger::OnServerStarted() {
    std::lock_guard<std::mutex> guard(mutex);
    ++state->calls.serverStarted;
}

bool FireWallRuleManger::TryEnableRule(const std::wstring&, const std::wstring&, bool) {
    std::lock_guard<std::mutex> guard(mutex);
    ++state->calls.tryEnableRule;
    return state->tryEnableRule;
}

bool FireWallRuleManger::CheckRule() {
    std::lock_guard<std::mutex> guard(mutex);
    ++state->calls.checkRule;
    return state->checkRule;
}

void FireWallRuleManger::EnableRuleByService() {
    std::lock_guard<std::mutex> guard(mutex);
    ++state->calls.enableRuleByService;
}

bool TandemConfig::IsAllow() {
    std::lock_guard<std::mutex> guard(mutex);
    return state->allow;
}

namespace tandemstandin {

void SetFirewallAnswers(bool tryEnableRule, bool checkRule) {
    std::lock_guard<std::mutex> guard(mutex);
    state->tryEnableRule = tryEnableRule;
    state->checkRule = checkRule;
}

FirewallCalls GetFirewallCalls() {
    std::lock_guard<std::mutex> guard(mutex);
    return state->calls;
}

void SetConfigAllow(bool allow) {
    std::lock_guard<std::mutex> guard(mutex);
    state->allow = allow;
}

namespace detail {

void ResetFirewallAndConfig() {
    std::lock_guard<std::mutex> guard(mutex);
    *state = State();
}

}  // namespace detail
}  // namespace tandemstandin
