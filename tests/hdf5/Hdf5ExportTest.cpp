// The exported file holds every value of the store, floats bit for bit
// (NaN payloads included), across record blocks that do not divide the
// series evenly; the menu command refuses while measuring and reports
// failures; a failed export leaves the file that was there.

#include <gtest/gtest.h>
#include <hdf5.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/FileWork.h"
#include "fakes/ScriptedDialogs.h"
#include "hdf5/Hdf5Export.h"
#include "hdf5/Hdf5ExportCommand.h"
#include "hdf5/Hdf5Handle.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/StoreSample.h"
#include "store/StoreTestUtil.h"
#include "store/TextCodec.h"

namespace vmf {
namespace {

template <class T>
std::vector<T> ReadAll(hid_t file, const std::string& path, hid_t memType) {
    Hdf5Handle ds(H5Dopen2(file, path.c_str(), H5P_DEFAULT), H5Dclose);
    EXPECT_TRUE(ds.valid()) << path;
    if (!ds.valid()) return {};
    Hdf5Handle space(H5Dget_space(ds.get()), H5Sclose);
    std::vector<T> out(static_cast<std::size_t>(H5Sget_simple_extent_npoints(space.get())));
    if (!out.empty()) H5Dread(ds.get(), memType, H5S_ALL, H5S_ALL, H5P_DEFAULT, out.data());
    return out;
}

std::vector<float> Floats(hid_t f, const std::string& p) {
    return ReadAll<float>(f, p, H5T_NATIVE_FLOAT);
}

int32_t IntAttr(hid_t f, const std::string& object, const char* name) {
    Hdf5Handle attr(H5Aopen_by_name(f, object.c_str(), name, H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
    int32_t v = -1;
    H5Aread(attr.get(), H5T_NATIVE_INT32, &v);
    return v;
}

float FloatAttr(hid_t f, const std::string& object, const char* name) {
    Hdf5Handle attr(H5Aopen_by_name(f, object.c_str(), name, H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
    float v = 0;
    H5Aread(attr.get(), H5T_NATIVE_FLOAT, &v);
    return v;
}

std::string TextAttr(hid_t f, const std::string& object, const char* name) {
    Hdf5Handle attr(H5Aopen_by_name(f, object.c_str(), name, H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
    Hdf5Handle type(H5Aget_type(attr.get()), H5Tclose);
    char* text = nullptr;
    H5Aread(attr.get(), type.get(), &text);
    std::string out = text ? text : "";
    H5free_memory(text);
    return out;
}

void ExpectBits(const std::vector<float>& got, const float* want, int n, const std::string& what) {
    ASSERT_EQ(got.size(), static_cast<std::size_t>(n)) << what;
    EXPECT_EQ(0, std::memcmp(got.data(), want, n * sizeof(float))) << what;
}

// Two heads, LED drivers, Japanese serial and history, awkward floats; the
// first head's records carry times, the second's do not.
void FillTimedSample(Cvarnello_mfDoc& doc, int records) {
    testing::FillSample(doc, 5, records);
    for (int r = 0; r < records; ++r) {
        doc.recTimeUtcMs(0, r) = 1796721330123 + r * 1000;
        doc.recUtcOffsetS(0, r) = 32400;
    }
}

TEST(Hdf5Export, EveryValueOfTheStoreReadsBackBitForBit) {
    testing::ScratchDir dir;
    Cvarnello_mfDoc doc;
    FillTimedSample(doc, 5);
    std::string error;
    // 5 records in blocks of 2: two full chunks and a partial one.
    for (int level : {0, 4}) {
        const std::string path = dir.File("out" + std::to_string(level) + ".h5");
        ASSERT_TRUE(ExportHdf5(doc, path, Hdf5ExportOptions{level, 2}, error)) << error;
        Hdf5Handle f(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose);
        ASSERT_TRUE(f.valid());
        const hid_t h = f.get();
        EXPECT_EQ(IntAttr(h, "/", "headCount"), 2);
        EXPECT_EQ(IntAttr(h, "/", "ledDriverCount"), 2);
        for (int a = 0; a < 2; ++a) {
            const std::string g = "/heads/" + std::to_string(a) + "/";
            const int c = doc.channelCount[a];
            EXPECT_EQ(IntAttr(h, g, "channelCount"), c);
            EXPECT_EQ(IntAttr(h, g, "exposureUs"), doc.exposureUs[a]);
            EXPECT_EQ(TextAttr(h, g, "headKind"), "C12880MA");
            EXPECT_EQ(TextAttr(h, g, "serialNo"), Cp932ToUtf8(doc.serialNo[a]));
            auto poly = ReadAll<double>(h, g + "wavePoly", H5T_NATIVE_DOUBLE);
            EXPECT_EQ(0, std::memcmp(poly.data(), doc.wavePoly[a].data(), sizeof(double) * 6));
            auto dark = Floats(h, g + "darkTable");
            ASSERT_EQ(dark.size(), static_cast<std::size_t>(21 * c));
            for (int s = 0; s < DARK_STEPS; ++s)
                EXPECT_EQ(0, std::memcmp(dark.data() + s * c, doc.darkTable[a][s].data(), c * 4));
            ExpectBits(Floats(h, g + "wavelengthNm"), doc.wavelengthNm[a].data(), c, g);
            ExpectBits(Floats(h, g + "gain"), doc.gain[a].data(), c, g);
            ExpectBits(Floats(h, g + "whiteRef"), doc.whiteRef[a].data(), c, g);
            ExpectBits(Floats(h, g + "transRef"), doc.transRef[a].data(), c, g);
            EXPECT_TRUE(testing::SameBits(FloatAttr(h, g + "whiteRef", "exposureUs"), 265.0f));
            EXPECT_TRUE(
                testing::SameBits(FloatAttr(h, g + "transRef", "exposureUs"), doc.transRef[a][c]));
            auto exposures = ReadAll<int32_t>(h, g + "recExposureUs", H5T_NATIVE_INT32);
            EXPECT_EQ(exposures, (std::vector<int32_t>{1000, 1001, 1002, 1003, 1004}));
            ExpectBits(Floats(h, g + "recTemperatureC"), &doc.recTemperatureC(a, 0), 5, g);
            auto raw = Floats(h, g + "recRaw");
            auto processed = Floats(h, g + "recProcessed");
            ASSERT_EQ(raw.size(), static_cast<std::size_t>(5 * c));
            for (int r = 0; r < 5; ++r) {
                EXPECT_EQ(0, std::memcmp(raw.data() + r * c, doc.recRaw(a, r), c * 4)) << g << r;
                EXPECT_EQ(0, std::memcmp(processed.data() + r * c, doc.recProcessed(a, r), c * 4));
            }
            auto utc = ReadAll<int64_t>(h, g + "recTimeUtcMs", H5T_NATIVE_INT64);
            auto offset = ReadAll<int32_t>(h, g + "recUtcOffsetS", H5T_NATIVE_INT32);
            EXPECT_EQ(utc[4], a == 0 ? 1796721334123 : 0);
            EXPECT_EQ(offset[4], a == 0 ? 32400 : 0);
        }
        EXPECT_EQ(ReadAll<int32_t>(h, "/ledDrivers/1/ledValue", H5T_NATIVE_INT32),
                  (std::vector<int32_t>{0, -1, -2}));
        auto history = ReadAll<char*>(h, "/historyText", [] {
            hid_t t = H5Tcopy(H5T_C_S1);
            H5Tset_size(t, H5T_VARIABLE);
            H5Tset_cset(t, H5T_CSET_UTF8);
            return t;
        }());
        ASSERT_EQ(history.size(), 1u);
        EXPECT_EQ(std::string(history[0]), "2026/01/02 03:04:05,計測開始 \r\n");
        H5free_memory(history[0]);
    }
}

TEST(Hdf5Export, NoTimeDatasetsWithoutTimesAndEmptySeriesAreEmpty) {
    testing::ScratchDir dir;
    Cvarnello_mfDoc doc;
    testing::FillSample(doc, 3, 0);
    std::string error;
    ASSERT_TRUE(ExportHdf5(doc, dir.File("e.h5"), Hdf5ExportOptions{}, error)) << error;
    Hdf5Handle f(H5Fopen(dir.File("e.h5").c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose);
    EXPECT_EQ(H5Lexists(f.get(), "/heads/0/recTimeUtcMs", H5P_DEFAULT), 0);
    EXPECT_TRUE(Floats(f.get(), "/heads/1/recRaw").empty());
    EXPECT_EQ(IntAttr(f.get(), "/heads/1", "recordCount"), 0);
}

// File work that asks the job to stop at its first check, as Cancel in the
// progress dialog does, and counts what the job reported.
class CancellingFileWork : public FileWork {
public:
    bool Run(const std::string& caption, const FileJob& job) override {
        captions.push_back(caption);
        FileProgress progress;
        progress.cancel = true;
        job(progress);
        total = progress.total;
        return true;
    }
    bool Running() const override { return false; }
    std::vector<std::string> captions;
    uint64_t total = 0;
};

TEST(Hdf5ExportCommand, RefusesWhileMeasuringCancelsAndReportsFailures) {
    testing::ScratchDir dir;
    Cvarnello_mfDoc doc;
    testing::FillSample(doc, 2, 1);
    test::ScriptedDialogs dialogs;
    ImmediateFileWork work;
    EXPECT_EQ(RunHdf5ExportCommand(doc, dialogs, true, work), Hdf5ExportOutcome::Refused);
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_EQ(dialogs.notices[0], "測定中は書き出せません。測定を停止してから書き出してください。");
    EXPECT_EQ(dialogs.asked.size(), 1u);  // no file dialog

    EXPECT_EQ(RunHdf5ExportCommand(doc, dialogs, false, work), Hdf5ExportOutcome::Cancelled);
    EXPECT_EQ(dialogs.asked.back(), "HDF5 形式で書き出し");

    // A name without extension gets ".h5"; an existing file is replaced.
    testing::WriteBytes(dir.File("run.h5"), {'o', 'l', 'd'});
    dialogs.fileAnswers.push_back(dir.File("run"));
    std::string written;
    EXPECT_EQ(RunHdf5ExportCommand(doc, dialogs, false, work, &written),
              Hdf5ExportOutcome::Written);
    EXPECT_EQ(written, dir.File("run.h5"));
    EXPECT_GT(testing::ReadBytes(written).size(), 3u);
    EXPECT_EQ(dir.EntryCount(), 1u);  // no partial file left beside it

    dialogs.fileAnswers.push_back(dir.File("missing/x.h5"));
    EXPECT_EQ(RunHdf5ExportCommand(doc, dialogs, false, work), Hdf5ExportOutcome::Failed);
    EXPECT_EQ(dialogs.notices.back(), "x.h5 に書き出せませんでした。(ファイルを作成できません)");
}

TEST(Hdf5ExportCommand, CancelLeavesTheOldFileAndOtherFileWorkRefuses) {
    testing::ScratchDir dir;
    Cvarnello_mfDoc doc;
    testing::FillSample(doc, 2, 600);  // more than one block of records
    test::ScriptedDialogs dialogs;
    const std::vector<unsigned char> old = {'o', 'l', 'd'};
    testing::WriteBytes(dir.File("run.h5"), old);
    dialogs.fileAnswers.push_back(dir.File("run.h5"));
    CancellingFileWork cancelling;
    EXPECT_EQ(RunHdf5ExportCommand(doc, dialogs, false, cancelling), Hdf5ExportOutcome::Cancelled);
    EXPECT_EQ(cancelling.captions, std::vector<std::string>{"run.h5 に書き出しています"});
    // Both spectra of every record of both heads are the work measured.
    EXPECT_EQ(cancelling.total, uint64_t{2 * 600 * 4 * (288 + 5)});
    EXPECT_EQ(testing::ReadBytes(dir.File("run.h5")), old);
    EXPECT_EQ(dir.EntryCount(), 1u);
    EXPECT_TRUE(dialogs.notices.empty());

    // While a load or save runs, the export is refused before any dialog.
    struct Busy : ImmediateFileWork {
        bool Running() const override { return true; }
    } busy;
    const size_t asked = dialogs.asked.size();
    EXPECT_EQ(RunHdf5ExportCommand(doc, dialogs, false, busy), Hdf5ExportOutcome::Refused);
    EXPECT_EQ(dialogs.asked.size(), asked + 1);
    EXPECT_EQ(dialogs.notices.back(), "ファイルの読み書き中です。終わるまでお待ちください。");
}

TEST(Hdf5ExportCommand, ProposesTheDocumentFileWithTheH5Extension) {
    Cvarnello_mfDoc doc;
    EXPECT_EQ(ProposedHdf5Path(doc), "無題.h5");
    doc.title = "2026/12/08 計測";
    EXPECT_EQ(ProposedHdf5Path(doc), "2026.h5");
    doc.pathName = "/data/run 1.vqdata";
    EXPECT_EQ(ProposedHdf5Path(doc), "/data/run 1.h5");
}

}  // namespace
}  // namespace vmf
