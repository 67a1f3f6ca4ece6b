// Calls the real unixODBC installer the way applications and deployment
// scripts do, so that the tests see what they would see.
//
//   setup_probe [--window] [--wide] [--system] add|config|remove|request=N DRIVER [KEY=VALUE...]
//       SQLConfigDataSource (SQLConfigDataSourceW with --wide); prints
//       "result 1" or "result 0", then "error CODE MESSAGE" for each error.
//   setup_probe driver REQUEST DRIVER LIBRARY
//       ConfigDriver of LIBRARY, loaded as an installer loads it (unixODBC's
//       SQLConfigDriver passes no request to a setup library on 64-bit
//       systems), with a message buffer of 64 bytes; prints the result,
//       "message TEXT" and the installer's errors.
//   setup_probe properties DRIVER
//       ODBCINSTConstructProperties; one line per property:
//       "NAME=VALUE|PROMPT TYPE|CHOICE,CHOICE...|HELP".
//   setup_probe cycles N DRIVER LIBRARY
//       N rounds of LIBRARY loaded, asked to add, change and remove a data
//       source and unloaded, and of the installer's property list, each
//       checking that LIBRARY is gone afterwards.
//   setup_probe state DRIVER LIBRARY
//       LIBRARY, a test build of the setup library that lists its process
//       state, loaded, called through each entry point and unloaded; prints
//       "call NAME" for each call and then "piece NAME held" or "piece NAME
//       reset" for each piece registered, and "still loaded 0|1" at the end.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <odbcinst.h>
#include <odbcinstext.h>

namespace {

std::vector<SQLWCHAR> Utf16(const std::string& text)
{
    std::vector<SQLWCHAR> units;
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        uint32_t code = byte;
        size_t length = 1;
        if (byte >= 0xF0) {
            code = byte & 0x07;
            length = 4;
        } else if (byte >= 0xE0) {
            code = byte & 0x0F;
            length = 3;
        } else if (byte >= 0xC0) {
            code = byte & 0x1F;
            length = 2;
        }
        for (size_t k = 1; k < length && i + k < text.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(static_cast<SQLWCHAR>(0xD800 + (code >> 10)));
            units.push_back(static_cast<SQLWCHAR>(0xDC00 + (code & 0x3FF)));
        } else {
            units.push_back(static_cast<SQLWCHAR>(code));
        }
    }
    return units;
}

/// "KEY=VALUE\0...\0\0" from the arguments; "\n" in an argument stands for a
/// line break.
std::string AttributeList(char** begin, char** end)
{
    std::string list;
    for (char** argument = begin; argument != end; ++argument) {
        std::string text = *argument;
        for (size_t at; (at = text.find("\\n")) != std::string::npos;) {
            text.replace(at, 2, "\n");
        }
        list += text;
        list += '\0';
    }
    list += '\0';
    return list;
}

void PrintErrors()
{
    for (WORD index = 1; index <= 8; ++index) {
        DWORD code = 0;
        char message[SQL_MAX_MESSAGE_LENGTH + 1] = "";
        WORD length = 0;
        if (SQLInstallerError(index, &code, message, sizeof message, &length) == SQL_NO_DATA) {
            break;
        }
        std::printf("error %u %s\n", static_cast<unsigned>(code), message);
    }
}

int Configure(int argc, char** argv)
{
    bool window = false;
    bool wide = false;
    bool system = false;
    // An entry read back in this process once the call returns, as a host
    // of the library would read it.
    std::string readBack;
    int next = 1;
    for (; next < argc && std::strncmp(argv[next], "--", 2) == 0; ++next) {
        if (std::strncmp(argv[next], "--read-back=", 12) == 0) {
            readBack = argv[next] + 12;
        }
        window = window || std::strcmp(argv[next], "--window") == 0;
        wide = wide || std::strcmp(argv[next], "--wide") == 0;
        system = system || std::strcmp(argv[next], "--system") == 0;
    }
    if (argc - next < 2) {
        std::fprintf(stderr, "usage: setup_probe [--window] [--wide] [--system] ACTION DRIVER [KEY=VALUE...]\n");
        return 64;
    }
    const std::string action = argv[next];
    WORD request = 0;
    if (action == "add") {
        request = system ? ODBC_ADD_SYS_DSN : ODBC_ADD_DSN;
    } else if (action == "config") {
        request = system ? ODBC_CONFIG_SYS_DSN : ODBC_CONFIG_DSN;
    } else if (action == "remove") {
        request = system ? ODBC_REMOVE_SYS_DSN : ODBC_REMOVE_DSN;
    } else if (action.rfind("request=", 0) == 0) {
        request = static_cast<WORD>(std::atoi(action.c_str() + 8));
    }
    const std::string driver = argv[next + 1];
    const std::string attributes = AttributeList(argv + next + 2, argv + argc);
    // Any handle will do: the setup library only asks whether there is one.
    HWND handle = window ? reinterpret_cast<HWND>(&window) : nullptr;
    BOOL result = 0;
    if (wide) {
        std::vector<SQLWCHAR> wideDriver = Utf16(driver);
        wideDriver.push_back(0);
        std::vector<SQLWCHAR> wideAttributes = Utf16(attributes);
        result = SQLConfigDataSourceW(handle, request, wideDriver.data(), wideAttributes.data());
    } else {
        result = SQLConfigDataSource(handle, request, driver.c_str(), attributes.c_str());
    }
    std::printf("result %d\n", result ? 1 : 0);
    PrintErrors();
    if (!readBack.empty()) {
        const size_t name = attributes.find("DSN=");
        const std::string dsn = name == std::string::npos ? "" : std::string(attributes.c_str() + name + 4);
        char value[1024] = "";
        SQLGetPrivateProfileString(dsn.c_str(), readBack.c_str(), "", value, sizeof value, "odbc.ini");
        std::printf("read %s\n", value);
    }
    return 0;
}

