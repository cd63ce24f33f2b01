#include "app/TestScriptSteps.h"

#include <cctype>
#include <charconv>

namespace vmf {
namespace {

std::string Trim(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

// Splits off the first word; rest keeps inner spaces.
std::string FirstWord(const std::string& s, std::string& rest) {
    const size_t space = s.find(' ');
    if (space == std::string::npos) {
        rest.clear();
        return s;
    }
    rest = Trim(s.substr(space + 1));
    return s.substr(0, space);
}

bool ParseCount(const std::string& s, int& out) {
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && out >= 0;
}

std::optional<TestStep> ParseStep(const std::string& text) {
    std::string rest;
    const std::string verb = FirstWord(text, rest);
    TestStep step;
    if (verb == "click" && !rest.empty() && rest.find(' ') == std::string::npos) {
        step.verb = TestStep::Verb::Click;
        step.name = rest;
    } else if (verb == "check") {
        step.verb = TestStep::Verb::Check;
        std::string state;
        step.name = FirstWord(rest, state);
        if (step.name.empty() || (state != "0" && state != "1")) return std::nullopt;
        step.number = state == "1" ? 1 : 0;
    } else if (verb == "text") {
        step.verb = TestStep::Verb::Text;
        step.name = FirstWord(rest, step.text);
        if (step.name.empty()) return std::nullopt;
    } else if (verb == "records" && ParseCount(rest, step.number) && step.number > 0) {
        step.verb = TestStep::Verb::Records;
    } else if (verb == "idle" && rest.empty()) {
        step.verb = TestStep::Verb::Idle;
    } else if (verb == "saveas" && !rest.empty()) {
        step.verb = TestStep::Verb::SaveAs;
        step.text = rest;
    } else if (verb == "wait" && ParseCount(rest, step.number)) {
        step.verb = TestStep::Verb::Wait;
    } else if (verb == "quit" && rest.empty()) {
        step.verb = TestStep::Verb::Quit;
    } else if (verb == "opened" && !rest.empty()) {
        step.verb = TestStep::Verb::Opened;
        step.text = rest;
    } else if (verb == "qttext" && rest.find('|') != std::string::npos) {
        step.verb = TestStep::Verb::QtText;
        step.text = rest;
    } else if (verb == "trend" && ParseCount(rest, step.number)) {
        step.verb = TestStep::Verb::Trend;
    } else if (verb == "pick" && ParseCount(rest, step.number) && step.number <= 100) {
        step.verb = TestStep::Verb::Pick;
    } else {
        return std::nullopt;
    }
    return step;
}

}  // namespace

std::optional<std::vector<TestStep>> ParseTestScript(const std::string& script,
                                                     std::string& error) {
    std::vector<TestStep> steps;
    size_t pos = 0;
    while (pos <= script.size()) {
        size_t end = script.find(';', pos);
        if (end == std::string::npos) end = script.size();
        const std::string text = Trim(script.substr(pos, end - pos));
        pos = end + 1;
        if (text.empty()) continue;
        const auto step = ParseStep(text);
        if (!step) {
            error = "bad step: " + text;
            return std::nullopt;
        }
        steps.push_back(*step);
    }
    return steps;
}

}  // namespace vmf
