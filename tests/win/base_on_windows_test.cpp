// The portable core built for Windows must behave as on the host, and the test programs must see
// the WOW64 system the engine runs in under the test prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include "engine/script/compiled_script.h"
#include "engine/script/script_error.h"

namespace kel {
namespace {

TEST(WindowsBuild, RunsUnderWow64) {
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    EXPECT_TRUE(wow64) << "the test prefix is expected to be 64-bit";
}

TEST(WindowsBuild, LoaderRejectsTruncatedScript) {
    ScriptModel model;
    EXPECT_THROW(LoadScript("Comment\r\n$\r\n", model), ScriptError);
}

}  // namespace
}  // namespace kel
