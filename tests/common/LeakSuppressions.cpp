// Linked into test programs that connect through the ODBC driver manager: the
// leak checker of a sanitizer build reads the suppressions of tests/lsan.supp,
// which the tests' environment does not name. Unused in other builds.

extern "C" const char* __lsan_default_options();

extern "C" const char* __lsan_default_options()
{
    return "suppressions=" DRAVO_LSAN_SUPPRESSIONS;
}
