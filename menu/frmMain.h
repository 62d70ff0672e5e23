#pragma once

#include <cstdint>
#include <string>

#include "runtime/events.h"
#include "runtime/services.h"

namespace tarvelin {

// The menu window: a picture with five entries and an exit button. The pointer over an entry
// shows it from the highlight picture; a click starts its command; Escape or the exit button closes.
class frmMain final : public FormHandlers {
 public:
  explicit frmMain(Services& runtime) : rt_(runtime) {}

  void Form_Load() override;
  void Form_MouseMove() override;
  void imgHover_MouseMove(std::int16_t Index) override;
  void picDisplay_Click() override;
  void Form_KeyPress(std::int16_t KeyAscii) override;
  void StartFailed(const std::string& command) override;

  // The index of the hot spot whose highlight is showing, 0 when none is.
  std::int16_t intActiveItem() const { return intActiveItem_; }

 private:
  void ReadOptions();
  void ClearHighlight();

  Services& rt_;
  std::int16_t intActiveItem_ = 0;
};

}  // namespace tarvelin
