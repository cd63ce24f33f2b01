#include "common/FileJobRunner.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <exception>
#include <thread>

namespace vmf {
namespace {

// How often the GUI thread looks at the job. The worker never calls into Qt
// (it only sets atomics), so its end is noticed here, at most this late.
constexpr int kPollMs = 10;

}  // namespace

FileJobRunner::FileJobRunner(QWidget* parent) : QObject(parent), parent_(parent) {}

FileJobRunner::~FileJobRunner() = default;

void FileJobRunner::Cancel() {
    if (!running_) return;
    progress_.cancel.store(true);
    if (dialog_) dialog_->setLabelText(QString::fromUtf8(kProgressCancelling));
}

bool FileJobRunner::Run(const std::string& caption, const FileJob& job) {
    if (running_) return false;
    running_ = true;
    caption_ = QString::fromStdString(caption);
    progress_.Reset();
    finished_.store(false);
    emit runningChanged(true);

    QElapsedTimer clock;
    clock.start();
    elapsedMs_ = 0;
    QEventLoop loop;
    loop_ = &loop;
    std::thread worker([this, &job] {
        try {
            job(progress_);
        } catch (...) {
            // A job reports its own failures; nothing may escape the thread.
        }
        finished_.store(true);
    });
    QTimer poll;
    poll.setInterval(kPollMs);
    connect(&poll, &QTimer::timeout, this, [this, &clock] {
        elapsedMs_ = clock.elapsed();
        Poll();
    });
    poll.start();
    if (!finished_.load()) loop.exec();
    poll.stop();
    loop_ = nullptr;
    // exec() also returns when the application is told to quit: the job is
    // then cancelled, and waited for, since it writes into the caller's data.
    if (!finished_.load()) progress_.cancel.store(true);
    worker.join();

    if (dialog_) {
        dialog_->hide();
        dialog_->deleteLater();
        dialog_ = nullptr;
    }
    running_ = false;
    emit runningChanged(false);
    return true;
}

void FileJobRunner::Poll() {
    if (finished_.load()) {
        if (loop_) loop_->quit();
        return;
    }
    const uint64_t done = progress_.done.load();
    const uint64_t total = progress_.total.load();
    if (!dialog_ && !progress_.Cancelled() && pacing_.DialogDue(elapsedMs_, done, total))
        ShowDialog();
    if (dialog_) {
        const int percent = ProgressPercent(done, total);
        if (dialog_->value() != percent) dialog_->setValue(percent);
    }
}

void FileJobRunner::ShowDialog() {
    auto* dialog =
        new QProgressDialog(caption_, QString::fromUtf8(kProgressCancel), 0, 100, parent_);
    dialog->setWindowTitle(QStringLiteral("varnello_mf"));
    // The window behind stays usable: it repaints, and its commands explain
    // why they wait instead of being silently blocked.
    dialog->setWindowModality(Qt::NonModal);
    dialog->setMinimumDuration(0);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumWidth(360);
    connect(dialog, &QProgressDialog::canceled, this, &FileJobRunner::Cancel);
    dialog_ = dialog;
    dialog->show();
}

}  // namespace vmf
