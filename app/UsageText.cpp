// The --help text of the program on POSIX systems, where the dialogs run in
// the terminal and the driver reads its settings from its ini file.
#include "app/ProgramOptions.h"

#include "identity/ProductIdentity.h"

namespace Dravo::VezurAVUZ {

std::string GetUsageText(const std::string& programName)
{
    // The names the driver finds its configuration file by.
    const ProductIdentity& identity = GetBuiltInProductIdentity();
    const std::string variable = identity.configEnvironmentVariable.GetAsUTF8();
    const std::string userFile = identity.userConfigFileName.GetAsUTF8();
    const std::string machineFile = userFile.starts_with('.') ? userFile.substr(1) : userFile;
    return "Usage: " + programName
        + " [--registry-root DIR] [--script FILE] [--dsn NAME [--user | --system]]\n"
          "       "
        + programName
        + " [--registry-root DIR] [--dsn NAME [--user | --system]] COMMAND [ARGUMENT...]\n"
          "       "
        + programName
        + " --register-setup | --unregister-setup\n"
          "       "
        + programName
        + " --help | --version\n"
          "\n"
          "Edits the driver-wide configuration of the Dravo Spark ODBC Driver, or with\n"
          "--dsn one data source, in a dialog in the terminal. OK saves the settings,\n"
          "Cancel leaves them as they were.\n"
          "\n"
          "The driver-wide settings are kept where the driver reads them: in the file\n"
          "that "
        + variable + " names when it is set, else in /etc/" + machineFile
        + " (the user's\n"
          "~/"
        + userFile
        + " is read first for the log settings). The line below the\n"
          "dialog names the file. See "
        + programName
        + "(1) for its format.\n"
          "\n"
          "Options:\n"
          "  --script FILE         run the dialogs without a terminal, driven by the\n"
          "                        script FILE (- reads standard input)\n"
          "  --registry-root DIR   keep both registry hives in DIR (as DRAVO_REGISTRY_ROOT),\n"
          "                        and unless "
        + variable
        + " is set, the settings in\n"
          "                        DIR/"
        + machineFile + " and DIR/" + userFile
        + "\n"
          "  --dsn NAME            edit the data source NAME of the ODBC installer, in the\n"
          "                        odbc.ini that holds it (the user's first); a new one\n"
          "                        is made on OK among the user's data sources\n"
          "  --user, --system      with --dsn: the user's or the system's data source\n"
          "  --register-setup      name the setup library as the Setup of the driver's\n"
          "                        entry in unixODBC's odbcinst.ini, where the entry\n"
          "                        exists and has no Setup of its own\n"
          "  --unregister-setup    take away the Setup that --register-setup added\n"
          "  --help                show this text\n"
          "  --version             show the version\n"
          "\n"
        + GetCommandsUsageText() + "\n" + GetExitStatusUsageText()
        + "--register-setup and --unregister-setup exit with 0 when they did what they\n"
          "say or found nothing to do (they print which), 3 when the installer cannot\n"
          "write odbcinst.ini, 69 when it is missing.\n"
          "See "
        + programName + "(1).\n";
}

} // namespace Dravo::VezurAVUZ
