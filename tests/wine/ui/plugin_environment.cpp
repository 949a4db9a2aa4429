#include "tests/wine/support/plugin_environment.h"

namespace sonarel::testing {
namespace {

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new PluginEnvironment);

}  // namespace
}  // namespace sonarel::testing
