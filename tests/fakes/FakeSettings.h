#pragma once
// A SettingsBackend in memory that records the order of writes.

#include <map>
#include <string>
#include <vector>

#include "common/PanelOptions.h"

namespace vmf::test {

class FakeSettings : public SettingsBackend {
public:
    std::map<std::string, int> ints;
    std::map<std::string, std::string> strings;
    std::vector<std::string> reads;
    std::vector<std::string> writes;

    int ReadInt(const char* s, const char* k, int def) override {
        reads.push_back(Key(s, k));
        auto it = ints.find(Key(s, k));
        return it == ints.end() ? def : it->second;
    }
    std::string ReadString(const char* s, const char* k, const std::string& def) override {
        reads.push_back(Key(s, k));
        auto it = strings.find(Key(s, k));
        return it == strings.end() ? def : it->second;
    }
    void WriteInt(const char* s, const char* k, int v) override {
        writes.push_back(Key(s, k));
        ints[Key(s, k)] = v;
    }
    void WriteString(const char* s, const char* k, const std::string& v) override {
        writes.push_back(Key(s, k));
        strings[Key(s, k)] = v;
    }
    static std::string Key(const char* s, const char* k) { return std::string(s) + "/" + k; }
};

}  // namespace vmf::test
