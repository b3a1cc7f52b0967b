// Queue creation with lpadmin, started without a shell.
#pragma once

#include <string>
#include <vector>

namespace kv71p::service {

// The arguments (after the program name) that create the queue for a
// printer: the base queue "KORVALE_SYSTEMS_KV_71P" for `number` 0, else
// "KORVALE_SYSTEMS_KV_71P_<number>" with the number after the description.
// The PPD is named by its model name under the CUPS model folder.
std::vector<std::string> LpadminArguments(int number, const std::string& serialNo);

// Runs "lpadmin" (found through PATH) with `arguments` as they stand: no
// shell sees them, so no character of a serial number is interpreted.
// Waits for it to end. Returns its exit status, or -1 when it could not be
// started or did not end normally.
int RunLpadmin(const std::vector<std::string>& arguments);

}  // namespace kv71p::service
