#include "device/SimulatedDeviceLibrary.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "device/Detection.h"
#include "device/HeadCommands.h"
#include "device/HeadMemoryFile.h"
#include "device/HeadSlotOrder.h"
#include "device/SimulatedHead.h"

namespace vmf {

struct SimulatedDeviceLibrary::Device {
    BenchDevice info;
    bool open = false;
    bool plugged = true;
    int unplugAfter = -1;  // DevWrite calls still answered; -1 = no limit
    ReplyFault fault = ReplyFault::None;
    int failReads = 0;
    std::vector<uint8_t> reply;
    bool replyPending = false;
    DeviceCounters counters;
    uint16_t mirrorPosition = 0;
    std::unique_ptr<SimulatedHead> head;  // kind 33 only
    std::string memoryPath;               // empty unless the bench keeps memories in files
    bool memoryDirty = false;
};

namespace {

// Longest a simulated read sleeps, so a typo'd exposure cannot hang a test run.
constexpr double kMaxSleepUs = 60e6;

const char* InfoLabel(int kind) {
    const char* label = KindLabel(kind);
    return label ? label : "UNKNOWN";
}

// Copies text into a caller's buffer like the library does: at most size-1
// bytes and a NUL; returns the text length copied.
int CopyText(const std::string& text, char* buffer, int size) {
    if (!buffer || size <= 0) return -1;
    int n = std::min<int>(static_cast<int>(text.size()), size - 1);
    std::memcpy(buffer, text.data(), static_cast<size_t>(n));
    buffer[n] = '\0';
    return n;
}

}  // namespace

SimulatedDeviceLibrary::SimulatedDeviceLibrary(const BenchDescription& bench)
    : scene_(bench.scene), timeScale_(std::max(0.0, bench.timeScale)) {
    for (const BenchDevice& d : bench.devices) {
        if (d.number.value < 0 || d.number.value >= MAX_DEVICES) continue;
        auto device = std::make_unique<Device>();
        device->info = d;
        if (d.kind == kKindSpectrometer) {
            device->head = std::make_unique<SimulatedHead>(d.serial, d.number, bench.seed);
            if (!bench.memoryFolder.empty()) {
                device->memoryPath =
                    bench.memoryFolder + "/head" + std::to_string(d.number.value) + ".vmfmem";
                // A missing or damaged file means a factory-fresh head.
                if (auto saved = LoadHeadMemory(device->memoryPath)) device->head->memory = *saved;
            }
        }
        devices_[d.number.value] = std::move(device);
    }
}

SimulatedDeviceLibrary::~SimulatedDeviceLibrary() {
    for (auto& d : devices_)
        if (d && d->memoryDirty) Persist(*d);
}

void SimulatedDeviceLibrary::Persist(Device& d) {
    if (d.memoryPath.empty() || !d.head) return;
    if (SaveHeadMemory(d.memoryPath, d.head->memory)) d.memoryDirty = false;
}

std::unique_ptr<SimulatedDeviceLibrary> SimulatedDeviceLibrary::FromText(std::string_view text,
                                                                         std::string& error) {
    auto bench = ParseBenchText(text, error);
    if (!bench) return nullptr;
    return std::make_unique<SimulatedDeviceLibrary>(*bench);
}

SimulatedDeviceLibrary::Device* SimulatedDeviceLibrary::Find(DeviceNumber dev) {
    if (dev.value < 0 || dev.value >= MAX_DEVICES) return nullptr;
    return devices_[dev.value].get();
}

const SimulatedDeviceLibrary::Device* SimulatedDeviceLibrary::Find(DeviceNumber dev) const {
    if (dev.value < 0 || dev.value >= MAX_DEVICES) return nullptr;
    return devices_[dev.value].get();
}

SimulatedDeviceLibrary::Device* SimulatedDeviceLibrary::Answering(DeviceNumber dev) {
    Device* d = Find(dev);
    return d && d->plugged && d->open ? d : nullptr;
}

int SimulatedDeviceLibrary::DevOpen(DeviceNumber dev) {
    std::lock_guard lock(mutex_);
    Device* d = Find(dev);
    if (!d || !d->plugged) return 0;
    d->open = true;
    return 1;
}

int SimulatedDeviceLibrary::DevGetInfoText1(DeviceNumber dev, char* buffer, int size) {
    std::lock_guard lock(mutex_);
    Device* d = Answering(dev);
    if (!d) return -1;
    return CopyText(std::string("SIM ") + InfoLabel(d->info.kind), buffer, size);
}

int SimulatedDeviceLibrary::DevGetInfoText2(DeviceNumber dev, char* buffer, int size) {
    std::lock_guard lock(mutex_);
    Device* d = Answering(dev);
    if (!d) return -1;
    return CopyText("FW 1.00 kind " + std::to_string(d->info.kind), buffer, size);
}

int SimulatedDeviceLibrary::DevGetKind(DeviceNumber dev) {
    std::lock_guard lock(mutex_);
    Device* d = Answering(dev);
    return d ? d->info.kind : -1;
}

int SimulatedDeviceLibrary::DevGetSerial(DeviceNumber dev, char* buffer, int size) {
    std::lock_guard lock(mutex_);
    Device* d = Answering(dev);
    if (!d || !buffer || size <= 0) return -1;
    const std::string serial =
        d->head ? d->head->memory.serial : "SIMDEV0" + std::to_string(dev.value);
    // Like the device: a serial that fills the whole buffer comes without NUL.
    int n = std::min<int>(static_cast<int>(serial.size()), size);
    std::memcpy(buffer, serial.data(), static_cast<size_t>(n));
    if (n < size) buffer[n] = '\0';
    return n;
}

int SimulatedDeviceLibrary::DevSetSerial(DeviceNumber dev, const char* bytes, int size) {
    std::lock_guard lock(mutex_);
    Device* d = Answering(dev);
    if (!d || !d->head || !bytes || size <= 0 || size > kSerialBufferSize) return -1;
    ++d->counters.setSerial;
    d->counters.lastSerialBytes.assign(bytes, static_cast<size_t>(size));
    d->head->memory.serial.assign(bytes, std::find(bytes, bytes + size, '\0'));
    d->memoryDirty = true;
    Persist(*d);
    return 0;
}

int SimulatedDeviceLibrary::DevGetCoefficients(DeviceNumber dev, double coeffs[WAVE_COEFFS]) {
    std::lock_guard lock(mutex_);
    Device* d = Answering(dev);
    if (!d || !coeffs) return -1;
    // Devices without optics answer like a head that was never calibrated.
    if (!d->head) {
        std::fill(coeffs, coeffs + WAVE_COEFFS, 0.0);
        return 0;
    }
    std::copy(d->head->memory.coeffs.begin(), d->head->memory.coeffs.end(), coeffs);
    return 0;
}

int SimulatedDeviceLibrary::DevSetCoefficients(DeviceNumber dev, const double coeffs[WAVE_COEFFS]) {
    std::lock_guard lock(mutex_);
    Device* d = Answering(dev);
    if (!d || !d->head || !coeffs) return -1;
    ++d->counters.setCoefficients;
    std::copy(coeffs, coeffs + WAVE_COEFFS, d->head->memory.coeffs.begin());
    d->memoryDirty = true;
    Persist(*d);
    return 0;
}

int SimulatedDeviceLibrary::DevGetExposure(DeviceNumber dev, double* exposureUs) {
    std::lock_guard lock(mutex_);
    Device* d = Answering(dev);
    if (!d || !exposureUs) return -1;
    *exposureUs = d->head ? d->head->exposureUs : 0.0;
    return 0;
}

int SimulatedDeviceLibrary::DevSetExposure(DeviceNumber dev, double exposureUs) {
    std::lock_guard lock(mutex_);
    Device* d = Answering(dev);
    // A head cannot expose for a negative or unknown time; it keeps its last one.
    if (!d || !d->head || !std::isfinite(exposureUs) || exposureUs < 0) return -1;
    d->head->exposureUs = exposureUs;
    return 0;
}

int SimulatedDeviceLibrary::DevReadSpectrum(HeadSlot slot, int16_t counts[MAX_CHANNELS]) {
    if (!counts) return -1;
    int16_t spectrum[MAX_CHANNELS];
    double sleepUs = 0;
    {
        std::lock_guard lock(mutex_);
        std::array<bool, MAX_DEVICES> open{};
        std::array<int, MAX_DEVICES> kind{};
        for (int n = 0; n < MAX_DEVICES; ++n) {
            open[n] = devices_[n] && devices_[n]->open;
            kind[n] = devices_[n] ? devices_[n]->info.kind : 0;
        }
        auto dev = DeviceForSlot(open, kind, slot);
        Device* found = dev ? devices_[dev->value].get() : nullptr;
        if (!found || !found->plugged) return -1;
        ++found->counters.spectra;
        if (found->failReads > 0) {
            --found->failReads;
            return -1;
        }
        found->head->ReadSpectrum(scene_, spectrum);
        sleepUs = std::min(found->head->exposureUs * timeScale_, kMaxSleepUs);
    }
    if (sleepUs >= 1.0)
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(sleepUs)));
    std::copy(spectrum, spectrum + MAX_CHANNELS, counts);
    return 0;
}

