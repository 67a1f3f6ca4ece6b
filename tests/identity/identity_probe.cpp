// Prints the product identity's derived names, one name=value a line, as the
// copy of this program placed beside a product description file sees them,
// and the files that hold the driver key. "twice" first sets a different
// identity (other configuration file names too), then the built-in one.
#include <cstdio>
#include <cstring>
#include <memory>

#include "identity/ModuleInstance.h"
#include "identity/ProductIdentity.h"
#include "identity/ProductNames.h"
#include "platform/Registry.h"
#include "support/DSISettings.h"
#include "support/SettingsReader.h"

namespace {

// Tells which registry key the support settings cache reads.
class KeyRecorder : public Dravo::Support::ISettingsReader {
public:
    bool ReadKey(const std::string& /*hive*/, const Dravo::Support::WideString& keyPath,
        Dravo::Support::SettingsMap& /*values*/) override
    {
        keyPaths += keyPath.GetAsUTF8() + "|";
        return false;
    }
    std::string keyPaths;
};

void Print(const char* name, const Dravo::Support::WideString& value)
{
    std::printf("%s=%s\n", name, value.GetAsUTF8().c_str());
}

} // namespace

int main(int argc, char** argv)
{
    using namespace Dravo::VezurAVUZ;
    static int instance;
    SetModuleInstance(&instance);
    if (argc > 1 && std::strcmp(argv[1], "twice") == 0) {
        ProductIdentity first = GetBuiltInProductIdentity();
        first.driverName = u"First Driver";
        first.version = u"9.9";
        first.configEnvironmentVariable = u"FIRSTINI";
        first.userConfigFileName = u".first.ini";
        SetProductIdentity(first);
    }
    SetProductIdentity();
    std::printf("module-instance-set=%d\n", GetModuleInstance() == &instance ? 1 : 0);
    std::printf("identity-set=%d\n", IsProductIdentitySet() ? 1 : 0);
    if (Dravo::Support::DSISettings* settings = Dravo::Support::DSISettings::Get()) {
        const auto recorder = std::make_shared<KeyRecorder>();
        settings->SetReader(recorder);
        (void)settings->GetSetting("LogLevel");
        std::printf("settings-key=%s\n", recorder->keyPaths.c_str());
    }
    Print("vendor", GetVendorName());
    Print("driver", GetDriverName());
    Print("version", GetVersionString());
    Print("compact", GetCompactDriverName());
    Print("vendor-driver-path", GetVendorDriverPath());
    Print("driver-key-path", GetDriverKeyPath());
    Print("module-directory", GetModuleDirectory());
    Print("description-file", GetProductDescriptionFilePath());
    Print("log-file", GetToolLogFileName());
    const std::u16string driverKey = GetDriverKeyPath().GetAsU16String();
    std::printf("machine-file=%s\n",
        Dravo::OS::GetRegistryKeyFilePath(Dravo::OS::RegistryHive::LocalMachine, driverKey).c_str());
    std::printf(
        "user-file=%s\n", Dravo::OS::GetRegistryKeyFilePath(Dravo::OS::RegistryHive::CurrentUser, driverKey).c_str());
    return 0;
}
