#include "driversupport/HttpResponseHead.h"

#include <algorithm>

namespace Dravo::DriverSupport {
namespace {

bool IsDigit(char character)
{
    return character >= '0' && character <= '9';
}

char Lower(char character)
{
    return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a') : character;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t index = 0; index < a.size(); ++index) {
        if (Lower(a[index]) != Lower(b[index])) {
            return false;
        }
    }
    return true;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

/// "HTTP/1.1 404 Not Found"
bool ReadStatusLine(std::string_view line, HttpResponseHead& head)
{
    if (line.size() < 12 || line.substr(0, 5) != "HTTP/" || !IsDigit(line[5]) || line[6] != '.' || !IsDigit(line[7])
        || line[8] != ' ' || !IsDigit(line[9]) || !IsDigit(line[10]) || !IsDigit(line[11])
        || (line.size() > 12 && line[12] != ' ')) {
        return false;
    }
    head.status = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    head.reason = std::string(Trim(line.size() > 12 ? line.substr(13) : std::string_view()));
    return true;
}

} // namespace

HttpHeadState ReadHttpResponseHead(std::string_view received, HttpResponseHead& head)
{
    // Lines end in CRLF; a bare LF is taken too, as clients commonly do.
    size_t end = std::string_view::npos;
    for (size_t index = 0; index + 1 < received.size(); ++index) {
        if (received[index] == '\n'
            && (received[index + 1] == '\n'
                || (received[index + 1] == '\r' && index + 2 < received.size() && received[index + 2] == '\n'))) {
            end = index;
            break;
        }
    }
    const std::string_view start = received.substr(0, std::min<size_t>(received.size(), 5));
    if (std::string_view("HTTP/").substr(0, start.size()) != start) {
        return HttpHeadState::Malformed;
    }
    if (end == std::string_view::npos) {
        return received.size() > LONGEST_HTTP_HEAD ? HttpHeadState::Malformed : HttpHeadState::Incomplete;
    }
    if (end > LONGEST_HTTP_HEAD) {
        return HttpHeadState::Malformed;
    }
    HttpResponseHead read;
    std::string_view rest = received.substr(0, end + 1);
    bool first = true;
    while (!rest.empty()) {
        const size_t lineEnd = rest.find('\n');
        std::string_view line = rest.substr(0, lineEnd);
        rest = lineEnd == std::string_view::npos ? std::string_view() : rest.substr(lineEnd + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (first) {
            if (!ReadStatusLine(line, read)) {
                return HttpHeadState::Malformed;
            }
            first = false;
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) {
            continue;
        }
        const std::string_view name = line.substr(0, colon);
        const std::string value(Trim(line.substr(colon + 1)));
        if (SameName(name, "Location") && !read.location) {
            read.location = value;
        } else if (SameName(name, "WWW-Authenticate") && !read.authenticate) {
            read.authenticate = value;
        }
    }
    head = std::move(read);
    return HttpHeadState::Complete;
}

} // namespace Dravo::DriverSupport
