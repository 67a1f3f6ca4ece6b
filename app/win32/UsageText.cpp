// The --help text of the Windows program: native dialogs, the settings in the
// machine's registry, data sources through the system's ODBC installer.
#include "app/ProgramOptions.h"

#include "identity/ProductIdentity.h"

namespace Dravo::VezurAVUZ {

std::string GetUsageText(const std::string& programName)
{
    const std::string driverKey =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Dravo\\" + GetBuiltInProductIdentity().driverName.GetAsUTF8() + "\\Driver";
    // The console program runs with its caller's rights; the dialog program asks for more.
    const bool console = programName.ends_with("-cli");
    const std::string rights = console ? "leaves them as they were. This console program runs with the rights of\n"
                                         "whoever starts it: any user may read the settings, and changing the\n"
                                         "machine's needs a prompt started with \"Run as administrator\" (exit\n"
                                         "status 5 otherwise). Output to a file or a pipe is UTF-8.\n"
                                       : "leaves them as they were. The settings are the machine's, so the program\n"
                                         "asks for administrator rights when it starts; dravo-spark-config-cli.exe,\n"
                                         "beside it, is the same program for command prompts and scripts.\n";
    return "Usage: " + programName
        + " [--registry-root NAME] [--script FILE] [--dsn NAME [--user | --system]]\n"
          "       "
        + programName
        + " [--registry-root NAME] [--dsn NAME [--user | --system]] COMMAND [ARGUMENT...]\n"
          "       "
        + programName
        + " --help | --version\n"
          "\n"
          "Edits the driver-wide configuration of the Dravo Spark ODBC Driver in a\n"
          "dialog, or with --dsn one of its data sources. OK saves the settings, Cancel\n"
        + rights
        + "\n"
          "The driver-wide settings are saved where the driver reads them, as string\n"
          "values of the registry key\n"
          "  "
        + driverKey
        + "\n"
          "(the log settings are read from the same path under HKEY_CURRENT_USER first).\n"
          "\n"
          "Options:\n"
          "  --script FILE         drive the dialogs by the script FILE instead of the\n"
          "                        keyboard and mouse (- reads standard input); message\n"
          "                        boxes are written to standard output\n"
          "  --registry-root NAME  keep the registry below HKEY_CURRENT_USER\\Software\\\n"
          "                        Dravo\\Registry Roots\\NAME instead, where the driver\n"
          "                        does not read it, to try settings out\n"
          "  --dsn NAME            edit the data source NAME, as the ODBC Data Source\n"
          "                        Administrator lists it, through the ODBC installer\n"
          "                        (odbccp32.dll), the user's first; a new one is\n"
          "                        created on OK among the user's data sources\n"
          "  --user, --system      with --dsn: a User DSN or a System DSN\n"
          "  --help, /?            show this text\n"
          "  --version             show the version\n"
          "\n"
        + GetCommandsUsageText() + "\n" + GetExitStatusUsageText()
        + "\n"
          "README.txt in the program's folder describes the program and its setup\n"
          "library.\n";
}

} // namespace Dravo::VezurAVUZ
