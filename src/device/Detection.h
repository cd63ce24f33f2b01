#pragma once
// Detection of the attached devices and release of the heads: the device and
// store part of the panel's Detect button. The panel (GUI) calls these and
// then does what is its own: filling lists 1003/1004, the message area, the
// button captions, selectedHead and the exposure edit, displayedRecord and
// RefreshControls.

#include <array>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/UserDialogs.h"
#include "device/DeviceLibrary.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

// The question asked when recorded data would be discarded.
inline constexpr const char* kDetectClearQuestion =
    "取り込み済みのデータはクリアされますが、よろしかったでしょうか";

// Label of a known kind code ("C12880MA", "LED16ch", "LED8ch", "M-MIRROR"),
// or nullptr for a kind that detection ignores.
const char* KindLabel(int kind);

struct DetectedDevice {
    DeviceNumber number;
    int kind = 0;
    std::string label;  // KindLabel(kind); devices of unknown kind are not listed
};

struct DetectionOutcome {
    bool cancelled = false;               // user answered Cancel: nothing changed
    bool headsFound = false;              // the panel's detected flag becomes 1
    std::vector<DetectedDevice> devices;  // every known-kind device, ascending number
    std::vector<DetectedDevice> ignored;  // devices of unknown kind (label empty)
    std::vector<std::string> headList;    // entries of list 1003: serials (UTF-8), slot order
    std::vector<std::string> deviceList;  // entries of list 1004: labels, ascending number
    std::array<DeviceNumber, MAX_HEADS>
        headDevice;                            // device number per head slot (0 beyond headCount)
    std::optional<DeviceNumber> mirrorDevice;  // the last mirror found
    // Heads that answered DevOpen but stopped answering while being read:
    // they got no slot, were closed again (so the library's slot order keeps
    // matching the store's), and the store holds nothing of theirs.
    std::vector<DeviceNumber> failedHeads;
};

// Runs detection:
//  1. when doc.recordCount[0] != 0, asks kDetectClearQuestion through
//     `dialogs`; Cancel returns {cancelled = true} with nothing touched; OK
//     runs ClearRecords (the caller then sets displayedRecord to 0);
//  2. headCount, ledDriverCount, mirrorCount = 0;
//  3. probes device numbers 0..9 in ascending order: DevOpen == 1, both info
//     texts, DevGetKind. A head (33) gets the next slot: kind label, serial
//     cut to 8 bytes, channelCount 288, coefficients, exposure truncated
//     towards zero, wavelength table, dark steps 0..20, gain, white and
//     transmission; the head's data are committed to the store only when all
//     of it was read, then deriveDarkModel(slot) runs (it may be empty). LED
//     drivers (13, 29) are counted with their channel counts (16, 8); mirrors
//     (34) are counted and the last one's number kept; other kinds are ignored;
//  4. when a head was found: doc.title = "<serial>_" per slot + local `now`
//     as "%Y%m%d_%H%M%S" (UTF-8), and the detection history entry.
// Per-head fields of slots at and above the new headCount keep their values.
DetectionOutcome Detect(Cvarnello_mfDoc& doc, DeviceLibrary& lib, UserDialogs& dialogs,
                        const std::function<void(int slot)>& deriveDarkModel, std::time_t now);

// Releases the heads: DevClose for the device number of every slot below
// doc.headCount, then the release history entry. The store keeps the heads'
// data and counts; LED drivers and the mirror stay open. The caller clears
// its detected and measuring flags, lists, captions and buttons and shows
// its message.
void Release(Cvarnello_mfDoc& doc, DeviceLibrary& lib,
             const std::array<DeviceNumber, MAX_HEADS>& headDevice);

}  // namespace vmf
