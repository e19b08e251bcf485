// Test entry point: adopts the environment's locale first, as an application would,
// so that a comma-decimal locale in LC_ALL really reaches every C and C++ number routine.
#include <clocale>
#include <locale>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    try {
        std::locale::global(std::locale(""));
    } catch (const std::runtime_error&) {
        // Unknown locale name: the classic one stays; the locale guard test reports it.
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
