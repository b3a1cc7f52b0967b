// kv71p-status [queue]
//
// The desktop's way to the status window: lists the KV-71P print queues,
// lets the user pick one when there are several (none to pick with one)
// and opens its status window through Watchlauncher, which lives in the
// same folder. With a queue name it opens that queue's window directly.
// Problems are shown in a message box; the exit status is 0 when a window
// was opened (or was open already), else 1.
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <string>
#include <vector>

#include "apps/watchlauncher/Kv71pQueues.h"
#include "apps/watchlauncher/LauncherRun.h"
#include "apps/watchlauncher/QueuePicker.h"
#include "apps/watchlauncher/ResourceFolder.h"
#include "platform/cups/CupsDestinations.h"

using namespace kv71p::watchlauncher;

namespace {

// The picker's texts: "kv71p-status_en.qm" and the one of the locale's
// language, both next to the program.
class PickerTranslations {
 public:
  explicit PickerTranslations(const QString& folder) {
    if (english_.load("kv71p-status_en", folder)) QCoreApplication::installTranslator(&english_);
    if (local_.load(QLocale(), "kv71p-status", "_", folder) &&
        local_.language() != english_.language()) {
      QCoreApplication::installTranslator(&local_);
    }
  }

 private:
  QTranslator english_;
  QTranslator local_;
};

int Complain(const QString& text) {
  //% "KV-71P printer status"
  QMessageBox::warning(nullptr, qtTrId("pickerTitle"), text);
  return 1;
}

// Opens the window of `queue`; complains when that fails.
int Open(const std::string& folder, const std::string& queue) {
  switch (RunWatchlauncher(folder, queue)) {
    case 0:
      return 0;
    case 1:
      //% "\"%1\" is not a KV-71P print queue."
      return Complain(qtTrId("pickerNotAQueue").arg(QString::fromStdString(queue)));
    default:
      //% "The status window could not be started."
      return Complain(qtTrId("pickerCannotStart"));
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Qt sees only the program name: a queue name is never one of its options.
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication app(qtArgc, qtArgv);
  const std::string folder = ResourceFolder();
  PickerTranslations translations(QString::fromStdString(folder));

  if (argc > 1) return Open(folder, argv[1]);

  std::vector<kv71p::CupsDestination> destinations;
  if (!kv71p::ListCupsDestinations(&destinations)) {
    //% "The print system does not answer. Is CUPS running?"
    return Complain(qtTrId("pickerNoScheduler"));
  }
  const std::vector<Kv71pQueue> queues = Kv71pQueues(destinations);
  if (queues.empty()) {
    //% "No KV-71P print queue is set up yet. Connect the printer and switch it on: the status service sets up its queue."
    return Complain(qtTrId("pickerNoQueue"));
  }
  if (queues.size() == 1) return Open(folder, queues.front().queue);

  QueuePicker picker(queues);
  if (picker.exec() != QDialog::Accepted || picker.ChosenQueue().empty()) return 1;
  return Open(folder, picker.ChosenQueue());
}
