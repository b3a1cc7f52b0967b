#include "service/InterfacePass.h"

#include <cstdio>

#include "service/DeviceId.h"
#include "service/InformationFile.h"
#include "service/QueueRegistration.h"
#include "service/StatusQueries.h"

namespace kv71p::service {

namespace {

void PrintSerial(const PrinterRecord& record) {
  std::printf("serial %s\n", record.serialNo.c_str());
}

// A refused serial number is logged with its reason, once for as long as
// the printer keeps giving the same reason.
void LogRefusal(PrinterRecord* record, SerialRefusal refusal) {
  if (refusal == SerialRefusal::None || refusal == record->loggedRefusal) return;
  record->loggedRefusal = refusal;
  std::printf("ReadSerialNumber: serial number refused (%s); the printer is passed over\n",
              SerialRefusalText(refusal));
}

// One read of the serial number; true when it was read, and at least
// `minimumLength` bytes long.
bool ReadSerialOnce(kv71p::UsbInterface* interface, PrinterRecord* record,
                    const WorkerSettings& settings, int64_t minimumLength) {
  char serial[kSerialSize];
  SerialRefusal refusal = SerialRefusal::None;
  const int64_t length = GetSerialNo(interface, serial, sizeof serial, settings.timeouts, &refusal);
  LogRefusal(record, refusal);
  if (length < minimumLength) return false;
  record->serialNo = serial;
  record->serialKnown = true;
  PrintSerial(*record);
  return true;
}

// The serial number, with one retry after a pause. An empty serial number
// counts as read only at the first attempt.
void ReadSerialNumber(kv71p::UsbInterface* interface, PrinterRecord* record,
                      const WorkerSettings& settings) {
  if (ReadSerialOnce(interface, record, settings, 0)) return;
  if (record->stop.WaitFor(settings.serialRetry)) return;
  ReadSerialOnce(interface, record, settings, 1);
}

void ReadModelName(kv71p::UsbInterface* interface, PrinterRecord* record) {
  uint8_t configuration = 0, number = 0;
  if (interface->GetConfigurationValue(&configuration) != kv71p::kUsbSuccess ||
      interface->GetInterfaceNumber(&number) != kv71p::kUsbSuccess)
    return;
  std::string text, model;
  if (!ReadDeviceIdText(interface, configuration, number, &text)) return;
  if (!FindModelName(text, &model)) return;
  // The name ends at a NUL byte, as a C text would.
  record->model = model.c_str();
  record->modelKnown = true;
}

// Registers the printer's queue when it is still pending and no failed
// lpadmin asks to wait.
void RegisterQueueWhenDue(PrinterRecord* record, const WorkerSettings& settings) {
  if (record->queue != QueueState::Pending) return;
  const auto now = std::chrono::steady_clock::now();
  if (now < record->nextQueueAttempt) return;
  const QueueRegistration result = RegisterQueue(record->serialNo);
  switch (result.outcome) {
    case QueueOutcome::Found:
    case QueueOutcome::Created:
      record->queue = QueueState::Registered;
      break;
    case QueueOutcome::NoSerialNumber:
      record->queue = QueueState::NotWanted;
      std::printf("RegisterQueue: no queue for a printer without a serial number\n");
      break;
    case QueueOutcome::LpadminFailed:
      record->nextQueueAttempt = now + settings.queueRetry;
      std::printf("RegisterQueue: lpadmin for queue %s failed (status %d); trying again in %lld s\n",
                  result.queue.c_str(), result.lpadminStatus,
                  static_cast<long long>(
                      std::chrono::duration_cast<std::chrono::seconds>(settings.queueRetry).count()));
      break;
    case QueueOutcome::NoPrinterList:
      break;  // tried again in the next pass
  }
}

}  // namespace

void PassOverInterface(kv71p::UsbInterface* interface, PrinterRecord* record,
                       const WorkerSettings& settings) {
  if (interface == nullptr || record == nullptr) return;
  if (interface->OpenSeize() != kv71p::kUsbSuccess) return;

  if (!record->serialKnown)
    ReadSerialNumber(interface, record, settings);
  else
    PrintSerial(*record);

  if (!record->modelKnown) ReadModelName(interface, record);

  if (record->serialKnown && record->modelKnown) {
    RegisterQueueWhenDue(record, settings);
    WriteInformationFile(interface, record->serialNo, record->model, record->flagBits,
                         settings.timeouts);
  }
  interface->Close();
}

}  // namespace kv71p::service
