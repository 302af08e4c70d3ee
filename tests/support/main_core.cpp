#include <QCoreApplication>

#include <gtest/gtest.h>

// Tests leave programs and windows to the end of the process on purpose; leak reports of
// the sanitized build would only hide the failures that matter.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
