#include "store/Cvarnello_mfDoc.h"

namespace vmf {
// Placeholder until the data file reader and writer land.
bool Cvarnello_mfDoc::SaveToFile(const std::string& p, std::string& e) const { e = "not yet"; return false; }
bool Cvarnello_mfDoc::LoadFromFile(const std::string& p, std::string& e) { e = "not yet"; return false; }
}