int SimulatedDeviceLibrary::DevGetTemperature(DeviceNumber dev, int16_t* tenthsC) {
    std::lock_guard lock(mutex_);
    Device* d = Answering(dev);
    if (!d || !tenthsC) return -1;
    const double celsius = d->head ? d->head->temperatureC : SimulatedHead::kReferenceTempC;
    double tenths = std::clamp(std::round(celsius * 10.0), -32768.0, 32767.0);
    *tenthsC = static_cast<int16_t>(tenths);
    return 0;
}

int SimulatedDeviceLibrary::DevWrite(DeviceNumber dev, const uint8_t* bytes, int size) {
    std::lock_guard lock(mutex_);
    Device* d = Answering(dev);
    if (!d || !bytes || size <= 0) return -1;
    if (d->unplugAfter == 0) {
        d->plugged = false;
        d->unplugAfter = -1;
        return -1;
    }
    if (d->unplugAfter > 0) --d->unplugAfter;
    ++d->counters.writes;
    ++d->counters.byOpcode[bytes[0]];
    if (d->head) {
        d->reply = d->head->HandleCommand(bytes, size);
        if (d->reply.size() == 1 && d->reply[0] == head::kAck) {
            d->memoryDirty = true;
            if (SimulatedHead::IsClosingWrite(bytes, size)) Persist(*d);
        }
    } else {
        // LED drivers and mirrors know no calibration commands.
        d->reply.assign(1, head::kNak);
    }
    switch (d->fault) {
        case ReplyFault::None:
            break;
        case ReplyFault::Short:
            d->reply.resize(d->reply.size() / 2);
            break;
        case ReplyFault::Empty:
            d->reply.clear();
            break;
    }
    d->replyPending = true;
    return size;
}

