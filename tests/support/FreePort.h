// A TCP port on loopback for a test's server.
#pragma once

namespace kv71p::test {

// A port on loopback that nothing listens on now (0 when none was found).
int FreePort();

}  // namespace kv71p::test
