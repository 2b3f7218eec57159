// The window tests run on Qt's offscreen platform, with the program's settings kept in a
// folder of their own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>

#include "gui/LanguageTranslator.h"
#include "support/TestPaths.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Listing the tests (at build time) needs no windows.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TunevarnTests"));
    QCoreApplication::setApplicationName(QStringLiteral("Tunevarn"));
    CLanguageTranslator translator;
    QCoreApplication::installTranslator(&translator);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(testpaths::TempDir("gui-settings")));
    return RUN_ALL_TESTS();
}
