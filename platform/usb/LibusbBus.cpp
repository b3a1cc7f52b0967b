// The bus on real hardware, through libusb-1.0.
//
// Hot-plug: a callback for the printer's vendor and product id, registered
// with the enumerate flag so printers already attached are reported too.
// The callback runs inside libusb's event handling and holds its event
// lock, which a worker's transfer needs; so it only queues the device, and
// WaitForEvents hands the queue to the caller after libusb returns. Where
// libusb has no hot-plug support, the device list is compared once per wait.
//
// Transfers are synchronous libusb calls; they stand in for the
// asynchronous transfer, its completion callback and the run-loop wait.
#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "platform/usb/UsbBus.h"

namespace kv71p {

namespace {

int FromLibusb(int r) {
  if (r >= 0) return kUsbSuccess;
  switch (r) {
    case LIBUSB_ERROR_IO: return kUsbErrorIo;
    case LIBUSB_ERROR_INVALID_PARAM: return kUsbErrorInvalidParam;
    case LIBUSB_ERROR_ACCESS: return kUsbErrorAccess;
    case LIBUSB_ERROR_NO_DEVICE: return kUsbErrorNoDevice;
    case LIBUSB_ERROR_NOT_FOUND: return kUsbErrorNotFound;
    case LIBUSB_ERROR_BUSY: return kUsbErrorBusy;
    case LIBUSB_ERROR_TIMEOUT: return kUsbErrorTimeout;
    case LIBUSB_ERROR_OVERFLOW: return kUsbErrorOverflow;
    case LIBUSB_ERROR_PIPE: return kUsbErrorPipe;
    case LIBUSB_ERROR_INTERRUPTED: return kUsbErrorInterrupted;
    case LIBUSB_ERROR_NO_MEM: return kUsbErrorNoMemory;
    case LIBUSB_ERROR_NOT_SUPPORTED: return kUsbErrorNotSupported;
    default: return kUsbErrorOther;
  }
}

// The open handle of one device, shared by the device and its interfaces.
struct Handle {
  explicit Handle(libusb_device_handle* h) : handle(h) {}
  ~Handle() { libusb_close(handle); }
  libusb_device_handle* handle;
};

class LibusbInterface : public UsbInterface {
 public:
  LibusbInterface(const UsbInterfaceInfo& info, std::shared_ptr<Handle> handle,
                  int inPacketSize)
      : UsbInterface(info), handle_(std::move(handle)),
        inPacketSize_(inPacketSize > 0 ? inPacketSize : 64) {}
  ~LibusbInterface() override {
    while (OpenCount() > 0) Close();
  }

 protected:
  // libusb detaches the kernel's printer driver (auto-detach is on for the
  // handle) and claims the interface; a claim held by another process's
  // handle fails with LIBUSB_ERROR_BUSY and is left alone.
  int Claim() override { return FromLibusb(libusb_claim_interface(handle_->handle, Info().number)); }
  int Release() override {
    carry_.clear();
    return FromLibusb(libusb_release_interface(handle_->handle, Info().number));
  }

  int DoControl(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                unsigned char* data, uint16_t length, int* lengthDone,
                unsigned timeoutMs) override {
    const int r = libusb_control_transfer(handle_->handle, requestType, request, value, index,
                                          data, length, timeoutMs);
    if (r >= 0) *lengthDone = r;
    return FromLibusb(r);
  }

  int DoBulkOut(uint8_t endpoint, const unsigned char* data, int count, int* transferred,
                unsigned timeoutMs) override {
    // A new command: bytes left over from the previous answer are stale.
    carry_.clear();
    return FromLibusb(libusb_bulk_transfer(handle_->handle, endpoint,
                                           const_cast<unsigned char*>(data), count, transferred,
                                           timeoutMs));
  }

