#include "tests/usbmock/UsbdevfsPrinter.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <deque>
#include <future>
#include <map>

#include "platform/usb/EmulatorConnection.h"
#include "platform/usb/EmulatorWire.h"

namespace kv71p::test {

namespace {

constexpr int kReplyTimeoutMs = 10000;
// What a kernel with an xHCI controller offers: one URB per transfer.
constexpr uint32_t kCapabilities = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                   USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                   USBDEVFS_CAP_BULK_SCATTER_GATHER;
constexpr guint kEmptyReapPauseMs = 2;

template <typename... Numbers>
std::string Line(const char* verb, Numbers... numbers) {
  std::string line = verb;
  ((line += " " + std::to_string(numbers)), ...);
  return line;
}

unsigned InterfaceOf(unsigned endpoint) { return ((endpoint & 0x7F) - 1) / 2; }

// The errno of an emulator's reply (0 for "OK"), and the status of a URB
// it finished (a printer gone ends a URB as the kernel does).
int ErrnoOf(const std::vector<std::string>& w) {
  static const std::map<std::string, int> errors = {
      {"busy", EBUSY}, {"no-device", ENODEV}, {"not-found", EINVAL}, {"pipe", EPIPE}};
  const auto it = errors.find(w.size() > 1 ? w[1] : "");
  return w[0] == "OK" ? 0 : it == errors.end() ? EPROTO : it->second;
}
int StatusOf(const std::vector<std::string>& w) {
  return ErrnoOf(w) == ENODEV ? -ESHUTDOWN : -ErrnoOf(w);
}

// The unsigned int a request's argument points to, read or written.
unsigned Fetch(UMockdevIoctlData* arg, const unsigned* store = nullptr) {
  unsigned value = 0;
  if (UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof value, nullptr)) {
    if (store != nullptr) std::memcpy(data->data, store, sizeof value);
    std::memcpy(&value, data->data, sizeof value);
    g_object_unref(data);
  }
  return value;
}

gboolean AnswerTryAgain(gpointer client) {
  umockdev_ioctl_client_complete(UMOCKDEV_IOCTL_CLIENT(client), -1, EAGAIN);
  return G_SOURCE_REMOVE;
}

}  // namespace

std::string PrinterDescriptors(uint16_t vendorId, uint16_t productId, int interfaces) {
  std::string d;
  auto put = [&d](std::initializer_list<int> bytes) {
    for (int b : bytes) d += static_cast<char>(b);
  };
  put({18, 1, 0x00, 0x02, 0, 0, 0, 64, vendorId & 0xFF, vendorId >> 8, productId & 0xFF,
       productId >> 8, 0x00, 0x01, 1, 2, 3, 1});  // USB 2.0, one configuration
  const int total = 9 + 23 * interfaces;
  put({9, 2, total & 0xFF, total >> 8, interfaces, 1, 0, 0xC0, 50});  // configuration 1
  for (int n = 0; n < interfaces; ++n) {
    put({9, 4, n, 0, 2, 7, 1, 2, 0});             // printer class, bidirectional
    put({7, 5, 0x01 + 2 * n, 2, 0x00, 0x02, 0});  // bulk OUT
    put({7, 5, 0x82 + 2 * n, 2, 0x00, 0x02, 0});  // bulk IN
  }
  return d;
}

// One open file of the node: its holder at the emulator and its URBs.
struct UsbdevfsPrinter::Client {
  struct Urb {
    UMockdevIoctlData* data;  // the client's usbdevfs_urb, its buffer resolved
    bool done;
    usbdevfs_urb* urb() const { return reinterpret_cast<usbdevfs_urb*>(data->data); }
  };
  EmulatorConnection link;
  bool gone = false;     // the printer left
  std::deque<Urb> urbs;  // submitted and not reaped, oldest first

  ~Client() {
    for (Urb& u : urbs) g_object_unref(u.data);
  }

  // One bus request, the reply's words; a lost emulator is a printer gone.
  std::vector<std::string> Call(const std::string& line, const void* data = nullptr,
                                size_t size = 0) {
    std::string reply;
    std::vector<std::string> w;
    if (!link.Request(line, data, size, &reply, kReplyTimeoutMs) || !wire::SplitWords(reply, &w) ||
        w.empty())
      w = {"ERR", "no-device"};
    if (w.size() > 1 && w[1] == "no-device") gone = true;
    return w;
  }

