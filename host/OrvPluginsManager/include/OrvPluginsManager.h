// The host's plug-in manager: keeps the registrations of the loaded plug-in libraries and
// creates plug-in objects through their factories.
#pragma once

#include "OrvPlugin.h"

#include <memory>
#include <string>
#include <vector>

extern "C" {
// The record stays valid until it is unregistered. Registering an id twice replaces the record.
__attribute__((visibility("default"))) bool RegisterPlugin(PluginRegistration* registration);
__attribute__((visibility("default"))) bool UnRegisterPlugin(PluginRegistration* registration);
}

namespace OrvPluginsManager {

// Ids of the registered plug-ins, in registration order.
std::vector<std::string> RegisteredIds();
// A new plug-in object from the factory registered under ID; null when there is none.
std::shared_ptr<OrvPlugin> CreatePlugin(const std::string& id);

}  // namespace OrvPluginsManager
