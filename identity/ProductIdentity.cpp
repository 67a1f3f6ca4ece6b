#include "identity/ProductIdentity.h"

#include <memory>
#include <mutex>

#include "identity/CachedValue.h"
#include "identity/ProductNames.h"
#include "identity/ProductDescriptionFile.h"
#include "platform/ProcessState.h"
#include "platform/Registry.h"
#include "support/DSISettings.h"

namespace Dravo::VezurAVUZ {

using Support::WideString;

namespace {

// Setting the identity holds one lock across the whole set-up; reading the
// record takes only the short one, since the set-up itself reads it while
// computing the vendor and driver names.
struct IdentityState {
    std::mutex setLock;
    std::mutex recordLock;
    bool isSet = false;
    ProductIdentity record = GetBuiltInProductIdentity();
};

OS::ProcessState<IdentityState> g_identity{"product identity"};

IdentityState& State()
{
    return g_identity.Get();
}

} // namespace

const ProductIdentity& GetBuiltInProductIdentity()
{
    static const ProductIdentity identity{
        u"VezurAVUZ.did",
        u"Dravo Spark ODBC Driver",
        u"1.1.1.1001",
        "Dravo Apache Spark ODBC Driver",
        u"SPARKINI",
        u".vezuravuz.ini",
    };
    return identity;
}

void SetProductIdentity()
{
    SetProductIdentity(GetBuiltInProductIdentity());
}

void SetProductIdentity(const ProductIdentity& identity)
{
    IdentityState& state = State();
    std::lock_guard<std::mutex> guard(state.setLock);
    if (state.isSet) {
        return;
    }
    {
        std::lock_guard<std::mutex> recordGuard(state.recordLock);
        state.record = identity;
    }
    (void)GetVendorName();
    (void)GetDriverName();
    const WideString& branch = GetVendorDriverPath();
    Support::DSISettings::Create(branch, u"Driver");
    // The cache may have been created before the identity was known.
    Support::DSISettings::Get()->SetBranch(branch);
    // Where the driver reads an ini file rather than the registry, the
    // driver key is kept in that file, found through the identity's names.
    OS::MountDriverConfiguration(OS::DriverConfigurationNames{GetDriverKeyPath().GetAsU16String(),
        identity.configEnvironmentVariable.GetAsUTF8(), identity.userConfigFileName.GetAsUTF8()});
    state.isSet = true;
}

bool IsProductIdentitySet()
{
    IdentityState& state = State();
    std::lock_guard<std::mutex> guard(state.setLock);
    return state.isSet;
}

ProductIdentity GetProductIdentity()
{
    IdentityState& state = State();
    std::lock_guard<std::mutex> guard(state.recordLock);
    return state.record;
}

const WideString& GetProductDescriptionFilePath()
{
    static CachedValue<WideString> path{"product description file path"};
    return path.Get([] {
        const WideString& directory = GetModuleDirectory();
        return directory.IsEmpty() ? WideString(u"") : directory + GetProductIdentity().descriptionFileName;
    });
}

namespace {

DriverSupport::ProductDescriptionFile& DescriptionFile()
{
    static CachedValue<std::unique_ptr<DriverSupport::ProductDescriptionFile>> file{"product description file"};
    return *file.Get(
        [] { return std::make_unique<DriverSupport::ProductDescriptionFile>(GetProductDescriptionFilePath()); });
}

} // namespace

WideString GetProductAttribute(const WideString& name)
{
    return DescriptionFile().GetAttribute(name);
}

std::optional<WideString> FindProductAttribute(const WideString& name)
{
    const DriverSupport::ProductAttributes& attributes = DescriptionFile().GetAttributes();
    const auto found = attributes.find(name);
    if (found == attributes.end()) {
        return std::nullopt;
    }
    return found->second;
}

} // namespace Dravo::VezurAVUZ