int SimulatedDeviceLibrary::DevRead(DeviceNumber dev, uint8_t* buffer, int size) {
    std::lock_guard lock(mutex_);
    Device* d = Answering(dev);
    if (!d || !buffer || size < 0) return -1;
    ++d->counters.reads;
    if (!d->replyPending) return 0;
    int n = std::min<int>(static_cast<int>(d->reply.size()), size);
    std::copy_n(d->reply.begin(), n, buffer);
    d->reply.clear();
    d->replyPending = false;
    return n;
}

int SimulatedDeviceLibrary::DevClose(DeviceNumber dev) {
    std::lock_guard lock(mutex_);
    Device* d = Find(dev);
    if (!d) return -1;
    // The handle is released even when the device no longer answers, so the
    // slot order forgets it.
    d->open = false;
    d->replyPending = false;
    d->reply.clear();
    return d->plugged ? 0 : -1;
}

int SimulatedDeviceLibrary::DevSetMirrorPosition(DeviceNumber dev, uint16_t position) {
    std::lock_guard lock(mutex_);
    Device* d = Answering(dev);
    if (!d || d->info.kind != kKindMirror) return -1;
    d->mirrorPosition = position;
    return 0;
}

void SimulatedDeviceLibrary::SetScene(Scene scene) {
    std::lock_guard lock(mutex_);
    scene_ = scene;
}

