// Guards the comma-decimal test runs: an unknown locale name silently leaves the
// classic "C" locale in force, and the tests would then prove nothing. Exits non-zero
// unless the environment's locale is active and writes "," as its decimal point.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <locale>
#include <stdexcept>

int main()
{
    const char* name = std::setlocale(LC_ALL, "");
    if (!name) {
        std::fprintf(stderr, "locale_probe: the locale named by the environment is not installed\n");
        return 1;
    }
    const char* point = std::localeconv()->decimal_point;
    if (std::strcmp(point, ",") != 0) {
        std::fprintf(stderr, "locale_probe: locale %s has decimal point \"%s\", not \",\"\n", name, point);
        return 1;
    }
    try {
        if (std::use_facet<std::numpunct<char>>(std::locale("")).decimal_point() != ',')
            throw std::runtime_error("no comma");
    } catch (const std::runtime_error&) {
        std::fprintf(stderr, "locale_probe: the C++ locale %s has no comma decimal point\n", name);
        return 1;
    }
    std::printf("locale_probe: %s, decimal point \",\"\n", name);
    return 0;
}
