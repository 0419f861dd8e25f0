// GoogleTest main for tests that need real Qt widgets: one QApplication for the whole run,
// created only when tests run (listing them needs no display), on the offscreen platform
// unless another one is asked for.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

class QtApplication : public ::testing::Environment {
  public:
    QtApplication(int& argc, char** argv) : argc_(argc), argv_(argv) {}

    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

  private:
    int& argc_;
    char** argv_;
    std::unique_ptr<QApplication> application_;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new QtApplication(argc, argv));
    return RUN_ALL_TESTS();
}
