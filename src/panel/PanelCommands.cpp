#include "panel/PanelCommands.h"

#include "panel/Cvarnello_mfView.h"

namespace vmf {

PanelCommands::PanelCommands(Cvarnello_mfView& view) : QObject(&view), view_(view) {}

PanelCommands::~PanelCommands() = default;

}  // namespace vmf
