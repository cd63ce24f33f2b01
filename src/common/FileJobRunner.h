#pragma once
// FileWork for the window: the job runs on a worker thread while the GUI
// thread turns a local event loop, so the window repaints, its timers run and
// commands are answered (those that would read or change the store refuse,
// see FileWork::Running). Work expected to take more than about half a second
// gets a progress dialog with the percentage of bytes and Cancel, which sets
// the job's cancel flag; the dialog closes when the job ends.
//
// Closing the window during a job is the frame's question (wait or cancel);
// the runner only offers Cancel(). GUI thread only, apart from the worker.

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <atomic>

#include "common/FileWork.h"
#include "common/ProgressPacing.h"

class QEventLoop;
class QWidget;

namespace vmf {

inline constexpr const char* kProgressCancel = "キャンセル";
inline constexpr const char* kProgressCancelling = "中止しています…";

class FileJobRunner : public QObject, public FileWork {
    Q_OBJECT
public:
    // parent: the window the progress dialog belongs to.
    explicit FileJobRunner(QWidget* parent);
    ~FileJobRunner() override;

    bool Run(const std::string& caption, const FileJob& job) override;
    bool Running() const override { return running_; }
    // Asks the running job to stop (as the dialog's Cancel does).
    void Cancel();

    // --- Test seams ----------------------------------------------------------
    void SetPacing(const ProgressPacing& pacing) { pacing_ = pacing; }
    // The progress dialog while it is shown, else nullptr.
    QProgressDialog* Dialog() const { return dialog_; }

signals:
    // Emitted when a job starts (true) and after it has ended (false).
    void runningChanged(bool running);

private:
    void Poll();
    void ShowDialog();

    QWidget* parent_;
    ProgressPacing pacing_;
    FileProgress progress_;
    std::atomic<bool> finished_{false};
    bool running_ = false;
    QString caption_;
    QEventLoop* loop_ = nullptr;
    QPointer<QProgressDialog> dialog_;
    qint64 elapsedMs_ = 0;
};

}  // namespace vmf
