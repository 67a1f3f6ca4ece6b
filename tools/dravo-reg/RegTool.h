// dravo-reg: the registry from the command line, with the syntax, messages and
// exit codes of the Windows "reg" command for QUERY, ADD, DELETE, EXPORT and
// IMPORT. The streams are parameters so that tests run it in-process.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace Dravo::Tools {

class RegTool {
public:
    /// Exit codes, as reg's.
    static constexpr int SUCCESS = 0;
    static constexpr int FAILURE = 1;

    RegTool(std::istream& in, std::ostream& out, std::ostream& err) : m_in(in), m_out(out), m_err(err) {}

    /// Runs one command line (without the program name).
    int Run(const std::vector<std::string>& arguments);

private:
    int Query(const std::vector<std::string>& arguments);
    int Add(const std::vector<std::string>& arguments);
    int Delete(const std::vector<std::string>& arguments);
    int Export(const std::vector<std::string>& arguments);
    int Import(const std::vector<std::string>& arguments);

    int Usage(const std::string& operation);
    int InvalidSyntax(const std::string& operation);
    /// "ERROR: " and the system's text for the code, then what the registry had
    /// to add (file and line of a broken hive) on its own line.
    int SystemFailure(uint32_t code);
    int Error(const std::string& text);
    /// Asks a Yes/No question; true for yes.
    bool Confirm(const std::string& question);

    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
};

} // namespace Dravo::Tools
