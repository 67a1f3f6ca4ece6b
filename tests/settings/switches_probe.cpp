// Prints the product switches, one name=value a line, as the copy of this
// program placed beside a product description file sees them. Each argument
// "m,t,s" (mechanism, transport, SSL 0/1) is also read the way the main dialog
// reads stored settings: normalised, then HDInsight suppressed.
#include <cstdio>
#include <string>

#include "settings/ProductSwitches.h"

int main(int argc, char** argv)
{
    using namespace Dravo::VezurAVUZ;
    std::printf("default-auth-mech=%u\n", GetDefaultAuthMech());
    std::printf("default-string-column-length=%d\n", GetDefaultStringColumnLength());
    std::printf("hdinsight-suppressed=%d\n", IsHDInsightSuppressed() ? 1 : 0);
    std::printf("service-discovery-suppressed=%d\n", IsServiceDiscoverySuppressed() ? 1 : 0);
    std::printf("get-tbls-with-query=%d\n", GetProductSwitch(u"get-tbls-with-query", false) ? 1 : 0);
    std::printf("get-tbls-with-query-default-on=%d\n", GetProductSwitch(u"get-tbls-with-query", true) ? 1 : 0);
    std::printf("temp-table=%d\n", IsTempTableSupported() ? 1 : 0);
    std::printf("trusted-certs=%s\n", GetDefaultTrustedCertsFile().GetAsUTF8().c_str());
    for (int i = 1; i < argc; ++i) {
        unsigned mechanism = 0;
        unsigned transport = 0;
        int ssl = 0;
        if (std::sscanf(argv[i], "%u,%u,%d", &mechanism, &transport, &ssl) != 3) {
            return 2;
        }
        uint32_t m = mechanism;
        uint32_t t = transport;
        bool s = ssl != 0;
        NormaliseMechanism(m, t, s);
        SuppressHDInsightMechanism(m);
        std::printf("%s=%u,%u,%d\n", argv[i], m, t, s ? 1 : 0);
    }
    return 0;
}
