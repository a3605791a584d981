#include <gtest/gtest.h>

#include <QApplication>

#include "controls/fonts.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    dravesse::RegisterGothicSubstitution();
    return RUN_ALL_TESTS();
}
