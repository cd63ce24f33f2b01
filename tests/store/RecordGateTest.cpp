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
#include <string>
#include <thread>

#include "store/Cvarnello_mfDoc.h"
#include "store/RecordGate.h"

namespace vmf {
namespace {

using namespace std::chrono_literals;

// Waits up to 5 s for done.
template <class F>
bool WaitFor(F done) {
    for (int i = 0; i < 5000 && !done(); ++i) std::this_thread::sleep_for(1ms);
    return done();
}

TEST(RecordGate, AWaitingWriterKeepsNewReadersOut) {
    RecordGate gate;
    std::string order;
    std::mutex orderLock;
    auto note = [&](char c) {
        const std::lock_guard<std::mutex> hold(orderLock);
        order += c;
    };
    gate.lock_shared();  // a reader inside
    std::thread writer([&] {
        const std::lock_guard<RecordGate> hold(gate);
        note('W');
    });
    ASSERT_TRUE(WaitFor([&] { return gate.WriterWaiting(); }));
    std::atomic<bool> readerAsked{false};
    std::thread reader([&] {
        readerAsked = true;
        const std::shared_lock<RecordGate> hold(gate);
        note('R');
    });
    ASSERT_TRUE(WaitFor([&] { return readerAsked.load(); }));
    std::this_thread::sleep_for(20ms);
    {
        const std::lock_guard<std::mutex> hold(orderLock);
        EXPECT_EQ(order, "");  // neither got past the reader inside
    }
    gate.unlock_shared();
    writer.join();
    reader.join();
    EXPECT_EQ(order, "WR");
}

TEST(RecordGate, ClearWaitsForTheReaderAndMovesTheGeneration) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    doc->headCount = 1;
    ASSERT_TRUE(doc->EnsureRecordArrays(0, 0));
    doc->recordCount[0] = 1;
    const uint64_t before = doc->recordGate.Generation();
    std::atomic<bool> cleared{false};
    std::thread clearing;
    {
        const std::shared_lock<RecordGate> reading(doc->recordGate);
        clearing = std::thread([&] {
            doc->ClearRecords();
            cleared = true;
        });
        ASSERT_TRUE(WaitFor([&] { return doc->recordGate.WriterWaiting(); }));
        // The spectrum is still there for the reader holding the gate.
        EXPECT_FALSE(cleared.load());
        EXPECT_NE(doc->recProcessed(0, 0), nullptr);
        EXPECT_EQ(doc->recordGate.Generation(), before);
    }
    clearing.join();
    EXPECT_NE(doc->recordGate.Generation(), before);

    // Adopting a load replaces the records: the generation moves as well.
    const uint64_t cleared1 = doc->recordGate.Generation();
    Cvarnello_mfDoc staged;
    staged.headCount = 1;
    ASSERT_TRUE(staged.EnsureRecordArrays(0, 0));
    staged.recordCount[0] = 1;
    doc->AdoptLoaded(staged);
    EXPECT_NE(doc->recordGate.Generation(), cleared1);
}

}  // namespace
}  // namespace vmf
