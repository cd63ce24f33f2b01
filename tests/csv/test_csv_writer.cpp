// The CSV layouts byte for byte, the ranges and targets, the refusals, and
// the file side (replacement, failures).

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "csv/CsvFileSink.h"
#include "csv/CsvStringSink.h"
#include "csv/CsvTestData.h"
#include "csv/CsvWriter.h"
#include "store/TextFormat.h"

namespace vmf {
namespace {

using test::ChannelAt;
using test::CsvFixture;

constexpr char kExampleHorizontal[] =
    "temp,exposure,   340,   350,   360,\r\n"
    "25.3, 10000, 101.5, 230.0, 412.8,\r\n"
    "25.4, 10000, 102.0, 229.5, 410.1,\r\n";
constexpr char kExampleVertical[] =
    "temp,25.3,25.4,\r\n"
    "exposure, 10000, 10000,\r\n"
    "340, 101.5, 102.0,\r\n"
    "350, 230.0, 229.5,\r\n"
    "360, 412.8, 410.1,\r\n";

CsvRequest ExampleRequest(bool vertical) {
    CsvRequest q;
    q.firstRecord = 0;
    q.endRecord = 2;
    q.vertical = vertical;
    q.startWavelength = 340;
    q.endWavelength = 360;
    q.stepWavelength = 10;
    return q;
}

std::string Export(CsvFixture& f, int target, const CsvRequest& q, ProcessingOptions opt = {}) {
    CsvWriter writer(*f.doc, f.ws, opt, target);
    CsvStringSink sink;
    std::string error;
    EXPECT_TRUE(writer.Write(sink, q, error)) << error;
    return sink.bytes;
}

// The head of the reference example: two channels at 340.1 and 342.7 nm.
void MakeReferenceHead(CsvFixture& f) {
    f.doc->channelCount[0] = 2;
    f.doc->wavelengthNm[0][0] = 340.1f;
    f.doc->wavelengthNm[0][1] = 342.7f;
    f.doc->whiteRef[0][0] = 8012.3f;
    f.doc->whiteRef[0][1] = 8030.0f;
    f.doc->whiteRef[0][2] = 10000.0f;  // exposure entry after the channels
    f.doc->transRef[0][0] = 51.25f;
    f.doc->transRef[0][1] = -3.0f;
    f.doc->transRef[0][2] = 20000.4f;
}

TEST(CsvWriter, WorkedExampleThroughTheFileInBothLayouts) {
    CsvFixture f;
    f.AddExampleRecords();
    auto dir = test::FreshFolder("csv-writer");
    CsvWriter writer(*f.doc, f.ws, {}, CSV_TARGET_PROCESSED);
    std::string error;
    ASSERT_TRUE(writer.WriteCsvFile((dir / "h.csv").string(), 0, 2, 0, true, true, true, false, 340,
                                    360, 10, error))
        << error;
    EXPECT_EQ(test::ReadFileBytes(dir / "h.csv"), kExampleHorizontal);
    ASSERT_TRUE(writer.WriteCsvFile((dir / "v.csv").string(), 0, 2, 0, true, true, true, true, 340,
                                    360, 10, error))
        << error;
    EXPECT_EQ(test::ReadFileBytes(dir / "v.csv"), kExampleVertical);
    // No temporary is left beside the results.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
    std::filesystem::remove_all(dir);
}

TEST(CsvWriter, ReferenceTargetsInBothLayouts) {
    CsvFixture f;
    MakeReferenceHead(f);
    CsvRequest q = ExampleRequest(false);
    EXPECT_EQ(Export(f, CSV_TARGET_WHITE, q),
              "temp,exposure, 340.1, 342.7,\r\n, 10000,8012.3,8030.0,\r\n");
    q.vertical = true;
    EXPECT_EQ(Export(f, CSV_TARGET_WHITE, q),
              "temp,,\r\nexposure, 10000,\r\n 340.1,8012.3,\r\n 342.7,8030.0,\r\n");
    // The transmission reference, with the ranges pointing nowhere sensible:
    // a reference ignores both, and needs no records at all.
    q.firstRecord = -7;
    q.endRecord = 123456;
    q.startWavelength = 900;
    q.stepWavelength = 0;
    EXPECT_EQ(Export(f, CSV_TARGET_TRANS, q),
              "temp,,\r\nexposure, 20000,\r\n 340.1,  51.2,\r\n 342.7,  -3.0,\r\n");
    q.vertical = false;
    q.addTemperature = false;
    q.addLabels = false;
    EXPECT_EQ(Export(f, CSV_TARGET_TRANS, q), " 20000,  51.2,  -3.0,\r\n");
}

TEST(CsvWriter, EmptyRangeKeepsOnlyTheLabels) {
    CsvFixture f;
    f.AddExampleRecords();
    CsvRequest q = ExampleRequest(false);
    q.firstRecord = 1;
    q.endRecord = 1;
    EXPECT_EQ(Export(f, CSV_TARGET_PROCESSED, q), "temp,exposure,   340,   350,   360,\r\n");
    q.firstRecord = 2;
    q.endRecord = 0;  // first beyond end counts as empty too
    q.vertical = true;
    EXPECT_EQ(Export(f, CSV_TARGET_PROCESSED, q), "temp,\r\nexposure,\r\n340,\r\n350,\r\n360,\r\n");
    q.vertical = false;
    q.addLabels = false;
    EXPECT_EQ(Export(f, CSV_TARGET_PROCESSED, q), "");
    q.vertical = true;  // without labels the vertical rows are bare line ends
    EXPECT_EQ(Export(f, CSV_TARGET_PROCESSED, q), "\r\n\r\n\r\n\r\n\r\n");
}

TEST(CsvWriter, OptionalRowsAndColumnsAndLabels) {
    CsvFixture f;
    f.AddExampleRecords();
    CsvRequest q = ExampleRequest(false);
    q.addLabels = false;
    EXPECT_EQ(Export(f, CSV_TARGET_PROCESSED, q),
              "25.3, 10000, 101.5, 230.0, 412.8,\r\n25.4, 10000, 102.0, 229.5, 410.1,\r\n");
    q.addTemperature = false;
    q.addLabels = true;
    EXPECT_EQ(Export(f, CSV_TARGET_PROCESSED, q),
              "exposure,   340,   350,   360,\r\n 10000, 101.5, 230.0, 412.8,\r\n 10000, 102.0, "
              "229.5, 410.1,\r\n");
    q.vertical = true;
    q.addTemperature = true;
    q.addExposure = false;
    q.addLabels = false;
    EXPECT_EQ(Export(f, CSV_TARGET_PROCESSED, q),
              "25.3,25.4,\r\n 101.5, 102.0,\r\n 230.0, 229.5,\r\n 412.8, 410.1,\r\n");
}

TEST(CsvWriter, WavelengthListIsBoundedAndAlwaysEnds) {
    CsvFixture f;
    f.AddRecord(20.0f, 5000, {{350, 7.0f}});
    CsvRequest q = ExampleRequest(false);
    q.endRecord = 1;
    q.addTemperature = q.addExposure = false;
    q.startWavelength = q.endWavelength = 350;
    EXPECT_EQ(Export(f, CSV_TARGET_PROCESSED, q), "   350,\r\n   7.0,\r\n");
    q.startWavelength = 350;
    q.endWavelength = 360;
    q.stepWavelength = 1000;  // larger than the range: the start alone
    EXPECT_EQ(Export(f, CSV_TARGET_PROCESSED, q), "   350,\r\n   7.0,\r\n");
    q.stepWavelength = 0x7fffffff;  // must not overflow into an endless list
    EXPECT_EQ(Export(f, CSV_TARGET_PROCESSED, q), "   350,\r\n   7.0,\r\n");
    // A step below 1 counts as 1 instead of looping for ever.
    q.startWavelength = 848;
    q.endWavelength = 900;  // beyond the grid: stops at 850
    for (int step : {0, -5}) {
        q.stepWavelength = step;
        std::string s = Export(f, CSV_TARGET_PROCESSED, q);
        EXPECT_EQ(s.substr(0, s.find("\r\n")), "   848,   849,   850,");
    }
    q.startWavelength = 200;  // below the grid: starts at 340
    q.endWavelength = 341;
    q.stepWavelength = 1;
    EXPECT_EQ(Export(f, CSV_TARGET_PROCESSED, q).substr(0, 14), "   340,   341,");
}

TEST(CsvWriter, RecordsArePreparedWithTheCurrentCorrection) {
    CsvFixture f;
    f.AddExampleRecords();
    // A dark of 1.5 counts at every channel, flat, and a gain of 2.
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        f.doc->darkTable[0][0][c] = 1.5f;
        f.doc->darkTable[0][19][c] = 1.5f;
        f.doc->gain[0][c] = 2.0f;
    }
    f.ws.DeriveDarkModel(*f.doc, 0);
    f.doc->recProcessed(0, 0)[ChannelAt(340)] = -999.0f;  // stale, from acquisition time
    ProcessingOptions opt;
    opt.sensitivityOn = true;
    CsvRequest q = ExampleRequest(false);
    q.addLabels = q.addTemperature = q.addExposure = false;
    EXPECT_EQ(Export(f, CSV_TARGET_PROCESSED, q, opt),
              " 200.0, 457.0, 822.6,\r\n 201.0, 456.0, 817.2,\r\n");
    // The stored spectra are recomputed, and the workspace and dark step 20
    // describe the last record written.
    EXPECT_FLOAT_EQ(f.doc->recProcessed(0, 0)[ChannelAt(340)], 200.0f);
    EXPECT_FLOAT_EQ(f.ws.displaySpectrum[0][360 - 340], (410.1f - 1.5f) * 2.0f);
    EXPECT_FLOAT_EQ(f.doc->darkTable[0][20][0], 1.5f);
}

TEST(CsvWriter, RatioTarget) {
    CsvFixture f;
    f.AddExampleRecords();
    // White reference equal to record 0, taken at twice the exposure: the
    // exposure factor makes record 0 read 200 %.
    for (int c = 0; c < MAX_CHANNELS; ++c) f.doc->whiteRef[0][c] = f.doc->recRaw(0, 0)[c];
    f.doc->whiteRef[0][MAX_CHANNELS] = 20000.0f;
    CsvRequest q = ExampleRequest(false);
    q.endRecord = 1;
    q.addLabels = q.addTemperature = q.addExposure = false;
    ProcessingOptions reflect;
    reflect.method = MeasuringMethod::Reflectance;
    EXPECT_EQ(Export(f, CSV_TARGET_RATIO, q, reflect), " 200.0, 200.0, 200.0,\r\n");
    // The light-source method has no ratio: zeros, not the grid left over
    // from the reflectance export above.
    EXPECT_EQ(Export(f, CSV_TARGET_RATIO, q, ProcessingOptions{}), "   0.0,   0.0,   0.0,\r\n");
    EXPECT_FLOAT_EQ(f.ws.displayRatio[0][0], 200.0f);  // untouched by the light-source export
}

TEST(CsvWriter, RefusesWhatItCannotWriteBeforeTouchingAnything) {
    CsvFixture f;
    f.AddExampleRecords();
    auto dir = test::FreshFolder("csv-refuse");
    auto path = (dir / "x.csv").string();
    f.doc->recProcessed(0, 0)[0] = -42.0f;
    struct Case {
        int target, first, end, head;
    } cases[] = {
        {CSV_TARGET_PROCESSED, 0, 3, 0},   // slot 2 was never filled
        {CSV_TARGET_PROCESSED, -1, 0, 0},  // the dialog's range with no records
        {CSV_TARGET_RATIO, 0, MAX_RECORDS + 1, 0},
        {CSV_TARGET_PROCESSED, 0, 1, MAX_HEADS},
        {CSV_TARGET_WHITE, 0, 0, -1},
        {-1, 0, 1, 0},
        {CSV_TARGET_COUNT, 0, 1, 0},
    };
    for (const Case& c : cases) {
        CsvWriter writer(*f.doc, f.ws, {}, c.target);
        std::string error;
        EXPECT_FALSE(writer.WriteCsvFile(path, c.first, c.end, c.head, true, true, true, true, 340,
                                         850, 10, error))
            << c.target << " " << c.first << " " << c.end << " " << c.head;
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    // Nothing was prepared either: the stored spectra are as acquired.
    EXPECT_FLOAT_EQ(f.doc->recProcessed(0, 0)[0], -42.0f);
    std::filesystem::remove_all(dir);
}

TEST(CsvWriter, FileFailuresAreReportedAndLeaveTheOldFile) {
    CsvFixture f;
    f.AddExampleRecords();
    CsvWriter writer(*f.doc, f.ws, {}, CSV_TARGET_PROCESSED);
    std::string error;
    const std::string missing = "/nonexistent-folder-for-csv/x.csv";
    EXPECT_FALSE(
        writer.WriteCsvFile(missing, 0, 2, 0, true, true, true, true, 340, 360, 10, error));
    EXPECT_EQ(error.rfind("CSVファイルを保存できませんでした: " + missing + " (", 0), 0u) << error;
    EXPECT_FALSE(writer.WriteCsvFile("", 0, 2, 0, true, true, true, true, 340, 360, 10, error));

    // A path naming a folder cannot become a file; the folder stays.
    auto dir = test::FreshFolder("csv-fail");
    std::filesystem::create_directory(dir / "sub.csv");
    EXPECT_FALSE(writer.WriteCsvFile((dir / "sub.csv").string(), 0, 2, 0, true, true, true, true,
                                     340, 360, 10, error));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "sub.csv"));

