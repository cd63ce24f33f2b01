#pragma once
// "ミラー制御": moves the mirror unit by steps of 1000 or to a typed position.
// Every command goes to the device at once; the dialog keeps nothing beyond
// its own run, so each opening starts stepping from 0.
//
// Each control carries its numeric id in the Qt property "ctrlId".

#include <QDialog>

#include "maintenance/MirrorStepper.h"

class QLineEdit;
class QPushButton;

namespace vmf {

class Cvarnello_mfView;

class CSetMirrorDlg : public QDialog {
    Q_OBJECT
public:
    // The mirror unit is the panel's: the device number detection found last
    // (state().mirrorDevice) on the panel's device library.
    explicit CSetMirrorDlg(Cvarnello_mfView& view, QWidget* parent = nullptr);
    ~CSetMirrorDlg() override;

    // The position last sent by a step button.
    int16_t mirrorPosition() const { return stepper_.position(); }

    // The control with the given id (1058..1061, 1 OK, 2 Cancel), or nullptr.
    QWidget* Control(int id) const;

private:
    void OnStep(int delta);
    void OnSet();
    void Send(uint16_t position);
    void ShowPosition();

    Cvarnello_mfView& parentView_;
    MirrorStepper stepper_;
    QLineEdit* edit_ = nullptr;  // 1059
};

}  // namespace vmf