using ConfigDriverFunction = BOOL (*)(HWND, WORD, LPCSTR, LPCSTR, LPSTR, WORD, WORD*);

int ConfigureDriver(const char* request, const char* driver, const char* library)
{
    void* handle = ::dlopen(library, RTLD_NOW | RTLD_LOCAL);
    auto* configDriver = handle ? reinterpret_cast<ConfigDriverFunction>(::dlsym(handle, "ConfigDriver")) : nullptr;
    if (!configDriver) {
        std::printf("cannot load %s\n", library);
        return 1;
    }
    char message[64] = "unchanged";
    WORD length = 0;
    const BOOL result =
        configDriver(nullptr, static_cast<WORD>(std::atoi(request)), driver, "", message, sizeof message, &length);
    ::dlclose(handle);
    std::printf("result %d\nmessage %s\nlength %u\n", result ? 1 : 0, message, static_cast<unsigned>(length));
    PrintErrors();
    return 0;
}

int Properties(const char* driver)
{
    HODBCINSTPROPERTY first = nullptr;
    if (ODBCINSTConstructProperties(const_cast<char*>(driver), &first) != ODBCINST_SUCCESS) {
        std::printf("no properties\n");
        PrintErrors();
        return 1;
    }
    for (HODBCINSTPROPERTY property = first; property; property = property->pNext) {
        std::string choices;
        for (char** choice = property->aPromptData; choice && *choice; ++choice) {
            choices += (choice == property->aPromptData ? "" : ",") + std::string(*choice);
        }
        std::printf("%s=%s|%d|%s|%s\n", property->szName, property->szValue, property->nPromptType, choices.c_str(),
            property->pszHelp ? property->pszHelp : "");
    }
    ODBCINSTDestructProperties(&first);
    return 0;
}

bool IsLoaded(const char* library)
{
    void* handle = ::dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (handle) {
        ::dlclose(handle);
    }
    return handle != nullptr;
}

using ConfigDSNFunction = BOOL (*)(HWND, WORD, LPCSTR, LPCSTR);

int Cycles(int rounds, const char* driver, const char* library)
{
    int failures = 0;
    int stillLoaded = 0;
    for (int round = 0; round < rounds; ++round) {
        const std::string name = "DSN=Cycle" + std::to_string(round);
        const std::string add = name + '\0' + "Host=spark.example.com" + '\0' + "SparkServerType=3" + '\0'
            + "AuthMech=3" + '\0' + "UID=user" + '\0' + "PWD=secret" + '\0' + '\0';
        const std::string change = name + '\0' + "Port=10001" + '\0' + '\0';
        const std::string remove = name + '\0' + '\0';
        // As an installer that loads the library around each request does
        // (odbccp32 on Windows); unixODBC's installer is the one in use.
        void* handle = ::dlopen(library, RTLD_NOW | RTLD_LOCAL);
        auto* configDSN = handle ? reinterpret_cast<ConfigDSNFunction>(::dlsym(handle, "ConfigDSN")) : nullptr;
        if (!configDSN) {
            std::printf("cannot load %s\n", library);
            return 1;
        }
        failures += configDSN(nullptr, ODBC_ADD_DSN, driver, add.c_str()) ? 0 : 1;
        failures += configDSN(nullptr, ODBC_CONFIG_DSN, driver, change.c_str()) ? 0 : 1;
        // Refused requests run through the error paths.
        failures += configDSN(nullptr, ODBC_ADD_DSN, driver, "DSN=Bad;Name\0\0") ? 1 : 0;
        failures += configDSN(nullptr, ODBC_ADD_SYS_DSN, driver, add.c_str()) ? 1 : 0;
        failures += configDSN(nullptr, ODBC_REMOVE_DSN, driver, remove.c_str()) ? 0 : 1;
        ::dlclose(handle);
        stillLoaded += IsLoaded(library) ? 1 : 0;
        // unixODBC's property list loads and unloads the library itself.
        HODBCINSTPROPERTY first = nullptr;
        failures += ODBCINSTConstructProperties(const_cast<char*>(driver), &first) == ODBCINST_SUCCESS ? 0 : 1;
        ODBCINSTDestructProperties(&first);
        stillLoaded += IsLoaded(library) ? 1 : 0;
    }
    // unixODBC's SQLConfigDataSource keeps the library loaded for good: the
    // calls after that must still find nothing of the earlier ones.
    for (int round = 0; round < 3; ++round) {
        const std::string add = "DSN=Kept" + std::to_string(round) + '\0' + "Host=h" + '\0' + '\0';
        failures += SQLConfigDataSource(nullptr, ODBC_ADD_DSN, driver, add.c_str()) ? 0 : 1;
        failures += SQLConfigDataSource(nullptr, ODBC_REMOVE_DSN, driver, add.c_str()) ? 0 : 1;
    }
    std::printf("failures %d\nstill loaded %d\n", failures, stillLoaded);
    return 0;
}