  // Carries `urb` out with one request; false for a bulk IN that finds
  // no answer bytes queued (tried again at the next reap).
  bool Carry(usbdevfs_urb* urb) {
    auto* buffer = static_cast<unsigned char*>(urb->buffer);
    const bool control = urb->type == USBDEVFS_URB_TYPE_CONTROL;
    const bool in = control ? (buffer[0] & 0x80) != 0 : (urb->endpoint & 0x80) != 0;
    const unsigned itf = InterfaceOf(urb->endpoint),
                   length = static_cast<unsigned>(urb->buffer_length);
    std::vector<std::string> w;
    if (control)  // the printer class names the interface in the index's high byte
      w = Call(Line("control", buffer[5], buffer[0], buffer[1], buffer[2] | buffer[3] << 8,
                    buffer[4] | buffer[5] << 8, buffer[6] | buffer[7] << 8, 5000));
    else if (in)
      w = Call(Line("bulkin", itf, urb->endpoint, length, 0));
    else
      w = Call(Line("bulkout-raw", itf, urb->endpoint, 5000, length), buffer, length);
    if (w[0] == "TIMEOUT") return false;
    std::string answer;
    unsigned long count = 0;
    urb->status = StatusOf(w);
    if (urb->status == 0 && w.size() > 1 &&
        !(in ? wire::HexDecode(w[1], &answer) : wire::ParseNumber(w[1], length, &count)))
      urb->status = -EPROTO;
    const size_t offset = control ? 8 : 0;  // behind the setup packet
    answer.resize(std::min<size_t>(answer.size(), length - offset));
    if (!answer.empty()) std::memcpy(buffer + offset, answer.data(), answer.size());
    urb->actual_length = static_cast<int>(in ? answer.size() : count);
    return true;
  }

  // Takes a URB and carries it out at once, unless it is a bulk IN that
  // finds no answer bytes queued.
  int Submit(UMockdevIoctlData* arg) {
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    if (data == nullptr) return EFAULT;
    auto* urb = reinterpret_cast<usbdevfs_urb*>(data->data);
    // From here on urb->buffer is a local copy, written back when reaped.
    UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(data, offsetof(usbdevfs_urb, buffer),
                                                            urb->buffer_length, nullptr);
    const bool usable = urb->type == USBDEVFS_URB_TYPE_BULK
                            ? buffer != nullptr || urb->buffer_length == 0
                            : urb->type == USBDEVFS_URB_TYPE_CONTROL && buffer != nullptr &&
                                  urb->buffer_length >= 8;
    if (buffer != nullptr) g_object_unref(buffer);
    urb->status = 0;
    urb->actual_length = 0;
    const bool done = usable && Carry(urb);
    // The kernel refuses URBs for a device that is gone.
    const int error = !usable ? EINVAL : gone ? ENODEV : 0;
    if (error != 0) {
      g_object_unref(data);
      return error;
    }
    urbs.push_back({data, done});
    return 0;
  }

  // Hands the oldest finished URB back to libusb; false when none is.
  bool Reap(UMockdevIoctlData* arg) {
    for (Urb& u : urbs)
      if (!u.done) u.done = Carry(u.urb());
    const auto it = std::find_if(urbs.begin(), urbs.end(), [](const Urb& u) { return u.done; });
    if (it == urbs.end()) return false;
    UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
    if (slot == nullptr) return false;
    umockdev_ioctl_data_set_ptr(slot, 0, it->data);
    g_object_unref(slot);
    g_object_unref(it->data);
    urbs.erase(it);
    return true;
  }

  // Cancels a URB (libusb's time-out): it is reaped as discarded.
  int Discard(unsigned long address) {
    for (Urb& u : urbs)
      if (u.data->client_addr == address && !u.done) {
        u.urb()->status = -ENOENT;
        u.urb()->actual_length = 0;
        u.done = true;
        return 0;
      }
    return EINVAL;
  }
};

