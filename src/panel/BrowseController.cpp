#include "panel/BrowseController.h"

#include "panel/Cvarnello_mfView.h"

namespace vmf {

BrowseController::BrowseController(Cvarnello_mfView& view) : QObject(&view), view_(view) {}

BrowseController::~BrowseController() = default;

}  // namespace vmf