using GetPropertiesFunction = int (*)(void*);
using ListProcessStateFunction = size_t (*)(char*, size_t);

void PrintProcessState(const char* call, ListProcessStateFunction list)
{
    std::printf("call %s\n", call);
    std::vector<char> text(list(nullptr, 0) + 1);
    list(text.data(), text.size());
    std::string lines(text.data());
    for (size_t start = 0; start < lines.size();) {
        const size_t end = lines.find('\n', start);
        std::printf("piece %s\n", lines.substr(start, end - start).c_str());
        start = end == std::string::npos ? lines.size() : end + 1;
    }
}

int ProcessState(const char* driver, const char* library)
{
    void* handle = ::dlopen(library, RTLD_NOW | RTLD_LOCAL);
    auto* configDSN = handle ? reinterpret_cast<ConfigDSNFunction>(::dlsym(handle, "ConfigDSN")) : nullptr;
    auto* configDriver = handle ? reinterpret_cast<ConfigDriverFunction>(::dlsym(handle, "ConfigDriver")) : nullptr;
    auto* getProperties =
        handle ? reinterpret_cast<GetPropertiesFunction>(::dlsym(handle, "ODBCINSTGetProperties")) : nullptr;
    auto* list =
        handle ? reinterpret_cast<ListProcessStateFunction>(::dlsym(handle, "DravoListProcessState")) : nullptr;
    if (!configDSN || !configDriver || !getProperties || !list) {
        std::printf("cannot load %s\n", library);
        return 1;
    }
    PrintProcessState("none", list);
    const std::string add = std::string("DSN=State") + '\0' + "Host=spark.example.com" + '\0' + "AuthMech=3" + '\0'
        + "UID=user" + '\0' + "PWD=secret" + '\0' + '\0';
    const std::string change = std::string("DSN=State") + '\0' + "Port=10001" + '\0' + '\0';
    const std::string remove = std::string("DSN=State") + '\0' + '\0';
    configDSN(nullptr, ODBC_ADD_DSN, driver, add.c_str());
    PrintProcessState("add", list);
    configDSN(nullptr, ODBC_CONFIG_DSN, driver, change.c_str());
    PrintProcessState("change", list);
    configDSN(nullptr, ODBC_ADD_DSN, driver, "DSN=Bad;Name\0\0");
    PrintProcessState("refused add", list);
    configDSN(nullptr, ODBC_REMOVE_DSN, driver, remove.c_str());
    PrintProcessState("remove", list);
    char message[64] = "";
    WORD length = 0;
    configDriver(nullptr, ODBC_CONFIG_DRIVER, driver, "", message, sizeof message, &length);
    PrintProcessState("driver without window", list);
    auto* first = static_cast<HODBCINSTPROPERTY>(std::calloc(1, sizeof(ODBCINSTPROPERTY)));
    getProperties(first);
    ODBCINSTDestructProperties(&first);
    PrintProcessState("properties", list);
    ::dlclose(handle);
    std::printf("still loaded %d\n", IsLoaded(library) ? 1 : 0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "state") == 0) {
        return ProcessState(argv[2], argv[3]);
    }
    if (argc == 5 && std::strcmp(argv[1], "driver") == 0) {
        return ConfigureDriver(argv[2], argv[3], argv[4]);
    }
    if (argc == 3 && std::strcmp(argv[1], "properties") == 0) {
        return Properties(argv[2]);
    }
    if (argc == 5 && std::strcmp(argv[1], "cycles") == 0) {
        return Cycles(std::atoi(argv[2]), argv[3], argv[4]);
    }
    return Configure(argc, argv);
}
