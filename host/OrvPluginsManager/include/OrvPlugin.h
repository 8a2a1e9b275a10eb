// The host's plug-in interface and the registration record a plug-in library hands to the
// plug-in manager.
#pragma once

#include <functional>
#include <memory>
#include <string>

class OrvPlugin {
public:
    virtual bool Initialize(void* hostContext) = 0;
    virtual bool Uninitialize() = 0;
    virtual bool Start() = 0;
    virtual bool Stop() = 0;
    virtual ~OrvPlugin() = default;
};

struct PluginRegistration {
    std::string id;
    std::function<std::shared_ptr<OrvPlugin>()> creator;
};

// Exports of the plug-in manager module, looked up by name.
extern "C" {
typedef bool (*RegisterPluginFn)(PluginRegistration* registration);
typedef bool (*UnRegisterPluginFn)(PluginRegistration* registration);
}
