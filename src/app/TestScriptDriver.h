#pragma once
// Drives the running program through its own controls, one step after the
// other on the user-interface thread, for the tests of built packages (the
// Windows build under Wine) where no test harness reaches inside the process.
// Started only when the environment variable VMF_TEST_SCRIPT holds a script
// (steps: TestScriptSteps.h). Each step is reported on stderr; a step that
// fails or waits longer than 60 s ends the program with exit code 3.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <vector>

#include "app/TestScriptSteps.h"

namespace vmf {

class CMainFrame;
class Cvarnello_mfView;
class Cvarnello_mfDoc;
class QtUserDialogs;

class TestScriptDriver : public QObject {
public:
    TestScriptDriver(std::vector<TestStep> steps, CMainFrame& frame, Cvarnello_mfView& view,
                     Cvarnello_mfDoc& doc, QtUserDialogs& dialogs);

    // Runs the first step once the event loop is running.
    void Begin();

private:
    void Poll();
    // True when the step is done, false while it still waits.
    bool Run(const TestStep& step);
    bool RunTrend(const TestStep& step);
    void Fail(const QString& why);
    template <class T>
    T* Find(const std::string& name);

    std::vector<TestStep> steps_;
    size_t next_ = 0;
    CMainFrame& frame_;
    Cvarnello_mfView& view_;
    Cvarnello_mfDoc& doc_;
    QtUserDialogs& dialogs_;
    QTimer timer_;
    QElapsedTimer stepClock_;
};

}  // namespace vmf
