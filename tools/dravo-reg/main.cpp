// dravo-reg: see docs/man/dravo-reg.1 and RegTool.h.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "identity/ProductIdentity.h"
#include "platform/Registry.h"
#include "tools/dravo-reg/RegTool.h"

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // Ours, not reg's: where the hives are (as DRAVO_REGISTRY_ROOT).
    if (arguments.size() >= 2 && arguments[0] == "--registry-root") {
        // Refused as the configuration tool refuses it: a root made here
        // would hold what nobody reads.
        if (const auto why = Dravo::OS::WhyNotRegistryRoot(arguments[1])) {
            std::cerr << "dravo-reg: " << *why << "; nothing was changed.\n";
            return 1;
        }
        Dravo::OS::SetRegistryRoot(arguments[1]);
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    // However the root is named: the environment's is not made either. Help
    // and the version touch no registry.
    const bool touchesNoRegistry = std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
        return argument == "/?" || argument == "-?" || argument == "-h" || argument == "--help"
            || argument == "--version";
    });
    if (const auto why = Dravo::OS::WhyRegistryRootInForceCannotBeUsed(); why && !touchesNoRegistry) {
        std::cerr << "dravo-reg: " << *why << "; nothing was changed.\n";
        return 1;
    }
    // The product's start-up: the driver key is where the driver reads it,
    // as the configuration tool sees it.
    Dravo::VezurAVUZ::SetProductIdentity();
    if (arguments.size() == 1 && arguments[0] == "--version") {
        std::cout << "dravo-reg " << DRAVO_VERSION << '\n';
        return 0;
    }
    Dravo::Tools::RegTool tool(std::cin, std::cout, std::cerr);
    return tool.Run(arguments);
}
