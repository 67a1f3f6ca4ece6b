#include "support/EncodingTable.h"

namespace Dravo::Support {
namespace {

constexpr const char* ENCODING_NAMES[ENCODING_COUNT] = {
    "UTF-8", "UTF-16LE", "UTF-16BE", "UTF-32LE", "UTF-32BE",
    "latin1", "cp1252", "US-ASCII", "ISO-8859-2", "ISO-8859-3", "ISO-8859-4", "ISO-8859-5",
    "ISO-8859-6", "ISO-8859-7", "ISO-8859-8", "ISO-8859-9", "ISO-8859-10", "JIS_Encoding",
    "SHIFT-JIS", "EUC-JP", "ISO-646-IRV", "KS-C-5601", "ISO-2022-KR", "EUC-KR", "ISO-2022-JP",
    "ISO-2022-JP-2", "GB-2312", "ISO-2022-CN", "ISO-2022-CN-EXT", "ISO-8859-13", "ISO-8859-14",
    "ISO-8859-15", "GBK", "HP-ROMAN8", "CP850", "IBM852", "IBM437", "Windows-31J", "GB2312",
    "BIG5", "macintosh", "IBM037", "IBM273", "IBM277", "IBM278", "IBM280", "IBM284", "IBM285",
    "IBM290", "IBM297", "IBM420", "IBM424", "IBM500", "IBM851", "IBM855", "IBM857", "IBM860",
    "IBM861", "IBM863", "IBM864", "IBM865", "IBM869", "IBM870", "IBM871", "IBM918", "IBM1026",
    "KOI8-R", "HZ-GB-2312", "IBM866", "IBM775", "IBM00858", "IBM01140", "IBM01141", "IBM01142",
    "IBM01143", "IBM01144", "IBM01145", "IBM01146", "IBM01147", "IBM01148", "IBM01149",
    "IBM1047", "windows-1250", "windows-1251", "windows-1253", "windows-1254", "windows-1255",
    "windows-1256", "windows-1257", "windows-1258", "TIS-620", "windows-949", "windows-936",
    "windows-950", "ibm-1250", "ibm-5346", "ibm-1251", "ibm-5347", "ibm-1252", "ibm-5348",
    "ibm-1253", "ibm-5349", "ibm-1254", "ibm-5350", "ibm-9447", "ibm-5351", "ibm-9448",
    "ibm-5352", "ibm-9449", "ibm-5353", "ibm-1258", "ibm-5354", "MS874", "ibm-874",
    "windows-949-2000", "ibm-1363", "windows-936-2000", "ibm-1386", "windows-950-2000",
    "ibm-1373",
};

} // namespace

const char* GetEncodingName(EncodingType encoding)
{
    if (encoding < 0 || encoding >= ENCODING_COUNT) {
        return nullptr;
    }
    return ENCODING_NAMES[encoding];
}

} // namespace Dravo::Support
