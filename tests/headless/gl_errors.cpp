// Every headless test runs on debug contexts: an OpenGL error the driver
// reports fails the test that caused it, with the driver's message.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <string>

#include "d3d9/gl_context.h"
#include "headless_device.h"

namespace {

void FailTest(const char *message) { ADD_FAILURE() << "OpenGL error: " << message; }

struct GLErrorsFail : testing::Environment {
    void SetUp() override { SetGLErrorHandler(FailTest); }
};

const testing::Environment *const Installed = testing::AddGlobalTestEnvironment(new GLErrorsFail);

std::string Reported;
void Record(const char *message) { Reported += message; }

// The driver does report, on the device's context, at the failing call.
TEST(GLErrors, AnErrorOnTheDevicesContextReachesTheHandler) {
    HeadlessDevice d;
    ASSERT_TRUE(d.Create(16, 16));
    SetGLErrorHandler(Record);
    Reported.clear();
    glEnable(0x7FFF);  // no such capability
    SetGLErrorHandler(FailTest);
    EXPECT_FALSE(Reported.empty());
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);
}

}  // namespace
