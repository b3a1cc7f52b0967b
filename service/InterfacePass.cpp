#include "service/InterfacePass.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "service/DeviceId.h"
#include "service/InformationFile.h"
#include "service/QueueRegistration.h"
#include "service/StatusQueries.h"

namespace kv71p::service {

namespace {

void PrintSerial(const thdata* record) { std::printf("serial %s\n", record->serialNo); }

// The serial number, with one retry a second later. An empty serial number
// counts as read only at the first attempt.
void ReadSerialNumber(kv71p::UsbInterface* interface, thdata* record,
                      const TransferTimeouts& timeouts) {
  if (GetSerialNo(interface, record->serialNo, sizeof record->serialNo, timeouts) >= 0) {
    PrintSerial(record);
    record->serialKnown = 1;
    return;
  }
  sleep(kSerialRetrySleepSeconds);
  if (GetSerialNo(interface, record->serialNo, sizeof record->serialNo, timeouts) > 0) {
    PrintSerial(record);
    record->serialKnown = 1;
  }
}

void ReadModelName(kv71p::UsbInterface* interface, thdata* record) {
  uint8_t configuration = 0, number = 0;
  if (interface->GetConfigurationValue(&configuration) != kv71p::kUsbSuccess ||
      interface->GetInterfaceNumber(&number) != kv71p::kUsbSuccess)
    return;
  std::string text, model;
  if (!ReadDeviceIdText(interface, configuration, number, &text)) return;
  if (!FindModelName(text, &model)) return;
  model = CutUtf8(model, sizeof record->model - 1);
  std::memcpy(record->model, model.c_str(), model.size() + 1);
  record->modelKnown = 1;
}

}  // namespace

void dealWithInterface(kv71p::UsbInterface* interface, thdata* record,
                       const TransferTimeouts& timeouts) {
  if (interface == nullptr || record == nullptr) return;
  if (interface->OpenSeize() != kv71p::kUsbSuccess) return;

  if (!record->serialKnown)
    ReadSerialNumber(interface, record, timeouts);
  else
    PrintSerial(record);

  if (!record->modelKnown) ReadModelName(interface, record);

  if (record->serialKnown && record->modelKnown) {
    if (!record->queueRegistered) RegisterQueue(record);
    WriteFile(interface, record, timeouts);
  }
  interface->Close();
}

}  // namespace kv71p::service
