// The export meets a real write failure (a file-size limit in a child
// process, the way a full disk fails) and a real kill: it says why once,
// ends normally, leaves the old file and no temporary; a killed export's
// temporary is gone after the next export into the folder.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "common/FileWork.h"
#include "fakes/ScriptedDialogs.h"
#include "hdf5/Hdf5Export.h"
#include "hdf5/Hdf5ExportCommand.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/StoreSample.h"
#include "store/StoreTestUtil.h"

namespace vmf {
namespace {

// Runs the job on a thread of its own, as the window's file worker does.
struct WorkerFileWork : FileWork {
    bool Run(const std::string&, const FileJob& job) override {
        FileProgress progress;
        std::thread([&] { job(progress); }).join();
        return true;
    }
    bool Running() const override { return false; }
};

// Runs body in a child process whose files may not grow past limitBytes;
// returns the child's wait status.
template <class Body>
int InChildWithSizeLimit(rlim_t limitBytes, Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
        const rlimit limit{limitBytes, limitBytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        // exit(), not _exit(): the library's shutdown at exit is where a
        // failed close used to crash.
        std::exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

TEST(Hdf5Failure, WriteFailureIsToldOnceAndTheProcessEndsNormally) {
    testing::ScratchDir dir;
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    testing::FillSample(*doc, 5, 700);
    const std::vector<unsigned char> old = {'o', 'l', 'd'};
    testing::WriteBytes(dir.File("run.h5"), old);
    // The window's command: the export on a worker thread, the failure as
    // one notice, then the process ends as the program would.
    const int status = InChildWithSizeLimit(256 * 1024, [&] {
        test::ScriptedDialogs dialogs;
        dialogs.fileAnswers.push_back(dir.File("run.h5"));
        WorkerFileWork work;
        if (RunHdf5ExportCommand(*doc, dialogs, false, work) != Hdf5ExportOutcome::Failed) return 1;
        const std::vector<std::string> once = {
            "run.h5 に書き出せませんでした。(書き込みに失敗しました: File too large)"};
        return dialogs.notices == once ? 2 : 3;
    });
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(testing::ReadBytes(dir.File("run.h5")), old);
    EXPECT_EQ(dir.EntryCount(), 1u);  // no temporary left
}

TEST(Hdf5Failure, KilledExportsTemporaryGoesWithTheNextExport) {
    testing::ScratchDir dir;
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    testing::FillSample(*doc, 6, 3000);
    const pid_t pid = fork();
    if (pid == 0) {
        for (;;) {  // until killed
            std::string error;
            ExportHdf5(*doc, dir.File("big.h5"), {}, error);
        }
    }
    const auto temporaries = [&] {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.File("")))
            n += e.path().filename().string().rfind(".big.h5.", 0) == 0;
        return n;
    };
    // Killed while its temporary exists, before it could be renamed.
    for (int i = 0; i < 2000 && temporaries() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    ASSERT_EQ(temporaries(), 1);

    // Another export into the folder, of another name, clears it.
    std::string error;
    ASSERT_TRUE(ExportHdf5(*doc, dir.File("other.h5"), {}, error)) << error;
    EXPECT_EQ(temporaries(), 0);
}

TEST(Hdf5Failure, StreamsAreRefused) {
    Cvarnello_mfDoc doc;
    std::string error;
    EXPECT_FALSE(ExportHdf5(doc, "-", {}, error));
    EXPECT_EQ(error,
              "- に書き出せませんでした。(HDF5 ファイルはパイプやデバイス、標準出力には"
              "書き出せません。通常のファイルを指定してください)");
}

}  // namespace
}  // namespace vmf
