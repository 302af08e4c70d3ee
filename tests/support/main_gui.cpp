#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// After every test no window may be left open: a dialog or message box that stays up
// would hang a real user's session.
class NoWindowLeftOpen final : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible()) {
                ADD_FAILURE() << "window left open: " << w->objectName().toStdString() << " ("
                              << w->metaObject()->className() << ")";
                w->close();
            }
        }
    }
};

} // namespace

// Tests leave programs and windows to the end of the process on purpose; leak reports of
// the sanitized build would only hide the failures that matter.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

int main(int argc, char** argv)
{
    // Test discovery runs the binary without the test's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new NoWindowLeftOpen);
    return RUN_ALL_TESTS();
}
