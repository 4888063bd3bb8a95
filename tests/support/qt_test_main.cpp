// The main of the test programs whose code needs an event loop (the BlueZ adapter's signals, the
// runtime's queued messages): one QCoreApplication for every test.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
