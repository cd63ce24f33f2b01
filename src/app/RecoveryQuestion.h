#pragma once
// What the start-up question about a journal left behind tells the operator
// before OK restores it: how many records each head holds under which serial
// number, when the first and the last record were taken, and where the
// journal goes when it is not restored.

#include <string>

namespace vmf {

class Cvarnello_mfDoc;

// The question for the store a journal replayed into (UTF-8, lines ended by
// '\n'); setAsideFolder is the folder a journal not restored is moved into.
std::string RecoveryQuestion(const Cvarnello_mfDoc& replayed, const std::string& setAsideFolder);

}  // namespace vmf
