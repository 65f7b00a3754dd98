// Runs the GoogleTest cases inside a QCoreApplication, or a QApplication when the
// binary links the widgets library, so that Qt services work as in the program.
#include <QCoreApplication>
#include <gtest/gtest.h>

#if __has_include(<QApplication>) && defined(QT_WIDGETS_LIB)
#include <QApplication>
using TestApplication = QApplication;
#else
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Window tests never need a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
