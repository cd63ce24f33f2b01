// The settings table and the placement arithmetic the frame stores with.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/RecentFileList.h"
#include "app/RecentFolders.h"
#include "app/WindowRect.h"
#include "common/PanelOptions.h"
#include "fakes/FakeSettings.h"

namespace vmf {
namespace {

TEST(SettingsTable, EmptyStoreGivesEveryDefault) {
    test::FakeSettings store;
    PanelOptions o;
    o.averageCount = 99;  // must be overwritten by the default
    o.fixedFileName = "x";
    ReadPanelOptions(store, o);
    EXPECT_EQ(o.averageCount, 1);
    EXPECT_EQ(o.loggingOn, 0);
    EXPECT_EQ(o.intervalOn, 0);
    EXPECT_EQ(o.intervalMs, 0);
    EXPECT_EQ(o.sensitivityOn, 0);
    EXPECT_EQ(o.continuousMode, 0);
    EXPECT_EQ(o.maintenanceMode, 0);
    EXPECT_EQ(o.displayKind, 0);
    EXPECT_EQ(o.csvAddWave, 1);
    EXPECT_EQ(o.csvVertical, 1);
    EXPECT_EQ(o.autoSaveOn, 0);
    EXPECT_EQ(o.autoSaveNaming, 0);
    EXPECT_EQ(o.fixedFileName, "output");
    EXPECT_EQ(o.saveFolder, "");
    EXPECT_EQ(o.csvAddTemp, 1);
    EXPECT_EQ(o.csvAddExposure, 1);
    EXPECT_EQ(o.csvStartNm, 340);
    EXPECT_EQ(o.csvEndNm, 850);
    EXPECT_EQ(o.csvStepNm, 10);
    EXPECT_EQ(o.csvTarget, 0);
    EXPECT_EQ(o.graphMax, 8192);
    EXPECT_EQ(o.graphMin, 0);
    EXPECT_EQ(o.ratioMax, 160);
    EXPECT_EQ(o.ratioMin, 0);

    WindowPlacement p{5, 5, 5, 5};
    ReadPlacement(store, p);
    EXPECT_EQ(p.left, 0);
    EXPECT_EQ(p.top, 0);
    EXPECT_EQ(p.right, 740);
    EXPECT_EQ(p.bottom, 640);
}

TEST(SettingsTable, ReadAndWriteOrders) {
    test::FakeSettings store;
    PanelOptions o;
    ReadPanelOptions(store, o);
    WritePanelOptions(store, o);
    const std::vector<std::string> readOrder = {
        "average/number",   "logging/go",       "interval/go",   "interval/time",
        "sensitivity/go",   "repeat/go",        "hard/adjust",   "disp/kind",
        "csv/addwave",      "csv/vertical",     "save/auto",     "save/automode",
        "save/fixfilename", "save/fixfilepath", "save/addtemp",  "save/addexp",
        "save/startwave",   "save/endwave",     "save/stepwave", "save/target",
        "graph/max",        "graph/min",        "ratio/max",     "ratio/min"};
    std::vector<std::string> writeOrder = readOrder;
    std::swap(writeOrder[21], writeOrder[22]);  // graph/max, ratio/max, graph/min, ratio/min
    EXPECT_EQ(store.reads, readOrder);
    EXPECT_EQ(store.writes, writeOrder);
}

TEST(SettingsTable, ChangedOptionsSurviveARoundTrip) {
    test::FakeSettings store;
    PanelOptions o;
    o.averageCount = 16;
    o.intervalOn = 1;
    o.intervalMs = 2500;
    o.maintenanceMode = 1;
    o.fixedFileName = "測定";
    o.saveFolder = "C:\\データ";
    o.graphMin = -500;
    o.ratioMin = -9;
    o.csvTarget = 3;
    WritePanelOptions(store, o);
    PanelOptions back;
    ReadPanelOptions(store, back);
    EXPECT_EQ(back.averageCount, 16);
    EXPECT_EQ(back.intervalOn, 1);
    EXPECT_EQ(back.intervalMs, 2500);
    EXPECT_EQ(back.maintenanceMode, 1);
    EXPECT_EQ(back.fixedFileName, "測定");
    EXPECT_EQ(back.saveFolder, "C:\\データ");
    EXPECT_EQ(back.graphMin, -500);
    EXPECT_EQ(back.ratioMin, -9);
    EXPECT_EQ(back.csvTarget, 3);
}

TEST(RecentFolders, StartWhereTheKindWasLastUsedAndPersist) {
    RecentFolders f;
    // Nothing remembered yet: the caller's path as given.
    EXPECT_EQ(FolderStartPath(f, FileKind::Csv, "*.csv"), "*.csv");
    RememberFolder(f, FileKind::Csv, "/data/run 1/out.csv");
    RememberFolder(f, FileKind::DataFile, "C:\\meas\\a.vqdata");
    RememberFolder(f, FileKind::CompareFile, "/b.vqdata");
    RememberFolder(f, FileKind::AutoSaveFolder, "/data/auto");
    RememberFolder(f, FileKind::CoefficientList, "bare.csv");  // no folder: nothing learnt
    EXPECT_EQ(FolderStartPath(f, FileKind::Csv, ""), "/data/run 1");
    EXPECT_EQ(FolderStartPath(f, FileKind::Csv, "*.csv"), "/data/run 1/*.csv");
    EXPECT_EQ(FolderStartPath(f, FileKind::DataFile, "AAA_1.vqdata"), "C:\\meas/AAA_1.vqdata");
    EXPECT_EQ(FolderStartPath(f, FileKind::CompareFile, ""), "/");
    EXPECT_EQ(FolderStartPath(f, FileKind::AutoSaveFolder, ""), "/data/auto");
    // A path the caller already chose wins.
    EXPECT_EQ(FolderStartPath(f, FileKind::AutoSaveFolder, "/mine"), "/mine");
    EXPECT_EQ(FolderStartPath(f, FileKind::CoefficientList, ""), "");

    test::FakeSettings store;
    WriteFolders(store, f);
    EXPECT_EQ(store.writes, (std::vector<std::string>{"folder/data", "folder/compare", "folder/csv",
                                                      "folder/coeflist", "folder/autosave"}));
    RecentFolders back;
    ReadFolders(store, back);
    EXPECT_EQ(back.path, f.path);
}

// With nothing remembered a dialog starts in the user's documents, not in
// the working folder (the program's own folder under Program Files).
TEST(RecentFolders, WithoutARememberedFolderStartInTheFallback) {
    RecentFolders f;
    EXPECT_EQ(FolderStartPath(f, FileKind::DataFile, "AAA_1.vqdata", "/home/u/Documents"),
              "/home/u/Documents/AAA_1.vqdata");
    EXPECT_EQ(FolderStartPath(f, FileKind::AutoSaveFolder, "", "C:\\Users\\u\\Documents\\"),
              "C:\\Users\\u\\Documents\\");
    EXPECT_EQ(FolderStartPath(f, FileKind::Csv, "/mine/x.csv", "/home/u/Documents"), "/mine/x.csv");
    RememberFolder(f, FileKind::DataFile, "/runs/a.vqdata");
    EXPECT_EQ(FolderStartPath(f, FileKind::DataFile, "", "/home/u/Documents"), "/runs");
}

// Recent files are listed and kept as the platform writes paths.
TEST(RecentFileList, EntriesUseThePlatformsSeparators) {
    test::FakeSettings store;
    store.strings["Recent File List/File1"] = "C:/old/run0.vqdata";
    RecentFileList list;
    list.Read(store);
    list.Add("C:/data/run1.vqdata");
    list.Write(store);
#if defined(_WIN32)
    EXPECT_EQ(store.strings["Recent File List/File1"], "C:\\data\\run1.vqdata");
    EXPECT_EQ(store.strings["Recent File List/File2"], "C:\\old\\run0.vqdata");
#else
    EXPECT_EQ(store.strings["Recent File List/File1"], "C:/data/run1.vqdata");
    EXPECT_EQ(store.strings["Recent File List/File2"], "C:/old/run0.vqdata");
#endif
}

// Bare names: the list's order does not depend on the platform's separators.
TEST(RecentFileList, NewestFirstNoDuplicatesAtMostFour) {
    RecentFileList list;
    for (const char* p : {"a.vqdata", "b.vqdata", "c.vqdata", "d.vqdata", "e.vqdata"}) list.Add(p);
    EXPECT_EQ(list.entries(),
              (std::vector<std::string>{"e.vqdata", "d.vqdata", "c.vqdata", "b.vqdata"}));
    list.Add("c.vqdata");
    EXPECT_EQ(list.entries(),
              (std::vector<std::string>{"c.vqdata", "e.vqdata", "d.vqdata", "b.vqdata"}));
    list.Remove("e.vqdata");
    list.Add("");
    EXPECT_EQ(list.entries(), (std::vector<std::string>{"c.vqdata", "d.vqdata", "b.vqdata"}));

    test::FakeSettings store;
    list.Write(store);
    EXPECT_EQ(store.strings["Recent File List/File1"], "c.vqdata");
    EXPECT_EQ(store.strings["Recent File List/File4"],
              "");                                         // a shorter list clears the stale entry
    store.strings["Recent File List/File4"] = "c.vqdata";  // a duplicate written by hand
    RecentFileList back;
    back.Read(store);
    EXPECT_EQ(back.entries(), list.entries());
}

TEST(WindowRect, OuterRectangleRoundTripsThroughTheClientArea) {
    const WindowPlacement stored{0, 0, 740, 640};
    for (const FrameMargins m :
         {FrameMargins{}, FrameMargins{8, 31, 8, 8}, FrameMargins{1, 24, 1, 1}}) {
        const ClientRect c = ClientFromPlacement(stored, m);
        EXPECT_EQ(c.x, m.left);
        EXPECT_EQ(c.y, m.top);
        EXPECT_EQ(c.width, 740 - m.left - m.right);
        EXPECT_EQ(c.height, 640 - m.top - m.bottom);
        const WindowPlacement back = PlacementFromClient(c, m);
        EXPECT_EQ(back.left, 0);
        EXPECT_EQ(back.top, 0);
        EXPECT_EQ(back.right, 740);
        EXPECT_EQ(back.bottom, 640);
    }
    // Values are used as stored, off-screen included; only a rectangle with no
    // room for a client area is raised to the smallest window.
    const ClientRect off = ClientFromPlacement({-3000, -20, -2000, 500}, {});
    EXPECT_EQ(off, (ClientRect{-3000, -20, 1000, 520}));
    EXPECT_EQ(ClientFromPlacement({100, 100, 50, 50}, {}), (ClientRect{100, 100, 1, 1}));
}

}  // namespace
}  // namespace vmf
