#pragma once
// A CsvSink that collects the bytes in memory (tests, benchmarks, previews).

#include <string>

#include "csv/CsvSink.h"

namespace vmf {

class CsvStringSink : public CsvSink {
public:
    std::string bytes;
    bool Append(const char* data, std::size_t size, std::string&) override {
        bytes.append(data, size);
        return true;
    }
};

}  // namespace vmf
