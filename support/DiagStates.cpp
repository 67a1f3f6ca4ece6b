#include "support/DiagStates.h"

namespace Dravo::Support {
namespace {

constexpr const char* SQL_STATES[SQLSTATE_COUNT] = {
    "01000", "01001", "01002", "01003", "01004", "01006", "01007", "01S00", "01S01", "01S02",
    "01S05", "01S06", "01S07", "01S08", "01S09", "07001", "07002", "07005", "07006", "07009",
    "07S01", "08001", "08002", "08003", "08004", "08007", "08S01", "21000", "21S01", "21S02",
    "22001", "22002", "22003", "22007", "22008", "22012", "22015", "22018", "22019", "22025",
    "22026", "23000", "24000", "25000", "25S01", "25S02", "25S03", "28000", "34000", "3C000",
    "3D000", "3F000", "40001", "40002", "40003", "42000", "42S01", "42S02", "42S11", "42S12",
    "42S21", "42S22", "44000", "HY000", "HY001", "HY003", "HY004", "HY007", "HY008", "HY009",
    "HY010", "HY011", "HY012", "HY013", "HY014", "HY015", "HY016", "HY017", "HY018", "HY019",
    "HY020", "HY021", "HY024", "HY090", "HY091", "HY092", "HY095", "HY096", "HY097", "HY098",
    "HY099", "HY100", "HY101", "HY103", "HY104", "HY105", "HY106", "HY107", "HY109", "HY110",
    "HY111", "HYC00", "HYT00", "HYT01", "IM007", "IM008", "IM009",
};

constexpr SupportError SUPPORT_ERRORS[SUPPORT_ERROR_COUNT] = {
    {0, 4, u"StrRightTrunc"},
    {1, 12, u"FractionalTrunc"},
    {2, 18, u"RestrictedDataTypeAttrViolation"},
    {3, 18, u"InvalidMultiFieldIntervalConversion"},
    {4, 30, u"StrRightTruncErr"},
    {5, 32, u"NumericValOutOfRange"},
    {6, 33, u"InvalidDatetimeFormat"},
    {7, 33, u"InvalidDateFormat"},
    {8, 33, u"InvalidTimeFormat"},
    {9, 33, u"InvalidTimestampFormat"},
    {10, 33, u"InvalidDatetimeValue"},
    {11, 33, u"InvalidDateValue"},
    {12, 33, u"InvalidTimeValue"},
    {13, 33, u"InvalidTimestampValue"},
    {14, 33, u"InvalidYearMonthIntervalValue"},
    {15, 33, u"InvalidDayHourIntervalValue"},
    {16, 33, u"InvalidDayMinuteIntervalValue"},
    {17, 33, u"InvalidDaySecondIntervalValue"},
    {18, 33, u"InvalidHourMinuteIntervalValue"},
    {19, 33, u"InvalidHourSecondIntervalValue"},
    {20, 33, u"InvalidMinuteSecondIntervalValue"},
    {21, 33, u"InvalidSecondIntervalValue"},
    {22, 33, u"InvalidSingleFieldIntervalValue"},
    {23, 34, u"IntervalArithOverflow"},
    {24, 34, u"DatetimeFieldOverflow"},
    {25, 36, u"IntervalFieldOverflow"},
    {26, 36, u"LeadingPrecisionExceeded"},
    {27, 36, u"FractionalPrecisionExceeded"},
    {28, 37, u"InvalidCharValForCast"},
    {29, 37, u"InvalidGuidValue"},
    {30, 63, u"ConvInvalidData"},
    {31, 63, u"ConvLogicError"},
    {32, 63, u"InvalidArgument"},
    {33, 63, u"InvalidArgumentParam"},
    {34, 63, u"InvalidOperation"},
    {35, 63, u"DataConvAlgorithmError"},
    {36, 63, u"DataConvNotSupported"},
    {37, 63, u"DataConvAlgorithmNotSupported"},
    {38, 63, u"ErrSemaphoreMaxValue"},
    {39, 63, u"ErrSemaphoreInit"},
    {40, 63, u"TDWTypeNotFoundForCType"},
    {41, 63, u"TDWNumericArithmeticError"},
    {42, 63, u"TDWNumericOperationOnInvalid"},
    {43, 63, u"TDWNumericStringError"},
    {44, 63, u"TDWNumericValueError"},
    {45, 63, u"TDWNumericOutOfRangeError"},
    {46, 63, u"TDWTypeNotFoundForSqlType"},
    {47, 63, u"UnexpectedBufferEnd"},
    {48, 63, u"DetectedBufferDescriptorLoop"},
    {49, 63, u"CannotGenerateHandle"},
    {50, 63, u"WarningListenerNotValid"},
    {51, 63, u"PrecLessThanZero"},
    {52, 63, u"MaxPrecisionExceeded"},
    {53, 63, u"ScaleLessThanZero"},
    {54, 63, u"HandleInsertionFailed"},
    {55, 63, u"SQLTDWTypeNotSupported"},
    {56, 63, u"SQLTypeNotSupported"},
    {57, 66, u"InvalidParamSqlDataType"},
    {58, 73, u"OutOfMemoryError"},
    {59, 73, u"OutOfMemToSerialize"},
    {60, 63, u"IntegratedSecurityAuthFailed"},
    {61, 63, u"FailedToAcquireCredentials"},
    {62, 63, u"GSSAPILoadFailed"},
    {63, 63, u"ThreadImpersonationFailed"},
    {64, 63, u"FailedToGetUsername"},
    {65, 63, u"SecurityContextInProgress"},
    {66, 63, u"NoSecurityAPI"},
};

constexpr bool IdsMatchPositions()
{
    for (int32_t i = 0; i < SUPPORT_ERROR_COUNT; ++i) {
        if (SUPPORT_ERRORS[i].id != i) {
            return false;
        }
    }
    return true;
}
static_assert(IdsMatchPositions());

} // namespace

const char* GetSqlState(int32_t diagState)
{
    if (diagState < 0 || diagState >= SQLSTATE_COUNT) {
        return nullptr;
    }
    return SQL_STATES[diagState];
}

const SupportError* GetSupportError(int32_t id)
{
    if (id < 0 || id >= SUPPORT_ERROR_COUNT) {
        return nullptr;
    }
    return &SUPPORT_ERRORS[id];
}

} // namespace Dravo::Support
