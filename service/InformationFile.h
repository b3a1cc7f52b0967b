// Writing the printer information file "KV-71P_<serial>.log" in the cache
// folder (docs/printer-files.md): the full file, made from the printer's
// answers, and the placeholder of a printer that is gone. The text of the
// full file is also what a print job's per-job file holds.
#pragma once

#include <cstdint>
#include <string>

#include "service/UsbTransport.h"

namespace kv71p::service {

// Longest model name the file carries, in bytes; a longer one is cut
// without splitting a character.
enum : size_t { kModelNameMaxBytes = 127 };

// The full file's text: queries the printer on `interface` and makes the
// lines of the information file of `serialNo` from its answers. `model` is
// the printer's IEEE 1284 model name; `flagBits` (common/PrinterFiles.h)
// decide whether, and when, the total count is asked for. The interface is
// opened once more for this (a nested open by its holder) and closed again.
// False, with `text` untouched, when the interface cannot be opened or the
// serial number cannot name a file.
bool ComposeInformationText(UsbInterface* interface, const std::string& serialNo,
                            const std::string& model, uint32_t flagBits, std::string* text,
                            const TransferTimeouts& timeouts = TransferTimeouts());

// The full writer: queries the printer on `interface` and replaces the
// information file of `serialNo`. `model` is the printer's IEEE 1284 model
// name; `flagBits` (common/PrinterFiles.h) decide whether, and when, the
// total count is asked for. The interface is opened once more for this
// writing (a nested open by its holder) and closed again. Returns false,
// with the previous file left as it is, when the interface cannot be
// opened, the serial number cannot name a file or the file cannot be
// written.
bool WriteInformationFile(UsbInterface* interface, const std::string& serialNo,
                          const std::string& model, uint32_t flagBits,
                          const TransferTimeouts& timeouts = TransferTimeouts());

// The placeholder writer for a printer that is gone: status 99999,
// message 6, every other value empty. Sends nothing to the printer.
// Returns false when the file was not written.
bool WritePlaceholderFile(const std::string& serialNo);

}  // namespace kv71p::service