    // An existing file is replaced whole on success.
    {
        std::ofstream(dir / "old.csv", std::ios::binary)
            << "previous contents that are longer than the new ones\n";
    }
    ASSERT_TRUE(writer.WriteCsvFile((dir / "old.csv").string(), 0, 2, 0, true, true, true, true,
                                    340, 360, 10, error));
    EXPECT_EQ(test::ReadFileBytes(dir / "old.csv"), kExampleVertical);
    std::filesystem::remove_all(dir);
}

// Fails once more than `limit` bytes have been offered.
class FailingSink : public CsvSink {
public:
    explicit FailingSink(size_t limit) : limit_(limit) {}
    size_t taken = 0;
    int calls = 0;
    bool Append(const char*, std::size_t size, std::string& reason) override {
        ++calls;
        if (taken + size > limit_) {
            reason = "No space left on device";
            return false;
        }
        taken += size;
        return true;
    }

private:
    size_t limit_;
};

TEST(CsvWriter, WriteErrorsStopTheExport) {
    CsvFixture f;
    for (int r = 0; r < 3000; ++r) f.AddRecord(20.0f, 1000);
    CsvRequest q;
    q.endRecord = 3000;
    q.stepWavelength = 1;  // about 10 MB, many chunks
    for (bool vertical : {false, true}) {
        q.vertical = vertical;
        CsvWriter writer(*f.doc, f.ws, {}, CSV_TARGET_PROCESSED);
        FailingSink sink(3u << 20);
        std::string error;
        EXPECT_FALSE(writer.Write(sink, q, error));
        EXPECT_EQ(error, "No space left on device");
        // The failure is not followed by further attempts to write.
        int callsAtFailure = sink.calls;
        EXPECT_LE(callsAtFailure, 5);
    }
}

