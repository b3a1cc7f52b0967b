#include "tests/usbmock/UsbMockBed.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/usb/EmulatorWire.h"

namespace kv71p::test {

namespace {

// A program stopped while umockdev answered one of its requests leaves a
// client whose closed file umockdev never saw; it complains when it drops
// it. Nothing is wrong then: the device side has let its holder go.
void QuietDroppedClients(const gchar* domain, GLogLevelFlags level, const gchar* message,
                         gpointer) {
  if (std::strstr(message, "Destroying IoctlClient with open stream") == nullptr)
    g_log_default_handler(domain, level, message, nullptr);
}

}  // namespace

UsbMockBed::UsbMockBed() : testbed_(umockdev_testbed_new()) {
  g_log_set_handler(nullptr, G_LOG_LEVEL_CRITICAL, &QuietDroppedClients, nullptr);
}

UsbMockBed::~UsbMockBed() {
  devices_.clear();  // while umockdev's thread still runs
  g_object_unref(testbed_);
}

bool UsbMockBed::Plug(EmulatorProcess& emulator, unsigned id) {
  std::vector<std::string> words;
  std::map<std::string, std::string> property;
  if (!wire::SplitWords(emulator.Request("get " + std::to_string(id)), &words) || words.empty() ||
      words[0] != "OK")
    return false;
  for (const std::string& word : words) {
    std::string name, value;
    if (wire::SplitNameValue(word, &name, &value)) property[name] = value;
  }
  const unsigned address = static_cast<unsigned>(devices_.size() + 2);
  const unsigned vendor = std::stoul(property["vendor"]), product = std::stoul(property["product"]);
  const std::string descriptors =
      PrinterDescriptors(static_cast<uint16_t>(vendor), static_cast<uint16_t>(product),
                         std::stoi(property["interfaces"]));
  devices_.push_back(std::make_unique<UsbdevfsPrinter>(emulator.socketPath(), id));
  char node[32], attributes[512];
  std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03u", address);
  const Port port{&emulator, "/sys/devices/usb1/1-" + std::to_string(address - 1), node};
  if (!umockdev_testbed_attach_ioctl(testbed_, node, devices_.back()->handler(), nullptr))
    return false;
  // The device as umockdev-record describes one: hex in capitals, each
  // attribute a line as in sysfs.
  std::string hex = wire::HexEncode(descriptors);
  for (char& digit : hex) digit = static_cast<char>(std::toupper(digit));
  std::snprintf(attributes, sizeof attributes,
                "A: busnum=1\\n\nA: devnum=%u\\n\nA: dev=189:%u\\n\nA: speed=480\\n\n"
                "A: bConfigurationValue=1\\n\nA: idVendor=%04x\\n\nA: idProduct=%04x\\n\n"
                "A: manufacturer=Korvale\\n\nA: product=KV-71P\\n\n",
                address, address - 1, vendor, product);
  const std::string description = "P: " + port.sysPath.substr(4) + "\nN: " + port.node.substr(5) +
                                  "=" + hex + "\nH: descriptors=" + hex +
                                  "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=" + node +
                                  "\n" + attributes + "A: serial=" + property["serial"] + "\\n\n";
  if (!umockdev_testbed_add_from_string(testbed_, description.c_str(), nullptr)) return false;
  ports_[id] = port;
  return true;
}

bool UsbMockBed::Unplug(unsigned id) {
  const auto it = ports_.find(id);
  if (it == ports_.end()) return false;
  const bool detached = it->second.emulator->Detach(id);
  umockdev_testbed_uevent(testbed_, it->second.sysPath.c_str(), "remove");
  umockdev_testbed_remove_device(testbed_, it->second.sysPath.c_str());
  umockdev_testbed_detach_ioctl(testbed_, it->second.node.c_str(), nullptr);
  ports_.erase(it);
  return detached;
}

}  // namespace kv71p::test