  // The printer may send an answer's header and payload in one packet
  // while the transport reads them in two steps. A read of fewer bytes than
  // a packet would overflow, so reads are made in whole packets and what
  // the caller did not ask for is kept for its next read.
  //
  // Kept bytes that end a transfer the printer closed with a short packet
  // are all there is of its answer: a read they do not fill gets them alone
  // and at once, as that transfer did. Asking the bus for more would wait
  // out the whole time-out for bytes that were never sent.
  int DoBulkIn(uint8_t endpoint, unsigned char* data, int count, int* transferred,
               unsigned timeoutMs) override {
    int done = static_cast<int>(std::min<size_t>(carry_.size(), static_cast<size_t>(count)));
    std::copy(carry_.begin(), carry_.begin() + done, data);
    carry_.erase(carry_.begin(), carry_.begin() + done);
    if (done == count || (done > 0 && carryEndsTransfer_)) {
      *transferred = done;
      return kUsbSuccess;
    }
    const int want = count - done;
    const int rounded = (want + inPacketSize_ - 1) / inPacketSize_ * inPacketSize_;
    std::vector<unsigned char> bounce(static_cast<size_t>(rounded));
    int got = 0;
    const int r =
        libusb_bulk_transfer(handle_->handle, endpoint, bounce.data(), rounded, &got, timeoutMs);
    const int used = std::min(got, want);
    std::copy(bounce.begin(), bounce.begin() + used, data + done);
    carry_.assign(bounce.begin() + used, bounce.begin() + got);
    carryEndsTransfer_ = got < rounded;
    *transferred = done + used;
    return FromLibusb(r);
  }

 private:
  std::shared_ptr<Handle> handle_;
  int inPacketSize_;
  std::vector<unsigned char> carry_;
  bool carryEndsTransfer_ = false;
};

class LibusbDevice : public UsbDevice {
 public:
  LibusbDevice(uint64_t id, libusb_device* device) : UsbDevice(id), device_(device) {
    libusb_ref_device(device_);
  }
  ~LibusbDevice() override {
    handle_.reset();
    libusb_unref_device(device_);
  }

 protected:
  int DoOpen() override {
    libusb_device_handle* h = nullptr;
    const int r = libusb_open(device_, &h);
    if (r != 0) return FromLibusb(r);
    libusb_set_auto_detach_kernel_driver(h, 1);
    handle_ = std::make_shared<Handle>(h);
    return kUsbSuccess;
  }

  int DoClose() override {
    handle_.reset();  // interfaces still holding it keep it alive
    return kUsbSuccess;
  }

  int DoGetInterfaces(std::vector<std::unique_ptr<UsbInterface>>* interfaces) override {
    if (!handle_) return kUsbErrorAccess;
    libusb_config_descriptor* config = nullptr;
    const int r = libusb_get_active_config_descriptor(device_, &config);
    if (r != 0) return FromLibusb(r);
    for (int i = 0; i < config->bNumInterfaces; ++i) {
      const libusb_interface& itf = config->interface[i];
      if (itf.num_altsetting < 1) continue;
      const libusb_interface_descriptor& d = itf.altsetting[0];
      UsbInterfaceInfo info;
      info.number = d.bInterfaceNumber;
      info.alternateSetting = d.bAlternateSetting;
      info.configurationValue = config->bConfigurationValue;
      info.interfaceClass = d.bInterfaceClass;
      info.interfaceSubClass = d.bInterfaceSubClass;
      info.interfaceProtocol = d.bInterfaceProtocol;
      int inPacket = 0;
      for (int e = 0; e < d.bNumEndpoints; ++e) {
        const libusb_endpoint_descriptor& ep = d.endpoint[e];
        info.endpoints.push_back({ep.bEndpointAddress, ep.bmAttributes});
        uint8_t in = 0;
        if (inPacket == 0 && FindPipeEndpoint(info, kUsbPipeIn, &in) && in == ep.bEndpointAddress)
          inPacket = ep.wMaxPacketSize & 0x7FF;
      }
      interfaces->push_back(std::make_unique<LibusbInterface>(info, handle_, inPacket));
    }
    libusb_free_config_descriptor(config);
    return kUsbSuccess;
  }

 private:
  libusb_device* device_;
  std::shared_ptr<Handle> handle_;
};

class LibusbBus : public UsbBus {
 public:
  ~LibusbBus() override {
    if (context_ == nullptr) return;
    if (registered_) libusb_hotplug_deregister_callback(context_, callback_);
    {
      std::lock_guard<std::mutex> lock(queueMutex_);
      for (auto& q : queue_) libusb_unref_device(q.second);
      queue_.clear();
    }
    known_.clear();
    libusb_exit(context_);
  }

