// The record gate: a writer that waits keeps new readers out (so busy
// readers cannot hold the panel's thread off), a clear waits for the reader
// inside, and clearing or adopting a load moves the generation on, which is
// how a reader on another thread learns that its records are gone.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>

#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

using namespace std::chrono_literals;

template <class F>
bool WaitFor(F done) {
    for (int i = 0; i < 5000 && !done(); ++i) std::this_thread::sleep_for(1ms);
    return done();
}

TEST(RecordGate, AWaitingWriterKeepsNewReadersOut) {
    RecordGate gate;
    std::atomic<int> step{0}, writerAt{0}, readerAt{0};
    gate.lock_shared();  // a reader inside
    std::thread writer([&] {
        const std::lock_guard<RecordGate> hold(gate);
        writerAt = ++step;
    });
    ASSERT_TRUE(WaitFor([&] { return gate.WriterWaiting(); }));
    std::thread reader([&] {
        const std::shared_lock<RecordGate> hold(gate);
        readerAt = ++step;
    });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(step.load(), 0);  // neither got past the reader inside
    gate.unlock_shared();
    writer.join();
    reader.join();
    EXPECT_EQ(writerAt.load(), 1);
    EXPECT_EQ(readerAt.load(), 2);
}

TEST(RecordGate, ClearWaitsForTheReaderAndLoadsAndClearsMoveTheGeneration) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    doc->headCount = 1;
    ASSERT_TRUE(doc->EnsureRecordArrays(0, 0));
    doc->recordCount[0] = 1;
    const uint64_t before = doc->recordGate.Generation();
    std::thread clearing;
    {
        const std::shared_lock<RecordGate> reading(doc->recordGate);
        clearing = std::thread([&] { doc->ClearRecords(); });
        ASSERT_TRUE(WaitFor([&] { return doc->recordGate.WriterWaiting(); }));
        // The spectrum stays for the reader holding the gate.
        EXPECT_NE(doc->recProcessed(0, 0), nullptr);
        EXPECT_EQ(doc->recordGate.Generation(), before);
    }
    clearing.join();
    const uint64_t cleared = doc->recordGate.Generation();
    EXPECT_NE(cleared, before);

    Cvarnello_mfDoc staged;
    staged.headCount = 1;
    ASSERT_TRUE(staged.EnsureRecordArrays(0, 0));
    staged.recordCount[0] = 1;
    doc->AdoptLoaded(staged);
    EXPECT_NE(doc->recordGate.Generation(), cleared);
}

}  // namespace
}  // namespace vmf
