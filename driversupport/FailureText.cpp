#include "driversupport/FailureText.h"

#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "driversupport/DSMessages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "support/NumberConverter.h"

namespace Dravo::DriverSupport {
namespace {

using Support::WideString;

/// System texts end in "\r\n"; a message puts its own line ends.
WideString WithoutLineEnd(const WideString& text)
{
    std::u16string units = text.GetAsU16String();
    while (!units.empty() && (units.back() == u'\n' || units.back() == u'\r')) {
        units.pop_back();
    }
    return WideString(units);
}

FailureText SetupError(int32_t errorType, const WideString& reason)
{
    FailureText failure;
    failure.kind = FailureText::Kind::SetupError;
    failure.setupErrorType = errorType;
    try {
        failure.text = DSMessages::GetSetupErrorText(errorType);
    } catch (const Support::ErrorException&) {
        failure.text = WideString(u"setup error ") + Support::NumberConverter::ConvertInt32ToWString(errorType);
    }
    // The code's text says what failed; the system's reason says why.
    if (!reason.IsEmpty()) {
        failure.text += WideString(u"\n") + WithoutLineEnd(reason);
    }
    return failure;
}

FailureText Failure(FailureText::Kind kind, WideString text)
{
    FailureText failure;
    failure.kind = kind;
    failure.text = WithoutLineEnd(text);
    return failure;
}

} // namespace

FailureText DescribeCurrentException()
{
    try {
        throw;
    } catch (const DSSetupException& exception) {
        return SetupError(exception.GetErrorType(), exception.GetReason());
    } catch (const Varlo::VarloSetupException& exception) {
        // The product line's codes are the configuration-support ones.
        return SetupError(exception.GetCode(), WideString(u""));
    } catch (const Support::ErrorException& exception) {
        return Failure(FailureText::Kind::SupportError, DSMessages::GetErrorExceptionText(exception));
    } catch (const std::bad_alloc&) {
        return Failure(FailureText::Kind::OutOfMemory,
            WideString(Resources::FindString(Resources::IDS_SETUP_OUT_OF_MEMORY)
                           .value_or(u"Not enough memory resources are available to process this command.")));
    } catch (const std::exception& exception) {
        return Failure(FailureText::Kind::Unexpected, WideString(std::string(exception.what())));
    } catch (...) {
        return Failure(FailureText::Kind::Unexpected, WideString(u"an error of unknown kind"));
    }
}

} // namespace Dravo::DriverSupport
