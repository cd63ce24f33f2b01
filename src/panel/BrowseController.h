#pragma once
// Stepping through the recorded slots (BACK/NEXT, once or continuously) and
// the comparison file drawn beside the measured spectra.

#include <QObject>

namespace vmf {

class Cvarnello_mfView;

class BrowseController : public QObject {
    Q_OBJECT
public:
    explicit BrowseController(Cvarnello_mfView& view);
    ~BrowseController() override;

private:
    Cvarnello_mfView& view_;
};

}  // namespace vmf
