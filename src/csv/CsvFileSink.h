#pragma once
// A CsvSink onto a file, written through a temporary file beside it that
// replaces the target only once every byte is down. A failed or abandoned
// export therefore never leaves a truncated CSV where a complete one was;
// an existing file of the same name is replaced without a question. Links,
// pipes, devices and "-" follow OutputFile's rule.

#include <string>

#include "csv/CsvSink.h"
#include "store/OutputFile.h"

namespace vmf {

// The message for a CSV file that could not be written: the path and why.
std::string CsvSaveFailedText(const std::string& utf8Path, const std::string& reason);

class CsvFileSink : public CsvSink {
public:
    CsvFileSink() = default;
    ~CsvFileSink() override = default;  // drops the temporary unless Commit succeeded
    CsvFileSink(const CsvFileSink&) = delete;
    CsvFileSink& operator=(const CsvFileSink&) = delete;

    // Starts the file for utf8Path. False with reason when the folder does
    // not exist or cannot be written, or the path is refused.
    bool Open(const std::string& utf8Path, std::string& reason);
    bool Append(const char* data, std::size_t size, std::string& reason) override;
    // Closes the temporary and renames it over the target (a stream is
    // closed). False with reason when either fails; the target is then as it
    // was before.
    bool Commit(std::string& reason);

private:
    OutputFile file_;
};

}  // namespace vmf