TEST(CsvWriter, LargeExportMatchesPlainFormatting) {
    // Many chunks and rows longer than a chunk: the bytes must be those of a
    // plain printf-per-cell rendering.
    CsvFixture f;
    const int records = 1500;
    for (int r = 0; r < records; ++r)
        f.AddRecord(15.0f + 0.01f * static_cast<float>(r), 1000 + r, {},
                    static_cast<float>(r) * 3.37f - 40.0f);
    CsvRequest q;
    q.endRecord = records;
    q.stepWavelength = 3;
    for (bool vertical : {false, true}) {
        q.vertical = vertical;
        std::string got = Export(f, CSV_TARGET_PROCESSED, q);
        std::string want;
        // The values come from the same preparation the panel uses, done on
        // a separate workspace; only the layout and formatting are checked.
        SpectrumWorkspace other;
        std::vector<std::array<float, GRID_POINTS>> grid(records);
        for (int r = 0; r < records; ++r) {
            other.ProcessRecord(*f.doc, 0, r, {});
            other.ResampleRecord(*f.doc, 0, r, {});
            grid[r] = other.displaySpectrum[0];
        }
        auto value = [&](int r, int w) { return grid[r][w - 340]; };
        std::vector<int> waves;
        for (int w = 340; w <= 850; w += 3) waves.push_back(w);
        char cell[64];
        if (!vertical) {
            want += "temp,exposure,";
            for (int w : waves) want += (std::snprintf(cell, sizeof cell, "%6d,", w), cell);
            want += "\r\n";
            for (int r = 0; r < records; ++r) {
                want += (std::snprintf(cell, sizeof cell, "%4.1f,", f.doc->recTemperatureC(0, r)),
                         cell);
                want +=
                    (std::snprintf(cell, sizeof cell, "%6d,", f.doc->recExposureUs(0, r)), cell);
                for (int w : waves)
                    want += (std::snprintf(cell, sizeof cell, "%6.1f,", value(r, w)), cell);
                want += "\r\n";
            }
        } else {
            want += "temp,";
            for (int r = 0; r < records; ++r)
                want += (std::snprintf(cell, sizeof cell, "%4.1f,", f.doc->recTemperatureC(0, r)),
                         cell);
            want += "\r\nexposure,";
            for (int r = 0; r < records; ++r)
                want +=
                    (std::snprintf(cell, sizeof cell, "%6d,", f.doc->recExposureUs(0, r)), cell);
            want += "\r\n";
            for (int w : waves) {
                want += (std::snprintf(cell, sizeof cell, "%d,", w), cell);
                for (int r = 0; r < records; ++r)
                    want += (std::snprintf(cell, sizeof cell, "%6.1f,", value(r, w)), cell);
                want += "\r\n";
            }
        }
        ASSERT_EQ(got.size(), want.size()) << "vertical " << vertical;
        EXPECT_TRUE(got == want) << "vertical " << vertical;
    }
}

