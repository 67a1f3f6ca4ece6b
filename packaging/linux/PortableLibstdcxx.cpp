// Debian's static ICU was compiled against GCC 12's libstdc++, which gave
// condition_variable::wait a new symbol version (GLIBCXX_3.4.30) that GCC 11's
// libstdc++ on Red Hat 9 lacks. The same function is still there under its
// first version; ICU's calls reach it through this, which stays in the binary.
extern "C" {
void dravo_wait_first_version(void* condition, void* lock);
__asm__(".symver dravo_wait_first_version,_ZNSt18condition_variable4waitERSt11unique_lockISt5mutexE@GLIBCXX_3.4.11");

[[gnu::visibility("hidden")]] void _ZNSt18condition_variable4waitERSt11unique_lockISt5mutexE(
    void* condition, void* lock)
{
    dravo_wait_first_version(condition, lock);
}
}
