// A navigation pane in the olive theme with a single page: inside its frame, the page area in the
// window colour, the splitter bar and the strip with the page's selector, drawn pressed at its
// right end. Its children stand on the page; it passes their notifications (commands, drawing of
// owner-drawn buttons) to the form.
#pragma once

#include "usb_form.h"
#include "window_class.h"

namespace harnlode::win32 {

class NavigationPane final : public Window {
 public:
  static constexpr const wchar_t* kClassName = L"TJvNavigationPane";

  // Where the pane stands, in the form's client coordinates.
  NavigationPane(HWND form, const RECT& bounds);

  // The page area, in the pane's coordinates, for a pane of the given size.
  static RECT PageRect(int width, int height);
  // A rectangle given within the page, in the pane's coordinates.
  static RECT OnPage(const form::Rect& design_rect);

  // Moves and sizes it, keeping its place in front of or behind the other pane; a child that
  // fills the page follows.
  void Place(const RECT& bounds, HWND page_filler = nullptr);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void Paint(HDC dc, const RECT& client) const;
};

}  // namespace harnlode::win32
