#include "printerapp/UsbJobLink.h"

#include <chrono>

#include "common/Kv71pConfig.h"

namespace kv71p::printerapp {

namespace {

delivery::DeliverySettings JobDeliverySettings() {
  delivery::DeliverySettings settings;
  // Long enough to stand for "as long as the job lives".
  settings.reconnectBound = std::chrono::hours(24 * 365);
  return settings;
}

}  // namespace

UsbJobLink::UsbJobLink(const std::string& serialNo, JobObserver& observer)
    : serialNo_(serialNo),
      observer_(observer),
      lock_(serialNo),
      link_(CreateUsbBus(), serialNo, KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID),
      delivery_(link_, observer, JobDeliverySettings()) {}

StepResult UsbJobLink::EndOfStep(delivery::DeliveryResult result) {
  switch (result) {
    case delivery::DeliveryResult::Done:
      return StepResult::Done;
    case delivery::DeliveryResult::Cancelled:
      return StepResult::Canceled;
    case delivery::DeliveryResult::PrinterGone:
      observer_.Say("printer " + serialNo_ + " did not come back", PAPPL_LOGLEVEL_ERROR);
      break;
    case delivery::DeliveryResult::Refused:
      observer_.Say("printer " + serialNo_ + " cannot be opened", PAPPL_LOGLEVEL_ERROR);
      break;
    case delivery::DeliveryResult::Stopped:
      observer_.Say("system error " + std::to_string(delivery_.status()) +
                        ": switch the printer off and on",
                    PAPPL_LOGLEVEL_ERROR);
      break;
    case delivery::DeliveryResult::NotPrinted:
      observer_.Say("the printer did not print the print", PAPPL_LOGLEVEL_ERROR);
      break;
  }
  return StepResult::Failed;
}

StepResult UsbJobLink::Prepare(filter::PerJobValues* loadedMedia) {
  const delivery::LockAttempt attempt =
      lock_.Take([this] { return observer_.CancelRequested(); },
                 [this] { observer_.Say("waiting for printer " + serialNo_ + ": another program is using it"); });
  if (attempt == delivery::LockAttempt::Cancelled) return StepResult::Canceled;
  if (attempt == delivery::LockAttempt::Unavailable)
    observer_.Log("No hand-over lock (" + lock_.failure() + "); printing without it.");
  const delivery::DeliveryResult opened = delivery_.Open();
  if (opened != delivery::DeliveryResult::Done) return EndOfStep(opened);
  PrinterReading reading;
  if (ReadPrinter(link_.interface(), serialNo_, link_.identity().model, service::TransferTimeouts(),
                  &reading)) {
    observer_.OnReading(reading);
    *loadedMedia = reading.loadedMedia;
  }
  return StepResult::Done;
}

StepResult UsbJobLink::SendPrint(const delivery::Print& print) {
  return EndOfStep(delivery_.Deliver(print));
}

}  // namespace kv71p::printerapp