TEST(CsvWriter, ValuesAreThoseOfTheFullResampling) {
    // Irregular channel wavelengths (once rising, once with a dip that forces
    // the scanning search) and counts large enough that every float bit shows
    // in the text: the writer's values must be those ResampleRecord stores.
    for (bool dip : {false, true}) {
        CsvFixture f;
        for (int c = 0; c < MAX_CHANNELS; ++c)
            f.doc->wavelengthNm[0][c] =
                309.37f + 1.9311f * static_cast<float>(c) + 0.013f * static_cast<float>(c % 7);
        if (dip) f.doc->wavelengthNm[0][100] = f.doc->wavelengthNm[0][98];
        for (int c = 0; c < MAX_CHANNELS; ++c)
            f.doc->whiteRef[0][c] = 3.0e5f + 977.0f * static_cast<float>(c % 13);
        f.doc->whiteRef[0][MAX_CHANNELS] = 15000.0f;
        const int records = 60;
        for (int r = 0; r < records; ++r) {
            f.AddRecord(20.0f, 10000 + 100 * r, {}, 1.0e6f + 7919.3f * static_cast<float>(r));
            for (int c = 0; c < MAX_CHANNELS; ++c)
                f.doc->recRaw(0, r)[c] += 3.7e4f * static_cast<float>((c * 37 + r * 11) % 17);
        }
        ProcessingOptions reflect{MeasuringMethod::Reflectance, false};
        CsvRequest q;
        q.endRecord = records;
        q.vertical = false;
        q.addLabels = q.addTemperature = q.addExposure = false;
        q.startWavelength = 341;
        q.stepWavelength = 3;
        for (int target : {CSV_TARGET_PROCESSED, CSV_TARGET_RATIO}) {
            std::string got = Export(f, target, q, reflect);
            SpectrumWorkspace other;
            std::string want;
            for (int r = 0; r < records; ++r) {
                other.ProcessRecord(*f.doc, 0, r, reflect);
                other.ResampleRecord(*f.doc, 0, r, reflect);
                const auto& grid = target == CSV_TARGET_PROCESSED ? other.displaySpectrum[0]
                                                                  : other.displayRatio[0];
                for (int w = 341; w <= 850; w += 3) want += CFormat("%6.1f,", grid[w - 340]);
                want += "\r\n";
            }
            EXPECT_TRUE(got == want) << "target " << target << " dip " << dip;
            // The workspace ends as after the panel's own loop.
            EXPECT_EQ(f.ws.displaySpectrum[0], other.displaySpectrum[0]);
            EXPECT_EQ(f.ws.displayRatio[0], other.displayRatio[0]);
            EXPECT_EQ(f.ws.ratioSpectrum[0], other.ratioSpectrum[0]);
        }
    }
}

