#pragma once
// The panel's commands on recorded data and its doors to the maintenance
// dialogs: CSV save, data clear, maintenance mode and button, and the mirror
// dialog from the device list.

#include <QObject>

namespace vmf {

class Cvarnello_mfView;

class PanelCommands : public QObject {
    Q_OBJECT
public:
    explicit PanelCommands(Cvarnello_mfView& view);
    ~PanelCommands() override;

private:
    Cvarnello_mfView& view_;
};

}  // namespace vmf