UsbdevfsPrinter::UsbdevfsPrinter(std::string socketPath, unsigned printerId)
    : socketPath_(std::move(socketPath)),
      printerId_(printerId),
      handler_(umockdev_ioctl_base_new()) {
  g_signal_connect(handler_, "client-connected", G_CALLBACK(&OnConnected), this);
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&OnIoctl), this);
}

UsbdevfsPrinter::~UsbdevfsPrinter() {
  // On umockdev's thread, so that no request is being answered meanwhile.
  std::promise<void> done;
  auto shutDown = [this, &done] {
    g_signal_handlers_disconnect_by_data(handler_, this);
    for (const auto& client : clients_) g_object_weak_unref(G_OBJECT(client.first), &OnGone, this);
    clients_.clear();
    done.set_value();
  };
  auto run = [](gpointer job) {
    return (*static_cast<decltype(shutDown)*>(job))(), G_SOURCE_REMOVE;
  };
  if (GMainContext* worker = worker_.load()) {
    g_main_context_invoke(worker, run, &shutDown);
    done.get_future().wait();
    g_main_context_unref(worker);
  } else {
    shutDown();
  }
  g_object_unref(handler_);
}

void UsbdevfsPrinter::OnConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  auto* printer = static_cast<UsbdevfsPrinter*>(self);
  if (printer->worker_ == nullptr) printer->worker_ = g_main_context_ref_thread_default();
  auto c = std::make_unique<Client>();
  // A node opened after its printer left: every request fails as on a gone device.
  if (c->link.Connect(printer->socketPath_) != 0 ||
      c->Call(Line("open", printer->printerId_))[0] != "OK")
    c->gone = true;
  // umockdev drops a client when its file is closed, and also when its
  // program ended while a request was being answered (it never sees that
  // file closed then).
  g_object_weak_ref(G_OBJECT(client), &OnGone, self);
  printer->clients_[client] = std::move(c);
}

// The file is closed: its holder lets go of its claims at the emulator.
void UsbdevfsPrinter::OnGone(gpointer self, GObject* client) {
  static_cast<UsbdevfsPrinter*>(self)->clients_.erase(
      reinterpret_cast<UMockdevIoctlClient*>(client));
}

gboolean UsbdevfsPrinter::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  auto* printer = static_cast<UsbdevfsPrinter*>(self);
  const auto found = printer->clients_.find(client);
  if (found == printer->clients_.end()) return FALSE;
  Client& c = *found->second;
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  unsigned long address = 0;
  int error = 0;
  switch (umockdev_ioctl_client_get_request(client)) {
    case USBDEVFS_GET_CAPABILITIES:
      Fetch(arg, &kCapabilities);
      break;
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:  // its first field is the interface number too
      error = ErrnoOf(c.Call(Line("claim", Fetch(arg))));
      break;
    case USBDEVFS_RELEASEINTERFACE:
      error = ErrnoOf(c.Call(Line("release", Fetch(arg))));
      break;
    case USBDEVFS_SUBMITURB:
      error = c.Submit(arg);
      break;
    case USBDEVFS_DISCARDURB:
      std::memcpy(&address, arg->data, sizeof address);
      error = c.Discard(address);
      break;
    case USBDEVFS_REAPURBNDELAY:
      if (c.Reap(arg)) break;
      if (c.gone) {
        error = ENODEV;
        break;
      }
      // Nothing finished. libusb polls the node's file, which is always
      // ready, and asks again at once: a pause keeps it from spinning.
      {
        GSource* pause = g_timeout_source_new(kEmptyReapPauseMs);
        g_source_set_callback(pause, &AnswerTryAgain, g_object_ref(client), g_object_unref);
        g_source_attach(pause, g_main_context_get_thread_default());
        g_source_unref(pause);
      }
      return TRUE;
    case USBDEVFS_IOCTL:  // handing the interface back to a kernel driver: there is none
      error = ENODATA;
      break;
    default:
      error = ENOTTY;
  }
  umockdev_ioctl_client_complete(client, error == 0 ? 0 : -1, error);
  return TRUE;
}

}  // namespace kv71p::test