// A locale with a decimal comma: an installed one, or one compiled from the
// system's locale sources into a temporary folder when those are present.
const char* DecimalCommaLocale() {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8",
                           "German_Germany.1252"};
    for (const char* n : names)
        if (std::setlocale(LC_ALL, n)) return n;
#if !defined(_WIN32)
    auto dir = std::filesystem::temp_directory_path() / "vmf-csv-locales";
    std::filesystem::create_directories(dir);
    setenv("LOCPATH", dir.c_str(), 1);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8")) return "de_DE.UTF-8 (compiled before)";
    std::string cmd =
        "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) == 0) {
        if (std::setlocale(LC_ALL, "de_DE.UTF-8")) return "de_DE.UTF-8 (compiled)";
    }
#endif
    return nullptr;
}

TEST(CsvWriter, NumbersIgnoreTheProcessLocale) {
    const char* found = DecimalCommaLocale();
    if (!found) GTEST_SKIP() << "no locale with a decimal comma is available";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",") << found;
    CsvFixture f;
    f.AddExampleRecords();
    std::string vertical = Export(f, CSV_TARGET_PROCESSED, ExampleRequest(true));
    std::string horizontal = Export(f, CSV_TARGET_PROCESSED, ExampleRequest(false));
    MakeReferenceHead(f);
    std::string reference = Export(f, CSV_TARGET_WHITE, ExampleRequest(false));
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(vertical, kExampleVertical) << found;
    EXPECT_EQ(horizontal, kExampleHorizontal) << found;
    EXPECT_EQ(reference, "temp,exposure, 340.1, 342.7,\r\n, 10000,8012.3,8030.0,\r\n");
}

}  // namespace
}  // namespace vmf
