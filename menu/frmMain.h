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

  void Form_Load();
  void Form_MouseMove();
  void imgHover_MouseMove(std::int16_t Index);
  void picDisplay_Click();
  void Form_KeyPress(std::int16_t KeyAscii);
  void StartFailed(const std::string& command) override;

  // The index of the hot spot whose highlight is showing, 0 when none is.
  std::int16_t intActiveItem() const { return intActiveItem_; }

 private:
  // The runtime's events, each to its handler.
  void Load() override { Form_Load(); }
  void PointerOverWindow() override { Form_MouseMove(); }
  void PointerOverHotSpot(std::int16_t index) override { imgHover_MouseMove(index); }
  void BoxClicked() override { picDisplay_Click(); }
  void KeyTyped(std::int16_t key_ascii) override { Form_KeyPress(key_ascii); }

  void ReadOptions();
  void ClearHighlight();

  Services& rt_;
  std::int16_t intActiveItem_ = 0;
};

}  // namespace tarvelin
