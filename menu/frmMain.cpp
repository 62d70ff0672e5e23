#include "menu/frmMain.h"

#include "menu/layout.h"

namespace tarvelin {

void frmMain::Form_Load() {
  rt_.frmMain().SetWidth(rt_.imgForeground().Width() * rt_.TwipsPerPixelX());
  rt_.frmMain().SetHeight(rt_.imgForeground().Height() * rt_.TwipsPerPixelY());
  for (const HotSpotDesign& design : kHotSpotLayout) {
    HotSpot& spot = *rt_.imgHover(design.Index);
    spot.Top = design.Top;
    spot.Left = design.Left;
    spot.Width = design.Width;
    spot.Height = design.Height;
  }
  ReadOptions();
  intActiveItem_ = 0;
  rt_.picDisplay().SetVisible(false);
}

// Title and entry commands from options.ini. Any failure ends the reading silently, keeping what
// was applied; the built-in commands stand for the rest.
void frmMain::ReadOptions() {
  std::string path = rt_.AppPath();
  if (path.empty() || path.back() != rt_.PathSeparator()) path += rt_.PathSeparator();
  path += kOptionsFile;
  std::optional<TextInput> file = rt_.OpenForInput(path);
  if (!file) return;
  if (!file->AtEnd()) {
    std::optional<std::string> title = file->ReadField();
    if (!title) return;
    rt_.frmMain().Caption = *title;
  }
  for (std::int16_t entry = kFirstEntry; entry <= kLastEntry; ++entry) {
    if (file->AtEnd()) return;
    std::optional<std::string> command = file->ReadField();
    if (!command) return;
    rt_.imgHover(entry)->Tag = *command;
  }
}

void frmMain::ClearHighlight() {
  if (intActiveItem_ != 0) {
    rt_.picDisplay().SetVisible(false);
    rt_.DoEvents();
  }
  intActiveItem_ = 0;
  // A handler run by the pump above may have shown the box again; with nothing active it stays hidden.
  if (rt_.picDisplay().Visible()) rt_.picDisplay().SetVisible(false);
}

void frmMain::Form_MouseMove() { ClearHighlight(); }

void frmMain::imgHover_MouseMove(std::int16_t Index) {
  const HotSpot* spot = rt_.imgHover(Index);
  if (!spot) return;  // the runtime reports only hot spots that exist
  if (intActiveItem_ != Index) ClearHighlight();
  intActiveItem_ = Index;
  const Picture& picture = rt_.imgForeground().Picture();
  HighlightBox& box = rt_.picDisplay();
  box.SetTop(spot->Top);
  box.SetLeft(spot->Left);
  box.SetWidth(spot->Width);
  box.SetHeight(spot->Height);
  box.SetVisible(true);
  rt_.DoEvents();
  // Handlers run by the pump may have moved the box to another hot spot; copying the piece under
  // the box where it is now keeps the box showing its own hot spot in every case.
  box.PaintPicture(picture, 0, 0, box.Width(), box.Height(), box.Left(), box.Top());
}

void frmMain::picDisplay_Click() {
  if (intActiveItem_ == 0) return;  // no hot spot is named
  if (intActiveItem_ == kExitButton) {
    rt_.Unload();
    return;
  }
  // The drive and directory steps may fail; the start then resolves against whatever is current.
  const std::string directory = rt_.AppPath();
  if (directory.size() >= 2 && directory[1] == ':') (void)rt_.ChDrive(directory[0]);
  (void)rt_.ChDir(directory);

  const HotSpot* spot = rt_.imgHover(intActiveItem_);
  const std::string command = spot ? spot->Tag : std::string();
  if (!spot || !rt_.Shell(command)) StartFailed(command);
}

// The failure step of picDisplay_Click, also reached when a start fails only after the click.
void frmMain::StartFailed(const std::string& command) {
  rt_.MsgBox("The file " + command + " could not be found.", kAppTitle);
}

void frmMain::Form_KeyPress(std::int16_t KeyAscii) {
  if (KeyAscii == kEscape) rt_.Unload();
}

}  // namespace tarvelin
