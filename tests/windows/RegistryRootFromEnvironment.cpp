// Linked into every Windows test program: the program keeps its registry
// below the root that its test's environment names (DRAVO_REGISTRY_ROOT), as
// the Linux store does by itself, so that no test touches the real hives by
// accident. The installed program takes no registry location from its
// environment; only --registry-root moves it.
#include <cstdlib>

#include "platform/Registry.h"

namespace {

const bool REGISTRY_ROOT_APPLIED = [] {
    if (const char* root = std::getenv("DRAVO_REGISTRY_ROOT"); root && *root) {
        Dravo::OS::SetRegistryRoot(root);
    }
    return true;
}();

} // namespace
