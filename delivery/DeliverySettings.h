// The timing of a delivery. The defaults are the product's; tests shorten
// the reconnect bound (the backend reads it from KV71P_RECONNECT_SECONDS).
#pragma once

#include <chrono>

#include "service/UsbTransport.h"

namespace kv71p::delivery {

using std::chrono::milliseconds;

struct DeliverySettings {
  // Between two status queries while the printer cannot take a print.
  milliseconds statusPoll{2000};
  // Between two queries while a print is printing.
  milliseconds printedPoll{500};
  // A print that the printer has not counted while it was ready for this
  // long after its START was not printed (discarded, or cut off by an error
  // that was cleared): it is sent again.
  milliseconds notPrintedGrace{2000};
  // How long a printer that went away (unplugged, no answer) is looked for
  // before the delivery gives up.
  milliseconds reconnectBound{300000};
  // A block the printer takes no byte of for this long: the link counts as lost.
  milliseconds stallBound{60000};
  // Between two looks at the flag files (InformationRefresh).
  milliseconds refreshInterval{1000};
  // The longest sleep between two looks at the cancel request.
  milliseconds step{100};
  // Time-outs of every transfer.
  service::TransferTimeouts timeouts;
  // Whether the delivery answers the flag files with the printer's
  // information file while it holds the printer.
  bool refreshInformationFile = true;
};

}  // namespace kv71p::delivery