Scene SimulatedDeviceLibrary::GetScene() const {
    std::lock_guard lock(mutex_);
    return scene_;
}

void SimulatedDeviceLibrary::SetTimeScale(double scale) {
    std::lock_guard lock(mutex_);
    timeScale_ = std::isfinite(scale) && scale > 0 ? scale : 0.0;
}

void SimulatedDeviceLibrary::SetTemperature(DeviceNumber dev, double celsius) {
    std::lock_guard lock(mutex_);
    Device* d = Find(dev);
    if (d && d->head && std::isfinite(celsius)) d->head->temperatureC = celsius;
}

void SimulatedDeviceLibrary::SetUnplugged(DeviceNumber dev, bool unplugged) {
    std::lock_guard lock(mutex_);
    if (Device* d = Find(dev)) {
        d->plugged = !unplugged;
        d->unplugAfter = -1;
        if (unplugged) {
            d->reply.clear();
            d->replyPending = false;
        }
    }
}

void SimulatedDeviceLibrary::UnplugAfterCommands(DeviceNumber dev, int commands) {
    std::lock_guard lock(mutex_);
    if (Device* d = Find(dev)) d->unplugAfter = std::max(0, commands);
}

void SimulatedDeviceLibrary::SetReplyFault(DeviceNumber dev, ReplyFault fault) {
    std::lock_guard lock(mutex_);
    if (Device* d = Find(dev)) d->fault = fault;
}

void SimulatedDeviceLibrary::FailSpectrumReads(DeviceNumber dev, int count) {
    std::lock_guard lock(mutex_);
    if (Device* d = Find(dev)) d->failReads = std::max(0, count);
}

std::optional<HeadMemory> SimulatedDeviceLibrary::Memory(DeviceNumber dev) const {
    std::lock_guard lock(mutex_);
    const Device* d = Find(dev);
    if (!d || !d->head) return std::nullopt;
    return d->head->memory;
}

bool SimulatedDeviceLibrary::SetMemory(DeviceNumber dev, const HeadMemory& memory) {
    std::lock_guard lock(mutex_);
    Device* d = Find(dev);
    if (!d || !d->head || memory.serial.size() > static_cast<size_t>(kSerialBufferSize))
        return false;
    d->head->memory = memory;
    d->memoryDirty = true;
    Persist(*d);
    return true;
}

DeviceCounters SimulatedDeviceLibrary::Counters(DeviceNumber dev) const {
    std::lock_guard lock(mutex_);
    const Device* d = Find(dev);
    return d ? d->counters : DeviceCounters{};
}

void SimulatedDeviceLibrary::ResetCounters() {
    std::lock_guard lock(mutex_);
    for (auto& d : devices_)
        if (d) d->counters = DeviceCounters{};
}

bool SimulatedDeviceLibrary::IsOpen(DeviceNumber dev) const {
    std::lock_guard lock(mutex_);
    const Device* d = Find(dev);
    return d && d->open;
}

std::optional<uint16_t> SimulatedDeviceLibrary::MirrorPosition(DeviceNumber dev) const {
    std::lock_guard lock(mutex_);
    const Device* d = Find(dev);
    if (!d || d->info.kind != kKindMirror) return std::nullopt;
    return d->mirrorPosition;
}

std::optional<double> SimulatedDeviceLibrary::ExpectedCounts(DeviceNumber dev, Scene scene,
                                                             double exposureUs, int channel) const {
    std::lock_guard lock(mutex_);
    const Device* d = Find(dev);
    if (!d || !d->head || channel < 0 || channel >= MAX_CHANNELS) return std::nullopt;
    return d->head->ExpectedCounts(scene, exposureUs, channel);
}

}  // namespace vmf
