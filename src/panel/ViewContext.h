#pragma once
// What the control panel is given by the application: the store, the device
// library, the dialog interface, the settings store and the main frame's busy
// flag. The panel owns none of these.

#include <atomic>
#include <functional>
#include <string>

namespace vmf {

class Cvarnello_mfDoc;
class DeviceLibrary;
class FileWork;
class UserDialogs;
class SettingsBackend;
class RecordJournal;

struct ViewContext {
    Cvarnello_mfDoc* doc = nullptr;
    DeviceLibrary* devices = nullptr;
    UserDialogs* dialogs = nullptr;
    SettingsBackend* settings =
        nullptr;  // panel options: read at construction, written at destruction
    std::atomic<int>* busy =
        nullptr;  // set while a worker talks to the heads; the frame refuses to close
    // Runs the panel's file work (comparison load, CSV save) off the GUI
    // thread; without one it runs at once. While it runs, the commands that
    // read or change the store refuse.
    FileWork* fileWork = nullptr;
    std::string deviceNote;            // which device library is in use, for the status bar
    RecordJournal* journal = nullptr;  // journals the recordings; null: not journalled
    // The window's File Save, offered when the journal fails while measuring.
    std::function<void()> saveRecords;
};

}  // namespace vmf
