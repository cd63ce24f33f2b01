#include "device/CalibrationProtocol.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "device/HeadCommands.h"

namespace vmf {
namespace {

int ChannelsOf(const Cvarnello_mfDoc& doc, HeadSlot k) {
    return std::clamp(doc.channelCount[k.value], 1, MAX_CHANNELS);
}

bool ValidSlot(HeadSlot k) { return k.value >= 0 && k.value < MAX_HEADS; }

void PutIndex(uint8_t* p, int index) {
    p[0] = static_cast<uint8_t>(index & 0xFF);
    p[1] = static_cast<uint8_t>((index >> 8) & 0xFF);
}

void PutFloat(uint8_t* p, float f) {
    uint32_t u = std::bit_cast<uint32_t>(f);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

float GetFloat(const uint8_t* p) {
    return std::bit_cast<float>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
}

// One command, one reply of exactly `expect` bytes (or more: the extra is the
// device's business). A failed write or a short reply is a failure.
bool Exchange(DeviceLibrary& lib, DeviceNumber dev, const uint8_t* cmd, int size, uint8_t* reply,
              int expect) {
    if (lib.DevWrite(dev, cmd, size) < 0) return false;
    return lib.DevRead(dev, reply, expect) >= expect;
}

// Writes values[0..count-1] at indices 0..count-1 and the closing 0.0 at
// index count, with one of the 64-byte value commands.
bool WriteValues(DeviceLibrary& lib, DeviceNumber dev, uint8_t opcode, const float* values,
                 int count) {
    for (int i = 0; i <= count; ++i) {
        uint8_t cmd[head::kSizeWriteValue] = {};
        cmd[0] = opcode;
        cmd[1] = head::kUsedWriteValue;
        PutIndex(cmd + 2, i);
        PutFloat(cmd + 4, i < count ? values[i] : 0.0f);
        uint8_t ack[head::kReplyWriteAck];
        if (!Exchange(lib, dev, cmd, sizeof cmd, ack, sizeof ack)) return false;
    }
    return true;
}

}  // namespace

bool ReadWavelengthInto(DeviceLibrary& lib, DeviceNumber dev, int n, std::span<float> out) {
    if (n < 0 || out.size() < static_cast<size_t>(n)) return false;
    for (int c = 0; c < n; ++c) {
        uint8_t cmd[head::kSizeReadIndexed] = {head::kReadWavelength, head::kUsedReadIndexed, 0, 0};
        PutIndex(cmd + 2, c);
        uint8_t reply[head::kReplyWavelength];
        if (!Exchange(lib, dev, cmd, sizeof cmd, reply, sizeof reply)) return false;
        out[c] = GetFloat(reply);
    }
    return true;
}

bool ReadDarkStepInto(DeviceLibrary& lib, DeviceNumber dev, int step, int n, std::span<float> out) {
    if (step < 0 || step >= DARK_STEPS || n < 0 || n > MAX_CHANNELS ||
        out.size() < static_cast<size_t>(n))
        return false;
    uint8_t cmd[head::kSizeReadIndexed] = {head::kReadDark, head::kUsedReadIndexed, 0, 0};
    PutIndex(cmd + 2, step);
    uint8_t reply[head::kReplyDark];
    if (!Exchange(lib, dev, cmd, sizeof cmd, reply, sizeof reply)) return false;
    for (int c = 0; c < n; ++c) out[c] = GetFloat(reply + 4 * c);
    return true;
}

bool ReadReferenceInto(DeviceLibrary& lib, DeviceNumber dev, uint8_t opcode, int n,
                       std::span<float> out) {
    if (opcode != head::kReadGain && opcode != head::kReadWhite && opcode != head::kReadTrans)
        return false;
    if (n < 0 || n > MAX_CHANNELS || out.size() < static_cast<size_t>(n) + 1) return false;
    uint8_t cmd[head::kSizeReadTable] = {};
    cmd[0] = opcode;
    cmd[1] = head::kUsedReadTable;
    uint8_t reply[head::kReplyTable];
    if (!Exchange(lib, dev, cmd, sizeof cmd, reply, sizeof reply)) return false;
    for (int i = 0; i <= n; ++i) out[i] = GetFloat(reply + 4 * i);
    return true;
}

bool ReadWavelengthTable(Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev) {
    if (!ValidSlot(k)) return false;
    std::array<float, MAX_CHANNELS> table{};
    int n = ChannelsOf(doc, k);
    if (!ReadWavelengthInto(lib, dev, n, table)) return false;
    std::copy_n(table.begin(), n, doc.wavelengthNm[k.value].begin());
    return true;
}

bool ReadDarkStep(Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev,
                  int step) {
    if (!ValidSlot(k) || step < 0 || step >= DARK_STEPS) return false;
    std::array<float, MAX_CHANNELS> row{};
    int n = ChannelsOf(doc, k);
    if (!ReadDarkStepInto(lib, dev, step, n, row)) return false;
    std::copy_n(row.begin(), n, doc.darkTable[k.value][step].begin());
    return true;
}

namespace {
bool ReadReference(Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev,
                   uint8_t opcode, std::array<std::array<float, REF_ENTRIES>, MAX_HEADS>& field) {
    if (!ValidSlot(k)) return false;
    std::array<float, REF_ENTRIES> row{};
    int n = ChannelsOf(doc, k);
    if (!ReadReferenceInto(lib, dev, opcode, n, row)) return false;
    std::copy_n(row.begin(), n + 1, field[k.value].begin());
    return true;
}
}  // namespace

bool ReadGainTable(Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev) {
    return ReadReference(doc, lib, k, dev, head::kReadGain, doc.gain);
}

bool ReadWhiteTable(Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev) {
    return ReadReference(doc, lib, k, dev, head::kReadWhite, doc.whiteRef);
}

bool ReadTransmissionTable(Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev) {
    return ReadReference(doc, lib, k, dev, head::kReadTrans, doc.transRef);
}

bool WriteDarkStep(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev,
                   int step) {
    if (!ValidSlot(k) || step < 0 || step >= DARK_STEPS) return false;
    int n = ChannelsOf(doc, k);
    const auto& row = doc.darkTable[k.value][step];
    for (int c = 0; c <= n; ++c) {
        uint8_t cmd[head::kSizeWriteDark] = {};
        cmd[0] = head::kWriteDark;
        cmd[1] = head::kUsedWriteDark;
        PutIndex(cmd + 2, step);
        PutIndex(cmd + 4, c);
        PutFloat(cmd + 6, c < n ? row[c] : 0.0f);
        uint8_t ack[head::kReplyWriteAck];
        if (!Exchange(lib, dev, cmd, sizeof cmd, ack, sizeof ack)) return false;
    }
    return true;
}

bool WriteWavelengthTable(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k,
                          DeviceNumber dev) {
    if (!ValidSlot(k)) return false;
    return WriteValues(lib, dev, head::kWriteWavelength, doc.wavelengthNm[k.value].data(),
                       ChannelsOf(doc, k));
}

bool WriteWhiteTable(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev) {
    if (!ValidSlot(k)) return false;
    return WriteValues(lib, dev, head::kWriteWhite, doc.whiteRef[k.value].data(),
                       ChannelsOf(doc, k) + 1);
}

bool WriteTransmissionTable(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k,
                            DeviceNumber dev) {
    if (!ValidSlot(k)) return false;
    return WriteValues(lib, dev, head::kWriteTrans, doc.transRef[k.value].data(),
                       ChannelsOf(doc, k) + 1);
}

bool WriteGainTable(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev) {
    if (!ValidSlot(k)) return false;
    return WriteValues(lib, dev, head::kWriteGain, doc.gain[k.value].data(),
                       ChannelsOf(doc, k) + 1);
}

std::optional<std::array<char, 8>> SerialBytesFor(std::string_view text) {
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    if (!text.empty() && static_cast<signed char>(text.front()) < 0x30) text.remove_prefix(1);
    if (text.size() < 7) return std::nullopt;
    std::array<char, 8> bytes{};
    std::copy_n(text.begin(), std::min<size_t>(text.size(), bytes.size()), bytes.begin());
    return bytes;
}

SerialWrite WriteSerial(const Cvarnello_mfDoc&, DeviceLibrary& lib, HeadSlot, DeviceNumber dev,
                        std::string_view text) {
    auto bytes = SerialBytesFor(text);
    if (!bytes) return SerialWrite::Refused;
    return lib.DevSetSerial(dev, bytes->data(), static_cast<int>(bytes->size())) < 0
               ? SerialWrite::Failed
               : SerialWrite::Sent;
}

}  // namespace vmf
