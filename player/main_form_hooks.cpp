// Steps of start-up, closing and dispatch whose objects belong to concerns that are not built
// yet (the account, playback). Each concern moves
// its hooks into its own file and gives them their work; until then there is nothing for them to
// do: no playback work exists.
#include "vela_main_form.h"

namespace VelaUI {

void VelaMainForm::RunPlayerCommand(const PlayerCommand&) {}

}  // namespace VelaUI
