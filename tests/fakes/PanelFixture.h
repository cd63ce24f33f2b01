#pragma once
// A control panel on the offscreen platform with everything it works with:
// its store, the simulated bench, scripted dialogs, settings in memory, a
// busy flag and a scratch folder, plus lookups of its controls by id.

#include <QAbstractButton>
#include <QLineEdit>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QtGlobal>
#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "device/SimulatedDeviceLibrary.h"
#include "fakes/FakeSettings.h"
#include "fakes/ScriptedDialogs.h"
#include "fakes/TestText.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf::test {

// How the panel is made; the defaults give a settled panel of 810 x 640.
struct PanelSetup {
    bool settings = true;  // options kept in `settings`
    bool busy = false;     // the view raises `busy` while measuring
    // The view's clock, when given.
    std::function<std::time_t()> clock = nullptr;
    int height = 640;           // 0 leaves the view at its own size
    bool initialUpdate = true;  // OnInitialUpdate once it is made
    bool detect = false;        // clicks Detect after all that
    // Where the panel runs its file work (at once when none).
    FileWork* fileWork = nullptr;
    // The recovery journal of the recordings, and the frame's File Save.
    RecordJournal* journal = nullptr;
    std::function<void()> saveRecords = nullptr;
    // Fills the store before the view exists.
    std::function<void(Cvarnello_mfDoc&)> prepare = nullptr;
};

template <class Dialogs = ScriptedDialogs>
struct BasicPanelFixture {
    Cvarnello_mfDoc doc;
    std::unique_ptr<SimulatedDeviceLibrary> lib;  // none without a bench text
    Dialogs dialogs;
    FakeSettings settings;
    std::atomic<int> busy{0};
    QTemporaryDir dir;
    std::unique_ptr<Cvarnello_mfView> view;
    PanelSetup setup;

    // `bench` is the simulated bench's text; nullptr gives a panel without devices.
    explicit BasicPanelFixture(const char* bench, PanelSetup how = {}) : setup(std::move(how)) {
        if (bench) {
            std::string error;
            lib = SimulatedDeviceLibrary::FromText(bench, error);
            if (!lib) qFatal("bench: %s", error.c_str());
        }
        if (setup.prepare) setup.prepare(doc);
        setup.prepare = nullptr;  // used once; what it refers to may not outlive this
        Build();
        if (setup.detect) Click(ctl::Detect);
    }
    // Makes the view afresh; an old one goes only once the new one is made.
    void Build() {
        ViewContext ctx;
        ctx.doc = &doc;
        ctx.devices = lib.get();
        ctx.dialogs = &dialogs;
        if (setup.settings) ctx.settings = &settings;
        if (setup.busy) ctx.busy = &busy;
        ctx.fileWork = setup.fileWork;
        ctx.journal = setup.journal;
        ctx.saveRecords = setup.saveRecords;
        view = std::make_unique<Cvarnello_mfView>(ctx);
        if (setup.clock) view->SetClock(setup.clock);
        if (setup.height > 0) view->resize(810, setup.height);
        if (setup.initialUpdate) view->OnInitialUpdate();
    }

    template <class T>
    T* C(int id) const {
        return qobject_cast<T*>(view->Control(id));
    }
    void Click(int id) { C<QAbstractButton>(id)->click(); }
    QString Caption(int id) const { return C<QAbstractButton>(id)->text(); }
    QString Text(int id) const { return C<QLineEdit>(id)->text(); }
    bool Enabled(int id) const { return view->Control(id)->isEnabled(); }
    // Records 0..n-1 of every head, read from the bench like a measurement
    // would; record r adds r * countStep to every channel and was taken at
    // firstTemperature + r * temperatureStep.
    void RecordFromBench(int n, int countStep, float firstTemperature, float temperatureStep) {
        for (int a = 0; a < doc.headCount; ++a) {
            for (int r = 0; r < n; ++r) {
                QVERIFY(doc.EnsureRecordArrays(a, r));
                int16_t counts[MAX_CHANNELS] = {};
                lib->DevReadSpectrum(HeadSlot(a), counts);
                for (int c = 0; c < MAX_CHANNELS; ++c)
                    doc.recRaw(a, r)[c] = counts[c] + r * countStep;
                doc.recExposureUs(a, r) = doc.exposureUs[a];
                doc.recTemperatureC(a, r) = firstTemperature + r * temperatureStep;
            }
            doc.recordCount[a] = n;
        }
    }
    // A file name inside the scratch folder.
    std::string Path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }
};

using PanelFixture = BasicPanelFixture<>;

}  // namespace vmf::test
