// Turns print streams received by an emulated printer into pictures: for
// each print, its three planes as grey PNG files and a colour preview.
#pragma once

#include <string>

namespace kv71p::emulator {

// Renders every print of `stream` into `folder` as
// "<prefix>-print<k>-yellow.png", "-magenta.png", "-cyan.png" and
// "-preview.png", k counting from `firstNumber`. Returns the number of
// prints, or -1 with `message` set when the stream is malformed or a file
// cannot be written.
int RenderPrints(const std::string& stream, const std::string& folder, const std::string& prefix,
                 unsigned firstNumber, std::string* message);

}  // namespace kv71p::emulator
