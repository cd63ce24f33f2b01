#pragma once
// The steps of a test script that drives the running program through its own
// controls (VMF_TEST_SCRIPT, see TestScriptDriver). Kept apart from the driver
// so the parsing is checked without a window.
//
// Script text: steps separated by ';', each a verb and its argument:
//   click NAME       presses the button with that object name
//   check NAME 0|1   sets a check box (by pressing it when it differs)
//   text NAME VALUE  types VALUE into the edit with that object name
//   records N        waits until every head has N records and no cycle runs
//   idle             waits until no measurement or worker is active
//   saveas PATH      File Save As, the file dialog answered with PATH
//   wait MS          waits MS milliseconds
//   quit             closes the main window (the normal end of a run)
//   opened PATH      waits until the document is the file PATH (one handed
//                    over by a second start, say)
//   qttext CONTEXT|SOURCE  reports Qt's own text in the language loaded
//   trend N          opens the trend window and shows value N of its list
//   pick P           clicks the trend chart P % across its plot area, half
//                    way up, and reports what the window then says
// PATH and VALUE are the rest of the step, spaces included.

#include <optional>
#include <string>
#include <vector>

namespace vmf {

struct TestStep {
    enum class Verb {
        Click,
        Check,
        Text,
        Records,
        Idle,
        SaveAs,
        Wait,
        Quit,
        Opened,
        QtText,
        Trend,
        Pick
    };
    Verb verb = Verb::Quit;
    std::string name;  // object name (click, check, text)
    std::string text;  // value (text), path (saveas, opened), CONTEXT|SOURCE (qttext)
    int number = 0;    // check state, record count, milliseconds, value, per cent
};

// The steps of a script, or nothing with error set to the first bad step.
std::optional<std::vector<TestStep>> ParseTestScript(const std::string& script, std::string& error);

}  // namespace vmf
