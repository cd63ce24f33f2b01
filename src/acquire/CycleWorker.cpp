#include "acquire/CycleWorker.h"

#include <algorithm>

namespace vmf {

void CycleWorker::LoadDarkModel(const SpectrumWorkspace& panel) {
    if (thread_.Launched()) thread_.Join();
    ws_.darkBase = panel.darkBase;
    ws_.darkSlope = panel.darkSlope;
    ws_.ratioSpectrum = panel.ratioSpectrum;
    ws_.displayRatio = panel.displayRatio;
}

void CycleWorker::RunCycle(Cvarnello_mfDoc& doc, DeviceLibrary& lib, const CycleJob& job) {
    const int heads = std::clamp(job.headCount, 0, MAX_HEADS);
    processed_.fill(false);
    for (int a = 0; a < heads; ++a) {
        const int r = job.slot[a];
        if (r < 0 || r >= MAX_RECORDS) continue;
        const bool stored = ReadAveragedSpectrum(doc, lib, a, r, job.averageCount, current_[a]);
        int16_t tenths = 0;
        lib.DevGetTemperature(job.device[a], &tenths);
        doc.recTemperatureC(a, r) = static_cast<float>(tenths / 10.0);
        doc.recExposureUs(a, r) = job.exposureUs[a];
        if (!stored) continue;
        ws_.ProcessRecord(doc, a, r, job.processing);
        ws_.ResampleRecord(doc, a, r, job.processing);
        processed_[a] = true;
    }
    // One time for the whole cycle, taken once its last head has been read:
    // the records of one cycle belong together on a time axis.
    const RecordTime now = wallClock_ ? wallClock_() : SystemRecordTime();
    for (int a = 0; a < heads; ++a) {
        const int r = job.slot[a];
        if (r < 0 || r >= MAX_RECORDS) continue;
        doc.recTimeUtcMs(a, r) = now.utcMs;
        doc.recUtcOffsetS(a, r) = now.utcOffsetS;
    }
}

bool CycleWorker::Launch(Cvarnello_mfDoc& doc, DeviceLibrary& lib, const CycleJob& job,
                         std::atomic<int>& state, std::atomic<int>* busy) {
    // A worker still reading refuses; one that has finished its cycle and is
    // only leaving its thread is waited for.
    if (reading_.load(std::memory_order_acquire)) return false;
    thread_.Join();
    job_ = job;
    // Raised before the thread exists, so a close request can never slip in
    // between the start of the cycle and the worker's first device call.
    if (busy) busy->store(1);
    reading_.store(true, std::memory_order_release);
    const bool launched = thread_.Launch([this, &doc, &lib, &state, busy] {
        if (busy) busy->store(1);
        RunCycle(doc, lib, job_);
        reading_.store(false, std::memory_order_release);
        if (busy) busy->store(0);
        state.fetch_add(1, std::memory_order_acq_rel);
        if (notify_) notify_();
    });
    if (!launched) reading_.store(false, std::memory_order_release);
    return launched;
}

void CycleWorker::HandOver(SpectrumWorkspace& panel) {
    // The worker state's move to 2 publishes all the worker wrote; its thread
    // is joined at the next Launch, so the hand-over never waits for it to
    // leave.
    const bool ratioRows = job_.processing.method != MeasuringMethod::LightSource;
    for (int a = 0; a < MAX_HEADS; ++a) {
        if (!processed_[a]) continue;
        panel.displaySpectrum[a] = ws_.displaySpectrum[a];
        panel.ratioSpectrum[a] = ws_.ratioSpectrum[a];
        if (ratioRows) panel.displayRatio[a] = ws_.displayRatio[a];
    }
}

}  // namespace vmf
