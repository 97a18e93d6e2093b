// Every test of the binary talks to the one server of the binary.
#include "tests/devices/jack_server.h"

namespace {

const auto* const kServer =
    ::testing::AddGlobalTestEnvironment(new tolvane::testing::JackEnvironment);

}  // namespace