  int StartWatching(uint16_t vendorId, uint16_t productId) override {
    if (context_ == nullptr) {
      const int r = libusb_init(&context_);
      if (r != 0) {
        context_ = nullptr;
        return FromLibusb(r);
      }
    }
    vendor_ = vendorId;
    product_ = productId;
    if (!libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
      polling_ = true;
      return kUsbSuccess;
    }
    const int r = libusb_hotplug_register_callback(
        context_,
        static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                          LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
        LIBUSB_HOTPLUG_ENUMERATE, vendorId, productId, LIBUSB_HOTPLUG_MATCH_ANY, &LibusbBus::OnHotplug,
        this, &callback_);
    if (r != LIBUSB_SUCCESS) return FromLibusb(r);
    registered_ = true;
    return kUsbSuccess;
  }

  int WaitForEvents(int timeoutMs, std::vector<UsbEvent>* events) override {
    if (events == nullptr) return kUsbErrorInvalidParam;
    events->clear();
    if (context_ == nullptr) return kUsbErrorInvalidParam;
    if (polling_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::max(timeoutMs, 0)));
      Poll();
    } else {
      timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
      const int r = libusb_handle_events_timeout_completed(context_, &tv, nullptr);
      if (r != 0 && r != LIBUSB_ERROR_INTERRUPTED) return FromLibusb(r);
    }
    std::vector<std::pair<UsbEventKind, libusb_device*>> taken;
    {
      std::lock_guard<std::mutex> lock(queueMutex_);
      taken.swap(queue_);
    }
    for (auto& q : taken) {
      auto it = known_.find(q.second);
      if (q.first == UsbEventKind::Arrived && it == known_.end()) {
        auto device = std::make_shared<LibusbDevice>(++lastId_, q.second);
        known_[q.second] = device;
        events->push_back({UsbEventKind::Arrived, device});
      } else if (q.first == UsbEventKind::Left && it != known_.end()) {
        events->push_back({UsbEventKind::Left, it->second});
        known_.erase(it);
      }
      libusb_unref_device(q.second);
    }
    return kUsbSuccess;
  }

 private:
  static int LIBUSB_CALL OnHotplug(libusb_context*, libusb_device* device,
                                   libusb_hotplug_event event, void* self) {
    static_cast<LibusbBus*>(self)->Queue(event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED
                                             ? UsbEventKind::Arrived
                                             : UsbEventKind::Left,
                                         device);
    return 0;
  }

  void Queue(UsbEventKind kind, libusb_device* device) {
    libusb_ref_device(device);
    std::lock_guard<std::mutex> lock(queueMutex_);
    queue_.emplace_back(kind, device);
  }

  // Without hot-plug support: compare the device list with the known set.
  void Poll() {
    libusb_device** list = nullptr;
    const ssize_t n = libusb_get_device_list(context_, &list);
    if (n < 0) return;
    std::set<libusb_device*> present;
    for (ssize_t i = 0; i < n; ++i) {
      libusb_device_descriptor d;
      if (libusb_get_device_descriptor(list[i], &d) != 0) continue;
      if (d.idVendor != vendor_ || d.idProduct != product_) continue;
      present.insert(list[i]);
      if (known_.find(list[i]) == known_.end()) Queue(UsbEventKind::Arrived, list[i]);
    }
    for (auto& k : known_)
      if (present.find(k.first) == present.end()) Queue(UsbEventKind::Left, k.first);
    libusb_free_device_list(list, 1);
  }

  libusb_context* context_ = nullptr;
  libusb_hotplug_callback_handle callback_ = 0;
  bool registered_ = false;
  bool polling_ = false;
  uint16_t vendor_ = 0;
  uint16_t product_ = 0;
  uint64_t lastId_ = 0;
  std::mutex queueMutex_;
  std::vector<std::pair<UsbEventKind, libusb_device*>> queue_;
  std::map<libusb_device*, std::shared_ptr<LibusbDevice>> known_;
};

}  // namespace

std::unique_ptr<UsbBus> CreateLibusbBus() { return std::make_unique<LibusbBus>(); }

}  // namespace kv71p
